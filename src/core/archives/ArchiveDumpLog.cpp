#include "archives/ArchiveDumpLog.h"

#include "support/Format.h"
#include "support/TextCodec.h"

#include <QFile>

namespace omi {

namespace {

QString hex2(std::uint8_t b) { return QStringLiteral("%1").arg(b, 2, 16, QLatin1Char('0')).toUpper(); }

}  // namespace

QString DumpBytes(const Frame& bytes) {
    static const QString format = QStringLiteral("%d=%.2d(%s)%s");
    const QString tab(QLatin1Char('\t'));
    QString out;
    for (std::size_t k = 0; k < bytes.size(); ++k)
        out += Format(format, {static_cast<int>(k), static_cast<int>(bytes[k]), hex2(bytes[k]), tab});
    return out;
}

QStringList RecordBytesLines(const RequestBytes& request, const Frame& response) {
    static const QString format = QStringLiteral("%.3d=%d hex=%s");
    QStringList lines;
    lines.reserve(static_cast<qsizetype>(response.size()) + 1);
    lines << Format(QStringLiteral("запрос=%d[1] %d[0]"), {int(request[1]), int(request[0])});
    for (std::size_t k = 0; k < response.size(); ++k)
        lines << Format(format, {static_cast<int>(k), static_cast<int>(response[k]), hex2(response[k])});
    return lines;
}

void ArchiveDumpLog::Start(const QString& path) {
    Collect(path);
    saveEachLine_ = true;
    // The file is started empty and then only the new lines are appended and
    // flushed: rewriting the whole log after every line made a long read at
    // the service level write gigabytes (a full hourly ring: about 3.6 s of
    // writing for 2000 lines, growing with the square of the length).
    file_ = std::make_unique<QFile>(path_);
    if (!file_->open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        error_ = QStringLiteral("НЕ МОГУ СОЗДАТЬ ФАЙЛ ") + path_;
        file_.reset();
    }
}

ArchiveDumpLog::~ArchiveDumpLog() = default;

void ArchiveDumpLog::appendNew(qsizetype from) {
    if (!file_) {
        Save();
        return;
    }
    const QByteArray added = content_.mid(from);
    if (file_->write(added) != added.size() || !file_->flush()) error_ = QStringLiteral("ОШИБКА ЗАПИСИ В ФАЙЛ ") + path_;
}

void ArchiveDumpLog::Collect(const QString& path) {
    file_.reset();
    path_ = path;
    saveEachLine_ = false;
    lines_.clear();
    content_.clear();
    error_.clear();
}

void ArchiveDumpLog::AddLine(const QString& line) { AddLines({line}); }

void ArchiveDumpLog::AddLines(const QStringList& lines) {
    if (!Active()) return;
    const qsizetype from = content_.size();
    for (const QString& line : lines) {
        lines_ << line;
        content_ += ToCp1251(line);
        content_ += "\r\n";
    }
    if (saveEachLine_) appendNew(from);
}

void ArchiveDumpLog::AddTitled(const QString& title, const Frame& bytes) {
    if (!Active()) return;
    AddLine(title + QLatin1Char('\t') + DumpBytes(bytes));
}

void ArchiveDumpLog::Save() {
    if (!Active()) return;
    if (file_) {
        if (!file_->flush()) error_ = QStringLiteral("ОШИБКА ЗАПИСИ В ФАЙЛ ") + path_;
        return;
    }
    error_ = WriteFileBytes(path_, content_);
}

}  // namespace omi
