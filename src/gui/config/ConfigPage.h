#pragma once
// The "КОНФИГУРАЦИЯ" page: reading the configuration (AreadParam), showing
// the page (TSwrShow) and the family's editor on its panel Ppar, collecting
// every edit into the family's configuration (AConChange), the heat-system
// switch (AnoSysChange), the weight-unit toggle (VesChange), the defaults
// button (BConDef), the level-0 configuration grid and the dump file
// "конфигурация.txt".
//
// The page knows where the configuration it holds came from: only one read
// from the device now addressed (edited or not), or defaults the user asked
// for, can be written. Defaults shown because nothing was read (the
// calibration page opened first) are marked as such and never written; a
// change of device drops the editor and its edits.

#include <QObject>
#include <QPointer>

#include "config/ConfigEditors.h"

class QPushButton;
class QWidget;

namespace omi {

class Connection;
class TFomi;

class TConfigPage : public QObject {
    Q_OBJECT
public:
    TConfigPage(TFomi& window, Connection& line);

    void AreadParamExecute();
    void TSwrShow();
    // Builds the editor of the current device type on a panel (Ppar at scale
    // 1.5, any other panel at scale 1), or only reloads it when it is there.
    void ParamPage(QWidget* target);
    void AConChangeExecute();
    void AnoSysChangeExecute();
    void VesChangeExecute(int k);
    void BConDefClick();
    // Drops the editor (another device was addressed).
    void DiscardEditor();
    // Another device (or none) is current: the editor, the configuration read
    // and the page's write actions are dropped.
    void DropDevice(int serial, int type);

    QWidget* Ppar() const { return Ppar_; }
    TConfigEditor* Editor() const { return editor_; }

    // Where the configuration the editor holds came from.
    enum class Source {
        None,            // nothing yet
        Device,          // read from the device (and maybe edited since)
        ChosenDefaults,  // the family's defaults, asked for by the user
        ShownDefaults,   // the family's defaults, shown because nothing was read
    };
    Source ConfigSource() const { return source_; }
    // Whether the configuration held may be written to the current device:
    // read from that very device, or defaults the user asked for while it
    // was current, and no value left that could not be taken.
    bool Writable() const;
    // Shown beside defaults nobody asked for, and the reason the write is off.
    static const QString kShownDefaultsText;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showConfigGrid();
    QWidget* calibrationPanel() const;
    // The configuration of the current device is now from `source`.
    void setSource(Source source);
    // The write of the configuration follows Writable().
    void updateWriteAction();

    TFomi& window_;
    Connection& line_;
    QWidget* Ppar_ = nullptr;
    QPushButton* BConDef_ = nullptr;
    QPointer<TConfigEditor> editor_;
    Source source_ = Source::None;
    int sourceSerial_ = -1;
    int sourceType_ = -1;
};

}  // namespace omi
