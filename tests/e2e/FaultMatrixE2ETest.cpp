// Faults on the line, end to end: omi-sim spoils its answers as told, omi-cli
// identifies, reads state, configuration or a week of the daily archive of a
// 234, and each row of the table says what must show: the exit status, the
// status text, the requests the simulator received, the records kept and
// whether the read was closed with command 254. Whatever the fault, nothing
// crashes, and no record or value shown differs from what the device holds
// (a clean simulator with the same clock is read for comparison).

#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <algorithm>
#include <csignal>
#include <random>

#include "e2e/SimProcess.h"

using namespace omi::test;

namespace {

enum class Op { Identify, State, Config, Archive };

constexpr int kAny = -1;

struct Row {
    const char* name;
    bool udp;
    Op op;
    QStringList faults;  // omi-sim options
    int exit;            // 0 or 1; kAny: either
    const char* status;  // a line omi-cli must write on stderr (nullptr: none asked)
    int requests;        // requests the simulator received (kAny: not fixed)
    int shown = kAny;    // archive: records shown; identify: the serial shown
    int end = kAny;      // archive: command 254 sent (1) or not (0)
};

// The clock of every simulator of a row and of its clean twin: this hour.
QString SimClock() { return QDateTime::currentDateTime().toString("yyyy-MM-ddTHH"); }

QStringList OpArgs(Op op) {
    const QDate today = QDate::currentDate();
    // Addressed reads (no identification first), so the requests counted are
    // the operation's own.
    const QStringList addressed{"--serial", "417", "--type", "234"};
    switch (op) {
        case Op::Identify:
            return {"identify"};
        case Op::State:
            return addressed + QStringList{"state"};
        case Op::Config:
            return addressed + QStringList{"config"};
        case Op::Archive:
            return addressed + QStringList{"archive", "daily",
                                           "--from",  today.addDays(-6).toString(Qt::ISODate),
                                           "--to",    today.toString(Qt::ISODate)};
    }
    return {};
}

std::unique_ptr<Sim> StartSim(bool udp, const QString& clock, const QStringList& faults) {
    QStringList args{"--type", "234", "--serial", "417", "--today", clock};
    args << (udp ? QStringList{"--udp", "127.0.0.1:0"} : QStringList{"--pty"}) << faults;
    return std::make_unique<Sim>(args);
}

// A short reader timeout on the pseudo-terminal, where the simulator answers
// at once: each silent attempt costs 400 ms instead of a second (long enough
// for a sanitizer build on a loaded machine to answer in time). Over UDP the
// engine waits at least a second per attempt whatever the timeout.
CliRun RunOp(const Sim& sim, bool udp, Op op) {
    QStringList args = udp ? QStringList{"--udp", sim.Udp()} : QStringList{"--port", sim.Pty(), "--timeout", "400"};
    return RunCli(args << "--json" << OpArgs(op));
}

QJsonObject Json(const CliRun& r) { return QJsonDocument::fromJson(r.out.toUtf8()).object(); }

// A failure under --json prints the failure document and no values: its
// status is the last text on stderr.
void ExpectFailureDocument(const CliRun& r) {
    const QJsonObject doc = Json(r);
    const QStringList errLines = r.err.split('\n', Qt::SkipEmptyParts);
    EXPECT_EQ(doc.value("exit").toInt(), 1) << r.out.toStdString();
    EXPECT_EQ(doc.value("status").toString(), errLines.isEmpty() ? QString() : errLines.last().trimmed())
        << r.out.toStdString() << r.err.toStdString();
    EXPECT_FALSE(doc.contains("rows") || doc.contains("systems") || doc.contains("model")) << r.out.toStdString();
}

QList<QStringList> Rows(const QJsonObject& o) {
    QList<QStringList> rows;
    for (const auto& row : o.value("rows").toArray()) {
        QStringList cells;
        for (const auto& c : row.toArray()) cells << c.toString();
        rows << cells;
    }
    return rows;
}

bool SentCommand(const Sim& sim, int command) {
    for (const QString& line : sim.Requests())
        if (line.split(' ').value(4).toInt() == command) return true;
    return false;
}

// The row's name in failure messages, not its bytes.
void PrintTo(const Row& row, std::ostream* os) { *os << row.name; }

class FaultMatrix : public ::testing::TestWithParam<Row> {};

}  // namespace

