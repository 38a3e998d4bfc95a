#include "archives/ArchiveCsv.h"

#include "support/TextCodec.h"

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

QString WriteArchiveCsv(const QString& path, const Grid& rows) { return WriteFileBytes(path, ArchiveCsvBytes(rows)); }

}  // namespace omi
