#pragma once
// The archive tables of family 227 (the 15 text columns of its archive table,
// the column codes, the differences and the totals record) and its archive
// read rules.

#include "archives/ArchiveFamily.h"
#include "archives/ArchiveProcedure.h"

namespace omi::u27 {

const ArchiveFamily& ArchiveTables();

// ARA227: no preparation, identification or commands 20/254; one request for
// the current numbers (drawn in imitation mode), the daily one the byte at 7,
// both tested against their rings; date mismatches are counted, not retried;
// in all-records mode the bytes of the accepted records go to "байты архива.txt".
const ArchiveProcedure& Procedure227();

}  // namespace omi::u27
