#include "CliOptions.h"

#include "SendCommand.h"
#include "protocol/Frame.h"
#include "protocol/Models.h"
#include "support/HexBytes.h"

#include <QDate>
#include <QRegularExpression>

namespace omi::cli {

namespace {

const QList<OptionInfo> kOptions{
    // Connection.
    {"--port", "DEVICE", "serial port of the device (e.g. /dev/ttyUSB0)"},
    {"--udp", "HOST[:PORT]", "the device behind a network adapter (UDP, port 5001 unless given)"},
    {"--imitation", "", "the built-in imitation of a device, no port needed"},
    {"--baud", "N", "port speed in bit/s (9600)"},
    {"--parity", "none|odd|even|mark|space", "parity (none)"},
    {"--data-bits", "5..8", "data bits (8)"},
    {"--stop-bits", "1|1.5|2", "stop bits (1)"},
    {"--timeout", "MS", "answer timeout in ms (1000)"},
    {"--serial", "N", "address the device with this number instead of identifying it (with --type)"},
    {"--type", "CODE", "device type code of --serial (with imitation: the imitated type)"},
    {"--dial", "NUMBER", "dial the device through the modem on --port"},
    {"--pulse", "", "pulse dialling (tone unless given)"},
    {"--exit-code", "CODE", "code for an outside line, dialled first"},
    {"--long-distance-code", "CODE", "long-distance access code (with --city-code)"},
    {"--city-code", "CODE", "city code of a long-distance call"},
    // Output.
    {"--json", "", "print one JSON document instead of text"},
    {"--precision", "2..9", "decimals of the values (the display format otherwise)"},
    {"--data-dir", "DIR", "the data folder ДАННЫЕ to use"},
    {"--quiet", "", "no progress line on the terminal"},
    // Archives and files.
    {"--from", "YYYY-MM-DD", "first day of the range"},
    {"--to", "YYYY-MM-DD", "last day of the range"},
    {"--all-records", "", "every record the device holds"},
    {"--system", "1|2", "heat system of a two-system device (1)"},
    {"--kind", "KIND", "the archive kind to show (the file's own kind unless given)"},
    {"--save", "FILE", "save the result to FILE"},
    {"--csv", "FILE", "write the table as CSV for a spreadsheet"},
    {"--report", "FILE.pdf", "write the archive report as PDF"},
    {"--yes", "", "confirm a write to the device"},
    // Calibration.
    {"--ref", "S1,R1[,S2,R2] | MA", "reference values (the page's defaults unless given)"},
    {"--channel", "2..5", "one pressure channel"},
    {"--all", "", "every pressure channel of the device in turn"},
    {"--wait", "MS", "how long a temperature point may take"},
    // A request of any command.
    {"--cmd", "N", "command code of the request (0..255)"},
    {"--data", "HEX", "data bytes of the request in hex (e.g. \"01 80\")"},
    {"--table", "FILE", "decode the answer with this description table (ДАННЫЕ/ОТЛАДКА/<type>)"},
    // Collecting into the archive store.
    {"--store", "STORE", "archive store: an SQLite file or postgresql://USER@HOST/DB (ДАННЫЕ/АРХИВЫ/store.sqlite)"},
    {"--since", "YYYY-MM-DD", "collect from this day instead of after the newest stored record"},
    {"--jobs", "N", "lines read at the same time (4)"},
    {"--settings", "FILE", "the settings of an unattended collection (list, store, archives, jobs, timeout)"},
    // The period report of the store.
    {"--pdf", "FILE.pdf", "write the report as PDF"},
    {"--name", "TEXT", "only the meters whose name contains TEXT"},
};

const QStringList kConnection{
    "--port",   "--udp",  "--imitation", "--baud",  "--parity",    "--data-bits",          "--stop-bits", "--timeout",
    "--serial", "--type", "--dial",      "--pulse", "--exit-code", "--long-distance-code", "--city-code"};

// Options that every command takes.
const QStringList kEveryCommand{"--json", "--data-dir", "--quiet"};

const QList<CommandInfo> kCommands{
    {"identify", "", "identify the device on the line: type, model, number", {}, true},
    {"state", "", "read and print the current values", {"--precision"}, true},
    {"config", "", "read and print the configuration; --save: as JSON for write-config", {"--precision", "--save"}, true},
    {"archive",
     "KIND",
     "read an archive of the device; KIND: daily | daily-diff | hourly | hourly-diff",
     {"--precision", "--from", "--to", "--all-records", "--system", "--save", "--csv", "--report", "--store"},
     true},
    {"collect",
     "LIST | --settings FILE",
     "collect the archives of the meters of LIST (CSV) into the archive store",
     {"--store", "--since", "--jobs", "--timeout", "--settings"},
     false},
    {"report",
     "",
     "the period report of the archive store: one row per meter and heat system",
     {"--store", "--from", "--to", "--csv", "--pdf", "--name", "--type", "--serial", "--precision"},
     false},
    {"show-archive",
     "FILE",
     "show a saved archive file (.Arh) of the device type --type",
     {"--type", "--serial", "--precision", "--save", "--csv", "--report"},
     false},
    {"set-clock", "", "set the device clock to the computer's", {"--yes"}, true},
    {"set-number", "N", "give the device the number N (1..65535)", {"--yes"}, true},
    {"init", "", "initialise the device", {"--yes"}, true},
    {"start-worktime", "", "start counting the working time", {"--yes"}, true},
    {"clear-archives", "", "clear the device's archives", {"--yes"}, true},
    {"write-config", "FILE.json", "write a saved configuration to the device", {"--yes"}, true},
    {"changelog", "", "read the change log of the configuration", {"--precision"}, true},
    {"calibrate",
     "lower|upper|pressure",
     "calibrate a temperature point or pressure channels",
     {"--ref", "--channel", "--all", "--wait", "--yes"},
     true},
    {"logger-import",
     "FILE",
     "show an archive brought in the data logger",
     {"--kind", "--precision", "--save", "--csv", "--report"},
     false},
    {"send",
     "",
     "send one request of command N and print the answer and its checks",
     {"--cmd", "--data", "--table"},
     true},
    {"help", "[COMMAND]", "print the usage of a command", {}, false},
};

// Options the command line knows but the program cannot act on yet: refused
// rather than ignored, so that a script never believes it got their effect.
const QStringList kNotYetAvailable{};

// Options that the command parses itself; they go to commandArgs as given.
const QStringList kCommandParsed{"--ref", "--channel", "--all", "--wait"};

const QStringList kKinds{"daily", "daily-diff", "hourly", "hourly-diff"};
const QStringList kWrites{"set-clock",      "set-number",   "init",     "start-worktime",
                          "clear-archives", "write-config", "calibrate"};

bool toInt(const QString& text, int lo, int hi, int& out) {
    bool ok = false;
    const int v = text.toInt(&ok);
    if (!ok || v < lo || v > hi) return false;
    out = v;
    return true;
}

bool takes(const CommandInfo& c, const QString& option) {
    return kEveryCommand.contains(option) || c.options.contains(option) || (c.linked && kConnection.contains(option));
}

// One line of the usage: the name (and its value or arguments) in a column
// of 30, the help after it (on the next line when the name is longer).
QString usageLine(const char* name, const char* value, const char* help) {
    QString left = QStringLiteral("  ") + QString::fromUtf8(name);
    if (*value) left += QLatin1Char(' ') + QString::fromUtf8(value);
    left += left.size() < 30 ? QString(30 - left.size(), QLatin1Char(' '))
                             : QStringLiteral("\n") + QString(30, QLatin1Char(' '));
    return left + QString::fromUtf8(help) + QLatin1Char('\n');
}

QString optionLine(const OptionInfo& o) { return usageLine(o.name, o.value, o.help); }

}  // namespace

const QList<CommandInfo>& CommandInfos() { return kCommands; }

const CommandInfo* FindCommand(const QString& name) {
    for (const CommandInfo& c : kCommands)
        if (name == QLatin1String(c.name)) return &c;
    return nullptr;
}

const OptionInfo* FindOption(const QString& name) {
    for (const OptionInfo& o : kOptions)
        if (name == QLatin1String(o.name)) return &o;
    return nullptr;
}

QStringList ConnectionOptions() { return kConnection; }
QStringList ArchiveKinds() { return kKinds; }

QString UsageText() {
    QString text = QStringLiteral(
        "usage: omi-cli [--port DEVICE | --udp HOST[:PORT] | --imitation] [connection options]\n"
        "               [--json] [--quiet] [--data-dir DIR] COMMAND [ARGUMENTS] [options]\n"
        "       omi-cli COMMAND --help | help COMMAND\n"
        "       omi-cli --help | --version\n"
        "COMMAND:\n");
    for (const CommandInfo& c : kCommands) text += usageLine(c.name, c.arguments, c.summary);
    text += QStringLiteral("connection options:\n");
    for (const QString& name : kConnection)
        if (!kNotYetAvailable.contains(name)) text += optionLine(*FindOption(name));
    text += QStringLiteral("Exit status: 0 done, 1 device or file failure (text on stderr), 2 usage error.\n");
    return text;
}

QString CommandUsageText(const CommandInfo& c) {
    QString text = QStringLiteral("usage: omi-cli ");
    if (c.linked) text += QStringLiteral("[--port DEVICE | --udp HOST[:PORT] | --imitation] ");
    text += c.name;
    if (*c.arguments) text += QLatin1Char(' ') + QString::fromUtf8(c.arguments);
    text += QStringLiteral(" [options]\n") + QString::fromUtf8(c.summary) + QStringLiteral("\noptions:\n");
    for (const QString& name : c.options) text += optionLine(*FindOption(name));
    for (const QString& name : kEveryCommand) text += optionLine(*FindOption(name));
    if (c.linked) {
        text += QStringLiteral("connection options:\n");
        for (const QString& name : kConnection)
            if (!kNotYetAvailable.contains(name)) text += optionLine(*FindOption(name));
    }
    return text;
}

ParseResult ParseCommandLine(const QStringList& args) {
    Options o;
    const CommandInfo* command = nullptr;
    auto fail = [&](const QString& text) {
        return ParseResult{std::nullopt, text, command ? CommandUsageText(*command) : UsageText()};
    };

    // Split the line into options with their values and positional arguments.
    struct Given {
        QString name;
        QString value;
    };
    QList<Given> given;
    QStringList positional;
    bool help = false;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == "--help" || a == "-h") {
            help = true;
        } else if (a == "--version") {
            o.version = true;
            return {o, {}, {}};
        } else if (a.startsWith('-') && a.size() > 1) {
            const OptionInfo* option = FindOption(a);
            if (!option) {
                // Known after the command is: its usage is the helpful one.
                for (int k = i + 1; k < args.size() && !command; ++k) command = FindCommand(args[k]);
                if (!command && !positional.isEmpty()) command = FindCommand(positional.first());
                return fail("unknown option " + a);
            }
            QString value;
            if (*option->value) {
                if (i + 1 >= args.size()) {
                    if (!positional.isEmpty()) command = FindCommand(positional.first());
                    return fail(a + " needs " + QString::fromUtf8(option->value));
                }
                value = args[++i];
            }
            given.append({a, value});
        } else {
            positional << a;
        }
    }
    if (!positional.isEmpty()) command = FindCommand(positional.first());

    // Help asked for: of the command named (omi-cli archive --help, omi-cli
    // help archive) or of the program.
    if (help || (command && QLatin1String(command->name) == QLatin1String("help"))) {
        o.help = true;
        QString asked = command ? QString::fromUtf8(command->name) : QString();
        if (asked == "help") asked = positional.value(1);
        if (!asked.isEmpty() && !FindCommand(asked)) {
            command = nullptr;
            return fail("unknown command " + asked);
        }
        o.command = asked == "help" ? QString() : asked;
        return {o, {}, {}};
    }

    if (positional.isEmpty()) return fail("no command given");
    if (!command) return fail("unknown command " + positional.first());
    o.command = command->name;

    int links = 0;
    for (const Given& g : given) {
        const QString& a = g.name;
        const QString& v = g.value;
        if (!takes(*command, a)) return fail(o.command + ": option " + a + " does not apply");
        if (kNotYetAvailable.contains(a)) return fail(o.command + ": option " + a + " is not available yet");
        if (kCommandParsed.contains(a)) {
            o.commandArgs << a;
            if (FindOption(a)->value[0]) o.commandArgs << v;
            continue;
        }
        if (a == "--port") {
            if (v.isEmpty()) return fail("--port needs a device");
            o.port = v;
            o.link = Options::Link::Serial;
            ++links;
        } else if (a == "--udp") {
            if (v.isEmpty()) return fail("--udp needs HOST[:PORT]");
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
            if (!toInt(v, 1, 4000000, b)) return fail("--baud needs a speed in bit/s");
            o.baud = static_cast<quint32>(b);
        } else if (a == "--parity") {
            if (!QStringList{"none", "odd", "even", "mark", "space"}.contains(v))
                return fail("--parity must be none, odd, even, mark or space");
            o.parity = v;
        } else if (a == "--data-bits") {
            if (!toInt(v, 5, 8, o.dataBits)) return fail("--data-bits must be 5..8");
        } else if (a == "--stop-bits") {
            if (!QStringList{"1", "1.5", "2"}.contains(v)) return fail("--stop-bits must be 1, 1.5 or 2");
            o.stopBits = v;
        } else if (a == "--timeout") {
            if (!toInt(v, 1, 60000, o.timeoutMs)) return fail("--timeout must be 1..60000 ms");
        } else if (a == "--serial") {
            if (!toInt(v, 1, 65535, o.serial)) return fail("--serial must be 1..65535");
        } else if (a == "--type") {
            // A code, or a model name as the meter list takes it.
            if (!toInt(v, 0, 255, o.type) && (o.type = TypeOfModelName(v)) < 0)
                return fail("--type needs a device type code or model name");
        } else if (a == "--dial") {
            o.dial = v;
        } else if (a == "--pulse") {
            o.pulse = true;
        } else if (a == "--exit-code") {
            o.exitCode = v;
        } else if (a == "--long-distance-code") {
            o.longDistanceCode = v;
        } else if (a == "--city-code") {
            o.cityCode = v;
        } else if (a == "--json") {
            o.json = true;
        } else if (a == "--quiet") {
            o.quiet = true;
        } else if (a == "--precision") {
            if (!toInt(v, 2, 9, o.precision)) return fail("--precision must be 2..9");
        } else if (a == "--data-dir") {
            if (v.isEmpty()) return fail("--data-dir needs a folder");
            o.dataDir = v;
        } else if (a == "--from" || a == "--to") {
            if (!QDate::fromString(v, "yyyy-MM-dd").isValid()) return fail(a + " needs a date YYYY-MM-DD");
            (a == "--from" ? o.from : o.to) = v;
        } else if (a == "--all-records") {
            o.allRecords = true;
        } else if (a == "--system") {
            if (!toInt(v, 1, 2, o.system)) return fail("--system must be 1 or 2");
        } else if (a == "--kind") {
            if (!kKinds.contains(v)) return fail("--kind must be " + kKinds.join(" | "));
            o.kind = v;
        } else if (a == "--save") {
            if (v.isEmpty()) return fail("--save needs a file");
            o.save = v;
        } else if (a == "--csv") {
            if (v.isEmpty()) return fail("--csv needs a file");
            o.csv = v;
        } else if (a == "--report") {
            if (v.isEmpty()) return fail("--report needs a file");
            o.report = v;
        } else if (a == "--yes") {
            o.yes = true;
        } else if (a == "--cmd") {
            if (!toInt(v, 0, 255, o.sendCommand)) return fail("--cmd needs a command code 0..255");
        } else if (a == "--data") {
            const auto bytes = ParseHexBytes(v);
            if (!bytes) return fail("--data needs bytes in hex, e.g. \"01 80\"");
            if (bytes->size() > kMaxData) return fail("--data: at most " + QString::number(kMaxData) + " bytes");
            o.sendData = *bytes;
        } else if (a == "--table") {
            if (v.isEmpty()) return fail("--table needs a file");
            o.table = v;
        } else if (a == "--store") {
            if (v.isEmpty()) return fail("--store needs a file or a postgresql:// address");
            o.store = v;
        } else if (a == "--since") {
            if (!QDate::fromString(v, "yyyy-MM-dd").isValid()) return fail("--since needs a date YYYY-MM-DD");
            o.since = v;
        } else if (a == "--jobs") {
            if (!toInt(v, 1, 256, o.jobs)) return fail("--jobs must be 1..256");
        } else if (a == "--settings") {
            if (v.isEmpty()) return fail("--settings needs a file");
            o.settings = v;
        } else if (a == "--pdf") {
            if (v.isEmpty()) return fail("--pdf needs a file");
            o.pdf = v;
        } else if (a == "--name") {
            o.name = v;
        }
    }
    if (links > 1) return fail("choose one of --port, --udp and --imitation");
    if (!o.dial.isEmpty() && o.link != Options::Link::Serial) return fail("--dial needs --port of the modem");
    if (o.dial.isEmpty() && (o.pulse || !o.exitCode.isEmpty() || !o.longDistanceCode.isEmpty() || !o.cityCode.isEmpty()))
        return fail("--pulse, --exit-code, --long-distance-code and --city-code go with --dial");
    {
        static const QRegularExpression dialable(QStringLiteral("^[0-9*#,W]*$"));
        for (const QString& part : {o.dial, o.exitCode, o.longDistanceCode, o.cityCode})
            if (!dialable.match(part).hasMatch()) return fail("a number to dial has digits, *, #, W and commas only: " + part);
    }

    positional.removeFirst();
    // The positional arguments lead, the options the command parses follow.
    o.commandArgs = positional + o.commandArgs;
    auto wantArgs = [&](int n) { return positional.size() == n; };
    if (o.command == "archive") {
        if (!wantArgs(1) || !kKinds.contains(positional[0])) return fail("archive needs KIND: " + kKinds.join(" | "));
        o.kind = positional[0];
    } else if (o.command == "show-archive") {
        if (!wantArgs(1)) return fail("show-archive needs FILE");
        if (o.type < 0) return fail("show-archive needs --type CODE");
        o.file = positional[0];
    } else if (o.command == "collect") {
        // An unattended run names its list in the settings file.
        if (!o.settings.isEmpty()) {
            if (!wantArgs(0)) return fail("collect --settings FILE takes no LIST: the settings name it");
        } else {
            if (!wantArgs(1)) return fail("collect needs LIST, the meter list file");
            o.file = positional[0];
        }
    } else if (o.command == "report") {
        if (!wantArgs(0)) return fail("unexpected argument " + positional[0]);
        if (o.store.isEmpty()) return fail("report needs --store STORE");
        if (o.from.isEmpty() || o.to.isEmpty()) return fail("report needs --from and --to");
        return {o, {}, {}};
    } else if (o.command == "logger-import" || o.command == "write-config") {
        if (!wantArgs(1)) return fail(o.command + " needs FILE");
        o.file = positional[0];
    } else if (o.command == "set-number") {
        if (!wantArgs(1) || !toInt(positional[0], 1, 65535, o.number)) return fail("set-number needs N (1..65535)");
    } else if (o.command == "calibrate") {
        if (!wantArgs(1)) return fail("calibrate needs lower, upper or pressure");
    } else if (!wantArgs(0)) {
        return fail("unexpected argument " + positional[0]);
    }
    if (o.command == "send" && o.sendCommand < 0) return fail("send needs --cmd N (0..255)");
    if (kWrites.contains(o.command) && !o.yes) return fail(o.command + " writes to the device: confirm with --yes");
    if (o.serial >= 0 && o.type < 0 && o.link != Options::Link::Imitation)
        return fail("--serial needs --type CODE");
    // An archive from the store: the device is named, not asked.
    if (o.command == "archive" && !o.store.isEmpty()) {
        if (o.link != Options::Link::None || !o.dial.isEmpty())
            return fail("archive --store reads the store, not a device: leave out --port, --udp and --imitation");
        if (o.serial < 0 || o.type < 0) return fail("archive --store needs --serial N and --type CODE");
        return {o, {}, {}};
    }
    if (command->linked && o.link == Options::Link::None)
        return fail("choose a connection: --port DEVICE, --udp HOST[:PORT] or --imitation");
    return {o, {}, {}};
}

}  // namespace omi::cli
