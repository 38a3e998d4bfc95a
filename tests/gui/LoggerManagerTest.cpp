// The logger file manager: a folder's logger files with what each holds, an
// empty folder, the new-name preview following the check boxes, filing the
// checked files (an edited name, a name clash asked about, nothing checked),
// and the file chosen for import.

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QStyle>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include "GuiTestSupport.h"
#include "archives/LoggerManager.h"
#include "logger/LoggerFile.h"
#include "protocol/Models.h"
#include "shell/LayoutFile.h"
#include "support/Paths.h"

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
        // Declined replacements are no complete success.
        QCOMPARE(m.LAind->text(), QString("Операция завершена не полностью: скопировано файлов 0 из 2, "
                                          "не заменено (отказ от замены) 2"));
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

    // Real mouse clicks on the view: on the row's text and on its check box,
    // each flips the box exactly once and runs the preview; the detail
    // column is shown whole.
    void mouseClickFlipsOnce() {
        DataFolder data;
        LoadDescriptionTable();
        QTemporaryDir logger;
        writeFile(logger.filePath("00417D.234"), QByteArray(2 + 216, 1));
        TFZORT m;
        m.SetFolder(logger.path());
        m.show();
        QVERIFY(QTest::qWaitForWindowExposed(&m));
        QTreeWidgetItem* row = m.LVc->topLevelItem(0);
        const QModelIndex index = m.LVc->model()->index(0, 0);
        const QRect rect = m.LVc->visualRect(index);
        // The box sits at the start of the cell, before the icon and the text.
        const QPoint onBox(rect.left() + m.LVc->style()->pixelMetric(QStyle::PM_IndicatorWidth) / 2 + 3,
                           rect.center().y());
        const QPoint onText(rect.left() + 60, rect.center().y());
        for (const QPoint& at : {onText, onBox, onBox, onText}) {
            const Qt::CheckState before = row->checkState(0);
            m.REName->clear();
            QTest::mouseClick(m.LVc->viewport(), Qt::LeftButton, {}, at);
            QVERIFY2(row->checkState(0) != before,
                     qPrintable(QString(at == onBox ? "box " : "text ") + QString::number(at.x()) + " in " +
                                QString::number(rect.left()) + ".." + QString::number(rect.right())));
            QCOMPARE(m.REName->toPlainText().split('\n').value(1).startsWith("..."), row->checkState(0) == Qt::Checked);
        }
        const int needed = m.LVc->fontMetrics().horizontalAdvance(row->text(1));
        QVERIFY2(m.LVc->header()->sectionSize(1) >= needed,
                 qPrintable(QString("%1 < %2").arg(m.LVc->header()->sectionSize(1)).arg(needed)));
        QVERIFY(m.LVc->header()->sectionSize(1) >=
                m.LVc->header()->fontMetrics().horizontalAdvance(QStringLiteral("Подробно")));
        // In sight whole in the window's list, however long the folder name.
        QVERIFY2(
            m.LVc->header()->sectionViewportPosition(1) + m.LVc->header()->sectionSize(1) <= m.LVc->viewport()->width(),
            qPrintable(QString::number(m.LVc->viewport()->width())));
    }

    // The drives: one without a medium gets no node, the logger's drive is
    // chosen and its files listed; a drive's node lists its folders.
    void loggerDriveChosen() {
        DataFolder data;
        LoadDescriptionTable();
        QTemporaryDir other;
        QTemporaryDir drive;
        QVERIFY(QDir(other.path()).mkdir("папка"));
        writeFile(drive.filePath("00417D.234"), QByteArray(2 + 216, 1));
        TFZORT m;
        m.SetDriveSource([&] {
            return QStringList{"/media/cd,съемный,НЕТ_В_НАЛИЧИИ", other.path() + ",локальный,ДАННЫЕ",
                               drive.path() + ",съемный,ZORT-1_USB"};
        });
        m.AGetDiskExecute();
        QCOMPARE(m.TVc->topLevelItemCount(), 2);
        QCOMPARE(m.TVc->topLevelItem(1)->text(0), drive.path() + ",съемный,ZORT-1 USB");
        QCOMPARE(m.TVc->currentItem(), m.TVc->topLevelItem(1));
        QCOMPARE(m.Folder(), QDir::cleanPath(drive.path()));
        QCOMPARE(column(m.LVc, 0), QStringList({"00417D.234"}));
        m.TVc->setCurrentItem(m.TVc->topLevelItem(0));
        QCOMPARE(m.TVc->topLevelItem(0)->childCount(), 1);
        QCOMPARE(m.TVc->topLevelItem(0)->child(0)->text(0), QString("папка"));
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
