#include "support/WindowValuesFile.h"

#include "support/TextCodec.h"

#include <algorithm>

namespace omi {

QStringList SortedWindowValues(const QStringList& entries) {
    QStringList sorted = entries;
    std::sort(sorted.begin(), sorted.end(), [](const QString& a, const QString& b) {
        const int folded = QString::compare(a, b, Qt::CaseInsensitive);
        return folded != 0 ? folded < 0 : QString::compare(a, b, Qt::CaseSensitive) < 0;
    });
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
    return sorted;
}

QString WriteWindowValues(const QString& path, const QStringList& entries) {
    return WriteLines1251(path, SortedWindowValues(entries));
}

QList<QPair<QString, QString>> ReadWindowValues(const QString& path) {
    QString error;
    const QStringList lines = ReadLines1251(path, &error);
    QList<QPair<QString, QString>> values;
    if (!error.isEmpty()) return values;
    for (const QString& line : lines) {
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq < 0) continue;
        values.append({line.left(eq), line.mid(eq + 1, kMaxWindowValueLength)});
    }
    return values;
}

}  // namespace omi
