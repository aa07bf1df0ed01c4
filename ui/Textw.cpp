#include "ui/Textw.h"

#include <algorithm>

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QSaveFile>
#include <QScreen>
#include <QScrollBar>
#include <QStatusBar>
#include <QSplitter>
#include <QTextBlock>
#include <QVBoxLayout>

#include "ui/AssignmentView.h"
#include "ui/CalibrantBar.h"
#include "ui/FindDialogs.h"
#include "ui/PlotView.h"
#include "ui/ProgramIcon.h"
#include "ui/ReportRows.h"

namespace zantrel {

namespace {

const QString UntitledCaption = QStringLiteral("Zantrel - Untitled");

QString FileNameOnly(const QString& path) { return QFileInfo(path).fileName(); }

// Report columns line up only in a fixed-pitch font.
QFont MemoFont() {
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setPixelSize(13);
    if (!QFontInfo(font).fixedPitch()) {
        font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        font.setPixelSize(13);
    }
    return font;
}

}  // namespace

TTextWForm::TTextWForm(Platform& platform, QWidget* parent)
    : QMainWindow(parent), platform_(platform) {
    setWindowTitle(UntitledCaption);
    setWindowIcon(ProgramIcon());
    // The main window alone decides when the program ends.
    setAttribute(Qt::WA_QuitOnClose, false);

    Memo1 = new QPlainTextEdit(this);
    Memo1->setFrameShape(QFrame::NoFrame);
    Memo1->setFont(MemoFont());
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // A match found from the find dialog must show while that dialog has the focus.
    QPalette palette = Memo1->palette();
    for (auto role : {QPalette::Highlight, QPalette::HighlightedText})
        palette.setColor(QPalette::Inactive, role, palette.color(QPalette::Active, role));
    Memo1->setPalette(palette);
    // The plots sit beside the report once a run has given some.
    PlotView1 = new TPlotView(this);
    CalibrantBar1 = new TCalibrantBar(this);
    auto* beside = new QWidget(this);
    auto* column = new QVBoxLayout(beside);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(CalibrantBar1);
    // d spacings crowd at high angles: d data may be plotted against 2θ, Q or d itself.
    PositionBox = new QComboBox(beside);
    PositionBox->addItem(tr("Residuals against 2θ"), int(plot::Position::TwoTheta));
    PositionBox->addItem(tr("Residuals against Q"), int(plot::Position::Q));
    PositionBox->addItem(tr("Residuals against d"), int(plot::Position::Data));
    PositionBox->setToolTip(tr("2θ at the run's wavelength; Q where a d is shorter than half of it"));
    PositionBox->hide();
    connect(PositionBox, &QComboBox::activated, this, [this](int index) {
        PlotView1->SetPosition(plot::Position(PositionBox->itemData(index).toInt()));
    });
    column->addWidget(PositionBox, 0, Qt::AlignLeft);
    column->addWidget(PlotView1, 1);
    plots_ = beside;
    plots_->hide();
    // An indexing run's peaks below its report, where they read beside its table.
    auto* reportColumn = new QSplitter(Qt::Vertical, this);
    reportColumn->addWidget(Memo1);
    Assignment1 = new TAssignmentView(reportColumn);
    Assignment1->hide();
    reportColumn->addWidget(Assignment1);
    reportColumn->setChildrenCollapsible(false);
    splitter_ = new QSplitter(Qt::Horizontal, this);
    splitter_->addWidget(reportColumn);
    splitter_->addWidget(plots_);
    splitter_->setChildrenCollapsible(false);
    setCentralWidget(splitter_);
    connect(PlotView1, &TPlotView::ReflectionClicked, this, &TTextWForm::PlotView1ReflectionClick);
    SavePlotDialog.Title = tr("Save Plot As");
    // The extension follows the chosen filter where none is typed.
    SavePlotDialog.Filter =
        QStringLiteral("SVG Files (*.svg)|*.svg|PNG Files (*.png)|*.png|PDF Files (*.pdf)|*.pdf");

    OpenDialog1.Title = tr("Open");
    OpenDialog1.Filter = QStringLiteral(
        "Data Files (*.dat)|*.dat|Text Files (*.txt)|*.txt|Out Files (*.out)|*.out|"
        "All Files (*.*)|*.*");
    OpenDialog1.DefaultExt = QStringLiteral("txt");
    SaveDialog1.Title = tr("Save As");
    SaveDialog1.Filter =
        QStringLiteral("Text Files (*.txt)|*.txt|Data Files (*.dat)|*.dat|All Files (*.*)|*.*");
    SaveDialog1.DefaultExt = QStringLiteral("txt");

    FindDialog1 = new TFindDialog(this);
    ReplaceDialog1 = new TReplaceDialog(this);
    connect(FindDialog1, &TFindDialog::Find, this, &TTextWForm::FindDialog1Find);
    connect(ReplaceDialog1, &TReplaceDialog::Find, this, &TTextWForm::ReplaceDialog1Find);
    connect(ReplaceDialog1, &TReplaceDialog::Replace, this, &TTextWForm::ReplaceDialog1Replace);

    CreateMenus();
    // 436 x 241 of client area: the menu bar sits above it.
    resize(436, 241 + menuBar()->sizeHint().height());
}

void TTextWForm::CreateMenus() {
    QMenu* file = menuBar()->addMenu(tr("&File"));
    MenuFileNew = file->addAction(tr("&New"));
    MenuFileOpen = file->addAction(tr("&Open ..."));
    MenuFileSave = file->addAction(tr("&Save"));
    MenuFileSaveAs = file->addAction(tr("Save &As ..."));
    MenuFileSavePlot = file->addAction(tr("Save &Plot As ..."));
    MenuFileSavePlot->setEnabled(false);  // until a run's plots show
    file->addSeparator();
    MenuFileClose = file->addAction(tr("&Close"));
    MenuFileNew->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    MenuFileOpen->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    MenuFileSave->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    MenuFileClose->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_W));

    QMenu* search = menuBar()->addMenu(tr("&Search"));
    MenuSearchFind = search->addAction(tr("&Find ..."));
    MenuSearchFind->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    MenuSearchFindNext = search->addAction(tr("Find &Next"));
    MenuSearchFindNext->setShortcut(QKeySequence(Qt::Key_F3));
    MenuSearchFindNext->setEnabled(false);  // until the find dialog holds something
    MenuSearchReplace = search->addAction(tr("&Replace ..."));

    connect(MenuFileNew, &QAction::triggered, this, &TTextWForm::MenuFileNewClick);
    connect(MenuFileOpen, &QAction::triggered, this, &TTextWForm::MenuFileOpenClick);
    connect(MenuFileSave, &QAction::triggered, this, &TTextWForm::MenuFileSaveClick);
    connect(MenuFileSaveAs, &QAction::triggered, this, &TTextWForm::MenuFileSaveAsClick);
    connect(MenuFileSavePlot, &QAction::triggered, this, &TTextWForm::MenuFileSavePlotClick);
    connect(MenuFileClose, &QAction::triggered, this, &TTextWForm::MenuFileCloseClick);
    connect(MenuSearchFind, &QAction::triggered, this, &TTextWForm::MenuSearchFindClick);
    connect(MenuSearchFindNext, &QAction::triggered, this, &TTextWForm::MenuSearchFindNextClick);
    connect(MenuSearchReplace, &QAction::triggered, this, &TTextWForm::MenuSearchReplaceClick);
}

