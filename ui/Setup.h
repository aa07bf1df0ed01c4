#pragma once
// TMainForm: the main window, which holds the job's settings and runs a data file.

#include <QDialog>
#include <QHash>

#include <optional>

#include "run/Run.h"
#include "ui/IndexDialog.h"
#include "ui/Platform.h"
#include "ui/WindowSettings.h"

class QAction;
class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace zantrel {

class THeaderWarningsView;
class TRadioGroup;
class TTextWForm;

class TMainForm : public QDialog {
    Q_OBJECT
public:
    // Shows itself, then puts the job's defaults in place.
    explicit TMainForm(Platform& platform, QWidget* parent = nullptr);

    // The window that shows each report; none means reports are only written.
    void SetTextWindow(TTextWForm* textWForm) { textWForm_ = textWForm; }

    // Every control writes its setting here the moment it is used; a run leaves the
    // settings it ended with (a header line's, a lower crystal system) for the next.
    RefinementSettings Settings;
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
    // Where the settings in force came from, when a run changed them.
    QLabel* LabelSettings;
    // Ctrl+R: the text window again, with the last report or what was made of it.
    QAction* ActionShowReport;
    QPushButton* ButtonReport;  // the same, on the window

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
    void ActionShowReportClick();
    // Ctrl+L (also on the window's context menu): the last run's reflections to untick,
    // and the same file run again without them.
    QAction* ActionLeaveOut;
    void ActionLeaveOutClick();

protected:
    // Esc: the Exit button, as long as it is enabled (not during a run).
    void reject() override;
    // The text window's close check first: Cancel there keeps both windows open.
    void closeEvent(QCloseEvent* event) override;
    // A number box that loses the focus with text that is no number says so.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateControls();
    void SetTabOrder();
    void ConnectHandlers();
    // Steps of a run between the disabling and the enabling of the buttons.
    void RunChosenFile();
    // The report of a run in the text window, and the buttons as after a run.
    // reportBytes and writeError: a report that could not be written is shown unsaved.
    // An indexing run's assignment is shown below its report.
    void ShowRunReport(const QString& reportPath, const Results& results,
                       const std::string& reportBytes = {}, const QString& writeError = {},
                       const indexing::Indexing* indexing = nullptr);
    // After a run: the controls show what the job now holds, and the label says why.
    void ShowSettingsInForce(const RefinementSettings& before);
    // The controls only: the radio buttons are set without their click handlers.
    void ShowSettings(const RefinementSettings& shown);

    // When to show the conversion error of a number box's text.
    enum class Tell { Never, OncePerText, Always };
    // The box's text into setting; text that is no number leaves setting alone and
    // marks the box (red frame, the error as tooltip) until it holds a number again.
    bool ReadSetting(QLineEdit* edit, double& setting, Tell tell);
    double& SettingOf(const QLineEdit* edit);
    // The enabled boxes, read before a run; false (error shown) when one holds no number.
    bool ReadEnabledSettings();
    void EnableSettingBoxes();
    void ShowNumber(QLineEdit* edit, double value);

    Platform& platform_;
    TTextWForm* textWForm_ = nullptr;
    bool reportShown_ = false;
    QHash<const QLineEdit*, QString> toldText_;  // the bad text whose error was shown last
    bool headerRead_ = false;  // the last run's data file had a header line
    // The chosen file's rows left out, and its last results for the dialog; a file
    // chosen with Run starts with none left out.
    Exclusions exclude_;
    std::optional<Results> lastRun_;
    IndexDialogValues indexValues_;  // the index dialog's last values, for the next peak list
    // A run of the chosen file, its failure shown, the settings label updated.
    void RunAndShow();
    // The last run's header warnings, beside the report; made at the first run.
    THeaderWarningsView* headerWarnings_ = nullptr;
    void ShowHeaderWarnings(const std::vector<HeaderWarning>& warnings);
};

}  // namespace zantrel
