#include "shell/Lamp.h"

#include <QMouseEvent>
#include <QPainter>
#include <QTimer>

namespace omi {

TLamp::TLamp(QWidget* parent) : QWidget(parent), timer_(new QTimer(this)) {
    timer_->setInterval(kFlashIntervalMs);
    connect(timer_, &QTimer::timeout, this, &TLamp::tick);
    setFixedSize(18, 18);
    setCursor(Qt::PointingHandCursor);
}

void TLamp::SetColor(const QColor& color) {
    color_ = color;
    update();
}

void TLamp::SetState(Mode mode) {
    mode_ = mode;
    switch (mode) {
    case Mode::Off:
        timer_->stop();
        lit_ = false;
        break;
    case Mode::On:
        timer_->stop();
        lit_ = true;
        break;
    case Mode::Flashing:
        lit_ = true;
        timer_->start();
        break;
    case Mode::FlashOnce:
        // Lit now, dark after one interval, then lit for good.
        lit_ = false;
        timer_->start();
        break;
    }
    update();
}

void TLamp::tick() {
    if (mode_ == Mode::FlashOnce) {
        timer_->stop();
        lit_ = true;
        mode_ = Mode::On;
    } else if (mode_ == Mode::Flashing) {
        lit_ = !lit_;
    } else {
        timer_->stop();
    }
    update();
}

void TLamp::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(rect()).adjusted(2, 2, -2, -2);
    QColor fill = lit_ ? color_ : color_.darker(300);
    QRadialGradient g(r.center() - QPointF(r.width() / 5, r.height() / 5), r.width() / 1.2);
    g.setColorAt(0, lit_ ? fill.lighter(170) : fill.lighter(130));
    g.setColorAt(1, fill);
    p.setBrush(g);
    p.setPen(QPen(palette().color(QPalette::Mid), 1));
    p.drawEllipse(r);
}

void TLamp::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) Q_EMIT clicked();
    QWidget::mouseReleaseEvent(event);
}

}  // namespace omi
