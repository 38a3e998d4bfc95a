#pragma once
// The main window TFomi: the toolbar with every action of the program, the
// indicator strip (lamp, status line, seconds gauge, date and time), the page
// control with its six pages, and the device page with its connection pages
// and the device group box. It owns the connection (the serial port, the
// exchange engine and the device addressed) that every page works on; the
// connection's DeviceChanged is the one way a change of device reaches the
// pages (CurrentDeviceChanged below).
//
// The preparation sequence (AcreateExecute) runs once, at the first show or
// activation of the window, and again only when asked for by its action: it
// refreshes the port list, probes the ports, restores the saved control
// values, forgets the device on the line and applies the access level. A later
// activation (back from a dialog or another window) refreshes the caption and
// the clock only, and dropping the port list down refreshes that list: the
// device found, the pages' data and the user's edits survive both.

#include <QHash>
#include <QMainWindow>
#include <QPair>
#include <QStringList>
#include <memory>

#include "shell/StatusLine.h"

class QAction;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QRadioButton;
class QSpinBox;
class QSplitter;
class QTabWidget;
class QTableWidget;
class QToolButton;

namespace omi {

class Connection;
class ExchangeEngine;
class HelpViewer;
class TActionToolBar;
class TArchivePage;
class TCalibrationPanel;
class TWriteActions;
class TDebugTerminal;
class TNetworkCheck;
class TModemPage;
class TChangeLogReader;
class TLoggerImport;
class TCommPortDriver;
class TConfigPage;
class TPrintPage;
class TStateView;
class TStorePage;
class TLamp;
class TraceMemo;

struct TFomiOptions {
    // The program's arguments after its name: the first one equal to the
    // service code selects access level 0.
    QStringList arguments;
    // Serial devices added to the port list (pseudo-terminals, adapters that
    // the system does not list).
    QStringList extraPorts;
    // Whether the system's serial ports are listed (tests list only theirs).
    bool systemPorts = true;
};

class TFomi : public QMainWindow {
    Q_OBJECT
public:
    // The text that selects the service level (access level 0).
    static const QString kServiceCode;
    static const QString kCaptionStart;  // "ВЫЧИСЛИТЕЛЬ ТЕПЛОВОЙ ЭНЕРГИИ версия "

    explicit TFomi(const TFomiOptions& options = {}, QWidget* parent = nullptr);
    // Closes the port and saves the control values.
    ~TFomi() override;

    QAction* Action(const QString& name) const;
    QStringList ActionNames() const { return actionOrder_; }
    // The window's line and the device on it; the port and engine are its.
    Connection& Line() { return *line_; }
    ExchangeEngine& Engine();
    TCommPortDriver& Port();
    WindowStatusSink& Status() { return *status_; }
    TraceMemo* Ma() const { return Ma_; }
    QTabWidget* PCW() const { return PCW_; }
    // The page of the main page control by its name (TSW, TSa, TSwr, TSk, TSp, TSdeb).
    QWidget* Page(const QString& name) const;
    QString HelpFile() const { return helpFile_; }
    HelpViewer* Help() const { return help_; }

    // Preparation sequence; also the action Acreate. It forgets the current
    // device, and the pages drop what they showed of it.
    void AcreateExecute();
    int PreparationCount() const { return preparations_; }
    // A later activation of the window: caption, clock and scroll ranges.
    void RefreshOnActivation();
    int RefreshCount() const { return refreshes_; }
    // The port list dropped down: the ports of the system listed again; the
    // port chosen stays chosen while it is there.
    void RefreshPortList();
    // Shows or hides (visibility) or enables or disables the pages, controls
    // and actions of the given names (case ignored).
    void SetNamedControls(const QStringList& names, bool value, bool visibility);
    void ApplyAccessLevel();
    // Access level from the access-level edit: its number, 1 when it is none.
    void EpswChange();
    // The double-click on the toolbar with Shift, Alt and Ctrl held.
    void AccessLevelInput();

    // Device page.
    void AreadNoTuExecute();
    void rbuClick();
    void SEnoChange();
    void EtypeDblClick();
    void TSWShow();
    // Port probe; from is the combo box that was clicked (null: programmatic).
    void cbCClick(QComboBox* from = nullptr);
    void cbBaudRateChange();
    void BuPortDefClick();
    void CBPortSetClick();
    void CBgtClick();
    void TScomShow();
    void TSmodShow();
    void TSnetShow();
    void TSgprsShow();
    void SBSPCClick(bool down);
    void LblinkClick();
    void AhelpExecute();
    // Runs the identification when the action is enabled and visible (a drop
    // on the device group box).
    bool GBNTDrop();

    // The device whose data the pages show: the connection's device as last
    // announced (-1 for none). The preparation's own probe of the port does
    // not change it.
    int ShownSerial() const { return shownSerial_; }
    int ShownType() const { return shownType_; }
    // Compares the connection's device with the one the pages show and, when
    // it differs, tells them (CurrentDeviceChanged). Runs on every
    // DeviceChanged of the connection; quiet while preparing, after which the
    // preparation runs it once.
    void announceCurrentDevice();

