#include "ui/RadioGroup.h"

#include <algorithm>

#include <QButtonGroup>
#include <QRadioButton>

namespace zantrel {

void KeepTabStopOnChecked(const QList<QAbstractButton*>& buttons) {
    auto update = [buttons] {
        const bool anyChecked =
            std::any_of(buttons.begin(), buttons.end(), [](auto* b) { return b->isChecked(); });
        for (QAbstractButton* button : buttons) {
            const bool stop = button->isChecked() || (!anyChecked && button == buttons.first());
            button->setFocusPolicy(stop ? Qt::StrongFocus : Qt::ClickFocus);
        }
    };
    for (QAbstractButton* button : buttons)
        QObject::connect(button, &QAbstractButton::toggled, button, update);
    update();
}

TRadioGroup::TRadioGroup(const QString& caption, const QStringList& items, QWidget* parent)
    : QGroupBox(caption, parent), group_(new QButtonGroup(this)) {
    for (const QString& text : items) {
        auto* item = new QRadioButton(text, this);
        group_->addButton(item, int(items_.size()));
        items_.push_back(item);
    }
    connect(group_, &QButtonGroup::idClicked, this, &TRadioGroup::Click);
    KeepTabStopOnChecked(group_->buttons());
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
