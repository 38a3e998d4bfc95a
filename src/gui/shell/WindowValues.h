#pragma once
// The values of a window's controls kept between runs in ДАННЫЕ/ПАМЯТЬ.mem
// (support/WindowValuesFile.h), one "name=value" entry per named control.
//
// Every descendant widget with an object name not starting with "qt_" is
// stored by the first kind it matches, in this order:
//   spin edit     QSpinBox                      value, decimal
//   edit box      QLineEdit without input mask,  text
//                 except "Epsw"
//   masked edit   QLineEdit with an input mask   text
//   combo box     QComboBox except "cbd"         current index (−1 none)
//   radio group   TRadioGroup                    item index
//   date picker   QDateEdit                      days since 1899-12-30
//   radio button  QRadioButton                   0 checked, 1 not
//   check box     QCheckBox                      0 checked, 1 not
//   page control  QTabWidget named "PCcon"       current page index
//   label         QLabel                         text
// The line edits inside spin boxes, date edits and combo boxes belong to
// those controls and are never stored on their own.

#include <QList>
#include <QPair>
#include <QStringList>

class QWidget;

namespace omi {

// The entries of every stored control below root (root itself not included).
QStringList CollectWindowValues(const QWidget* root);

// Applies the file's entries to the controls of the same name (case matters)
// with the ready flag clear, so that no change handler acts on them:
//   spin edit: the number, 0 when not a number; edits and labels: the text;
//   combo box: the index, 0 when not a number (an index outside the list
//   selects nothing), for "CBcon" also kept in its property "tag";
//   radio group, page control "PCcon": the index, 0 when not a number;
//   date picker: the date of the day count (unchanged when not a number);
//   check box, radio button: checked exactly when the value is "0".
// Entries of unknown names are ignored, controls without an entry keep
// their values, a missing file restores nothing.
void RestoreWindowValues(QWidget* root);
// The same with entries already read (values at most 255 characters).
void ApplyWindowValues(QWidget* root, const QList<QPair<QString, QString>>& values);

// Writes the entries of root's controls, creating the data folder when it is
// missing ("НЕ МОГУ СОЗДАТЬ ДИР" shown when that fails, the write still
// attempted). Returns the write's message, empty on success.
QString SaveWindowValues(const QWidget* root);

// ДАННЫЕ/ПАМЯТЬ.mem.
QString WindowValuesPath();

}  // namespace omi