TEST_P(FaultMatrix, ShowsWhatTheLineAllows) {
    const Row& row = GetParam();
    const QString clock = SimClock();
    auto sim = StartSim(row.udp, clock, row.faults);
    ASSERT_TRUE(row.udp ? !sim->Udp().startsWith(':') : !sim->Pty().isEmpty());
    const CliRun r = RunOp(*sim, row.udp, row.op);

    // Never a signal, a hang or a usage error.
    ASSERT_TRUE(r.exitCode == 0 || r.exitCode == 1) << r.exitCode << " " << r.err.toStdString();
    if (row.exit != kAny) {
        EXPECT_EQ(r.exitCode, row.exit) << r.err.toStdString();
    }
    const QStringList errLines = r.err.split('\n', Qt::SkipEmptyParts);
    if (row.status) {
        EXPECT_TRUE(errLines.contains(QString::fromUtf8(row.status))) << r.err.toStdString();
    }
    if (r.exitCode == 1) {
        // A failure always says which.
        EXPECT_TRUE(errLines.contains("НЕТ СВЯЗИ") || errLines.contains("Ошибка связи Повторите...") ||
                    errLines.contains("архив есть, но устройство его не отдает"))
            << r.err.toStdString();
    }
    const QStringList requests = sim->Requests();
    // What the row showed, for the test report (--gtest_output=xml).
    RecordProperty("exit", r.exitCode);
    RecordProperty("stderr", errLines.join(" / ").toStdString());
    RecordProperty("requests", static_cast<int>(requests.size()));
    if (row.op == Op::Archive) {
        const auto records = std::count_if(requests.begin(), requests.end(),
                                           [](const QString& line) { return line.split(' ').value(4) == "3"; });
        RecordProperty("record_requests", static_cast<int>(records));
        RecordProperty("rows", static_cast<int>(Json(r).value("rows").toArray().size()));
        RecordProperty("summary", Json(r).value("summary").toString().toStdString());
        RecordProperty("sent_254", SentCommand(*sim, 254) ? "yes" : "no");
    }
    if (row.requests != kAny) {
        EXPECT_EQ(requests.size(), row.requests) << requests.join(" | ").toStdString();
    }

    // What the device holds, read through a clean line.
    auto clean = StartSim(false, clock, {});
    const CliRun reference = RunOp(*clean, false, row.op);
    ASSERT_EQ(reference.exitCode, 0) << reference.err.toStdString();
    const QJsonObject got = Json(r), want = Json(reference);

    switch (row.op) {
        case Op::Identify:
            if (r.exitCode == 0) {
                EXPECT_EQ(got.value("type").toInt(), 234);
                if (row.shown != kAny) {
                    EXPECT_EQ(got.value("serial").toInt(), row.shown);
                }
            } else {
                ExpectFailureDocument(r);
            }
            break;
        case Op::Config:
            // Values are shown only when they are the device's.
            if (r.exitCode == 0) {
                EXPECT_EQ(got, want);
            } else {
                ExpectFailureDocument(r);
            }
            break;
        case Op::State: {
            if (r.exitCode != 0) {
                ExpectFailureDocument(r);
                break;
            }
            // The state moves on with every request the device answers: the
            // values shown are those of one of its answers to the requests
            // it received (the clean twin asked as often).
            QList<QJsonObject> answers{want};
            for (qsizetype n = 1; n < requests.size(); ++n) answers << Json(RunOp(*clean, false, row.op));
            EXPECT_TRUE(answers.contains(got)) << r.out.toStdString();
            break;
        }
        case Op::Archive: {
            const auto shown = Rows(got);
            const auto held = Rows(want);
            ASSERT_EQ(held.size(), 7);
            if (row.shown != kAny) {
                EXPECT_EQ(shown.size(), row.shown);
            }
            // Every record shown is one the device holds, none twice.
            QSet<QString> dates;
            for (const QStringList& record : shown) {
                EXPECT_TRUE(held.contains(record)) << record.join(" ").toStdString();
                EXPECT_FALSE(dates.contains(record.value(0))) << record.value(0).toStdString();
                dates.insert(record.value(0));
            }
            if (row.end != kAny) {
                EXPECT_EQ(SentCommand(*sim, 254), row.end == 1);
            }
            if (r.exitCode == 1 && shown.isEmpty()) {
                ExpectFailureDocument(r);
            }
            // A read that ended early was not closed; with records shown,
            // its summary says the archive is incomplete.
            if (r.exitCode == 1) {
                EXPECT_FALSE(SentCommand(*sim, 254));
                if (!shown.isEmpty()) {
                    EXPECT_TRUE(got.value("summary").toString().startsWith("НЕТ СВЯЗИ: архив неполный, прочитан от "))
                        << got.value("summary").toString().toStdString();
                }
            }
            break;
        }
    }
}

