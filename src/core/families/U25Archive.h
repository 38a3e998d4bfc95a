#pragma once
// The archive tables of family 225 (the 17 text columns of its archive table,
// the column codes, the differences and the totals record) and its archive
// read rules.

#include "archives/ArchiveFamily.h"
#include "archives/ArchiveProcedure.h"

namespace omi::u25 {

const ArchiveFamily& ArchiveTables();

// ARA225: no preparation, identification or commands 20/254; up to 10 checked
// requests for the current numbers (drawn in imitation mode), the daily one
// the byte at 7, both tested against their rings; date mismatches are
// counted, not retried; the level-0 log "АРХИВ225.txt" also goes to the memo.
const ArchiveProcedure& Procedure225();

}  // namespace omi::u25
