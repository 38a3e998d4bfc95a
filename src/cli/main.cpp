// omi-cli: the core's operations for scripts and batch collection.
// Exit status: 0 success, 1 device or file failure (the status text on
// stderr), 2 usage error.

#include <QCoreApplication>

#include "CliOptions.h"
#include "archives/ArchiveCsv.h"
#include "archives/ArchiveFamily.h"
#include "archives/ArchiveFile.h"
#include "archives/ArchiveKinds.h"
#include "archives/ArchiveRange.h"
#include "archives/ArchiveReader.h"
#include "archives/ArchiveView.h"
#include "CalibrateCommand.h"
#include "CollectCommand.h"
#include "CollectSettings.h"
#include "StoreReportCommand.h"
#include "SendCommand.h"
#include "SerialSetup.h"
#include "WriteCommands.h"
#include "connection/Connection.h"
#include "families/DeviceFamily.h"
#include "logger/LoggerFile.h"
#include "families/Imitation.h"
#include "families/RandNorm.h"
#include "protocol/Exchange.h"
#include "protocol/Frame.h"
#include "protocol/Identify.h"
#include "protocol/Models.h"
#include "transport/Modem.h"
#include "reports/ReportItems.h"
#include "reports/ReportLayout.h"
#include "reports/ReportTemplates.h"
#include "service/DeviceReading.h"
#include "store/ArchiveStore.h"
#include "support/Dates.h"
#include "support/Format.h"
#include "support/Paths.h"
#include "support/Status.h"
#include "transport/CommPortDriver.h"
#ifdef OMI_CLI_REPORT
#include "ReportModule.h"
#include "support/Modules.h"
#endif
#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTextStream>
#include <cstdio>
#include <functional>
#include <limits>
#include <memory>
#include <string_view>
#include <utility>

using namespace omi;
using omi::cli::Options;
using omi::cli::CollectArgs;
using omi::cli::RunCollect;

namespace {

// Whether anything went to stdout: a failure under --json prints its own
// document only when the command printed none.
bool g_printedOut = false;
QString g_lastError;
// The device the command addressed last, for the failure document of --json.
DeviceAddress g_lastDevice;

void printOut(const QString& text) {
    g_printedOut = true;
    const QByteArray utf8 = text.toUtf8();
    std::fwrite(utf8.constData(), 1, static_cast<size_t>(utf8.size()), stdout);
    std::fflush(stdout);
}

// A text of the core may still name the window's handler it comes from
// ("TFomi.AreadstateExecute: ..."); the user gets the text without it.
QString userText(QString text) {
    // Most texts name none: they skip the expression (compiling it is a
    // measurable part of a short command's run).
    if (!text.contains(QLatin1String("TFomi."))) return text.trimmed();
    static const QRegularExpression internalName(QStringLiteral("\\s*TFomi\\.\\w+\\s*:?\\s*"));
    text.replace(internalName, QStringLiteral(" "));
    return text.trimmed();
}

// The progress line is drawn on stderr; a message that comes while it shows
// clears it first.
bool g_progressShown = false;

void clearProgress() {
    if (!g_progressShown) return;
    std::fputs("\r\033[K", stderr);
    g_progressShown = false;
}

void printErr(const QString& text) {
    clearProgress();
    g_lastError = userText(text);
    const QByteArray utf8 = (g_lastError + QLatin1Char('\n')).toUtf8();
    std::fwrite(utf8.constData(), 1, static_cast<size_t>(utf8.size()), stderr);
    std::fflush(stderr);
}

// The device in the user's words: its model name, or "этот прибор" for a
// type the program does not know.
QString deviceName(int type) {
    const QString model = ModelName(type);
    return model.isEmpty() || model == kTypeMismatch ? QStringLiteral("этого прибора") : model;
}

// Errors go to stderr on a line of their own; the last error is the exit text.
// While a long operation runs and stderr is a terminal, one line on stderr
// shows how far it got, updated in place: records read of planned, the date
// reached and the time left.
class StderrStatus : public StatusSink {
public:
    QString lastError;
    bool progressLine = false;  // stderr is a terminal and --quiet is not given
    QDate reached;              // the date of the last record read, if any
    void show(StatusStyle style, const QString& shown) override {
        if (style == StatusStyle::Error) lastError = shown;
    }
    // The core counts the records left to read (the window's bar runs down).
    void progress(int left, int maximum) override {
        if (!progressLine) return;
        if (maximum <= 0) {
            clearProgress();
            return;
        }
        const int done = maximum - left;
        // The time left is reckoned from the pace since the first record was asked for.
        if (done <= 0 || !clock_.isValid()) {
            clock_.start();
            return;
        }
        // At most five updates a second.
        if (drawn_.isValid() && drawn_.elapsed() < 200) return;
        drawn_.start();
        QString line = QStringLiteral("прочитано %1 из %2").arg(done).arg(maximum);
        if (reached.isValid()) line += QStringLiteral(", дата ") + ShortDateText(reached);
        const qint64 seconds = (clock_.elapsed() * (maximum - done) / done + 999) / 1000;
        line += QStringLiteral(", осталось %1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
        const QByteArray bytes = ("\r" + line + "\033[K").toUtf8();
        std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stderr);
        std::fflush(stderr);
        g_progressShown = true;
    }

private:
    QElapsedTimer clock_;
    QElapsedTimer drawn_;
};

struct Session {
    const Options& o;
    Connection line;
    TCommPortDriver& port = line.Port();
    ExchangeEngine& engine = line.Engine();
    StderrStatus status;
    bool portFree = false;

