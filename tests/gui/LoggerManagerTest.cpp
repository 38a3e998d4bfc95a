// The logger file manager: a folder's logger files with what each holds, an
// empty folder, the new-name preview following the check boxes, filing the
// checked files (an edited name, a name clash asked about, nothing checked),
// and the file chosen for import.

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QSpinBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include "GuiTestSupport.h"
#include "archives/LoggerManager.h"
#include "shell/LayoutFile.h"
#include "support/Paths.h"
#include "logger/LoggerFile.h"
#include "protocol/Models.h"

using namespace omi;
using namespace omi::guitest;

namespace {

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QStringList column(const QTreeWidget* list, int c) {
    QStringList out;
    for (int r = 0; r < list->topLevelItemCount(); ++r) out << list->topLevelItem(r)->text(c);
    return out;
}

}  // namespace

class LoggerManagerTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void listsPreviewsAndFiles() {
        DataFolder data;
        LoadDescriptionTable();
        QTemporaryDir logger;
        writeFile(logger.filePath("00417D.234"), QByteArray(2 + 216, 1));
        writeFile(logger.filePath("00417H.234"), QByteArray(2 + 216, 2));
        writeFile(logger.filePath("12345d.234"), QByteArray(2, 0));
        writeFile(logger.filePath("notes.txt"), "x");

        TFZORT m;
        m.SetClock([] { return QDateTime(QDate(2026, 12, 9), QTime(14, 30)); });
        m.SetFolder(logger.path());
        // The masks ignore letter case (the unrecognised kind letter is
        // listed with its reason); other files stay out.
        QCOMPARE(column(m.LVc, 0), QStringList({"00417D.234", "00417H.234", "12345d.234"}));
        const QStringList details = column(m.LVc, 1);
        QVERIFY(details[0].contains("№ 417"));
        QVERIFY(details[2].startsWith("Тип арх не определен:"));
        QVERIFY(m.AfileDLOpenAction->isEnabled());

        // A click flips the check box and runs the preview.
        m.LVcClick(0);
        const QString model = ModelName(234);
        const QStringList lines = m.REName->toPlainText().split('\n');
        QCOMPARE(lines.size(), 4);
        QCOMPARE(lines[0], LoggerArchiveFolder() + "...");
        QCOMPARE(lines[1], ".../" + model + "/00417/СУТОЧНЫЙ от 120914_00417D.234");
        QCOMPARE(lines[2], QString("- - - - - "));
        QVERIFY(QDir(LoggerArchiveFolder() + "/" + model + "/00417").exists());
        m.LVcClick(0);
        m.LVcClick(0);
        QCOMPARE(m.LVc->topLevelItem(0)->checkState(0), Qt::Checked);

        // The second file's name edited by hand before copying.
        m.LVcClick(1);
        QStringList edited = m.REName->toPlainText().split('\n');
        QCOMPARE(edited[2], ".../" + model + "/00417/ЧАСОВОЙ от 120914_00417H.234");
        edited[2] = ".../" + model + "/00417/мой.234";
        m.REName->setPlainText(edited.join('\n'));
        m.AZORTCopy();
        QCOMPARE(m.LAind->text(), QString("Операция успешно завершена"));
        const QString filed = LoggerArchiveFolder() + "/" + model + "/00417/";
        QFile first(filed + "СУТОЧНЫЙ от 120914_00417D.234");
        QVERIFY(first.open(QIODevice::ReadOnly));
        QCOMPARE(first.readAll(), QByteArray(2 + 216, 1));
        QVERIFY(QFileInfo::exists(filed + "мой.234"));

        // Copied again: each clash is asked about; "no" keeps the file there.
        writeFile(filed + "мой.234", "kept");
        QStringList asked;
        m.SetOverwriteQuestion([&](const QString& path) {
            asked << path;
            return false;
        });
        m.AZORTCopy();
        QCOMPARE(asked.size(), 2);
        QFile kept(filed + "мой.234");
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), QByteArray("kept"));

        // Nothing checked: nothing copied.
        m.LVcClick(0);
        m.LVcClick(1);
        m.AZORTCopy();
        QCOMPARE(m.LAind->text(), QString("нет файлов для копирования. Поставте галочки в списке"));

        // Open: the selected file is the one chosen.
        m.LVc->setCurrentItem(m.LVc->topLevelItem(1));
        m.AfileDLOpen();
        QCOMPARE(m.result(), int(QDialog::Accepted));
        QCOMPARE(m.ChosenFile(), QDir(logger.path()).filePath("00417H.234"));
    }

    void folderWithoutLoggerFiles() {
        DataFolder data;
        QTemporaryDir empty;
        TFZORT m;
        m.SetFolder(empty.path());
        QCOMPARE(column(m.LVc, 0), QStringList({"ЗОРТ: файлов не найдено"}));
        QCOMPARE(m.LAind->text(), QString("ЗОРТ: файлов не найдено"));
        QVERIFY(!m.AfileDLOpenAction->isEnabled());
        QVERIFY(!m.AZORTCopyAction->isEnabled());
        m.LVcClick(0);
        QVERIFY(m.REName->toPlainText().isEmpty());
    }

    // The layout file: written sorted with its comments, read back; a name
    // with a colon; the newest other .mem file when the window's own is gone.
    void layoutFile() {
        DataFolder data;
        QWidget w;
        auto* box = new QGroupBox(&w);
        box->setObjectName("GBa");
        auto* spin = new QSpinBox(&w);
        spin->setObjectName("SEx");
        spin->setRange(0, 100);
        spin->setValue(42);
        auto* combo = new QComboBox(&w);
        combo->setObjectName("CBy");
        combo->addItems({"один", "два", "три"});
        combo->setCurrentIndex(2);
        auto* check = new QCheckBox(&w);
        check->setObjectName("CBz");
        check->setChecked(true);
        QCOMPARE(SaveLayout(&w, {"SEx=7"}, "память"), QString());
        QCOMPARE(LayoutPath("a:b"), DataRoot() + "/a_b.mem");

        QFile file(LayoutPath("память"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(file.readAll());
        QVERIFY(text.contains("CBz=0//0-checked"));
        QVERIFY(text.contains("SEx=7"));
        QVERIFY(text.contains("//TGroupBox.Height;Width"));
        QVERIFY(text.indexOf("CBy=") < text.indexOf("SEx="));

        spin->setValue(1);
        combo->clear();
        check->setChecked(false);
        RestoreLayout(&w, "память");
        QCOMPARE(spin->value(), 7);
        QCOMPARE(combo->count(), 3);
        QCOMPARE(combo->currentText(), QString("три"));
        QVERIFY(check->isChecked());

        // Its own file gone: the newest other one.
        QVERIFY(QFile::rename(LayoutPath("память"), LayoutPath("другое")));
        spin->setValue(1);
        RestoreLayout(&w, "память");
        QCOMPARE(spin->value(), 7);
    }
};

QTEST_MAIN(LoggerManagerTest)
#include "LoggerManagerTest.moc"
