#pragma once
// The layout of a secondary window kept between runs in ДАННЫЕ/<name>.mem
// (the logger file manager uses "память"): one "name=value//comment" entry
// per named control, sorted; everything from "//" on is a comment.
//   group box    height;width//TGroupBox.Height;Width   restored (the width
//                also through the splitter that holds the box)
//   spin edit    value                                 restored
//   combo box    index;items as comma text             restored
//   check box    0 checked, 1 not, //0-checked         restored
//   page control index                                 restored
//   edit box, label: their text                        not restored

#include <QString>
#include <QStringList>

class QWidget;

namespace omi {

// ДАННЫЕ/<name>.mem with \ / : * ? " < > | in the name replaced by "_".
QString LayoutPath(const QString& name);

// Writes the window's layout; overrides "name=value" replace the first entry
// of that name (an empty value deletes it). Returns the messages, empty on
// success.
QString SaveLayout(const QWidget* window, const QStringList& overrides, const QString& name);

// Applies the layout file of the name, or when it is missing the newest other
// .mem file of the data folder; nothing when there is none.
void RestoreLayout(QWidget* window, const QString& name);

}  // namespace omi
