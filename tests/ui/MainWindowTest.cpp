// The main window: each control writes the job, and the Run sequence end to end.

#include <memory>

#include <QCheckBox>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

#include "tests/ui/FakePlatform.h"
#include "tests/ui/UiTests.h"
#include "ui/RadioGroup.h"
#include "ui/Setup.h"
#include "ui/Textw.h"

namespace zantrel {

namespace {

// Silicon, a = 5.4309 Å, measured at 1.540593 Å (Cu Kα1): hkl and 2θ in degrees.
constexpr const char* SiliconReflections =
    "1 1 1 28.443\r\n2 2 0 47.303\r\n3 1 1 56.123\r\n"
    "4 0 0 69.131\r\n3 3 1 76.377\r\n4 2 2 88.032\r\n";

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<FakePlatform> platform;
    std::unique_ptr<TMainForm> form;
    std::unique_ptr<TTextWForm> textForm;

    // A cubic silicon file whose header line sets its own settings.
    QString WriteSilicon(const QString& name) {
        const QString path = dir->filePath(name);
        WriteBytes(path, QByteArray("Silicon, Cu K-alpha1*\r\n1 tt 1.540593 tt n\r\n") +
                             SiliconReflections);
        return path;
    }
    QString ReportText() const { return textForm->Memo1->toPlainText(); }

private slots:
    void init() {
        dir = std::make_unique<QTemporaryDir>();
        platform = std::make_unique<FakePlatform>();
        form = std::make_unique<TMainForm>(*platform);
        textForm = std::make_unique<TTextWForm>(*platform);
        form->SetTextWindow(textForm.get());
    }
    void cleanup() {
        form.reset();
        textForm.reset();
        platform.reset();
        dir.reset();
        QLocale::setDefault(QLocale::system());
    }

    void startStateMatchesTheJobDefaults() {
        QVERIFY(form->isVisible());
        QCOMPARE(form->windowTitle(), QStringLiteral("Zantrel"));
        QCOMPARE(form->size(), QSize(470, 277));
        QCOMPARE(form->minimumSize(), form->maximumSize());
        RefinementJob defaults;
        SetJobDefaults(defaults);
        QCOMPARE(form->Job.CrystalSystem, defaults.CrystalSystem);
        QCOMPARE(form->RadioGroupSystem->ItemIndex() + 1, defaults.CrystalSystem);
        QCOMPARE(form->RadioGroupMin->ItemIndex(), 1);  // 2 theta
        QVERIFY(defaults.MinimiseOn2Theta && defaults.DataIs2Theta);
        QVERIFY(form->RadioButton2theta->isChecked());
        QCOMPARE(QLocale().toDouble(form->EditLambda->text()), defaults.Wavelength);
        QCOMPARE(QLocale().toDouble(form->EditBeam2theta->text()), defaults.Beam2Theta);
        QVERIFY(form->EditLambda->isEnabled());
        QVERIFY(!form->EditBeam2theta->isEnabled());
        QCOMPARE(form->CheckBoxDiags->isChecked(), !defaults.FullDiagnostics);
        QCOMPARE(form->CheckBoxZeroShift->isChecked(), defaults.RefineZeroShift);
        QVERIFY(form->ButtonRun->isDefault());
        QVERIFY(!form->ButtonExit->isDefault());
        QVERIFY(platform->Messages.isEmpty());
    }

    void dataKindButtonsSwitchTheEditsAndReadThem() {
        form->Job.Beam2Theta = 99.0;  // the box still says 10.000
        form->RadioButtonEnergies->click();
        QVERIFY(form->Job.DataIsEnergy && !form->Job.DataIs2Theta);
        QCOMPARE(form->Job.Beam2Theta, 10.0);  // taken at once, never edited
        QVERIFY(form->EditBeam2theta->isEnabled() && !form->EditLambda->isEnabled());

        form->Job.Wavelength = 2.0;
        form->RadioButtonDspace->click();
        QVERIFY(!form->Job.DataIsEnergy && !form->Job.DataIs2Theta);
        QVERIFY(!form->EditBeam2theta->isEnabled() && !form->EditLambda->isEnabled());
        QCOMPARE(form->Job.Wavelength, 2.0);  // d spacings keep both settings
        QCOMPARE(form->Job.Beam2Theta, 10.0);

        form->RadioButton2theta->click();
        QVERIFY(form->Job.DataIs2Theta && !form->Job.DataIsEnergy);
        QCOMPARE(form->Job.Wavelength, 1.540593);
        QVERIFY(form->EditLambda->isEnabled() && !form->EditBeam2theta->isEnabled());
    }

