#pragma once
// The status line of the window (the label LuState with the lamp Lblink) and
// the three display styles, which other state labels (port, modem, network)
// use as well: busy (olive text, yellow lamp), success (green, green) and
// error (red, red). Busy and success texts on the status line carry the
// device prefix; an error text stands alone.

#include "support/Status.h"

#include <QColor>
#include <QString>
#include <functional>

class QLabel;

namespace omi {

class TLamp;

extern const QColor kBusyColor;   // olive, RGB 128, 128, 0
extern const QColor kOkColor;     // green, RGB 0, 128, 0
extern const QColor kErrorColor;  // red, RGB 255, 0, 0

// The style operations on any label and lamp; text is shown as given.
void ShowStyled(QLabel* label, TLamp* lamp, StatusStyle style, const QString& text);
void ShowBusy(QLabel* label, TLamp* lamp, const QString& text);
void ShowOk(QLabel* label, TLamp* lamp, const QString& text);
void ShowError(QLabel* label, TLamp* lamp, const QString& text);
// The colour a label shows in a style.
QColor StyleColor(StatusStyle style);
// The style a label's text colour stands for (error for anything unknown).
StatusStyle LabelStyle(const QLabel* label);

// The window's status line as the core's status sink. Busy and success texts
// come with the device prefix (StatusSink adds it).
class WindowStatusSink : public StatusSink {
public:
    WindowStatusSink(QLabel* label, TLamp* lamp) : label_(label), lamp_(lamp) {}
    void show(StatusStyle style, const QString& shown) override;
    // Text with a given colour, for the family drivers: the lamp turns green
    // for green, red for red, yellow for olive and keeps its colour otherwise.
    void SetStatus(const QString& text, const QColor& color);
    // Every error text passes through it before it is shown (the window
    // names its port in "НЕТ СВЯЗИ").
    void SetErrorFilter(std::function<QString(const QString&)> filter) { errorFilter_ = std::move(filter); }

private:
    std::function<QString(const QString&)> errorFilter_;
    QLabel* label_;
    TLamp* lamp_;
};

}  // namespace omi
