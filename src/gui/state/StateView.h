#pragma once
// The state view on the device page: reading and polling the state, the value
// boxes of every family, the state log, error decoding and the raw bytes grid.
//
// The view sits in the window's state host (PState) above the level-0 grid
// sgsp: the tab bar TCSP (one tab per heat system), the frame Poiold and in
// it the panel POi with the polling strip PAcSt on top and the value boxes
// below. The boxes are laid out from the family's state layout table: the
// table's distinct left positions become columns and its distinct top
// positions rows, so order and grouping stay as the table has them while the
// sizes follow the fonts.
//
// Readings run inside nested event loops (the exchange waits), so a second
// reading could be asked for while one runs: from the toolbar, the menu or
// the polling timer. The view never starts one then; a switch-off asked for
// during a reading is carried out when it ends.

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

class QCheckBox;
class QFrame;
class QGridLayout;
class QLabel;
class QLineEdit;
class QSpinBox;
class QTabBar;
class QTimer;
class QToolButton;
class QWidget;

namespace omi {

class Connection;
class TFomi;
struct StateLayoutTable;

class TStateView : public QObject {
    Q_OBJECT
public:
    static const QString kOffTab;  // "настроить связь и щелкнуть по устройству"
    static const QString kHint;    // "Дв.щ.-расшифровать"

    TStateView(TFomi& window, Connection& line);

    // The action Areadstate (its checked state already toggled): reads and
    // shows the state, or clears the view when the action is off.
    void AreadstateExecute();
    // Rebuilds the boxes from the current state record for the selected tab
    // (also for the display precision of the archive page).
    void TCSPChange();
    void TstTimer();
    void SEfireChange();
    void CBfireClick();
    void CBstinfClick();
    void BitBtn3Click();
    // Decodes the error code the sender's property "tag" names (1 device,
    // 2 system) of the selected tab's heat system and shows it; the archive
    // view calls it with its grid as the sender.
    void AErrDecExecute(QObject* sender);
    // The double-click on the free area of the state frame (family 228).
    void PoioldDblClick();
    // Another device (or none) is current: polling stops and the view is
    // cleared.
    void DropDevice();

    bool StateRead() const { return stateRead_; }
    bool Reading() const { return reading_; }
    // The value boxes in table order (hidden ЛОРС channels included) and
    // their labels.
    QList<QLineEdit*> Boxes() const;
    QLabel* LabelOf(const QLineEdit* box) const;
    // The last state log failure ("" when the last write succeeded).
    QString LogError() const { return logError_; }

    // Controls, named as their objectName.
    QTabBar* TCSP = nullptr;
    QFrame* Poiold = nullptr;
    QWidget* POi = nullptr;
    QWidget* PAcSt = nullptr;
    QCheckBox* CBfire = nullptr;
    QSpinBox* SEfire = nullptr;
    QCheckBox* CBstinf = nullptr;
    QLineEdit* EFst = nullptr;
    QToolButton* BitBtn3 = nullptr;
    QTimer* Tst = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Box {
        QLabel* label = nullptr;
        QLineEdit* edit = nullptr;
    };

    void buildControls();
    // One reading with the guard against a second one inside its waits.
    void runGuarded(bool on);
    void readOrClear(bool on);
    void clearBoxes();
    Box createBox();
    void placeBoxes(const StateLayoutTable& table, const QStringList& values, int type);
    void fillLevelZeroGrid(const StateLayoutTable& table, const QStringList& values);
    void writeLog(const StateLayoutTable& table, const QStringList& values);
    void decodeError(int type, int tag, int system);
    // The heat system (0 or 1) the selected tab shows.
    int selectedSystem(int type) const;
    void highlight(QLineEdit* box, bool on);

    TFomi& window_;
    Connection& line_;
    QWidget* boxArea_ = nullptr;
    QGridLayout* boxGrid_ = nullptr;
    QList<Box> boxes_;
    bool stateRead_ = false;
    bool reading_ = false;
    bool offPending_ = false;
    QString logError_;
    QPointer<QObject> actionSender_;
};

}  // namespace omi