void TTextWForm::LoadFromFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw FileError(tr("Cannot open file \"%1\". %2").arg(path, file.errorString()));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw FileError(tr("Cannot read file \"%1\". %2").arg(path, file.errorString()));
    const TextFileContent content = DecodeTextFile(bytes);
    Memo1->setPlainText(content.Text);
    Memo1->document()->setModified(false);
    encoding_ = content.Encoding;
    HidePlots();  // plots of another file would mislead
}

void TTextWForm::HidePlots() {
    PlotView1->Clear();
    CalibrantBar1->Clear();
    plots_->hide();
    MenuFileSavePlot->setEnabled(false);
    ShowAssignment(nullptr);
}

void TTextWForm::ShowAssignment(const indexing::Indexing* x) {
    if (x) Assignment1->ShowIndexing(*x);
    else Assignment1->Clear();
    Assignment1->setVisible(x != nullptr);
}

void TTextWForm::ShowResults(const Results& results, const QString& dataFile) {
    PlotView1->ShowResults(results, dataFile);
    const bool shown = !PlotView1->IsEmpty();
    if (shown) CalibrantBar1->ShowCell(results);
    else CalibrantBar1->Clear();
    PositionBox->setVisible(shown && PlotView1->HasPositionChoice());
    if (PositionBox->isVisible()) {
        const plot::Position position = plot::PositionFor(results, PlotView1->PositionShown());
        PositionBox->setCurrentIndex(std::max(0, PositionBox->findData(int(position))));
    }
    plots_->setVisible(shown);
    MenuFileSavePlot->setEnabled(shown);
    if (!shown || !isVisible()) return;
    const int report = TextWidthNeeded();
    constexpr int PlotsWidth = 640, PlotsLeast = 420;
    // Room for both once, as far as the screen allows; later runs keep the size the
    // user gave the window.
    if (!sizedForPlots_) {
        sizedForPlots_ = true;
        QRect screenArea(0, 0, report + PlotsWidth, 700);
        if (const QScreen* shownOn = screen() ? screen() : QGuiApplication::primaryScreen())
            screenArea = shownOn->availableGeometry();
        const int frame = frameGeometry().width() - width();
        resize(std::max(width(), std::min(report + PlotsWidth, screenArea.width() - frame)),
               std::max(height(), std::min(700, screenArea.height() - (frameGeometry().height() - height()))));
        layout()->activate();  // the splitter's new width, for its sizes below
    }
    // The report whole where the plots keep a readable width, else shared.
    const int total = splitter_->width() - splitter_->handleWidth();
    const int left = total - report >= PlotsLeast ? report : std::max(total / 2, total - PlotsLeast);
    splitter_->setSizes({left, total - left});
}

