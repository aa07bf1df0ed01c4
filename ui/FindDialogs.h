#pragma once
// The modeless find and replace dialogs of the text window.

#include <QDialog>

#include "ui/Search.h"

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace zantrel {

// Find what, match whole word, match case, direction up or down, Find Next.
class TFindDialog : public QDialog {
    Q_OBJECT
public:
    explicit TFindDialog(QWidget* parent);

    QString FindText() const;
    SearchOptions Options() const;  // Down, MatchCase, WholeWord

    QLineEdit* EditFindText;
    QCheckBox* CheckBoxWholeWord;
    QCheckBox* CheckBoxMatchCase;
    QRadioButton* RadioButtonUp;
    QRadioButton* RadioButtonDown;
    QPushButton* ButtonFindNext;
    QPushButton* ButtonCancel;

signals:
    void Find();
};

// Find what, replace with, match whole word, match case; Find Next, Replace,
// Replace All. It always searches down.
class TReplaceDialog : public QDialog {
    Q_OBJECT
public:
    explicit TReplaceDialog(QWidget* parent);

    QString FindText() const;
    QString ReplaceWith() const;
    // Down, MatchCase, WholeWord, and ReplaceOne or ReplaceAll after those buttons.
    SearchOptions Options() const { return options_; }

    QLineEdit* EditFindText;
    QLineEdit* EditReplaceText;
    QCheckBox* CheckBoxWholeWord;
    QCheckBox* CheckBoxMatchCase;
    QPushButton* ButtonFindNext;
    QPushButton* ButtonReplace;
    QPushButton* ButtonReplaceAll;
    QPushButton* ButtonCancel;

signals:
    void Find();
    void Replace();  // Options() says ReplaceOne or ReplaceAll

private:
    void Notify(SearchOptions action);
    SearchOptions options_ = Down;
};

}  // namespace zantrel
