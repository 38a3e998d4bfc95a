// omi-cli --dial against omi-sim playing a modem in front of its calculator:
// the dial string from its parts, the command over the connection and the
// hang-up; a busy line; a carrier lost in the middle of an archive read; the
// dial options' usage errors.

#include <QJsonDocument>
#include <QJsonObject>

#include "e2e/SimProcess.h"

using namespace omi::test;

namespace {

QStringList modemLines(const Sim& sim) {
    QStringList out;
    for (const QString& line : sim.Requests())
        if (line.startsWith("modem")) out << line;
    return out;
}

}  // namespace

TEST(Dial, CommandRunsOverTheConnectionAndHangsUp) {
    Sim sim({"--pty", "--modem", "--type", "229", "--serial", "417"});
    const CliRun r = RunCli({"--port", sim.Pty(), "--dial", "5551234", "--exit-code", "9", "--long-distance-code",
                             "8", "--city-code", "495", "--json", "identify"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QJsonObject o = QJsonDocument::fromJson(r.out.toUtf8()).object();
    EXPECT_EQ(o.value("serial").toInt(), 417);
    const QStringList modem = modemLines(sim);
    ASSERT_FALSE(modem.isEmpty());
    EXPECT_TRUE(modem.join('\n').contains("ATDT9W8W4955551234")) << modem.join('\n').toStdString();
    EXPECT_TRUE(modem.join('\n').contains("CONNECT")) << modem.join('\n').toStdString();
    EXPECT_TRUE(modem.join('\n').contains("modem> ATH")) << modem.join('\n').toStdString();

    // Pulse dialling, and a second call on the same line after the hang-up.
    const CliRun state = RunCli({"--port", sim.Pty(), "--dial", "525", "--pulse", "state"});
    EXPECT_EQ(state.exitCode, 0) << state.err.toStdString();
    EXPECT_TRUE(modemLines(sim).join('\n').contains("ATDP525"));
}

TEST(Dial, RefusalsOfTheModem) {
    struct Case {
        const char* reply;
        const char* text;
    };
    const Case cases[] = {
        {"busy", "BUSY (занято)"},
        {"no-carrier", "NOCARRIER (нет несущей)"},
        {"no-dialtone", "NODIALTONE (нет гудка)"},
    };
    for (const Case& c : cases) {
        Sim sim({"--pty", "--modem", "--modem-reply", c.reply, "--type", "234"});
        const CliRun r = RunCli({"--port", sim.Pty(), "--dial", "525", "state"});
        EXPECT_EQ(r.exitCode, 1) << c.reply;
        EXPECT_TRUE(r.err.contains(QString::fromUtf8("номер: 525-НET СВЯЗИ! ") + QString::fromUtf8(c.text)))
            << r.err.toStdString();
        for (const QString& line : sim.Requests()) EXPECT_TRUE(line.startsWith("modem")) << line.toStdString();
    }
}

TEST(Dial, CarrierLostInTheMiddleOfAnArchiveRead) {
    Sim sim({"--pty", "--modem", "--modem-drop-after", "12", "--type", "229", "--serial", "417"});
    const CliRun r = RunCli({"--port", sim.Pty(), "--dial", "525", "archive", "daily", "--all-records"});
    EXPECT_EQ(r.exitCode, 1) << r.out.toStdString();
    EXPECT_TRUE(r.err.contains("НЕТ СВЯЗИ")) << r.err.toStdString();
    // The records read before the loss are printed, marked as a part.
    EXPECT_FALSE(r.out.isEmpty());
}

TEST(Dial, UsageErrors) {
    const QStringList cases[] = {
        {"--udp", "127.0.0.1:5001", "--dial", "525", "state"},
        {"--port", "/dev/null", "--pulse", "state"},
        {"--port", "/dev/null", "--dial", "52x5", "state"},
    };
    for (const QStringList& args : cases) {
        const CliRun r = RunCli(args);
        EXPECT_EQ(r.exitCode, 2) << args.join(' ').toStdString();
    }
}
