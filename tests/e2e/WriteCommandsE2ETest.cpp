// omi-cli's writes against omi-sim over a pseudo-terminal and over UDP: the
// bytes the simulator received, the exit status and the texts, --json, the
// refusal without --yes, and a device that refuses.

#include <QFile>
#include <QJsonArray>
#include <QTemporaryDir>
#include <QJsonDocument>
#include <QJsonObject>

#include "e2e/SimProcess.h"

using namespace omi::test;

namespace {

struct Link {
    const char* name;
    bool udp;
};

class WriteCommands : public ::testing::TestWithParam<Link> {
protected:
    QStringList linkArgs(const Sim& sim) const {
        return GetParam().udp ? QStringList{"--udp", sim.Udp()} : QStringList{"--port", sim.Pty()};
    }
    std::unique_ptr<Sim> start(QStringList extra = {}) const {
        QStringList args{"--type", "234", "--serial", "5"};
        args << (GetParam().udp ? QStringList{"--udp", "127.0.0.1:0"} : QStringList{"--pty"}) << extra;
        return std::make_unique<Sim>(args);
    }
};

QStringList withCommand(const QStringList& requests, int command) {
    QStringList out;
    for (const QString& r : requests)
        if (r.section(' ', 4, 4).toInt() == command) out << r;
    return out;
}

}  // namespace

TEST_P(WriteCommands, EachWriteSendsItsRequest) {
    auto sim = start();
    struct Case {
        QStringList args;
        int command;
        QString sent;  // the request's bytes after the address and command
        QString status;
    };
    const Case cases[] = {
        {{"init", "--yes"}, 9, "", "успешно инициализировано устройство"},
        {{"start-worktime", "--yes"}, 6, "", "успешно начат отсчет времени работы"},
        {{"clear-archives", "--yes"}, 2, "68 187", "успешно начата очистка архивов"},
        {{"set-number", "300", "--yes"}, 240, "85 170 44 1", "успешно установлен номер"},
    };
    for (const Case& c : cases) {
        const CliRun r = RunCli(linkArgs(*sim) << "--serial" << "5" << "--type" << "234"
                                               << c.args);
        EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
        EXPECT_TRUE(r.out.contains(c.status)) << r.out.toStdString();
        const QStringList sent = withCommand(sim->Requests(), c.command);
        ASSERT_EQ(sent.size(), 1) << c.command;
        const QStringList bytes = sent.first().split(' ');
        EXPECT_EQ(bytes.mid(5, bytes.size() - 6).join(' '), c.sent) << c.command;
    }
    // Renumbered: the device answers from 300 now, not from 5.
    const CliRun json = RunCli(linkArgs(*sim) << "--json" << "set-clock" << "--yes");
    ASSERT_EQ(json.exitCode, 0) << json.err.toStdString();
    const QJsonObject o = QJsonDocument::fromJson(json.out.toUtf8()).object();
    EXPECT_EQ(o.value("serial").toInt(), 300);
    EXPECT_EQ(o.value("operation").toString(), "set-clock");
    EXPECT_TRUE(o.value("result").isNull()) << "the clock reads no result";
    EXPECT_TRUE(o.value("status").toString().startsWith("Успешно установлено "));
    EXPECT_EQ(withCommand(sim->Requests(), 11).value(0).section(' ', 0, 4), "11 234 44 1 11");
}

TEST_P(WriteCommands, RefusalsAndConfirmation) {
    auto sim = start({"--write-result", "1"});
    const CliRun unconfirmed = RunCli(linkArgs(*sim) << "--serial" << "5" << "--type" << "234" << "init");
    EXPECT_EQ(unconfirmed.exitCode, 2);
    EXPECT_TRUE(withCommand(sim->Requests(), 9).isEmpty()) << "nothing sent without --yes";

    const CliRun refused =
        RunCli(linkArgs(*sim) << "--json" << "--serial" << "5" << "--type" << "234" << "init" << "--yes");
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.err.contains("не замкнута перемычка")) << refused.err.toStdString();
    const QJsonObject o = QJsonDocument::fromJson(refused.out.toUtf8()).object();
    EXPECT_EQ(o.value("result").toInt(), 1);
    EXPECT_EQ(o.value("status").toString(), "не замкнута перемычка");
}

