#pragma once
// Text search in the text window: SearchText and the find and replace actions.

#include <array>

#include <QFlags>
#include <QString>

class QPlainTextEdit;

namespace zantrel {

enum SearchOption {
    Down = 0x01,  // otherwise up, towards the start
    MatchCase = 0x02,
    WholeWord = 0x04,
    ReplaceOne = 0x08,  // the replace dialog's Replace button
    ReplaceAll = 0x10,  // its Replace All button
};
using SearchOptions = QFlags<SearchOption>;

// Code -> upper-case code in Windows-1252; accented letters fold too (é -> É,
// ÿ -> Ÿ, š -> Š). A letter whose capital the code page lacks (µ, ß) maps to itself.
std::array<unsigned char, 256> UpperCaseTable();

// Only the ASCII digits and letters make words; every other character,
// accented letters included, delimits them.
bool IsWordChar(QChar c);

// Searches from the selection onwards (Down) or backwards and, on a match, selects
// it. False, with the selection unchanged, for an empty search string, an empty
// text or no match. Positions count the characters of the text as shown.
bool SearchText(QPlainTextEdit& edit, const QString& searchString, SearchOptions options);

// The replace action. The selection is replaced first when it holds findText in any
// case; with ReplaceAll every later match is replaced too. Returns true when the
// Cannot find message is due: no further match after a Replace (never after Replace All).
bool ReplaceText(QPlainTextEdit& edit, const QString& findText, const QString& replaceText,
                 SearchOptions options);

// Cannot find "findText".
QString CannotFindMessage(const QString& findText);

}  // namespace zantrel

Q_DECLARE_OPERATORS_FOR_FLAGS(zantrel::SearchOptions)
