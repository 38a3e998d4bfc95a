#pragma once
// Archive kinds and the archive tabs of every device type: which kind and
// which heat system each tab of the archive page shows.

#include <QList>
#include <QString>

namespace omi {

// The four kinds as the program numbers them. The daily kinds are served by
// the daily archive list, the hourly kinds by the hourly list; the difference
// kinds are computed by the view.
enum ArchiveKind : int {
    kDailyArchive = 0,      // "СУТОЧНЫЙ"
    kDailyDifference = 1,   // "СУТ РАЗНОСТЬ"
    kHourlyArchive = 2,     // "ЧАСОВОЙ"
    kHourlyDifference = 3,  // "ЧАС РАЗНОСТЬ"
};

inline bool IsDifferenceKind(int kind) { return kind == kDailyDifference || kind == kHourlyDifference; }
inline bool IsHourlyKind(int kind) { return kind == kHourlyArchive || kind == kHourlyDifference; }

struct ArchiveTab {
    QString caption;
    int kind;
    int system;  // heat system, 0 = system 1
};

// The tabs of a device type in order; empty for a type without archives.
QList<ArchiveTab> ArchiveTabs(int type);

// Hint of the archive read action for a kind: "чтение суточного архива" or
// "чтение часового архива".
QString ReadArchiveHint(int kind);
// Image index of the archive read action: 3 for the daily kinds, 5 for the hourly ones.
int ReadArchiveImageIndex(int kind);

}  // namespace omi
