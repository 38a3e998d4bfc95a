// omi-cli as scripts meet it: every command refuses the options it does not
// take, help per command, honest exit status, the progress line on a
// terminal and nowhere else.

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <QDate>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSet>

#include "e2e/SimProcess.h"

using namespace omi::test;

namespace {

// For each command, a line with one option it does not take. Nothing may be
// done: no port opened, no file written.
TEST(CliUsage, EveryCommandRefusesAnOptionItDoesNotTake) {
    QTemporaryDir dir;
    const QString file = dir.filePath("out.csv");
    struct Case {
        QString command;
        QStringList args;
        QString option;
    };
    const QList<Case> cases{
        {"identify", {"--imitation", "identify", "--all-records"}, "--all-records"},
        {"state", {"--imitation", "state", "--csv", file}, "--csv"},
        {"config", {"--imitation", "config", "--report", file}, "--report"},
        {"archive", {"--imitation", "archive", "daily", "--yes"}, "--yes"},
        {"show-archive", {"show-archive", file, "--type", "229", "--port", "/dev/null"}, "--port"},
        {"set-clock", {"--imitation", "set-clock", "--yes", "--csv", file}, "--csv"},
        {"set-number", {"--imitation", "set-number", "5", "--yes", "--from", "2026-01-01"}, "--from"},
        {"init", {"--imitation", "init", "--yes", "--system", "1"}, "--system"},
        {"start-worktime", {"--imitation", "start-worktime", "--yes", "--save", file}, "--save"},
        {"clear-archives", {"--imitation", "clear-archives", "--yes", "--kind", "daily"}, "--kind"},
        {"write-config", {"--imitation", "write-config", file, "--yes", "--all-records"}, "--all-records"},
        {"changelog", {"--imitation", "changelog", "--save", file}, "--save"},
        {"calibrate", {"--imitation", "calibrate", "lower", "--yes", "--csv", file}, "--csv"},
        {"logger-import", {"logger-import", file, "--imitation"}, "--imitation"},
    };
    for (const Case& c : cases) {
        const CliRun r = RunCli(c.args);
        const std::string what = c.args.join(' ').toStdString();
        EXPECT_EQ(r.exitCode, 2) << what << "\n" << r.err.toStdString();
        EXPECT_TRUE(r.err.contains("omi-cli: " + c.command + ": option " + c.option + " does not apply"))
            << what << "\n"
            << r.err.toStdString();
        // The usage shown is the command's own.
        EXPECT_TRUE(r.err.contains("usage: omi-cli") && r.err.contains(" " + c.command + " ")) << what << "\n"
                                                                                               << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty()) << what;
        EXPECT_FALSE(QFile::exists(file)) << what;
    }
}

TEST(CliUsage, HelpOfOneCommand) {
    for (const QStringList& args : {QStringList{"archive", "--help"}, QStringList{"help", "archive"},
                                    QStringList{"--imitation", "archive", "daily", "-h"}}) {
        const CliRun r = RunCli(args);
        const std::string what = args.join(' ').toStdString();
        EXPECT_EQ(r.exitCode, 0) << what;
        EXPECT_TRUE(r.out.contains("archive KIND")) << what << r.out.toStdString();
        EXPECT_TRUE(r.out.contains("--all-records")) << what;
        EXPECT_FALSE(r.out.contains("--yes")) << what;  // not an option of archive
        EXPECT_TRUE(r.err.isEmpty()) << what;
    }
    // Every command the program lists has its own help.
    const CliRun all = RunCli({"--help"});
    const QString commands = all.out.section("COMMAND:\n", 1).section("connection options:", 0, 0);
    QStringList names;
    for (const QString& line : commands.split('\n'))
        if (line.startsWith("  ") && !line.startsWith("   ")) names << line.trimmed().section(' ', 0, 0);
    EXPECT_TRUE(names.contains("show-archive") && names.contains("calibrate")) << all.out.toStdString();
    for (const QString& name : names) {
        const CliRun r = RunCli({"help", name});
        EXPECT_EQ(r.exitCode, 0) << name.toStdString();
        EXPECT_TRUE(r.out.startsWith("usage: omi-cli ") && r.out.contains(" " + name + " ")) << r.out.toStdString();
    }
    const CliRun unknown = RunCli({"help", "archives"});
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_TRUE(unknown.err.contains("unknown command archives")) << unknown.err.toStdString();
}

