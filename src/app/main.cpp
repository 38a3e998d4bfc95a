// The window program: creates the main window, the confirmation dialog, the
// logger file manager, the chart window and the device-type window, then runs
// the message loop until the main window closes.
//
//   omi [SERVICE-CODE] [--data-dir DIR] [--port DEVICE]... [--startup-probe]
//
// --data-dir DIR   the folder that stands for "ДАННЫЕ" (tests, demos)
// --port DEVICE    a serial device added to the port list (pseudo-terminals,
//                  adapters the system does not list); may be repeated
// --startup-probe  prints the time from start to the first painted window and
//                  the resident memory, then quits (benchmarks)

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QTimer>
#include <cstdio>
#include <cstring>

#include "shell/Dialogs.h"
#include "shell/ExtraWindows.h"
#include "shell/MainWindow.h"
#include "shell/QtTranslations.h"
#include "shell/TFmd.h"
#include "support/Paths.h"

namespace {

const char kUsage[] =
    "usage: omi [SERVICE-CODE] [--data-dir DIR] [--port DEVICE]... [--startup-probe]\n"
    "       omi --help | --version\n"
    "\n"
    "Сервисная программа тепловычислителей ОМИ и водосчетчика ЛОРС.\n"
    "  --data-dir DIR   папка, заменяющая ДАННЫЕ рядом с программой\n"
    "  --port DEVICE    последовательный порт в начале списка портов (можно несколько)\n"
    "  --startup-probe  время до первой отрисовки окна и занятая память, затем выход\n";

// --help and --version answer on stdout before any window (or display) is needed.
// Returns true when one of them was given.
bool answerHelpOrVersion(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kUsage, stdout);
            return true;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::fputs("omi " OMI_VERSION "\n", stdout);
            return true;
        }
    }
    return false;
}

// Resident memory in kB from /proc (0 where there is none).
long residentKb() {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly)) return 0;
    const QList<QByteArray> lines = f.readAll().split('\n');
    for (const QByteArray& line : lines)
        if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').value(0).toLong();
    return 0;
}

// Reports the first paint of the main window and quits.
class FirstPaintProbe : public QObject {
public:
    explicit FirstPaintProbe(const QElapsedTimer& clock) : clock_(clock) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!done_ && event->type() == QEvent::Paint) {
            done_ = true;
            // The frame is on screen once this paint and the events queued
            // with it are through.
            QTimer::singleShot(0, [this] {
                std::printf("first-paint-ms %lld\nrss-kb %ld\n", static_cast<long long>(clock_.elapsed()),
                            residentKb());
                std::fflush(stdout);
                QCoreApplication::quit();
            });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    const QElapsedTimer& clock_;
    bool done_ = false;
};

}  // namespace

int main(int argc, char** argv) {
    if (answerHelpOrVersion(argc, argv)) return 0;
    QElapsedTimer clock;
    clock.start();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ОМИ "));
    QApplication::setApplicationVersion(QStringLiteral(OMI_VERSION));
    // The interface is Russian whatever the system's language: Qt's standard
    // dialogs and buttons too.
    omi::InstallQtTranslations(app);

    omi::TFomiOptions options;
    bool probe = false;
    const QStringList args = QApplication::arguments().mid(1);
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == QLatin1String("--data-dir") && i + 1 < args.size()) {
            omi::SetDataRoot(args[++i]);
        } else if (a == QLatin1String("--port") && i + 1 < args.size()) {
            options.extraPorts << args[++i];
        } else if (a == QLatin1String("--startup-probe")) {
            probe = true;
        } else {
            options.arguments << a;
        }
    }

    omi::TFomi window(options);
    omi::Fmd();
    omi::TChartWindow chart(&window);
    omi::TTypeWindow typeWindow(&window);

    FirstPaintProbe paintProbe(clock);
    if (probe) window.installEventFilter(&paintProbe);
    window.showMaximized();
    return app.exec();
}
