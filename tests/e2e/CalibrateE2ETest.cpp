// omi-cli calibrate against omi-sim: temperature points and pressure channels
// of each family, the devices' deviations and result codes, silence, and the
// choices a device does not have.

#include "e2e/SimProcess.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

using namespace omi::test;

namespace {

QJsonObject Json(const CliRun& r) { return QJsonDocument::fromJson(r.out.toUtf8()).object(); }

QStringList Pty(const Sim& sim) { return {"--port", sim.Pty()}; }

// The requests of command 13 in the simulator's log.
QStringList CalibrationRequests(const Sim& sim) {
    QStringList found;
    for (const QString& line : sim.Requests())
        if (line.section(' ', 4, 4) == "13") found << line;
    return found;
}

}  // namespace

TEST(Calibrate, TemperaturePointOfEachForm) {
    struct Case {
        const char* what;
        QStringList sim;  // besides --pty and the serial number
        QStringList cli;  // after "calibrate"
        int exitCode;
        QString line;     // the output
        QString request;  // as the simulator logged it
    };
    const Case cases[] = {
        {"229 lower point with the defaults", {"--type", "229"}, {"lower"}, 0,
         "точка МЕНЬШЕЙ; измерено: 33,00 30,00 33,00 30,00; калибровка по МЕНЬШЕЙ температуре успешно завершена",
         "23 229 161 1 13 0 0 0 4 66 0 0 240 65 0 0 4 66 0 0 240 65 103"},
        {"234: system 2 supply deviates", {"--type", "234", "--cal-deviation", "0,0,2,0"}, {"upper"}, 1,
         "точка БОЛЬШЕЙ; измерено: 150,00 150,00 152,00 150,00; t°C подачи 2-й системы=152,00 - отличается больше, "
         "чем на 1 °C",
         "23 234 161 1 13 1 0 0 22 67 0 0 22 67 0 0 22 67 0 0 22 67 235"},
        {"235 shows system 1 only", {"--type", "235"}, {"lower", "--ref", "40,35.5"}, 0,
         "точка МЕНЬШЕЙ; измерено: 40,00 35,50; калибровка по МЕНЬШЕЙ температуре успешно завершена",
         "23 235 161 1 13 0 0 0 32 66 0 0 14 66 0 0 4 66 0 0 240 65 38"},
        {"227 jumper open", {"--type", "227", "--write-result", "1"}, {"upper", "--ref", "150,148"}, 1,
         "точка БОЛЬШЕЙ; измерено: 150,00 148,00; не замкнута перемычка",
         "15 227 161 1 13 1 0 0 22 67 0 0 20 67 174"},
        {"225 judged by the program", {"--type", "225", "--cal-deviation", "-1.1,0.5,0,0"}, {"lower"}, 1,
         "точка МЕНЬШЕЙ; измерено: 31,90 30,50; измеренная температура отличается от заданной больше, чем на 1 градус",
         "15 225 161 1 13 0 0 0 4 66 0 0 240 65 234"},
    };
    for (const Case& c : cases) {
        Sim sim(QStringList{"--pty", "--serial", "417"} + c.sim);
        const CliRun r = RunCli(Pty(sim) << "calibrate" << c.cli << "--yes");
        EXPECT_EQ(r.exitCode, c.exitCode) << c.what << ": " << r.err.toStdString();
        EXPECT_EQ(r.out, c.line + "\n") << c.what;
        EXPECT_EQ(CalibrationRequests(sim), QStringList{c.request}) << c.what;
    }
}

TEST(Calibrate, TwoTwentyFiveInJsonHasNoResult) {
    Sim sim({"--pty", "--type", "225", "--serial", "417", "--cal-deviation", "0.4,-0.8,0,0"});
    const CliRun r = RunCli(Pty(sim) << "--json" << "calibrate" << "lower" << "--yes");
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QJsonObject o = Json(r);
    EXPECT_EQ(o["type"].toInt(), 225);
    EXPECT_EQ(o["serial"].toInt(), 417);
    EXPECT_EQ(o["choice"].toString(), "lower");
    const QJsonArray runs = o["runs"].toArray();
    ASSERT_EQ(runs.size(), 1);
    const QJsonObject run = runs[0].toObject();
    EXPECT_EQ(run["code"].toInt(), 0);
    EXPECT_TRUE(run["result"].isNull());
    EXPECT_EQ(run["measured"].toArray(), (QJsonArray{33.4, 29.2}));
    EXPECT_EQ(run["status"].toString(), "калибровка по МЕНЬШЕЙ температуре успешно завершена");
}

