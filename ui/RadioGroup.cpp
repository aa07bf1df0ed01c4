#include "ui/RadioGroup.h"

#include <algorithm>

#include <QButtonGroup>
#include <QRadioButton>

namespace zantrel {

TRadioGroup::TRadioGroup(const QString& caption, const QStringList& items, QWidget* parent)
    : QGroupBox(caption, parent), group_(new QButtonGroup(this)) {
    for (const QString& text : items) {
        auto* item = new QRadioButton(text, this);
        group_->addButton(item, int(items_.size()));
        items_.push_back(item);
    }
    connect(group_, &QButtonGroup::idClicked, this, &TRadioGroup::Click);
}

int TRadioGroup::ItemIndex() const { return group_->checkedId(); }

void TRadioGroup::SetItemIndex(int index) {
    if (index >= 0 && index < Count()) items_[index]->setChecked(true);
}

void TRadioGroup::resizeEvent(QResizeEvent* event) {
    QGroupBox::resizeEvent(event);
    if (items_.isEmpty()) return;
    // Below the caption line, each item gets an equal slot and sits in its middle.
    const int top = 18;
    const int slot = (height() - top - 4) / int(items_.size());
    const int itemHeight = std::min(slot, 20);
    for (int i = 0; i < int(items_.size()); ++i)
        items_[i]->setGeometry(8, top + i * slot + (slot - itemHeight) / 2, width() - 12,
                               itemHeight);
}

}  // namespace zantrel
