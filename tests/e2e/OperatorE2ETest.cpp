// The operator's side of a collection against omi-sim: the period report of
// the store equals the sums of the device's own daily differences over the
// same days and tells the days missing; the nightly service's command line
// collects what its settings file names, a second run of the same list does
// not start, and bad settings files are refused with what is wrong.

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QDate>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>

#include "e2e/SimProcess.h"
#include "support/Dates.h"

using namespace omi::test;

namespace {

QString iso(const QDate& d) { return d.toString(Qt::ISODate); }

QString write(const QTemporaryDir& dir, const QString& name, const QString& text) {
    const QString path = dir.filePath(name);
    QFile f(path);
    f.open(QIODevice::WriteOnly | QIODevice::Truncate);
    f.write(text.toUtf8());
    return path;
}

QJsonObject json(const CliRun& r) { return QJsonDocument::fromJson(r.out.toUtf8()).object(); }

double cellNumber(QString text) { return text.replace(QLatin1Char(','), QLatin1Char('.')).toDouble(); }

// The sum over the rows of a direct read's table of the column headed so.
double columnSum(const QJsonObject& table, const QString& head1, const QString& head2) {
    const QJsonArray h1 = table["header"].toArray()[0].toArray(), h2 = table["header"].toArray()[1].toArray();
    int column = -1;
    for (int c = 0; c < h1.size(); ++c)
        if (h1[c].toString().trimmed() == head1 && h2[c].toString().contains(head2)) column = c;
    EXPECT_GE(column, 0) << head1.toStdString() << " " << head2.toStdString();
    double sum = 0;
    for (const QJsonValue& row : table["rows"].toArray()) sum += cellNumber(row.toArray()[column].toString());
    return sum;
}

QJsonObject rowOf(const QJsonObject& report, int serial, int system) {
    for (const QJsonValue& v : report["rows"].toArray())
        if (v["serial"].toInt() == serial && v["system"].toInt() == system) return v.toObject();
    return {};
}

// The service's command line as the unit file runs it, with the settings file given.
QStringList serviceArguments(const QString& settings) {
    QFile unit(QStringLiteral(OMI_SOURCE_DIR "/dist/systemd/omi-collect.service"));
    EXPECT_TRUE(unit.open(QIODevice::ReadOnly));
    for (const QString& line : QString::fromUtf8(unit.readAll()).split('\n')) {
        if (!line.startsWith("ExecStart=")) continue;
        QStringList words = line.mid(10).split(' ', Qt::SkipEmptyParts);
        EXPECT_EQ(words.takeFirst(), "omi-cli");
        const qsizetype at = words.indexOf("--settings");
        EXPECT_GE(at, 0);
        words[at + 1] = settings;
        return words;
    }
    ADD_FAILURE() << "no ExecStart in the unit";
    return {};
}

}  // namespace

TEST(Operator, ThePeriodReportEqualsTheSumsOfDirectReadsAndTellsTheDaysMissing) {
    Sim sim({"--pty", "--device", "234:417", "--device", "229:1001"});
    QTemporaryDir dir;
    const QString store = dir.filePath("store.sqlite");
    const QDate today = QDate::currentDate();
    const QDate from = today.addDays(-7), to = today.addDays(-2);
    const QString list = write(dir, "meters.csv",
                               QString("name;port;serial;type;archives\nКотельная;%1;417;234;daily\n"
                                       "Школа;%1;1001;229;daily\n")
                                   .arg(sim.Pty()));
    const CliRun collected =
        RunCli({"collect", list, "--store", store, "--since", iso(from.addDays(-2)), "--quiet"}, 120000);
    ASSERT_EQ(collected.exitCode, 0) << collected.err.toStdString() << collected.out.toStdString();

    const QStringList period{"report", "--store", store, "--from", iso(from), "--to", iso(to), "--json"};
    const CliRun report = RunCli(period + QStringList{"--csv", dir.filePath("r.csv"), "--pdf", dir.filePath("r.pdf")});
    ASSERT_EQ(report.exitCode, 0) << report.err.toStdString();
    const QJsonObject doc = json(report);
    int rows = 0;
    for (const auto& [serial, type] : {std::pair{417, 234}, std::pair{1001, 229}}) {
        for (int system = 1; system <= 2; ++system) {
            const QJsonObject row = rowOf(doc, serial, system);
            if (row.isEmpty()) continue;
            ++rows;
            // The period's consumption: the differences of its days, the
            // first one against the day before.
            const CliRun direct =
                RunCli({"--port", sim.Pty(), "--serial", QString::number(serial), "--type", QString::number(type),
                        "archive", "daily-diff", "--from", iso(from.addDays(-1)), "--to", iso(to), "--system",
                        QString::number(system), "--precision", "6", "--json"});
            ASSERT_EQ(direct.exitCode, 0) << direct.err.toStdString();
            const QJsonObject table = json(direct);
            ASSERT_EQ(table["rows"].toArray().size(), from.daysTo(to) + 1);
            const QString name = serial == 417 ? "Котельная" : "Школа";
            EXPECT_EQ(row["name"].toString(), name);
            EXPECT_NEAR(row["heat"].toDouble(), columnSum(table, "ТЕПЛО", "Гкал"), 1e-4) << name.toStdString();
            const QJsonArray volumes = row["volumes"].toArray();
            ASSERT_GE(volumes.size(), 2);
            EXPECT_NEAR(volumes[0].toDouble(), columnSum(table, "объем", "1"), 1e-4);
            EXPECT_NEAR(volumes[1].toDouble(), columnSum(table, "объем", "2"), 1e-4);
            EXPECT_GT(volumes[0].toDouble(), 0);
            EXPECT_EQ(row["days_present"].toInt(), from.daysTo(to) + 1);
            EXPECT_EQ(row["days_missing"].toInt(), 0);
            EXPECT_EQ(row["last_status"].toString(), "собрано");
        }
    }
    EXPECT_GE(rows, 2);
    QFile csv(dir.filePath("r.csv"));
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    EXPECT_TRUE(csv.readAll().size() > 100);
    EXPECT_TRUE(QFile(dir.filePath("r.pdf")).size() > 1000);

    // A day taken out of the store is missing, and the filters choose the meters.
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "edit");
        db.setDatabaseName(store);
        ASSERT_TRUE(db.open());
        ASSERT_TRUE(QSqlQuery(db).exec(
            QString("DELETE FROM omi_record WHERE serial = 417 AND day = %1").arg(omi::DayNumber(from.addDays(2)))));
        db.close();
    }
    QSqlDatabase::removeDatabase("edit");
    const QJsonObject gap = json(RunCli(period + QStringList{"--name", "котел"}));
    for (const QJsonValue& v : gap["rows"].toArray()) {
        EXPECT_EQ(v["serial"].toInt(), 417);
        EXPECT_EQ(v["days_missing"].toInt(), 1);
        EXPECT_EQ(v["missing_days"].toArray(), QJsonArray{omi::ShortDateText(from.addDays(2))});
    }
    EXPECT_FALSE(gap["rows"].toArray().isEmpty());
    const QJsonObject school = json(RunCli(period + QStringList{"--type", "229"}));
    EXPECT_FALSE(school["rows"].toArray().isEmpty());
    for (const QJsonValue& v : school["rows"].toArray()) EXPECT_EQ(v["serial"].toInt(), 1001);
    const CliRun none = RunCli(period + QStringList{"--serial", "9"});
    EXPECT_EQ(none.exitCode, 1);
}