TEST(Calibrate, PressureChannelsInTurnAndAlone) {
    Sim sim({"--pty", "--type", "230", "--serial", "417", "--cal-deviation", "0,1.5,0,0"});
    const CliRun all = RunCli(Pty(sim) << "--json" << "calibrate" << "pressure" << "--all" << "--yes");
    EXPECT_EQ(all.exitCode, 1) << "channel 3 deviates";
    const QJsonArray runs = Json(all)["runs"].toArray();
    ASSERT_EQ(runs.size(), 2) << all.out.toStdString();
    EXPECT_EQ(runs[0].toObject(), (QJsonObject{{"code", 2},
                                               {"result", 0},
                                               {"measured", QJsonArray{20}},
                                               {"status", "калибровка по давлению успешно завершена"}}));
    EXPECT_EQ(runs[1].toObject()["result"].toInt(), 3);
    EXPECT_EQ(runs[1].toObject()["status"].toString(), "ток=21,50000 - отличается больше, чем на 1 мА");
    EXPECT_EQ(CalibrationRequests(sim),
              (QStringList{"11 230 161 1 13 2 0 0 160 65 125", "11 230 161 1 13 3 0 0 160 65 124"}));

    const CliRun one = RunCli(Pty(sim) << "calibrate" << "pressure" << "--channel" << "2" << "--ref" << "4" << "--yes");
    EXPECT_EQ(one.exitCode, 0) << one.err.toStdString();
    EXPECT_EQ(one.out, "канал 2 (1 датчик); измерено: 4,00000; калибровка по давлению успешно завершена\n");
}

TEST(Calibrate, DeviceThatTakesLongerThanTheLineTimeout) {
    // The device calibrates for 1.5 s; the ordinary 1 s wait would give up.
    Sim sim({"--pty", "--type", "229", "--serial", "417", "--cal-pause", "1500"});
    const CliRun r = RunCli(Pty(sim) << "--timeout" << "1000" << "calibrate" << "upper" << "--yes");
    EXPECT_EQ(r.exitCode, 0) << r.out.toStdString() << r.err.toStdString();
    EXPECT_EQ(CalibrationRequests(sim).size(), 1) << "answered at the first attempt";
}

TEST(Calibrate, SilentDevice) {
    struct Case {
        const char* type;
        const char* status;
    };
    for (const Case c : {Case{"229", "НЕТ СВЯЗИ"}, Case{"225", "Нет связи или не замкнута перемычка"}}) {
        Sim sim({"--pty", "--type", c.type, "--serial", "417", "--silent"});
        const CliRun r = RunCli(Pty(sim) << "--serial" << "417" << "--type" << c.type << "calibrate" << "lower"
                                         << "--wait" << "200" << "--yes");
        EXPECT_EQ(r.exitCode, 1) << c.type;
        EXPECT_EQ(r.out, QString("точка МЕНЬШЕЙ; измерено: -; ") + c.status + "\n") << c.type;
        EXPECT_EQ(CalibrationRequests(sim).size(), 1) << c.type << ": sent once, the device calibrates at each request";
    }
}

TEST(Calibrate, OverUdp) {
    Sim sim({"--udp", "127.0.0.1:0", "--type", "236", "--serial", "417"});
    const CliRun r =
        RunCli({"--udp", sim.Udp(), "calibrate", "lower", "--ref", "33,30,34,31", "--yes"});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "точка МЕНЬШЕЙ; измерено: 33,00 30,00 34,00 31,00; калибровка по МЕНЬШЕЙ температуре успешно "
                     "завершена\n");
}

TEST(Calibrate, ChoicesTheDeviceDoesNotHave) {
    struct Case {
        const char* type;
        QStringList cli;
        const char* message;
    };
    const Case cases[] = {
        {"227", {"pressure", "--all"}, "у прибора ОМИ-1 А3 нет калибровки по давлению"},
        {"128", {"lower"}, "у прибора ЛОРС нет калибровки"},
        {"235", {"pressure", "--channel", "4"}, "у прибора ОМИ-1 Б5М нет канала давления 4 (есть 2..3)"},
        {"230", {"lower", "--ref", "33,30,33,30"}, "у прибора ОМИ-1 Б5 одна система: --ref S1,R1"},
    };
    for (const Case& c : cases) {
        Sim sim({"--pty", "--type", c.type, "--serial", "417"});
        const CliRun r = RunCli(Pty(sim) << "calibrate" << c.cli << "--yes");
        EXPECT_EQ(r.exitCode, 2) << c.type;
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.message))) << c.type << ": " << r.err.toStdString();
        EXPECT_TRUE(CalibrationRequests(sim).isEmpty()) << c.type;
        EXPECT_FALSE(sim.Requests().isEmpty()) << c.type << ": identified first";
    }
}

TEST(Calibrate, UsageErrors) {
    const QStringList link{"--port", "/dev/null"};
    const QList<QStringList> cases{
        {"calibrate", "lower"},                                 // no --yes
        {"calibrate", "--yes"},                                 // no choice
        {"calibrate", "pressure", "--yes"},                     // no channel
        {"calibrate", "pressure", "--all", "--channel", "2", "--yes"},
        {"calibrate", "lower", "--channel", "2", "--yes"},
        {"calibrate", "upper", "--ref", "150", "--yes"},        // one reference
        {"calibrate", "lower", "--ref", "33;30", "--yes"},
        {"calibrate", "pressure", "--channel", "6", "--yes"},
        {"calibrate", "middle", "--yes"},
    };
    for (const QStringList& args : cases) {
        const CliRun r = RunCli(link + args);
        EXPECT_EQ(r.exitCode, 2) << args.join(' ').toStdString();
        EXPECT_TRUE(r.err.startsWith("omi-cli: ")) << args.join(' ').toStdString() << ": " << r.err.toStdString();
    }
}
