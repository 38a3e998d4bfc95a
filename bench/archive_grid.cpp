// The archive page with a full hourly ring of family 234 read from omi-sim
// over a pseudo-terminal: the time the live view of the grid costs during the
// read (share of the read time: the handler's own time and the repaints of
// the grid for the batches of rows it adds), and the time from the end of the read to the
// grid showing all 1081 rows — the table rebuilt and the grid filled and
// painted — at the operator's level (16 columns) and at level 0 (28 columns).
// Runs on the offscreen platform unless a display is given.

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTabBar>
#include <QTableView>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "archives/ArchiveGridModel.h"
#include "archives/ArchivePage.h"
#include "archives/ArchiveRange.h"
#include "shell/MainWindow.h"
#include "shell/RadioGroup.h"
#include "shell/ShellFlags.h"

using namespace omi;

namespace {

double ms(qint64 ns) { return double(ns) / 1e6; }

// Rebuilding the table of the shown tab and painting the grid, as the end of a read does.
qint64 showOnce(TArchivePage& page) {
    QElapsedTimer clock;
    clock.start();
    page.TCaChange();
    page.SGa->viewport()->repaint();
    return clock.nsecsElapsed();
}

qint64 median(std::vector<qint64> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());

    QProcess sim;
    const QString now = QDateTime::currentDateTime().toString("yyyy-MM-ddThh");
    sim.start(QStringLiteral(OMI_SIM_PATH), {"--type", "234", "--serial", "417", "--pty", "--today", now});
    if (!sim.waitForStarted(5000) || !sim.waitForReadyRead(5000)) {
        std::fprintf(stderr, "omi-sim did not start\n");
        return 1;
    }
    const QString pty = QString::fromUtf8(sim.readLine()).trimmed();

    TFomiOptions options;
    options.systemPorts = false;
    options.extraPorts = {pty};
    TFomi window(options);
    window.resize(1600, 1000);
    window.show();
    window.AcreateExecute();
    TArchivePage& page = *window.archivePage;
    page.EnUpdate->setChecked(true);
    page.TCa->setCurrentIndex(4);  // "ЧАС 1-Я"
    page.RGdtp->SetItemIndex(kWholeArchivePreset);

    int batches = 0;
    QObject::connect(page.Model(), &QAbstractItemModel::rowsInserted, [&] { ++batches; });
    QElapsedTimer clock;
    clock.start();
    window.Action("AreadArh")->trigger();
    const qint64 readNs = clock.nsecsElapsed();
    const int rows = page.Model()->rowCount();
    std::printf("hourly ring read: %d rows, %d columns, %.0f ms\n", rows, page.Model()->columnCount(), ms(readNs));
    std::printf("live view during the read: %.1f ms = %.2f %% of the read\n", ms(page.LiveNanoseconds()),
                100.0 * double(page.LiveNanoseconds()) / double(readNs));
    std::printf("grid shown after the read (level 1): %.1f ms\n", ms(page.FinalShowNanoseconds()));

    // The grid repaints once per batch of live rows, outside the handler:
    // batches counted during the read, one repaint of the grid timed after it.
    std::vector<qint64> paints;
    for (int i = 0; i < 9; ++i) {
        clock.restart();
        page.SGa->viewport()->repaint();
        paints.push_back(clock.nsecsElapsed());
    }
    const double paintNs = double(median(paints)) * batches;
    std::printf("live batches: %d, repaints of the grid for them about %.1f ms; live view in all %.2f %% of the read\n",
                batches, paintNs / 1e6, 100.0 * (double(page.LiveNanoseconds()) + paintNs) / double(readNs));

    for (int level : {1, 0}) {
        Flags().accessLevel = level;
        std::vector<qint64> runs;
        for (int i = 0; i < 9; ++i) runs.push_back(showOnce(page));
        std::printf(
            "table rebuilt, grid filled and painted at level %d (%d columns, %d rows): median %.1f ms, "
            "fastest %.1f ms\n",
            level, page.Model()->columnCount(), page.Model()->rowCount(), ms(median(runs)),
            ms(*std::min_element(runs.begin(), runs.end())));
    }
    Flags().accessLevel = 1;
    sim.terminate();
    sim.waitForFinished(3000);
    return rows > 1000 ? 0 : 1;
}
