// SearchText and the replace action on a bare edit control.

#include <memory>

#include <QPlainTextEdit>
#include <QTest>

#include "tests/ui/UiTests.h"
#include "ui/Search.h"

namespace zantrel {

class TextSearchTest : public QObject {
    Q_OBJECT
    std::unique_ptr<QPlainTextEdit> edit;

    void Select(int start, int length) {
        QTextCursor cursor = edit->textCursor();
        cursor.setPosition(start);
        cursor.setPosition(start + length, QTextCursor::KeepAnchor);
        edit->setTextCursor(cursor);
    }
    int Start() const { return edit->textCursor().selectionStart(); }
    int Length() const { return edit->textCursor().selectionEnd() - Start(); }

private slots:
    void init() { edit = std::make_unique<QPlainTextEdit>(); }  // fresh each

    // Down, the last candidate is n - m; up, it is 0.
    void downReachesMatchEndingTheText() {
        edit->setPlainText("xxabc");
        Select(0, 0);
        QVERIFY(SearchText(*edit, "abc", Down));
        QCOMPARE(Start(), 2);
        QCOMPARE(Length(), 3);
        QVERIFY(!SearchText(*edit, "abc", Down));  // nothing after the selected match
        QCOMPARE(Start(), 2);                      // and the selection stays
    }

    void upReachesMatchAtPositionZero() {
        edit->setPlainText("abc abc");
        Select(7, 0);
        QVERIFY(SearchText(*edit, "abc", {}));
        QCOMPARE(Start(), 4);
        QVERIFY(SearchText(*edit, "abc", {}));  // continues before the selected match
        QCOMPARE(Start(), 0);
        QVERIFY(!SearchText(*edit, "abc", {}));
    }

    void repeatedDownSearchContinuesAfterTheMatch() {
        edit->setPlainText("aaaa");
        Select(0, 0);
        QVERIFY(SearchText(*edit, "aa", Down));
        QCOMPARE(Start(), 0);
        QVERIFY(SearchText(*edit, "aa", Down));
        QCOMPARE(Start(), 2);  // not 1: the scan starts after the selection
        QVERIFY(!SearchText(*edit, "aa", Down));
    }

    void emptySearchStringOrTextFindsNothing() {
        edit->setPlainText("abc");
        Select(1, 1);
        QVERIFY(!SearchText(*edit, "", Down));
        QCOMPARE(Start(), 1);
        QCOMPARE(Length(), 1);
        edit->clear();
        QVERIFY(!SearchText(*edit, "a", Down));
        QVERIFY(!SearchText(*edit, "a", {}));
    }

    void caseFoldsOnlyWithoutMatchCase() {
        edit->setPlainText("ABC Abc abc");
        Select(0, 0);
        for (int expected : {0, 4, 8}) {
            QVERIFY(SearchText(*edit, "abc", Down));
            QCOMPARE(Start(), expected);
        }
        Select(0, 0);
        QVERIFY(SearchText(*edit, "abc", Down | MatchCase));
        QCOMPARE(Start(), 8);
    }

    // The Windows-1252 capitals: é/É, ÿ/Ÿ (0xFF/0x9F), œ/Œ (0x9C/0x8C). µ has no
    // capital in the code page, so it does not meet Greek Μ as Unicode casing would,
    // and ß stays one character.
    void caseFoldingCoversAccentedLettersOfTheCodePage() {
        edit->setPlainText(QString::fromUtf8("x café ÿ œuvre µm ß"));
        Select(0, 0);
        QVERIFY(SearchText(*edit, QString::fromUtf8("CAFÉ"), Down));
        QCOMPARE(Start(), 2);
        QVERIFY(SearchText(*edit, QString::fromUtf8("Ÿ"), Down));
        QCOMPARE(Start(), 7);
        QVERIFY(SearchText(*edit, QString::fromUtf8("ŒUVRE"), Down));
        QCOMPARE(Start(), 9);
        Select(0, 0);
        QVERIFY(!SearchText(*edit, QString::fromUtf8("ΜM"), Down));
        QVERIFY(!SearchText(*edit, QStringLiteral("SS"), Down));
        QVERIFY(!SearchText(*edit, QString::fromUtf8("CAFÉ"), Down | MatchCase));
    }

    void wholeWordSkipsWordsThatOnlyStartWithIt() {
        edit->setPlainText("cells and cell volume");
        Select(0, 0);
        QVERIFY(SearchText(*edit, "cell", WholeWord | Down));
        QCOMPARE(Start(), 10);  // not inside "cells"
        Select(21, 0);
        QVERIFY(SearchText(*edit, "cell", WholeWord));
        QCOMPARE(Start(), 10);
        QVERIFY(!SearchText(*edit, "cell", WholeWord));  // "cells" is no whole word
    }

