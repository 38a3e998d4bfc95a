#include "shell/ActionToolBar.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QAction>
#include <QActionEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QToolButton>

namespace omi {

namespace {
constexpr Qt::KeyboardModifiers kAllThree = Qt::ShiftModifier | Qt::AltModifier | Qt::ControlModifier;

// A button of the action toolbar as assistive technology sees it. Every
// action it offers ("press", and "toggle" on a checkable action) does what a
// click does: the button's action is triggered, so its handler runs (the
// standard interface toggles a checkable button's state without triggering
// the action, and the operation behind it never ran). A group button opens
// its menu as a click does.
class ToolbarButtonAccessible : public QAccessibleWidget {
public:
    explicit ToolbarButtonAccessible(QToolButton* button) : QAccessibleWidget(button, QAccessible::Button) {}

    QString text(QAccessible::Text t) const override {
        QString s;
        if (t == QAccessible::Name) {
            s = button()->accessibleName();
            if (s.isEmpty()) s = button()->text();
            // Mnemonic markers are not read out; "&&" stands for "&".
            s.replace(QStringLiteral("&&"), QStringLiteral("\x01")).remove(QLatin1Char('&'));
            s.replace(QStringLiteral("\x01"), QStringLiteral("&"));
        } else if (t == QAccessible::Description) {
            s = button()->accessibleDescription();
            if (s.isEmpty()) s = button()->toolTip();
        }
        return s.isEmpty() ? QAccessibleWidget::text(t) : s;
    }

    QAccessible::Role role() const override { return hasMenu() ? QAccessible::ButtonMenu : QAccessible::Button; }

    QAccessible::State state() const override {
        QAccessible::State st = QAccessibleWidget::state();
        if (button()->isCheckable()) {
            st.checkable = true;
            st.checked = button()->isChecked();
        }
        if (button()->isDown()) st.pressed = true;
        if (hasMenu()) st.hasPopup = true;
        return st;
    }

    QStringList actionNames() const override {
        QStringList names;
        if (!button()->isEnabled()) return names;
        if (hasMenu()) {
            names << showMenuAction();
            return names;
        }
        names << pressAction();
        if (button()->isCheckable()) names << toggleAction();
        return names;
    }

    void doAction(const QString& name) override {
        if (!button()->isEnabled()) return;
        if (name == pressAction() || name == toggleAction() || name == showMenuAction()) {
            if (hasMenu())
                button()->showMenu();
            else
                button()->click();  // triggers the default action, as a click
            return;
        }
        QAccessibleWidget::doAction(name);
    }

    QStringList keyBindingsForAction(const QString&) const override { return {}; }

private:
    QToolButton* button() const { return static_cast<QToolButton*>(widget()); }
    bool hasMenu() const {
        return button()->menu() || (button()->defaultAction() && button()->defaultAction()->menu());
    }
};

QAccessibleInterface* toolbarButtonFactory(const QString& className, QObject* object) {
    if (className != QLatin1String("QToolButton") || !object || !object->isWidgetType()) return nullptr;
    auto* button = static_cast<QToolButton*>(object);
    if (!qobject_cast<TActionToolBar*>(button->parentWidget())) return nullptr;
    return new ToolbarButtonAccessible(button);
}

}  // namespace

TActionToolBar::TActionToolBar(QWidget* parent) : QToolBar(parent) {
    setObjectName(QStringLiteral("ActionToolBar1"));
    static const bool accessibleButtons = [] {
        QAccessible::installFactory(toolbarButtonFactory);
        return true;
    }();
    (void)accessibleButtons;
}

void TActionToolBar::Watch(QWidget* widget) {
    if (widget) widget->installEventFilter(this);
}

bool TActionToolBar::mouseEvent(QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress) {
        lastPress_ = static_cast<QMouseEvent*>(event)->modifiers();
    } else if (event->type() == QEvent::MouseButtonDblClick) {
        lastPress_ = static_cast<QMouseEvent*>(event)->modifiers();
        if ((lastPress_ & kAllThree) == kAllThree) {
            Q_EMIT accessLevelRequested();
            return true;
        }
    }
    return false;
}

bool TActionToolBar::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick) {
        if (mouseEvent(event)) return true;
    }
    return QToolBar::eventFilter(watched, event);
}

void TActionToolBar::mousePressEvent(QMouseEvent* event) {
    mouseEvent(event);
    QToolBar::mousePressEvent(event);
}

void TActionToolBar::mouseDoubleClickEvent(QMouseEvent* event) {
    if (!mouseEvent(event)) QToolBar::mouseDoubleClickEvent(event);
}

void TActionToolBar::actionEvent(QActionEvent* event) {
    QToolBar::actionEvent(event);
    if (event->type() == QEvent::ActionAdded) Watch(widgetForAction(event->action()));
}

}  // namespace omi
