// omi-cli: the core's operations for scripts and batch collection.
// Exit status: 0 success, 1 device or file failure (the status text on
// stderr), 2 usage error.

#include "cli/CliOptions.h"
#include "protocol/Exchange.h"
#include "protocol/Frame.h"
#include "protocol/Identify.h"
#include "protocol/Models.h"
#include "support/Paths.h"
#include "support/Status.h"
#include "transport/CommPortDriver.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

#include <cstdio>

using namespace omi;
using omi::cli::Options;

namespace {

void printOut(const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    std::fwrite(utf8.constData(), 1, static_cast<size_t>(utf8.size()), stdout);
    std::fflush(stdout);
}

void printErr(const QString& text) {
    const QByteArray utf8 = (text + QLatin1Char('\n')).toUtf8();
    std::fwrite(utf8.constData(), 1, static_cast<size_t>(utf8.size()), stderr);
    std::fflush(stderr);
}

// Errors go to stderr on a line of their own; the last error is the exit text.
class StderrStatus : public StatusSink {
public:
    QString lastError;
    void show(StatusStyle style, const QString& shown) override {
        if (style == StatusStyle::Error) lastError = shown;
    }
};

TCommPortDriver::TParity parityOf(const QString& p) {
    if (p == "odd") return TCommPortDriver::ptODD;
    if (p == "even") return TCommPortDriver::ptEVEN;
    if (p == "mark") return TCommPortDriver::ptMARK;
    if (p == "space") return TCommPortDriver::ptSPACE;
    return TCommPortDriver::ptNONE;
}

TCommPortDriver::TStopBits stopBitsOf(const QString& s) {
    if (s == "1.5") return TCommPortDriver::sb1HALFBITS;
    if (s == "2") return TCommPortDriver::sb2BITS;
    return TCommPortDriver::sb1BITS;
}

struct Session {
    const Options& o;
    TCommPortDriver port;
    ExchangeEngine engine{&port};
    StderrStatus status;
    bool portFree = false;

    explicit Session(const Options& opts) : o(opts) {
        port.SetPortName(o.port);
        port.SetBaudRateValue(o.baud);
        port.SetDataBits(static_cast<TCommPortDriver::TDataBits>(o.dataBits - 5));
        port.SetParity(parityOf(o.parity));
        port.SetStopBits(stopBitsOf(o.stopBits));
        port.SetInputTimeout(static_cast<std::uint32_t>(o.timeoutMs));
        port.SetOutputTimeout(1000);
        SetEngine(&engine);
        if (o.link == Options::Link::Udp) {
            engine.SetTransport(TransportKind::Network);
            engine.SetNetworkTarget(o.udpHost, o.udpPort);
        }
        if (o.link == Options::Link::Imitation) {
            engine.SetImitation(true);
            SetImitationType(o.type >= 0 ? o.type : 128);
        }
    }

    // The port check that the window makes with its probe before identifying.
    void probe() {
        if (o.link != Options::Link::Serial) return;
        portFree = port.OpenPort();
        if (!portFree) {
            const QString why = port.LastError();
            printErr(o.port + QStringLiteral(" занят (отсутсвует)") + (why.isEmpty() ? QString() : " (" + why + ")"));
        }
    }

    // The current device: typed address, or identification first.
    bool address(IdentifyResult* out = nullptr) {
        if (o.link == Options::Link::Imitation && o.serial < 0) {
            IdentifyResult r = Identify(engine, {true, false, false}, status);
            if (out) *out = r;
            return r.ok;
        }
        if (o.serial >= 0 && o.type >= 0 && o.command != "identify") {
            SetCurrentDevice(o.serial, o.type);
            if (!ValidNoTu(o.serial, o.type)) {
                status.error(QStringLiteral("номер должен быть от 1 до 65535"));
                return false;
            }
            return true;
        }
        if (o.serial >= 0 && o.type >= 0) SetCurrentDevice(o.serial, o.type);
        probe();
        IdentifyResult r = Identify(engine, {false, portFree, o.link == Options::Link::Udp}, status);
        if (out) *out = r;
        return r.ok;
    }
};

int fail(const Session& s) {
    printErr(s.status.lastError.isEmpty() ? QStringLiteral("НЕТ СВЯЗИ") : s.status.lastError);
    return 1;
}

int runIdentify(Session& s) {
    IdentifyResult r;
    if (!s.address(&r)) return fail(s);
    if (s.o.json) {
        QJsonObject obj{{"type", r.type}, {"model", r.model}, {"serial", r.serial}};
        printOut(QString::fromUtf8(QJsonDocument(obj).toJson(QJsonDocument::Compact)) + "\n");
    } else {
        printOut(QStringLiteral("Прибор: %1\nТип: %2\nНомер: %3\n").arg(r.model).arg(r.type).arg(r.serial));
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments();
    args.removeFirst();
    const auto parsed = cli::ParseCommandLine(args);
    if (!parsed.options) {
        printErr(QStringLiteral("omi-cli: ") + parsed.error);
        printErr(cli::UsageText());
        return 2;
    }
    const Options& o = *parsed.options;
    if (!o.dataDir.isEmpty()) SetDataRoot(o.dataDir);

    Session session(o);
    if (o.command == "identify") return runIdentify(session);
    printErr(QStringLiteral("omi-cli: ") + o.command + QStringLiteral(": not available yet"));
    return 2;
}
