// One device of every type the tool knows, through omi-sim: state, config and
// an archive read with omi-cli, and the imitation answering the same commands.

#include "e2e/SimProcess.h"

#include <QDate>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

using namespace omi::test;

namespace {

struct TypeCase {
    int type;
    int systems;       // heat systems shown
    int configLines;   // configuration texts per system
    bool archives;
};

const TypeCase kTypes[] = {
    {128, 1, 5, false}, {225, 1, 11, true}, {227, 1, 6, true},  {228, 2, 15, true},
    {229, 2, 15, true}, {230, 1, 15, true}, {234, 2, 22, true}, {235, 1, 22, true},
};

QJsonObject Json(const CliRun& r) { return QJsonDocument::fromJson(r.out.toUtf8()).object(); }

}  // namespace

TEST(EveryType, StateConfigAndArchiveThroughTheSimulator) {
    const QDate today = QDate::currentDate();
    for (const TypeCase& c : kTypes) {
        const QString type = QString::number(c.type);
        Sim sim({"--type", type, "--serial", "77", "--pty"});
        const QStringList link{"--port", sim.Pty(), "--json"};

        CliRun r = RunCli(link + QStringList{"state"});
        ASSERT_EQ(r.exitCode, 0) << c.type << ": " << r.err.toStdString();
        QJsonObject o = Json(r);
        EXPECT_EQ(o.value("type").toInt(), c.type);
        EXPECT_EQ(o.value("serial").toInt(), 77);
        const QJsonArray states = o.value("systems").toArray();
        EXPECT_EQ(states.size(), c.systems) << c.type;
        for (const auto& s : states) EXPECT_FALSE(s.toObject().value("lines").toArray().isEmpty()) << c.type;

        r = RunCli(link + QStringList{"config"});
        ASSERT_EQ(r.exitCode, 0) << c.type << ": " << r.err.toStdString();
        const QJsonArray configs = Json(r).value("systems").toArray();
        EXPECT_EQ(configs.size(), c.systems) << c.type;
        for (const auto& s : configs) EXPECT_EQ(s.toObject().value("lines").toArray().size(), c.configLines) << c.type;

        if (!c.archives) continue;
        r = RunCli(link + QStringList{"archive", "daily-diff", "--from", today.addDays(-4).toString(Qt::ISODate)});
        ASSERT_EQ(r.exitCode, 0) << c.type << ": " << r.err.toStdString();
        o = Json(r);
        EXPECT_EQ(o.value("rows").toArray().size(), 4) << c.type;  // 5 days: 4 differences and the totals
        EXPECT_TRUE(o.value("totals").toArray().at(0).toString().startsWith("ИТОГО(4):")) << c.type;
        EXPECT_TRUE(o.value("summary").toString().startsWith("архив прочитан от ")) << c.type;
    }
}

TEST(EveryType, ImitationAnswersTheStateOfEveryFamilyWithAGenerator) {
    for (const int type : {128, 225, 227, 228, 229, 230}) {
        const CliRun r = RunCli({"--imitation", "--type", QString::number(type), "--json", "state"});
        ASSERT_EQ(r.exitCode, 0) << type << ": " << r.err.toStdString();
        const QJsonObject o = Json(r);
        EXPECT_EQ(o.value("serial").toInt(), 20560);
        EXPECT_EQ(o.value("type").toInt(), type);
    }
}
