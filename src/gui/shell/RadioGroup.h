#pragma once
// A titled group of radio buttons built from a list of item texts, laid out
// in one or more columns (filled column by column), with one selected index.
//
// The inner buttons have no object names: the window's value file stores the
// group's index under the group's own name, never the buttons one by one.

#include <QGroupBox>
#include <QList>
#include <QStringList>

class QButtonGroup;
class QGridLayout;
class QRadioButton;

namespace omi {

class TRadioGroup : public QGroupBox {
    Q_OBJECT
public:
    explicit TRadioGroup(QWidget* parent = nullptr);
    TRadioGroup(const QString& title, const QStringList& items, int columns = 1, QWidget* parent = nullptr);

    // −1 when no item is selected.
    int ItemIndex() const { return index_; }
    // Selects an item; −1 (or any negative value) selects none, a value past
    // the last item selects the last one.
    void SetItemIndex(int index);

    QStringList Items() const { return items_; }
    // Replaces the buttons; the selection stays where it was, moved to the
    // last item when the list became shorter.
    void SetItems(const QStringList& items);

    int Columns() const { return columns_; }
    void SetColumns(int columns);  // at least 1

    // The button of an item, nullptr outside the list.
    QRadioButton* Button(int index) const;

Q_SIGNALS:
    // The selected index changed, by a click, the keyboard or SetItemIndex.
    void ItemIndexChanged(int index);

private:
    void Rebuild();
    void Select(int index);

    QStringList items_;
    int columns_ = 1;
    int index_ = -1;
    QGridLayout* layout_;
    QButtonGroup* group_;
    QList<QRadioButton*> buttons_;
};

}  // namespace omi
