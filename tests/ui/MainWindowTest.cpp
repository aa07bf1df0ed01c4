// The main window: each control writes the settings, and the Run sequence end to end.

#include <algorithm>
#include <cmath>
#include <memory>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QDir>
#include <QTemporaryDir>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include "indexing/Lines.h"
#include "tests/ui/FakePlatform.h"
#include "tests/ui/UiTests.h"
#include "ui/AssignmentView.h"
#include "ui/LeaveOutDialog.h"
#include "ui/RadioGroup.h"
#include "ui/HeaderWarningsView.h"
#include "ui/Setup.h"
#include "ui/Textw.h"

namespace zantrel {

namespace {

// Silicon, a = 5.4309 Å, measured at 1.540593 Å (Cu Kα1): hkl and 2θ in degrees.
constexpr const char* SiliconReflections =
    "1 1 1 28.443\r\n2 2 0 47.303\r\n3 1 1 56.123\r\n"
    "4 0 0 69.131\r\n3 3 1 76.377\r\n4 2 2 88.032\r\n";

// A peak list of the same silicon, its lines to d = 0.85 Å and one peak no line explains.
QByteArray SiliconPeakList(int& peaks) {
    const indexing::Conversion c{Quantity::TwoTheta, 1.540593, 10};
    QByteArray out = "# wavelength = 1.540593\n", last;
    for (const indexing::Reflection& r : indexing::AllowedReflections({5.4309, 5.4309, 5.4309, 90, 90, 90}, "F d -3 m", 0.85)) {
        const QByteArray line = QByteArray::number(*c.PositionOf(r.d), 'f', 3) + " 100\n";
        if (line != last) out += line;  // 3 3 3 and 5 1 1 are one peak
        last = line;
    }
    peaks = int(out.count('\n'));  // the lines less the comment, and the stray peak
    return out + "33.100 20\n";
}

// Answers the index dialog once it shows: cancels it, or fills in what is given (leaving
// a null text as shown) and confirms; shown gets the cell and space group it offered.
void AnswerIndexDialog(bool confirm, const QString& cell = {}, const QString& group = {},
                       QStringList* shown = nullptr) {
    QTimer::singleShot(0, [=] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        QVERIFY(dialog);
        auto* cellBox = dialog->findChild<QLineEdit*>(QStringLiteral("cell"));
        auto* groupBox = dialog->findChild<QLineEdit*>(QStringLiteral("spaceGroup"));
        QVERIFY(cellBox && groupBox);
        if (shown) *shown = QStringList{cellBox->text(), groupBox->text()};
        if (!cell.isNull()) cellBox->setText(cell);
        if (!group.isNull()) groupBox->setText(group);
        confirm ? dialog->accept() : dialog->reject();
    });
}

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
    // Focus events and window shortcuts reach only the active window.
    void Activate(QWidget* window) {
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window));
    }
    void Tab(Qt::Key key = Qt::Key_Tab) { QTest::keyClick(QApplication::focusWidget(), key); }

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

    void startStateMatchesTheDefaultSettings() {
        QVERIFY(form->isVisible());
        QCOMPARE(form->windowTitle(), QStringLiteral("Zantrel"));
        QCOMPARE(form->size(), QSize(470, 277));
        QCOMPARE(form->minimumSize(), form->maximumSize());
        const RefinementSettings defaults;
        QVERIFY(form->Settings == defaults);
        QCOMPARE(form->RadioGroupSystem->ItemIndex() + 1, int(defaults.system));
        QCOMPARE(form->RadioGroupMin->ItemIndex(), 1);  // 2 theta
        QVERIFY(defaults.minimised == Quantity::TwoTheta && defaults.data == Quantity::TwoTheta);
        QVERIFY(form->RadioButton2theta->isChecked());
        QCOMPARE(QLocale().toDouble(form->EditLambda->text()), defaults.wavelength);
        QCOMPARE(QLocale().toDouble(form->EditBeam2theta->text()), defaults.beam2Theta);
        QVERIFY(form->EditLambda->isEnabled());
        QVERIFY(!form->EditBeam2theta->isEnabled());
        QCOMPARE(form->CheckBoxDiags->isChecked(), !defaults.fullDiagnostics);
        QCOMPARE(form->CheckBoxZeroShift->isChecked(), defaults.zeroShift);
        QVERIFY(form->ButtonRun->isDefault());
        QVERIFY(!form->ButtonExit->isDefault());
        QVERIFY(platform->Messages.isEmpty());
    }

    void dataKindButtonsSwitchTheEditsAndReadThem() {
        form->Settings.beam2Theta = 99.0;  // the box still says 10.000
        form->RadioButtonEnergies->click();
        QVERIFY(form->Settings.data == Quantity::Energy);
        QCOMPARE(form->Settings.beam2Theta, 10.0);  // taken at once, never edited
        // The wavelength sets the energies' weights: it stays in view and editable.
        QVERIFY(form->EditBeam2theta->isEnabled() && form->EditLambda->isEnabled());
        QVERIFY(form->EditLambda->toolTip().contains(QStringLiteral("energies")));
        form->EditLambda->setText("0.5");
        QCOMPARE(form->Settings.wavelength, 0.5);
        form->EditLambda->setText("1.540593");

        form->Settings.wavelength = 2.0;
        form->RadioButtonDspace->click();
        QVERIFY(form->Settings.data == Quantity::D);
        QVERIFY(!form->EditBeam2theta->isEnabled() && !form->EditLambda->isEnabled());
        QCOMPARE(form->Settings.wavelength, 2.0);  // d spacings keep both settings
        QCOMPARE(form->Settings.beam2Theta, 10.0);

        form->RadioButton2theta->click();
        QVERIFY(form->Settings.data == Quantity::TwoTheta);
        QCOMPARE(form->Settings.wavelength, 1.540593);
        QVERIFY(form->EditLambda->isEnabled() && !form->EditBeam2theta->isEnabled());
    }

    void editsConvertInTheUserLocale() {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        form->EditLambda->setText("1,78897");
        QCOMPARE(form->Settings.wavelength, 1.78897);
        form->EditBeam2theta->setText("12,5");
        QCOMPARE(form->Settings.beam2Theta, 12.5);
        QVERIFY(platform->Messages.isEmpty());
    }

    // Typing is never interrupted: text that is no number marks the box and the last
    // number stays. The error shows when the box is left (once for the same text) and
    // at Run, which then asks for no file.
    void badNumbersAreMarkedWhileTypedAndReportedOnLeavingOrRun() {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        Activate(form.get());
        form->EditLambda->setFocus();
        form->EditLambda->clear();
        QTest::keyClicks(form->EditLambda, "1.5e-3");
        QCOMPARE(form->Settings.wavelength, 0.0015);
        QTest::keyClicks(form->EditLambda, "x");
        QCOMPARE(form->Settings.wavelength, 0.0015);
        QVERIFY(platform->Messages.isEmpty());
        const QString error = InvalidSettingMessage("1.5e-3x");
        QCOMPARE(form->EditLambda->toolTip(), error);
        QVERIFY(!form->EditLambda->styleSheet().isEmpty());

        Tab();
        QCOMPARE(platform->Errors, QStringList{error});
        form->EditLambda->setFocus();
        Tab();
        QCOMPARE(platform->Errors.size(), 1);  // told already
        form->ButtonRun->click();
        QCOMPARE(platform->Errors, (QStringList{error, error}));
        QVERIFY(platform->OpenDialogs.isEmpty());

        form->EditLambda->setText("0.7093");
        QCOMPARE(form->Settings.wavelength, 0.7093);
        QVERIFY(!form->EditLambda->toolTip().contains(error) && form->EditLambda->styleSheet().isEmpty());
    }

    // "1,540" would be read as 1540 Å: a cell a thousand times too large, without a word.
    void groupSeparatorsAreRefused() {
        for (const auto& [language, lambda] :
             {std::pair{QLocale::English, "1,540"}, std::pair{QLocale::German, "1.540"}}) {
            QLocale::setDefault(QLocale(language));
            form->EditLambda->setText(lambda);
            QCOMPARE(form->Settings.wavelength, 1.540593);
            form->ButtonRun->click();
            QCOMPARE(platform->Errors.last(), InvalidSettingMessage(lambda));
        }
        QVERIFY(platform->OpenDialogs.isEmpty());
    }

    // The platform's convention: Tab enters a set of radio buttons on its checked one.
    // Tab, Tab, Space from the start once turned Triclinic into Cubic.
    void tabStopsOnTheCheckedButtonOfEachRadioSet() {
        Activate(form.get());
        QCOMPARE(QApplication::focusWidget(), form->RadioGroupSystem->Item(5));  // first stop
        const QList<QWidget*> stops = {
            form->RadioGroupMin->Item(1), form->ButtonRun,  form->ButtonExit,
            form->RadioButton2theta,      form->EditLambda, form->CheckBoxZeroShift,
            form->CheckBoxDiags,          form->RadioGroupSystem->Item(5)};
        for (QWidget* stop : stops) {
            Tab();
            QCOMPARE(QApplication::focusWidget(), stop);
        }
        Tab(Qt::Key_Up);  // chooses Monoclinic, which becomes the set's stop
        QCOMPARE(int(form->Settings.system), 5);
        Tab(Qt::Key_Backtab);
        Tab();
        QCOMPARE(QApplication::focusWidget(), form->RadioGroupSystem->Item(4));
    }

    // A header line sets the settings of this run and of later ones: the window shows them.
    void runSetsTheControlsToTheSettingsInForce() {
        const QString withHeader = dir->filePath("run1.dat");
        WriteBytes(withHeader, QByteArray("Silicon, Co K-alpha1*\r\n1 tt 1.78897 d n\r\n") +
                                   SiliconReflections);
        const QString plain = dir->filePath("run2.dat");
        WriteBytes(plain, QByteArray("Silicon, no header\r\n") + SiliconReflections);
        platform->OpenAnswers << withHeader << plain;

        form->ButtonRun->click();
        QVERIFY2(platform->Messages.isEmpty(), qPrintable(platform->Messages.join('\n')));
        QCOMPARE(form->RadioGroupSystem->ItemIndex(), 0);  // cubic
        QCOMPARE(form->RadioGroupMin->ItemIndex(), 0);     // d spacing
        QVERIFY(form->RadioButton2theta->isChecked() && form->EditLambda->isEnabled());
        QCOMPARE(QLocale().toDouble(form->EditLambda->text()), 1.78897);
        QCOMPARE(form->LabelSettings->text(), QStringLiteral("settings from the header of run1.dat"));

        form->ButtonRun->click();  // the settings stay; nothing new to say
        QCOMPARE(form->Settings.wavelength, 1.78897);
        QVERIFY(form->Settings.minimised == Quantity::D);
        QCOMPARE(form->RadioGroupMin->ItemIndex(), 0);
        QVERIFY(form->LabelSettings->text().isEmpty());
    }

    // A misleading header is read as it stands; its warnings stand beside the report,
    // also after a run it made fail, and go with the next sound file.
    void headerWarningsShowBesideTheReport() {
        const QString caps = dir->filePath("caps.dat");
        WriteBytes(caps, QByteArray("Silicon*\r\n1 Tt 1.540593 tt n\r\n") + SiliconReflections);
        const QString noStar = dir->filePath("nostar.dat");
        WriteBytes(noStar, QByteArray("Silicon\r\n1 tt 1.540593 tt n\r\n") + SiliconReflections);
        platform->OpenAnswers << caps << noStar << WriteSilicon("sound.dat");

        form->ButtonRun->click();
        QVERIFY(platform->Errors.isEmpty());
        auto* view = form->findChild<THeaderWarningsView*>();
        QVERIFY(view && view->isVisible());
        QVERIFY2(view->MemoWarnings->toPlainText().startsWith("line 2, column 3: the data word 'Tt'"),
                 qPrintable(view->MemoWarnings->toPlainText()));
        QVERIFY(textForm->isVisible());

        form->ButtonRun->click();
        QCOMPARE(platform->Errors.size(), 1);
        QVERIFY(platform->Errors[0].startsWith("Invalid numeric input\n"));  // the message box's text as before
        QVERIFY(view->isVisible() && view->MemoWarnings->toPlainText().contains("looks like a header line"));

        form->ButtonRun->click();
        QCOMPARE(platform->Errors.size(), 1);
        QVERIFY(!view->isVisible());
    }

    // Its report would replace it: the file is not run, and the message says what to do.
    void dataFileNamedOutIsNotRun() {
        const QString data = WriteSilicon("run1.out");
        const QByteArray bytes = ReadBytes(data);
        platform->OpenAnswers << data;
        form->ButtonRun->click();
        QCOMPARE(platform->Errors,
                 QStringList{"run1.out was not run: its report would be written to run1.out and "
                             "replace it.\nReports always get the extension .out. Rename the "
                             "data file, for example to run1.dat, and run it again."});
        QCOMPARE(ReadBytes(data), bytes);
        QVERIFY(!textForm->isVisible());
    }

    void radioGroupsSetSystemAndMinimisedQuantity() {
        for (int i = 0; i < 6; ++i) {
            form->RadioGroupSystem->Item(i)->click();
            QCOMPARE(int(form->Settings.system), i + 1);
        }
        const Quantity buttons[4] = {Quantity::D, Quantity::TwoTheta, Quantity::Energy, Quantity::Q};
        for (int i = 0; i < 4; ++i) {
            form->RadioGroupMin->Item(i)->click();
            QVERIFY(form->Settings.minimised == buttons[i]);
        }
    }

    void checkBoxesSetDiagnosticsAndZeroShift() {
        form->CheckBoxDiags->click();
        QVERIFY(form->Settings.fullDiagnostics);  // "Brief" unchecked: full diagnostics
        form->CheckBoxDiags->click();
        QVERIFY(!form->Settings.fullDiagnostics);
        form->CheckBoxZeroShift->click();
        QVERIFY(form->Settings.zeroShift);
        form->CheckBoxZeroShift->click();
        QVERIFY(!form->Settings.zeroShift);
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
        // Wide enough for the longest report line (over 85 columns), or as the screen.
        int widest = 0;
        for (const QString& line : ReportText().split('\n'))
            widest = std::max(widest, textForm->Memo1->fontMetrics().horizontalAdvance(line));
        QVERIFY(textForm->Memo1->viewport()->width() >= widest ||
                textForm->frameGeometry().width() >= textForm->screen()->availableGeometry().width());
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
        form->Settings.zeroShift = true;
        form->Settings.fullDiagnostics = true;
        platform->OpenAnswers << QString() << QStringLiteral("");  // cancel; empty name
        for (int run = 0; run < 2; ++run) {
            form->ButtonRun->click();
            QVERIFY(!form->Settings.zeroShift);
            QVERIFY(!form->Settings.fullDiagnostics);
            QVERIFY(form->ButtonRun->isEnabled() && form->ButtonExit->isEnabled());
            QVERIFY(form->ButtonRun->isDefault());
            QVERIFY(!textForm->isVisible());
        }
        QVERIFY(platform->Messages.isEmpty());
    }

    void failedRunShowsTheMessageAndLoadsNoReport() {
        platform->OpenAnswers << dir->filePath("missing.dat");
        form->ButtonRun->click();
        QCOMPARE(platform->Errors.size(), 1);
        QCOMPARE(platform->Errors.first().section('\n', 0, 0), QStringLiteral("File not found"));
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

    // The report window's close check comes first; its Cancel keeps both windows.
    void exitWithAnEditedReportAsksAndCancelKeepsBothWindows() {
        platform->OpenAnswers << WriteSilicon("si.dat");
        form->ButtonRun->click();
        QTest::keyClicks(textForm->Memo1, "my notes");
        platform->Answers << Answer::Cancel << Answer::No;
        form->ButtonExit->click();
        QCOMPARE(platform->Questions.size(), 1);
        QVERIFY(form->isVisible() && textForm->isVisible());
        QVERIFY(ReportText().contains("my notes"));

        QTest::keyClick(form.get(), Qt::Key_Escape);
        QCOMPARE(platform->Questions.size(), 2);
        QVERIFY(!form->isVisible() && !textForm->isVisible());
    }

    void ctrlRShowsTheLastReportAgain() {
        Activate(form.get());
        QTest::keyClick(form.get(), Qt::Key_R, Qt::ControlModifier);
        QVERIFY(!textForm->isVisible());  // no report yet

        platform->OpenAnswers << WriteSilicon("si.dat");
        form->ButtonRun->click();
        QTest::keyClicks(textForm->Memo1, "kept");
        platform->Answers << Answer::No;
        QVERIFY(textForm->close());
        Activate(form.get());
        QTest::keyClick(form.get(), Qt::Key_R, Qt::ControlModifier);
        QVERIFY(textForm->isVisible());
        QVERIFY(ReportText().startsWith("kept"));
    }

    void escapeAlwaysExits() {
        QTest::keyClick(form.get(), Qt::Key_Escape);
        QVERIFY(!form->isVisible());
        QVERIFY(platform->OpenDialogs.isEmpty());
    }

    // The run would replace the edited report: Cancel (Esc) of its question cancels it.
    void runIsCancelledWithTheCloseCheck() {
        platform->OpenAnswers << WriteSilicon("first.dat") << WriteSilicon("second.dat");
        form->ButtonRun->click();
        textForm->Memo1->moveCursor(QTextCursor::End);
        QTest::keyClicks(textForm->Memo1, "my notes");
        platform->Answers << Answer::Cancel;
        form->ButtonRun->click();

        QCOMPARE(platform->Questions.size(), 1);
        QVERIFY(platform->Questions.first().contains(dir->filePath("first.out")));
        QCOMPARE(platform->OpenDialogs.size(), 1);  // no file dialog after Cancel
        QCOMPARE(textForm->windowTitle(), dir->filePath("first.out"));
        QVERIFY(ReportText().contains("my notes"));
        QVERIFY(textForm->isVisible());
        QVERIFY(form->ButtonRun->isEnabled() && form->ButtonExit->isEnabled());

        platform->Answers << Answer::No;  // now the run goes on
        form->ButtonRun->click();
        QCOMPARE(textForm->windowTitle(), dir->filePath("second.out"));
        QVERIFY(!ReportText().contains("my notes"));
        QVERIFY(!ReadBytes(dir->filePath("first.out")).contains("my notes"));
    }

    // A header's crystal system that no button stands for fails its own run only.
    void anInvalidHeaderSystemIsNotKeptForLaterRuns() {
        const QString bad = dir->filePath("bad.dat"), plain = dir->filePath("plain.dat");
        WriteBytes(bad, QByteArray("Silicon*\r\n9 tt 1.540593 tt n\r\n") + SiliconReflections + "0 0 0\r\n");
        WriteBytes(plain, QByteArray("Silicon\r\n") + SiliconReflections + "0 0 0\r\n");
        platform->OpenAnswers << bad << plain;
        form->ButtonRun->click();
        QCOMPARE(platform->Errors.size(), 1);
        QCOMPARE(int(form->Settings.system), 6);
        QCOMPARE(form->RadioGroupSystem->ItemIndex(), 5);
        form->ButtonRun->click();
        QCOMPARE(platform->Errors.size(), 1);  // the plain file runs
        QVERIFY(textForm->isVisible());
    }

    // A folder that refuses the report costs no result: it is shown, unsaved, and Save
    // asks where to put it; the Report button brings the window back.
    void aReportThatCannotBeWrittenIsShownUnsaved() {
        const QString data = WriteSilicon("si.dat");
        QVERIFY(QDir(dir->path()).mkdir("si.out"));  // no file can take its place
        QVERIFY(!form->ButtonReport->isEnabled());
        platform->OpenAnswers << data;
        form->ButtonRun->click();
        QCOMPARE(platform->Errors.size(), 1);
        QVERIFY(platform->Errors.first().contains("save it elsewhere"));
        QVERIFY(textForm->isVisible());
        QVERIFY(ReportText().startsWith("Output from program Zantrel"));
        QVERIFY(textForm->Memo1->document()->isModified());
        QVERIFY(textForm->CurrentFile().isEmpty());
        platform->SaveAnswers << dir->filePath("kept.out");
        QVERIFY(textForm->MenuFileSaveClick());
        QVERIFY(ReadBytes(dir->filePath("kept.out")).startsWith("Output from program Zantrel"));
        platform->Answers << Answer::No;
        QVERIFY(textForm->close());
        QVERIFY(form->ButtonReport->isEnabled());
        form->ButtonReport->click();
        QVERIFY(textForm->isVisible());
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

    // Ctrl+L lists the last run's reflections; the unticked ones are left out of the same
    // file's next run, and Cancel at the close check cancels that run.
    // Cancel in the index dialog writes nothing; a confirmed one shows the assignment
    // beside the report, the next dialog starts from its values, and an ordinary run
    // hides the assignment again.
    void aPeakListRunShowsItsAssignmentAndTheDialogKeepsItsValues() {
        int peaks = 0;
        const QString list = dir->filePath("si.txt");
        WriteBytes(list, SiliconPeakList(peaks));
        const QString cell = QStringLiteral("5.43, 5.43, 5.43, 90, 90, 90");
        platform->OpenAnswers << list << list << list << WriteSilicon("si.dat");

        AnswerIndexDialog(false, cell, QStringLiteral("F d -3 m"));
        form->ButtonRun->click();
        QCOMPARE(QDir(dir->path()).entryList(QDir::Files), QStringList({"si.dat", "si.txt"}));
        QVERIFY(!textForm->isVisible());

        QStringList shown;
        AnswerIndexDialog(true, cell, QStringLiteral("F d -3 m"), &shown);
        form->ButtonRun->click();
        QCOMPARE(shown, QStringList({QString(), QString()}));  // a cancelled dialog is forgotten
        QVERIFY2(platform->Messages.isEmpty(), qPrintable(platform->Messages.join('\n')));
        QCOMPARE(textForm->CurrentFile(), dir->filePath("si.indexed.out"));
        QVERIFY(QFile::exists(dir->filePath("si.indexed.dat")));
        const TAssignmentView* view = textForm->Assignment1;
        QVERIFY(view->isVisible());
        QVERIFY2(view->Summary()->text().startsWith(QStringLiteral("M(%1) = ").arg(std::min(peaks, 20))),
                 qPrintable(view->Summary()->text()));
        QVERIFY2(view->Summary()->text().contains(QStringLiteral("%1 peaks: %2 indexed, 1 unassigned, 0 ambiguous")
                                                      .arg(peaks).arg(peaks - 1)),
                 qPrintable(view->Summary()->text()));
        QCOMPARE(view->Table()->rowCount(), peaks);
        auto text = [view](int row, int column) { return view->Table()->item(row, column)->text(); };
        QCOMPARE(QStringList({text(0, 0), text(0, 1), text(0, 2)}), QStringList({"28.4430", "indexed", "1 1 1"}));
        QVERIFY(std::fabs(text(0, 3).toDouble() - 28.443) < 0.005 && std::fabs(text(0, 4).toDouble()) < 0.005);
        QCOMPARE(QStringList({text(1, 0), text(1, 1), text(1, 2), text(1, 3), text(1, 4)}),
                 QStringList({"33.1000", "unassigned", "", "-", "-"}));

        AnswerIndexDialog(true, QString(), QString(), &shown);
        form->ButtonRun->click();
        QCOMPARE(shown, QStringList({cell, QStringLiteral("F d -3 m")}));

        form->ButtonRun->click();  // a data file
        QCOMPARE(textForm->CurrentFile(), dir->filePath("si.out"));
        QVERIFY(!view->isVisible());
        QCOMPARE(view->Table()->rowCount(), 0);
    }

    void leaveOutRunsTheSameFileWithoutTheUntickedRows() {
        const QString data = dir->filePath("si.dat");
        WriteBytes(data, ReadBytes(QStringLiteral(ZANTREL_EXAMPLES "/silicon_2theta.dat")));
        QVERIFY(!form->ActionLeaveOut->isEnabled());
        platform->OpenAnswers << data;
        form->ButtonRun->click();
        QVERIFY(form->ActionLeaveOut->isEnabled());
        auto answerDialog = [](bool untick) {
            QTimer::singleShot(0, [untick] {
                auto* dialog = qobject_cast<TLeaveOutDialog*>(QApplication::activeModalWidget());
                QVERIFY(dialog);
                QCOMPARE(dialog->Table()->rowCount(), 11);
                if (untick) dialog->UntickFlagged();
                dialog->accept();
            });
        };
        answerDialog(true);
        form->ActionLeaveOut->trigger();
        QCOMPARE(platform->OpenDialogs.size(), 1);  // the same file, asked for once
        QVERIFY(ReportText().contains("excluded from the fit: row 3 (3 1 1), row 10 (6 2 0), row 11 (5 3 3)\n"));

        textForm->Memo1->moveCursor(QTextCursor::End);
        QTest::keyClicks(textForm->Memo1, "my notes");
        platform->Answers << Answer::Cancel;
        answerDialog(false);  // the left-out rows are listed unticked: the choice stands
        form->ActionLeaveOut->trigger();
        QVERIFY(ReportText().contains("my notes"));
        QVERIFY(ReadBytes(dir->filePath("si.out")).contains("excluded from the fit: row 3"));
    }
};

int RunMainWindowTests(int argc, char** argv) {
    MainWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

}  // namespace zantrel

#include "MainWindowTest.moc"
