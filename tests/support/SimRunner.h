#pragma once
// omi-sim as a separate process, the way scripts meet it: its endpoints come
// from its first output lines (the pseudo-terminal, "udp HOST:PORT"), the
// requests it received from its log.

#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

namespace omi::test {

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
    Sim(const Sim&) = delete;
    Sim& operator=(const Sim&) = delete;

    QString Pty() const { return ptyPath_; }
    QString UdpHost() const { return udpHost_; }
    int UdpPort() const { return udpPort_; }
    QString Udp() const { return udpHost_ + QLatin1Char(':') + QString::number(udpPort_); }
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

}  // namespace omi::test
