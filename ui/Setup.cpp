#include "ui/Setup.h"

#include <cmath>

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>

#include "ui/ProgramIcon.h"
#include "ui/RadioGroup.h"
#include "ui/Textw.h"

namespace zantrel {

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
}

void TMainForm::FormCreate() {
    show();
    SetJobDefaults(Job);
}

void TMainForm::ReadSetting(const QLineEdit* edit, double& setting) {
    bool ok = false;
    const double value = QLocale().toDouble(edit->text(), &ok);
    // Infinity and NaN parse, but no run could use them.
    if (!ok || !std::isfinite(value)) {
        platform_.ShowMessage(
            this, QStringLiteral("'%1' is not a valid floating point value").arg(edit->text()));
        return;
    }
    setting = value;
}

void TMainForm::RadioButtonDspaceClick() {
    EditLambda->setEnabled(false);
    EditBeam2theta->setEnabled(false);
    Job.DataIs2Theta = false;
    Job.DataIsEnergy = false;
}

void TMainForm::RadioButton2thetaClick() {
    EditLambda->setEnabled(true);
    EditBeam2theta->setEnabled(false);
    Job.DataIs2Theta = true;
    Job.DataIsEnergy = false;
    ReadSetting(EditLambda, Job.Wavelength);
}

void TMainForm::RadioButtonEnergiesClick() {
    EditBeam2theta->setEnabled(true);
    EditLambda->setEnabled(false);
    Job.DataIsEnergy = true;
    Job.DataIs2Theta = false;
    ReadSetting(EditBeam2theta, Job.Beam2Theta);
}

void TMainForm::EditLambdaChange() { ReadSetting(EditLambda, Job.Wavelength); }

void TMainForm::EditBeam2thetaChange() { ReadSetting(EditBeam2theta, Job.Beam2Theta); }

void TMainForm::RadioGroupSystemClick() { Job.CrystalSystem = RadioGroupSystem->ItemIndex() + 1; }

void TMainForm::RadioGroupMinClick() {
    const int item = RadioGroupMin->ItemIndex() + 1;  // 4, Q = 1/d², clears all three
    Job.MinimiseOnD = item == 1;
    Job.MinimiseOn2Theta = item == 2;
    Job.MinimiseOnEnergy = item == 3;
}

void TMainForm::CheckBoxDiagsClick() { Job.FullDiagnostics = !CheckBoxDiags->isChecked(); }

void TMainForm::CheckBoxZeroShiftClick() {
    Job.RefineZeroShift = CheckBoxZeroShift->isChecked();
    Job.ZeroShiftRequested = CheckBoxZeroShift->isChecked();
}

void TMainForm::ButtonRunClick() {
    // The close check may ask to save edits; whatever the answer, the run goes on.
    if (textWForm_ && textWForm_->isVisible()) textWForm_->close();

    // Read again here: a header line of an earlier run may have changed them.
    Job.RefineZeroShift = CheckBoxZeroShift->isChecked();
    Job.ZeroShiftRequested = CheckBoxZeroShift->isChecked();
    Job.FullDiagnostics = !CheckBoxDiags->isChecked();

    ButtonExit->setEnabled(false);
    ButtonRun->setEnabled(false);
    try {
        RunChosenFile();
    } catch (const FileError& e) {
        platform_.ShowMessage(this, e.Message);
    } catch (const std::exception& e) {
        platform_.ShowMessage(this, QString::fromLocal8Bit(e.what()));
    }
    ButtonExit->setEnabled(true);
    ButtonRun->setEnabled(true);
}

void TMainForm::RunChosenFile() {
    if (!platform_.GetOpenFileName(this, OpenDialog1) || OpenDialog1.FileName.isEmpty()) return;

    // The core takes paths in the local 8-bit encoding, as the C++ streams do.
    Job.InputFileName = QFile::encodeName(OpenDialog1.FileName).toStdString();
    Job.OutputFileName = ReportPathFor(Job.InputFileName);
    const Results results = RunRefinement(Job);

    ButtonExit->setEnabled(true);
    ButtonExit->setDefault(true);  // from now on Enter means Exit
    ButtonRun->setEnabled(true);
    ButtonRun->setDefault(false);

    if (!textWForm_) return;
    const QString reportPath = QFile::decodeName(QByteArray::fromStdString(Job.OutputFileName));
    textWForm_->setWindowTitle(reportPath);
    textWForm_->SetCurrentFile(reportPath);
    textWForm_->LoadFromFile(reportPath);
    textWForm_->show();
    textWForm_->ShowResults(results);
    textWForm_->raise();
}

void TMainForm::ButtonExitClick() { close(); }

void TMainForm::reject() {
    if (ButtonExit->isEnabled()) ButtonExit->click();
}

// Closing the main window ends the program; QDialog would route it through reject().
void TMainForm::closeEvent(QCloseEvent* event) { event->accept(); }

}  // namespace zantrel
