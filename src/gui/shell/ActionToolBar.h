#pragma once
// The toolbar ActionToolBar1. It remembers the keyboard modifiers of its last
// mouse press and reports a double-click made while Shift, Alt and Ctrl were
// all held (the access-level input), on its free area or on a button.
// Through the accessibility interface its buttons do what a click does: a
// checkable action "toggled" there is triggered, so its operation runs.

#include <QToolBar>

namespace omi {

class TActionToolBar : public QToolBar {
    Q_OBJECT
public:
    explicit TActionToolBar(QWidget* parent = nullptr);

    Qt::KeyboardModifiers LastPressModifiers() const { return lastPress_; }
    // Watches a widget placed on the toolbar (its buttons) as well.
    void Watch(QWidget* widget);

Q_SIGNALS:
    void accessLevelRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void actionEvent(QActionEvent* event) override;

private:
    bool mouseEvent(QEvent* event);

    Qt::KeyboardModifiers lastPress_ = Qt::NoModifier;
};

}  // namespace omi
