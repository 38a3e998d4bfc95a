#pragma once
// omi-sim and omi-cli as separate processes, the way scripts meet them.

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

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

// A running simulator; its endpoints come from its first output lines.
class Sim {
public:
    explicit Sim(QStringList args, bool udp = false) {
        logPath_ = dir_.filePath("requests.log");
        args << "--log" << logPath_;
        proc_.start(QStringLiteral(OMI_SIM_PATH), args);
        if (!proc_.waitForStarted(5000)) return;
        const bool pty = args.contains("--pty");
        for (int lines = (pty ? 1 : 0) + (udp ? 1 : 0); lines > 0; --lines) {
            while (!proc_.canReadLine() && proc_.waitForReadyRead(5000)) {
            }
            const QString line = QString::fromUtf8(proc_.readLine()).trimmed();
            if (line.startsWith("udp ")) {
                const QString hp = line.mid(4);
                udpHost_ = hp.section(':', 0, 0);
                udpPort_ = hp.section(':', 1).toInt();
            } else {
                ptyPath_ = line;
            }
        }
    }
    ~Sim() {
        proc_.terminate();
        if (!proc_.waitForFinished(3000)) {
            proc_.kill();
            proc_.waitForFinished();
        }
    }
    QString Pty() const { return ptyPath_; }
    QString Udp() const { return udpHost_ + ":" + QString::number(udpPort_); }
    // Requests the simulator received, one line of decimal bytes each.
    QStringList Requests() const {
        QFile f(logPath_);
        if (!f.open(QIODevice::ReadOnly)) return {};
        return QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
    }

private:
    QTemporaryDir dir_;
    QString logPath_;
    QProcess proc_;
    QString ptyPath_;
    QString udpHost_;
    int udpPort_ = 0;
};

}  // namespace omi::test
