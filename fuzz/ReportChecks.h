#pragma once
// What every run must satisfy, whatever its input: shared by the fuzz target and the
// bad-input catalogue. Each check returns what is wrong, or an empty string.

#include <cctype>
#include <string>
#include <string_view>

#include "cell/Messages.h"
#include "run/Run.h"

namespace zantrel::checks {

inline bool IsLetter(char c) { return std::isalpha(static_cast<unsigned char>(c)) != 0; }

// "nan", "inf" or "infinity" in any case, between non-letters: report fields follow each
// other without separators, so a digit may stand right before it.
inline bool HasNonFiniteWord(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) c = char(std::tolower(static_cast<unsigned char>(c)));
    for (std::string_view word : {"nan", "inf"}) {
        for (std::size_t at = lower.find(word); at != std::string::npos;
             at = lower.find(word, at + 1)) {
            std::size_t end = at + word.size();
            if (word == "inf" && lower.compare(at, 8, "infinity") == 0) end = at + 8;
            bool startsWord = at == 0 || !IsLetter(lower[at - 1]);
            bool endsWord = end >= lower.size() || !IsLetter(lower[end]);
            if (startsWord && endsWord) return true;
        }
    }
    return false;
}

inline std::string HaltReport() {
    return std::string(Msg::Banner) + "\r\n\r\n" + Msg::NotEnoughData + "\r\n";
}

// Every line ends in CR LF; no line but the title (the user's own bytes) holds a '?'
// field of the formatter or a non-finite number. A halted run holds the halt message only.
inline std::string ReportFault(const std::string& report, bool halted) {
    if (report.rfind(std::string(Msg::Banner) + "\r\n", 0) != 0) return "no banner";
    if (halted)
        return report == HaltReport() ? "" : "a halted run wrote more than the halt message";
    bool titleSeen = false;
    std::size_t start = 0;
    while (start < report.size()) {
        std::size_t cr = report.find('\r', start);
        std::size_t lf = report.find('\n', start);
        if (cr == std::string::npos || lf != cr + 1)
            return "line not ended by CR LF: " + report.substr(start, 100);
        std::string_view line(report.data() + start, cr - start);
        start = lf + 1;
        if (!titleSeen && line.rfind("sample title: ", 0) == 0) {
            titleSeen = true;
            continue;
        }
        if (line.find('?') != std::string_view::npos) return "'?' field: " + std::string(line);
        if (HasNonFiniteWord(line)) return "non-finite number: " + std::string(line);
    }
    return titleSeen ? "" : "no title line";
}

// The record holds a row for every reflection the report lists and an entry for every
// refined parameter it prints; a halted run holds no results.
inline std::string RecordFault(const Results& r) {
    const std::size_t n = std::size_t(r.obsCount), p = std::size_t(r.paramCount);
    if (r.halted) return r.parameters.empty() && r.reflections.empty() ? "" : "a halted run has results";
    if (r.obsCount > 200 || (r.tooManyReflections && r.obsCount != 200)) return "more than 200 reflections";
    if (r.parameters.size() != p || r.reciprocal.size() != p || r.covariance.size() != p ||
        r.correlation.size() != p)
        return "not one entry per refined parameter";
    if (r.reflections.size() != n || r.diagnostics.rows.size() != n) return "not one row per reflection";
    for (const DiagnosticRow& row : r.diagnostics.rows)
        if (row.parameterChangePercent.size() != p) return "a DfBetas row without one change per parameter";
    return "";
}

// Whatever a run that ended without an error hands back.
inline std::string ReplyFault(const RunReply& reply) {
    const std::string report = ReportFault(reply.report, reply.results.halted);
    return report.empty() ? RecordFault(reply.results) : report;
}

// The first lines a run may end with; anything else is a fault of its own.
inline bool KnownFirstLine(std::string_view line) {
    for (std::string_view known :
         {Msg::FileNotFound, Msg::PathNotFound, Msg::AccessDenied, Msg::DiskFull,
          Msg::InvalidNumericInput, Msg::ReadBeyondEnd, Msg::InvalidOperation, Msg::DivisionByZero,
          Msg::Overflow, Msg::ImpossibleCell, Msg::MisleadingHeader})
        if (line == known) return true;
    for (std::string_view known : {"The refinement did not converge",
                                   "The linear regression did not converge",
                                   "The report would replace the data file"})
        if (line == known) return true;
    if (line.rfind("I/O error ", 0) == 0) return true;
    constexpr std::string_view head = "Invalid crystal system ";
    for (std::string_view tail : {" in the header line", " in the settings"})
        if (line.size() > head.size() + tail.size() && line.substr(0, head.size()) == head &&
            line.substr(line.size() - tail.size()) == tail)
            return true;
    return false;
}

// A known first line, then where; a quoted piece of the data file may say anything.
inline std::string MessageFault(std::string_view message) {
    std::size_t newline = message.find('\n');
    if (!KnownFirstLine(message.substr(0, newline))) return "unexpected first line";
    if (newline == std::string_view::npos || newline + 1 == message.size())
        return "no second line saying where";
    std::string where(message.substr(newline + 1));
    std::size_t quote = where.find('"');
    if (quote != std::string::npos) where.erase(quote);
    if (HasNonFiniteWord(where)) return "non-finite number";
    return "";
}

}  // namespace zantrel::checks
