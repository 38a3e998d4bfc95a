#pragma once
// Expansion of a report template line: every "@NN" becomes the value of item
// NN of the family's item list, formatted with the item's format text.

#include <QDate>
#include <QString>
#include <QStringList>

#include "archives/ArchiveRecord.h"
#include "archives/ArchiveView.h"

namespace omi {

// What a report is about, apart from the record of a row.
struct ReportContext {
    int deviceType = -1;
    QString typeText;    // the device page's type field
    QString serialText;  // the device page's serial number field
    QDate today;
    // The archive tab shown: its kind and heat system (0 = system 1); -1 when
    // no tab is selected.
    int kind = -1;
    int system = -1;
    QDate first, last;  // the range of the view
    // A loaded archive file printed from the device page: no range, item 05
    // names the file.
    bool fromFile = false;
    QString filePath;
    int fileSystem = -1;  // the heat system the file was saved from (0 or 1), -1 unknown
    MeanTemperatures means;
};

// The archive name of a kind: "Архив суточный накопительный", ...
QString ArchiveKindName(int kind);

// Item 05 of a printed archive file: "Файл: " + folder + name, a folder of
// 61 characters or more cut to its first 60 followed by "\...\".
QString ReportFileName(const QString& path);

// The index of the record of an entry that the report shows for a device
// type and a heat system: the system's record for the types that serve two
// heat systems, the first record for every other type.
int ReportRecordIndex(int deviceType, int system);

// The line with every "@" followed by two characters replaced: by item NN's
// value formatted with its format text when NN is an item of items and at
// most 40, by nothing otherwise. record is the row's record (for the header
// an all-zero record of the family); a record that is not of the device's
// family counts as all zero.
QString ExpandLine(const QString& line, const QStringList& items, const ReportContext& context,
                   const ArchiveRecord& record);

}  // namespace omi
