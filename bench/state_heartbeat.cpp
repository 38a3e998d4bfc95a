// How well the window answers while the state view polls a device: the real
// main window on the offscreen platform polls omi-sim on a pseudo-terminal at
// 9600 baud every second for about 20 seconds, while a 10 ms precise timer
// stands in for the user's input. Each tick's lateness (the time since the
// previous tick minus 10 ms) is collected, for the whole run and for the
// ticks that fell inside a reading; p50, p99 and the worst are printed.
//
// Usage: state_heartbeat [seconds]   (20 by default)

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QProcess>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "protocol/Frame.h"
#include "shell/MainWindow.h"
#include "shell/ShellFlags.h"
#include "state/StateView.h"

namespace {

struct Figures {
    double p50 = 0, p99 = 0, max = 0;
    std::size_t n = 0;
};

Figures Summarise(std::vector<double> v) {
    Figures f;
    f.n = v.size();
    if (v.empty()) return f;
    std::sort(v.begin(), v.end());
    auto at = [&](double q) {
        return v[std::min(v.size() - 1, static_cast<std::size_t>(q * static_cast<double>(v.size())))];
    };
    f.p50 = at(0.50);
    f.p99 = at(0.99);
    f.max = v.back();
    return f;
}

void Print(const char* what, const Figures& f) {
    std::printf("%-22s ticks %6zu  p50 %6.2f ms  p99 %6.2f ms  max %6.2f ms\n", what, f.n, f.p50, f.p99, f.max);
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int seconds = argc > 1 ? std::max(1, QByteArray(argv[1]).toInt()) : 20;

    QTemporaryDir dir;
    QProcess sim;
    sim.start(QStringLiteral(OMI_SIM_PATH),
              {"--pty", "--type", "234", "--serial", "417", "--baud", "9600", "--log", dir.filePath("requests.log")});
    if (!sim.waitForStarted(5000) || !sim.waitForReadyRead(5000)) {
        std::fprintf(stderr, "omi-sim did not start\n");
        return 1;
    }
    const QString pty = QString::fromUtf8(sim.readLine()).trimmed();

    omi::TFomiOptions options;
    options.systemPorts = false;
    options.extraPorts = {pty};
    omi::TFomi window(options);
    window.show();
    window.AcreateExecute();
    omi::TStateView& view = *window.stateView;
    view.SEfire->setValue(1);
    view.CBfire->setChecked(true);

    std::vector<double> all;
    std::vector<double> reading;
    QElapsedTimer clock;
    qint64 last = -1;
    QTimer heartbeat;
    heartbeat.setTimerType(Qt::PreciseTimer);
    heartbeat.setInterval(10);
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        if (last >= 0) {
            const double late = std::max(0.0, static_cast<double>(now - last) / 1e6 - 10.0);
            all.push_back(late);
            if (view.Reading()) reading.push_back(late);
        }
        last = now;
    });
    int readings = 0;
    QObject::connect(view.Tst, &QTimer::timeout, [&] { ++readings; });

    clock.start();
    heartbeat.start();
    // The first reading runs from the event loop, as a click would start it.
    QTimer::singleShot(50, &window, [&] { window.Action(QStringLiteral("Areadstate"))->trigger(); });
    QTimer::singleShot(seconds * 1000, &app, [&] {
        heartbeat.stop();
        QApplication::quit();
    });
    app.exec();

    std::printf("state polling of a 234 over a pty at 9600 baud, %d s, %d polls, last status: %s\n", seconds,
                readings + 1, qPrintable(window.LuState->text()));
    Print("all ticks", Summarise(all));
    Print("ticks during readings", Summarise(reading));
    window.Action(QStringLiteral("Areadstate"))->trigger();  // off
    sim.terminate();
    sim.waitForFinished(3000);
    return 0;
}
