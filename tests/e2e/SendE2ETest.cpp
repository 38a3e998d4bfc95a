// omi-cli send against omi-sim over a pseudo-terminal and over UDP: the
// request as the simulator received it, the answer and its checks, the
// answer decoded by the example tables shipped in the data folder, a command
// the device does not serve, an answer that fails its checks, and the usage
// and table errors that send nothing.

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include "e2e/SimProcess.h"
#include "support/DataFolder.h"

using namespace omi::test;

namespace {

struct Link {
    const char* name;
    bool udp;
};

class Send : public ::testing::TestWithParam<Link> {
protected:
    static void SetUpTestSuite() {
        folder_ = new QTemporaryDir;
        QString why;
        data_ = CopyDataFolder(folder_->path(), &why);
        ASSERT_FALSE(data_.isEmpty()) << why.toStdString();
    }
    static void TearDownTestSuite() {
        delete folder_;
        folder_ = nullptr;
    }

    QStringList linkArgs(const Sim& sim) const {
        return GetParam().udp ? QStringList{"--udp", sim.Udp()} : QStringList{"--port", sim.Pty()};
    }
    std::unique_ptr<Sim> start(const QString& type, const QString& serial, QStringList extra = {}) const {
        QStringList args{"--type", type, "--serial", serial};
        args << (GetParam().udp ? QStringList{"--udp", "127.0.0.1:0"} : QStringList{"--pty"}) << extra;
        return std::make_unique<Sim>(args);
    }
    static QStringList withCommand(const QStringList& requests, int command) {
        QStringList out;
        for (const QString& r : requests)
            if (r.section(' ', 4, 4).toInt() == command) out << r;
        return out;
    }

    static inline QTemporaryDir* folder_ = nullptr;
    static inline QString data_;
};

}  // namespace

TEST_P(Send, StateRequestAnsweredAndDecoded) {
    auto sim = start("234", "5");
    // Identified first; the table named by its path.
    const CliRun r = RunCli(linkArgs(*sim) << "--json" << "send" << "--cmd" << "1" << "--table"
                                           << data_ + "/ОТЛАДКА/234/ответ состояния.txt");
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QJsonObject o = QJsonDocument::fromJson(r.out.toUtf8()).object();
    // 6 + 234 + 5 + 1 = 246: the check byte is 10.
    EXPECT_EQ(o.value("request").toString(), "06 EA 05 00 01 0A");
    EXPECT_TRUE(o.value("valid").toBool());
    const QStringList answer = o.value("answer").toString().split(' ');
    ASSERT_EQ(answer.size(), 129);
    EXPECT_EQ(answer.mid(0, 5).join(' '), "81 EA 05 00 01");
    QStringList fields;
    for (const QJsonValue& v : o.value("fields").toArray()) fields << v.toString();
    EXPECT_EQ(fields.mid(0, 4), (QStringList{"длина=129", "тип прибора=234", "номер прибора=5", "команда=1"}));
    EXPECT_TRUE(fields.contains("ошибка прибора=0")) << fields.join('|').toStdString();
    EXPECT_EQ(withCommand(sim->Requests(), 1), QStringList{"6 234 5 0 1 10"});
}

TEST_P(Send, TableFromTheDeviceTypeFolder) {
    auto sim = start("229", "300");
    // Addressed without identifying; the table by its bare name in ДАННЫЕ/ОТЛАДКА/229.
    const CliRun r = RunCli(linkArgs(*sim) << "--serial" << "300" << "--type" << "229" << "--data-dir" << data_
                                           << "send" << "--cmd" << "21" << "--table" << "ответ указателей архивов");
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_GE(lines.size(), 9) << r.out.toStdString();
    EXPECT_EQ(lines[0], "запрос: 06 E5 2C 01 15 D3");
    EXPECT_TRUE(lines[1].startsWith("ответ:  09 E5 2C 01 15 ")) << lines[1].toStdString();
    EXPECT_EQ(lines[2], "ответ верен");
    EXPECT_EQ(lines.mid(3, 4), (QStringList{"длина=9", "тип прибора=229", "номер прибора=300", "команда=21"}));
    EXPECT_TRUE(lines[7].startsWith("текущий № часовой записи=")) << lines[7].toStdString();
    EXPECT_EQ(sim->Requests(), QStringList{"6 229 44 1 21 211"}) << "nothing but the request";
}

