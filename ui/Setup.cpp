#include "ui/Setup.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>

#include "engine/Margins.h"
#include "ui/LeaveOutDialog.h"
#include "ui/IndexDialog.h"
#include "export/ReportFile.h"
#include "ui/ProgramIcon.h"
#include "ui/RadioGroup.h"
#include "ui/HeaderWarningsView.h"
#include "ui/Textw.h"

namespace zantrel {

namespace {

// By identity, links included; a path that names no file is no file at all.
bool SameExistingFile(const QString& a, const QString& b) {
    const QString canonical = QFileInfo(a).canonicalFilePath();
    return !canonical.isEmpty() && canonical == QFileInfo(b).canonicalFilePath();
}

}  // namespace

TMainForm::TMainForm(Platform& platform, QWidget* parent)
    : QDialog(parent), platform_(platform) {
    // A plain fixed-size window: title bar, minimise and close, no resizing.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setWindowTitle(QStringLiteral("Zantrel"));
    setWindowIcon(ProgramIcon());
    // The layout is in pixels, so the type is too: the system family, bold, 11 pixels.
    QFont bold = QApplication::font();
    bold.setBold(true);
    bold.setPixelSize(11);
    setFont(bold);
    setFixedSize(470, 277);

    OpenDialog1.Title = QStringLiteral("Choose file to run with Zantrel");
    OpenDialog1.Filter = QStringLiteral("Data Files (*.dat)|*.dat|Text Files (*.txt)|*.txt");

    CreateControls();
    SetTabOrder();
    ConnectHandlers();

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    FormCreate();
}

void TMainForm::CreateControls() {
    CheckBoxZeroShift = new QCheckBox(QStringLiteral("refine ZeroShift"), this);
    CheckBoxZeroShift->setGeometry(20, 16, 129, 17);
    CheckBoxDiags = new QCheckBox(QStringLiteral("Brief diagnostics"), this);
    CheckBoxDiags->setGeometry(328, 16, 130, 17);
    CheckBoxDiags->setChecked(true);

    PanelTitle = new QFrame(this);
    PanelTitle->setGeometry(160, 2, 145, 49);
    PanelTitle->setFrameStyle(QFrame::Panel | QFrame::Raised);
    ImageIcon = new QLabel(PanelTitle);
    ImageIcon->setGeometry(8, 8, 32, 32);
    ImageIcon->setPixmap(ProgramPixmap(32));
    LabelTitle = new QLabel(QStringLiteral("Zantrel"), PanelTitle);
    LabelTitle->setGeometry(46, 4, 95, 41);
    QFont titleFont(QStringLiteral("Times New Roman"));
    titleFont.setStyleHint(QFont::Serif);
    titleFont.setPixelSize(24);
    titleFont.setItalic(true);
    titleFont.setBold(false);
    LabelTitle->setFont(titleFont);

    GroupBoxInputData = new QGroupBox(QStringLiteral("Input data:"), this);
    GroupBoxInputData->setGeometry(8, 55, 153, 161);
    RadioButtonDspace = new QRadioButton(QStringLiteral("d spacings"), GroupBoxInputData);
    RadioButtonDspace->setGeometry(16, 24, 121, 17);
    RadioButton2theta = new QRadioButton(QStringLiteral("two thetas"), GroupBoxInputData);
    RadioButton2theta->setGeometry(16, 56, 113, 17);
    RadioButton2theta->setChecked(true);
    LabelLambda = new QLabel(QStringLiteral("lambda:"), GroupBoxInputData);
    LabelLambda->setGeometry(8, 80, 52, 16);
    // The start values in the user's locale, so that they convert back without error.
    EditLambda = new QLineEdit(QLocale().toString(1.540593, 'f', 6), GroupBoxInputData);
    EditLambda->setGeometry(72, 78, 73, 24);
    LabelLambda->setBuddy(EditLambda);
    RadioButtonEnergies = new QRadioButton(QStringLiteral("Energies"), GroupBoxInputData);
    RadioButtonEnergies->setGeometry(16, 112, 105, 17);
    LabelBeam2theta = new QLabel(QStringLiteral("Beam 2theta"), GroupBoxInputData);
    LabelBeam2theta->setGeometry(4, 136, 82, 16);
    EditBeam2theta = new QLineEdit(QLocale().toString(10.0, 'f', 3), GroupBoxInputData);
    EditBeam2theta->setGeometry(90, 134, 57, 24);
    EditBeam2theta->setEnabled(false);
    LabelBeam2theta->setBuddy(EditBeam2theta);
    KeepTabStopOnChecked({RadioButtonDspace, RadioButton2theta, RadioButtonEnergies});
    for (QLineEdit* edit : {EditLambda, EditBeam2theta}) edit->installEventFilter(this);
    // Kept apart, since the box's tooltip shows a conversion error while there is one.
    EditLambda->setProperty("plainToolTip",
                            QStringLiteral("Wavelength in Å: of the 2θ data, and for energy data the one that "
                                           "sets the weights of the energies"));
    EditLambda->setToolTip(EditLambda->property("plainToolTip").toString());

    RadioGroupSystem = new TRadioGroup(
        QStringLiteral("Crystal System:"),
        {QStringLiteral("Cubic"), QStringLiteral("Tetragonal"), QStringLiteral("Hexagonal"),
         QStringLiteral("Orthorhombic"), QStringLiteral("Monoclinic"), QStringLiteral("Triclinic")},
        this);
    RadioGroupSystem->setGeometry(167, 55, 146, 161);
    RadioGroupSystem->SetItemIndex(5);
    RadioGroupMin = new TRadioGroup(QStringLiteral("Minimise on:"),
                                    {QStringLiteral("d spacing"), QStringLiteral("2 theta"),
                                     QStringLiteral("energy"), QStringLiteral("Q (=1/d^2)")},
                                    this);
    RadioGroupMin->setGeometry(320, 55, 144, 161);
    RadioGroupMin->SetItemIndex(1);

    ButtonRun = new QPushButton(QStringLiteral("Run"), this);
    ButtonRun->setGeometry(255, 230, 89, 33);
    ButtonRun->setDefault(true);
    ButtonExit = new QPushButton(QStringLiteral("Exit"), this);
    ButtonExit->setGeometry(367, 230, 89, 33);

    PanelCredit = new QFrame(this);
    PanelCredit->setGeometry(8, 226, 201, 43);
    PanelCredit->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    LabelCredit = new QLabel(
        QStringLiteral("Unit-cell refinement from\nindexed powder peak positions"), PanelCredit);
    LabelCredit->setGeometry(2, 2, 197, 39);
    LabelCredit->setAlignment(Qt::AlignCenter);
    QFont creditFont = font();
    creditFont.setBold(false);
    LabelCredit->setFont(creditFont);

    // In the credit panel, in place of the credit while there is something to say: three
    // lines hold a long file name whole, where the strip above Run cut it.
    LabelSettings = new QLabel(PanelCredit);
    LabelSettings->setGeometry(LabelCredit->geometry());
    LabelSettings->setAlignment(Qt::AlignCenter);
    LabelSettings->setWordWrap(true);
    LabelSettings->setFont(creditFont);
    LabelSettings->hide();

    // The report window again, for the mouse as well as Ctrl+R, between the credit
    // panel and Run.
    ButtonReport = new QPushButton(QStringLiteral("Report"), this);
    ButtonReport->setGeometry(211, 236, 42, 24);
    ButtonReport->setToolTip(QStringLiteral("Show the last report again (Ctrl+R)"));
    ButtonReport->setEnabled(false);
    QFont small = font();
    small.setBold(false);
    ButtonReport->setFont(small);
    ButtonReport->setAutoDefault(false);

    ActionShowReport = new QAction(QStringLiteral("Show report"), this);
    ActionShowReport->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
    addAction(ActionShowReport);
    ActionLeaveOut = new QAction(QStringLiteral("Leave out reflections ..."), this);
    ActionLeaveOut->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
    ActionLeaveOut->setEnabled(false);  // until a run has reflections to list
    addAction(ActionLeaveOut);
    setContextMenuPolicy(Qt::ActionsContextMenu);
}

// The radio groups, Run and Exit, the input-data group, the check boxes.
void TMainForm::SetTabOrder() {
    QList<QWidget*> order;
    for (const TRadioGroup* group : {RadioGroupSystem, RadioGroupMin})
        for (int i = 0; i < group->Count(); ++i) order << group->Item(i);
    order << ButtonRun << ButtonExit << RadioButtonDspace << RadioButton2theta
          << RadioButtonEnergies << EditLambda << EditBeam2theta << CheckBoxZeroShift
          << CheckBoxDiags;
    for (qsizetype i = 0; i + 1 < order.size(); ++i) setTabOrder(order[i], order[i + 1]);
}

void TMainForm::ConnectHandlers() {
    connect(RadioButtonDspace, &QRadioButton::clicked, this, &TMainForm::RadioButtonDspaceClick);
    connect(RadioButton2theta, &QRadioButton::clicked, this, &TMainForm::RadioButton2thetaClick);
    connect(RadioButtonEnergies, &QRadioButton::clicked, this,
            &TMainForm::RadioButtonEnergiesClick);
    connect(EditLambda, &QLineEdit::textChanged, this, &TMainForm::EditLambdaChange);
    connect(EditBeam2theta, &QLineEdit::textChanged, this, &TMainForm::EditBeam2thetaChange);
    connect(RadioGroupSystem, &TRadioGroup::Click, this, &TMainForm::RadioGroupSystemClick);
    connect(RadioGroupMin, &TRadioGroup::Click, this, &TMainForm::RadioGroupMinClick);
    connect(CheckBoxDiags, &QCheckBox::clicked, this, &TMainForm::CheckBoxDiagsClick);
    connect(CheckBoxZeroShift, &QCheckBox::clicked, this, &TMainForm::CheckBoxZeroShiftClick);
    connect(ButtonRun, &QPushButton::clicked, this, &TMainForm::ButtonRunClick);
    connect(ButtonExit, &QPushButton::clicked, this, &TMainForm::ButtonExitClick);
    connect(ActionShowReport, &QAction::triggered, this, &TMainForm::ActionShowReportClick);
    connect(ActionLeaveOut, &QAction::triggered, this, &TMainForm::ActionLeaveOutClick);
    connect(ButtonReport, &QPushButton::clicked, this, &TMainForm::ActionShowReportClick);
}

void TMainForm::FormCreate() {
    show();
    Settings = RefinementSettings();
    // The first stop of the tab order: the crystal system's choice.
    RadioGroupSystem->Item(RadioGroupSystem->ItemIndex())->setFocus();
}

double& TMainForm::SettingOf(const QLineEdit* edit) {
    return edit == EditLambda ? Settings.wavelength : Settings.beam2Theta;
}

bool TMainForm::ReadSetting(QLineEdit* edit, double& setting, Tell tell) {
    const QString text = edit->text();
    if (ParseSetting(text, setting)) {
        edit->setStyleSheet({});
        edit->setToolTip(edit->property("plainToolTip").toString());
        toldText_.remove(edit);
        return true;
    }
    const QString message = InvalidSettingMessage(text);
    edit->setStyleSheet(QStringLiteral("QLineEdit { border: 2px solid #d00000; }"));
    edit->setToolTip(message);
    const auto told = toldText_.constFind(edit);
    const bool toldAlready = told != toldText_.cend() && *told == text;
    if (tell == Tell::Always || (tell == Tell::OncePerText && !toldAlready)) {
        toldText_.insert(edit, text);
        platform_.ShowError(this, message);
    }
    return false;
}

bool TMainForm::ReadEnabledSettings() {
    for (QLineEdit* edit : {EditLambda, EditBeam2theta}) {
        if (edit->isEnabled() && !ReadSetting(edit, SettingOf(edit), Tell::Always)) {
            edit->setFocus();
            return false;
        }
    }
    return true;
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut && (watched == EditLambda || watched == EditBeam2theta)) {
        // A message box or another window taking the focus is no end of typing.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            auto* edit = static_cast<QLineEdit*>(watched);
            ReadSetting(edit, SettingOf(edit), Tell::OncePerText);
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TMainForm::EnableSettingBoxes() {
    // Energy data use the wavelength too: it sets the weights of the energies.
    EditLambda->setEnabled(RadioButton2theta->isChecked() || RadioButtonEnergies->isChecked());
    EditBeam2theta->setEnabled(RadioButtonEnergies->isChecked());
}

void TMainForm::RadioButtonDspaceClick() {
    EnableSettingBoxes();
    Settings.data = Quantity::D;
}

void TMainForm::RadioButton2thetaClick() {
    EnableSettingBoxes();
    Settings.data = Quantity::TwoTheta;
    ReadSetting(EditLambda, Settings.wavelength, Tell::Never);
}

void TMainForm::RadioButtonEnergiesClick() {
    EnableSettingBoxes();
    Settings.data = Quantity::Energy;
    ReadSetting(EditBeam2theta, Settings.beam2Theta, Tell::Never);
    ReadSetting(EditLambda, Settings.wavelength, Tell::Never);
}

// Typing only marks the box: a message box would swallow the next keystrokes.
void TMainForm::EditLambdaChange() { ReadSetting(EditLambda, Settings.wavelength, Tell::Never); }

void TMainForm::EditBeam2thetaChange() {
    ReadSetting(EditBeam2theta, Settings.beam2Theta, Tell::Never);
}

void TMainForm::RadioGroupSystemClick() { Settings.system = CrystalSystem(RadioGroupSystem->ItemIndex() + 1); }

void TMainForm::RadioGroupMinClick() {
    static constexpr Quantity buttons[] = {Quantity::D, Quantity::TwoTheta, Quantity::Energy, Quantity::Q};
    const int item = RadioGroupMin->ItemIndex();
    if (item >= 0 && item < 4) Settings.minimised = buttons[item];
}

void TMainForm::CheckBoxDiagsClick() { Settings.fullDiagnostics = !CheckBoxDiags->isChecked(); }

void TMainForm::CheckBoxZeroShiftClick() { Settings.zeroShift = CheckBoxZeroShift->isChecked(); }

void TMainForm::ButtonRunClick() {
    if (!ReadEnabledSettings()) return;
    // The close check may ask to save edits; its Cancel cancels the run, which would
    // replace them.
    if (textWForm_ && textWForm_->isVisible() && !textWForm_->close()) return;

    // Read again here: a header line of an earlier run may have changed them.
    Settings.zeroShift = CheckBoxZeroShift->isChecked();
    Settings.fullDiagnostics = !CheckBoxDiags->isChecked();

    ButtonExit->setEnabled(false);
    ButtonRun->setEnabled(false);
    if (platform_.GetOpenFileName(this, OpenDialog1) && !OpenDialog1.FileName.isEmpty()) {
        exclude_ = {};
        RunAndShow();
    }
    ButtonExit->setEnabled(true);
    ButtonRun->setEnabled(true);
}

void TMainForm::RunAndShow() {
    const RefinementSettings before = WindowSettingsOf(Settings);
    lastRun_.reset();
    try {
        RunChosenFile();
    } catch (const FileError& e) {
        platform_.ShowError(this, e.Message);
    } catch (const std::exception& e) {
        platform_.ShowError(this, QString::fromLocal8Bit(e.what()));
    }
    ActionLeaveOut->setEnabled(lastRun_.has_value());
    // Also after a failure: the header line may have been read before it.
    ShowSettingsInForce(before);
}

void TMainForm::ActionLeaveOutClick() {
    if (!lastRun_ || !ButtonRun->isEnabled()) return;
    TLeaveOutDialog dialog(*lastRun_, this);
    if (dialog.exec() != QDialog::Accepted) return;
    // The report window's edits are asked about first; Cancel there cancels the run.
    if (textWForm_ && textWForm_->isVisible() && !textWForm_->close()) return;
    exclude_ = dialog.Chosen();
    ButtonExit->setEnabled(false);
    ButtonRun->setEnabled(false);
    RunAndShow();
    ButtonExit->setEnabled(true);
    ButtonRun->setEnabled(true);
}

void TMainForm::RunChosenFile() {
    headerRead_ = false;
    // A peak list is indexed from a trial cell first (docs/indexing.md).
    if (IsPeakList(OpenDialog1.FileName)) {
        if (std::optional<IndexedRun> run = IndexPeakList(this, Settings, OpenDialog1.FileName, indexValues_))
            ShowRunReport(run->reportPath, run->indexing.reply.results, {}, {}, &run->indexing);
        return;
    }
    // The core takes paths in the local 8-bit encoding, as the C++ streams do. One run
    // at a click needs no speed; the extended path gives the reference values that the
    // plots' tooltips print beside the report.
    RunRequest request =
        FileRequest(Settings, QFile::encodeName(OpenDialog1.FileName).toStdString(), Precision::Extended);
    request.exclude = exclude_;
    // The report is written here, after the run: a folder that refuses it then costs
    // the user no result, which is shown unsaved instead.
    request.report = ReportTarget::Memory;
    const QString reportPath = QFile::decodeName(QByteArray::fromStdString(request.reportPath));
    if (SameExistingFile(OpenDialog1.FileName, reportPath)) {
        const QString name = QFileInfo(reportPath).fileName();
        throw FileError(
            QStringLiteral("%1 was not run: its report would be written to %1 and replace it.\n"
                           "Reports always get the extension .out. Rename the data file, "
                           "for example to %2, and run it again.")
                .arg(name, QFileInfo(reportPath).completeBaseName() + QStringLiteral(".dat")));
    }
    std::string reportBytes;
    const Results results = [&] {
        try {
            RunReply reply = RunRefinement(request);
            Settings = reply.settingsInForce;
            headerRead_ = reply.results.headerLine;
            if (!reply.results.halted) lastRun_ = reply.results;
            reportBytes = std::move(reply.report);
            return std::move(reply.results);
        } catch (const RunError& e) {
            // The settings a header line or a fall-back set before the failure stay,
            // but for a crystal system no button stands for: the next file without a
            // header would fail on it, and the window could not show it.
            if (e.settingsInForce) {
                const CrystalSystem kept = Settings.system;
                Settings = *e.settingsInForce;
                if (int(Settings.system) < 1 || int(Settings.system) > 6) Settings.system = kept;
            }
            headerRead_ = e.headerLine;
            // Often the reason for the failure, so shown beside its message.
            ShowHeaderWarnings(e.headerWarnings);
            throw;
        }
    }();
    QString writeError;
    try {
        ReportFile file;
        file.Create(request.reportPath);
        file.WriteBytes(reportBytes);
        file.Commit();
    } catch (const std::exception& e) {
        writeError = QString::fromLocal8Bit(e.what());
    }

    ShowRunReport(reportPath, results, reportBytes, writeError);
}

void TMainForm::ShowRunReport(const QString& reportPath, const Results& results,
                               const std::string& reportBytes, const QString& writeError,
                               const indexing::Indexing* indexing) {
    ButtonExit->setEnabled(true);
    ButtonExit->setDefault(true);  // from now on Enter means Exit
    ButtonRun->setEnabled(true);
    ButtonRun->setDefault(false);

    if (!textWForm_) {
        if (!writeError.isEmpty()) throw FileError(writeError);
        ShowHeaderWarnings(results.headerWarnings);
        return;
    }
    if (writeError.isEmpty()) {
        textWForm_->setWindowTitle(reportPath);
        textWForm_->SetCurrentFile(reportPath);
        textWForm_->LoadFromFile(reportPath);
    } else {
        textWForm_->ShowUnsavedReport(QByteArray::fromStdString(reportBytes), reportPath);
    }
    textWForm_->FitWidthToText();
    reportShown_ = true;
    ButtonReport->setEnabled(true);
    // Shown, not activated: the main window keeps the keyboard, where Enter now exits.
    textWForm_->show();
    textWForm_->ShowResults(results, QFileInfo(OpenDialog1.FileName).fileName());
    textWForm_->ShowAssignment(indexing);
    textWForm_->raise();
    ShowHeaderWarnings(results.headerWarnings);
    if (!writeError.isEmpty())
        platform_.ShowError(this, tr("%1\nThe report is shown unsaved: save it elsewhere with File > Save As.")
                                      .arg(writeError));
}

void TMainForm::ShowHeaderWarnings(const std::vector<HeaderWarning>& warnings) {
    if (!headerWarnings_) {
        if (warnings.empty()) return;
        headerWarnings_ = new THeaderWarningsView(this);
    }
    headerWarnings_->ShowWarnings(QFileInfo(OpenDialog1.FileName).fileName(), warnings, textWForm_);
}

void TMainForm::ShowSettingsInForce(const RefinementSettings& before) {
    const RefinementSettings now = WindowSettingsOf(Settings);
    ShowSettings(now);
    const QString name = QFileInfo(OpenDialog1.FileName).fileName();
    QString text;
    if (headerRead_) text = QStringLiteral("settings from the header of %1").arg(name);
    // Without a header a run can still lower the crystal system, or let the zero
    // shift choose the minimised quantity; later runs keep that too.
    else if (now != before) text = QStringLiteral("settings changed by the run of %1").arg(name);
    LabelSettings->setToolTip(text);
    LabelSettings->setText(text);
    LabelSettings->setVisible(!text.isEmpty());
    LabelCredit->setVisible(text.isEmpty());
}

void TMainForm::ShowSettings(const RefinementSettings& shown) {
    RadioGroupSystem->SetItemIndex(int(shown.system) - 1);
    RadioGroupMin->SetItemIndex(MinimiseButtonIndex(shown.minimised));
    QRadioButton* const dataButtons[] = {RadioButtonDspace, RadioButton2theta, RadioButtonEnergies};
    dataButtons[DataButtonIndex(shown.data)]->setChecked(true);
    EnableSettingBoxes();
    ShowNumber(EditLambda, shown.wavelength);
    ShowNumber(EditBeam2theta, shown.beam2Theta);
}

// The box keeps its text while that already reads as the value ("1.540593" stays).
void TMainForm::ShowNumber(QLineEdit* edit, double value) {
    double shown = 0;
    if (ParseSetting(edit->text(), shown) && shown == value) return;
    edit->setText(QLocale().toString(value, 'f', QLocale::FloatingPointShortest));
}

void TMainForm::ActionShowReportClick() {
    if (!textWForm_ || !reportShown_) return;
    textWForm_->show();
    textWForm_->raise();
    textWForm_->activateWindow();
}

void TMainForm::ButtonExitClick() { close(); }

void TMainForm::reject() {
    if (ButtonExit->isEnabled()) ButtonExit->click();
}

// Closing the main window ends the program; QDialog would route it through reject().
void TMainForm::closeEvent(QCloseEvent* event) {
    if (textWForm_ && textWForm_->isVisible() && !textWForm_->close()) {
        event->ignore();
        return;
    }
    event->accept();
}

}  // namespace zantrel
