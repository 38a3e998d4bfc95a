#include "archives/ArchiveProcedure.h"

#include "families/U25Archive.h"
#include "families/U27Archive.h"
#include "families/U29Archive.h"
#include "families/U34.h"

namespace omi {

const ArchiveProcedure& Procedure234() {
    static const ArchiveProcedure procedure{
        .name = "ARA234",
        .record = &u34::kRecord,
        .decode = &u34::DecArh,
        .dailyTop = 365,
        .hourlyTop = 1080,
        .dailyBytes = &DailyRequestBytes234,
        .hourlyBytes = &HourlyRequestBytes234,
        .announceAndIdentify = true,
        .dailyNumber = DailyNumberField::WordAt7,
        .beginCommand = true,
        .endCommand = true,
        .resetTolerance = true,
        .dailyMismatch = DailyMismatch::RetryThenGiveUp,
        .dailyRetries = 5,
        .decodeErrorMemo = true,
        .dailySort = SortWhen::NotAllRecords,
        .hourlySort = SortWhen::AccessLevelNotZero,
        .logFileName = "АРХИВ234235.txt",
        .responseHourOffset = 214,
        .responseDayOffset = 215,
    };
    return procedure;
}

const ArchiveProcedure* ArchiveProcedureOf(int type) {
    switch (type) {
        case 234:
        case 235:
        case 236:
        case 237:
            return &Procedure234();
        case 229:
        case 230:
            return &Procedure229();
        case 228:
            return &Procedure228();
        case 227:
            return &u27::Procedure227();
        case 225:
            return &u25::Procedure225();
        default:
            return nullptr;
    }
}

}  // namespace omi