TEST_P(WriteCommands, ChangeLog) {
    auto sim = start();
    const CliRun r = RunCli(linkArgs(*sim) << "--json" << "changelog");
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QJsonObject o = QJsonDocument::fromJson(r.out.toUtf8()).object();
    EXPECT_EQ(o.value("type").toInt(), 234);
    EXPECT_EQ(o.value("serial").toInt(), 5);
    EXPECT_EQ(o.value("header").toArray().at(1).toArray().at(0).toString(), "Дата, время");
    const QJsonArray rows = o.value("rows").toArray();
    ASSERT_EQ(rows.size(), 66);
    EXPECT_TRUE(rows.at(0).toArray().at(0).toString().startsWith("0 00 1 "));
    EXPECT_TRUE(rows.at(65).toArray().at(0).toString().startsWith("2 10 2 "));
    EXPECT_EQ(rows.at(65).toArray().size(), 16);
    EXPECT_EQ(withCommand(sim->Requests(), 12).size(), 33);

    // A device without a log: nothing sent, exit 1.
    QStringList args{"--type", "227", "--serial", "5"};
    args << (GetParam().udp ? QStringList{"--udp", "127.0.0.1:0"} : QStringList{"--pty"});
    Sim plain(args);
    const CliRun none = RunCli(linkArgs(plain) << "changelog");
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_TRUE(none.err.contains("не ведет журнал учета изменений")) << none.err.toStdString();
    EXPECT_TRUE(withCommand(plain.Requests(), 12).isEmpty());
}

// One configuration for a batch of meters: saved from one device, written
// to another of the same family; another family and a damaged file are
// refused with nothing sent.
TEST(WriteConfigFile, SavedFromOneWrittenToAnother) {
    QTemporaryDir dir;
    const QString saved = dir.filePath("конфигурация.json");
    Sim source({"--pty", "--type", "234", "--serial", "5"});
    const CliRun save = RunCli({"--port", source.Pty(), "config", "--save", saved});
    ASSERT_EQ(save.exitCode, 0) << save.err.toStdString();

    Sim target({"--pty", "--type", "235", "--serial", "6"});
    const CliRun write = RunCli({"--port", target.Pty(), "write-config", saved, "--yes"});
    EXPECT_EQ(write.exitCode, 0) << write.err.toStdString();
    const QStringList written = withCommand(target.Requests(), 4);
    ASSERT_EQ(written.size(), 1);
    // The same data bytes as the source's own configuration, to the target's address.
    QFile file(saved);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray data = QByteArray::fromHex(QJsonDocument::fromJson(file.readAll()).object().value("data").toString().toLatin1());
    QStringList bytes = written.first().split(' ');
    EXPECT_EQ(bytes.mid(1, 3).join(' '), "235 6 0");
    QStringList expected;
    for (char c : data) expected << QString::number(static_cast<unsigned char>(c));
    EXPECT_EQ(bytes.mid(5, bytes.size() - 6), expected);

    Sim other({"--pty", "--type", "229", "--serial", "7"});
    const CliRun refused = RunCli({"--port", other.Pty(), "write-config", saved, "--yes"});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.err.contains("не записана")) << refused.err.toStdString();
    const QString damaged = dir.filePath("damaged.json");
    QFile bad(damaged);
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("{\"type\": 235, \"command\": 4, \"data\": \"00 01\"}");
    bad.close();
    EXPECT_EQ(RunCli({"--port", other.Pty(), "write-config", damaged, "--yes"}).exitCode, 1);
    Sim same({"--pty", "--type", "234", "--serial", "8"});
    EXPECT_EQ(RunCli({"--port", same.Pty(), "write-config", damaged, "--yes"}).exitCode, 1);
    // One hex digit of the saved file changed to a letter that is none: the
    // file is refused, not written with its bytes shifted.
    QFile original(saved);
    ASSERT_TRUE(original.open(QIODevice::ReadOnly));
    QJsonObject o = QJsonDocument::fromJson(original.readAll()).object();
    QString hex = o.value("data").toString();
    ASSERT_GT(hex.size(), 4);
    hex[3] = QLatin1Char('g');
    o.insert("data", hex);
    const QString spoilt = dir.filePath("spoilt.json");
    QFile spoiltFile(spoilt);
    ASSERT_TRUE(spoiltFile.open(QIODevice::WriteOnly));
    spoiltFile.write(QJsonDocument(o).toJson());
    spoiltFile.close();
    const CliRun refusedSpoilt = RunCli({"--port", same.Pty(), "write-config", spoilt, "--yes"});
    EXPECT_EQ(refusedSpoilt.exitCode, 1);
    EXPECT_TRUE(refusedSpoilt.err.contains("поврежден")) << refusedSpoilt.err.toStdString();
    EXPECT_TRUE(withCommand(other.Requests(), 4).isEmpty());
    EXPECT_TRUE(withCommand(same.Requests(), 4).isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Links, WriteCommands, ::testing::Values(Link{"pty", false}, Link{"udp", true}),
                         [](const ::testing::TestParamInfo<Link>& info) { return std::string(info.param.name); });
