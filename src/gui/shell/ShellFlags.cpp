#include "shell/ShellFlags.h"

#include "protocol/Models.h"
#include "support/Format.h"

namespace omi {

QString NoArchivesText(int deviceType) { return Format(QStringLiteral("у %s нет архивов"), {ModelName(deviceType)}); }

ShellFlags& Flags() {
    static ShellFlags flags;
    return flags;
}

}  // namespace omi
