// omi-cli collect against omi-sim: meters on a shared pseudo-terminal, over
// UDP and behind a modem, collected into an SQLite store twice; the store's
// tables equal direct reads of the device; a collector killed in the middle
// loses nothing and doubles nothing; one ended by SIGINT or SIGTERM commits
// what it read, closes its runs and prints its summary; the same into a real
// PostgreSQL server, and a server that goes away stops the collection; a store
// in a read-only folder is read but not written.

#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTcpServer>
#include <QThread>
#include <QUrl>

#include <memory>

#include <csignal>
#include <sys/types.h>
#include <unistd.h>

#include "archives/ArchiveFamily.h"
#include "e2e/SimProcess.h"
#include "store/ArchiveStore.h"
#include "support/Dates.h"
#include "support/PostgresServer.h"

using namespace omi::test;

namespace {

QString iso(const QDate& d) { return d.toString(Qt::ISODate); }

QString writeList(const QTemporaryDir& dir, const QString& text) {
    const QString path = dir.filePath("meters.csv");
    QFile f(path);
    f.open(QIODevice::WriteOnly | QIODevice::Truncate);
    f.write(text.toUtf8());
    return path;
}

QJsonObject json(const CliRun& r) { return QJsonDocument::fromJson(r.out.toUtf8()).object(); }

QJsonObject meterOf(const QJsonObject& doc, const QString& name) {
    for (const QJsonValue& v : doc["meters"].toArray())
        if (v["name"].toString() == name) return v.toObject();
    return {};
}

QJsonObject archiveOf(const QJsonObject& meter, const QString& archive) {
    for (const QJsonValue& v : meter["archives"].toArray())
        if (v["archive"].toString() == archive) return v.toObject();
    return {};
}

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString pdfText(const QString& pdf) {
    QProcess p;
    p.start("pdftotext", {"-layout", pdf, "-"});
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

// The table of the store and the device's own for the same range, as JSON;
// with files, the CSV and the PDF report too.
void expectStoreEqualsDevice(const QString& store, const QStringList& link, int serial, int type, const QString& kind,
                             const QDate& from, const QDate& to, const QTemporaryDir* files = nullptr) {
    QStringList range{"--from", iso(from), "--to", iso(to), "--json"};
    const auto outputs = [&](const QString& who) {
        if (!files) return QStringList();
        return QStringList{"--csv", files->filePath(who + ".csv"), "--report", files->filePath(who + ".pdf")};
    };
    const CliRun stored = RunCli(QStringList{"archive", kind, "--store", store, "--serial", QString::number(serial),
                                             "--type", QString::number(type)} +
                                 range + outputs("store"));
    const CliRun direct = RunCli(link + QStringList{"--serial", QString::number(serial), "--type", QString::number(type),
                                                    "archive", kind} +
                                 range + outputs("device"));
    ASSERT_EQ(stored.exitCode, 0) << stored.err.toStdString();
    ASSERT_EQ(direct.exitCode, 0) << direct.err.toStdString();
    const QJsonObject a = json(stored), b = json(direct);
    EXPECT_FALSE(b["rows"].toArray().isEmpty());
    EXPECT_EQ(a["header"], b["header"]);
    EXPECT_EQ(a["rows"], b["rows"]) << "store: " << stored.out.toStdString() << "\ndevice: " << direct.out.toStdString();
    EXPECT_EQ(a["totals"], b["totals"]);
    if (files) {
        EXPECT_FALSE(fileBytes(files->filePath("device.csv")).isEmpty());
        EXPECT_EQ(fileBytes(files->filePath("store.csv")), fileBytes(files->filePath("device.csv")));
        const QString report = pdfText(files->filePath("device.pdf"));
        EXPECT_TRUE(report.contains(QString::number(serial))) << report.toStdString();
        EXPECT_EQ(pdfText(files->filePath("store.pdf")), report);
    }
}

int storedRecords(const QString& path) {
    int n = -1;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "peek");
        db.setDatabaseName(path);
        db.setConnectOptions("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=2000");
        if (db.open()) {
            QSqlQuery q(db);
            if (q.exec("SELECT COUNT(*) FROM omi_record") && q.next()) n = q.value(0).toInt();
            db.close();
        }
    }
    QSqlDatabase::removeDatabase("peek");
    return n;
}

