// The text window: its commands, the close check, find and replace through the dialogs.

#include <memory>

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>

#include "tests/ui/FakePlatform.h"
#include "tests/ui/UiTests.h"
#include "ui/FindDialogs.h"
#include "ui/Textw.h"

namespace zantrel {

class TextWindowTest : public QObject {
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<FakePlatform> platform;
    std::unique_ptr<TTextWForm> form;

    QString Path(const QString& name) const { return dir->filePath(name); }
    // An edit as the user makes it, so the modified flag is set.
    void Type(const QString& text) { QTest::keyClicks(form->Memo1, text); }
    QString Text() const { return form->Memo1->toPlainText(); }

private slots:
    void init() {
        dir = std::make_unique<QTemporaryDir>();
        platform = std::make_unique<FakePlatform>();
        form = std::make_unique<TTextWForm>(*platform);
    }
    void cleanup() {
        form.reset();
        platform.reset();
        dir.reset();
    }

    void startsHiddenAndUntitled() {
        QVERIFY(!form->isVisible());
        QCOMPARE(form->windowTitle(), QStringLiteral("Zantrel - Untitled"));
        QVERIFY(form->CurrentFile().isEmpty());
        QVERIFY(!form->MenuSearchFindNext->isEnabled());
        QCOMPARE(form->MenuSearchFindNext->shortcut(), QKeySequence(Qt::Key_F3));
    }

    void openLoadsTheFileAndNamesTheCaptionWithoutFolder() {
        WriteBytes(Path("run1.out"), "first\r\nsecond\r\n");
        platform->OpenAnswers << Path("run1.out");
        form->MenuFileOpenClick();
        QCOMPARE(Text(), QStringLiteral("first\nsecond\n"));
        QCOMPARE(form->windowTitle(), QStringLiteral("run1.out"));
        QCOMPARE(form->CurrentFile(), Path("run1.out"));
        QVERIFY(!form->Memo1->document()->isModified());
        const FileDialog& shown = platform->OpenDialogs.first();
        QCOMPARE(shown.Filter, QStringLiteral("Data Files (*.dat)|*.dat|Text Files (*.txt)|*.txt|"
                                              "Out Files (*.out)|*.out|All Files (*.*)|*.*"));
    }

    // They would go on searching the hidden text.
    void findAndReplaceDialogsCloseWithTheWindow() {
        form->show();
        form->MenuSearchFindClick();
        form->MenuSearchReplaceClick();
        QVERIFY(form->FindDialog1->isVisible() && form->ReplaceDialog1->isVisible());
        QVERIFY(form->close());
        QVERIFY(!form->FindDialog1->isVisible());
        QVERIFY(!form->ReplaceDialog1->isVisible());
    }

    void saveThatTurnsToUtf8SaysSoInTheStatusLine() {
        WriteBytes(Path("r.out"), "a = 5.4309 \xC5\r\n");
        form->SetCurrentFile(Path("r.out"));
        form->LoadFromFile(Path("r.out"));
        QVERIFY(form->MenuFileSaveClick());
        QVERIFY(form->statusBar()->currentMessage().isEmpty());  // still Windows-1252

        form->Memo1->moveCursor(QTextCursor::End);
        form->Memo1->insertPlainText(QString::fromUtf8("λ"));  // keyClicks takes ASCII only
        QVERIFY(form->MenuFileSaveClick());
        QCOMPARE(form->Encoding(), TextEncoding::Utf8);
        QCOMPARE(form->statusBar()->currentMessage(),
                 QStringLiteral("r.out saved as UTF-8: the text holds characters that "
                                "Windows-1252 lacks."));
    }

    void cancelledOrFailedOpenKeepsTheText() {
        form->Memo1->setPlainText("kept");
        platform->OpenAnswers << QString();
        form->MenuFileOpenClick();
        QCOMPARE(Text(), QStringLiteral("kept"));
        QVERIFY(form->CurrentFile().isEmpty());

        // A failed Open has already made the chosen path the current file.
        platform->OpenAnswers << Path("missing.txt");
        form->MenuFileOpenClick();
        QCOMPARE(Text(), QStringLiteral("kept"));
        QCOMPARE(form->windowTitle(), QStringLiteral("Zantrel - Untitled"));
        QCOMPARE(form->CurrentFile(), Path("missing.txt"));
        QCOMPARE(platform->Errors.size(), 1);
        QVERIFY(platform->Errors.first().contains(Path("missing.txt")));
    }

    void saveWritesTheEditedTextBackToTheCurrentFile() {
        WriteBytes(Path("run1.out"), "report\r\n");
        form->SetCurrentFile(Path("run1.out"));
        form->LoadFromFile(Path("run1.out"));
        form->Memo1->moveCursor(QTextCursor::End);
        Type("edited");
        QVERIFY(form->MenuFileSaveClick());
        QCOMPARE(ReadBytes(Path("run1.out")), QByteArray("report\r\nedited\r\n"));
        QVERIFY(platform->SaveDialogs.isEmpty());
        // Saving leaves the modified flag: the next close still asks.
        QVERIFY(form->Memo1->document()->isModified());
    }

