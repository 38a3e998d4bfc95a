#include "shell/WindowValues.h"

#include "shell/Dialogs.h"
#include "shell/RadioGroup.h"
#include "shell/ShellFlags.h"
#include "support/Paths.h"
#include "support/WindowValuesFile.h"

#include <QAbstractSpinBox>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>

#include <cmath>

namespace omi {

namespace {

const QDate kDayZero(1899, 12, 30);

bool Stored(const QWidget* w) {
    const QString name = w->objectName();
    if (name.isEmpty() || name.startsWith(QLatin1String("qt_"))) return false;
    // The editors inside spin boxes, date edits and combo boxes are parts of those controls.
    const QObject* parent = w->parent();
    return !qobject_cast<const QAbstractSpinBox*>(parent) && !qobject_cast<const QComboBox*>(parent);
}

const QLineEdit* PlainEdit(const QWidget* w) {
    const auto* edit = qobject_cast<const QLineEdit*>(w);
    return edit && edit->inputMask().isEmpty() && edit->objectName() != QLatin1String("Epsw") ? edit : nullptr;
}

const QLineEdit* MaskedEdit(const QWidget* w) {
    const auto* edit = qobject_cast<const QLineEdit*>(w);
    return edit && !edit->inputMask().isEmpty() ? edit : nullptr;
}

const QComboBox* Combo(const QWidget* w) {
    const auto* combo = qobject_cast<const QComboBox*>(w);
    return combo && combo->objectName() != QLatin1String("cbd") ? combo : nullptr;
}

const QTabWidget* PageControl(const QWidget* w) {
    const auto* pages = qobject_cast<const QTabWidget*>(w);
    return pages && pages->objectName() == QLatin1String("PCcon") ? pages : nullptr;
}

QString Checked(bool checked) { return checked ? QStringLiteral("0") : QStringLiteral("1"); }

// The value of a stored control; a null string when it is of no stored kind.
QString ValueOf(const QWidget* w) {
    if (const auto* spin = qobject_cast<const QSpinBox*>(w)) return QString::number(spin->value());
    if (const auto* edit = PlainEdit(w)) return edit->text();
    if (const auto* edit = MaskedEdit(w)) return edit->text();
    if (const auto* combo = Combo(w)) {
        // The connection list is loaded only when its page is shown: until
        // then the chosen connection is the one restored into the tag.
        if (combo->objectName() == QLatin1String("CBcon") && combo->count() == 0 && combo->property("tag").isValid())
            return QString::number(combo->property("tag").toInt());
        return QString::number(combo->currentIndex());
    }
    if (const auto* group = qobject_cast<const TRadioGroup*>(w)) return QString::number(group->ItemIndex());
    if (const auto* date = qobject_cast<const QDateEdit*>(w)) return QString::number(kDayZero.daysTo(date->date()));
    if (const auto* radio = qobject_cast<const QRadioButton*>(w)) return Checked(radio->isChecked());
    if (const auto* check = qobject_cast<const QCheckBox*>(w)) return Checked(check->isChecked());
    if (const auto* pages = PageControl(w)) return QString::number(pages->currentIndex());
    if (const auto* label = qobject_cast<const QLabel*>(w)) return label->text();
    return {};
}

int NumberOr(const QString& text, int fallback) {
    bool ok = false;
    const int n = text.trimmed().toInt(&ok);
    return ok ? n : fallback;
}

// A checked auto-exclusive radio button ignores setChecked(false); the entry
// decides alone, as for a check box.
void SetRadio(QRadioButton* radio, bool checked) {
    const bool exclusive = radio->autoExclusive();
    if (!checked) radio->setAutoExclusive(false);
    radio->setChecked(checked);
    radio->setAutoExclusive(exclusive);
}

void Apply(QWidget* w, const QString& value) {
    if (auto* spin = qobject_cast<QSpinBox*>(w)) {
        spin->setValue(NumberOr(value, 0));
    } else if (PlainEdit(w) || MaskedEdit(w)) {
        static_cast<QLineEdit*>(w)->setText(value);
    } else if (Combo(w)) {
        auto* combo = static_cast<QComboBox*>(w);
        const int index = NumberOr(value, 0);
        combo->setCurrentIndex(index >= 0 && index < combo->count() ? index : -1);
        if (combo->objectName() == QLatin1String("CBcon")) combo->setProperty("tag", index);
    } else if (auto* group = qobject_cast<TRadioGroup*>(w)) {
        group->SetItemIndex(NumberOr(value, 0));
    } else if (auto* date = qobject_cast<QDateEdit*>(w)) {
        bool ok = false;
        const int days = value.trimmed().toInt(&ok);
        if (ok) date->setDate(kDayZero.addDays(days));
    } else if (auto* radio = qobject_cast<QRadioButton*>(w)) {
        SetRadio(radio, value == QLatin1String("0"));
    } else if (auto* check = qobject_cast<QCheckBox*>(w)) {
        check->setChecked(value == QLatin1String("0"));
    } else if (PageControl(w)) {
        static_cast<QTabWidget*>(w)->setCurrentIndex(NumberOr(value, 0));
    } else if (auto* label = qobject_cast<QLabel*>(w)) {
        // The clock shows the computer's time, never a stored one.
        if (label->objectName() != QLatin1String("LDT")) label->setText(value);
    }
}

}  // namespace

QString WindowValuesPath() {
    return DataPath({kDataFolderName, QStringLiteral("ПАМЯТЬ"), QStringLiteral("mem")});
}

QStringList CollectWindowValues(const QWidget* root) {
    QStringList entries;
    if (!root) return entries;
    const QList<QWidget*> widgets = root->findChildren<QWidget*>();
    for (const QWidget* w : widgets) {
        if (!Stored(w)) continue;
        const QString value = ValueOf(w);
        // A line break inside a value (a status text on a label) would split
        // the entry and could make its tail read as another control's entry.
        if (!value.isNull()) {
            QString oneLine = value;
            oneLine.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
            oneLine.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
            entries.append(w->objectName() + QLatin1Char('=') + oneLine);
        }
    }
    return entries;
}

void RestoreWindowValues(QWidget* root) { ApplyWindowValues(root, ReadWindowValues(WindowValuesPath())); }

void ApplyWindowValues(QWidget* root, const QList<QPair<QString, QString>>& values) {
    if (!root || values.isEmpty()) return;

    QMultiHash<QString, QWidget*> byName;
    const QList<QWidget*> widgets = root->findChildren<QWidget*>();
    for (QWidget* w : widgets)
        if (Stored(w)) byName.insert(w->objectName(), w);

    const ReadyGuard notReady;
    for (const auto& [name, value] : values) {
        for (auto it = byName.constFind(name); it != byName.cend() && it.key() == name; ++it) Apply(it.value(), value);
    }
}

QString SaveWindowValues(const QWidget* root) {
    const QString folder = DataRoot();
    if (!QDir().mkpath(folder)) ShowValue(QStringLiteral("НЕ МОГУ СОЗДАТЬ ДИР"));
    return WriteWindowValues(WindowValuesPath(), CollectWindowValues(root));
}

}  // namespace omi