TEST(Operator, TheServiceRunCollectsTheSettingsListOnceAtATime) {
    Sim sim({"--udp", "127.0.0.1:0", "--type", "234", "--serial", "417"});
    QTemporaryDir dir;
    const QString list =
        write(dir, "meters.csv", QString("name;udp;serial;type\nКотельная;%1;417;234\n").arg(sim.Udp()));
    const QString settings = write(dir, "collect.conf",
                                   "# nightly\nlist = meters.csv\nstore = store.sqlite\narchives = daily\n"
                                   "jobs = 2\ntimeout = 1500\n");
    const QStringList service = serviceArguments(settings);
    const CliRun run = RunCli(service + QStringList{"--since", iso(QDate::currentDate().addDays(-3))}, 120000);
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString() << run.out.toStdString();
    // The per-meter summary for the journal, and the store beside the settings.
    EXPECT_TRUE(run.out.contains("Котельная")) << run.out.toStdString();
    EXPECT_TRUE(QFile::exists(dir.filePath("store.sqlite")));

    // Another run of the list holds it: this one says so and does not start.
    const int fd = ::open(QFile::encodeName(list).constData(), O_RDONLY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
    const CliRun second = RunCli(service);
    ::close(fd);
    EXPECT_EQ(second.exitCode, 3);
    EXPECT_TRUE(second.err.contains("уже идет")) << second.err.toStdString();
    EXPECT_TRUE(second.out.isEmpty());
}

TEST(Operator, BadSettingsFilesAreRefusedWithWhatIsWrong) {
    QTemporaryDir dir;
    write(dir, "meters.csv", "name;udp;serial\nA;127.0.0.1:9;5\n");
    struct Case {
        QString text;
        QString message;
    };
    const Case cases[] = {
        {"store = s.sqlite\n", "нет параметра list"},
        {"list = meters.csv\njobs = 0\n", "строка 2: jobs: нужно число от 1 до 256"},
        {"list = meters.csv\ntimeout = долго\n", "timeout: нужно время ответа"},
        {"list = meters.csv\narchives = monthly\n", "\"monthly\" - не архив"},
        {"list = meters.csv\ncolour = red\n", "неизвестный параметр \"colour\""},
        {"list = meters.csv\nlist = other.csv\n", "параметр list задан второй раз"},
        {"list meters.csv\n", "ожидается ИМЯ = ЗНАЧЕНИЕ"},
    };
    for (const Case& c : cases) {
        const QString path = write(dir, "bad.conf", c.text);
        const CliRun r = RunCli({"collect", "--settings", path});
        EXPECT_EQ(r.exitCode, 1) << c.text.toStdString();
        EXPECT_TRUE(r.err.contains(c.message)) << c.text.toStdString() << " -> " << r.err.toStdString();
        EXPECT_FALSE(QFile::exists(dir.filePath("s.sqlite")));
    }
    const CliRun missing = RunCli({"collect", "--settings", dir.filePath("none.conf")});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(missing.err.contains("не найден")) << missing.err.toStdString();
}
