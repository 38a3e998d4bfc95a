#include "CliOptions.h"

#include <QDate>

namespace omi::cli {

namespace {

const QStringList kCommands{"identify", "state", "config", "archive", "show-archive", "set-clock",
                            "set-number", "init", "start-worktime", "clear-archives", "changelog",
                            "logger-import", "calibrate", "write-config"};
const QStringList kKinds{"daily", "daily-diff", "hourly", "hourly-diff"};
const QStringList kWrites{"set-clock", "set-number", "init", "start-worktime", "clear-archives", "calibrate",
                          "write-config"};

bool toInt(const QString& text, int lo, int hi, int& out) {
    bool ok = false;
    const int v = text.toInt(&ok);
    if (!ok || v < lo || v > hi) return false;
    out = v;
    return true;
}

}  // namespace

QString UsageText() {
    return QStringLiteral(
        "usage: omi-cli [--port DEVICE | --udp HOST[:PORT] | --imitation] [--baud N]\n"
        "               [--parity none|odd|even|mark|space] [--data-bits 5..8] [--stop-bits 1|1.5|2]\n"
        "               [--timeout MS] [--serial N --type CODE] [--json] [--precision N]\n"
        "               [--data-dir DIR] COMMAND ...\n"
        "COMMAND: identify | state | config\n"
        "         | archive KIND [--from YYYY-MM-DD] [--to YYYY-MM-DD] [--all-records] [--system 1|2] [--save FILE]\n"
        "                   [--csv FILE] [--report FILE.pdf]\n"
        "         | show-archive FILE --type CODE [--csv FILE] [--report FILE.pdf] | set-clock --yes | set-number N --yes | init --yes\n"
        "         | start-worktime --yes | clear-archives --yes | changelog | logger-import FILE\n"
        "         | calibrate lower|upper [--ref S1,R1[,S2,R2]] [--wait MS] --yes\n"
        "         | calibrate pressure (--channel 2..5 | --all) [--ref MA] --yes\n"
        "KIND: daily | daily-diff | hourly | hourly-diff\n"
        "       omi-cli --help | --version\n");
}

ParseResult ParseCommandLine(const QStringList& args) {
    Options o;
    auto fail = [](const QString& text) { return ParseResult{std::nullopt, text}; };
    // Help and version win over everything else on the line, so that
    // "omi-cli archive --help" answers instead of complaining.
    for (const QString& a : args) {
        if (a == "--help" || a == "-h") {
            o.help = true;
            return {o, {}};
        }
        if (a == "--version") {
            o.version = true;
            return {o, {}};
        }
    }
    QStringList positional;
    int links = 0;
    for (int i = 0; i < args.size(); ++i) {
        const QString a = args[i];
        auto value = [&](QString& out) {
            if (i + 1 >= args.size()) return false;
            out = args[++i];
            return true;
        };
        QString v;
        if (a == "--port") {
            if (!value(o.port) || o.port.isEmpty()) return fail("--port needs a device");
            o.link = Options::Link::Serial;
            ++links;
        } else if (a == "--udp") {
            if (!value(v) || v.isEmpty()) return fail("--udp needs HOST[:PORT]");
            const int colon = v.lastIndexOf(':');
            if (colon > 0 && !v.contains("]") && v.count(':') == 1) {
                int port = 0;
                if (!toInt(v.mid(colon + 1), 1, 65535, port)) return fail("--udp: bad port in " + v);
                o.udpPort = static_cast<quint16>(port);
                o.udpHost = v.left(colon);
            } else {
                o.udpHost = v;
            }
            o.link = Options::Link::Udp;
            ++links;
        } else if (a == "--imitation") {
            o.link = Options::Link::Imitation;
            ++links;
        } else if (a == "--baud") {
            int b = 0;
            if (!value(v) || !toInt(v, 1, 4000000, b)) return fail("--baud needs a speed in bit/s");
            o.baud = static_cast<quint32>(b);
        } else if (a == "--parity") {
            if (!value(o.parity) || !QStringList{"none", "odd", "even", "mark", "space"}.contains(o.parity))
                return fail("--parity must be none, odd, even, mark or space");
        } else if (a == "--data-bits") {
            if (!value(v) || !toInt(v, 5, 8, o.dataBits)) return fail("--data-bits must be 5..8");
        } else if (a == "--stop-bits") {
            if (!value(o.stopBits) || !QStringList{"1", "1.5", "2"}.contains(o.stopBits))
                return fail("--stop-bits must be 1, 1.5 or 2");
        } else if (a == "--timeout") {
            if (!value(v) || !toInt(v, 1, 60000, o.timeoutMs)) return fail("--timeout must be 1..60000 ms");
        } else if (a == "--serial") {
            if (!value(v) || !toInt(v, 1, 65535, o.serial)) return fail("--serial must be 1..65535");
        } else if (a == "--type") {
            if (!value(v) || !toInt(v, 0, 255, o.type)) return fail("--type needs a device type code");
        } else if (a == "--json") {
            o.json = true;
        } else if (a == "--precision") {
            if (!value(v) || !toInt(v, 2, 9, o.precision)) return fail("--precision must be 2..9");
        } else if (a == "--data-dir") {
            if (!value(o.dataDir) || o.dataDir.isEmpty()) return fail("--data-dir needs a folder");
        } else if (a == "--from" || a == "--to") {
            if (!value(v) || !QDate::fromString(v, "yyyy-MM-dd").isValid())
                return fail(a + " needs a date YYYY-MM-DD");
            (a == "--from" ? o.from : o.to) = v;
        } else if (a == "--all-records") {
            o.allRecords = true;
        } else if (a == "--kind") {
            if (!value(o.kind) || !kKinds.contains(o.kind)) return fail("--kind must be " + kKinds.join(" | "));
        } else if (a == "--system") {
            if (!value(v) || !toInt(v, 1, 2, o.system)) return fail("--system must be 1 or 2");
        } else if (a == "--save") {
            if (!value(o.save) || o.save.isEmpty()) return fail("--save needs a file");
        } else if (a == "--csv") {
            if (!value(o.csv) || o.csv.isEmpty()) return fail("--csv needs a file");
        } else if (a == "--report") {
            if (!value(o.report) || o.report.isEmpty()) return fail("--report needs a file");
        } else if (a == "--yes") {
            o.yes = true;
        } else if (a == "--ref" || a == "--channel" || a == "--wait" || a == "--all") {
            // calibrate's own options: left for the command (CalibrateCommand.cpp)
            positional << a;
            if (a != "--all" && i + 1 < args.size()) positional << args[++i];
        } else if (a.startsWith("--")) {
            return fail("unknown option " + a);
        } else {
            positional << a;
        }
    }
    if (links > 1) return fail("choose one of --port, --udp and --imitation");
    if (positional.isEmpty()) return fail("no command given");
    o.command = positional.takeFirst();
    if (!kCommands.contains(o.command)) return fail("unknown command " + o.command);
    o.commandArgs = positional;

    auto wantArgs = [&](int n) { return positional.size() == n; };
    if (o.command == "archive") {
        if (!wantArgs(1) || !kKinds.contains(positional[0])) return fail("archive needs KIND: " + kKinds.join(" | "));
        o.kind = positional[0];
    } else if (o.command == "show-archive") {
        if (!wantArgs(1)) return fail("show-archive needs FILE");
        if (o.type < 0) return fail("show-archive needs --type CODE");
        o.file = positional[0];
    } else if (o.command == "logger-import" || o.command == "write-config") {
        if (!wantArgs(1)) return fail(o.command + " needs FILE");
        o.file = positional[0];
    } else if (o.command == "set-number") {
        if (!wantArgs(1) || !toInt(positional[0], 1, 65535, o.number)) return fail("set-number needs N (1..65535)");
    } else if (o.command == "calibrate") {
        // its arguments are checked by the command
    } else if (!wantArgs(0)) {
        return fail("unexpected argument " + positional[0]);
    }
    if (kWrites.contains(o.command) && !o.yes) return fail(o.command + " writes to the device: confirm with --yes");
    if (o.serial >= 0 && o.type < 0 && o.link != Options::Link::Imitation)
        return fail("--serial needs --type CODE");
    if (o.link == Options::Link::None && o.command != "show-archive" && o.command != "logger-import")
        return fail("choose a connection: --port DEVICE, --udp HOST[:PORT] or --imitation");
    return {o, {}};
}

}  // namespace omi::cli