// Requests of a clean week's read of the archive: identification, current
// numbers (21), begin (20), 7 records (3), end (254).
constexpr int kCleanWeek = 11;

// Answer numbers below count every answer the simulator gave, the
// identification that opens an archive read first.
INSTANTIATE_TEST_SUITE_P(
    Rows, FaultMatrix,
    ::testing::Values(
        // Noise before each answer: the reader finds the answer in it.
        Row{"noise_pty_identify", false, Op::Identify, {"--noise", "5"}, 0, nullptr, 1, 417},
        Row{"noise_pty_state", false, Op::State, {"--noise", "5"}, 0, nullptr, 1},
        Row{"noise_pty_archive", false, Op::Archive, {"--noise", "5"}, 0, nullptr, kCleanWeek, 7, 1},

        // A wrong check byte on every answer: the line delivered a whole
        // answer, so the engine's attempts end at once; the readings repeat.
        Row{"badcheck_all_pty_identify", false, Op::Identify, {"--bad-check", "1"}, 1, "НЕТ СВЯЗИ", 1},
        Row{"badcheck_all_pty_config", false, Op::Config, {"--bad-check", "1"}, 1, "Ошибка связи Повторите...", 20},
        // The archive: the identification's outcome is not used, command 21
        // is taken as it comes, each record fails, the first position is
        // asked 5 times, then the older ones are given up: nothing read, and
        // that is a failure, not an empty archive.
        Row{"badcheck_all_pty_archive",
            false,
            Op::Archive,
            {"--bad-check", "1"},
            1,
            "архив есть, но устройство его не отдает",
            8,
            0,
            0},
        // One answer in five: answers 5 (2nd record) and 10 (6th record) fail
        // and are asked again; all 7 records, the read closed.
        Row{"badcheck_5_pty_archive", false, Op::Archive, {"--bad-check", "5"}, 0, nullptr, kCleanWeek + 2, 7, 1},
        Row{"badcheck_5_udp_archive", true, Op::Archive, {"--bad-check", "5"}, 0, nullptr, kCleanWeek + 2, 7, 1},

        // Silence from the start: 4 attempts of the identification (its
        // outcome not used), 4 of command 21, then "НЕТ СВЯЗИ".
        Row{"silent_pty_archive", false, Op::Archive, {"--silent"}, 1, "НЕТ СВЯЗИ", 8, kAny, 0},
        // Silence in the middle: 5 answers (identification, 21, 20, two
        // records), then the third record is asked 4 times (serial) or 5
        // times (UDP); the two records are shown, 254 is not sent.
        Row{"mute_pty_archive", false, Op::Archive, {"--mute-after", "5"}, 1, "НЕТ СВЯЗИ", 9, 2, 0},
        Row{"mute_udp_archive", true, Op::Archive, {"--mute-after", "5"}, 1, "НЕТ СВЯЗИ", 10, 2, 0},

        // Answers cut short. On the serial line the reader waits for the rest
        // and tries again (4 attempts, then no link); over UDP the datagram is
        // taken as it is and the decoder refuses it (20 readings).
        Row{"truncate_all_pty_state", false, Op::State, {"--truncate", "1"}, 1, "НЕТ СВЯЗИ", 4},
        Row{"truncate_all_udp_state", true, Op::State, {"--truncate", "1"}, 1, "Ошибка связи Повторите...", 20},
        // Every 4th answer: the 1st, 4th and 7th records are asked twice
        // (another attempt on the line, another request over UDP).
        Row{"truncate_4_pty_archive", false, Op::Archive, {"--truncate", "4"}, 0, nullptr, kCleanWeek + 3, 7, 1},
        Row{"truncate_4_udp_archive", true, Op::Archive, {"--truncate", "4"}, 0, nullptr, kCleanWeek + 3, 7, 1},

        // Another device's serial number or type, check byte right. The
        // broadcast identification takes whoever answers; addressed reads
        // refuse the answer.
        Row{"wrongserial_all_pty_identify", false, Op::Identify, {"--wrong-address", "1"}, 0, nullptr, 1, 416},
        Row{"wrongserial_all_pty_config",
            false,
            Op::Config,
            {"--wrong-address", "1"},
            1,
            "Ошибка связи Повторите...",
            20},
        Row{"wrongtype_all_udp_state", true, Op::State, {"--wrong-type", "1"}, 1, "Ошибка связи Повторите...", 20},
        // Every 3rd answer: that to 20 (not checked), then those to the 3rd,
        // 5th and 7th records (answers 6, 9, 12), refused and asked again.
        Row{"wrongserial_3_pty_archive",
            false,
            Op::Archive,
            {"--wrong-address", "3"},
            0,
            nullptr,
            kCleanWeek + 3,
            7,
            1},
        // A record's type byte is not tested (the family's records have one
        // layout): every 3rd answer on UDP, each record taken at once.
        Row{"wrongtype_3_udp_archive", true, Op::Archive, {"--wrong-type", "3"}, 0, nullptr, kCleanWeek, 7, 1},

        // The first answer comes after the reader's timeout: it arrives
        // during the second attempt and is taken; the answer to the second
        // attempt follows it.
        Row{"late_pty_state", false, Op::State, {"--late", "700"}, 0, nullptr, 2},
        Row{"late_udp_state", true, Op::State, {"--late", "1500"}, 0, nullptr, 2},
        Row{"late_pty_archive", false, Op::Archive, {"--late", "700"}, 0, nullptr, kCleanWeek + 1, 7, 1},

        // The pseudo-terminal goes away after 6 answers (identification, 21,
        // 20, three records): the records read are shown, no link.
        Row{"hangup_pty_archive", false, Op::Archive, {"--hangup-after", "6"}, 1, "НЕТ СВЯЗИ", 6, 3, 0},

        // Answer bytes further apart than the reader's timeout: each attempt
        // gives up in the middle of an answer, and the next one starts on its
        // leftovers; 4 attempts, no link. Closer than the timeout: read.
        Row{"slowbytes_pty_identify", false, Op::Identify, {"--byte-gap", "700"}, 1, "НЕТ СВЯЗИ", 4},
        Row{"slowbytes_within_timeout_pty_identify", false, Op::Identify, {"--byte-gap", "40"}, 0, nullptr, 1, 417},

        // 2 % of the answer bytes dropped, doubled or flipped: whatever the
        // outcome, it is stated, and only the device's records are shown.
        Row{"corrupt_pty_state", false, Op::State, {"--corrupt", "2"}, kAny, nullptr, kAny},
        Row{"corrupt_pty_archive", false, Op::Archive, {"--corrupt", "2"}, kAny, nullptr, kAny},
        Row{"corrupt_udp_archive", true, Op::Archive, {"--corrupt", "2"}, kAny, nullptr, kAny},

        // Forged answers from another port come first and are never taken:
        // the engine's socket is connected to the device's address.
        Row{"spoof_udp_identify", true, Op::Identify, {"--spoof"}, 0, nullptr, 1, 417},
        Row{"spoof_udp_state", true, Op::State, {"--spoof"}, 0, nullptr, 1},
        Row{"spoof_udp_archive", true, Op::Archive, {"--spoof"}, 0, nullptr, kCleanWeek, 7, 1}),
    [](const auto& info) { return std::string(info.param.name); });