    void editsConvertInTheUserLocale() {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        form->EditLambda->setText("1,78897");
        QCOMPARE(form->Job.Wavelength, 1.78897);
        form->EditBeam2theta->setText("12,5");
        QCOMPARE(form->Job.Beam2Theta, 12.5);
        QVERIFY(platform->Messages.isEmpty());
    }

    // Each keystroke that leaves no number shows the error; the last number stays.
    void badNumbersShowTheErrorAndKeepTheLastValue() {
        form->EditLambda->setText("0.7093");
        form->EditLambda->clear();
        form->EditLambda->setText("-");
        form->EditLambda->setText("abc");
        QCOMPARE(form->Job.Wavelength, 0.7093);
        QCOMPARE(platform->Messages,
                 (QStringList{"'' is not a valid floating point value",
                              "'-' is not a valid floating point value",
                              "'abc' is not a valid floating point value"}));
        form->RadioButton2theta->click();  // reads the box again: same error
        QCOMPARE(platform->Messages.size(), 4);
        QCOMPARE(form->Job.Wavelength, 0.7093);
    }

    void radioGroupsSetSystemAndMinimisedQuantity() {
        for (int i = 0; i < 6; ++i) {
            form->RadioGroupSystem->Item(i)->click();
            QCOMPARE(form->Job.CrystalSystem, i + 1);
        }
        struct Expected { bool d, twoTheta, energy; };
        const Expected flags[4] = {{true, false, false}, {false, true, false},
                                   {false, false, true}, {false, false, false}};  // Q: none
        for (int i = 0; i < 4; ++i) {
            form->RadioGroupMin->Item(i)->click();
            QCOMPARE(form->Job.MinimiseOnD, flags[i].d);
            QCOMPARE(form->Job.MinimiseOn2Theta, flags[i].twoTheta);
            QCOMPARE(form->Job.MinimiseOnEnergy, flags[i].energy);
        }
    }

    void checkBoxesSetDiagnosticsAndZeroShift() {
        form->CheckBoxDiags->click();
        QVERIFY(form->Job.FullDiagnostics);  // "Brief" unchecked: full diagnostics
        form->CheckBoxDiags->click();
        QVERIFY(!form->Job.FullDiagnostics);
        form->CheckBoxZeroShift->click();
        QVERIFY(form->Job.RefineZeroShift && form->Job.ZeroShiftRequested);
        form->CheckBoxZeroShift->click();
        QVERIFY(!form->Job.RefineZeroShift && !form->Job.ZeroShiftRequested);
    }

    void runShowsTheReportOfTheChosenFile() {
        const QString data = WriteSilicon("si.dat");
        const QString report = dir->filePath("si.out");
        platform->OpenAnswers << data;
        bool buttonsDisabledDuringDialog = false;
        platform->WhileOpenDialogShows = [&] {
            buttonsDisabledDuringDialog =
                !form->ButtonRun->isEnabled() && !form->ButtonExit->isEnabled();
        };
        form->ButtonRun->click();

        QVERIFY(buttonsDisabledDuringDialog);
        QCOMPARE(platform->OpenDialogs.first().Title,
                 QStringLiteral("Choose file to run with Zantrel"));
        QCOMPARE(platform->OpenDialogs.first().Filter,
                 QStringLiteral("Data Files (*.dat)|*.dat|Text Files (*.txt)|*.txt"));
        QVERIFY2(platform->Messages.isEmpty(), qPrintable(platform->Messages.join('\n')));
        QVERIFY(QFile::exists(report));
        QVERIFY(textForm->isVisible());
        QCOMPARE(textForm->windowTitle(), report);
        QCOMPARE(textForm->CurrentFile(), report);
        QVERIFY(ReportText().startsWith(
            QStringLiteral("Output from program Zantrel -  method of Vorhest & Quillane 1995\n")));
        // The report is Windows-1252; its wavelength line carries the Å.
        QVERIFY(ReportText().contains(QString::fromUtf8("1.540593 Å")));
        QVERIFY(!textForm->Memo1->document()->isModified());
        QVERIFY(form->ButtonRun->isEnabled() && form->ButtonExit->isEnabled());
        QVERIFY(form->ButtonExit->isDefault());
        QVERIFY(!form->ButtonRun->isDefault());
    }

