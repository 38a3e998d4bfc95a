#include "shell/StatusLine.h"

#include <QCoreApplication>
#include <QLabel>

#include "protocol/Exchange.h"
#include "shell/Lamp.h"
#include "shell/ShellFlags.h"

namespace omi {

const QColor kBusyColor(128, 128, 0);
const QColor kOkColor(0, 128, 0);
const QColor kErrorColor(255, 0, 0);

namespace {

void setTextColor(QLabel* label, const QColor& color) {
    QPalette pal = label->palette();
    pal.setColor(QPalette::WindowText, color);
    label->setPalette(pal);
}

void lampFor(TLamp* lamp, const QColor& color) {
    if (!lamp) return;
    lamp->SetColor(color);
    lamp->SetState(Flags().lampFlashing ? TLamp::Mode::Flashing : TLamp::Mode::FlashOnce);
}

// Lets the window repaint before a long operation starts.
void repaintPause(ExchangeEngine* engine) {
    if (engine) {
        if (!engine->InExchange()) engine->Pause(1);
    } else {
        QCoreApplication::processEvents();
    }
}

}  // namespace

QColor StyleColor(StatusStyle style) {
    switch (style) {
        case StatusStyle::Busy:
            return kBusyColor;
        case StatusStyle::Ok:
            return kOkColor;
        case StatusStyle::Error:
            return kErrorColor;
    }
    return kErrorColor;
}

StatusStyle LabelStyle(const QLabel* label) {
    const QColor c = label->palette().color(QPalette::WindowText);
    if (c == kOkColor) return StatusStyle::Ok;
    if (c == kBusyColor) return StatusStyle::Busy;
    return StatusStyle::Error;
}

void ShowStyled(QLabel* label, TLamp* lamp, StatusStyle style, const QString& text, ExchangeEngine* engine) {
    if (style == StatusStyle::Busy && lamp) lamp->SetState(TLamp::Mode::On);
    if (label) {
        label->setText(text);
        setTextColor(label, StyleColor(style));
    }
    const QColor lampColor = style == StatusStyle::Busy ? QColor(Qt::yellow)
                             : style == StatusStyle::Ok ? QColor(Qt::green)
                                                        : QColor(Qt::red);
    lampFor(lamp, lampColor);
    if (style == StatusStyle::Busy) repaintPause(engine);
}

void ShowBusy(QLabel* label, TLamp* lamp, const QString& text, ExchangeEngine* engine) {
    ShowStyled(label, lamp, StatusStyle::Busy, text, engine);
}
void ShowOk(QLabel* label, TLamp* lamp, const QString& text) { ShowStyled(label, lamp, StatusStyle::Ok, text); }
void ShowError(QLabel* label, TLamp* lamp, const QString& text) { ShowStyled(label, lamp, StatusStyle::Error, text); }

void WindowStatusSink::show(StatusStyle style, const QString& shown) {
    if (style == StatusStyle::Error && errorFilter_) {
        ShowStyled(label_, lamp_, style, errorFilter_(shown), engine_);
        return;
    }
    ShowStyled(label_, lamp_, style, shown, engine_);
}

void WindowStatusSink::SetStatus(const QString& text, const QColor& color) {
    label_->setText(text);
    setTextColor(label_, color);
    if (color == kOkColor || color == QColor(Qt::green))
        lampFor(lamp_, Qt::green);
    else if (color == kErrorColor)
        lampFor(lamp_, Qt::red);
    else if (color == kBusyColor)
        lampFor(lamp_, Qt::yellow);
}

}  // namespace omi
