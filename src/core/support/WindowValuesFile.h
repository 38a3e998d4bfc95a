#pragma once
// The file in which a window keeps the values of its controls: one entry
// "name=value" per line, Windows-1251, lines ended by CR LF, sorted.

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

namespace omi {

// Longest value a reader hands back; longer values are cut.
inline constexpr qsizetype kMaxWindowValueLength = 255;

// The entries in the order of the file: ascending ignoring case (entries that
// differ only in case keep a fixed order among themselves), identical entries
// once.
QStringList SortedWindowValues(const QStringList& entries);

// Writes the entries sorted as above, completely or not at all, replacing the
// old file. Returns a Russian message, empty on success.
QString WriteWindowValues(const QString& path, const QStringList& entries);

// One pair per line in the order of the file: the text before the first "="
// and the text after it, cut to kMaxWindowValueLength characters. A line
// without "=" is skipped; a missing or unreadable file gives no pairs.
QList<QPair<QString, QString>> ReadWindowValues(const QString& path);

}  // namespace omi