    explicit Session(const Options& opts) : o(opts) {
        // Any long operation of the core (archives now; collecting, calibration
        // and the change log as they come) draws the progress line.
        status.progressLine = !o.quiet && isatty(fileno(stderr));
        cli::ConfigureSerialPort(port, {o.port, o.baud, o.dataBits, o.parity.front(), o.stopBits, o.timeoutMs});
        status.SetDevice(&line.Address());
        if (o.link == Options::Link::Udp) {
            engine.SetTransport(TransportKind::Network);
            engine.SetNetworkTarget(o.udpHost, o.udpPort);
            // --timeout is the wait of an attempt, also below a second.
            engine.SetNetworkShortestWait(o.timeoutMs);
        }
        if (o.link == Options::Link::Imitation) {
            engine.SetImitation(true);
            InstallImitation(engine);
            ReseedImitation();
            line.SetImitationType(o.type >= 0 ? o.type : 128);
        }
    }

    // --dial: the modem on the port calls the device's modem first; the
    // session then runs over the connection and hangs up at its end,
    // whatever happened.
    bool dialled = false;
    bool dialUp() {
        if (o.dial.isEmpty()) return true;
        ModemConnection c;
        c.telephone = o.dial;
        c.tone = !o.pulse;
        c.exitCode = o.exitCode;
        c.longDistanceCode = o.longDistanceCode;
        c.cityCode = o.cityCode;
        QString text;
        status.busy(QStringLiteral("Вызываю... ") + o.dial);
        if (!DialModem(port, c, kDialTimeoutMs, &text)) {
            printErr(text);
            return false;
        }
        dialled = true;
        status.ok(text);
        return true;
    }
    ~Session() {
        if (dialled) HangUpModem(port);
        g_lastDevice = line.Address();
    }
    static constexpr int kDialTimeoutMs = 60000;

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
            IdentifyResult r = Identify(line, {true, false, false}, status);
            if (out) *out = r;
            return r.ok;
        }
        if (o.serial >= 0 && o.type >= 0 && o.command != "identify") {
            line.SetDevice(o.serial, o.type);
            if (!ValidNoTu(o.serial, o.type)) {
                status.error(QStringLiteral("номер должен быть от 1 до 65535"));
                return false;
            }
            return true;
        }
        if (o.serial >= 0 && o.type >= 0) line.SetDevice(o.serial, o.type);
        probe();
        IdentifyResult r = Identify(line, {false, portFree, o.link == Options::Link::Udp}, status);
        if (out) *out = r;
        return r.ok;
    }
};

int fail(const Session& s) {
    printErr(s.status.lastError.isEmpty() ? QStringLiteral("НЕТ СВЯЗИ") : s.status.lastError);
    return 1;
}

