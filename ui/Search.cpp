#include "ui/Search.h"

#include <QPlainTextEdit>
#include <QTextCursor>

#include "ui/TextFile.h"

namespace zantrel {

std::array<unsigned char, 256> UpperCaseTable() {
    std::array<unsigned char, 256> table{};
    for (int code = 0; code < 256; ++code) {
        const int upper = Windows1252Code(FromWindows1252(uchar(code)).toUpper());
        table[std::size_t(code)] = uchar(upper >= 0 ? upper : code);
    }
    return table;
}

bool IsWordChar(QChar c) {
    const char16_t u = c.unicode();
    return (u >= u'0' && u <= u'9') || (u >= u'A' && u <= u'Z') || (u >= u'a' && u <= u'z');
}

namespace {

// The character as compared: through the table when it has a Windows-1252 code.
// Characters outside the code page (from a UTF-8 file) compare as they are.
char16_t Folded(QChar c, const std::array<unsigned char, 256>& table) {
    const int code = Windows1252Code(c);
    if (code < 0) return c.unicode();
    return FromWindows1252(table[std::size_t(code)]).unicode();
}

// Moves p to the start of the next word in the direction of the scan, spending
// one candidate of c per step. Down passes over the rest of the word p stands in,
// then over the delimiters; a p at a word's first character stays, so a caret put
// before a word finds it. Up passes back over delimiters, then over the word,
// and steps forward onto its first character. Upwards c = p + 1 throughout, so a
// word walk that spends the last candidate has reached the start of the text: the
// word begins at position 0 and is found like any other.
bool MoveToWordStart(const QString& text, qsizetype& p, qsizetype& c, bool down) {
    if (down) {
        if (p == 0 || !IsWordChar(text[p - 1])) {
            if (IsWordChar(text[p])) return true;
        } else {
            while (c > 0 && IsWordChar(text[p])) ++p, --c;
        }
        while (c > 0 && !IsWordChar(text[p])) ++p, --c;
        return c > 0;
    }
    while (c > 0 && !IsWordChar(text[p])) --p, --c;
    if (c <= 0) return false;
    while (c > 0 && IsWordChar(text[p])) --p, --c;
    ++p, ++c;
    return true;
}

void ReplaceSelection(QPlainTextEdit& edit, const QString& replaceText) {
    QTextCursor cursor = edit.textCursor();
    cursor.insertText(replaceText);
    edit.setTextCursor(cursor);
}

}  // namespace

bool SearchText(QPlainTextEdit& edit, const QString& searchString, SearchOptions options) {
    const QString text = PlainText(*edit.document());  // the one copy of this call
    const qsizetype n = text.size();
    const qsizetype m = searchString.size();
    if (m == 0 || n == 0) return false;

    const QTextCursor selection = edit.textCursor();
    const qsizetype s = selection.selectionStart();
    const qsizetype l = selection.selectionEnd() - s;
    const bool down = options.testFlag(Down);

    // c counts the candidate positions left; down the last is n - m, up it is 0.
    qsizetype p, c;
    if (down) {
        p = s + l;
        c = n - p - m + 1;
        if (c <= 0) return false;
    } else {
        p = s - m;
        c = p + 1;
        if (p < 0) return false;
    }
    if (p > n) return false;
    const qsizetype step = down ? 1 : -1;

    std::array<unsigned char, 256> table{};
    if (options.testFlag(MatchCase)) {
        for (int code = 0; code < 256; ++code) table[std::size_t(code)] = uchar(code);
    } else {
        table = UpperCaseTable();
    }
    std::u16string wanted(std::size_t(m), u'\0');
    for (qsizetype i = 0; i < m; ++i) wanted[std::size_t(i)] = Folded(searchString[i], table);

    const bool wholeWord = options.testFlag(WholeWord);
    while (c > 0) {
        if (wholeWord && !MoveToWordStart(text, p, c, down)) return false;
        qsizetype i = 0;
        while (i < m && Folded(text[p + i], table) == wanted[std::size_t(i)]) ++i;
        if (i == m && (!wholeWord || p + m >= n || !IsWordChar(text[p + m]))) {
            QTextCursor found = edit.textCursor();
            found.setPosition(int(p));
            found.setPosition(int(p + m), QTextCursor::KeepAnchor);
            edit.setTextCursor(found);
            return true;
        }
        p += step;
        --c;
    }
    return false;
}

bool ReplaceText(QPlainTextEdit& edit, const QString& findText, const QString& replaceText,
                 SearchOptions options) {
    // The selection counts as a match in any case, whatever MatchCase says.
    const auto table = UpperCaseTable();
    const QString selected = edit.textCursor().selectedText();
    bool same = !findText.isEmpty() && selected.size() == findText.size();
    for (qsizetype i = 0; same && i < selected.size(); ++i)
        same = Folded(selected[i], table) == Folded(findText[i], table);
    if (same) ReplaceSelection(edit, replaceText);
    // Replace All means the whole text, not only what follows the caret.
    if (options.testFlag(ReplaceAll)) {
        QTextCursor from = edit.textCursor();
        from.movePosition(options.testFlag(Down) ? QTextCursor::Start : QTextCursor::End);
        edit.setTextCursor(from);
    }

    bool found = SearchText(edit, findText, options);
    while (found && options.testFlag(ReplaceAll)) {
        ReplaceSelection(edit, replaceText);
        found = SearchText(edit, findText, options);
    }
    return !found && options.testFlag(ReplaceOne);
}

QString CannotFindMessage(const QString& findText) {
    return QStringLiteral("Cannot find \"%1\".").arg(findText);
}

}  // namespace zantrel