TEST_P(Send, NoValidAnswerFails) {
    auto sim = start("234", "5", {"--bad-check", "2"});
    const QStringList address{"--serial", "5", "--type", "234", "--timeout", "300"};

    // A command the device does not serve: no answer.
    const CliRun silent = RunCli(linkArgs(*sim) << address << "--json" << "send" << "--cmd" << "77");
    EXPECT_EQ(silent.exitCode, 1);
    EXPECT_TRUE(silent.err.contains("НЕТ ОТВЕТА")) << silent.err.toStdString();
    const QJsonObject none = QJsonDocument::fromJson(silent.out.toUtf8()).object();
    EXPECT_FALSE(none.value("valid").toBool(true));
    EXPECT_EQ(none.value("answer").toString(), "");
    EXPECT_FALSE(withCommand(sim->Requests(), 77).isEmpty());

    // The simulator spoils every second answer's check byte: of two requests
    // one gets a valid answer, the other one that fails its checks.
    int valid = 0, spoiled = 0;
    for (int i = 0; i < 2; ++i) {
        const CliRun r = RunCli(linkArgs(*sim) << address << "send" << "--cmd" << "21");
        if (r.exitCode == 0) {
            ++valid;
            EXPECT_TRUE(r.out.contains("ответ верен")) << r.out.toStdString();
        } else {
            ++spoiled;
            EXPECT_EQ(r.exitCode, 1);
            EXPECT_TRUE(r.out.contains("ответ неверен: неверный контрольный байт")) << r.out.toStdString();
            EXPECT_TRUE(r.err.contains("неверный контрольный байт")) << r.err.toStdString();
        }
    }
    EXPECT_EQ(valid, 1);
    EXPECT_EQ(spoiled, 1);
}

TEST_P(Send, UsageAndTableErrorsSendNothing) {
    auto sim = start("234", "5");
    struct Case {
        QStringList args;
        int exitCode;
        const char* error;
    };
    const Case cases[] = {
        {{"send", "--cmd", "1", "--data", "1G"}, 2, "--data needs bytes in hex"},
        {{"send", "--cmd", "1", "--data", "018"}, 2, "--data needs bytes in hex"},
        {{"send", "--cmd", "1", "--data", QString(250 * 2, QLatin1Char('0'))}, 2, "--data: at most 249 bytes"},
        {{"send", "--cmd", "256"}, 2, "--cmd needs a command code 0..255"},
        {{"send", "--cmd", "x"}, 2, "--cmd needs a command code 0..255"},
        {{"send", "--data", "01"}, 2, "send needs --cmd"},
        {{"send", "--cmd", "1", "--yes"}, 2, "option --yes does not apply"},
        {{"send", "--cmd", "1", "--table", "/нет/такой таблицы.txt"}, 1,
         "таблица описания не загружена: не найден файл: /нет/такой таблицы.txt"},
    };
    for (const Case& c : cases) {
        const CliRun r = RunCli(linkArgs(*sim) << "--serial" << "5" << "--type" << "234" << c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.args.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.error))) << r.err.toStdString();
    }
    EXPECT_EQ(sim->Requests(), QStringList()) << "nothing sent";

    // Data bytes go out as given.
    const CliRun r = RunCli(linkArgs(*sim) << "--serial" << "5" << "--type" << "234" << "send" << "--cmd" << "3"
                                           << "--data" << "c7:80");
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(withCommand(sim->Requests(), 3).value(0).section(' ', 0, 6), "8 234 5 0 3 199 128");
}

INSTANTIATE_TEST_SUITE_P(Links, Send, ::testing::Values(Link{"pty", false}, Link{"udp", true}),
                         [](const ::testing::TestParamInfo<Link>& info) { return std::string(info.param.name); });