    // A caret before a word finds that word; one inside a word passes over its rest.
    void wholeWordDownFindsTheWordAtTheCaretAndPassesOverTheOneItIsIn() {
        edit->setPlainText("cell cell cellar");
        Select(0, 0);
        QVERIFY(SearchText(*edit, "cell", WholeWord | Down));
        QCOMPARE(Start(), 0);
        QVERIFY(SearchText(*edit, "cell", WholeWord | Down));
        QCOMPARE(Start(), 5);
        QVERIFY(!SearchText(*edit, "cell", WholeWord | Down));  // "cellar" continues
        edit->setPlainText("xcell cell");
        Select(1, 0);
        QVERIFY(SearchText(*edit, "cell", WholeWord | Down));
        QCOMPARE(Start(), 6);
    }

    // Word characters are the ASCII letters and digits only, so an accented letter
    // or an underscore ends a word.
    void wholeWordTreatsNonAsciiLettersAsDelimiters() {
        edit->setPlainText(QString::fromUtf8("_ écell_ x1cell"));
        Select(0, 0);
        QVERIFY(SearchText(*edit, "cell", WholeWord | Down));
        QCOMPARE(Start(), 3);
        QVERIFY(!SearchText(*edit, "cell", WholeWord | Down));  // x1cell is one word
        Select(15, 0);
        QVERIFY(SearchText(*edit, "cell", WholeWord));
        QCOMPARE(Start(), 3);
    }

    // The word walk upwards ends at the start of the text: that word counts too.
    void wholeWordUpFindsAWordAtTheStart() {
        edit->setPlainText("cell x cells");
        Select(12, 0);
        QVERIFY(SearchText(*edit, "cell", WholeWord));
        QCOMPARE(Start(), 0);
        QVERIFY(!SearchText(*edit, "cell", WholeWord));  // nothing before it
    }

    void replaceReplacesTheSelectionAndSelectsTheNext() {
        edit->setPlainText("one two ONE two one");
        Select(0, 0);
        QVERIFY(SearchText(*edit, "one", Down));
        QVERIFY(!ReplaceText(*edit, "one", "1", Down | ReplaceOne));
        QCOMPARE(edit->toPlainText(), QStringLiteral("1 two ONE two one"));
        QCOMPARE(Start(), 6);
        QVERIFY(!ReplaceText(*edit, "one", "1", Down | ReplaceOne));
        QCOMPARE(Start(), 12);
        // The last one: replaced, then nothing left, so the message is due.
        QVERIFY(ReplaceText(*edit, "one", "1", Down | ReplaceOne));
        QCOMPARE(edit->toPlainText(), QStringLiteral("1 two 1 two 1"));
    }

    // The selection is compared without case even with MatchCase; the search is not.
    void replaceTakesTheSelectionInAnyCase() {
        edit->setPlainText("ONE one");
        Select(0, 3);
        QVERIFY(!ReplaceText(*edit, "one", "1", Down | MatchCase | ReplaceOne));
        QCOMPARE(edit->toPlainText(), QStringLiteral("1 one"));
        QCOMPARE(Start(), 2);
    }

    // Before the caret too; up as well as down.
    void replaceAllReplacesEveryMatchOfTheTextSilently() {
        edit->setPlainText("aa x aa x aa");
        Select(5, 0);
        // Replacement holding the find text: the scan goes on after each insertion.
        QVERIFY(!ReplaceText(*edit, "aa", "aaa", Down | ReplaceAll));
        QCOMPARE(edit->toPlainText(), QStringLiteral("aaa x aaa x aaa"));
        Select(3, 0);
        QVERIFY(!ReplaceText(*edit, "aaa", "b", ReplaceAll));
        QCOMPARE(edit->toPlainText(), QStringLiteral("b x b x b"));
        QVERIFY(!ReplaceText(*edit, "zz", "y", Down | ReplaceAll));
    }

    void cannotFindMessageQuotesTheFindText() {
        QCOMPARE(CannotFindMessage("cell"), QStringLiteral("Cannot find \"cell\"."));
        QCOMPARE(CannotFindMessage(""), QStringLiteral("Cannot find \"\"."));
    }
};

int RunTextSearchTests(int argc, char** argv) {
    TextSearchTest test;
    return QTest::qExec(&test, argc, argv);
}

}  // namespace zantrel

#include "SearchTest.moc"
