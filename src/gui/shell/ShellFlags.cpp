#include "shell/ShellFlags.h"

namespace omi {

ShellFlags& Flags() {
    static ShellFlags flags;
    return flags;
}

}  // namespace omi
