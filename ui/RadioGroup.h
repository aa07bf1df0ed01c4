#pragma once
// A group box of exclusive radio items, chosen by index, with one Click signal.

#include <QGroupBox>
#include <QStringList>
#include <QVector>

class QAbstractButton;
class QButtonGroup;
class QRadioButton;

namespace zantrel {

// Exclusive buttons make one Tab stop, on the checked button (the first while none is):
// Tab enters the set where its choice is, and the arrow keys move and choose inside it.
void KeepTabStopOnChecked(const QList<QAbstractButton*>& buttons);

class TRadioGroup : public QGroupBox {
    Q_OBJECT
public:
    // The items share the box's height below the caption evenly, one column.
    TRadioGroup(const QString& caption, const QStringList& items, QWidget* parent);

    int ItemIndex() const;  // -1 when none is selected
    void SetItemIndex(int index);
    QRadioButton* Item(int index) const { return items_[index]; }
    int Count() const { return int(items_.size()); }

signals:
    // An item was clicked (also through the arrow keys), after it became selected.
    void Click();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QButtonGroup* group_;
    QVector<QRadioButton*> items_;
};

}  // namespace zantrel
