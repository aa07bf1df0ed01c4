#pragma once
// TMainForm: the main window, which holds the job's settings and runs a data file.

#include <QDialog>

#include "cell/Cell.h"
#include "ui/Platform.h"

class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace zantrel {

class TRadioGroup;
class TTextWForm;

class TMainForm : public QDialog {
    Q_OBJECT
public:
    // Shows itself, then puts the job's defaults in place.
    explicit TMainForm(Platform& platform, QWidget* parent = nullptr);

    // The window that shows each report; none means reports are only written.
    void SetTextWindow(TTextWForm* textWForm) { textWForm_ = textWForm; }

    // Every control writes its setting here the moment it is used.
    RefinementJob Job;
    FileDialog OpenDialog1;

    QCheckBox* CheckBoxZeroShift;
    QCheckBox* CheckBoxDiags;
    QFrame* PanelTitle;
    QLabel* ImageIcon;
    QLabel* LabelTitle;
    QGroupBox* GroupBoxInputData;
    QRadioButton* RadioButtonDspace;
    QRadioButton* RadioButton2theta;
    QLabel* LabelLambda;
    QLineEdit* EditLambda;
    QRadioButton* RadioButtonEnergies;
    QLabel* LabelBeam2theta;
    QLineEdit* EditBeam2theta;
    TRadioGroup* RadioGroupSystem;
    TRadioGroup* RadioGroupMin;
    QPushButton* ButtonRun;
    QPushButton* ButtonExit;
    QFrame* PanelCredit;
    QLabel* LabelCredit;

    void FormCreate();
    void RadioButtonDspaceClick();
    void RadioButton2thetaClick();
    void RadioButtonEnergiesClick();
    void EditLambdaChange();
    void EditBeam2thetaChange();
    void RadioGroupSystemClick();
    void RadioGroupMinClick();
    void CheckBoxDiagsClick();
    void CheckBoxZeroShiftClick();
    void ButtonRunClick();
    void ButtonExitClick();

protected:
    // Esc: the Exit button, as long as it is enabled (not during a run).
    void reject() override;
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateControls();
    void SetTabOrder();
    void ConnectHandlers();
    // Steps of a run between the disabling and the enabling of the buttons.
    void RunChosenFile();
    // The edit's whole text as a number in the user's locale; on failure the
    // conversion error is shown and setting keeps its value.
    void ReadSetting(const QLineEdit* edit, double& setting);

    Platform& platform_;
    TTextWForm* textWForm_ = nullptr;
};

}  // namespace zantrel
