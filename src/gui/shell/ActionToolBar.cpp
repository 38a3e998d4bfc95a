#include "shell/ActionToolBar.h"

#include <QActionEvent>
#include <QMouseEvent>

namespace omi {

namespace {
constexpr Qt::KeyboardModifiers kAllThree = Qt::ShiftModifier | Qt::AltModifier | Qt::ControlModifier;
}

TActionToolBar::TActionToolBar(QWidget* parent) : QToolBar(parent) {
    setObjectName(QStringLiteral("ActionToolBar1"));
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
