#include "archives/ArchiveCsv.h"

#include <QFileInfo>
#include <QSaveFile>

namespace omi {

namespace {

constexpr QChar kSeparator = QLatin1Char(';');

}  // namespace

QString CsvField(const QString& text) {
    const bool quote = text.contains(kSeparator) || text.contains(QLatin1Char('"')) ||
                       text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r')) ||
                       (!text.isEmpty() && (text.front().isSpace() || text.back().isSpace()));
    if (!quote) return text;
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QByteArray ArchiveCsvBytes(const Grid& rows) {
    QString text;
    for (const QStringList& row : rows) {
        for (qsizetype c = 0; c < row.size(); ++c) {
            if (c > 0) text += kSeparator;
            text += CsvField(row[c]);
        }
        text += QStringLiteral("\r\n");
    }
    return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
}

QString WriteArchiveCsv(const QString& path, const Grid& rows) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return QStringLiteral("не могу записать файл: ") + path;
    const QByteArray bytes = ArchiveCsvBytes(rows);
    if (file.write(bytes) != bytes.size() || !file.commit()) return QStringLiteral("не могу записать файл: ") + path;
    return {};
}

}  // namespace omi
