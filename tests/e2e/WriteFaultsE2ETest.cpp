// Writes and the change log on a faulty line, end to end: omi-sim spoils or
// withholds its answers as told, omi-cli writes or reads, and each row says
// what must show. A write counts only an answer that passes every check of
// an answer; a write that the device would carry out again at each repeat
// (initialisation, the operating-time start, the archive clearing, the
// calibration, the new number) goes out once, while the clock and the
// configuration are repeated; a new number whose answer was lost is looked
// for under the new number. The change log shows no row that differs from
// what the device holds, and says which entries it could not read.

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include "e2e/SimProcess.h"

using namespace omi::test;

namespace {

// The commands of a write, their command code and success text.
struct Write {
    const char* name;
    QStringList args;  // after the link (write-config's file is added)
    int command;
    const char* success;
    bool repeated;  // sent again when its answer is lost
};

const Write kWrites[] = {
    {"set-clock", {"set-clock", "--yes"}, 11, "Успешно установлено ", true},
    {"write-config", {"write-config", "FILE", "--yes"}, 4, "успешно обновлена конфигурация", true},
    {"set-number", {"set-number", "300", "--yes"}, 240, "успешно установлен номер", false},
    {"init", {"init", "--yes"}, 9, "успешно инициализировано устройство", false},
    {"start-worktime", {"start-worktime", "--yes"}, 6, "успешно начат отсчет времени работы", false},
    {"clear-archives", {"clear-archives", "--yes"}, 2, "успешно начата очистка архивов", false},
};

int CountOf(const QStringList& requests, int command, int serial = -1) {
    int n = 0;
    for (const QString& r : requests) {
        const QStringList b = r.split(' ');
        if (b.value(4).toInt() != command) continue;
        if (serial >= 0 && b.value(2).toInt() + 256 * b.value(3).toInt() != serial) continue;
        ++n;
    }
    return n;
}

class WriteFaults : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = new QTemporaryDir;
        // A configuration of the same family to write.
        Sim source({"--pty", "--type", "234", "--serial", "9"});
        const CliRun save = RunCli({"--port", source.Pty(), "config", "--save", ConfigFile()});
        ASSERT_EQ(save.exitCode, 0) << save.err.toStdString();
    }
    static void TearDownTestSuite() {
        delete dir_;
        dir_ = nullptr;
    }
    static QString ConfigFile() { return dir_->filePath("config.json"); }

    // One write against a fresh simulator of a 234 № 5 with the faults; the
    // link: a pseudo-terminal (a short reader timeout, the simulator answers
    // at once) or UDP. Without addressed, omi-cli identifies the device first,
    // so that the write's answer is the simulator's second.
    struct Outcome {
        CliRun run;
        QStringList requests;
    };
    static Outcome Run(const Write& w, bool udp, const QStringList& faults, bool addressed = false) {
        QStringList simArgs{"--type", "234", "--serial", "5"};
        simArgs << (udp ? QStringList{"--udp", "127.0.0.1:0"} : QStringList{"--pty"}) << faults;
        Sim sim(simArgs);
        QStringList args = udp ? QStringList{"--udp", sim.Udp()} : QStringList{"--port", sim.Pty(), "--timeout", "400"};
        if (addressed)
            args << "--serial"
                 << "5"
                 << "--type"
                 << "234";
        for (const QString& a : w.args) args << (a == "FILE" ? ConfigFile() : a);
        Outcome o;
        o.run = RunCli(args);
        o.requests = sim.Requests();
        return o;
    }

    static QTemporaryDir* dir_;
};

QTemporaryDir* WriteFaults::dir_ = nullptr;

struct Fault {
    const char* name;
    bool udp;
    QStringList faults;
};

