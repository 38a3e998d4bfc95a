#pragma once
// The configuration editors of the families: controls that show one record
// of the family's current configuration (in the records of the connection the
// editor is given) and collect every edit back into it
// (the rules are core's families/ConfigPageRules.h and u25::PageToConfig).
//
// An editor loads its controls with Load() while the caller keeps the ready
// flag clear, and collects them with Collect(), which stores the record of
// the shown heat system, shares the common settings with the other one and
// shows the status text of the collection. Every change of a control is
// announced by Changed() (the page runs AConChange), the system selector by
// SystemChanged() (AnoSysChange) and a click on a 234/235 weight label by
// WeightLabelClicked(k) (VesChange).

#include <QHash>
#include <QPointer>
#include <QWidget>

namespace omi {

class WindowStatusSink;
struct DeviceRecords;

class TConfigEditor : public QWidget {
    Q_OBJECT
public:
    TConfigEditor(int deviceType, DeviceRecords& records, double scale, QWidget* parent);
    int DeviceType() const { return type_; }

    virtual void Load() = 0;
    virtual void Collect(WindowStatusSink& status) = 0;
    // The heat system shown (0 or 1).
    virtual int System() const { return 0; }
    virtual void SetSelectorVisible(bool visible) { (void)visible; }
    // 234/235: the unit of weight k (1..3) of the shown record flips and its
    // label follows; the caller collects the page again. False when the
    // editor has no such weight.
    virtual bool ToggleWeightUnit(int k) {
        (void)k;
        return false;
    }
    // Whether the last collection met a value it could not take (the status
    // line names it), and the edit holding it where the editor knows it.
    // That edit keeps the focus against Tab until its value is right.
    bool HasError() const { return hasError_; }
    QWidget* BadField() const { return badField_; }

Q_SIGNALS:
    void Changed();
    void SystemChanged();
    void WeightLabelClicked(int k);

protected:
    int px(double size) const;  // a size at the editor's scale
    // Entering an edit lights its label up (tooltip background), leaving it
    // shows the page's face colour behind the label again.
    void highlightLabel(QWidget* edit, QWidget* label);
    bool eventFilter(QObject* watched, QEvent* event) override;
    void setCollected(bool error, QWidget* badField);
    int type_;
    DeviceRecords& records_;  // the connection's records, edited in place
    double scale_;

private:
    QHash<QObject*, QWidget*> labelOf_;
    bool hasError_ = false;
    QPointer<QWidget> badField_;
};

// The editor of a device type over the records of a connection at a scale
// (1.5 on the configuration page, 1 on the calibration page); null for a
// type without one.
TConfigEditor* CreateConfigEditor(int deviceType, DeviceRecords& records, double scale, QWidget* parent);

}  // namespace omi
