#pragma once
// The current records of every family, as one connection holds them: what
// the last state and configuration reads of the device on the line gave (the
// configuration page edits its family's record in place). Only the family of
// the device addressed is used; the others keep their defaults.
#include "families/U128.h"
#include "families/U25.h"
#include "families/U27.h"
#include "families/U28.h"
#include "families/U29.h"
#include "families/U34.h"

namespace omi {

struct DeviceRecords {
    u34::Records f234;
    u29::Records f229;
    u28::Records f228;
    u27::Records f227;
    u25::Records f225;
    u128::Records lors;
};

}  // namespace omi