    void newThenSaveAsksForANameAndAddsTxt() {
        form->SetCurrentFile(Path("old.out"));
        form->setWindowTitle("old.out");
        form->Memo1->setPlainText("old");
        form->MenuFileNewClick();
        QVERIFY(Text().isEmpty());
        QVERIFY(form->CurrentFile().isEmpty());
        QCOMPARE(form->windowTitle(), QStringLiteral("Zantrel - Untitled"));

        Type("notes");
        platform->SaveAnswers << Path("notes");
        QVERIFY(form->MenuFileSaveClick());  // no current file: Save As
        QCOMPARE(platform->SaveDialogs.size(), 1);
        QCOMPARE(platform->SaveDialogs.first().Filter,
                 QStringLiteral("Text Files (*.txt)|*.txt|Data Files (*.dat)|*.dat|"
                                "All Files (*.*)|*.*"));
        QCOMPARE(ReadBytes(Path("notes.txt")), QByteArray("notes\r\n"));
        QCOMPARE(form->CurrentFile(), Path("notes.txt"));
        QCOMPARE(form->windowTitle(), QStringLiteral("notes.txt"));
    }

    void saveAsKeepsAnExtensionAndFailsWithoutChangingTheCurrentFile() {
        form->SetCurrentFile(Path("a.out"));
        form->Memo1->setPlainText("x");
        platform->SaveAnswers << Path("b.dat") << Path("no/such/folder/c.txt") << QString();
        QVERIFY(form->MenuFileSaveAsClick());
        QCOMPARE(ReadBytes(Path("b.dat")), QByteArray("x\r\n"));
        QCOMPARE(form->CurrentFile(), Path("b.dat"));

        QVERIFY(!form->MenuFileSaveAsClick());
        QCOMPARE(platform->Messages.size(), 1);
        QCOMPARE(form->CurrentFile(), Path("b.dat"));
        QCOMPARE(form->windowTitle(), QStringLiteral("b.dat"));

        QVERIFY(form->MenuFileSaveAsClick());  // cancelled: nothing happens
        QCOMPARE(form->CurrentFile(), Path("b.dat"));
    }

    // A report (Windows-1252) and a UTF-8 file come back byte for byte after an edit
    // that is undone, so only the load and save paths are exercised.
    void openedFilesAreSavedInTheirOwnEncoding() {
        const QByteArray report = "a = 5.4309 \xC5 \xB1 0.0001\r\n2theta 28.443 \xB0\r\n";
        const QByteArray utf8 = QString::fromUtf8("λ = 1.540593 Å\r\nα β γ\r\n").toUtf8();
        for (const QByteArray& bytes : {report, utf8}) {
            WriteBytes(Path("in.txt"), bytes);
            platform->OpenAnswers << Path("in.txt");
            form->MenuFileOpenClick();
            platform->SaveAnswers << Path("out.txt");
            QVERIFY(form->MenuFileSaveAsClick());
            QCOMPARE(ReadBytes(Path("out.txt")), bytes);
        }
        WriteBytes(Path("in.txt"), report);
        form->LoadFromFile(Path("in.txt"));
        QVERIFY(Text().contains(QString::fromUtf8("5.4309 Å ± 0.0001")));
        QVERIFY(Text().contains(QString::fromUtf8("28.443 °")));
    }

    // Qt reads the patterns inside the parentheses; "*.*" would hide names without a dot.
    void dialogSettingsTranslateForQt() {
        QCOMPARE(QtFilter(form->OpenDialog1.Filter),
                 QStringLiteral("Data Files (*.dat);;Text Files (*.txt);;Out Files (*.out);;"
                                "All Files (*)"));
        QCOMPARE(WithDefaultExtension("/a.b/notes", "txt"), QStringLiteral("/a.b/notes.txt"));
        QCOMPARE(WithDefaultExtension("/a/notes.dat", "txt"), QStringLiteral("/a/notes.dat"));
        QCOMPARE(WithDefaultExtension("C:\\a.b\\notes", "txt"),
                 QStringLiteral("C:\\a.b\\notes.txt"));
    }

    void closeCheckAsksOnlyAboutModifiedText() {
        form->show();
        QVERIFY(form->close());
        QVERIFY(platform->Questions.isEmpty());

        form->SetCurrentFile(Path("r.out"));
        form->show();
        Type("x");
        platform->Answers << Answer::Cancel;
        QVERIFY(!form->close());
        QVERIFY(form->isVisible());
        QCOMPARE(platform->Questions.first(),
                 QStringLiteral("File %1 has been modified. Save file?").arg(Path("r.out")));

        platform->Answers << Answer::No;
        QVERIFY(form->close());
        QVERIFY(!form->isVisible());
        QVERIFY(!QFile::exists(Path("r.out")));
        QCOMPARE(Text(), QStringLiteral("x"));  // hidden, not destroyed
    }