// The bash completion offers each command exactly the options its help lists
// (and --help), so that the two cannot drift apart.
TEST(CliUsage, CompletionOffersTheOptionsOfTheHelp) {
    const CliRun all = RunCli({"--help"});
    const QString commands = all.out.section("COMMAND:\n", 1).section("connection options:", 0, 0);
    for (const QString& line : commands.split('\n')) {
        if (!line.startsWith("  ") || line.startsWith("   ")) continue;
        const QString name = line.trimmed().section(' ', 0, 0);
        QSet<QString> listed;
        for (const QString& help : RunCli({"help", name}).out.split('\n'))
            if (help.startsWith("  --")) listed.insert(help.trimmed().section(' ', 0, 0));
        if (name != "help") listed.insert("--help");
        // The words offered for "omi-cli NAME ARGUMENT --".
        QProcess bash;
        bash.start("bash", {"-c", "source \"$0\"; COMP_WORDS=(omi-cli \"$1\" x --); COMP_CWORD=3; _omi_cli; "
                                  "printf '%s\\n' \"${COMPREPLY[@]}\"",
                            QStringLiteral(OMI_COMPLETION_PATH), name});
        ASSERT_TRUE(bash.waitForFinished(10000));
        QSet<QString> offered;
        for (const QString& word : QString::fromUtf8(bash.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts))
            offered.insert(word);
        if (name == "help") {  // help takes a command, not options
            offered.clear();
            listed.clear();
        }
        EXPECT_TRUE(offered == listed) << name.toStdString() << ": offered, not listed: "
                                       << QStringList(QSet(offered).subtract(listed).values()).join(' ').toStdString()
                                       << "; listed, not offered: "
                                       << QStringList(QSet(listed).subtract(offered).values()).join(' ').toStdString();
    }
}

// A file that holds no archive records is refused: exit 1 with the reason on
// stderr, no table on stdout; under --json a document that says so.
TEST(CliUsage, ShowArchiveOfATextFileFails) {
    QTemporaryDir dir;
    for (const QString& name : {QStringLiteral("notes.txt"), QStringLiteral("empty.Arh")}) {
        const QString path = dir.filePath(name);
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        if (name.endsWith(".txt")) f.write("не архив, а заметки\r\n");
        f.close();

        const CliRun text = RunCli({"show-archive", path, "--type", "234"});
        EXPECT_EQ(text.exitCode, 1) << name.toStdString();
        EXPECT_TRUE(text.err.contains(" - не опознан как архивный")) << text.err.toStdString();
        EXPECT_TRUE(text.out.isEmpty()) << text.out.toStdString();

        const CliRun json = RunCli({"show-archive", path, "--type", "234", "--json", "--csv", dir.filePath("t.csv")});
        EXPECT_EQ(json.exitCode, 1);
        const QJsonObject doc = QJsonDocument::fromJson(json.out.toUtf8()).object();
        EXPECT_TRUE(doc.value("status").toString().contains("не опознан как архивный")) << json.out.toStdString();
        EXPECT_EQ(doc.value("exit").toInt(), 1);
        EXPECT_FALSE(QFile::exists(dir.filePath("t.csv")));
    }
}

// What a device cannot do is said in the user's words, on one line, with no
// handler name or type code, and the status is a failure.
TEST(CliUsage, WhatTheDeviceCannotDo) {
    const struct {
        QStringList args;
        QString err;
    } cases[] = {
        {{"--imitation", "--type", "128", "archive", "daily"}, "у ЛОРС нет архивов"},
        {{"--imitation", "--type", "200", "archive", "hourly"}, "у этого прибора нет архивов"},
        {{"--imitation", "--type", "200", "state"}, "Неправильный тип прибора"},
        {{"--imitation", "--type", "200", "config"}, "Неправильный тип прибора"},
    };
    for (const auto& c : cases) {
        const CliRun r = RunCli(c.args);
        EXPECT_EQ(r.exitCode, 1) << c.args.join(' ').toStdString();
        EXPECT_EQ(r.err.trimmed(), c.err) << c.args.join(' ').toStdString();
        EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();
    }
}

