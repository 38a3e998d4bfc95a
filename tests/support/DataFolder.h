#pragma once
// The data folder as the build and the installation deliver it: data/ДАННЫЕ
// of the source tree copied by scripts/copy-data.cmake, which converts its
// text files to Windows-1251 with CR LF. Tests that read the shipped files
// read this copy, the way the programs meet them.

#include <QProcess>
#include <QString>
#include <QStringList>

namespace omi::test {

// Copies the data folder to destination/ДАННЫЕ; returns that folder, or an
// empty text (and why) when the copy failed.
inline QString CopyDataFolder(const QString& destination, QString* why = nullptr) {
    const QString target = destination + QStringLiteral("/ДАННЫЕ");
    QProcess p;
    p.start(QStringLiteral(OMI_CMAKE_COMMAND),
            {QStringLiteral("-DSRC=" OMI_SOURCE_DIR "/data/ДАННЫЕ"), QStringLiteral("-DDST=") + target,
             QStringLiteral("-P"), QStringLiteral(OMI_SOURCE_DIR "/scripts/copy-data.cmake")});
    const bool done = p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    if (!done) {
        if (why) *why = QString::fromUtf8(p.readAllStandardError()) + p.errorString();
        return {};
    }
    return target;
}

}  // namespace omi::test