namespace {

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void WriteAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

}  // namespace

// omi-cli killed at any moment of a read and save: the archive file and its
// text copy are each either as they were or the whole new file.
TEST(FaultMatrixSave, KilledAnywhereLeavesTheOldFileOrTheWholeNewOne) {
    auto sim = StartSim(false, SimClock(), {});
    QTemporaryDir dir;
    const QDate today = QDate::currentDate();
    const QStringList read{"--port",   sim->Pty(),
                           "--serial", "417",
                           "--type",   "234",
                           "archive",  "daily",
                           "--from",   today.addDays(-40).toString(Qt::ISODate),
                           "--to",     today.toString(Qt::ISODate)};

    // The new content, from a run left alone.
    QDir(dir.path()).mkdir("ref");
    QElapsedTimer clock;
    clock.start();
    const CliRun whole = RunCli(QStringList(read) << "--save" << dir.filePath("ref/a.Arh"));
    const qint64 runMs = clock.elapsed();
    ASSERT_EQ(whole.exitCode, 0) << whole.err.toStdString();
    const QByteArray newArh = ReadAll(dir.filePath("ref/a.Arh"));
    const QByteArray newTxt = ReadAll(dir.filePath("ref/a.txt"));
    ASSERT_GT(newArh.size(), 0);
    ASSERT_GT(newTxt.size(), 0);

    QDir(dir.path()).mkdir("save");
    const QString arh = dir.filePath("save/a.Arh"), txt = dir.filePath("save/a.txt");
    const QByteArray oldArh(232 * 3, '\x11'), oldTxt("старая копия\r\n");

    std::mt19937 random(20240917);
    int killedInRead = 0, killedInSave = 0, finished = 0, mixed = 0;
    for (int round = 0; round < 20; ++round) {
        WriteAll(arh, oldArh);
        WriteAll(txt, oldTxt);
        // Every change in the folder is an event; half the rounds kill at a
        // random one of them (inside the save), half at a random time.
        const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        ASSERT_GE(watch, 0);
        ASSERT_GE(::inotify_add_watch(watch, QFile::encodeName(dir.filePath("save")).constData(),
                                      IN_CREATE | IN_MODIFY | IN_CLOSE_WRITE | IN_MOVED_TO | IN_MOVED_FROM),
                  0);
        const bool onEvent = round % 2 == 0;
        const int killAtEvent = std::uniform_int_distribution<int>(1, 10)(random);
        const qint64 killAtMs = std::uniform_int_distribution<qint64>(0, runMs)(random);

        QProcess p;
        p.start(QStringLiteral(OMI_CLI_PATH), QStringList(read) << "--save" << arh);
        ASSERT_TRUE(p.waitForStarted(5000));
        const pid_t pid = static_cast<pid_t>(p.processId());
        QElapsedTimer since;
        since.start();
        int events = 0;
        bool killed = false;
        while (!killed && p.state() == QProcess::Running && since.elapsed() < 30000) {
            pollfd fd{watch, POLLIN, 0};
            if (::poll(&fd, 1, 1) > 0) {
                alignas(inotify_event) char buffer[4096];
                for (ssize_t n; (n = ::read(watch, buffer, sizeof buffer)) > 0;) {
                    for (char* at = buffer; at < buffer + n;) {
                        ++events;
                        at += sizeof(inotify_event) + reinterpret_cast<inotify_event*>(at)->len;
                    }
                }
            }
            if ((onEvent && events >= killAtEvent) || (!onEvent && since.elapsed() >= killAtMs)) {
                ::kill(pid, SIGKILL);
                killed = true;
            }
            p.waitForFinished(0);
        }
        ::close(watch);
        if (p.state() != QProcess::NotRunning) {
            ASSERT_TRUE(p.waitForFinished(10000));
        }
        const bool died = p.exitStatus() == QProcess::CrashExit;
        if (!died) {
            EXPECT_EQ(p.exitCode(), 0) << QString::fromUtf8(p.readAllStandardError()).toStdString();
            ++finished;
        } else if (events > 0) {
            ++killedInSave;
        } else {
            ++killedInRead;
        }

        const QByteArray a = ReadAll(arh), t = ReadAll(txt);
        if ((a == oldArh) != (t == oldTxt)) ++mixed;  // one file saved, the other not yet
        EXPECT_TRUE(a == oldArh || a == newArh) << "round " << round << ": archive file of " << a.size() << " bytes";
        EXPECT_TRUE(t == oldTxt || t == newTxt) << "round " << round << ": text copy of " << t.size() << " bytes";
        if (!died) {
            EXPECT_EQ(a, newArh);
            EXPECT_EQ(t, newTxt);
        }
    }
    RecordProperty("killed_in_read", killedInRead);
    RecordProperty("killed_in_save", killedInSave);
    RecordProperty("finished", finished);
    RecordProperty("mixed", mixed);
    RecordProperty("left_in_folder", QDir(dir.filePath("save")).entryList(QDir::Files).join(' ').toStdString());
    // The rounds reached both parts of the run (or ran through).
    EXPECT_GT(killedInSave, 0);
    EXPECT_GT(killedInRead + finished, 0);
}
