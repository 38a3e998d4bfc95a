#pragma once
// The state layout table of a family: one line per string of its StateToText
// list, in the same order. The window builds its value boxes from it, the
// command-line program labels its output with it, the state log file takes
// its two heading rows from it.

#include <QString>

#include <span>
#include <vector>

namespace omi {

enum class ErrorTag { None = 0, Device = 1, System = 2 };

struct StateLine {
    const char* label;     // the value box's label (UTF-8)
    int left;              // position on the state panel, pixels
    int top;               // added to the height of the polling strip
    ErrorTag tag;
    int visible;           // the box is created when 1 or more
    const char* heading1;  // the level-0 grid and the state log file
    const char* heading2;
};

struct StateLayoutTable {
    std::span<const StateLine> lines;
    std::vector<int> columnMap;  // per grid column: the 1-based line it shows
    unsigned labelRgb;  // 0xRRGGBB
    // The value boxes lie behind their labels where the two overlap (the
    // panel of the 234 family packs them closer than their texts are wide).
    bool boxesBehindLabels = false;
};

}  // namespace omi
