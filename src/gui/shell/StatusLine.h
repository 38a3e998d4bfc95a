#pragma once
// The status line of the window (the label LuState with the lamp Lblink) and
// the three display styles, which other state labels (port, modem, network)
// use as well: busy (olive text, yellow lamp), success (green, green) and
// error (red, red). Busy and success texts on the status line carry the
// device prefix; an error text stands alone.

#include <QColor>
#include <QString>
#include <functional>

#include "support/Status.h"

class QLabel;

namespace omi {

class ExchangeEngine;
class TLamp;

extern const QColor kBusyColor;   // olive, RGB 128, 128, 0
extern const QColor kOkColor;     // green, RGB 0, 128, 0
extern const QColor kErrorColor;  // red, RGB 255, 0, 0

// The style operations on any label and lamp; text is shown as given. A busy
// text lets the window repaint before the work it announces: through the
// wait of the engine given (none while it exchanges), else one pass of the
// events.
void ShowStyled(QLabel* label, TLamp* lamp, StatusStyle style, const QString& text, ExchangeEngine* engine = nullptr);
void ShowBusy(QLabel* label, TLamp* lamp, const QString& text, ExchangeEngine* engine = nullptr);
void ShowOk(QLabel* label, TLamp* lamp, const QString& text);
void ShowError(QLabel* label, TLamp* lamp, const QString& text);
// The colour a label shows in a style.
QColor StyleColor(StatusStyle style);
// The style a label's text colour stands for (error for anything unknown).
StatusStyle LabelStyle(const QLabel* label);

// The window's status line as the core's status sink. Busy and success texts
// come with the prefix of the device the sink is given (StatusSink::SetDevice).
// engine is the window's line, whose wait lets the window repaint.
class WindowStatusSink : public StatusSink {
public:
    WindowStatusSink(QLabel* label, TLamp* lamp, ExchangeEngine* engine = nullptr)
        : label_(label), lamp_(lamp), engine_(engine) {}
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
    ExchangeEngine* engine_;
};

}  // namespace omi
