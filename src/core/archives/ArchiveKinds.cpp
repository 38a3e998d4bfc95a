#include "archives/ArchiveKinds.h"

#include "families/DeviceFamily.h"

namespace omi {

namespace {

// Two-system families: both systems of both archives, cumulative and
// difference. Note the two blanks before "РАЗНОСТЬ".
QList<ArchiveTab> twoSystemTabs() {
    return {
        {QStringLiteral("СУТ 1-Я"), kDailyArchive, 0},  {QStringLiteral("СУТ 1-Я  РАЗНОСТЬ"), kDailyDifference, 0},
        {QStringLiteral("СУТ 2-Я"), kDailyArchive, 1},  {QStringLiteral("СУТ 2-Я  РАЗНОСТЬ"), kDailyDifference, 1},
        {QStringLiteral("ЧАС 1-Я"), kHourlyArchive, 0}, {QStringLiteral("ЧАС 1-Я  РАЗНОСТЬ"), kHourlyDifference, 0},
        {QStringLiteral("ЧАС 2-Я"), kHourlyArchive, 1}, {QStringLiteral("ЧАС 2-Я  РАЗНОСТЬ"), kHourlyDifference, 1},
    };
}

QList<ArchiveTab> oneSystemTabs() {
    return {
        {QStringLiteral("СУТОЧНЫЙ"), kDailyArchive, 0},
        {QStringLiteral("СУТ РАЗНОСТЬ"), kDailyDifference, 0},
        {QStringLiteral("ЧАСОВОЙ"), kHourlyArchive, 0},
        {QStringLiteral("ЧАС РАЗНОСТЬ"), kHourlyDifference, 0},
    };
}

}  // namespace

QList<ArchiveTab> ArchiveTabs(int type) {
    const DeviceFamily* family = FamilyFor(type);
    if (!family || !family->archive) return {};
    return HeatSystemsOf(type) == 2 ? twoSystemTabs() : oneSystemTabs();
}

QString ReadArchiveHint(int kind) {
    return IsHourlyKind(kind) ? QStringLiteral("чтение часового архива") : QStringLiteral("чтение суточного архива");
}

int ReadArchiveImageIndex(int kind) { return IsHourlyKind(kind) ? 5 : 3; }

}  // namespace omi
