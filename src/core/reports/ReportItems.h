#pragma once
// Report item lists: the numbered placeholders of the print templates. Each
// item reads NN "." format "~" description; its index in the list is its number.

#include <QString>
#include <QStringList>

namespace omi {

// Template family of a device type as its descriptor names it: "25", "27",
// "28", "29", "30" or "34"; empty for any other type.
QString TemplateFamily(int deviceType);

// Number of items a family's list holds; 0 for an unknown family.
int ItemCount(const QString& family);

// The built-in item list of a family (used when its file is missing or holds
// the wrong number of items); an empty list for an unknown family.
const QStringList& DefaultItems(const QString& family);

// Text between the first "." and the first "~" after it; the rest of the text
// when there is no "~" (the whole text up to "~" when there is no ".").
QString ItemFormat(const QString& item);
// Text after the first "~"; empty when there is none.
QString ItemDescription(const QString& item);

}  // namespace omi