// The write's answer arrives spoilt: the check byte, another device's number
// or type, half of it. The clock and the configuration are sent again and
// taken by the next answer; the new number, which the device took, is found
// under that number; the rest are sent once and fail, saying why the answer
// was not taken. Before, each of them printed its success text.
TEST_F(WriteFaults, SpoiltAnswerIsNoAnswer) {
    const Fault faults[] = {
        {"bad check byte", false, {"--bad-check", "2"}},    {"bad check byte", true, {"--bad-check", "2"}},
        {"another number", true, {"--wrong-address", "2"}}, {"another type", true, {"--wrong-type", "2"}},
        {"half an answer", true, {"--truncate", "2"}},
    };
    for (const Fault& f : faults) {
        for (const Write& w : kWrites) {
            const std::string what = std::string(f.name) + (f.udp ? " udp " : " pty ") + w.name;
            const Outcome o = Run(w, f.udp, f.faults);
            const CliRun& r = o.run;
            if (w.command == 240) {
                EXPECT_EQ(r.exitCode, 0) << what << r.err.toStdString();
                EXPECT_TRUE(r.out.contains(w.success)) << what;
                EXPECT_EQ(CountOf(o.requests, 240), 1) << what;
                EXPECT_EQ(CountOf(o.requests, 0, 300), 1) << what << ": looked for under the new number";
            } else if (w.repeated) {
                EXPECT_EQ(r.exitCode, 0) << what << r.err.toStdString();
                EXPECT_TRUE(r.out.contains(w.success)) << what << r.out.toStdString();
                EXPECT_EQ(CountOf(o.requests, w.command), 2) << what;
            } else {
                EXPECT_EQ(r.exitCode, 1) << what << r.out.toStdString();
                EXPECT_FALSE(r.out.contains(w.success)) << what;
                EXPECT_TRUE(r.err.contains("НЕТ СВЯЗИ")) << what << r.err.toStdString();
                EXPECT_TRUE(r.err.contains("ответ прибора не принят: ")) << what << r.err.toStdString();
                EXPECT_EQ(CountOf(o.requests, w.command), 1) << what;
            }
        }
    }
}

// A line that drops, inserts and flips bytes: a verdict comes only from an
// answer that passed its checks (the simulator takes every write), so
// whatever the damage, no write is said to be refused by the device.
TEST_F(WriteFaults, CorruptedBytesGiveNoVerdict) {
    int succeeded = 0;
    for (const Write& w : kWrites) {
        const Outcome o = Run(w, false, {"--corrupt", "30"}, true);
        const CliRun& r = o.run;
        EXPECT_TRUE(r.exitCode == 0 || r.exitCode == 1) << w.name << r.err.toStdString();
        EXPECT_FALSE(r.err.contains("не совпал пароль")) << w.name << r.err.toStdString();
        EXPECT_FALSE(r.err.contains("не замкнута перемычка")) << w.name << r.err.toStdString();
        if (r.exitCode == 0) {
            ++succeeded;
            EXPECT_TRUE(r.out.contains(w.success)) << w.name;
        } else {
            EXPECT_TRUE(r.err.contains("НЕТ СВЯЗИ")) << w.name << r.err.toStdString();
        }
        if (!w.repeated) {
            EXPECT_EQ(CountOf(o.requests, w.command), 1) << w.name;
        }
    }
}

// The answer is lost (the request is carried out): the clock and the
// configuration are sent again; the others go out once. The new number is
// found under the new number while the device still answers.
TEST_F(WriteFaults, LostAnswerIsRepeatedOnlyWhereHarmless) {
    struct Row {
        const char* name;
        QStringList faults;
        bool answersLater;  // the device answers the request after the lost one
    };
    const Row rows[] = {
        {"one answer lost", {"--silence", "2"}, true},
        {"silent after identification", {"--mute-after", "1"}, false},
    };
    for (const Row& row : rows) {
        for (const Write& w : kWrites) {
            const std::string what = std::string(row.name) + " " + w.name;
            const Outcome o = Run(w, false, row.faults);
            const CliRun& r = o.run;
            const bool ok = row.answersLater && (w.repeated || w.command == 240);
            EXPECT_EQ(r.exitCode, ok ? 0 : 1) << what << r.err.toStdString();
            if (ok)
                EXPECT_TRUE(r.out.contains(w.success)) << what;
            else
                EXPECT_TRUE(r.err.contains("НЕТ СВЯЗИ")) << what << r.err.toStdString();
            // The serial line's four attempts, or one send.
            const int sent = w.repeated ? (row.answersLater ? 2 : 4) : 1;
            EXPECT_EQ(CountOf(o.requests, w.command), sent) << what;
        }
    }
    // Calibration is sent once per run, whatever became of its answer.
    for (const Row& row : rows) {
        const Write calibrate{"calibrate", {"calibrate", "lower", "--wait", "400", "--yes"}, 13, "", false};
        const Outcome o = Run(calibrate, false, row.faults);
        EXPECT_EQ(o.run.exitCode, 1) << row.name << o.run.err.toStdString();
        EXPECT_EQ(CountOf(o.requests, 13), 1) << row.name;
    }
}

