// Reading the archive of a 234 device through omi-sim on a pseudo-terminal
// emulating 9600 baud: the full daily archive (366 records), and a 2-day
// range of the 1081-position hourly ring.
//
// ratio = measured time / (wire time of every request and answer + the
// simulator's turnaround); host overhead per record = (measured - wire) / records.
// Usage: archive_read [daily|hourly|both] [BAUD] [DAYS]  (DAYS of the daily
// range, default 365 = the whole archive)

#include "archives/ArchiveKinds.h"
#include "archives/ArchiveRange.h"
#include "archives/ArchiveReader.h"
#include "protocol/Exchange.h"
#include "protocol/Frame.h"
#include "transport/CommPortDriver.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>

#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

using namespace omi;

namespace {

double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Counts the bytes on the wire: the requests the engine sends and the answers
// it gets (the reader's own frames are not visible from here, so the sizes
// are those of the protocol: identification 6+6, command 21 6+10, commands
// 20 and 254 6+6, each record 8+222).
struct Plan {
    int records = 0;
};

class Quiet : public StatusSink {
public:
    QString last;
    void show(StatusStyle, const QString& shown) override { last = shown; }
};

// Time of one bare record exchange (engine and simulator pacing, no reader):
// the baseline that the reader's own per-record cost is measured against.
double bareRecordExchangeMs(ExchangeEngine& engine, int count) {
    const Frame request = *BuildFrame(cmd::ArchiveRecord, Frame{0, 0x80});
    Frame response;
    QElapsedTimer t;
    t.start();
    int ok = 0;
    for (int i = 0; i < count; ++i) ok += engine.Exchange(request, response) ? 1 : 0;
    return ok ? t.nsecsElapsed() / 1e6 / ok : 0.0;
}

double gBareMs = 0;

void runOne(const char* name, int kind, const QDate& first, const QDate& last, int baud, ExchangeEngine& engine) {
    ArchiveReadingState state;
    state.first = first;
    state.last = last;
    state.tolerance = kNormalTolerance;
    state.reading = true;
    ArchiveList list;
    Quiet status;
    ArchiveReadContext context;
    context.engine = &engine;
    context.status = &status;
    context.now = QDateTime::currentDateTime();
    QElapsedTimer t;
    t.start();
    const double cpu0 = cpuSeconds();
    const ArchiveReadResult r = ARA234(kind, state, list, context);
    const double ms = t.nsecsElapsed() / 1e6;
    const double cpu = cpuSeconds() - cpu0;

    // Requests of the read: identification, 21, 20, the records (plus retries
    // of mismatching dates, none on the simulator), 254.
    const int records = static_cast<int>(list.size());
    const double bytes = (6 + 6) + (6 + 10) + (6 + 6) + records * (8.0 + 222.0) + (6 + 6);
    const double wireMs = bytes * 10.0 * 1000.0 / baud;
    std::printf("%s: %s\n", name, status.last.toUtf8().constData());
    std::printf("  records read           %d (plan ring %s)\n", records, kind < 2 ? "366" : "1081");
    std::printf("  measured               %.1f ms\n", ms);
    std::printf("  wire time              %.1f ms\n", wireMs);
    std::printf("  ratio measured / wire  %.4f\n", ms / wireMs);
    std::printf("  host overhead / record %.3f ms\n", records ? (ms - wireMs) / records : 0.0);
    if (gBareMs > 0 && records > 0) {
        const double fixedMs = ((6 + 6) + (6 + 10) + (6 + 6) + (6 + 6)) * 10.0 * 1000.0 / baud;
        std::printf("  reader cost / record   %.3f ms over a bare exchange (of it 1 ms is the yield to the window)\n",
                    (ms - fixedMs - records * gBareMs) / records);
    }
    std::printf("  cpu / wall             %.2f %%\n", 100.0 * cpu * 1000.0 / ms);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const char* which = argc > 1 ? argv[1] : "both";
    const int baud = argc > 2 ? std::atoi(argv[2]) : 9600;
    const int days = argc > 3 ? std::atoi(argv[3]) : 365;

    QProcess sim;
    sim.start(QStringLiteral(OMI_SIM_PATH), {"--pty", "--type", "234", "--serial", "417", "--baud", QString::number(baud)});
    if (!sim.waitForStarted() || !sim.waitForReadyRead(5000)) {
        std::fprintf(stderr, "omi-sim did not start\n");
        return 1;
    }
    const QString pty = QString::fromUtf8(sim.readLine()).trimmed();

    TCommPortDriver port;
    port.SetPortName(pty);
    port.SetBaudRateValue(baud);
    port.SetInputTimeout(1000);
    port.SetOutputTimeout(1000);
    ExchangeEngine engine(&port);
    SetEngine(&engine);
    SetCurrentDevice(417, 234);

    const double recordWireMs = (8 + 222) * 10.0 * 1000.0 / baud;
    gBareMs = bareRecordExchangeMs(engine, 40);
    std::printf("bare record exchange   %.3f ms, wire %.3f ms: engine + simulator pacing %.3f ms\n", gBareMs,
                recordWireMs, gBareMs - recordWireMs);

    const QDate today = QDate::currentDate();
    if (std::strcmp(which, "hourly") != 0) runOne(days >= 365 ? "daily, whole archive" : "daily range", 0, today.addDays(-days), today, baud, engine);
    if (std::strcmp(which, "daily") != 0) runOne("hourly, 2 days", 2, today.addDays(-1), today, baud, engine);
    sim.kill();
    sim.waitForFinished();
    return 0;
}
