// Time of the archive view on a full hourly ring of family 234 (1081
// entries): building the difference view with its totals and the table text
// and grid rows, and loading a 1081-record archive file into table lines.
// Each step is repeated; the median and the fastest run are printed.

#include "archives/ArchiveFile.h"
#include "archives/ArchiveView.h"
#include "families/U34.h"
#include "families/U34Archive.h"
#include "support/Dates.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <time.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using namespace omi;

namespace {

constexpr int kEntries = 1081;

// Hourly entries, newest first, with growing cumulative values, varying
// temperatures, pressures and period values, a few error codes; the third
// volume and the error energies stay 0 as on most installations.
ArchiveList hourlyRing() {
    namespace a = u34::arh;
    ArchiveList list;
    const int newestDay = DayNumber(QDate(2026, 3, 12));
    for (int k = 0; k < kEntries; ++k) {
        const int hoursBack = k;
        const int age = kEntries - k;  // older entries hold smaller totals
        ArchiveEntry e = ZeroEntry(u34::kRecord);
        for (std::size_t s = 0; s < e.size(); ++s) {
            ArchiveRecord& r = e[s];
            r.SetDay(newestDay - (hoursBack + 23) / 24);
            r.SetHour((23 - hoursBack % 24 + 24) % 24);
            r.SetInt(a::kWork, 1000 + age);
            r.SetInt(a::kWorkErr, age / 50);
            r.SetReal(a::kHeat, 123.456 + age * 0.0731 * (s + 1));
            r.SetReal(a::kV1, 4567.8 + age * 1.37);
            r.SetReal(a::kV2, 4500.1 + age * 1.31);
            r.SetReal(a::kV3, age * 0.02);
            r.SetReal(a::kT1, 65 + (k % 17) * 0.5);
            r.SetReal(a::kT2, 42 + (k % 11) * 0.3);
            r.SetReal(a::kT3, k % 40 == 0 ? 150.0 : 8.5);
            r.SetReal(a::kP1, 0.61 + (k % 7) * 0.01);
            r.SetReal(a::kP2, 0.38 + (k % 5) * 0.01);
            r.SetInt(a::kPeriodWork, 60);
            r.SetReal(a::kPeriodHeat, 0.0731 * (s + 1) + (k % 13) * 0.001);
            r.SetReal(a::kPeriodV1, 1.37 + (k % 9) * 0.01);
            r.SetReal(a::kPeriodV2, 1.31 + (k % 8) * 0.01);
            r.SetInt(a::kFatal, k % 100 == 0 ? 60 : 0);
            r.SetInt(a::kSystemError, k % 250 == 0 ? 16 : 0);
        }
        list.push_back(std::move(e));
    }
    return list;
}

double threadCpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

// Wall time and the CPU time of this thread (on a busy machine the wall time
// includes waiting for a core).
void report(const char* what, int runs, const std::function<void()>& step) {
    std::vector<double> wall, cpu;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        const double c0 = threadCpuMs();
        t.start();
        step();
        wall.push_back(t.nsecsElapsed() / 1e6);
        cpu.push_back(threadCpuMs() - c0);
    }
    std::sort(wall.begin(), wall.end());
    std::sort(cpu.begin(), cpu.end());
    std::printf("%-50s wall median %6.2f ms, fastest %6.2f ms; cpu median %6.2f ms  (target < 20 ms)\n", what,
                wall[wall.size() / 2], wall.front(), cpu[cpu.size() / 2]);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    const ArchiveFamily& family = u34::ArchiveTables();
    const ArchiveList hourly = hourlyRing();
    const ViewRange all{QDate(), QDate(), true};

    std::size_t sink = 0;
    report("hourly difference view + totals + table (1081)", runs, [&] {
        const ArchiveTabView t = ShowArchiveTab(234, 5, {}, hourly, all, QStringLiteral("%.3f"), 0);
        sink += static_cast<std::size_t>(t.table.rows.size());
    });
    report("hourly cumulative view + table (1081)", runs, [&] {
        const ArchiveTabView t = ShowArchiveTab(234, 4, {}, hourly, all, QStringLiteral("%f"), 1);
        sink += static_cast<std::size_t>(t.table.rows.size());
    });

    QTemporaryDir dir;
    const QString path = dir.path() + QStringLiteral("/ring.Arh");
    const ArchiveTabView t = ShowArchiveTab(234, 5, {}, hourly, all, QStringLiteral("%f"), 1);
    if (const QString error = WriteArchiveFile(family, path, t.view.entries, 0); !error.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    report("load 1081-record archive file + grid rows", runs, [&] {
        ArchiveFileContent content;
        if (ReadArchiveFile(family, path, QStringLiteral("%f"), content).isEmpty())
            sink += static_cast<std::size_t>(SelectColumns(content.cells, content.codes, 1).size());
    });
    std::printf("(%zu rows built)\n", sink);
    return 0;
}
