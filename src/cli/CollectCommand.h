#pragma once
// omi-cli collect LIST: the archives of every meter of a meter list into the
// archive store. Meters on different lines are read at the same time, each
// line by a thread with a connection of its own, up to --jobs of them; meters
// sharing a line are read one after another by its thread. The line readers
// read and report; the collector's thread alone writes the store, committing
// the records as they arrive, so a collection cut off keeps every record it
// committed and a second run resumes from the newest finished read.

#include <QDate>
#include <QString>
#include <functional>
#include <optional>

namespace omi::cli {

struct CollectArgs {
    QString list;
    QString store;  // empty: the data folder's SQLite file
    QDate since;
    int jobs = 4;
    int timeoutMs = 1000;
    // The archives of every meter, when given (the settings file); unset: as
    // the list says of each.
    std::optional<bool> daily, hourly;
    bool json = false;
    bool quiet = false;
    bool progressLines = false;  // stderr is a terminal and --quiet is not given
};

struct CollectIo {
    std::function<void(const QString& text)> out;  // stdout, whole text
    std::function<void(const QString& line)> err;  // stderr, one line
};

int RunCollect(const CollectArgs& args, const CollectIo& io);

// Keeps the Qt SQL drivers' own warnings off stderr (the store reports its
// failures itself).
void QuietDatabaseDriverWarnings();


}  // namespace omi::cli