void sqlite(const QString& path, const QStringList& statements) {
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "edit");
        db.setDatabaseName(path);
        ASSERT_TRUE(db.open());
        for (const QString& s : statements) ASSERT_TRUE(QSqlQuery(db).exec(s)) << s.toStdString();
        db.close();
    }
    QSqlDatabase::removeDatabase("edit");
}

struct RunRow {
    QString status;
    bool ended = false;
    int added = 0;
};

std::vector<RunRow> runRows(const QString& path) {
    std::vector<RunRow> rows;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "runs");
        db.setDatabaseName(path);
        db.setConnectOptions("QSQLITE_OPEN_READONLY");
        if (db.open()) {
            QSqlQuery q(db);
            q.exec("SELECT status, ended, records_new FROM omi_run ORDER BY id");
            while (q.next()) rows.push_back({q.value(0).toString(), !q.value(1).isNull(), q.value(2).toInt()});
            db.close();
        }
    }
    QSqlDatabase::removeDatabase("runs");
    return rows;
}

}  // namespace

TEST(Collect, ThreeLinesTwiceAndTheStoreEqualsTheDevice) {
    Sim shared({"--pty", "--device", "234:417", "--device", "229:1001"});
    Sim udp({"--udp", "127.0.0.1:0", "--type", "235", "--serial", "77"});
    Sim modem({"--pty", "--modem", "--type", "229", "--serial", "500"});
    QTemporaryDir dir;
    const QString store = dir.filePath("store.sqlite");
    const QDate today = QDate::currentDate();
    const QDate since = today.addDays(-3);
    const QString header = "name;port;udp;dial;serial;type;archives\n";
    const QString meters = QString("Котельная;%1;;;417;234;daily\n"
                                   "Школа;%1;;;1001;229;\n"
                                   "Больница;;%2;;77;;daily\n"
                                   "Баня;%3;;5551234;500;229;hourly\n")
                               .arg(shared.Pty(), udp.Udp(), modem.Pty());
    // A bad line and a device that is not the one listed: both reported, the others collected.
    const QString extra = QString("Сломанная;;;;12;;\n"
                                  "Чужой;;%1;;78;;daily\n")
                              .arg(udp.Udp());
    const QString list = writeList(dir, header + meters + extra);
    const CliRun first = RunCli({"collect", list, "--store", store, "--since", iso(since), "--json"}, 120000);
    EXPECT_EQ(first.exitCode, 1) << first.err.toStdString();
    EXPECT_TRUE(first.err.contains("строка 6: укажите одну линию")) << first.err.toStdString();
    const QJsonObject doc = json(first);
    EXPECT_EQ(doc["collected"].toInt(), 4) << first.out.toStdString();
    EXPECT_EQ(doc["failed"].toInt(), 2);
    EXPECT_EQ(meterOf(doc, "Чужой")["status"].toString(), "на линии ответил ОМИ-1 Б5М № 77, а в списке № 78");
    EXPECT_FALSE(meterOf(doc, "Чужой")["ok"].toBool());
    for (const QString name : {"Котельная", "Школа", "Больница", "Баня"}) {
        const QJsonObject m = meterOf(doc, name);
        EXPECT_TRUE(m["ok"].toBool()) << name.toStdString() << ": " << m["status"].toString().toStdString();
        EXPECT_GT(m["records_new"].toInt(), 0) << name.toStdString();
        EXPECT_EQ(m["records_stored"].toInt(), 0) << name.toStdString();
    }
    EXPECT_EQ(archiveOf(meterOf(doc, "Котельная"), "daily")["from"].toString(), iso(since));
    EXPECT_TRUE(archiveOf(meterOf(doc, "Котельная"), "hourly").isEmpty());  // the list asks for daily only
    EXPECT_EQ(meterOf(doc, "Больница")["type"].toInt(), 235);              // found by identification

    // Up to yesterday: an hour or a day may begin while the test runs.
    const QDate to = today.addDays(-1);
    expectStoreEqualsDevice(store, {"--port", shared.Pty()}, 417, 234, "daily-diff", since, to, &dir);
    expectStoreEqualsDevice(store, {"--port", shared.Pty()}, 1001, 229, "hourly", since, to);
    expectStoreEqualsDevice(store, {"--udp", udp.Udp()}, 77, 235, "daily", since, to);

    // The second run asks only for what came after the first.
    const int requestsBefore = int(shared.Requests().size());
    const QString good = writeList(dir, header + meters);
    const CliRun second = RunCli({"collect", good, "--store", store, "--json"}, 120000);
    EXPECT_EQ(second.exitCode, 0) << second.err.toStdString() << second.out.toStdString();
    const QJsonObject again = json(second);
    EXPECT_EQ(archiveOf(meterOf(again, "Котельная"), "daily")["records_new"].toInt(), 0);
    EXPECT_TRUE(archiveOf(meterOf(again, "Котельная"), "daily")["from"].isNull());  // nothing can be new before tomorrow
    // Hourly: the two newest hours again (the clocks may differ by two hours), not the three days.
    EXPECT_LE(archiveOf(meterOf(again, "Школа"), "hourly")["records_stored"].toInt(), 2);
    EXPECT_LT(int(shared.Requests().size()) - requestsBefore, 20);

    // A store last collected three days ago: exactly the three newer days come.
    const int days = int(QDate(1999, 12, 31).daysTo(today));
    sqlite(store, {QString("DELETE FROM omi_record WHERE serial = 77 AND day > %1").arg(days - 3),
                   QString("UPDATE omi_complete SET through = %1 WHERE serial = 77").arg((days - 3) * 24)});
    const CliRun third = RunCli({"collect", good, "--store", store, "--json"}, 120000);
    const QJsonObject daily = archiveOf(meterOf(json(third), "Больница"), "daily");
    EXPECT_EQ(daily["from"].toString(), iso(today.addDays(-2)));
    EXPECT_EQ(daily["records_new"].toInt(), 3);  // today's record is there as the device keeps it
    EXPECT_EQ(daily["records_stored"].toInt(), 0);
    expectStoreEqualsDevice(store, {"--udp", udp.Udp()}, 77, 235, "daily", since, to);
}

