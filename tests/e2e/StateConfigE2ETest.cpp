// omi-cli state and config against omi-sim, on a pseudo-terminal and over UDP.

#include "e2e/SimProcess.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

using namespace omi::test;

namespace {

struct LinkCase {
    const char* name;
    bool udp;
};

class ReadingOverLink : public ::testing::TestWithParam<LinkCase> {
protected:
    std::unique_ptr<Sim> Start(const QString& type, QStringList extra = {}) {
        QStringList args{"--type", type, "--serial", "417"};
        args << (GetParam().udp ? QStringList{"--udp", "127.0.0.1:0"} : QStringList{"--pty"}) << extra;
        return std::make_unique<Sim>(args);
    }
    QStringList Link(const Sim& sim) const {
        return GetParam().udp ? QStringList{"--udp", sim.Udp()} : QStringList{"--port", sim.Pty()};
    }
};

QJsonObject Json(const CliRun& r) { return QJsonDocument::fromJson(r.out.toUtf8()).object(); }

}  // namespace

TEST_P(ReadingOverLink, StateHasOneListPerHeatSystemWithTheTableLabels) {
    struct Case {
        const char* type;
        int systems;
        const char* model;
    };
    for (const Case c : {Case{"234", 2, "ОМИ-1 Б4М"}, Case{"235", 1, "ОМИ-1 Б5М"}}) {
        auto sim = Start(c.type);
        const CliRun r = RunCli(Link(*sim) << "--json" << "state");
        ASSERT_EQ(r.exitCode, 0) << c.type << ": " << r.err.toStdString();
        const QJsonObject o = Json(r);
        EXPECT_EQ(o.value("type").toInt(), QString(c.type).toInt());
        EXPECT_EQ(o.value("model").toString(), QString::fromUtf8(c.model));
        EXPECT_EQ(o.value("serial").toInt(), 417);
        const QJsonArray systems = o.value("systems").toArray();
        ASSERT_EQ(systems.size(), c.systems) << c.type;
        for (int s = 0; s < c.systems; ++s) {
            const QJsonObject sys = systems[s].toObject();
            EXPECT_EQ(sys.value("system").toInt(), s + 1);
            const QJsonArray lines = sys.value("lines").toArray();
            ASSERT_EQ(lines.size(), 17);
            EXPECT_EQ(lines[0].toObject().value("label").toString(), "тепло, Гкал");
            EXPECT_EQ(lines[6].toObject().value("label").toString(), "t°C, ГВС    ");
            EXPECT_EQ(lines[16].toObject().value("label").toString(), "Масса 3,Т");
            // Reals in the display format: two decimals with a decimal comma.
            EXPECT_TRUE(QRegularExpression("^-?\\d+,\\d\\d$").match(lines[0].toObject().value("text").toString()).hasMatch())
                << lines[0].toObject().value("text").toString().toStdString();
            EXPECT_TRUE(QRegularExpression("^\\d+$").match(lines[12].toObject().value("text").toString()).hasMatch());
        }
    }
}

TEST_P(ReadingOverLink, ConfigGivesTheTextsOfBothRecords) {
    auto sim = Start("234");
    const CliRun r = RunCli(Link(*sim) << "--json" << "--precision" << "1" << "config");
    // --precision is 2..9: a usage error, nothing sent.
    EXPECT_EQ(r.exitCode, 2);

    const CliRun ok = RunCli(Link(*sim) << "--json" << "config");
    ASSERT_EQ(ok.exitCode, 0) << ok.err.toStdString();
    const QJsonArray systems = Json(ok).value("systems").toArray();
    ASSERT_EQ(systems.size(), 2);
    const QStringList expected{"1000,00", "1000,00", "1000,00", "1", "5", "15", "1", "1", "1", "1", "0,00",
                               "1500,00", "0", "90,00", "70,00", "70,00", "1,60", "1,60", "1,60", "1", "1", "0"};
    for (int s = 0; s < 2; ++s) {
        QStringList lines;
        for (const auto& v : systems[s].toObject().value("lines").toArray()) lines << v.toString();
        EXPECT_EQ(lines, expected) << s;
    }
}

TEST_P(ReadingOverLink, AnswersFailingTheirCheckAreAskedTwentyTimes) {
    auto sim = Start("234", {"--bad-check", "1"});
    const CliRun r = RunCli(Link(*sim) << "--serial" << "417" << "--type" << "234" << "state");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("Ошибка связи Повторите...")) << r.err.toStdString();
    EXPECT_TRUE(r.out.isEmpty());
    int stateRequests = 0;
    for (const QString& line : sim->Requests())
        if (line.split(' ').value(4) == "1") ++stateRequests;
    EXPECT_EQ(stateRequests, 20);
}

INSTANTIATE_TEST_SUITE_P(Links, ReadingOverLink, ::testing::Values(LinkCase{"pty", false}, LinkCase{"udp", true}),
                         [](const auto& info) { return std::string(info.param.name); });

// On the serial line (the UDP silence is covered by the identification tests;
// its fixed waits make it slow).
TEST(ReadingOnPty, SilentDeviceEndsAfterOneExchange) {
    Sim sim({"--type", "234", "--serial", "417", "--pty", "--silent"});
    const CliRun r = RunCli({"--port", sim.Pty(), "--timeout", "200", "--serial", "417", "--type", "234", "config"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.split('\n').contains("НЕТ СВЯЗИ")) << r.err.toStdString();
    // The four attempts of one exchange, no second reading.
    EXPECT_EQ(sim.Requests().size(), 4);
}