    // The boxes are read again at Run, over what an earlier header line set.
    void cancelledDialogReadsTheBoxesAndChangesNothingElse() {
        form->Job.ZeroShiftRequested = form->Job.RefineZeroShift = true;
        form->Job.FullDiagnostics = true;
        platform->OpenAnswers << QString() << QStringLiteral("");  // cancel; empty name
        for (int run = 0; run < 2; ++run) {
            form->ButtonRun->click();
            QVERIFY(!form->Job.ZeroShiftRequested && !form->Job.RefineZeroShift);
            QVERIFY(!form->Job.FullDiagnostics);
            QVERIFY(form->ButtonRun->isEnabled() && form->ButtonExit->isEnabled());
            QVERIFY(form->ButtonRun->isDefault());
            QVERIFY(!textForm->isVisible());
        }
        QVERIFY(platform->Messages.isEmpty());
    }

    void failedRunShowsTheMessageAndLoadsNoReport() {
        platform->OpenAnswers << dir->filePath("missing.dat");
        form->ButtonRun->click();
        QCOMPARE(platform->Messages.size(), 1);
        QCOMPARE(platform->Messages.first().section('\n', 0, 0), QStringLiteral("File not found"));
        QVERIFY(form->ButtonRun->isEnabled() && form->ButtonExit->isEnabled());
        QVERIFY(form->ButtonRun->isDefault());
        QVERIFY(!textForm->isVisible());
        QCOMPARE(textForm->windowTitle(), QStringLiteral("Zantrel - Untitled"));
        QVERIFY(ReportText().isEmpty());
    }

    void enterRunsFirstAndExitsAfterARun() {
        QTest::keyClick(form.get(), Qt::Key_Return);
        QCOMPARE(platform->OpenDialogs.size(), 1);  // Run, cancelled
        QVERIFY(form->isVisible());

        platform->OpenAnswers << WriteSilicon("si.dat");
        form->ButtonRun->click();
        QTest::keyClick(form.get(), Qt::Key_Return);
        QCOMPARE(platform->OpenDialogs.size(), 2);
        QVERIFY(!form->isVisible());  // Exit closed the window
    }

    void escapeAlwaysExits() {
        QTest::keyClick(form.get(), Qt::Key_Escape);
        QVERIFY(!form->isVisible());
        QVERIFY(platform->OpenDialogs.isEmpty());
    }

    // Cancel keeps the text window open, but the run goes on and replaces the text.
    void runGoesOnWhenTheCloseCheckIsCancelled() {
        platform->OpenAnswers << WriteSilicon("first.dat") << WriteSilicon("second.dat");
        form->ButtonRun->click();
        textForm->Memo1->moveCursor(QTextCursor::End);
        QTest::keyClicks(textForm->Memo1, "my notes");
        platform->Answers << Answer::Cancel;
        form->ButtonRun->click();

        QCOMPARE(platform->Questions.size(), 1);
        QVERIFY(platform->Questions.first().contains(dir->filePath("first.out")));
        QCOMPARE(textForm->windowTitle(), dir->filePath("second.out"));
        QVERIFY(!ReportText().contains("my notes"));
        QVERIFY(!textForm->Memo1->document()->isModified());
        QVERIFY(textForm->isVisible());
        QVERIFY(!ReadBytes(dir->filePath("first.out")).contains("my notes"));
    }

    void closeCheckYesDuringRunSavesTheEditedReport() {
        platform->OpenAnswers << WriteSilicon("first.dat") << QString();
        form->ButtonRun->click();
        textForm->Memo1->moveCursor(QTextCursor::End);
        QTest::keyClicks(textForm->Memo1, "checked");
        platform->Answers << Answer::Yes;
        form->ButtonRun->click();
        QVERIFY(!textForm->isVisible());
        QVERIFY(ReadBytes(dir->filePath("first.out")).endsWith("checked\r\n"));
    }
};

int RunMainWindowTests(int argc, char** argv) {
    MainWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

}  // namespace zantrel

#include "MainWindowTest.moc"
