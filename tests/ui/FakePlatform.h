#pragma once
// A Platform whose dialogs answer from scripts the test sets up, recording what was asked.

#include <functional>

#include <QList>
#include <QStringList>

#include "ui/Platform.h"

namespace zantrel {

// Answers are consumed in order. A null QString cancels a file dialog; an empty
// file dialog script cancels too, and so does an empty question script.
class FakePlatform : public Platform {
public:
    QStringList OpenAnswers, SaveAnswers;
    QList<Answer> Answers;

    QList<FileDialog> OpenDialogs, SaveDialogs;  // as shown
    QStringList Messages, Questions;  // errors among the messages, and also in Errors
    QStringList Errors;
    std::function<void()> WhileOpenDialogShows;  // looks at the windows behind it

    bool GetOpenFileName(QWidget*, FileDialog& dialog) override {
        OpenDialogs << dialog;
        if (WhileOpenDialogShows) WhileOpenDialogShows();
        return Take(OpenAnswers, dialog);
    }
    bool GetSaveFileName(QWidget*, FileDialog& dialog) override {
        SaveDialogs << dialog;
        return Take(SaveAnswers, dialog);
    }
    QList<QWidget*> MessageParents;  // the window each message and error belonged to
    QList<QSize> ImageSizes;  // answers of the picture-size dialog; none keeps the size
    void ShowMessage(QWidget* parent, const QString& text) override {
        Messages << text;
        MessageParents << parent;
    }
    void ShowError(QWidget* parent, const QString& text) override {
        Messages << text;
        MessageParents << parent;
        Errors << text;
    }
    zantrel::Answer AskYesNoCancel(QWidget*, const QString& text) override {
        Questions << text;
        return Answers.isEmpty() ? zantrel::Answer::Cancel : Answers.takeFirst();
    }

    bool GetImageSize(QWidget*, QSize& pixels, int& dpi) override {
        if (!ImageSizes.isEmpty()) pixels = ImageSizes.takeFirst(), dpi = 192;
        return true;
    }

private:
    static bool Take(QStringList& script, FileDialog& dialog) {
        if (script.isEmpty()) return false;
        const QString chosen = script.takeFirst();
        if (chosen.isNull()) return false;
        dialog.FileName = chosen;
        return true;
    }
};

}  // namespace zantrel
