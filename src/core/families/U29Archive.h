#pragma once
// The archive tables and read procedures of the families 229/230 and 228:
// the same 176-byte record, the 28 text columns of the archive table (the
// 234/235 columns with pressures in bar), the column codes, differences and
// totals, and the read rules of ARA229 and ARA228.

#include "archives/ArchiveFamily.h"
#include "archives/ArchiveProcedure.h"

namespace omi {

namespace u29 {
const ArchiveFamily& ArchiveTables();  // record u29::kRecord ("Tarh229")
}  // namespace u29

namespace u28 {
const ArchiveFamily& ArchiveTables();  // record u28::kRecord ("Tarh228")
}  // namespace u28

// The procedure of family 229/230 (ARA229): the rules of ARA234 on rings of
// 62 daily and 960 hourly positions, the daily number a byte.
const ArchiveProcedure& Procedure229();
// The procedure of family 228 (ARA228): no identification first, the daily
// number a byte, commands 20 and 254, the tolerance of the range controls,
// daily date misses counted, no memo texts.
const ArchiveProcedure& Procedure228();

}  // namespace omi
