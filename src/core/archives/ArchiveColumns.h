#pragma once
// Archive view columns as data: what each text column of a family's archive
// table shows, and the column codes that choose and order the grid columns.

#include "archives/ArchiveRecord.h"
#include "families/StateLayout.h"

#include <span>
#include <vector>

namespace omi {

enum class CellKind {
    Date,       // day number as "dd mmmm yyyyг."
    Int,        // int32, "%d"
    Real,       // double, the view's number format
    FatalTime,  // int32 minutes as "%.2d:%.2d" (hours, minutes)
    Hundredths, // int32 holding a value × 100 (temperatures of 225 and 227), the view's number format
};

struct ArchiveColumn {
    const char* header1;  // UTF-8
    const char* header2;
    CellKind kind;
    int offset;           // record offset of the value
    ErrorTag error = ErrorTag::None;  // an error code: which texts decode it
};

// Column codes: code k > 0 shows text column k (1-based) in the next grid
// column, a negative code hides it. At access level 0 every code counts as
// positive.
using ColumnCodes = std::vector<int>;

}  // namespace omi
