// The main window's value file: what each kind of control stores, the round
// trip through ДАННЫЕ/ПАМЯТЬ.mem, and hand-written or damaged files.

#include "shell/Dialogs.h"
#include "shell/RadioGroup.h"
#include "shell/ShellFlags.h"
#include "shell/WindowValues.h"
#include "support/Paths.h"
#include "support/TextCodec.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QRandomGenerator>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <QtTest>

#include <memory>

using namespace omi;

namespace {

// A window with one control of every stored kind, the controls that are never
// stored, and a nested group so that descendants are found at any depth.
struct Window {
    Window() {
        auto* layout = new QVBoxLayout(&root);
        auto* box = new QGroupBox(QStringLiteral("порт"), &root);  // a group box itself is not stored
        box->setObjectName(QStringLiteral("GBport"));
        auto* boxLayout = new QVBoxLayout(box);
        layout->addWidget(box);

        spin = Add<QSpinBox>(boxLayout, box, "SEp");
        spin->setRange(0, 65535);
        spin->setValue(5001);
        edit = Add<QLineEdit>(boxLayout, box, "Eadr");
        edit->setText(QStringLiteral("ДАННЫЕ\\шаблон=1.txt"));
        masked = Add<QLineEdit>(layout, &root, "MEip");
        masked->setInputMask(QStringLiteral("000.000.000.000;_"));
        masked->setText(QStringLiteral("192.168.001.010"));
        combo = Add<QComboBox>(boxLayout, box, "cbBaudRate");
        combo->addItems({"1200", "2400", "4800", "9600", "19200", "38400", "57600", "115200"});
        combo->setCurrentIndex(7);
        comboCon = Add<QComboBox>(layout, &root, "CBcon");
        comboCon->addItems({"Прямое", "Модем", "Сеть"});
        comboCon->setCurrentIndex(2);
        editableCombo = Add<QComboBox>(layout, &root, "CBtable");
        editableCombo->setEditable(true);  // its line edit is a part of it
        editableCombo->addItems({"a", "b"});
        editableCombo->setCurrentIndex(1);
        group = new TRadioGroup(QStringLiteral("тип"), {"234", "229", "227", "225"}, 2, &root);
        group->setObjectName(QStringLiteral("RGtype"));
        group->SetItemIndex(3);
        layout->addWidget(group);
        date = Add<QDateEdit>(layout, &root, "DTPfrom");
        date->setCalendarPopup(true);
        date->setDate(QDate(2026, 3, 7));
        radioA = Add<QRadioButton>(boxLayout, box, "RBdirect");
        radioB = Add<QRadioButton>(boxLayout, box, "RBmodem");
        radioB->setChecked(true);
        check = Add<QCheckBox>(layout, &root, "CBgt");
        check->setChecked(true);
        check2 = Add<QCheckBox>(layout, &root, "CBfire");
        pages = Add<QTabWidget>(layout, &root, "PCcon");
        for (const char* page : {"ПРЯМОЕ", "МОДЕМ", "GPRS", "СЕТЬ"}) pages->addTab(new QWidget, QString::fromUtf8(page));
        pages->setCurrentIndex(2);
        otherPages = Add<QTabWidget>(layout, &root, "PCmain");
        otherPages->addTab(new QWidget, QStringLiteral("1"));
        otherPages->addTab(new QWidget, QStringLiteral("2"));
        otherPages->setCurrentIndex(1);
        label = Add<QLabel>(pages->widget(3), pages->widget(3), "LPState");
        label->setText(QStringLiteral("свободен (подключен)"));
        password = Add<QLineEdit>(layout, &root, "Epsw");
        password->setText(QStringLiteral("1"));
        cbd = Add<QComboBox>(layout, &root, "cbd");
        cbd->addItems({"x", "y"});
        cbd->setCurrentIndex(1);
        auto* unnamed = new QLineEdit(&root);
        unnamed->setText(QStringLiteral("без имени"));
        auto* internal = Add<QLabel>(layout, &root, "qt_inner_label");
        internal->setText(QStringLiteral("внутренний"));
    }

    template <class W, class Parent>
    W* Add(Parent* layoutOrWidget, QWidget* parent, const char* name) {
        auto* w = new W(parent);
        w->setObjectName(QString::fromUtf8(name));
        if constexpr (std::is_base_of_v<QLayout, Parent>) layoutOrWidget->addWidget(w);
        return w;
    }

