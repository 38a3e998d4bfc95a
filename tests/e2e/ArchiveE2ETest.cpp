// omi-cli archive and show-archive against omi-sim: the tables the archive
// grid shows, the files they save, the requests they cost.

#include "e2e/SimProcess.h"

#include <cstring>
#include <QDate>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

using namespace omi::test;

namespace {

struct LinkCase {
    const char* name;
    bool udp;
};

QJsonObject Json(const CliRun& r) { return QJsonDocument::fromJson(r.out.toUtf8()).object(); }

QList<QStringList> Rows(const QJsonValue& v) {
    QList<QStringList> rows;
    for (const auto& row : v.toArray()) {
        QStringList cells;
        for (const auto& c : row.toArray()) cells << c.toString();
        rows << cells;
    }
    return rows;
}

QString Iso(const QDate& d) { return d.toString(Qt::ISODate); }

// Archive record requests (command 3) in the simulator's log.
int RecordRequests(const Sim& sim) {
    int n = 0;
    for (const QString& line : sim.Requests())
        if (line.split(' ').value(4) == "3") ++n;
    return n;
}

class ArchiveOverLink : public ::testing::TestWithParam<LinkCase> {
protected:
    std::unique_ptr<Sim> Start(const QString& type = "234") {
        QStringList args{"--type", type, "--serial", "417"};
        args << (GetParam().udp ? QStringList{"--udp", "127.0.0.1:0"} : QStringList{"--pty"});
        return std::make_unique<Sim>(args);
    }
    QStringList Link(const Sim& sim) const {
        return GetParam().udp ? QStringList{"--udp", sim.Udp()} : QStringList{"--port", sim.Pty()};
    }
};

}  // namespace

TEST_P(ArchiveOverLink, DailyKindsOverAWeek) {
    auto sim = Start();
    const QDate today = QDate::currentDate();
    const QStringList range{"--from", Iso(today.addDays(-6)), "--to", Iso(today)};

    CliRun r = RunCli(Link(*sim) << "--json" << "archive" << "daily" << range);
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    QJsonObject o = Json(r);
    EXPECT_EQ(o.value("type").toInt(), 234);
    EXPECT_EQ(o.value("serial").toInt(), 417);
    EXPECT_EQ(o.value("kind").toString(), "daily");
    EXPECT_EQ(o.value("system").toInt(), 1);
    const auto header = Rows(o.value("header"));
    ASSERT_EQ(header.size(), 2);
    // The operator's daily columns: 15, no hour column.
    EXPECT_EQ(header[0].size(), 15);
    EXPECT_EQ(header[0].first(), "ДАТА");
    EXPECT_EQ(header[1].value(1), " Гкал");
    auto rows = Rows(o.value("rows"));
    ASSERT_EQ(rows.size(), 7);
    const QStringList months{"января", "февраля", "марта",    "апреля",  "мая",    "июня",
                             "июля",   "августа", "сентября", "октября", "ноября", "декабря"};
    // Newest first, dated as the grid dates them.
    EXPECT_EQ(rows.first().first(),
              QString("%1 %2 %3г.").arg(today.day(), 2, 10, QChar('0')).arg(months[today.month() - 1]).arg(today.year()));
    EXPECT_TRUE(o.value("totals").isNull());
    EXPECT_EQ(o.value("summary").toString(),
              QString("архив прочитан от %1 г. до %2 г.")
                  .arg(today.addDays(-6).toString("dd.MM.yyyy"), today.toString("dd.MM.yyyy")));
    EXPECT_EQ(RecordRequests(*sim), 7);

    r = RunCli(Link(*sim) << "--json" << "archive" << "daily-diff" << range << "--system" << "2");
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    o = Json(r);
    EXPECT_EQ(o.value("kind").toString(), "daily-diff");
    EXPECT_EQ(o.value("system").toInt(), 2);
    rows = Rows(o.value("rows"));
    EXPECT_EQ(rows.size(), 6);  // 7 entries: 6 differences and the totals
    const QStringList totals = Rows(QJsonArray{o.value("totals")}).value(0);
    EXPECT_EQ(totals.value(0), "ИТОГО(6):");
}

TEST_P(ArchiveOverLink, HourlyRangeCostsOnlyItsRequests) {
    auto sim = Start();
    const QDate today = QDate::currentDate();
    const CliRun r = RunCli(Link(*sim) << "--json" << "archive" << "hourly-diff" << "--from"
                                       << Iso(today.addDays(-1)) << "--to" << Iso(today));
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QJsonObject o = Json(r);
    const auto header = Rows(o.value("header"));
    ASSERT_EQ(header.size(), 2);
    EXPECT_EQ(header[0].size(), 16);  // the hour column is shown
    const auto rows = Rows(o.value("rows"));
    // Yesterday's 24 hours and today's so far: one request each, out of 1081.
    const int requests = RecordRequests(*sim);
    EXPECT_GE(requests, 24);
    EXPECT_LE(requests, 48);
    EXPECT_EQ(rows.size() + 1, requests);  // the oldest entry became the totals
    EXPECT_FALSE(o.value("totals").isNull());
}

