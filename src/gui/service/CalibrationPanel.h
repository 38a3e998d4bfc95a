#pragma once
// The calibration panel Pcal of the "КАЛИБРОВКА" page: the choice RGk
// ("Калибровка по:"), the reference edits on Pd with their labels and the
// measured-value boxes of the last run, the pressure mode button sbd, the
// button row (BConDef, BBCal) and, below it, the family's configuration
// editor, which the configuration page builds on this panel.
//
// The run itself (Acal, BBCal) is the core's (service/Calibration.h); the
// panel hands it the choice, the references and the pressure channel, and
// shows what comes back.

#include <QDeadlineTimer>
#include <QPointer>
#include <QWidget>
#include <array>

class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTimer;
class QToolButton;

namespace omi {

class Connection;
class TFomi;
class TRadioGroup;
struct CalibrationRun;

class TCalibrationPanel : public QWidget {
    Q_OBJECT
public:
    // Builds the panel on the window's page TSk and wires Acal.
    TCalibrationPanel(TFomi& window, Connection& line);

    // The page is shown: the choices of the current device, its editor.
    void TSkShow();
    // A click (or key) on RGk: defaults and labels of the choice.
    void RGkClick();
    void AcalExecute();
    // The pressure channel (2..5) selected by the focus, 255 for none.
    int SelectedChannel() const { return selectedChannel_; }
    // Another device (or none) is current.
    void DropDevice();

    // The row of the page's buttons, for the write buttons that share it.
    QHBoxLayout* ButtonRow() const { return buttons_; }
    // The measured-value box beside reference edit i (0..3); null while
    // there is none (before the first run after a choice).
    QLineEdit* MeasuredBox(int i) const;

    TRadioGroup* RGk = nullptr;
    QWidget* Pd = nullptr;
    QSpinBox* SE1Td1 = nullptr;
    QSpinBox* SE1Od2 = nullptr;
    QSpinBox* SE2Td1 = nullptr;
    QSpinBox* SE2Od2 = nullptr;
    QLabel* L1Td1 = nullptr;
    QLabel* L1Od2 = nullptr;
    QLabel* L2Td1 = nullptr;
    QLabel* L2Od2 = nullptr;
    QToolButton* sbd = nullptr;
    QPushButton* BBCal = nullptr;
    QPushButton* BConDef = nullptr;
    // While a run waits for the device: "стоп" ends the wait, LCalWait
    // counts down the longest the answer may still take.
    QPushButton* BCalStop = nullptr;
    QLabel* LCalWait = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void sbdClick();
    void selectChannel(QSpinBox* edit);
    void destroyBoxes();
    void createBoxes();
    void showRun(const CalibrationRun& run);
    void updateAction();
    // Marks the reference edits outside what their input can take (red,
    // with the reason as hint); the first such edit of the job, or -1.
    int markReferences();
    void showWait();
    void stopRun();

    TFomi& window_;
    Connection& line_;
    QHBoxLayout* buttons_ = nullptr;
    std::array<QSpinBox*, 4> edits_{};
    std::array<QLabel*, 4> labels_{};
    std::array<QPointer<QLineEdit>, 4> boxes_{};
    std::array<QPointer<QLabel>, 4> boxLabels_{};
    int selectedChannel_ = 255;
    bool running_ = false;
    bool stop_ = false;
    QTimer* waitTimer_ = nullptr;
    QDeadlineTimer waitDeadline_;
};

}  // namespace omi
