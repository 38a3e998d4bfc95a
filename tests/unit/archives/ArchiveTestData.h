#pragma once
// Archive entries of family 234/235 for the archive tests, built value by value.

#include "archives/ArchiveRecord.h"
#include "families/U34.h"
#include "support/Dates.h"

#include <QDate>

namespace omi::test {

// The values of one heat system's record that the tests vary.
struct SysValues {
    double heat = 0, v1 = 0, v2 = 0, v3 = 0;
    double t1 = 0, t2 = 0, t3 = 0, p1 = 0, p2 = 0;
    int work = 0, workErr = 0, fatal = 0, sysErr = 0;
};

inline ArchiveRecord U34Record(const QDate& date, int hour, const SysValues& v, int devErr = 0) {
    namespace a = u34::arh;
    ArchiveRecord r(u34::kRecord);
    r.SetDay(DayNumber(date));
    r.SetHour(hour);
    r.SetReal(a::kHeat, v.heat);
    r.SetReal(a::kV1, v.v1);
    r.SetReal(a::kV2, v.v2);
    r.SetReal(a::kV3, v.v3);
    r.SetReal(a::kT1, v.t1);
    r.SetReal(a::kT2, v.t2);
    r.SetReal(a::kT3, v.t3);
    r.SetReal(a::kP1, v.p1);
    r.SetReal(a::kP2, v.p2);
    r.SetInt(a::kWork, v.work);
    r.SetInt(a::kWorkErr, v.workErr);
    r.SetInt(a::kFatal, v.fatal);
    r.SetInt(a::kSystemError, v.sysErr);
    r.SetInt(a::kDeviceError, devErr);
    return r;
}

inline ArchiveEntry U34Entry(const QDate& date, int hour, const SysValues& s1, const SysValues& s2 = {},
                             int devErr = 0) {
    return {U34Record(date, hour, s1, devErr), U34Record(date, hour, s2, devErr)};
}

// A daily list of n entries, newest first, the newest on `newest`: entry k
// (k days older) has cumulative heat 1000 - 10k, volumes 500 - 5k (and
// 2x, 3x), operating times 2400 - 24k and 100 - k, supply 70, return 50.
inline ArchiveList DailyList(const QDate& newest, int n) {
    ArchiveList list;
    for (int k = 0; k < n; ++k) {
        SysValues s;
        s.heat = 1000 - 10.0 * k;
        s.v1 = 500 - 5.0 * k;
        s.v2 = 2 * s.v1;
        s.v3 = 3 * s.v1;
        s.t1 = 70;
        s.t2 = 50;
        s.work = 2400 - 24 * k;
        s.workErr = 100 - k;
        SysValues s2 = s;
        s2.heat *= 2;
        list.push_back(U34Entry(newest.addDays(-k), 0, s, s2));
    }
    return list;
}

}  // namespace omi::test
