// omi-cli archive --report and show-archive --report: the archive report as a
// PDF file without a window, with the templates of the data folder, every
// Russian text readable from the PDF.

#include <QDate>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "e2e/SimProcess.h"
#include "support/TextCodec.h"

using namespace omi::test;

namespace {

// The text of a PDF file as pdftotext reads it; empty when the tool is missing.
QString PdfText(const QString& pdf) {
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    if (!p.waitForFinished(30000) || p.exitCode() != 0) return {};
    return QString::fromUtf8(p.readAllStandardOutput());
}

bool HavePdfText() { return !QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty(); }

}  // namespace

TEST(ArchiveReportCli, DailyDifferenceReportWithTheFoldersTemplates) {
    if (!HavePdfText()) GTEST_SKIP() << "pdftotext (poppler-utils) is not installed";
    Sim sim({"--type", "234", "--serial", "417", "--pty"});
    QTemporaryDir dir;
    const QString data = dir.filePath("ДАННЫЕ");
    // A footer of the user's own for the daily reports of family 34.
    QDir().mkpath(data + "/ПЕЧАТЬ");
    ASSERT_TRUE(
        omi::WriteLines1251(data + "/ПЕЧАТЬ/НИЗ_СУТ_34.txt", {"Name=Arial\tSize=9\t", "Проверил инженер Щукин @02"})
            .isEmpty());
    const QString pdf = dir.filePath("отчет.pdf");
    const QString saved = dir.filePath("архив.Arh");
    const QDate today = QDate::currentDate();
    const CliRun r = RunCli({"--port", sim.Pty(), "--data-dir", data, "archive", "daily-diff", "--system", "2",
                             "--from", today.addDays(-4).toString(Qt::ISODate), "--to", today.toString(Qt::ISODate),
                             "--save", saved, "--report", pdf});
    if (r.err.contains("needs the build with Qt GUI")) GTEST_SKIP() << "omi-cli built without Qt GUI";
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    QFile f(pdf);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.read(5) == "%PDF-");

    const QString text = PdfText(pdf);
    EXPECT_TRUE(text.contains("Архив суточный разностный, система 2")) << text.toStdString();
    EXPECT_TRUE(text.contains("Серийный № 417"));
    EXPECT_TRUE(text.contains("Итого:"));
    EXPECT_TRUE(text.contains("Проверил инженер Щукин " + today.toString("dd.MM.yyyy")));
    // Four rows, oldest first.
    const qsizetype first = text.indexOf(today.addDays(-3).toString("dd.MM.yy"));
    const qsizetype last = text.indexOf(today.toString("dd.MM.yy"));
    EXPECT_GE(first, 0);
    EXPECT_GT(last, first);
    EXPECT_EQ(text.indexOf(today.addDays(-4).toString("dd.MM.yy")), -1);

    // The saved file printed as a loaded archive: item 05 names the file.
    const QString filePdf = dir.filePath("файл.pdf");
    const CliRun s = RunCli({"--data-dir", data, "show-archive", saved, "--type", "234", "--report", filePdf});
    ASSERT_EQ(s.exitCode, 0) << s.err.toStdString();
    EXPECT_TRUE(PdfText(filePdf).contains("Файл: ")) << PdfText(filePdf).toStdString();
}

TEST(ArchiveReportCli, UnwritableReportFailsWithItsName) {
    Sim sim({"--type", "234", "--serial", "417", "--pty"});
    QTemporaryDir dir;
    const QString pdf = dir.filePath("нет такой папки/отчет.pdf");
    const CliRun r = RunCli({"--port", sim.Pty(), "--data-dir", dir.filePath("ДАННЫЕ"), "archive", "daily", "--from",
                             QDate::currentDate().toString(Qt::ISODate), "--report", pdf});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(pdf)) << r.err.toStdString();
    EXPECT_FALSE(QFile::exists(pdf));
}