// The change log on a faulty line: every row shown is the device's own (a
// clean simulator with the same clock is read for comparison); an entry that
// cannot be read shows "нет данных" and is named, and the command exits 1.
TEST(ChangeLogFaults, RowsAreTheDevicesOrNamedAsUnread) {
    const QString clock = QDateTime::currentDateTime().toString("yyyy-MM-ddTHH");
    const auto read = [&](bool udp, const QStringList& faults, QStringList* requests = nullptr) {
        QStringList simArgs{"--type", "229", "--serial", "7", "--today", clock};
        simArgs << (udp ? QStringList{"--udp", "127.0.0.1:0"} : QStringList{"--pty"}) << faults;
        Sim sim(simArgs);
        QStringList args = udp ? QStringList{"--udp", sim.Udp()} : QStringList{"--port", sim.Pty(), "--timeout", "200"};
        const CliRun r = RunCli(args << "--serial"
                                     << "7"
                                     << "--type"
                                     << "229"
                                     << "--json"
                                     << "changelog");
        if (requests) *requests = sim.Requests();
        return r;
    };
    const auto rowsOf = [](const CliRun& r) {
        return QJsonDocument::fromJson(r.out.toUtf8()).object().value("rows").toArray();
    };
    const CliRun clean = read(false, {});
    ASSERT_EQ(clean.exitCode, 0) << clean.err.toStdString();
    const QJsonArray expected = rowsOf(clean);
    ASSERT_EQ(expected.size(), 66);

    struct Row {
        const char* name;
        bool udp;
        QStringList faults;
        bool complete;  // every entry read
    };
    const Row rows[] = {
        // Every second answer from another device: asked again.
        {"another number", false, {"--wrong-address", "2"}, true},
        // Each answer later than the reader's timeout: the request is not
        // repeated, so no late answer is taken for the next entry's.
        {"late answers", false, {"--delay", "300"}, true},
        {"a request lost now and then", false, {"--silence", "9"}, true},
        {"bad check bytes", true, {"--bad-check", "2"}, true},
        // Most answers damaged: many entries stay unread.
        {"corrupted datagrams", true, {"--corrupt", "5"}, false},
    };
    for (const Row& row : rows) {
        QStringList requests;
        const CliRun r = read(row.udp, row.faults, &requests);
        const QJsonArray got = rowsOf(r);
        EXPECT_EQ(r.exitCode, row.complete ? 0 : 1) << row.name << r.err.toStdString();
        ASSERT_EQ(got.size(), 66) << row.name << r.err.toStdString();
        int unread = 0;
        for (qsizetype i = 0; i < got.size(); ++i) {
            const QJsonArray g = got.at(i).toArray();
            if (g.at(1).toString() == "нет данных") {
                ++unread;
                // Its place: block, record and system of the entry.
                EXPECT_TRUE(expected.at(i).toArray().at(0).toString().startsWith(g.at(0).toString())) << row.name;
                continue;
            }
            EXPECT_EQ(g, expected.at(i).toArray()) << row.name << " row " << i;
        }
        if (row.complete) {
            EXPECT_EQ(unread, 0) << row.name;
        } else {
            EXPECT_GT(unread, 0) << row.name;
            EXPECT_TRUE(r.err.contains("не прочитаны записи")) << row.name << r.err.toStdString();
        }
        if (std::string(row.name) == "late answers") {
            EXPECT_EQ(CountOf(requests, 12), 33) << "no request repeated";
        }
    }
}

}  // namespace
