// Host overhead of one exchange over a line that behaves like a real one:
// omi-sim on a pseudo-terminal emulating 9600 baud (or the baud given) (it waits the request's
// wire time, then paces its answer), 200 identification exchanges.
//
// overhead = measured time - wire time of request and answer (bytes x 10 / baud)
// Also reports the CPU time of this process against the wall time, and the
// CPU used while the port's far end is gone.

#include <sys/resource.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <numeric>
#include <vector>

#include "connection/Connection.h"
#include "protocol/Exchange.h"
#include "protocol/Frame.h"
#include "transport/CommPortDriver.h"

using namespace omi;

namespace {
double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

void idle(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}
}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int exchanges = argc > 1 ? std::atoi(argv[1]) : 200;
    const int baud = argc > 2 ? std::atoi(argv[2]) : 9600;

    QProcess sim;
    sim.start(QStringLiteral(OMI_SIM_PATH),
              {"--pty", "--type", "234", "--serial", "417", "--baud", QString::number(baud)});
    if (!sim.waitForStarted() || !sim.waitForReadyRead(5000)) {
        std::fprintf(stderr, "omi-sim did not start\n");
        return 1;
    }
    const QString pty = QString::fromUtf8(sim.readLine()).trimmed();

    Connection line;
    TCommPortDriver& port = line.Port();
    port.SetPortName(pty);
    port.SetBaudRateValue(baud);
    port.SetInputTimeout(1000);
    port.SetOutputTimeout(1000);
    ExchangeEngine& engine = line.Engine();
    line.SetDevice(417, 234);
    const Frame request = *line.BuildFrame(cmd::NumberType);
    Frame response;
    if (!engine.Exchange(request, response)) {  // opens the port, warms up
        std::fprintf(stderr, "no answer from omi-sim\n");
        return 1;
    }
    const double wireMs = (request.size() + response.size()) * 10.0 * 1000.0 / baud;

    std::vector<double> overhead;
    int failures = 0;
    QElapsedTimer wall;
    wall.start();
    const double cpu0 = cpuSeconds();
    for (int i = 0; i < exchanges; ++i) {
        QElapsedTimer t;
        t.start();
        const bool ok = engine.Exchange(request, response);
        const double ms = t.nsecsElapsed() / 1e6;
        if (!ok) {
            ++failures;
            continue;
        }
        overhead.push_back(ms - wireMs);
    }
    const double wallS = wall.nsecsElapsed() / 1e9;
    const double cpuS = cpuSeconds() - cpu0;

    std::sort(overhead.begin(), overhead.end());
    const double mean = overhead.empty() ? 0 : std::accumulate(overhead.begin(), overhead.end(), 0.0) / overhead.size();
    const double p99 = overhead.empty() ? 0 : overhead[std::min(overhead.size() - 1, overhead.size() * 99 / 100)];

    // The far end disappears: the port must not spin.
    sim.kill();
    sim.waitForFinished();
    (void)engine.Exchange(request, response);
    const double cpuIdle0 = cpuSeconds();
    idle(3000);
    const double cpuIdle = cpuSeconds() - cpuIdle0;

    std::printf("exchanges            %d (failed %d) at %d baud\n", exchanges, failures, baud);
    std::printf("wire time/exchange   %.2f ms (%zu + %zu bytes)\n", wireMs, request.size(), response.size());
    std::printf("overhead mean        %.3f ms\n", mean);
    std::printf("overhead p99         %.3f ms\n", p99);
    std::printf("overhead max         %.3f ms\n", overhead.empty() ? 0 : overhead.back());
    std::printf("total / wire ratio   %.3f\n", wallS * 1000.0 / (wireMs * exchanges));
    std::printf("cpu / wall           %.2f %%\n", 100.0 * cpuS / wallS);
    std::printf("cpu after far end gone (3 s) %.2f %%  port open: %s\n", 100.0 * cpuIdle / 3.0,
                port.IsOpen() ? "yes" : "no");
    return 0;
}
