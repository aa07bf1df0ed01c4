#pragma once
// File dialogs and message boxes, behind an interface that tests can answer.

#include <QSize>
#include <QString>

class QWidget;

namespace zantrel {

// One file dialog's settings and its last answer. The filter is written as
// description|pattern pairs, "Data Files (*.dat)|*.dat|...", and translated for Qt.
struct FileDialog {
    QString Title;
    QString Filter;
    QString DefaultExt;  // appended, after a dot, to a name typed without extension
    QString FileName;    // the path chosen last; kept when a dialog is cancelled
    int FilterIndex = 0;  // the filter shown first, and the one chosen (0-based)
};

enum class Answer { Yes, No, Cancel };

class Platform {
public:
    virtual ~Platform() = default;
    // True when the user confirmed; then dialog.FileName holds the chosen path.
    virtual bool GetOpenFileName(QWidget* parent, FileDialog& dialog) = 0;
    virtual bool GetSaveFileName(QWidget* parent, FileDialog& dialog) = 0;
    // A plain notice ("Cannot find ..."), and an error: something failed and was not done.
    virtual void ShowMessage(QWidget* parent, const QString& text) = 0;
    virtual void ShowError(QWidget* parent, const QString& text) = 0;
    // A warning with the buttons Yes, No and Cancel.
    virtual Answer AskYesNoCancel(QWidget* parent, const QString& text) = 0;
    // The size in pixels and the resolution of a picture to save; false when cancelled.
    // Without a dialog of its own a platform takes the values as they come.
    virtual bool GetImageSize(QWidget* parent, QSize& pixels, int& dpi);
};

// The real dialogs: QFileDialog and QMessageBox.
class QtPlatform final : public Platform {
public:
    bool GetOpenFileName(QWidget* parent, FileDialog& dialog) override;
    bool GetSaveFileName(QWidget* parent, FileDialog& dialog) override;
    void ShowMessage(QWidget* parent, const QString& text) override;
    void ShowError(QWidget* parent, const QString& text) override;
    Answer AskYesNoCancel(QWidget* parent, const QString& text) override;
    bool GetImageSize(QWidget* parent, QSize& pixels, int& dpi) override;
};

// "Data Files (*.dat)|*.dat|All Files (*.*)|*.*" becomes
// "Data Files (*.dat);;All Files (*)": Qt takes the patterns from the parentheses,
// and "*.*", which means every file on Windows, would skip names without a dot.
QString QtFilter(const QString& pipeFilter);

// path, or path + "." + ext when the file name (after the last folder separator)
// holds no dot. An empty ext leaves the path alone.
QString WithDefaultExtension(const QString& path, const QString& ext);

}  // namespace zantrel
