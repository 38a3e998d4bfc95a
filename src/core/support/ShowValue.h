#pragma once
// Text of a value for the message box: integers in decimal, texts as they
// are, date-times "dd.MM.yyyy hh:mm:ss" (a date alone "dd.MM.yyyy"), reals as
// the shortest decimal text with a comma, booleans "TRUE" or "F A L S E",
// anything else "НЕ ОПОЗНАНЫЙ ВАРИЯНТ".

#include <QString>
#include <QVariant>

namespace omi {

QString ShowValueText(const QVariant& value);
// prefix + text of the value + suffix, the text the message box shows.
QString ShowValueMessage(const QVariant& value, const QString& prefix = {}, const QString& suffix = {});

}  // namespace omi
