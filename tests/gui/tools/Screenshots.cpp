// Screenshots of the main window for a person to look at: the device page
// after the simulated calculator was identified, at 1280x800 and 1920x1080,
// and the other pages at the service level. Run under a real X server
// (scripts/screenshots starts Xvfb).
//
//   omi-screenshots OUT-DIR SIM-PTY

#include "protocol/Frame.h"
#include "shell/MainWindow.h"
#include "shell/ShellFlags.h"
#include "support/Paths.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QPixmap>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

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

    TFomiOptions options;
    options.extraPorts << QString::fromLocal8Bit(argv[2]);
    options.arguments << TFomi::kServiceCode;
    TFomi w(options);
    bool ok = true;
    for (const QSize size : {QSize(1280, 800), QSize(1920, 1080)}) {
        w.resize(size);
        w.show();
        w.AcreateExecute();
        w.AreadNoTuExecute();
        const QString tag = QStringLiteral("%1x%2").arg(size.width()).arg(size.height());
        ok &= shoot(w, QStringLiteral("%1/device-%2.png").arg(out, tag));
    }
    // The state and the configuration of the identified device.
    w.resize(1280, 800);
    w.Action(QStringLiteral("Areadstate"))->trigger();
    ok &= shoot(w, QStringLiteral("%1/state.png").arg(out));
    w.Action(QStringLiteral("AreadParam"))->trigger();
    w.PCW()->setCurrentWidget(w.Page(QStringLiteral("TSwr")));
    ok &= shoot(w, QStringLiteral("%1/config.png").arg(out));
    for (const char* page : {"TSa", "TSp"}) {
        w.PCW()->setCurrentWidget(w.Page(QString::fromLatin1(page)));
        ok &= shoot(w, QStringLiteral("%1/page-%2.png").arg(out, QString::fromLatin1(page)));
    }
    w.PCW()->setCurrentIndex(0);
    auto* pccon = w.findChild<QTabWidget*>(QStringLiteral("PCcon"));
    const QStringList names = {QStringLiteral("com"), QStringLiteral("modem"), QStringLiteral("net"), QStringLiteral("gprs")};
    // The port settings shown, the trace memo on.
    if (auto* set = w.findChild<QCheckBox*>(QStringLiteral("CBPortSet"))) set->click();
    if (auto* gt = w.findChild<QCheckBox*>(QStringLiteral("CBgt"))) gt->click();
    for (int i = 0; i < pccon->count(); ++i) {
        pccon->setCurrentIndex(i);
        ok &= shoot(w, QStringLiteral("%1/connection-%2.png").arg(out, names[i]));
    }
    return ok ? 0 : 1;
}
