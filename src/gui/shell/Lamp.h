#pragma once
// The lamp of the indicator strip: a coloured round light that is on, off,
// flashing (every 200 ms) or flashes once. A click is reported for the
// lamp-flag toggle.

#include <QColor>
#include <QWidget>

class QTimer;

namespace omi {

class TLamp : public QWidget {
    Q_OBJECT
public:
    static constexpr int kFlashIntervalMs = 200;
    enum class Mode { Off, On, Flashing, FlashOnce };

    explicit TLamp(QWidget* parent = nullptr);

    QColor Color() const { return color_; }
    void SetColor(const QColor& color);
    Mode State() const { return mode_; }
    void SetState(Mode mode);
    // Whether the light is lit at this moment (flashing toggles it).
    bool Lit() const { return lit_; }

    QSize sizeHint() const override { return {18, 18}; }

Q_SIGNALS:
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void tick();

    QColor color_{Qt::green};
    Mode mode_ = Mode::Off;
    bool lit_ = false;
    QTimer* timer_;
};

}  // namespace omi
