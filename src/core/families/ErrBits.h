#pragma once
// Error codes as texts: a calculator reports its faults as bit sets, and each
// family has a table of texts for them (entry 0: no bit set, entry b + 1: bit b).

#include <QString>
#include <QStringList>
#include <cstdint>

#include "families/StateLayout.h"

namespace omi {

// One entry per set bit, lowest bit first: "Код=" 2^b ":" "\n\r" text "\n\r",
// the text being entry b + 1 of the table or "неизвестный" past its end. A
// code without bits gives entry 0 (empty when the table is empty). A negative
// code is taken as its 32-bit pattern.
QString ErrBitsText(std::int32_t code, const QStringList& table);

// The family's table for a value box tag (device or system error code);
// null for a device type without tables or a tag without a code.
const QStringList* ErrorTextTable(int deviceType, ErrorTag tag);

// The error code an archive table column of a device type holds, found by
// the column's second heading (blanks around it ignored) among the columns of
// the type's archive family; None for any other column.
ErrorTag ErrorColumnTag(int deviceType, const QString& heading2);

}  // namespace omi
