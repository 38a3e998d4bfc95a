#include "archives/ArchiveDumpLog.h"

#include "support/Format.h"
#include "support/TextCodec.h"

namespace omi {

QString DumpBytes(const Frame& bytes) {
    static const QString format = QStringLiteral("%d=%.2d(%s)%s");
    const QString tab(QLatin1Char('\t'));
    QString out;
    for (std::size_t k = 0; k < bytes.size(); ++k) {
        const QString hex = QStringLiteral("%1").arg(bytes[k], 2, 16, QLatin1Char('0')).toUpper();
        out += Format(format, {static_cast<int>(k), static_cast<int>(bytes[k]), hex, tab});
    }
    return out;
}

void ArchiveDumpLog::Start(const QString& path) {
    path_ = path;
    content_.clear();
    save();
}

void ArchiveDumpLog::AddLine(const QString& line) {
    if (!Active()) return;
    content_ += ToCp1251(line);
    content_ += "\r\n";
    save();
}

void ArchiveDumpLog::AddTitled(const QString& title, const Frame& bytes) {
    if (!Active()) return;
    AddLine(title + QLatin1Char('\t') + DumpBytes(bytes));
}

void ArchiveDumpLog::save() { error_ = WriteFileBytes(path_, content_); }

}  // namespace omi