TEST_P(ArchiveOverLink, SavedFileShowsTheSameTable) {
    auto sim = Start();
    QTemporaryDir dir;
    const QDate today = QDate::currentDate();
    const QString file = dir.filePath("архив/ЧАС 1_Я.Arh");  // the folder is created
    const CliRun read = RunCli(Link(*sim) << "--json" << "--precision" << "3" << "archive" << "hourly-diff"
                                          << "--from" << Iso(today) << "--to" << Iso(today) << "--save" << file);
    ASSERT_EQ(read.exitCode, 0) << read.err.toStdString();
    ASSERT_TRUE(QFile::exists(file));
    ASSERT_TRUE(QFile::exists(dir.filePath("архив/ЧАС 1_Я.txt")));

    const CliRun shown = RunCli({"--json", "--precision", "3", "show-archive", file, "--type", "234"});
    ASSERT_EQ(shown.exitCode, 0) << shown.err.toStdString();
    const QJsonObject a = Json(read), b = Json(shown);
    EXPECT_EQ(b.value("kind").toString(), "file");
    EXPECT_EQ(b.value("system").toInt(), 1);
    EXPECT_EQ(b.value("summary").toString(), "архива из файла: ЧАС 1_Я.Arh - прочитан");
    EXPECT_EQ(Rows(a.value("header")), Rows(b.value("header")));
    EXPECT_EQ(Rows(a.value("rows")), Rows(b.value("rows")));
    EXPECT_EQ(a.value("totals"), b.value("totals"));
    EXPECT_FALSE(b.value("totals").isNull());
}

INSTANTIATE_TEST_SUITE_P(Links, ArchiveOverLink, ::testing::Values(LinkCase{"pty", false}, LinkCase{"udp", true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ArchiveCli, NoRecordInRangeIsAnEmptyTableNotAFailure) {
    Sim sim({"--type", "235", "--serial", "9", "--pty"});
    const CliRun r = RunCli({"--port", sim.Pty(), "--json", "archive", "daily", "--from", "2020-01-01", "--to",
                             "2020-01-05"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QJsonObject o = Json(r);
    EXPECT_TRUE(o.value("rows").toArray().isEmpty());
    EXPECT_TRUE(o.value("totals").isNull());
    EXPECT_EQ(o.value("summary").toString(), "в архиве нет ни одной записи");
    EXPECT_EQ(RecordRequests(sim), 0);
}

TEST(ArchiveCli, AllRecordsReadsTheWholeRing) {
    Sim sim({"--type", "234", "--serial", "417", "--pty"});
    const CliRun r = RunCli({"--port", sim.Pty(), "--json", "archive", "daily", "--all-records", "--from",
                             "2026-01-01", "--to", "2026-01-02"});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QJsonObject o = Json(r);
    EXPECT_EQ(o.value("summary").toString(), "архив прочитан от корки до корки");
    EXPECT_EQ(o.value("rows").toArray().size(), 366);
}

TEST(ArchiveCli, OneSystemDeviceHasNoSecondSystem) {
    Sim sim({"--type", "235", "--serial", "9", "--pty"});
    const CliRun r = RunCli({"--port", sim.Pty(), "archive", "daily", "--system", "2"});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_FALSE(r.err.isEmpty());
    EXPECT_EQ(RecordRequests(sim), 0);
}

// Files that are not what they claim: shown as far as they go, never a crash,
// never written over.
TEST(ArchiveCli, BrokenFilesAreReadSafely) {
    QTemporaryDir dir;
    auto write = [&](const QString& name, const QByteArray& bytes) {
        QFile f(dir.filePath(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return dir.filePath(name);
    };
    QByteArray noise(5000, '\0');
    for (int i = 0; i < noise.size(); ++i) noise[i] = char((i * 7919 + 13) % 251);
    // The same bytes with a real date (a week ago, hour 0) in each 232-byte record.
    QByteArray dated = noise;
    const std::int32_t weekAgo = std::int32_t(QDate(1999, 12, 31).daysTo(QDate::currentDate()) - 7), midnight = 0;
    for (qsizetype at = 0; at + 232 <= dated.size(); at += 232) {
        std::memcpy(dated.data() + at + 224, &midnight, 4);
        std::memcpy(dated.data() + at + 228, &weekAgo, 4);
    }
    struct Case {
        QString path;
        int rows;
        int exit;
        QString error;  // with exit 1: the text on stderr
    };
    const QString truncated = write("a.Arh", dated.left(1000));       // 4 records and 72 bytes
    const QString otherFamily = write("b.Arh", noise.left(176 * 5));  // five 176-byte records: no real date
    const QString tiny = write("c.Arh", noise.left(100));             // less than a record: no archive
    const QString missing = dir.filePath("нет.Arh");
    for (const Case& c : {Case{truncated, 4, 0, {}}, Case{otherFamily, 0, 1, " - не опознан как архивный"},
                          Case{tiny, 0, 1, " - не опознан как архивный"}, Case{missing, 0, 1, "не найден файл"}}) {
        const QByteArray before = QFile::exists(c.path) ? [&] {
            QFile f(c.path);
            f.open(QIODevice::ReadOnly);
            return f.readAll();
        }() : QByteArray();
        const CliRun r = RunCli({"--json", "show-archive", c.path, "--type", "234"});
        EXPECT_EQ(r.exitCode, c.exit) << c.path.toStdString() << ": " << r.err.toStdString();
        if (c.exit == 0) {
            // A last record with a negative day number turns into a totals line.
            const QJsonObject o = Json(r);
            const int shown = int(o.value("rows").toArray().size()) + (o.value("totals").isNull() ? 0 : 1);
            EXPECT_EQ(shown, c.rows) << c.path.toStdString();
        } else {
            EXPECT_TRUE(r.err.contains(c.error)) << r.err.toStdString();
        }
        if (QFile::exists(c.path)) {
            QFile f(c.path);
            f.open(QIODevice::ReadOnly);
            EXPECT_EQ(f.readAll(), before);
        }
    }
    // Not an ".Arh" name: said, and read anyway.
    const QString txt = write("d.dat", dated.left(232));
    const CliRun r = RunCli({"show-archive", txt, "--type", "234"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.err.contains("не опознан как архивный")) << r.err.toStdString();
    // A type without archives.
    EXPECT_EQ(RunCli({"show-archive", truncated, "--type", "17"}).exitCode, 1);
}