// A read that failed: its own message when it has one (the device type
// cannot be read so), else the status text of the exchange.
int failRead(const Session& s, const ReadResult& r) {
    if (!r.message.isEmpty() && s.status.lastError.isEmpty()) {
        printErr(r.message);
        return 1;
    }
    if (!r.message.isEmpty()) printErr(r.message);
    return fail(s);
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

void printJson(const QJsonObject& obj) {
    printOut(QString::fromUtf8(QJsonDocument(obj).toJson(QJsonDocument::Compact)) + "\n");
}

// The head every device answer starts with.
QJsonObject deviceHead(const Connection& line) {
    return QJsonObject{{"type", line.Type()}, {"model", ModelName(line.Type())}, {"serial", line.Serial()}};
}

// Heat systems the device shows: two for the two-system types.
int systemsShown(int type) { return std::max(1, HeatSystemsOf(type)); }

// Column width for aligned text: characters, not bytes.
QString padRight(const QString& text, int width) { return text + QString(std::max(0, width - int(text.size())), ' '); }

int runState(Session& s) {
    if (!s.address()) return fail(s);
    const int type = s.line.Type();
    const ReadResult r = ReadState(s.line, s.status);
    if (!r.ok()) return failRead(s, r);
    const StateLayoutTable* table = StateTableOf(type);
    QJsonObject obj = deviceHead(s.line);
    QJsonArray systems;
    QString text = QStringLiteral("%1 № %2\n").arg(ModelName(type)).arg(s.line.Serial());
    for (int sys = 0; sys < systemsShown(type); ++sys) {
        const QStringList values = StateValueTexts(s.line, sys);
        // The ЛОРС shows only the lines of its configured channels.
        std::vector<bool> shown(size_t(values.size()), true);
        if (const DeviceFamily* family = FamilyFor(type); family && family->shownStateLines)
            shown = family->shownStateLines(s.line.Records());
        QJsonArray lines;
        int width = 0;
        for (qsizetype k = 0; k < values.size(); ++k) {
            const QString label = table && k < qsizetype(table->lines.size())
                                      ? QString::fromUtf8(table->lines[size_t(k)].label)
                                      : QString();
            width = std::max(width, int(label.size()));
        }
        text += QStringLiteral("%1-я Система\n").arg(sys + 1);
        for (qsizetype k = 0; k < values.size(); ++k) {
            if (size_t(k) < shown.size() && !shown[size_t(k)]) continue;
            const QString label = table && k < qsizetype(table->lines.size())
                                      ? QString::fromUtf8(table->lines[size_t(k)].label)
                                      : QString();
            lines.append(QJsonObject{{"label", label}, {"text", values[k]}});
            text += "  " + padRight(label, width) + "  " + values[k] + "\n";
        }
        systems.append(QJsonObject{{"system", sys + 1}, {"lines", lines}});
    }
    obj.insert("systems", systems);
    if (s.o.json)
        printJson(obj);
    else
        printOut(text);
    return 0;
}

// Names of the configuration lines of the family 234/235 for the text output.
const QStringList kConfigNames234{"вес импульса 1",
                                  "вес импульса 2",
                                  "вес импульса 3",
                                  "тип системы",
                                  "t°C ХВС первая",
                                  "t°C ХВС вторая",
                                  "начало 2-й t°C, день",
                                  "начало 2-й t°C, месяц",
                                  "конец 2-й t°C, день",
                                  "конец 2-й t°C, месяц",
                                  "min расход",
                                  "max расход",
                                  "договорные (флаги)",
                                  "договорное Tп",
                                  "договорное Tо",
                                  "договорное Tх",
                                  "договорное Pп",
                                  "договорное Pо",
                                  "договорное Pх",
                                  "отчетный день",
                                  "призн. суммирования с ош.",
                                  "призн. использования 2-й t°C"};

int runConfig(Session& s) {
    if (!s.address()) return fail(s);
    const int type = s.line.Type();
    const ReadResult r = ReadConfig(s.line, s.status);
    if (!r.ok()) return failRead(s, r);
    const QStringList all = ConfigValueTexts(s.line);
    // Families with a configuration record per heat system list both.
    const bool paired = FamilyFor(type) && FamilyFor(type)->configPerSystem;
    const int perSystem = paired ? int(all.size()) / 2 : int(all.size());
    QJsonObject obj = deviceHead(s.line);
    QJsonArray systems;
    QString text = QStringLiteral("%1 № %2\n").arg(ModelName(type)).arg(s.line.Serial());
    for (int sys = 0; sys < systemsShown(type); ++sys) {
        const QStringList values = all.mid(sys * perSystem, perSystem);
        text += QStringLiteral("%1-я Система\n").arg(sys + 1);
        const bool named = values.size() == kConfigNames234.size();
        int width = 0;
        for (const QString& n : kConfigNames234) width = std::max(width, int(n.size()));
        for (qsizetype k = 0; k < values.size(); ++k)
            text +=
                "  " + padRight(named ? kConfigNames234[k] : QString::number(k + 1), width) + "  " + values[k] + "\n";
        systems.append(QJsonObject{{"system", sys + 1}, {"lines", QJsonArray::fromStringList(values)}});
    }
    obj.insert("systems", systems);
    if (!s.o.save.isEmpty()) {
        QString error;
        if (!cli::SaveConfigFile(s.line, s.o.save, &error)) {
            printErr(error);
            return 1;
        }
    }
    if (s.o.json)
        printJson(obj);
    else
        printOut(text);
    return 0;
}

// ---- archives ----

// The access level of the command-line program: the operator's (1), so the
// tables are those the archive grid shows to the operator.
constexpr int kCliAccessLevel = 1;

const QStringList kKindNames{"daily", "daily-diff", "hourly", "hourly-diff"};

QJsonArray jsonRow(const QStringList& cells) { return QJsonArray::fromStringList(cells); }

// The table as aligned text: header rows, rows, the totals row, then the summary.
QString alignedTable(const Grid& rows, const QString& summary) {
    std::vector<int> width;
    for (const QStringList& r : rows)
        for (qsizetype c = 0; c < r.size(); ++c) {
            if (size_t(c) >= width.size()) width.resize(size_t(c) + 1, 0);
            width[size_t(c)] = std::max(width[size_t(c)], int(r[c].size()));
        }
    QString text;
    for (const QStringList& r : rows) {
        QString line;
        for (qsizetype c = 0; c < r.size(); ++c) line += padRight(r[c], width[size_t(c)]) + "  ";
        while (line.endsWith(' ')) line.chop(1);
        text += line + "\n";
    }
    return text + summary + "\n";
}

struct ShownTable {
    Grid header;
    Grid rows;
    QStringList totals;  // empty: none
    bool hasTotals = false;
};

ShownTable splitTable(const Grid& grid, bool hasData, bool hasTotals) {
    ShownTable t;
    t.header = grid.mid(0, kArchiveHeaderRows);
    if (!hasData) return t;
    t.rows = grid.mid(kArchiveHeaderRows);
    if (hasTotals && !t.rows.isEmpty()) {
        t.totals = t.rows.takeLast();
        t.hasTotals = true;
    }
    return t;
}

void printArchive(const Options& o, QJsonObject head, const ShownTable& t, const QString& summary) {
    if (o.json) {
        QJsonArray header, rows;
        for (const auto& r : t.header) header.append(jsonRow(r));
        for (const auto& r : t.rows) rows.append(jsonRow(r));
        head.insert("header", header);
        head.insert("rows", rows);
        head.insert("totals", t.hasTotals ? QJsonValue(jsonRow(t.totals)) : QJsonValue(QJsonValue::Null));
        head.insert("summary", summary);
        printJson(head);
        return;
    }
    Grid all = t.header + t.rows;
    if (t.hasTotals) all.append(t.totals);
    printOut(alignedTable(all, summary));
}

// Writes the archive file and the text copy of the grid; false with the
// message on stderr when either cannot be written.
bool saveArchive(const ArchiveFamily& family, const QString& path, const ArchiveList& entries, int system,
                 const Grid& grid) {
    const QString absolute = QFileInfo(path).absoluteFilePath();
    if (!QDir().mkpath(QFileInfo(absolute).absolutePath())) {
        printErr(QStringLiteral("НЕ МОГУ СОЗДАТЬ ДИР"));
        return false;
    }
    const QString error = SaveArchiveWithTextCopy(family, absolute, entries, system, grid);
    if (!error.isEmpty()) {
        printErr(error);
        return false;
    }
    return true;
}

// Writes the shown table (header rows, rows, totals) as CSV for a
// spreadsheet; false with the message on stderr when it cannot be written.
bool exportCsv(const QString& path, const ShownTable& t) {
    Grid all = t.header + t.rows;
    if (t.hasTotals) all.append(t.totals);
    const QString absolute = QFileInfo(path).absoluteFilePath();
    const QString error = WriteArchiveCsv(absolute, all);
    if (!error.isEmpty()) {
        printErr(error);
        return false;
    }
    return true;
}

// Writes the archive report as a PDF file with the templates of the print
// folder (a family's standard templates where its files are missing); false
// with the message on stderr when it cannot be written.
// make gives the report and its title for the template family.
using ReportMaker = std::function<std::pair<ReportInput, QString>(const QString& family)>;
bool writeReport(const Options& o, int type, const ReportMaker& make) {
#ifdef OMI_CLI_REPORT
    const QString family = TemplateFamily(type);
    if (family.isEmpty()) {
        printErr(QStringLiteral("для ") + deviceName(type) + QStringLiteral(" нет шаблонов отчета"));
        return false;
    }
    // The renderer and Qt GUI are a module: loaded by a command with --report only.
    QString error;
    auto* write = ModuleFunctionAs<WriteReportPdfFn>(kReportModule, kWriteReportPdfFunction, &error);
    if (!write) {
        printErr(error);
        return false;
    }
    const auto [input, title] = make(family);
    error = write(QFileInfo(o.report).absoluteFilePath(), input, title);
    if (!error.isEmpty()) {
        printErr(error);
        return false;
    }
    return true;
#else
    Q_UNUSED(type);
    Q_UNUSED(make);
    printErr(QStringLiteral("omi-cli: --report needs the build with Qt GUI: ") + o.report);
    return false;
#endif
}

// The tab of an archive kind and heat system of a device type; the message
// and exit status when there is none.
struct TabChoice {
    const ArchiveFamily* family = nullptr;
    int tabIndex = -1;
    int exit = 0;
};
TabChoice chooseTab(int type, int kind, int system) {
    TabChoice c;
    c.family = ArchiveFamilyOf(type);
    const QList<ArchiveTab> tabs = ArchiveTabs(type);
    for (qsizetype i = 0; i < tabs.size(); ++i)
        if (tabs[i].kind == kind && tabs[i].system == system - 1) c.tabIndex = int(i);
    if (!c.family || tabs.isEmpty()) {
        printErr(QStringLiteral("у ") + deviceName(type) + QStringLiteral(" нет архивов"));
        c.exit = 1;
    } else if (c.tabIndex < 0) {
        printErr(QStringLiteral("у прибора %1 нет %2-й системы").arg(ModelName(type)).arg(system));
        c.exit = 2;
    }
    return c;
}

// KIND and the --from/--to dates; false (exit 2) with the message printed.
bool archiveArguments(const Options& o, int& kind, QDate& from, QDate& to) {
    kind = int(kKindNames.indexOf(o.kind));
    if (kind < 0) {
        printErr(QStringLiteral("omi-cli: KIND must be daily, daily-diff, hourly or hourly-diff"));
        return false;
    }
    if (!o.from.isEmpty()) from = QDate::fromString(o.from, Qt::ISODate);
    if (!o.to.isEmpty()) to = QDate::fromString(o.to, Qt::ISODate);
    if ((!o.from.isEmpty() && !from.isValid()) || (!o.to.isEmpty() && !to.isValid())) {
        printErr(QStringLiteral("omi-cli: --from and --to take dates as YYYY-MM-DD"));
        return false;
    }
    return true;
}

// The range controls as the window has them: "весь архив" at start, then
// "все записи", or the date pickers edited. False with the message printed.
bool applyRange(const Options& o, int type, int kind, const QDate& from, const QDate& to, ArchiveReadingState& state) {
    const QDate today = QDate::currentDate();
    RangeChoice whole = RangePreset(kWholeArchivePreset, today, type, kind, today);
    if (!whole.statusError.isEmpty()) {
        printErr(whole.statusError);
        return false;
    }
    state.ApplyPreset(whole);
    if (o.allRecords) {
        state.ApplyPreset(RangePreset(kAllRecordsPreset, today, type, kind, state.first));
    } else if (from.isValid() || to.isValid()) {
        state.DatesEdited();
        state.SetDates(from.isValid() ? from : state.first, to.isValid() ? to : state.last);
    }
    return true;
}

// What a read (from the device or the store) shows: the table on stdout,
// then the archive file, the CSV and the report asked for. The exit status
// of the output: 0, or 1 when a file could not be written.
int showArchive(const Options& o, int type, int serial, int kind, const TabChoice& tab, const ArchiveList& daily,
                const ArchiveList& hourly, const ViewRange& range, bool empty, const QJsonObject& head,
                const QString& summary) {
    const ArchiveTabView shown =
        ShowArchiveTab(type, tab.tabIndex, daily, hourly, range, DisplayFormat(), kCliAccessLevel);
    if (!shown.error.isEmpty()) {
        printErr(shown.error);
        return 1;
    }
    const ShownTable t = splitTable(shown.table.rows, shown.table.hasData && !empty, shown.table.hasTotals);
    printArchive(o, head, t, summary);
    if (!o.save.isEmpty() && !saveArchive(*tab.family, o.save, shown.view.entries, shown.tab.system, shown.table.rows))
        return 1;
    if (!o.csv.isEmpty() && !exportCsv(o.csv, t)) return 1;
    if (!o.report.isEmpty()) {
        const bool hourlyKind = IsHourlyKind(kind);
        const bool written = writeReport(o, type, [&](const QString& family) {
            TemplateSet templates = StandardTemplateSet(family, hourlyKind);
            LoadTemplateSet(PrintFolder(), family, hourlyKind, templates);
            ArchiveTabView view = shown;
            if (empty) view.view.entries.clear();
            return std::pair{MakeReportInput(type, serial, view, range, templates, QDate::currentDate()),
                             ArchiveKindName(kind)};
        });
        if (!written) return 1;
    }
    return 0;
}

int runArchive(Session& s) {
    const Options& o = s.o;
    int kind = -1;
    QDate from, to;
    if (!archiveArguments(o, kind, from, to)) return 2;
    if (!s.address()) return fail(s);
    const int type = s.line.Type();
    const TabChoice tab = chooseTab(type, kind, o.system);
    if (tab.exit) return tab.exit;
    const ArchiveFamily* family = tab.family;

    ArchiveReadingState& state = s.line.ArchiveReading();
    if (!applyRange(o, type, kind, from, to, state)) return 1;

    ArchiveList daily, hourly;
    ArchiveReadContext context;
    context.line = &s.line;
    context.status = &s.status;
    context.accessLevel = kCliAccessLevel;
    context.logFolder = QDir::currentPath();
    context.now = QDateTime::currentDateTime();
    context.onEntry = [&s, family](const ArchiveEntry& entry) {
        if (!entry.empty()) s.status.reached = DateOfDayNumber(entry.front().Int(family->layout->dayOffset));
    };
    const ArchiveReadResult result = StartArchiveRead(type, kind, state, daily, hourly, context);
    clearProgress();
    if (result.outcome == ArchiveReadOutcome::NoProcedure) {
        printErr(QStringLiteral("у ") + deviceName(type) + QStringLiteral(" нет архивов"));
        return 1;
    }
    const ArchiveList& read = IsHourlyKind(kind) ? hourly : daily;
    const bool failed =
        result.outcome == ArchiveReadOutcome::NoLink || result.outcome == ArchiveReadOutcome::Interrupted;
    if (failed && read.empty()) return fail(s);
    // Nothing read, but records came and failed their checks: the line
    // spoils them, the archive is not empty.
    if (result.outcome == ArchiveReadOutcome::Empty && result.refused > 0) {
        printErr(QStringLiteral("архив есть, но устройство его не отдает"));
        return 1;
    }

    const bool empty = result.outcome == ArchiveReadOutcome::Empty;
    QJsonObject head{{"type", type}, {"serial", s.line.Serial()}, {"kind", o.kind}, {"system", o.system}};
    // A read cut short still shows its rows; the document says why it failed.
    if (result.outcome == ArchiveReadOutcome::Interrupted)
        head.insert("status", kNoLinkText);
    else if (failed)
        head.insert("status", s.status.lastError.isEmpty() ? kNoLinkText : userText(s.status.lastError));
    const ViewRange range{state.first, state.last, state.allRecords};
    if (const int shown = showArchive(o, type, s.line.Serial(), kind, tab, daily, hourly, range, empty, head, result.text)) return shown;
    // A read that lost the line shows what it got (its summary says the
    // archive is incomplete), and still fails.
    if (result.outcome == ArchiveReadOutcome::Interrupted) {
        printErr(kNoLinkText);
        return 1;
    }
    if (failed) return fail(s);
    if (result.endUnanswered) printErr(QStringLiteral("НЕТ СВЯЗИ"));
    return 0;
}

// archive KIND --store STORE --serial N --type T: the same table, files and
// report as a direct read of the range, from the records a collection stored.
int runStoredArchive(const Options& o) {
    int kind = -1;
    QDate from, to;
    if (!archiveArguments(o, kind, from, to)) return 2;
    const int type = o.type;
    g_lastDevice = {o.serial, type};
    const TabChoice tab = chooseTab(type, kind, o.system);
    if (tab.exit) return tab.exit;
    ArchiveReadingState state;
    if (!applyRange(o, type, kind, from, to, state)) return 1;

    ArchiveStore store;
    const QString opened = store.Open(o.store, false);
    if (!opened.isEmpty()) {
        printErr(opened);
        return 1;
    }
    const StoredArchive archive = IsHourlyKind(kind) ? StoredArchive::Hourly : StoredArchive::Daily;
    // All records: whatever the store holds, as the device's whole ring.
    const QDate first = state.allRecords ? DateOfDayNumber(1) : state.first;
    const QDate last = state.allRecords ? DateOfDayNumber(std::numeric_limits<int>::max() / 48) : state.last;
    QString error;
    ArchiveList list = store.Load(type, o.serial, archive, first, last, *tab.family->layout, &error);
    if (!error.isEmpty()) printErr(error);
    if (list.empty() && !store.Holds(type, o.serial, archive)) {
        printErr(QStringLiteral("в хранилище нет записей %1 архива прибора %2 № %3")
                     .arg(archive == StoredArchive::Daily ? QStringLiteral("суточного") : QStringLiteral("часового"))
                     .arg(deviceName(type))
                     .arg(o.serial));
        return 1;
    }
    QString summary;
    if (list.empty()) {
        summary = QStringLiteral("в хранилище нет записей от ") + ShortDateText(state.first) + QStringLiteral(" до ") +
                  ShortDateText(state.last);
    } else {
        summary = QStringLiteral("из хранилища: записей %1, от %2 до %3")
                      .arg(list.size())
                      .arg(ShortDateText(DateOfDayNumber(EntryDay(list.back()))),
                           ShortDateText(DateOfDayNumber(EntryDay(list.front()))));
        const QStringList gaps = GapTexts(list, archive);
        constexpr int kGapsShown = 20;
        if (!gaps.isEmpty()) {
            summary += QStringLiteral("; пропуски: ") + gaps.mid(0, kGapsShown).join(QStringLiteral(", "));
            if (gaps.size() > kGapsShown) summary += QStringLiteral(" и еще %1").arg(gaps.size() - kGapsShown);
        }
    }
    const ArchiveList none;
    const bool hourlyKind = IsHourlyKind(kind);
    QJsonObject head{{"type", type}, {"serial", o.serial}, {"kind", o.kind}, {"system", o.system}};
    const ViewRange range{state.first, state.last, state.allRecords};
    return showArchive(o, type, o.serial, kind, tab, hourlyKind ? none : list, hourlyKind ? list : none, range, list.empty(),
                       head, summary);
}

int runArchiveCommand(const Options& o);

int runCollect(const Options& o) {
    CollectArgs args;
    args.list = o.file;
    args.store = o.store;
    args.since = QDate::fromString(o.since, Qt::ISODate);
    args.jobs = o.jobs;
    args.timeoutMs = o.timeoutMs;
    args.json = o.json;
    args.quiet = o.quiet;
    args.progressLines = !o.quiet && isatty(fileno(stderr));
    if (!o.settings.isEmpty()) {
        QString error;
        const auto settings = cli::ReadCollectSettings(o.settings, &error);
        if (!settings) {
            printErr(error);
            return 1;
        }
        args.list = settings->list;
        if (args.store.isEmpty()) args.store = settings->store;
        if (settings->jobs) args.jobs = *settings->jobs;
        if (settings->timeoutMs) args.timeoutMs = *settings->timeoutMs;
        args.daily = settings->daily;
        args.hourly = settings->hourly;
    }
    // One run of a list at a time; a list that cannot be opened is
    // reported by the collection in its words.
    cli::ListRunLock lock;
    bool busy = false;
    QString lockError;
    if (!lock.TryLock(args.list, &busy, &lockError) && busy) {
        printErr(QStringLiteral("сбор по списку ") + args.list +
                 QStringLiteral(" уже идет (другой запуск): этот запуск не начат"));
        return cli::kRunLockedStatus;
    }
    return RunCollect(args, {printOut, printErr});
}

// report --store STORE --from --to: the period report of the store.
int runStoreReport(const Options& o) {
    cli::StoreReportArgs args;
    args.store = o.store;
    args.from = QDate::fromString(o.from, Qt::ISODate);
    args.to = QDate::fromString(o.to, Qt::ISODate);
    args.filter = {o.name, o.type, o.serial};
    args.csv = o.csv;
    args.pdf = o.pdf;
    args.json = o.json;
    if (o.precision >= 2) args.decimals = o.precision;
    cli::TablePdfWriter pdf = nullptr;
#ifdef OMI_CLI_REPORT
    // The table PDF is drawn by the report module, loaded only for --pdf.
    if (!o.pdf.isEmpty()) {
        QString error;
        pdf = ModuleFunctionAs<WriteTablePdfFn>(kReportModule, kWriteTablePdfFunction, &error);
        if (!pdf) {
            printErr(QStringLiteral("omi-cli: ") + error);
            return 1;
        }
    }
#endif
    return cli::RunStoreReport(args, {printOut, printErr}, pdf);
}

// An archive file of the data logger, read by the family's reading procedure
// with every request answered from the file: the table exactly as "archive"
// prints it, of all the records the file holds.
int runLoggerImport(const Options& o) {
    LoadDescriptionTable();
    LoggerState logger;
    logger.path = o.file;
    const QString recognised = ParseLoggerFileName(logger, o.file);
    if (!recognised.isEmpty()) {
        printErr(QStringLiteral("файл: ") + o.file + QStringLiteral(" - не опознан как архивный"));
        printErr(recognised);
        return 1;
    }
    const QString loaded = LoadLoggerFile(logger);
    if (!loaded.isEmpty()) {
        printErr(loaded);
        return 1;
    }
    Options read = o;
    read.command = QStringLiteral("archive");
    if (read.kind.isEmpty())
        read.kind = logger.kind == LoggerKind::Day ? QStringLiteral("daily") : QStringLiteral("hourly");
    read.allRecords = true;
    read.serial = logger.serial;
    read.type = logger.type;
    Session session(read);
    const LoggerReplayData replay = logger.Replay();
    session.engine.SetLoggerReplay(&replay);
    const int status = runArchive(session);
    session.engine.SetLoggerReplay(nullptr);
    return status;
}

int runShowArchive(const Options& o) {
    const ArchiveFamily* family = ArchiveFamilyOf(o.type);
    if (!family) {
        printErr(ModelName(o.type).isEmpty() || ModelName(o.type) == kTypeMismatch
                     ? QStringLiteral("--type %1: такого прибора программа не знает").arg(o.type)
                     : QStringLiteral("у ") + deviceName(o.type) + QStringLiteral(" нет архивов"));
        return 1;
    }
    const QString path = o.commandArgs.value(0);
    const QString warning = ArchiveExtensionWarning(path);
    if (!warning.isEmpty()) printErr(warning);
    ArchiveFileContent content;
    const QString error = ReadArchiveFile(*family, path, DisplayFormat(), content);
    if (!error.isEmpty()) {
        printErr(error);
        return 1;
    }
    // A file without a single archive record is not an archive: nothing to
    // show, save or report, and the script learns it from the exit status.
    if (content.entries.empty()) {
        if (warning.isEmpty()) printErr(QStringLiteral("файл: ") + path + QStringLiteral(" - не опознан как архивный"));
        return 1;
    }
    const Grid grid = SelectColumns(
        content.cells,
        ArchiveColumnCodes(
            *family, ArchiveFileKind(o.type, QFileInfo(path).absoluteFilePath(), content.entries, content.hasTotals)),
        kCliAccessLevel);
    const bool hasData = !content.entries.empty();
    const ShownTable t = splitTable(grid, hasData, content.hasTotals);
    QJsonObject head{{"type", o.type},
                     {"serial", o.serial >= 0 ? QJsonValue(o.serial) : QJsonValue(QJsonValue::Null)},
                     {"kind", "file"},
                     {"system", 1}};
    QString summary = QStringLiteral("архива из файла: ") + QFileInfo(path).fileName() + QStringLiteral(" - прочитан");
    if (content.impossible > 0)
        summary += QStringLiteral("... %1 записей с невозможной датой пропущено").arg(content.impossible);
    printArchive(o, head, t, summary);
    if (!o.save.isEmpty() && !saveArchive(*family, o.save, content.entries, 0, grid)) return 1;
    if (!o.csv.isEmpty() && !exportCsv(o.csv, t)) return 1;
    if (!o.report.isEmpty()) {
        const QString absolute = QFileInfo(path).absoluteFilePath();
        const bool hourly = IsHourlyKind(ArchiveFileKind(o.type, absolute, content.entries, content.hasTotals));
        const bool written = writeReport(o, o.type, [&](const QString& templateFamily) {
            TemplateSet templates = StandardTemplateSet(templateFamily, hourly);
            LoadTemplateSet(PrintFolder(), templateFamily, hourly, templates);
            return std::pair{MakeFileReportInput(o.type, o.serial, absolute, content.entries, content.hasTotals,
                                                 templates, QDate::currentDate()),
                             QFileInfo(path).fileName()};
        });
        if (!written) return 1;
    }
    return 0;
}

int runCalibrate(Session& s) {
    QString error;
    const auto args = cli::ParseCalibrateArgs(s.o.commandArgs, &error);
    if (!args) {
        printErr(QStringLiteral("omi-cli: ") + error);
        return 2;
    }
    if (!s.address()) return fail(s);
    return cli::RunCalibrate(*args, s.o.json, s.line, s.status, {printOut, printErr});
}

int runWriteConfig(Session& s) {
    if (!s.address()) return fail(s);
    return cli::RunWriteConfigCommand(s.line, s.o.file, s.o.yes, s.o.json, {printOut, printErr});
}

int runChangeLog(Session& s) {
    if (!s.address()) return fail(s);
    return cli::RunChangeLogCommand(s.line, s.o.json, {printOut, printErr});
}

// set-clock, set-number, init, start-worktime and clear-archives.
int runWrite(Session& s) {
    const auto op = cli::WriteCommandOp(s.o.command);
    if (!op) return 2;
    if (!s.address()) return fail(s);
    return cli::RunWriteCommand(s.line, *op, s.o.number, s.o.yes, s.o.json, {printOut, printErr});
}

// send --cmd N [--data HEX] [--table FILE]: one request of any command.
int runSend(Session& s) {
    if (!s.address()) return fail(s);
    const cli::SendArgs args{s.o.sendCommand, StringToFrame(s.o.sendData), s.o.table};
    return cli::RunSendCommand(s.line, args, s.o.json, {printOut, printErr});
}

// A command that talks to a device: run within a session on the chosen link.
template <int (*Command)(Session&)>
int withSession(const Options& o) {
    Session session(o);
    if (!session.dialUp()) return 1;
    return Command(session);
}

int runArchiveCommand(const Options& o) {
    return o.store.isEmpty() ? withSession<runArchive>(o) : runStoredArchive(o);
}

}  // namespace

