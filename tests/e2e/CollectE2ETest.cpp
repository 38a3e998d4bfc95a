// omi-cli collect against omi-sim: meters on a shared pseudo-terminal, over
// UDP and behind a modem, collected into an SQLite store twice; the store's
// tables equal direct reads of the device; a collector killed in the middle
// loses nothing and doubles nothing; the same into a real PostgreSQL server.

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

#include <unistd.h>

#include "e2e/SimProcess.h"

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

namespace {

// A PostgreSQL server of its own in a temporary folder, for the test's
// lifetime; as root the server runs as the postgres user, which it demands.
class PostgresServer {
public:
    PostgresServer() {
        const QStringList found = QDir("/usr/lib/postgresql").entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
        for (const QString& version : found)
            if (QFile::exists("/usr/lib/postgresql/" + version + "/bin/initdb")) bin_ = "/usr/lib/postgresql/" + version + "/bin/";
        if (bin_.isEmpty()) {
            why_ = "the PostgreSQL server (initdb, pg_ctl) is not installed: apt-get install postgresql";
            return;
        }
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        port_ = probe.serverPort();
        probe.close();
        QFile::setPermissions(dir_.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                                               QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther);
        if (geteuid() == 0) QProcess::execute("chown", {"postgres", dir_.path()});
        const QString data = dir_.filePath("data");
        if (run("initdb", {"-D", data, "-A", "trust", "-U", "omi", "--no-sync"}) != 0) {
            why_ = "initdb failed";
            return;
        }
        if (run("pg_ctl", {"-D", data, "-w", "-l", dir_.filePath("log"), "-o",
                           QString("-p %1 -k %2 -c listen_addresses=127.0.0.1 -c fsync=off").arg(port_).arg(dir_.path()),
                           "start"}) != 0) {
            why_ = "pg_ctl start failed";
            return;
        }
        started_ = true;
    }
    ~PostgresServer() {
        if (started_) run("pg_ctl", {"-D", dir_.filePath("data"), "-m", "immediate", "stop"});
    }
    QString Skip() const { return why_; }
    QString Url() const { return QString("postgresql://omi@127.0.0.1:%1/postgres").arg(port_); }

private:
    int run(const QString& program, const QStringList& args) {
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        if (geteuid() == 0) p.start("runuser", QStringList{"-u", "postgres", "--", bin_ + program} + args);
        else p.start(bin_ + program, args);
        if (!p.waitForFinished(60000)) return -1;
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    }
    QTemporaryDir dir_;
    QString bin_;
    QString why_;
    int port_ = 0;
    bool started_ = false;
};

}  // namespace

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
