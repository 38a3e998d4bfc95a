// The period report of a store: METERS (200) meters of type 234 with DAYS
// (365) daily records each, stored into a fresh SQLite store (and into a
// PostgreSQL server of its own when the server is installed), then
// omi-cli report over the whole year run once per store. Reported: the
// time to fill the store, the report's wall time and the peak resident
// memory of the omi-cli process.
// Usage: period_report [METERS] [DAYS]

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>

#include "../tests/support/PostgresServer.h"
#include "archives/ArchiveFamily.h"
#include "families/U34.h"
#include "store/ArchiveStore.h"
#include "support/Dates.h"

using namespace omi;

namespace {

// Fills the store: per meter one run, its records in one transaction.
bool fill(ArchiveStore& store, int meters, int days, const QDate& last) {
    const ArchiveFamily& family = *ArchiveFamilyOf(234);
    for (int m = 1; m <= meters; ++m) {
        std::vector<ArchiveEntry> entries;
        for (int d = days; d >= 0; --d) {  // the day before the first, for the first day's difference
            const QDate date = last.addDays(-d);
            ArchiveEntry e;
            for (int s = 0; s < family.layout->perEntry; ++s) {
                ArchiveRecord r(*family.layout);
                r.SetDay(DayNumber(date));
                const int n = days - d;
                r.SetReal(u34::arh::kHeat, 1000 + m + n * (1.5 + s));
                r.SetReal(u34::arh::kV1, 50000 + n * 40.0);
                r.SetReal(u34::arh::kV2, 49000 + n * 39.0);
                r.SetReal(u34::arh::kT1, 70 + (n % 10));
                r.SetReal(u34::arh::kT2, 45 + (n % 7));
                r.SetInt(u34::arh::kWorkErr, n / 30);
                e.push_back(r);
            }
            entries.push_back(e);
        }
        const std::int64_t run =
            store.BeginRun(QStringLiteral("Прибор %1").arg(m), "udp bench", m, QDateTime::currentDateTime());
        if (!store.Store(234, m, StoredArchive::Daily, entries, QDateTime::currentDateTime(), nullptr).isEmpty())
            return false;
        store.SetRunClock(run, m % 5 == 0 ? 700 : 3);
        store.EndRun(run, 234, QStringLiteral("собрано"), int(entries.size()), 0, QDateTime::currentDateTime());
    }
    return true;
}

void measure(const char* what, const QString& where, int meters, int days) {
    const QDate last = QDate::currentDate().addDays(-1);
    ArchiveStore store;
    if (const QString e = store.Open(where); !e.isEmpty()) {
        std::printf("%s: %s\n", what, qPrintable(e));
        return;
    }
    QElapsedTimer clock;
    clock.start();
    if (!fill(store, meters, days, last)) {
        std::printf("%s: filling failed\n", what);
        return;
    }
    const double fillSeconds = clock.elapsed() / 1000.0;
    const QByteArray from = last.addDays(1 - days).toString(Qt::ISODate).toLatin1();
    const QByteArray to = last.toString(Qt::ISODate).toLatin1();
    const QByteArray storeArg = where.toUtf8();
    std::fflush(stdout);
    clock.start();
    const pid_t pid = fork();
    if (pid == 0) {
        if (!freopen("/dev/null", "w", stdout)) _exit(127);
        execl(OMI_CLI_PATH, OMI_CLI_PATH, "report", "--store", storeArg.constData(), "--from", from.constData(), "--to",
              to.constData(), "--json", static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    const double seconds = clock.elapsed() / 1000.0;
    std::printf("%s: %d meters x %d days; store filled in %.1f s; report %.2f s, peak memory %.1f MB, exit %d\n", what,
                meters, days, fillSeconds, seconds, usage.ru_maxrss / 1024.0, WEXITSTATUS(status));
    std::fflush(stdout);  // before the server's processes inherit the buffer
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int meters = argc > 1 ? std::atoi(argv[1]) : 200;
    const int days = argc > 2 ? std::atoi(argv[2]) : 365;
    QTemporaryDir dir;
    measure("SQLite", dir.filePath("store.sqlite"), meters, days);
    omi::test::PostgresServer server;
    if (!server.Skip().isEmpty()) {
        std::printf("PostgreSQL: skipped (%s)\n", qPrintable(server.Skip()));
        return 0;
    }
    measure("PostgreSQL", server.NewDatabase("bench"), meters, days);
    return 0;
}