    QWidget root;
    QSpinBox* spin;
    QLineEdit* edit;
    QLineEdit* masked;
    QComboBox* combo;
    QComboBox* comboCon;
    QComboBox* editableCombo;
    TRadioGroup* group;
    QDateEdit* date;
    QRadioButton* radioA;
    QRadioButton* radioB;
    QCheckBox* check;
    QCheckBox* check2;
    QTabWidget* pages;
    QTabWidget* otherPages;
    QLabel* label;
    QLineEdit* password;
    QComboBox* cbd;
};

// In the order of the file: ascending ignoring case.
const QStringList kEntries = {
    "cbBaudRate=7", "CBcon=2",  "CBfire=1",  "CBgt=0",
    "CBtable=1",    "DTPfrom=46088", "Eadr=ДАННЫЕ\\шаблон=1.txt", "LPState=свободен (подключен)",
    "MEip=192.168.001.010", "PCcon=2", "RBdirect=1", "RBmodem=0", "RGtype=3", "SEp=5001",
};

}  // namespace

class WindowValuesTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init() {
        dir = std::make_unique<QTemporaryDir>();
        QVERIFY(dir->isValid());
        SetDataRoot(dir->filePath(QStringLiteral("ДАННЫЕ")));
        messages.clear();
        SetDialogHook([this](const DialogRequest& r) {
            messages << r.text;
            return DialogAnswer{QMessageBox::Ok, {}};
        });
    }
    void cleanup() {
        SetDialogHook({});
        SetDataRoot({});
    }

    void CollectsEveryKindOnceByName() {
        Window w;
        QStringList entries = CollectWindowValues(&w.root);
        entries.sort();
        QStringList expected = kEntries;
        expected.sort();
        QCOMPARE(entries, expected);

        w.combo->setCurrentIndex(-1);
        w.group->SetItemIndex(-1);
        QVERIFY(CollectWindowValues(&w.root).contains(QStringLiteral("cbBaudRate=-1")));
        QVERIFY(CollectWindowValues(&w.root).contains(QStringLiteral("RGtype=-1")));

        // A status text with line breaks stays one entry and cannot pose as another control's.
        w.label->setText(QStringLiteral("не найден файл:\rSEp=1\r\nx\ny"));
        const QStringList broken = CollectWindowValues(&w.root);
        QVERIFY(broken.contains(QStringLiteral("LPState=не найден файл: SEp=1 x y")));
        QVERIFY(!broken.contains(QStringLiteral("SEp=1")));
    }

    void SaveWritesTheSortedFileAndCreatesTheDataFolder() {
        Window w;
        QVERIFY(!QDir(DataRoot()).exists());
        QCOMPARE(SaveWindowValues(&w.root), QString());
        QCOMPARE(messages, QStringList());
        const QString path = dir->filePath(QStringLiteral("ДАННЫЕ/ПАМЯТЬ.mem"));
        QCOMPARE(WindowValuesPath(), path);

        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray bytes = file.readAll();
        QString text;
        for (const QString& entry : kEntries) text += entry + QStringLiteral("\r\n");
        QCOMPARE(bytes, ToCp1251(text));  // kEntries are in the file's order
    }

    void SaveChangeRestoreRoundTrip() {
        Window w;
        QCOMPARE(SaveWindowValues(&w.root), QString());

        bool readyInHandler = true;
        int changes = 0;
        QObject::connect(w.spin, &QSpinBox::valueChanged, [&] {
            readyInHandler = Flags().ready;
            ++changes;
        });
        w.spin->setValue(1);
        w.edit->setText(QStringLiteral("другое"));
        w.masked->setText(QStringLiteral("010.000.000.001"));
        w.combo->setCurrentIndex(0);
        w.comboCon->setCurrentIndex(0);
        w.editableCombo->setCurrentIndex(0);
        w.group->SetItemIndex(0);
        w.date->setDate(QDate(2000, 1, 1));
        w.radioA->setChecked(true);
        w.check->setChecked(false);
        w.check2->setChecked(true);
        w.pages->setCurrentIndex(0);
        w.label->setText(QStringLiteral("занят"));
        w.password->setText(QStringLiteral("0"));
        w.cbd->setCurrentIndex(0);
        w.otherPages->setCurrentIndex(0);
        QCOMPARE(changes, 1);
        QVERIFY(readyInHandler);

        RestoreWindowValues(&w.root);
        QVERIFY2(!readyInHandler, "change handlers must see the ready flag clear while values are restored");
        QVERIFY(Flags().ready);
        QCOMPARE(w.spin->value(), 5001);
        QCOMPARE(w.edit->text(), QStringLiteral("ДАННЫЕ\\шаблон=1.txt"));
        QCOMPARE(w.masked->text(), QStringLiteral("192.168.001.010"));
        QCOMPARE(w.combo->currentIndex(), 7);
        QCOMPARE(w.comboCon->currentIndex(), 2);
        QCOMPARE(w.comboCon->property("tag").toInt(), 2);
        QCOMPARE(w.editableCombo->currentIndex(), 1);
        QCOMPARE(w.group->ItemIndex(), 3);
        QCOMPARE(w.date->date(), QDate(2026, 3, 7));
        QVERIFY(!w.radioA->isChecked());
        QVERIFY(w.radioB->isChecked());
        QVERIFY(w.check->isChecked());
        QVERIFY(!w.check2->isChecked());
        QCOMPARE(w.pages->currentIndex(), 2);
        QCOMPARE(w.label->text(), QStringLiteral("свободен (подключен)"));
        // Never stored, so never restored.
        QCOMPARE(w.password->text(), QStringLiteral("0"));
        QCOMPARE(w.cbd->currentIndex(), 0);
        QCOMPARE(w.otherPages->currentIndex(), 0);
    }

    void HandWrittenEntries_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("control");
        QTest::addColumn<QVariant>("expected");
        // The window's values before restoring: SEp 5001, CBgt checked, CBfire not, RBmodem checked,
        // cbBaudRate 7, CBcon 2, RGtype 3, DTPfrom 2026-03-07, PCcon 2.
        QTest::newRow("CBgt=0 checks") << QByteArray("CBgt=0\r\n") << "CBgt" << QVariant(true);
        QTest::newRow("CBgt=1 unchecks") << QByteArray("CBgt=1\r\n") << "CBgt" << QVariant(false);
        QTest::newRow("check only for 0") << QByteArray("CBfire= 0\r\n") << "CBfire" << QVariant(false);
        QTest::newRow("CBfire=0 checks") << QByteArray("CBfire=0\r\n") << "CBfire" << QVariant(true);
        QTest::newRow("checked radio unchecked") << QByteArray("RBmodem=1\r\n") << "RBmodem" << QVariant(false);
        QTest::newRow("radio checked") << QByteArray("RBdirect=0\r\n") << "RBdirect" << QVariant(true);
        QTest::newRow("spin not a number") << QByteArray("SEp=abc\r\n") << "SEp" << QVariant(0);
        QTest::newRow("spin clamped") << QByteArray("SEp=99999999\r\n") << "SEp" << QVariant(65535);
        QTest::newRow("combo not a number") << QByteArray("cbBaudRate=x\r\n") << "cbBaudRate" << QVariant(0);
        QTest::newRow("combo past the list") << QByteArray("cbBaudRate=99\r\n") << "cbBaudRate" << QVariant(-1);
        QTest::newRow("combo negative") << QByteArray("cbBaudRate=-5\r\n") << "cbBaudRate" << QVariant(-1);
        QTest::newRow("radio group not a number") << QByteArray("RGtype=?\r\n") << "RGtype" << QVariant(0);
        QTest::newRow("radio group none") << QByteArray("RGtype=-1\r\n") << "RGtype" << QVariant(-1);
        QTest::newRow("date from days") << QByteArray("DTPfrom=36526\r\n") << "DTPfrom" << QVariant(QDate(2000, 1, 1));
        QTest::newRow("date not a number") << QByteArray("DTPfrom=1.1.2000\r\n") << "DTPfrom" << QVariant(QDate(2026, 3, 7));
        QTest::newRow("page") << QByteArray("PCcon=3\r\n") << "PCcon" << QVariant(3);
        QTest::newRow("page past the end") << QByteArray("PCcon=9\r\n") << "PCcon" << QVariant(2);
        QTest::newRow("name case matters") << QByteArray("cbgt=1\r\nsep=7\r\n") << "CBgt" << QVariant(true);
        QTest::newRow("last entry wins") << QByteArray("SEp=1\r\nSEp=2\r\n") << "SEp" << QVariant(2);
        QTest::newRow("Cyrillic label") << QByteArray("LPState=\xE7\xE0\xED\xFF\xF2\r\n") << "LPState"
                                        << QVariant(QStringLiteral("занят"));
        QTest::newRow("edit cut to 255") << "Eadr=" + QByteArray(255, 'x') + "y\r\n" << "Eadr"
                                         << QVariant(QString(255, QLatin1Char('x')));
        QTest::newRow("Epsw never restored") << QByteArray("Epsw=0\r\n") << "Epsw" << QVariant(QStringLiteral("1"));
        QTest::newRow("cbd never restored") << QByteArray("cbd=0\r\n") << "cbd" << QVariant(1);
        QTest::newRow("internal never restored") << QByteArray("qt_inner_label=x\r\n") << "qt_inner_label"
                                                 << QVariant(QStringLiteral("внутренний"));
    }

    void HandWrittenEntries() {
        QFETCH(QByteArray, file);
        QFETCH(QString, control);
        QFETCH(QVariant, expected);
        Window w;
        Write(file);
        RestoreWindowValues(&w.root);
        QCOMPARE(ValueOf(w.root.findChild<QWidget*>(control)), expected);
    }

    void UnknownNamesIgnoredAndControlsWithoutEntryKeepTheirValues() {
        Window w;
        Write("Gone=5\r\nSEp=42\r\nCBcon=7\r\n");
        const QStringList before = CollectWindowValues(&w.root);
        RestoreWindowValues(&w.root);
        QStringList after = CollectWindowValues(&w.root);
        QVERIFY(after.removeOne(QStringLiteral("SEp=42")));
        QVERIFY(after.removeOne(QStringLiteral("CBcon=-1")));  // 7 is past the list: nothing selected
        QStringList rest = before;
        rest.removeOne(QStringLiteral("SEp=5001"));
        rest.removeOne(QStringLiteral("CBcon=2"));
        QCOMPARE(after, rest);
        QCOMPARE(w.comboCon->property("tag").toInt(), 7);  // the tag keeps the number as written
    }

    void MissingAndDamagedFiles() {
        Window w;
        const QStringList before = CollectWindowValues(&w.root);
        RestoreWindowValues(&w.root);  // no data folder at all
        QCOMPARE(CollectWindowValues(&w.root), before);

        // Garbage with a few real entries in it: no crash; the entries still apply.
        QByteArray garbage;
        QRandomGenerator random(20261210);
        for (int i = 0; i < 20000; ++i) garbage.append(static_cast<char>(random.bounded(256)));
        garbage.replace('\n', '\0');
        garbage.replace('\r', '\0');
        Write(garbage + QByteArrayLiteral("\r\nSEp=77\r\n\x00\xFF=\x98\r\nCBgt=1\r\n") + garbage +
              QByteArrayLiteral("\r\nLPState=\x98\x00\xFF"));
        RestoreWindowValues(&w.root);
        QCOMPARE(w.spin->value(), 77);
        QVERIFY(!w.check->isChecked());
        QCOMPARE(w.label->text(), QString(QChar(0x98)) + QChar(0) + QChar(u'я'));
        QVERIFY(Flags().ready);

        QCOMPARE(SaveWindowValues(&w.root), QString());
        QVERIFY(CollectWindowValues(&w.root).contains(QStringLiteral("SEp=77")));
    }

    void DataFolderThatCannotBeMade() {
        Window w;
        // A file stands where the data folder should be.
        const QString blocker = dir->filePath(QStringLiteral("файл"));
        QFile file(blocker);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        SetDataRoot(blocker + QStringLiteral("/ДАННЫЕ"));
        const QString message = SaveWindowValues(&w.root);
        QCOMPARE(messages, QStringList{QStringLiteral("НЕ МОГУ СОЗДАТЬ ДИР")});
        QVERIFY(!message.isEmpty());
        QVERIFY(message.contains(QStringLiteral("ПАМЯТЬ.mem")));
    }

