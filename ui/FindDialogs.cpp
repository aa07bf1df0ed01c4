#include "ui/FindDialogs.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace zantrel {

namespace {

// Like the system's dialogs: the search buttons wait for something to search for.
void EnableWhileFindTextSet(QLineEdit* edit, const QList<QPushButton*>& buttons) {
    auto update = [edit, buttons] {
        for (QPushButton* button : buttons) button->setEnabled(!edit->text().isEmpty());
    };
    QObject::connect(edit, &QLineEdit::textChanged, edit, update);
    update();
}

}  // namespace

TFindDialog::TFindDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("Find"));
    EditFindText = new QLineEdit(this);
    CheckBoxWholeWord = new QCheckBox(tr("Match &whole word only"), this);
    CheckBoxMatchCase = new QCheckBox(tr("Match &case"), this);
    RadioButtonUp = new QRadioButton(tr("&Up"), this);
    RadioButtonDown = new QRadioButton(tr("&Down"), this);
    RadioButtonDown->setChecked(true);
    ButtonFindNext = new QPushButton(tr("&Find Next"), this);
    ButtonCancel = new QPushButton(tr("Cancel"), this);
    ButtonFindNext->setDefault(true);

    auto* label = new QLabel(tr("Fi&nd what:"), this);
    label->setBuddy(EditFindText);
    auto* direction = new QGroupBox(tr("Direction"), this);
    auto* directionLayout = new QHBoxLayout(direction);
    directionLayout->addWidget(RadioButtonUp);
    directionLayout->addWidget(RadioButtonDown);

    auto* grid = new QGridLayout(this);
    grid->addWidget(label, 0, 0);
    grid->addWidget(EditFindText, 0, 1, 1, 2);
    grid->addWidget(ButtonFindNext, 0, 3);
    grid->addWidget(CheckBoxWholeWord, 1, 0, 1, 2);
    grid->addWidget(direction, 1, 2, 2, 1);
    grid->addWidget(ButtonCancel, 1, 3);
    grid->addWidget(CheckBoxMatchCase, 2, 0, 1, 2);
    grid->setColumnStretch(1, 1);

    EnableWhileFindTextSet(EditFindText, {ButtonFindNext});
    connect(ButtonFindNext, &QPushButton::clicked, this, &TFindDialog::Find);
    connect(ButtonCancel, &QPushButton::clicked, this, &QDialog::reject);
}

QString TFindDialog::FindText() const { return EditFindText->text(); }

SearchOptions TFindDialog::Options() const {
    SearchOptions options;
    if (RadioButtonDown->isChecked()) options |= Down;
    if (CheckBoxMatchCase->isChecked()) options |= MatchCase;
    if (CheckBoxWholeWord->isChecked()) options |= WholeWord;
    return options;
}

TReplaceDialog::TReplaceDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("Replace"));
    EditFindText = new QLineEdit(this);
    EditReplaceText = new QLineEdit(this);
    CheckBoxWholeWord = new QCheckBox(tr("Match &whole word only"), this);
    CheckBoxMatchCase = new QCheckBox(tr("Match &case"), this);
    ButtonFindNext = new QPushButton(tr("&Find Next"), this);
    ButtonReplace = new QPushButton(tr("&Replace"), this);
    ButtonReplaceAll = new QPushButton(tr("Replace &All"), this);
    ButtonCancel = new QPushButton(tr("Cancel"), this);
    ButtonFindNext->setDefault(true);

    auto* findLabel = new QLabel(tr("Fi&nd what:"), this);
    findLabel->setBuddy(EditFindText);
    auto* replaceLabel = new QLabel(tr("Re&place with:"), this);
    replaceLabel->setBuddy(EditReplaceText);

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(ButtonFindNext);
    buttons->addWidget(ButtonReplace);
    buttons->addWidget(ButtonReplaceAll);
    buttons->addWidget(ButtonCancel);
    buttons->addStretch();

    auto* grid = new QGridLayout;
    grid->addWidget(findLabel, 0, 0);
    grid->addWidget(EditFindText, 0, 1);
    grid->addWidget(replaceLabel, 1, 0);
    grid->addWidget(EditReplaceText, 1, 1);
    grid->addWidget(CheckBoxWholeWord, 2, 0, 1, 2);
    grid->addWidget(CheckBoxMatchCase, 3, 0, 1, 2);
    grid->setRowStretch(4, 1);

    auto* layout = new QHBoxLayout(this);
    layout->addLayout(grid, 1);
    layout->addLayout(buttons);

    EnableWhileFindTextSet(EditFindText, {ButtonFindNext, ButtonReplace, ButtonReplaceAll});
    connect(ButtonFindNext, &QPushButton::clicked, this, [this] { Notify({}); });
    connect(ButtonReplace, &QPushButton::clicked, this, [this] { Notify(ReplaceOne); });
    connect(ButtonReplaceAll, &QPushButton::clicked, this, [this] { Notify(ReplaceAll); });
    connect(ButtonCancel, &QPushButton::clicked, this, &QDialog::reject);
}

QString TReplaceDialog::FindText() const { return EditFindText->text(); }
QString TReplaceDialog::ReplaceWith() const { return EditReplaceText->text(); }

void TReplaceDialog::Notify(SearchOptions action) {
    options_ = Down | action;
    if (CheckBoxMatchCase->isChecked()) options_ |= MatchCase;
    if (CheckBoxWholeWord->isChecked()) options_ |= WholeWord;
    if (!action) emit Find();
    else emit Replace();
}

}  // namespace zantrel