int main(int argc, char** argv) {
    // A PDF report needs fonts, that is a GUI application; without a display
    // it runs on the offscreen platform.
    std::unique_ptr<QCoreApplication> application;
#ifdef OMI_CLI_REPORT
    bool report = false;
    for (int i = 1; i < argc; ++i)
        report = report || std::string_view(argv[i]) == "--report" || std::string_view(argv[i]) == "--pdf";
    if (report) {
        QString error;
        auto* make = ModuleFunctionAs<MakeReportApplication>(kReportModule, kReportApplicationFunction, &error);
        if (!make) {
            printErr(QStringLiteral("omi-cli: ") + error);
            return 1;
        }
        application.reset(make(argc, argv));
    }
#endif
    if (!application) application = std::make_unique<QCoreApplication>(argc, argv);
    QCoreApplication& app = *application;
    cli::QuietDatabaseDriverWarnings();
    QStringList args = app.arguments();
    args.removeFirst();
    const auto parsed = cli::ParseCommandLine(args);
    if (!parsed.options) {
        printErr(QStringLiteral("omi-cli: ") + parsed.error);
        printErr(parsed.usage);
        return 2;
    }
    const Options& o = *parsed.options;
    if (o.help) {
        const cli::CommandInfo* command = cli::FindCommand(o.command);
        printOut(command ? cli::CommandUsageText(*command) : cli::UsageText());
        return 0;
    }
    if (o.version) {
        std::fputs("omi-cli " OMI_VERSION "\n", stdout);
        return 0;
    }
    if (!o.dataDir.isEmpty()) SetDataRoot(o.dataDir);
    if (o.precision >= 2) SetDisplayDecimals(o.precision);

    // The commands: one entry each. A command of the command line without an
    // entry here is not available in this build.
    using Run = int (*)(const Options&);
    static const std::pair<const char*, Run> kRun[] = {
        {"identify", withSession<runIdentify>}, {"state", withSession<runState>}, {"config", withSession<runConfig>},
        {"archive", runArchiveCommand},   {"show-archive", runShowArchive},
        {"logger-import", runLoggerImport},     {"calibrate", withSession<runCalibrate>},
        {"write-config", withSession<runWriteConfig>}, {"changelog", withSession<runChangeLog>},
        {"set-clock", withSession<runWrite>},   {"set-number", withSession<runWrite>},
        {"init", withSession<runWrite>},        {"start-worktime", withSession<runWrite>},
        {"clear-archives", withSession<runWrite>}, {"send", withSession<runSend>},
        {"collect", runCollect},                {"report", runStoreReport},
    };
    for (const auto& [name, run] : kRun) {
        if (o.command != QLatin1String(name)) continue;
        const int status = run(o);
        // A script that asked for JSON gets a document on failure too: what
        // is known of the device and the text the failure printed on stderr.
        if (status != 0 && o.json && !g_printedOut) {
            QJsonObject failure{{"command", o.command}, {"status", g_lastError}, {"exit", status}};
            if (g_lastDevice.type >= 0 && o.command != "show-archive") {
                failure.insert("type", g_lastDevice.type);
                failure.insert("serial", g_lastDevice.serial);
            }
            printJson(failure);
        }
        return status;
    }
    printErr(QStringLiteral("omi-cli: ") + o.command + QStringLiteral(": not available yet"));
    return 2;
}