TEST(Collect, AKilledCollectionLosesNothingAndDoublesNothing) {
    // At 2400 baud a record's answer takes about a second: the collector is
    // killed while one is on its way, and the next run meets its tail.
    Sim sim({"--pty", "--baud", "2400", "--type", "234", "--serial", "417"});
    QTemporaryDir dir;
    const QString store = dir.filePath("store.sqlite");
    const QDate since = QDate::currentDate().addDays(-6);
    const QString list =
        writeList(dir, QString("name;port;baud;serial;type;archives\nКотельная;%1;2400;417;234;daily\n").arg(sim.Pty()));
    const QStringList args{"collect", list, "--store", store, "--since", iso(since), "--json"};
    {
        QProcess collector;
        collector.start(OMI_CLI_PATH, args);
        ASSERT_TRUE(collector.waitForStarted());
        QElapsedTimer clock;
        clock.start();
        while (storedRecords(store) < 3 && clock.elapsed() < 60000) QThread::msleep(20);
        ASSERT_GE(storedRecords(store), 3);
        collector.kill();
        collector.waitForFinished();
    }
    const int kept = storedRecords(store);
    // The killed collector's worker ends with it and frees the line.
    CliRun second;
    for (int attempt = 0; attempt < 20; ++attempt) {
        second = RunCli(args, 120000);
        if (second.exitCode == 0 || !second.out.contains("занят")) break;
        QThread::msleep(100);
    }
    ASSERT_EQ(second.exitCode, 0) << second.out.toStdString() << second.err.toStdString();
    const QJsonObject m = meterOf(json(second), "Котельная");
    // The second run resumes: it asks only for the days it does not hold,
    // and stores none of them twice.
    EXPECT_EQ(m["records_stored"].toInt(), 0) << second.out.toStdString();
    EXPECT_EQ(kept + m["records_new"].toInt(), 7);
    EXPECT_EQ(storedRecords(store), 7);
    expectStoreEqualsDevice(store, {"--port", sim.Pty()}, 417, 234, "daily", since, QDate::currentDate().addDays(-1));
}

TEST(Collect, IntoAPostgresqlServer) {
    PostgresServer server;
    if (!server.Skip().isEmpty()) GTEST_SKIP() << server.Skip().toStdString();
    Sim sim({"--pty", "--device", "234:417", "--device", "229:1001"});
    QTemporaryDir dir;
    const QDate since = QDate::currentDate().addDays(-2);
    const QString list = writeList(dir, QString("name,port,serial,type\nКотельная,%1,417,234\nШкола,%1,1001,229\n").arg(sim.Pty()));
    const CliRun first = RunCli({"collect", list, "--store", server.Url(), "--since", iso(since), "--json"}, 120000);
    ASSERT_EQ(first.exitCode, 0) << first.out.toStdString() << first.err.toStdString();
    EXPECT_GT(meterOf(json(first), "Школа")["records_new"].toInt(), 48);
    const CliRun second = RunCli({"collect", list, "--store", server.Url(), "--json"}, 120000);
    ASSERT_EQ(second.exitCode, 0) << second.err.toStdString();
    EXPECT_EQ(archiveOf(meterOf(json(second), "Котельная"), "daily")["records_new"].toInt(), 0);
    const QDate to = QDate::currentDate().addDays(-1);
    expectStoreEqualsDevice(server.Url(), {"--port", sim.Pty()}, 417, 234, "daily-diff", since, to);
    expectStoreEqualsDevice(server.Url(), {"--port", sim.Pty()}, 1001, 229, "hourly-diff", since, to);
}