// omi-cli with its stderr on a pseudo-terminal (or a file), stdout on a pipe.
struct TerminalRun {
    int exitCode = -1;
    QString out;
    QByteArray terminal;  // what reached stderr
};

TerminalRun RunWithStderrOnTerminal(const QStringList& args, bool terminal) {
    TerminalRun r;
    int master = -1;
    int slave = -1;
    QTemporaryDir dir;
    const QString errPath = dir.filePath("stderr");
    if (terminal) {
        master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) return r;
        slave = ::open(ptsname(master), O_RDWR | O_NOCTTY);
    } else {
        slave = ::open(errPath.toLocal8Bit().constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    }
    if (slave < 0) return r;
    QProcess p;
    p.setChildProcessModifier([slave] { ::dup2(slave, 2); });
    p.start(QStringLiteral(OMI_CLI_PATH), args);
    auto drain = [&] {
        char buffer[4096];
        ssize_t n = 0;
        while (master >= 0 && (n = ::read(master, buffer, sizeof buffer)) > 0) r.terminal.append(buffer, n);
    };
    // Drain the terminal while the program runs, so that it never blocks on a full one.
    while (!p.waitForFinished(50)) {
        drain();
        if (p.state() == QProcess::NotRunning) break;
    }
    drain();
    ::close(slave);
    if (master >= 0) ::close(master);
    if (!terminal) {
        QFile f(errPath);
        if (f.open(QIODevice::ReadOnly)) r.terminal = f.readAll();
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    return r;
}

TEST(CliUsage, ProgressLineOnlyOnATerminal) {
    Sim sim({"--type", "234", "--serial", "417", "--pty"});
    ASSERT_FALSE(sim.Pty().isEmpty());
    const QDate today = QDate::currentDate();
    const QStringList args{"--port",
                           sim.Pty(),
                           "--json",
                           "archive",
                           "daily",
                           "--from",
                           today.addDays(-12).toString(Qt::ISODate),
                           "--to",
                           today.toString(Qt::ISODate)};
    struct Case {
        const char* name;
        bool terminal;
        bool quiet;
        bool progress;
    };
    for (const Case& c : {Case{"terminal", true, false, true}, Case{"file", false, false, false},
                          Case{"terminal, --quiet", true, true, false}}) {
        const TerminalRun r = RunWithStderrOnTerminal(c.quiet ? args + QStringList{"--quiet"} : args, c.terminal);
        const QString err = QString::fromUtf8(r.terminal);
        EXPECT_EQ(r.exitCode, 0) << c.name << ": " << err.toStdString();
        EXPECT_EQ(err.contains("прочитано "), c.progress) << c.name << ": " << err.toStdString();
        if (c.progress) {
            // Updated in place and wiped at the end: carriage returns and the
            // erase-line sequence, the planned count and the date reached.
            EXPECT_TRUE(err.contains(QStringLiteral("\r")));
            EXPECT_TRUE(err.contains(QStringLiteral("\x1b[K")));
            EXPECT_TRUE(err.contains(
                QRegularExpression(QStringLiteral("прочитано \\d+ из \\d+, дата \\d\\d\\.\\d\\d\\.\\d{4}"))))
                << err.toStdString();
        }
        // stdout holds the JSON document and nothing of the progress.
        QJsonParseError parse;
        const QJsonDocument doc = QJsonDocument::fromJson(r.out.toUtf8(), &parse);
        EXPECT_EQ(parse.error, QJsonParseError::NoError) << c.name << ": " << r.out.toStdString();
        EXPECT_FALSE(doc.object().value("rows").toArray().isEmpty()) << c.name;
        EXPECT_FALSE(r.out.contains("прочитано ")) << c.name;
    }
}

}  // namespace
