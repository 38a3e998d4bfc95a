#pragma once
// The period report of a store: one row per meter and heat system with the
// heat and the volumes of the period, the temperatures weighted by their
// pipe's volume, the time with errors, the days present and missing and the
// last collection's status. The values are the totals row of the daily
// difference view over the day before the period to its last day, so a
// period's figures equal those of the archive page over the same days, and
// the consumption of the period's first day counts.

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

#include "store/ArchiveStore.h"
#include "support/GridText.h"

namespace omi {

struct PeriodFilter {
    QString name;     // part of the meter's name, any case; empty: every name
    int type = -1;    // device type code; -1: every type
    int serial = -1;  // -1: every number
};

struct PeriodRow {
    QString name;  // the meter's name in its last collection; empty when never logged
    int type = -1;
    QString model;
    int serial = 0;
    int system = 1;  // heat system, 1-based
    double heat = 0;
    double volumes[3] = {0, 0, 0};       // the pipes of the three temperatures
    double temperatures[3] = {0, 0, 0};  // weighted by their pipe's volume; 0 when none
    int temperatureCount = 0;            // how many of the three the family has
    std::int64_t errorHours = 0;         // time with errors of the period, hours
    QStringList errorDays;               // runs of days whose records show errors
    int daysPresent = 0;
    int daysMissing = 0;
    QStringList missingDays;  // runs of missing days
    QString lastStatus;       // of the last collection of the number
    QDateTime lastEnded;
    std::optional<qint64> clockOffset;
};

struct PeriodReport {
    QDate from, to;
    QString store;
    std::vector<PeriodRow> rows;
    QStringList warnings;  // records that could not be read, per meter
};

PeriodReport MakePeriodReport(const ArchiveStore& store, const QDate& from, const QDate& to,
                              const PeriodFilter& filter);

// The report as a table: two header rows, then one row per meter and system
// (numbers with the given decimals), as the archive CSV writes its tables.
Grid PeriodReportGrid(const PeriodReport& report, int decimals = 3);

}  // namespace omi