// Ctrl-C on a terminal reaches the collector and its workers at once (the
// process group); SIGTERM the collector alone. Either way the collection
// stops, what was read is stored, the run is closed as interrupted, the
// summary is printed and the status is the signal's.
TEST(Collect, ASignalEndsTheCollectionWithItsSummary) {
    struct Case {
        int signo;
        bool group;
        bool json;
        int exit;
        QString name;
    };
    for (const Case& c : {Case{SIGINT, true, false, 130, "SIGINT"}, Case{SIGTERM, false, true, 143, "SIGTERM"}}) {
        SCOPED_TRACE(c.name.toStdString());
        Sim sim({"--pty", "--baud", "2400", "--type", "234", "--serial", "417"});
        QTemporaryDir dir;
        const QString store = dir.filePath("store.sqlite");
        const QString list = writeList(
            dir, QString("name;port;baud;serial;type;archives\nКотельная;%1;2400;417;234;daily\n").arg(sim.Pty()));
        QStringList args{"collect", list, "--store", store, "--since", iso(QDate::currentDate().addDays(-6))};
        if (c.json) args << "--json";
        QProcess collector;
        collector.setChildProcessModifier([] { setpgid(0, 0); });
        collector.start(OMI_CLI_PATH, args);
        ASSERT_TRUE(collector.waitForStarted());
        QElapsedTimer clock;
        clock.start();
        while (storedRecords(store) < 2 && clock.elapsed() < 60000) QThread::msleep(20);
        ASSERT_GE(storedRecords(store), 2);
        const pid_t pid = pid_t(collector.processId());
        ASSERT_EQ(::kill(c.group ? -pid : pid, c.signo), 0);
        ASSERT_TRUE(collector.waitForFinished(30000));
        EXPECT_EQ(collector.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(collector.exitCode(), c.exit);
        const QString out = QString::fromUtf8(collector.readAllStandardOutput());
        const QString err = QString::fromUtf8(collector.readAllStandardError());
        const int kept = storedRecords(store);
        EXPECT_LT(kept, 7);
        const QString status = "сбор прерван сигналом " + c.name;
        if (c.json) {
            const QJsonObject doc = QJsonDocument::fromJson(out.toUtf8()).object();
            EXPECT_EQ(doc["interrupted"].toString(), c.name) << out.toStdString();
            const QJsonObject m = meterOf(doc, "Котельная");
            EXPECT_EQ(m["status"].toString(), status);
            EXPECT_FALSE(m["ok"].toBool());
            EXPECT_EQ(m["records_new"].toInt(), kept);
        } else {
            EXPECT_TRUE(out.startsWith("Котельная (")) << out.toStdString();
            EXPECT_TRUE(out.contains(QString("№ 417): %1; новых записей %2").arg(status).arg(kept)))
                << out.toStdString();
            EXPECT_TRUE(out.contains("собрано 0 из 1 приборов")) << out.toStdString();
        }
        EXPECT_FALSE(err.contains("аварийно")) << err.toStdString();
        const std::vector<RunRow> runs = runRows(store);
        ASSERT_EQ(runs.size(), 1u);
        EXPECT_EQ(runs[0].status, status);
        EXPECT_TRUE(runs[0].ended);
        EXPECT_EQ(runs[0].added, kept);
        if (c.signo != SIGTERM) continue;
        // The worker ended with the collector: the line is free at once, and
        // the next run takes only what is missing.
        const CliRun second = RunCli(args, 120000);
        ASSERT_EQ(second.exitCode, 0) << second.out.toStdString() << second.err.toStdString();
        EXPECT_EQ(meterOf(json(second), "Котельная")["records_stored"].toInt(), 0);
        EXPECT_EQ(storedRecords(store), 7);
    }
}

// The PostgreSQL server goes away in the middle of a collection: after a
// bounded wait for it the collection stops with one message, and none of the
// database driver's own warnings reach the user.
TEST(Collect, AStoreLostStopsTheCollectionWithOneMessage) {
    PostgresServer server;
    if (!server.Skip().isEmpty()) GTEST_SKIP() << server.Skip().toStdString();
    Sim sim({"--pty", "--baud", "2400", "--type", "234", "--serial", "417"});
    QTemporaryDir dir;
    const QString list = writeList(
        dir, QString("name;port;baud;serial;type;archives\nКотельная;%1;2400;417;234;daily\n").arg(sim.Pty()));
    QProcess collector;
    collector.start(OMI_CLI_PATH, {"collect", list, "--store", server.Url(), "--since",
                                   iso(QDate::currentDate().addDays(-90)), "--json"});
    ASSERT_TRUE(collector.waitForStarted());
    const auto stored = [&server] {
        int n = -1;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QPSQL", "peek-pg");
            const QUrl u(server.Url());
            db.setHostName(u.host());
            db.setPort(u.port());
            db.setUserName(u.userName());
            db.setDatabaseName(u.path().mid(1));
            if (db.open()) {
                QSqlQuery q(db);
                if (q.exec("SELECT COUNT(*) FROM omi_record") && q.next()) n = q.value(0).toInt();
                db.close();
            }
        }
        QSqlDatabase::removeDatabase("peek-pg");
        return n;
    };
    QElapsedTimer clock;
    clock.start();
    while (stored() < 2 && clock.elapsed() < 60000) QThread::msleep(50);
    ASSERT_GE(stored(), 2);
    server.Stop();
    ASSERT_TRUE(collector.waitForFinished(60000));
    EXPECT_EQ(collector.exitCode(), 1);
    const QString err = QString::fromUtf8(collector.readAllStandardError());
    const QJsonObject doc = QJsonDocument::fromJson(collector.readAllStandardOutput()).object();
    EXPECT_EQ(err.count("сбор остановлен"), 1) << err.toStdString();
    EXPECT_FALSE(err.contains("QPSQL") || err.contains("QSql")) << err.toStdString();
    EXPECT_TRUE(doc["store_lost"].toBool());
    const QJsonObject m = meterOf(doc, "Котельная");
    EXPECT_FALSE(m["ok"].toBool());
    EXPECT_EQ(m["status"].toString(), "сбор остановлен: нет связи с хранилищем");
    // It stopped reading: far fewer than the ninety days were asked for.
    EXPECT_LT(int(sim.Requests().size()), 60);
}