    // Window resize rule: scroll ranges follow the client area once it is
    // taller than 0.9 of the screen.
    void FormResize();
    // No pop-up menu of toolbars (see the definition).
    QMenu* createPopupMenu() override;

Q_SIGNALS:
    // Preparation: the archive date range ends today again (the archive page
    // runs its date-preset handler).
    void ArchiveRangeReset();
    // A serial number or type was entered by hand: the configuration editors
    // of the previous device are to be discarded.
    void DeviceAddressEntered();
    // The access level was applied (pages show their level-0 detail).
    void AccessLevelApplied(int level);
    // The connection's device changed or was cleared (serial and type -1):
    // every page drops what it shows of the previous one.
    void CurrentDeviceChanged(int serial, int type);

protected:
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The first preparation, once, after the first show or activation.
    void prepareAtStart();
    void runPreparation();
    void createActions();
    void createToolBar();
    void createIndicatorStrip(QWidget* parent);
    void createPages();
    QWidget* createDevicePage();
    QWidget* createComPage();
    QWidget* createNetPage();
    QWidget* createModemPage();
    QWidget* createGprsPage();
    QGroupBox* createDeviceBox();
    void createMenus();
    void fillPortSettingLists();
    void selectPortSettings();
    void refillPortList();
    void fillTypeList();
    void connectionPageShown(int index);
    void runConnectionPageShow();
    void updateNetworkTarget();
    void setDeviceFields(const QString& serial, const QString& model);
    bool portProbedFree() const;
    // After a failed identification: the port label says that the port is
    // open but nothing answers, and the status names the port.
    void showNoAnswer();
    QString currentHelpFile() const;
    int helpContextOfFocus() const;

    TFomiOptions options_;
    Connection* line_ = nullptr;
    std::unique_ptr<WindowStatusSink> status_;
    QHash<QString, QAction*> actions_;
    QStringList actionOrder_;
    int preparations_ = 0;
    int refreshes_ = 0;
    bool portFree_ = false;  // the last probe found the chosen port free
    int shownSerial_ = -1;
    int shownType_ = -1;
    bool preparing_ = false;
    QString helpFile_;
    HelpViewer* help_ = nullptr;
    // Control values as they stood before a later preparation; restored in
    // place of the file so that what the user set since start is kept.
    QList<QPair<QString, QString>> liveValues_;

public:
    // Controls, named as their objectName.
    TActionToolBar* ActionToolBar1 = nullptr;
    TLamp* Lblink = nullptr;
    QLabel* LuState = nullptr;
    QProgressBar* Gsec = nullptr;
    QLabel* LDT = nullptr;
    QLineEdit* Epsw = nullptr;
    QTabWidget* PCW_ = nullptr;
    QWidget* TSW = nullptr;
    QWidget* TSa = nullptr;
    QWidget* TSwr = nullptr;
    QWidget* TSk = nullptr;
    QWidget* TSp = nullptr;
    QWidget* TSdeb = nullptr;
    QTabWidget* PCcon = nullptr;
    QWidget* TScom = nullptr;
    QWidget* TSmod = nullptr;
    QWidget* TSnet = nullptr;
    QWidget* TSgprs = nullptr;
    QComboBox* cbC = nullptr;
    QLabel* LPState = nullptr;
    QCheckBox* CBPortSet = nullptr;
    QComboBox* cbBaudRate = nullptr;
    QComboBox* CBeo = nullptr;
    QComboBox* cbz = nullptr;
    QComboBox* cbs = nullptr;
    QSpinBox* sed = nullptr;
    QToolButton* BuPortDef = nullptr;
    QToolButton* SBSPC = nullptr;
    QLineEdit* MEip = nullptr;
    QSpinBox* SEp = nullptr;
    QLabel* LNstate = nullptr;
    QLabel* LMstate = nullptr;
    QCheckBox* CBgt = nullptr;
    TraceMemo* Ma_ = nullptr;
    QGroupBox* GBNT = nullptr;
    QLineEdit* ENo = nullptr;
    QLineEdit* Etype = nullptr;
    QSpinBox* SEno = nullptr;
    QComboBox* CBTu = nullptr;
    QRadioButton* rbu = nullptr;
    QRadioButton* rbs = nullptr;
    QLineEdit* Enok = nullptr;
    QWidget* PState = nullptr;
    QTableWidget* sgsp = nullptr;
    QList<QSplitter*> splitters;
    QMenu* PMr = nullptr;
    QMenu* PMs = nullptr;
    QMenu* PMa = nullptr;
    QMenu* PMk = nullptr;

    // The pages' own controllers, created with the window.
    TStateView* stateView = nullptr;
    TConfigPage* configPage = nullptr;
    TArchivePage* archivePage = nullptr;
    TPrintPage* printPage = nullptr;
    TCalibrationPanel* calibrationPanel = nullptr;  // Pcal on the page TSk
    TWriteActions* writeActions = nullptr;          // the write actions, SEDN and the clock
    TChangeLogReader* changeLogReader = nullptr;    // AReadChang into sgsp
    TLoggerImport* loggerImport = nullptr;          // AGetDataLogger, the "ЗОРТ" import
    TDebugTerminal* debugTerminal = nullptr;        // the "ОТЛАДКА" page
    TNetworkCheck* networkCheck = nullptr;          // Aping on the "СЕТЬ" page
    TModemPage* modemPage = nullptr;                // the "МОДЕМ" page
    TStorePage* storePage = nullptr;                // the archive store window (AStore)
};

}  // namespace omi
