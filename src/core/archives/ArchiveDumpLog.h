#pragma once
// The byte-dump log of an archive read at access level 0: text lines with the
// bytes of the requests and answers, saved again after every added line so
// that the file is complete whenever the read stops. Windows-1251, CR LF.

#include "protocol/Frame.h"

#include <QByteArray>
#include <QString>

namespace omi {

// "k=value(HH)\t" for every byte k of the frame: index, decimal value (at
// least two digits), two upper-case hexadecimal digits.
QString DumpBytes(const Frame& bytes);

class ArchiveDumpLog {
public:
    // An inactive log: adding lines does nothing.
    ArchiveDumpLog() = default;
    // Starts a fresh log at path and saves it empty at once.
    void Start(const QString& path);
    bool Active() const { return !path_.isEmpty(); }

    void AddLine(const QString& line);
    // The title, a tab, then the byte dump.
    void AddTitled(const QString& title, const Frame& bytes);

    // The message of the last failed save, empty when the file is current.
    const QString& Error() const { return error_; }

private:
    void save();

    QString path_;
    QByteArray content_;  // the encoded lines so far
    QString error_;
};

}  // namespace omi