// A store someone else keeps read-only: its archive is shown, and a
// collection into it says it cannot write there.
TEST(Collect, AReadOnlyStoreIsReadButNotWritten) {
    QTemporaryDir dir;
    const int day = omi::DayNumber(QDate::currentDate().addDays(-2));
    const omi::RecordLayout& layout = *omi::ArchiveFamilyOf(234)->layout;
    struct Case {
        QString folder;
        QFile::Permissions folderMode;
    };
    const QFile::Permissions readable =
        QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther;
    for (const Case& c : {Case{"closed", readable},
                          Case{"open", readable | QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther}}) {
        SCOPED_TRACE(c.folder.toStdString());
        const QString folder = dir.filePath(c.folder);
        const QString store = folder + "/store.sqlite";
        {
            omi::ArchiveStore s;
            ASSERT_EQ(s.Open(store), QString());
            omi::ArchiveEntry entry;
            for (int system = 0; system < 2; ++system) {
                omi::ArchiveRecord r(layout);
                r.SetDay(day);
                r.SetHour(0);
                entry.push_back(r);
            }
            ASSERT_EQ(s.Store(234, 417, omi::StoredArchive::Daily, {entry}, QDateTime::currentDateTime(), nullptr),
                      QString());
        }
        QFile::setPermissions(dir.path(), readable | QFile::WriteOwner);
        QFile::setPermissions(store, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
        QFile::setPermissions(folder, c.folderMode);
        const QByteArray before = fileBytes(store);
        // Root may write anywhere: the programs then run as nobody.
        const auto run = [](const QStringList& args) {
            return geteuid() == 0 ? RunProgram("runuser", QStringList{"-u", "nobody", "--", OMI_CLI_PATH} + args)
                                  : RunCli(args);
        };
        const QString date = iso(omi::DateOfDayNumber(day));
        const CliRun read = run({"archive", "daily", "--store", store, "--serial", "417", "--type", "234", "--from",
                                 date, "--to", date, "--json"});
        EXPECT_EQ(read.exitCode, 0) << read.err.toStdString();
        EXPECT_EQ(json(read)["rows"].toArray().size(), 1) << read.out.toStdString();
        const CliRun collect =
            run({"collect", writeList(dir, "name;udp;serial;type\nКотельная;127.0.0.1:9;417;234\n"), "--store", store});
        EXPECT_EQ(collect.exitCode, 1);
        EXPECT_TRUE(collect.err.contains("только для чтения")) << collect.err.toStdString();
        EXPECT_FALSE(collect.err.contains("не хранилище")) << collect.err.toStdString();
        EXPECT_EQ(fileBytes(store), before);
        QFile::setPermissions(folder, readable | QFile::WriteOwner);
    }
}

// Two collectors started at once on one list and one PostgreSQL store (two
// machines sharing a store): each meter is read by one of them, the other
// says so and skips it, and together they leave every record stored once —
// a third run finds nothing new, and the store's table equals the device's.
TEST(Collect, TwoCollectorsOnOneStoreReadEachMeterOnce) {
    PostgresServer server;
    if (!server.Skip().isEmpty()) GTEST_SKIP() << server.Skip().toStdString();
    // Paced lines: every read lasts long enough for the two runs to overlap.
    std::vector<std::unique_ptr<Sim>> sims;
    QString text = "name,port,serial,type,archives\n";
    for (int i = 0; i < 4; ++i) {
        const int serial = 501 + i;
        sims.push_back(std::make_unique<Sim>(
            QStringList{"--pty", "--type", i % 2 ? "229" : "234", "--serial", QString::number(serial), "--baud", "9600"}));
        text += QString("M%1,%2,%3,%4,daily\n").arg(serial).arg(sims.back()->Pty()).arg(serial).arg(i % 2 ? 229 : 234);
    }
    QTemporaryDir dir;
    const QString list = writeList(dir, text);
    // Each its own copy of the list: the run lock of one list is not what is tested here.
    const QString list2 = dir.filePath("meters2.csv");
    ASSERT_TRUE(QFile::copy(list, list2));
    const QDate since = QDate::currentDate().addDays(-4);
    const QStringList common{"--store", server.Url(), "--since", iso(since), "--jobs", "4", "--json"};
    QProcess a, b;
    a.start(OMI_CLI_PATH, QStringList{"collect", list} + common);
    b.start(OMI_CLI_PATH, QStringList{"collect", list2} + common);
    ASSERT_TRUE(a.waitForFinished(180000));
    ASSERT_TRUE(b.waitForFinished(180000));
    const QJsonObject docA = QJsonDocument::fromJson(a.readAllStandardOutput()).object();
    const QJsonObject docB = QJsonDocument::fromJson(b.readAllStandardOutput()).object();
    for (int i = 0; i < 4; ++i) {
        const QString name = QString("M%1").arg(501 + i);
        const QJsonObject ma = meterOf(docA, name), mb = meterOf(docB, name);
        SCOPED_TRACE(name.toStdString() + "\nA: " + QJsonDocument(ma).toJson().toStdString() +
                     "\nB: " + QJsonDocument(mb).toJson().toStdString());
        EXPECT_NE(ma["ok"].toBool(), mb["ok"].toBool());
        const QJsonObject& reader = ma["ok"].toBool() ? ma : mb;
        const QJsonObject& skipper = ma["ok"].toBool() ? mb : ma;
        EXPECT_GT(reader["records_new"].toInt(), 0);
        EXPECT_TRUE(skipper["status"].toString().contains("другой сборщик"));
        EXPECT_EQ(skipper["records_new"].toInt(), 0);
    }
    const CliRun third = RunCli(QStringList{"collect", list, "--store", server.Url(), "--json"}, 180000);
    ASSERT_EQ(third.exitCode, 0) << third.out.toStdString() << third.err.toStdString();
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(archiveOf(meterOf(json(third), QString("M%1").arg(501 + i)), "daily")["records_new"].toInt(), 0);
    const QDate to = QDate::currentDate().addDays(-1);
    expectStoreEqualsDevice(server.Url(), {"--port", sims[0]->Pty()}, 501, 234, "daily-diff", since, to);
    expectStoreEqualsDevice(server.Url(), {"--port", sims[1]->Pty()}, 502, 229, "daily-diff", since, to);
}
