// Screenshots of the main window for a person to look at, at the service
// level: the device page after the simulated calculator was identified, its
// state, its configuration, a week of its daily archive and the print page,
// each at 1102x560 and 1920x1080; then the connection pages at 1280x800; with
// omi-cli given, the archive store window after a collection of the
// simulated calculator (and the one at UDP-ADDRESS): its collection, meter
// list, period report with its print preview, and a meter's archive on the
// archive page. Run under a real X server (scripts/screenshots starts Xvfb).
//
//   omi-screenshots OUT-DIR SIM-PTY [DELIVERED-DATA-FOLDER [OMI-CLI [UDP-ADDRESS]]]

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

#include "archives/LoggerManager.h"
#include "debug/DescriptionTable.h"
#include "logger/LoggerFile.h"
#include "protocol/Frame.h"
#include "service/DebugTerminal.h"
#include "shell/Dialogs.h"
#include "shell/MainWindow.h"
#include "shell/ShellFlags.h"
#include "store/StorePage.h"
#include "support/Paths.h"
#include "transport/CommPortDriver.h"

using namespace omi;

namespace {

void settle(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

bool shoot(QWidget& w, const QString& path) {
    settle(150);
    const bool ok = w.grab().save(path);
    std::printf("%s %s\n", ok ? "saved" : "FAILED", qPrintable(path));
    return ok;
}

// The delivered debug tables into the scratch data folder, so that the debug
// page shows what a new installation shows.
void copyDebugTables(const QString& delivered, const QString& dataRoot) {
    if (delivered.isEmpty()) return;
    const QString from = delivered + QStringLiteral("/ОТЛАДКА");
    QDirIterator it(from, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        const QString to = dataRoot + QStringLiteral("/ОТЛАДКА") + file.mid(from.size());
        QDir().mkpath(QFileInfo(to).path());
        QFile::copy(file, to);
    }
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationVersion(QStringLiteral(OMI_VERSION));
    if (argc < 3) {
        std::fprintf(stderr, "usage: omi-screenshots OUT-DIR SIM-PTY\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(out);
    QTemporaryDir data;
    SetDataRoot(data.filePath(QStringLiteral("ДАННЫЕ")));
    copyDebugTables(argc > 3 ? QString::fromLocal8Bit(argv[3]) : QString(), data.filePath(QStringLiteral("ДАННЫЕ")));

    TFomiOptions options;
    options.extraPorts << QString::fromLocal8Bit(argv[2]);
    options.arguments << TFomi::kServiceCode;
    TFomi w(options);
    bool ok = true;
    // Every page at the smallest usual size and on a full-HD screen.
    for (const QSize size : {QSize(1102, 560), QSize(1920, 1080)}) {
        const QString tag = QStringLiteral("%1x%2").arg(size.width()).arg(size.height());
        w.resize(size);
        w.show();
        w.AcreateExecute();
        w.AreadNoTuExecute();
        ok &= shoot(w, QStringLiteral("%1/device-%2.png").arg(out, tag));
        // The state and the configuration of the identified device.
        QAction* state = w.Action(QStringLiteral("Areadstate"));
        if (!state->isChecked()) state->trigger();
        ok &= shoot(w, QStringLiteral("%1/state-%2.png").arg(out, tag));
        state->trigger();
        w.Action(QStringLiteral("AreadParam"))->trigger();
        w.PCW()->setCurrentWidget(w.Page(QStringLiteral("TSwr")));
        ok &= shoot(w, QStringLiteral("%1/config-%2.png").arg(out, tag));
        // A week of the daily archive, then the print page of it.
        w.PCW()->setCurrentWidget(w.Page(QStringLiteral("TSa")));
        if (auto* range = w.findChild<QWidget*>(QStringLiteral("RGdtp")))
            if (auto* week = range->findChildren<QRadioButton*>().value(1)) week->click();
        w.Action(QStringLiteral("AreadArh"))->trigger();
        ok &= shoot(w, QStringLiteral("%1/page-TSa-%2.png").arg(out, tag));
        w.PCW()->setCurrentWidget(w.Page(QStringLiteral("TSp")));
        ok &= shoot(w, QStringLiteral("%1/page-TSp-%2.png").arg(out, tag));
        // The calibration and write page, then the change log on the device page.
        w.PCW()->setCurrentWidget(w.Page(QStringLiteral("TSk")));
        ok &= shoot(w, QStringLiteral("%1/page-TSk-%2.png").arg(out, tag));
        // A lower-point calibration run, its question answered "ДА", with
        // the measured values beside the references.
        SetDialogHook([](const DialogRequest& r) {
            return DialogAnswer{r.kind == DialogKind::Confirm ? 1 : int(QMessageBox::Ok), {}};
        });
        w.Action(QStringLiteral("Acal"))->trigger();
        SetDialogHook({});
        ok &= shoot(w, QStringLiteral("%1/page-TSk-calibrated-%2.png").arg(out, tag));
        QAction* log = w.Action(QStringLiteral("AReadChang"));
        if (log->isEnabled()) {
            log->trigger();
            ok &= shoot(w, QStringLiteral("%1/changelog-%2.png").arg(out, tag));
            log->trigger();
        }
        // The debug page: the state request of the device's type composed,
        // sent and its answer decoded by the delivered tables.
        TDebugTerminal& debug = *w.debugTerminal;
        w.PCW()->setCurrentWidget(w.Page(QStringLiteral("TSdeb")));
        for (int i = 0; i < debug.CBcmd->count(); ++i) {
            const QString name = QFileInfo(debug.CBcmd->itemText(i)).fileName();
            debug.CBcmd->setCurrentIndex(i);
            if (name.contains(QStringLiteral("запрос состояния"))) debug.DropOnLabel(debug.CBcmd, debug.Lcod);
            if (name.contains(QStringLiteral("ответ состояния"))) debug.DropOnLabel(debug.CBcmd, debug.Ldec);
        }
        debug.Button2->click();
        settle(1500);
        ok &= shoot(w, QStringLiteral("%1/page-TSdeb-%2.png").arg(out, tag));
    }
    // The ЗОРТ manager with two logger files, one of them checked.
    {
        QDir().mkpath(LoggerArchiveFolder());
        for (const char* name : {"00417D.234", "00417H.234"}) {
            QFile f(QDir(LoggerArchiveFolder()).filePath(QString::fromLatin1(name)));
            if (f.open(QIODevice::WriteOnly)) f.write(QByteArray(2 + 216 * 3, 0));
        }
        TFZORT manager(&w);
        manager.SetFolder(LoggerArchiveFolder());
        manager.LVcClick(0);
        manager.show();
        ok &= shoot(manager, QStringLiteral("%1/zort-manager.png").arg(out));
        manager.hide();
    }
    // The archive store window: a collection of the simulated calculators
    // started from it (a third meter does not answer), the meters of the
    // store, the period report and its preview, a meter's archive.
    if (argc > 4) {
        const QDate today = QDate::currentDate();
        const QString udp = argc > 5 ? QString::fromLocal8Bit(argv[5]) : QString();
        w.Port().ClosePort();
        const QString list = data.filePath(QStringLiteral("приборы.csv"));
        QFile file(list);
        if (file.open(QIODevice::WriteOnly)) {
            QString text = QStringLiteral("name;port;udp;serial;type;archives\n");
            text += QStringLiteral("Котельная ул. Мира 5;%1;;417;234;daily\n").arg(QString::fromLocal8Bit(argv[2]));
            if (!udp.isEmpty()) text += QStringLiteral("Школа № 3;;%1;1001;229;\n").arg(udp);
            text += QStringLiteral("Баня;;127.0.0.1:9;500;229;daily\n");
            file.write(text.toUtf8());
            file.close();
        }
        TStorePage& store = *w.storePage;
        store.SetCollectorProgram(QString::fromLocal8Bit(argv[4]));
        store.EStore->setText(data.filePath(QStringLiteral("store.sqlite")));
        store.EList->setText(list);
        store.CBsince->setChecked(true);
        store.DTPsince->setDate(today.addDays(-10));
        store.resize(1280, 640);
        store.show();
        QEventLoop collected;
        QObject::connect(&store, &TStorePage::CollectionFinished, &collected, &QEventLoop::quit);
        QTimer::singleShot(300000, &collected, &QEventLoop::quit);
        if (store.StartCollection()) {
            settle(1500);
            ok &= shoot(store, QStringLiteral("%1/store-collect-running.png").arg(out));
            if (store.Collecting()) collected.exec();
        }
        ok &= shoot(store, QStringLiteral("%1/store-collect.png").arg(out));
        store.SEdays->setValue(14);
        store.OpenStore();
        store.PCstore->setCurrentIndex(0);
        ok &= shoot(store, QStringLiteral("%1/store-meters.png").arg(out));
        store.DTPfrom->setDate(today.addDays(-10));
        store.DTPto->setDate(today.addDays(-1));
        store.MakeReport();
        ok &= shoot(store, QStringLiteral("%1/store-report.png").arg(out));
        // The print preview of the report as the operator sees it.
        TStorePage::SetPreviewHook([&](QPrinter& printer, const std::function<void(QPrinter*)>& paint) {
            QPrintPreviewWidget preview(&printer);
            QObject::connect(&preview, &QPrintPreviewWidget::paintRequested, paint);
            preview.resize(1280, 900);
            preview.show();
            preview.fitToWidth();
            ok &= shoot(preview, QStringLiteral("%1/store-report-preview.png").arg(out));
        });
        store.PrintReport();
        TStorePage::SetPreviewHook({});
        for (int row = 0; row < int(store.Meters().size()); ++row)
            if (store.Meters()[size_t(row)].serial == 417) store.OpenMeterArchive(row);
        w.resize(1280, 800);
        ok &= shoot(w, QStringLiteral("%1/store-archive-TSa.png").arg(out));
        store.hide();
    }
    w.resize(1280, 800);
    w.PCW()->setCurrentIndex(0);
    auto* pccon = w.findChild<QTabWidget*>(QStringLiteral("PCcon"));
    const QStringList names = {QStringLiteral("com"), QStringLiteral("modem"), QStringLiteral("net"),
                               QStringLiteral("gprs")};
    // The port settings shown, the trace memo on.
    if (auto* set = w.findChild<QCheckBox*>(QStringLiteral("CBPortSet"))) set->click();
    if (auto* gt = w.findChild<QCheckBox*>(QStringLiteral("CBgt"))) gt->click();
    for (int i = 0; i < pccon->count(); ++i) {
        pccon->setCurrentIndex(i);
        // The network page after a check of this computer.
        if (names[i] == QStringLiteral("net")) {
            if (auto* ip = w.findChild<QLineEdit*>(QStringLiteral("MEip"))) ip->setText(QStringLiteral("127.0.0.1"));
            Flags().activated = true;
            w.Action(QStringLiteral("Aping"))->trigger();
            settle(1500);
        }
        ok &= shoot(w, QStringLiteral("%1/connection-%2.png").arg(out, names[i]));
    }
    return ok ? 0 : 1;
}