private:
    static void Write(const QByteArray& bytes) {
        QVERIFY(QDir().mkpath(DataRoot()));
        QFile file(WindowValuesPath());
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QCOMPARE(file.write(bytes), bytes.size());
    }

    // The state of one control as the table of HandWrittenEntries gives it.
    static QVariant ValueOf(QWidget* w) {
        if (!w) return QStringLiteral("<no control>");
        if (auto* c = qobject_cast<QSpinBox*>(w)) return c->value();
        if (auto* c = qobject_cast<QLineEdit*>(w)) return c->text();
        if (auto* c = qobject_cast<QComboBox*>(w)) return c->currentIndex();
        if (auto* c = qobject_cast<TRadioGroup*>(w)) return c->ItemIndex();
        if (auto* c = qobject_cast<QDateEdit*>(w)) return c->date();
        if (auto* c = qobject_cast<QAbstractButton*>(w)) return c->isChecked();
        if (auto* c = qobject_cast<QTabWidget*>(w)) return c->currentIndex();
        if (auto* c = qobject_cast<QLabel*>(w)) return c->text();
        return QStringLiteral("<unknown kind>");
    }

    std::unique_ptr<QTemporaryDir> dir;
    QStringList messages;
};

QTEST_MAIN(WindowValuesTest)
#include "WindowValuesTest.moc"