    void closeCheckYesSavesAndClosesEvenIfSaveAsIsCancelled() {
        form->SetCurrentFile(Path("r.out"));
        form->show();
        Type("y");
        platform->Answers << Answer::Yes;
        QVERIFY(form->close());
        QCOMPARE(ReadBytes(Path("r.out")), QByteArray("y\r\n"));

        platform->Answers << Answer::No;  // saved, yet still edited: New asks too
        form->MenuFileNewClick();
        form->show();
        Type("z");
        platform->Answers << Answer::Yes;
        platform->SaveAnswers << QString();
        QVERIFY(form->close());
        // No file name to put into the question.
        QCOMPARE(platform->Questions.last(),
                 QStringLiteral("The new text has been modified. Save it to a file?"));
        QCOMPARE(platform->SaveDialogs.size(), 1);
    }

    // New and Open replace the text: each asks first, and Cancel keeps the edits.
    void newAndOpenAskBeforeDiscardingEdits() {
        WriteBytes(Path("other.out"), "other\r\n");
        form->SetCurrentFile(Path("r.out"));
        form->show();
        Type("notes");
        platform->Answers << Answer::Cancel << Answer::Cancel;
        form->MenuFileNewClick();
        platform->OpenAnswers << Path("other.out");
        form->MenuFileOpenClick();
        QCOMPARE(platform->Questions.size(), 2);
        QVERIFY(platform->OpenDialogs.isEmpty());
        QCOMPARE(Text(), QStringLiteral("notes"));
        QCOMPARE(form->CurrentFile(), Path("r.out"));

        platform->Answers << Answer::Yes;  // saved, then opened
        form->MenuFileOpenClick();
        QCOMPARE(ReadBytes(Path("r.out")), QByteArray("notes\r\n"));
        QCOMPARE(Text(), QStringLiteral("other\n"));
        form->MenuFileNewClick();  // unmodified: no question
        QCOMPARE(platform->Questions.size(), 3);
        QVERIFY(Text().isEmpty());
    }

    void findDialogDrivesTheSearchAndF3Repeats() {
        form->Memo1->setPlainText("cell cells cell");
        form->MenuSearchFindClick();
        QVERIFY(form->FindDialog1->isVisible());
        QVERIFY(form->MenuSearchFindNext->isEnabled());
        form->FindDialog1->EditFindText->setText("cell");
        form->FindDialog1->CheckBoxWholeWord->setChecked(true);
        form->FindDialog1->ButtonFindNext->click();
        QCOMPARE(form->Memo1->textCursor().selectionStart(), 0);  // the word at the caret
        form->MenuSearchFindNextClick();
        QCOMPARE(form->Memo1->textCursor().selectionStart(), 11);  // not inside "cells"
        form->MenuSearchFindNextClick();
        QCOMPARE(platform->Messages, QStringList{QStringLiteral("Cannot find \"cell\".")});
        QVERIFY(platform->Errors.isEmpty());  // a notice, not an error

        form->FindDialog1->EditFindText->clear();
        form->MenuSearchFindNextClick();
        QCOMPARE(platform->Messages.last(), QStringLiteral("Cannot find \"\"."));
    }

    // Told in the dialog that searched: the next key press stays out of the report.
    void cannotFindBelongsToTheDialogThatSearched() {
        form->Memo1->setPlainText("abc");
        form->MenuSearchFindClick();
        form->FindDialog1->EditFindText->setText("zz");
        form->FindDialog1->ButtonFindNext->click();
        form->MenuSearchReplaceClick();
        form->ReplaceDialog1->EditFindText->setText("zz");
        form->ReplaceDialog1->ButtonFindNext->click();
        QCOMPARE(platform->MessageParents, (QList<QWidget*>{form->FindDialog1, form->ReplaceDialog1}));
        QCOMPARE(form->MenuFileSave->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_S));
        QCOMPARE(form->MenuSearchFind->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_F));
        QCOMPARE(form->MenuFileClose->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_W));
    }

    void replaceDialogReplaceSaysCannotFindReplaceAllDoesNot() {
        form->Memo1->setPlainText("a1 a2 a3");
        form->MenuSearchReplaceClick();
        TReplaceDialog& dialog = *form->ReplaceDialog1;
        dialog.EditFindText->setText("a");
        dialog.EditReplaceText->setText("b");
        dialog.ButtonFindNext->click();
        dialog.ButtonReplace->click();
        QCOMPARE(Text(), QStringLiteral("b1 a2 a3"));
        QCOMPARE(form->Memo1->textCursor().selectedText(), QStringLiteral("a"));
        dialog.ButtonReplaceAll->click();
        QCOMPARE(Text(), QStringLiteral("b1 b2 b3"));
        QVERIFY(platform->Messages.isEmpty());
        dialog.ButtonReplace->click();
        QCOMPARE(platform->Messages, QStringList{QStringLiteral("Cannot find \"a\".")});
    }
};

int RunTextWindowTests(int argc, char** argv) {
    TextWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

}  // namespace zantrel

#include "TextWindowTest.moc"
