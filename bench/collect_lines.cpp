// Collecting many meters: LINES simulated 234 calculators, each on its own
// pseudo-terminal emulating BAUD (9600), DAYS (30) of the daily archive each,
// collected by omi-cli collect into a fresh SQLite store once with --jobs 1
// and once with --jobs LINES.
//
// wire time of a line = (request bytes + answer bytes) x 10 / baud over every
// exchange of that line (the requests from the simulator's log, the answers
// as its device gives them). Reported: wall time of the collection, the wire
// time of the slowest line, their ratio (with one job per line the ideal is
// 1.0: every line busy all the time), the sum over the lines against the
// wall time for --jobs 1, and the CPU time of the collector and its workers.
// Usage: collect_lines [LINES] [DAYS] [BAUD]

#include "protocol/Frame.h"
#include "SimDevice.h"

#include <QCoreApplication>
#include <QDate>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <sys/resource.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

using namespace omi;

namespace {

double childCpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_CHILDREN, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

struct Line {
    std::unique_ptr<QProcess> sim;
    QString pty;
    QString log;
    int serial = 0;
};

// The wire time of the exchanges the simulator's log holds since `from` lines.
double wireSeconds(const Line& line, int baud, qsizetype from, qsizetype* lines) {
    QFile f(line.log);
    if (!f.open(QIODevice::ReadOnly)) return 0;
    const QStringList log = QString::fromLatin1(f.readAll()).split('\n', Qt::SkipEmptyParts);
    *lines = log.size();
    SimDevice device(234, line.serial);
    std::int64_t bytes = 0;
    for (qsizetype i = from; i < log.size(); ++i) {
        Frame request;
        bool numeric = true;
        for (const QString& b : log[i].split(' ', Qt::SkipEmptyParts)) {
            bool ok = false;
            request.push_back(std::uint8_t(b.toInt(&ok)));
            numeric = numeric && ok;
        }
        if (!numeric || request.empty()) continue;
        bytes += std::int64_t(request.size());
        if (const auto answer = device.Answer(request)) bytes += std::int64_t(answer->size());
    }
    return double(bytes) * 10.0 / baud;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int count = argc > 1 ? std::atoi(argv[1]) : 10;
    const int days = argc > 2 ? std::atoi(argv[2]) : 30;
    const int baud = argc > 3 ? std::atoi(argv[3]) : 9600;
    QTemporaryDir dir;
    std::vector<Line> lines(static_cast<size_t>(count));
    QString list = "name;port;serial;type;archives\n";
    for (int i = 0; i < count; ++i) {
        Line& l = lines[size_t(i)];
        l.serial = 1000 + i;
        l.log = dir.filePath(QString("sim%1.log").arg(i));
        l.sim = std::make_unique<QProcess>();
        l.sim->start(OMI_SIM_PATH, {"--pty", "--baud", QString::number(baud), "--type", "234", "--serial",
                                    QString::number(l.serial), "--log", l.log});
        l.sim->waitForReadyRead(5000);
        l.pty = QString::fromUtf8(l.sim->readLine()).trimmed();
        list += QString("Узел %1;%2;%3;234;daily\n").arg(i + 1).arg(l.pty).arg(l.serial);
    }
    const QString listPath = dir.filePath("meters.csv");
    {
        QFile f(listPath);
        f.open(QIODevice::WriteOnly);
        f.write(list.toUtf8());
    }
    const QString since = QDate::currentDate().addDays(-(days - 1)).toString(Qt::ISODate);
    std::vector<qsizetype> logged(lines.size(), 0);
    std::printf("%d lines of one 234 each, %d days daily, %d baud\n", count, days, baud);
    for (int jobs : {1, count}) {
        const QString store = dir.filePath(QString("store%1.sqlite").arg(jobs));
        const double cpuBefore = childCpuSeconds();
        QElapsedTimer clock;
        clock.start();
        QProcess collect;
        collect.start(OMI_CLI_PATH, {"collect", listPath, "--store", store, "--since", since, "--jobs",
                                     QString::number(jobs), "--quiet"});
        collect.waitForFinished(-1);
        const double wall = clock.elapsed() / 1000.0;
        const double cpu = childCpuSeconds() - cpuBefore;
        if (collect.exitCode() != 0) {
            std::fprintf(stderr, "collect --jobs %d failed: %s\n%s\n", jobs, collect.readAllStandardError().constData(),
                         collect.readAllStandardOutput().constData());
            return 1;
        }
        double slowest = 0, sum = 0;
        for (size_t i = 0; i < lines.size(); ++i) {
            qsizetype now = 0;
            const double wire = wireSeconds(lines[i], baud, logged[i], &now);
            logged[i] = now;
            slowest = std::max(slowest, wire);
            sum += wire;
        }
        std::printf("--jobs %-3d wall %.2f s, wire of the slowest line %.2f s, wall / slowest %.3f, "
                    "wall / sum of lines %.3f, collector CPU %.2f s (%.1f%% of wall)\n",
                    jobs, wall, slowest, wall / slowest, wall / sum, cpu, 100.0 * cpu / wall);
    }
    for (Line& l : lines) {
        l.sim->terminate();
        l.sim->waitForFinished(3000);
    }
    return 0;
}
