#pragma once
// A PostgreSQL server of its own in a temporary folder, for a test's
// lifetime; skipped where the server is not installed.

#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QHostAddress>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTcpServer>
#include <QTemporaryDir>

namespace omi::test {

// A PostgreSQL server of its own in a temporary folder, for the test's
// lifetime; as root the server runs as the postgres user, which it demands.
class PostgresServer {
public:
    PostgresServer() {
        const QStringList found = QDir("/usr/lib/postgresql").entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
        for (const QString& version : found)
            if (QFile::exists("/usr/lib/postgresql/" + version + "/bin/initdb"))
                bin_ = "/usr/lib/postgresql/" + version + "/bin/";
        if (bin_.isEmpty()) {
            why_ = "the PostgreSQL server (initdb, pg_ctl) is not installed: apt-get install postgresql";
            return;
        }
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        port_ = probe.serverPort();
        probe.close();
        QFile::setPermissions(dir_.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                                               QFileDevice::ReadOther | QFileDevice::WriteOther |
                                               QFileDevice::ExeOther);
        if (geteuid() == 0) QProcess::execute("chown", {"postgres", dir_.path()});
        const QString data = dir_.filePath("data");
        if (run("initdb", {"-D", data, "-A", "trust", "-U", "omi", "--no-sync"}) != 0) {
            why_ = "initdb failed";
            return;
        }
        if (run("pg_ctl",
                {"-D", data, "-w", "-l", dir_.filePath("log"), "-o",
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
    QString Url(const QString& database = "postgres") const {
        return QString("postgresql://omi@127.0.0.1:%1/%2").arg(port_).arg(database);
    }
    // A new empty database of the server.
    QString NewDatabase(const QString& name) {
        QString ok;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QPSQL", "omi-test-admin");
            db.setHostName("127.0.0.1");
            db.setPort(port_);
            db.setUserName("omi");
            db.setDatabaseName("postgres");
            if (db.open() && QSqlQuery(db).exec("CREATE DATABASE " + name)) ok = Url(name);
            db.close();
        }
        QSqlDatabase::removeDatabase("omi-test-admin");
        return ok;
    }
    // Stops the server at once (a database that goes away).
    void Stop() {
        if (started_) run("pg_ctl", {"-D", dir_.filePath("data"), "-m", "immediate", "stop"});
        started_ = false;
    }

private:
    int run(const QString& program, const QStringList& args) {
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        if (geteuid() == 0)
            p.start("runuser", QStringList{"-u", "postgres", "--", bin_ + program} + args);
        else
            p.start(bin_ + program, args);
        if (!p.waitForFinished(60000)) return -1;
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    }
    QTemporaryDir dir_;
    QString bin_;
    QString why_;
    int port_ = 0;
    bool started_ = false;
};

}  // namespace omi::test