void TTextWForm::ShowUnsavedReport(const QByteArray& bytes, const QString& reportPath) {
    const TextFileContent content = DecodeTextFile(bytes);
    HidePlots();
    Memo1->setPlainText(content.Text);
    encoding_ = content.Encoding;
    // Unsaved: the close check asks, and Save goes to Save As with the name offered.
    Memo1->document()->setModified(true);
    SetCurrentFile({});
    SaveDialog1.FileName = reportPath;
    setWindowTitle(tr("%1 (not saved)").arg(FileNameOnly(reportPath)));
}

void TTextWForm::SaveToFile(const QString& path) {
    TextEncoding encoding = encoding_;
    const QByteArray bytes = EncodeTextFile(PlainText(*Memo1->document()), encoding);
    // Written beside the old file and renamed over it, so a failed write loses nothing.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw FileError(tr("Cannot write file \"%1\". %2").arg(path, file.errorString()));
    if (encoding != encoding_)
        statusBar()->showMessage(
            tr("%1 saved as UTF-8: the text holds characters that Windows-1252 lacks.")
                .arg(FileNameOnly(path)));
    encoding_ = encoding;
}

int TTextWForm::TextWidthNeeded() const {
    const QFontMetrics metrics(Memo1->font());
    int widest = 0;
    for (QTextBlock block = Memo1->document()->begin(); block.isValid(); block = block.next())
        widest = std::max(widest, metrics.horizontalAdvance(block.text()));
    // The text's margins, the edit's vertical scroll bar and frame, one spare column.
    return widest + 2 * int(Memo1->document()->documentMargin()) + Memo1->verticalScrollBar()->sizeHint().width() +
           2 * Memo1->frameWidth() + metrics.averageCharWidth();
}

void TTextWForm::FitWidthToText() {
    const int needed = TextWidthNeeded();
    int available = needed;
    if (const QScreen* shown = screen() ? screen() : QGuiApplication::primaryScreen())
        available = shown->availableGeometry().width() - (frameGeometry().width() - width());
    const int fitted = std::min(needed, available);
    if (width() < fitted) resize(fitted, height());
}

bool TTextWForm::FormCloseQuery() {
    if (!Memo1->document()->isModified()) return true;
    const QString question =
        CurrentFile().isEmpty()
            ? tr("The new text has been modified. Save it to a file?")
            : tr("File %1 has been modified. Save file?").arg(CurrentFile());
    switch (platform_.AskYesNoCancel(this, question)) {
    case Answer::Yes:
        // Closes also when the Save As dialog was cancelled, but not when the write
        // failed: the edits would be gone with the next report.
        return MenuFileSaveClick();
    case Answer::No:
        return true;
    case Answer::Cancel:
        break;
    }
    return false;
}

void TTextWForm::closeEvent(QCloseEvent* event) {
    if (FormCloseQuery()) event->accept();
    else event->ignore();
}

void TTextWForm::hideEvent(QHideEvent* event) {
    QMainWindow::hideEvent(event);
    if (event->spontaneous()) return;  // minimised: the dialogs may stay
    FindDialog1->close();
    ReplaceDialog1->close();
}

void TTextWForm::MenuFileNewClick() {
    if (!FormCloseQuery()) return;  // the edits would go without a word
    HidePlots();
    Memo1->clear();
    Memo1->document()->setModified(false);
    OpenDialog1.FileName.clear();
    encoding_ = TextEncoding::Windows1252;
    setWindowTitle(UntitledCaption);
}

