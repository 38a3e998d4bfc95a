#include "support/ShowValue.h"

#include "support/Dates.h"
#include "support/Format.h"

namespace omi {

QString ShowValueText(const QVariant& value) {
    switch (value.metaType().id()) {
    case QMetaType::Bool: return value.toBool() ? QStringLiteral("TRUE") : QStringLiteral("F A L S E");
    case QMetaType::Char:
    case QMetaType::SChar:
    case QMetaType::Short:
    case QMetaType::Int:
    case QMetaType::Long:
    case QMetaType::LongLong: return QString::number(value.toLongLong());
    case QMetaType::UChar:
    case QMetaType::UShort:
    case QMetaType::UInt:
    case QMetaType::ULong:
    case QMetaType::ULongLong: return QString::number(value.toULongLong());
    case QMetaType::Float:
    case QMetaType::Double: return Format(QStringLiteral("%g"), {value.toDouble()});
    case QMetaType::QString: return value.toString();
    case QMetaType::QDateTime: return DateTimeText(value.toDateTime());
    case QMetaType::QDate: return ShortDateText(value.toDate());
    default: return QStringLiteral("НЕ ОПОЗНАНЫЙ ВАРИЯНТ");
    }
}

QString ShowValueMessage(const QVariant& value, const QString& prefix, const QString& suffix) {
    return prefix + ShowValueText(value) + suffix;
}

}  // namespace omi
