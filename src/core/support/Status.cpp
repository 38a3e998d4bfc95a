#include "support/Status.h"

#include "protocol/Frame.h"
#include "protocol/Models.h"

namespace omi {

QString StatusText(StatusStyle style, const QString& text, const DeviceAddress* device) {
    if (style == StatusStyle::Error || !device) return text;
    const int type = device->type;
    if (type < 128 || type > 237) return text;
    return ModelName(type) + QStringLiteral(" № ") + QString::number(device->serial) + QStringLiteral(": ") + text;
}

}  // namespace omi
