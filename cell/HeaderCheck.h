#pragma once
// Warnings about a data file's first two lines where they probably do not say what the
// user meant: the header line is read by fixed rules that stored files rely on, and
// these only point out where those rules and the look of the line part.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cell/Settings.h"

namespace zantrel {

struct HeaderWarning {
    int line = 0;    // 1 the title, 2 the header line (or the first reflection)
    int column = 0;  // 1-based, in bytes
    std::string text;
};

// The title line and the line after it, without their line ends, as the run reads
// them (a '*' as the title's last character announces a header line).
std::vector<HeaderWarning> CheckHeader(std::string_view title, std::string_view secondLine);

// The header line's data word as written ("Tt", "2theta"), or empty when the title
// announces no header line or the line has no such word.
std::string HeaderDataWord(std::string_view title, std::string_view secondLine);

// What a data or minimise word most likely means, written in another case or spelt
// out ("TT", "2theta", "Energy", "d-spacing"); none for a word of no known meaning.
std::optional<Quantity> QuantityMeant(std::string_view word);

// "line 2, column 3: the data word ..."
std::string WarningText(const HeaderWarning& warning);

}  // namespace zantrel
