#pragma once
// TTextWForm: the text window that shows a run's report and edits, searches and saves text.

#include <QMainWindow>
#include <stdexcept>

#include "cell/Results.h"
#include "plot/PageFiles.h"
#include "ui/Platform.h"
#include "ui/Search.h"
#include "ui/TextFile.h"

class QAction;
class QComboBox;
class QPlainTextEdit;
class QSplitter;

namespace zantrel {

namespace indexing {
struct Indexing;
}

class TAssignmentView;
class TCalibrantBar;
class TFindDialog;
class TPlotView;
class TReplaceDialog;

// A file that could not be read or written. Message is the text to show; what()
// holds it in the local 8-bit encoding, like the core's errors.
struct FileError : std::runtime_error {
    explicit FileError(const QString& message)
        : std::runtime_error(message.toLocal8Bit().toStdString()), Message(message) {}
    QString Message;
};

class TTextWForm : public QMainWindow {
    Q_OBJECT
public:
    // Created hidden; closing hides it, so its text and current file stay.
    explicit TTextWForm(Platform& platform, QWidget* parent = nullptr);

    // The file that Save writes and the close check names: OpenDialog1's path.
    QString CurrentFile() const { return OpenDialog1.FileName; }
    void SetCurrentFile(const QString& path) { OpenDialog1.FileName = path; }

    // Replaces the text with the file's lines and clears the modified flag.
    void LoadFromFile(const QString& path);  // throws FileError
    // Writes the text's lines, each ended CR LF, in the encoding it was read in.
    void SaveToFile(const QString& path);  // throws FileError
    TextEncoding Encoding() const { return encoding_; }

    // Widens the window to show the longest line whole, as far as the screen allows;
    // a window already wide enough keeps its size.
    void FitWidthToText();
    // The width in pixels that shows the longest line of the text whole.
    int TextWidthNeeded() const;
    // The run's plots beside its report, until other text is loaded or made new; the
    // data file's name goes on the page.
    void ShowResults(const Results& results, const QString& dataFile = {});
    // An indexing run's assignment below its report; null hides it, as other text does.
    void ShowAssignment(const indexing::Indexing* x);
    // A report that could not be written: shown as unsaved text without a current
    // file, so that Save asks where to put it.
    void ShowUnsavedReport(const QByteArray& bytes, const QString& reportPath);

    // The close check: true when the window may close.
    bool FormCloseQuery();

    void MenuFileNewClick();
    void MenuFileOpenClick();
    // Both return false only when a write failed; a cancelled dialog is no failure.
    bool MenuFileSaveClick();
    bool MenuFileSaveAsClick();
    void MenuFileSavePlotClick();
    void MenuFileCloseClick();
    void MenuSearchFindClick();
    void MenuSearchFindNextClick();
    void MenuSearchReplaceClick();
    void FindDialog1Find();
    void ReplaceDialog1Find();
    void ReplaceDialog1Replace();
    // Puts the text cursor at the start of the reflection's row of the report.
    void PlotView1ReflectionClick(int row);

    QPlainTextEdit* Memo1;
    FileDialog OpenDialog1;
    FileDialog SaveDialog1;
    TFindDialog* FindDialog1;
    TReplaceDialog* ReplaceDialog1;
    TPlotView* PlotView1;
    TAssignmentView* Assignment1;
    TCalibrantBar* CalibrantBar1;  // above the plots, shown with them
    QComboBox* PositionBox;  // what d data's residuals are plotted against
    FileDialog SavePlotDialog;
    plot::ImageSize PlotImageSize;  // the last size chosen for a PNG

    QAction* MenuFileNew;
    QAction* MenuFileOpen;
    QAction* MenuFileSave;
    QAction* MenuFileSaveAs;
    QAction* MenuFileSavePlot;
    QAction* MenuFileClose;
    QAction* MenuSearchFind;
    QAction* MenuSearchFindNext;
    QAction* MenuSearchReplace;

protected:
    void closeEvent(QCloseEvent* event) override;
    // The find and replace dialogs go with the window: they would search hidden text.
    void hideEvent(QHideEvent* event) override;

private:
    // The message of a failed search goes to the dialog that searched, so that the
    // next key press does not land in the report and replace its selection.
    void FindAction(const QString& findText, SearchOptions options, QWidget* asker);
    void CreateMenus();
    void HidePlots();

    Platform& platform_;
    TextEncoding encoding_ = TextEncoding::Windows1252;
    QWidget* plots_ = nullptr;  // the calibrant bar over the plot view, beside the report
    QSplitter* splitter_ = nullptr;
    bool sizedForPlots_ = false;  // once; afterwards the window keeps the user's size
};

}  // namespace zantrel
