#include "support/Status.h"

#include "protocol/Frame.h"
#include "protocol/Models.h"

namespace omi {

QString StatusText(StatusStyle style, const QString& text) {
    if (style == StatusStyle::Error) return text;
    const int type = CurrentType();
    if (type < 128 || type > 237) return text;
    return ModelName(type) + QStringLiteral(" № ") + QString::number(CurrentSerial()) + QStringLiteral(": ") + text;
}

}  // namespace omi
