#pragma once
// Helpers shared by the window tests: a running omi-sim, dialog answers, a
// temporary data folder.

#include "shell/Dialogs.h"
#include "support/Paths.h"

#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

namespace omi::guitest {

// omi-sim as a separate process; its endpoints come from its first lines.
class Sim {
public:
    explicit Sim(QStringList args) {
        logPath_ = dir_.filePath(QStringLiteral("requests.log"));
        const bool pty = args.contains(QStringLiteral("--pty"));
        const bool udp = args.contains(QStringLiteral("--udp"));
        args << QStringLiteral("--log") << logPath_;
        proc_.start(QStringLiteral(OMI_SIM_PATH), args);
        if (!proc_.waitForStarted(5000)) return;
        for (int lines = (pty ? 1 : 0) + (udp ? 1 : 0); lines > 0; --lines) {
            while (!proc_.canReadLine() && proc_.waitForReadyRead(5000)) {
            }
            const QString line = QString::fromUtf8(proc_.readLine()).trimmed();
            if (line.startsWith(QStringLiteral("udp "))) {
                const QString hp = line.mid(4);
                udpHost_ = hp.section(QLatin1Char(':'), 0, 0);
                udpPort_ = hp.section(QLatin1Char(':'), 1).toInt();
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
    QString UdpHost() const { return udpHost_; }
    int UdpPort() const { return udpPort_; }
    // Requests the simulator received, one line of decimal bytes each.
    QStringList Requests() const {
        QFile f(logPath_);
        if (!f.open(QIODevice::ReadOnly)) return {};
        return QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

private:
    QTemporaryDir dir_;
    QString logPath_;
    QProcess proc_;
    QString ptyPath_;
    QString udpHost_;
    int udpPort_ = 0;
};

// Answers every dialog from a queue of answers and records what was asked.
class DialogScript {
public:
    DialogScript() {
        SetDialogHook([this](const DialogRequest& r) {
            asked.append(r);
            if (answers.isEmpty()) return DialogAnswer{};
            return answers.takeFirst();
        });
    }
    ~DialogScript() { SetDialogHook({}); }
    QList<DialogRequest> asked;
    QList<DialogAnswer> answers;
};

// A data folder of the test's own.
class DataFolder {
public:
    DataFolder() { SetDataRoot(dir_.filePath(QStringLiteral("ДАННЫЕ"))); }
    ~DataFolder() { SetDataRoot({}); }
    QString Path(const QString& name) const { return dir_.filePath(QStringLiteral("ДАННЫЕ/") + name); }

private:
    QTemporaryDir dir_;
};

}  // namespace omi::guitest
