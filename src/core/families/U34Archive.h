#pragma once
// The archive tables of family 234/235: the 28 text columns of its archive
// table, the column codes, the differences and the totals record.

#include "archives/ArchiveFamily.h"

namespace omi::u34 {

const ArchiveFamily& ArchiveTables();

}  // namespace omi::u34
