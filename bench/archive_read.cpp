// Reading the archive of a 234 device through omi-sim on a pseudo-terminal
// emulating 9600 baud: the full daily archive (366 records), and a 2-day
// range of the 1081-position hourly ring.
//
// ratio = measured time / (wire time of every request and answer + the
// simulator's turnaround); host overhead per record = (measured - wire) / records.
// Usage: archive_read [daily|hourly|both] [BAUD] [DAYS] [TYPE]  (DAYS of the daily
// range, default 365 = the whole archive)

#include <sys/resource.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "archives/ArchiveKinds.h"
#include "archives/ArchiveProcedure.h"
#include "archives/ArchiveRange.h"
#include "archives/ArchiveReader.h"
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
double bareRecordExchangeMs(Connection& line, int count) {
    const Frame request = *line.BuildFrame(cmd::ArchiveRecord, Frame{0, 0x80});
    Frame response;
    QElapsedTimer t;
    t.start();
    int ok = 0;
    for (int i = 0; i < count; ++i) ok += line.Exchange(request, response) ? 1 : 0;
    return ok ? t.nsecsElapsed() / 1e6 / ok : 0.0;
}

double gBareMs = 0;

// Bytes on the wire of a family's read: the fixed exchanges (identification,
// command 21 with the simulator's answer, commands 20 and 254, where the
// family sends them) and one record exchange.
struct WireShape {
    int fixedBytes;
    int recordAnswer;
};

WireShape wireShape(int type) {
    switch (type) {
        case 225:
            return {6 + 9, 49};
        case 227:
            return {6 + 10, 41};
        case 228:
            return {(6 + 9) + 12 + 12, 166};
        case 229:
        case 230:
            return {12 + (6 + 9) + 12 + 12, 166};
        default:
            return {12 + (6 + 10) + 12 + 12, 222};
    }
}

int gType = 234;

void runOne(const char* name, int kind, const QDate& first, const QDate& last, int baud, Connection& line) {
    ArchiveReadingState state;
    state.first = first;
    state.last = last;
    state.tolerance = kNormalTolerance;
    state.reading = true;
    ArchiveList list;
    Quiet status;
    status.SetDevice(&line.Address());
    ArchiveReadContext context;
    context.line = &line;
    context.status = &status;
    context.now = QDateTime::currentDateTime();
    QElapsedTimer t;
    t.start();
    const double cpu0 = cpuSeconds();
    const ArchiveReadResult r = ReadArchive(*ArchiveProcedureOf(gType), kind, state, list, context);
    const double ms = t.nsecsElapsed() / 1e6;
    const double cpu = cpuSeconds() - cpu0;

    // The fixed exchanges and the records (no retries of mismatching dates on
    // the simulator).
    const int records = static_cast<int>(list.size());
    const WireShape shape = wireShape(gType);
    const double bytes = shape.fixedBytes + records * (8.0 + shape.recordAnswer);
    const double wireMs = bytes * 10.0 * 1000.0 / baud;
    std::printf("%s: %s\n", name, status.last.toUtf8().constData());
    std::printf("  records read           %d (type %d)\n", records, gType);
    std::printf("  measured               %.1f ms\n", ms);
    std::printf("  wire time              %.1f ms\n", wireMs);
    std::printf("  ratio measured / wire  %.4f\n", ms / wireMs);
    std::printf("  host overhead / record %.3f ms\n", records ? (ms - wireMs) / records : 0.0);
    if (gBareMs > 0 && records > 0) {
        const double fixedMs = shape.fixedBytes * 10.0 * 1000.0 / baud;
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
    gType = argc > 4 ? std::atoi(argv[4]) : 234;
    if (!ArchiveProcedureOf(gType)) {
        std::fprintf(stderr, "type %d has no archive\n", gType);
        return 2;
    }

    QProcess sim;
    sim.start(QStringLiteral(OMI_SIM_PATH),
              {"--pty", "--type", QString::number(gType), "--serial", "417", "--baud", QString::number(baud)});
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
    line.SetDevice(417, gType);

    const double recordWireMs = (8 + wireShape(gType).recordAnswer) * 10.0 * 1000.0 / baud;
    gBareMs = bareRecordExchangeMs(line, 40);
    std::printf("bare record exchange   %.3f ms, wire %.3f ms: engine + simulator pacing %.3f ms\n", gBareMs,
                recordWireMs, gBareMs - recordWireMs);

    const QDate today = QDate::currentDate();
    if (std::strcmp(which, "hourly") != 0)
        runOne(days >= 365 ? "daily, whole archive" : "daily range", 0, today.addDays(-days), today, baud, line);
    if (std::strcmp(which, "daily") != 0) runOne("hourly, 2 days", 2, today.addDays(-1), today, baud, line);
    sim.kill();
    sim.waitForFinished();
    return 0;
}
