#include "e2e/SimProcess.h"

#include <QJsonDocument>
#include <QJsonObject>

using namespace omi::test;

namespace {

struct LinkCase {
    const char* name;
    bool udp;
};

class IdentifyOverLink : public ::testing::TestWithParam<LinkCase> {
protected:
    // The simulator on the link of the case, with extra options.
    std::unique_ptr<Sim> Start(QStringList extra) {
        QStringList args{"--type", "234", "--serial", "417"};
        args << (GetParam().udp ? QStringList{"--udp", "127.0.0.1:0"} : QStringList{"--pty"}) << extra;
        auto sim = std::make_unique<Sim>(args);
        return sim;
    }
    QStringList Link(const Sim& sim) const {
        return GetParam().udp ? QStringList{"--udp", sim.Udp()} : QStringList{"--port", sim.Pty()};
    }
};

}  // namespace

TEST_P(IdentifyOverLink, BroadcastFirstThenTypeModelAndSerial) {
    auto sim = Start({});
    CliRun r = RunCli(Link(*sim) << "identify");
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("234"));
    EXPECT_TRUE(r.out.contains("ОМИ-1 Б4М"));
    EXPECT_TRUE(r.out.contains("417"));
    const QStringList sent = sim->Requests();
    ASSERT_FALSE(sent.isEmpty());
    EXPECT_EQ(sent.front(), "6 0 0 0 0 250");

    r = RunCli(Link(*sim) << "--json" << "identify");
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QJsonObject o = QJsonDocument::fromJson(r.out.toUtf8()).object();
    EXPECT_EQ(o.value("type").toInt(), 234);
    EXPECT_EQ(o.value("model").toString(), "ОМИ-1 Б4М");
    EXPECT_EQ(o.value("serial").toInt(), 417);
}

TEST_P(IdentifyOverLink, FaultsThatStillSucceed) {
    const QStringList faults[] = {{"--noise", "5"}, {"--bad-check", "2"}, {"--silence", "2"}, {"--baud", "9600"}};
    for (const auto& f : faults) {
        auto sim = Start(f);
        CliRun r = RunCli(Link(*sim) << "--json" << "identify");
        EXPECT_EQ(r.exitCode, 0) << f.join(' ').toStdString() << ": " << r.err.toStdString();
        EXPECT_EQ(QJsonDocument::fromJson(r.out.toUtf8()).object().value("serial").toInt(), 417)
            << f.join(' ').toStdString();
    }
}

TEST_P(IdentifyOverLink, SilentDeviceGivesNoLink) {
    auto sim = Start({"--silent"});
    CliRun r = RunCli(Link(*sim) << "--timeout" << "300" << "identify");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.split('\n').contains("НЕТ СВЯЗИ")) << r.err.toStdString();
    EXPECT_TRUE(r.out.isEmpty());
    // Every attempt of the link went out: 4 on the serial line, 5 over UDP.
    EXPECT_EQ(sim->Requests().size(), GetParam().udp ? 5 : 4);
}

INSTANTIATE_TEST_SUITE_P(Links, IdentifyOverLink, ::testing::Values(LinkCase{"pty", false}, LinkCase{"udp", true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Cli, MissingPortIsAFailureNotACrash) {
    CliRun r = RunCli({"--port", "/dev/nonexistent-omi-port", "identify"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("занят (отсутсвует)"));
    EXPECT_TRUE(r.err.split('\n').contains("НЕТ СВЯЗИ"));
}

TEST(Cli, ImitationIdentifies) {
    CliRun r = RunCli({"--imitation", "--json", "identify"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(QJsonDocument::fromJson(r.out.toUtf8()).object(),
              (QJsonObject{{"type", 128}, {"model", "ЛОРС"}, {"serial", 20560}}));
    r = RunCli({"--imitation", "--type", "229", "--json", "identify"});
    EXPECT_EQ(QJsonDocument::fromJson(r.out.toUtf8()).object().value("model").toString(), "ОМИ-1 Б4");
}

TEST(Cli, UsageErrors) {
    const QStringList cases[] = {
        {},
        {"--imitation"},
        {"--imitation", "frobnicate"},
        {"--imitation", "--bogus", "identify"},
        {"--imitation", "--precision", "1", "identify"},
        {"--imitation", "--precision", "10", "identify"},
        {"--imitation", "--system", "3", "archive", "daily"},
        {"--imitation", "archive", "weekly"},
        {"--imitation", "set-clock"},
        {"--imitation", "set-number", "5"},
        {"--imitation", "--timeout", "0", "identify"},
        {"--imitation", "--timeout", "60001", "identify"},
        {"--port"},
        {"--port", "/dev/null", "--udp", "127.0.0.1", "identify"},
        {"identify"},
        {"show-archive", "x.Arh"},
    };
    for (const auto& args : cases) {
        CliRun r = RunCli(args);
        EXPECT_EQ(r.exitCode, 2) << args.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains("usage: omi-cli")) << args.join(' ').toStdString();
    }
}
