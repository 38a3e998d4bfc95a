#pragma once
// omi-sim and omi-cli as separate processes, the way scripts meet them.

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "support/SimRunner.h"

namespace omi::test {

struct CliRun {
    int exitCode = -1;
    QString out;
    QString err;
};

inline CliRun RunCli(const QStringList& args, int timeoutMs = 60000) {
    QProcess p;
    p.start(QStringLiteral(OMI_CLI_PATH), args);
    CliRun r;
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        r.err = "timed out";
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

}  // namespace omi::test
