#pragma once
// The byte logs of an archive read. The access-level-0 log keeps text lines
// with the bytes of the requests and answers; every added line is appended to
// its file and flushed at once, so that the file holds everything whenever
// the read stops. The
// record log of some families collects the bytes of the accepted records and
// is written once at the end of the read. Windows-1251, CR LF.

#include "archives/ReadPlan.h"
#include "protocol/Frame.h"

#include <QByteArray>
#include <QFile>

#include <memory>
#include <QString>
#include <QStringList>

namespace omi {

// "k=value(HH)\t" for every byte k of the frame: index, decimal value (at
// least two digits), two upper-case hexadecimal digits.
QString DumpBytes(const Frame& bytes);

// The record log lines of one accepted answer: "запрос=<byte 1>[1] <byte 0>[0]"
// with the request bytes, then "%.3d=%d hex=%s" (index, value, two upper-case
// hexadecimal digits) for every byte of the answer.
QStringList RecordBytesLines(const RequestBytes& request, const Frame& response);

class ArchiveDumpLog {
public:
    // An inactive log: adding lines does nothing.
    ArchiveDumpLog() = default;
    ~ArchiveDumpLog();
    ArchiveDumpLog(const ArchiveDumpLog&) = delete;
    ArchiveDumpLog& operator=(const ArchiveDumpLog&) = delete;
    // Starts a fresh log at path, empty at once; every added line is appended and flushed.
    void Start(const QString& path);
    // Starts a fresh log at path that only Save() writes.
    void Collect(const QString& path);
    bool Active() const { return !path_.isEmpty(); }

    void AddLine(const QString& line);
    void AddLines(const QStringList& lines);
    // The title, a tab, then the byte dump.
    void AddTitled(const QString& title, const Frame& bytes);
    // Writes the whole log (a collecting log), or flushes the appended one.
    void Save();

    const QStringList& Lines() const { return lines_; }
    // The message of the last failed save, empty when the file is current.
    const QString& Error() const { return error_; }

private:
    void appendNew(qsizetype from);

    std::unique_ptr<QFile> file_;
    QString path_;
    bool saveEachLine_ = false;
    QStringList lines_;
    QByteArray content_;  // the encoded lines so far
    QString error_;
};

}  // namespace omi
