#include "archives/ArchiveProcedure.h"

#include "families/DeviceFamily.h"
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
    const DeviceFamily* family = FamilyFor(type);
    return family && family->procedure ? &family->procedure() : nullptr;
}

}  // namespace omi
