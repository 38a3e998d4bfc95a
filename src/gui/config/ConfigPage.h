#pragma once
// The "КОНФИГУРАЦИЯ" page: reading the configuration (AreadParam), showing
// the page (TSwrShow) and the family's editor on its panel Ppar, collecting
// every edit into the family's configuration (AConChange), the heat-system
// switch (AnoSysChange), the weight-unit toggle (VesChange), the defaults
// button (BConDef), the level-0 configuration grid and the dump file
// "конфигурация.txt".

#include <QObject>
#include <QPointer>

#include "config/ConfigEditors.h"

class QPushButton;
class QWidget;

namespace omi {

class TFomi;

class TConfigPage : public QObject {
    Q_OBJECT
public:
    explicit TConfigPage(TFomi& window);

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

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showConfigGrid();
    QWidget* calibrationPanel() const;

    TFomi& window_;
    QWidget* Ppar_ = nullptr;
    QPushButton* BConDef_ = nullptr;
    QPointer<TConfigEditor> editor_;
};

}  // namespace omi
