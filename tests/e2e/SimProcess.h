#pragma once
// omi-sim and omi-cli as separate processes, the way scripts meet them.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include "support/SimRunner.h"

namespace omi::test {

struct CliRun {
    int exitCode = -1;
    QString out;
    QString err;
};

// Runs one of the programs to its end and collects what it printed.
inline CliRun RunProgram(const QString& program, const QStringList& args, int timeoutMs = 60000) {
    QProcess p;
    p.start(program, args);
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

inline CliRun RunCli(const QStringList& args, int timeoutMs = 60000) {
    return RunProgram(QStringLiteral(OMI_CLI_PATH), args, timeoutMs);
}

}  // namespace omi::test
