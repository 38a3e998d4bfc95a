#include "shell/RadioGroup.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QRadioButton>

#include <algorithm>

namespace omi {

TRadioGroup::TRadioGroup(QWidget* parent)
    : QGroupBox(parent), layout_(new QGridLayout(this)), group_(new QButtonGroup(this)) {
    group_->setExclusive(true);
    connect(group_, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked && id != index_) {
            index_ = id;
            Q_EMIT ItemIndexChanged(index_);
        }
    });
}

TRadioGroup::TRadioGroup(const QString& title, const QStringList& items, int columns, QWidget* parent)
    : TRadioGroup(parent) {
    setTitle(title);
    columns_ = std::max(1, columns);
    SetItems(items);
}

QRadioButton* TRadioGroup::Button(int index) const {
    return index >= 0 && index < buttons_.size() ? buttons_[index] : nullptr;
}

void TRadioGroup::SetItemIndex(int index) {
    Select(std::clamp(index, -1, static_cast<int>(items_.size()) - 1));
}

void TRadioGroup::Select(int index) {
    if (index == index_) return;
    if (index >= 0) {
        buttons_[index]->setChecked(true);  // idToggled records the index and signals
        return;
    }
    // An exclusive group keeps its checked button checked; let go of it for the moment.
    group_->setExclusive(false);
    for (QRadioButton* button : std::as_const(buttons_)) button->setChecked(false);
    group_->setExclusive(true);
    index_ = -1;
    Q_EMIT ItemIndexChanged(index_);
}

void TRadioGroup::SetItems(const QStringList& items) {
    const int before = index_;
    const int keep = std::min(index_, static_cast<int>(items.size()) - 1);
    items_ = items;
    Rebuild();
    if (keep >= 0) {
        const QSignalBlocker block(group_);
        buttons_[keep]->setChecked(true);
    }
    index_ = keep;
    if (index_ != before) Q_EMIT ItemIndexChanged(index_);
}

void TRadioGroup::SetColumns(int columns) {
    columns = std::max(1, columns);
    if (columns == columns_) return;
    columns_ = columns;
    const int index = index_;
    Rebuild();
    if (index >= 0) {
        const QSignalBlocker block(group_);
        buttons_[index]->setChecked(true);
    }
}

void TRadioGroup::Rebuild() {
    for (QRadioButton* button : std::as_const(buttons_)) {
        group_->removeButton(button);
        delete button;
    }
    buttons_.clear();
    const int count = static_cast<int>(items_.size());
    const int rows = (count + columns_ - 1) / columns_;
    for (int i = 0; i < count; ++i) {
        auto* button = new QRadioButton(items_[i], this);
        group_->addButton(button, i);
        layout_->addWidget(button, rows ? i % rows : 0, rows ? i / rows : 0);
        buttons_.append(button);
    }
}

}  // namespace omi