void TTextWForm::MenuFileOpenClick() {
    if (!FormCloseQuery()) return;
    if (!platform_.GetOpenFileName(this, OpenDialog1)) return;
    try {
        LoadFromFile(OpenDialog1.FileName);
        setWindowTitle(FileNameOnly(OpenDialog1.FileName));
    } catch (const FileError& e) {
        platform_.ShowError(this, e.Message);
    }
}

bool TTextWForm::MenuFileSaveClick() {
    if (CurrentFile().isEmpty()) return MenuFileSaveAsClick();
    try {
        SaveToFile(CurrentFile());
        return true;
    } catch (const FileError& e) {
        platform_.ShowError(this, e.Message);
        return false;
    }
}

bool TTextWForm::MenuFileSaveAsClick() {
    if (!platform_.GetSaveFileName(this, SaveDialog1)) return true;
    const QString path = WithDefaultExtension(SaveDialog1.FileName, SaveDialog1.DefaultExt);
    try {
        SaveToFile(path);
    } catch (const FileError& e) {
        platform_.ShowError(this, e.Message);
        return false;
    }
    SaveDialog1.FileName = path;
    setWindowTitle(FileNameOnly(path));
    SetCurrentFile(path);
    return true;
}

void TTextWForm::MenuFileSavePlotClick() {
    // A name from the report, in the format chosen last.
    const plot::PlotFormat last = plot::PlotFormat(std::clamp(SavePlotDialog.FilterIndex, 0, 2));
    if (!CurrentFile().isEmpty()) {
        const QFileInfo report(CurrentFile());
        SavePlotDialog.FileName = report.dir().filePath(report.completeBaseName() + QLatin1Char('.') + plot::ExtensionOf(last));
    }
    if (!platform_.GetSaveFileName(this, SavePlotDialog)) return;
    // The extension typed decides; without a known one the chosen filter does.
    QString path = SavePlotDialog.FileName;
    const std::optional<plot::PlotFormat> typed = plot::FormatOfName(path);
    const plot::PlotFormat format = typed ? *typed : plot::PlotFormat(std::clamp(SavePlotDialog.FilterIndex, 0, 2));
    if (!typed) path += QLatin1Char('.') + plot::ExtensionOf(format);
    if (format == plot::PlotFormat::Png &&
        !platform_.GetImageSize(this, PlotImageSize.pixels, PlotImageSize.dpi))
        return;
    const QString error = PlotView1->SaveTo(path, format, format == plot::PlotFormat::Png ? PlotImageSize : plot::ImageSize{});
    if (!error.isEmpty()) platform_.ShowError(this, tr("Cannot write file \"%1\". %2").arg(path, error));
}

void TTextWForm::MenuFileCloseClick() { close(); }

void TTextWForm::PlotView1ReflectionClick(int row) {
    const int line = ReflectionLine(Memo1->toPlainText(), row);
    if (line < 0) return;
    // The whole row selected, the caret at its end so that the residual columns show;
    // the keyboard stays where it was, so no key press replaces the row.
    QTextCursor cursor(Memo1->document()->findBlockByNumber(line));
    cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    Memo1->setTextCursor(cursor);
    Memo1->centerCursor();
}

void TTextWForm::MenuSearchFindClick() {
    FindDialog1->show();
    FindDialog1->raise();
    FindDialog1->activateWindow();
    MenuSearchFindNext->setEnabled(true);
}

void TTextWForm::MenuSearchFindNextClick() {
    FindAction(FindDialog1->FindText(), FindDialog1->Options(), this);
}

void TTextWForm::MenuSearchReplaceClick() {
    ReplaceDialog1->show();
    ReplaceDialog1->raise();
    ReplaceDialog1->activateWindow();
}

void TTextWForm::FindDialog1Find() { FindAction(FindDialog1->FindText(), FindDialog1->Options(), FindDialog1); }

void TTextWForm::ReplaceDialog1Find() {
    FindAction(ReplaceDialog1->FindText(), ReplaceDialog1->Options(), ReplaceDialog1);
}

void TTextWForm::ReplaceDialog1Replace() {
    if (ReplaceText(*Memo1, ReplaceDialog1->FindText(), ReplaceDialog1->ReplaceWith(),
                    ReplaceDialog1->Options()))
        platform_.ShowMessage(ReplaceDialog1, CannotFindMessage(ReplaceDialog1->FindText()));
}

void TTextWForm::FindAction(const QString& findText, SearchOptions options, QWidget* asker) {
    if (!SearchText(*Memo1, findText, options))
        platform_.ShowMessage(asker, CannotFindMessage(findText));
}

}  // namespace zantrel
