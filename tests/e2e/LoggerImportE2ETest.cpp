// Logger files end to end: the archive of a simulated calculator written as
// the data logger keeps it (the data part of each archive answer, record 0
// first, behind the archive pointer), imported by omi-cli and compared with
// a direct read of the same archive; names that are not logger files.

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include "e2e/SimProcess.h"
#include "support/LoggerFileWriter.h"

using namespace omi;
using namespace omi::test;

namespace {

QJsonObject Json(const CliRun& r) { return QJsonDocument::fromJson(r.out.toUtf8()).object(); }

}  // namespace

class LoggerImport : public ::testing::TestWithParam<int> {};

TEST_P(LoggerImport, ShowsWhatADirectReadShows) {
    const int type = GetParam();
    const QString today = QDate::currentDate().toString(Qt::ISODate) + "T10";
    Sim sim({"--pty", "--type", QString::number(type), "--serial", "417", "--today", today});
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("x00417D.%1").arg(type));
    ASSERT_TRUE(WriteDailyLoggerFile(sim.Pty(), 417, type, path));

    const CliRun imported = RunCli({"--json", "logger-import", path});
    ASSERT_EQ(imported.exitCode, 0) << imported.err.toStdString();
    const CliRun direct = RunCli({"--port", sim.Pty(), "--serial", "417", "--type", QString::number(type), "--json",
                                  "archive", "daily", "--all-records"});
    ASSERT_EQ(direct.exitCode, 0) << direct.err.toStdString();
    const QJsonArray rows = Json(imported).value("rows").toArray();
    EXPECT_GT(rows.size(), 10);
    EXPECT_EQ(rows, Json(direct).value("rows").toArray());
    EXPECT_EQ(Json(imported).value("serial").toInt(), 417);
}

INSTANTIATE_TEST_SUITE_P(Types, LoggerImport, ::testing::Values(225, 229, 234));

TEST(LoggerImportNames, NotLoggerFilesAreRefused) {
    QTemporaryDir dir;
    for (const char* name : {"12345d.234", "417D.227", "417D.236", "70000D.225", "archive.txt"}) {
        const QString path = dir.filePath(QString::fromUtf8(name));
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(100, 1));
        f.close();
        const CliRun r = RunCli({"logger-import", path});
        EXPECT_EQ(r.exitCode, 1) << name;
        EXPECT_TRUE(r.err.contains("не опознан как архивный")) << name << r.err.toStdString();
    }
    const CliRun missing = RunCli({"logger-import", dir.filePath("1D.234")});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_FALSE(missing.err.isEmpty());
}
