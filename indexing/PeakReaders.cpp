// The peak-list readers. The format is told from the text itself: a head line naming
// columns makes a CSV or TSV table, GSAS-II's "Export All Peak Lists" names its columns
// in a comment, a first line that is not a number is a Zantrel data file's title, and
// anything else is plain text, one peak a line.

#include "indexing/PeakList.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>

#include "cell/Messages.h"

namespace zantrel::indexing {

namespace {

struct Token {
    std::string text;
    int column = 0;  // 1-based
};

struct Line {
    std::string text;
    int number = 0;  // 1-based
};

// Lines ending in CR LF, LF or CR; a UTF-8 byte-order mark dropped.
std::vector<Line> SplitLines(const std::string& bytes) {
    std::vector<Line> lines;
    std::size_t start = bytes.starts_with("\xEF\xBB\xBF") ? 3 : 0;
    int number = 1;
    for (std::size_t i = start; i <= bytes.size(); ++i) {
        if (i == bytes.size() || bytes[i] == '\n' || bytes[i] == '\r') {
            if (i < bytes.size() || i > start) lines.push_back({bytes.substr(start, i - start), number++});
            if (i + 1 < bytes.size() && bytes[i] == '\r' && bytes[i + 1] == '\n') ++i;
            start = i + 1;
        }
    }
    return lines;
}

std::vector<Token> Split(const std::string& text, bool table) {
    std::vector<Token> tokens;
    std::size_t i = 0;
    auto separator = [&](char c) { return table ? (c == ',' || c == '\t' || c == ';') : (c == ' ' || c == '\t'); };
    if (!table) {
        while (i < text.size()) {
            while (i < text.size() && separator(text[i])) ++i;
            if (i == text.size()) break;
            std::size_t end = i;
            while (end < text.size() && !separator(text[end])) ++end;
            tokens.push_back({text.substr(i, end - i), int(i) + 1});
            i = end;
        }
        return tokens;
    }
    // A table keeps its empty cells: the columns are counted by their separators.
    while (true) {
        std::size_t end = i;
        while (end < text.size() && !separator(text[end])) ++end;
        std::size_t first = i, last = end;
        while (first < last && text[first] == ' ') ++first;
        while (last > first && text[last - 1] == ' ') --last;
        std::string cell = text.substr(first, last - first);
        if (cell.size() >= 2 && cell.front() == '"' && cell.back() == '"') cell = cell.substr(1, cell.size() - 2);
        tokens.push_back({cell, int(first) + 1});
        if (end >= text.size()) break;
        i = end + 1;
    }
    return tokens;
}

std::string Where(const std::string& name, int line, int column) {
    return "in " + name + ", line " + std::to_string(line) + ", column " + std::to_string(column);
}

std::optional<double> ToNumber(const std::string& text) {
    double x = 0;
    const char* begin = text.data();
    const char* end = text.data() + text.size();
    if (begin != end && *begin == '+') ++begin;
    auto [ptr, ec] = std::from_chars(begin, end, x, std::chars_format::general);
    if (ec != std::errc() || ptr != end || !std::isfinite(x)) return std::nullopt;
    return x;
}

double Number(const Token& t, const std::string& name, int line, const char* what) {
    std::optional<double> x = ToNumber(t.text);
    if (!x)
        Fail(t.text.empty() ? std::string("the ") + what + " is missing"
                            : "'" + t.text + "' is not a number (the " + what + ")",
             Where(name, line, t.column));
    return *x;
}

double Position(const Token& t, const std::string& name, int line) {
    double x = Number(t, name, line, "position");
    if (x <= 0) Fail("the position " + t.text + " is not positive", Where(name, line, t.column));
    return x;
}

std::optional<double> NonNegative(const Token& t, const std::string& name, int line, const char* what) {
    if (t.text.empty()) return std::nullopt;
    double x = Number(t, name, line, what);
    if (x < 0) Fail(std::string("the ") + what + " " + t.text + " is negative", Where(name, line, t.column));
    return x;
}

std::string Lower(std::string s) {
    for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// "# wavelength = 1.54056", "#wavelength =   1.540560": GSAS-II's comment, and the same
// said by hand. Other comments are passed over.
void ReadWavelengthComment(const Line& line, PeakList& list) {
    const std::string lower = Lower(line.text);
    std::size_t at = lower.find("wavelength");
    if (at == std::string::npos) return;
    std::size_t eq = lower.find_first_of("=:", at);
    if (eq == std::string::npos) return;
    std::size_t start = lower.find_first_not_of(" \t", eq + 1);
    if (start == std::string::npos) return;
    std::size_t end = lower.find_first_of(" \t", start);
    const Token t{line.text.substr(start, end == std::string::npos ? std::string::npos : end - start), int(start) + 1};
    double x = Number(t, list.name, line.number, "wavelength");
    if (x <= 0) Fail("the wavelength " + t.text + " is not positive", Where(list.name, line.number, t.column));
    list.wavelength = x;
}

bool IsComment(const Line& line) {
    std::size_t first = line.text.find_first_not_of(" \t");
    return first == std::string::npos || line.text[first] == '#';
}

// --- CSV and TSV with a head line ---

enum class Column { Ignored, TwoTheta, D, Energy, Position, Intensity, Sigma };

Column ColumnNamed(std::string name) {
    name = Lower(name);
    if (std::size_t paren = name.find_first_of("([ "); paren != std::string::npos) name = name.substr(0, paren);
    static const std::map<std::string, Column> names = {
        {"2theta", Column::TwoTheta}, {"tth", Column::TwoTheta}, {"two_theta", Column::TwoTheta},
        {"2-theta", Column::TwoTheta}, {"twotheta", Column::TwoTheta}, {"d", Column::D},
        {"d-obs", Column::D}, {"dobs", Column::D}, {"d_obs", Column::D}, {"dsp", Column::D},
        {"energy", Column::Energy}, {"e", Column::Energy}, {"position", Column::Position},
        {"pos", Column::Position}, {"intensity", Column::Intensity}, {"int", Column::Intensity},
        {"i", Column::Intensity}, {"sigma", Column::Sigma}, {"esd", Column::Sigma}, {"su", Column::Sigma}};
    auto at = names.find(name);
    return at == names.end() ? Column::Ignored : at->second;
}

bool IsHeadLine(const std::string& text) {
    for (const Token& t : Split(text, true)) {
        const Column c = ColumnNamed(t.text);
        if (c == Column::TwoTheta || c == Column::D || c == Column::Energy || c == Column::Position) return true;
    }
    return false;
}

PeakList ReadTable(PeakList list, const std::vector<Line>& lines, std::size_t head) {
    list.format = "CSV";
    const std::vector<Token> names = Split(lines[head].text, true);
    std::map<Column, std::size_t> at;
    for (std::size_t i = 0; i < names.size(); ++i) {
        const Column c = ColumnNamed(names[i].text);
        // The first sigma column is the position's (GSAS-II's "esd" after "dsp" is sigma(d)).
        if (c != Column::Ignored) at.try_emplace(c, i);
    }
    // The column the positions come from: the one of the kind asked for when the table
    // has it, else GSAS-II's "position" (2-theta), else 2-theta, d, energy in that order.
    const Column asked = list.kind == Quantity::D ? Column::D : list.kind == Quantity::Energy ? Column::Energy : Column::TwoTheta;
    const std::pair<Column, Quantity> order[] = {{asked, list.kind},
                                                 {Column::Position, Quantity::TwoTheta},
                                                 {Column::TwoTheta, Quantity::TwoTheta},
                                                 {Column::D, Quantity::D},
                                                 {Column::Energy, Quantity::Energy}};
    std::size_t position = 0;
    for (const auto& [column, quantity] : order)
        if (at.contains(column)) {
            position = at[column];
            list.kind = quantity;
            break;
        }
    for (std::size_t n = head + 1; n < lines.size(); ++n) {
        const Line& line = lines[n];
        if (IsComment(line)) continue;
        const std::vector<Token> cells = Split(line.text, true);
        auto cell = [&](std::size_t i) -> Token {
            if (i < cells.size()) return cells[i];
            return {"", int(line.text.size()) + 1};
        };
        Peak p;
        p.position = Position(cell(position), list.name, line.number);
        if (at.contains(Column::Intensity)) p.intensity = NonNegative(cell(at[Column::Intensity]), list.name, line.number, "intensity");
        if (at.contains(Column::Sigma)) p.sigma = NonNegative(cell(at[Column::Sigma]), list.name, line.number, "sigma");
        list.peaks.push_back(p);
    }
    return list;
}

// --- GSAS-II's "Export All Peak Lists": pos dsp esd int esd sig esd gam esd FWHM ---

PeakList ReadGsasExport(PeakList list, const std::vector<Line>& lines) {
    list.format = "GSAS-II peak list";
    bool seen = false;
    // Positions in 2-theta, or d spacings with sigma(d) when d is asked for.
    const bool dSpacings = list.kind == Quantity::D;
    if (!dSpacings) list.kind = Quantity::TwoTheta;
    for (const Line& line : lines) {
        std::size_t first = line.text.find_first_not_of(" \t");
        if (first == std::string::npos) continue;
        if (line.text[first] == '#') {
            if (line.text.find("Peak List") != std::string::npos) {
                if (seen)
                    Fail("the file holds the peak lists of several patterns; export one pattern, or split the file",
                         Where(list.name, line.number, int(first) + 1));
                seen = true;
            }
            ReadWavelengthComment(line, list);
            continue;
        }
        const std::vector<Token> t = Split(line.text, false);
        if (t.size() < 4)
            Fail("a line of GSAS-II's peak list has pos, dsp, esd and int, then the peak's widths",
                 Where(list.name, line.number, int(line.text.size()) + 1));
        Peak p;
        const double tth = Position(t[0], list.name, line.number);
        const double d = Position(t[1], list.name, line.number);
        const std::optional<double> sigmaD = NonNegative(t[2], list.name, line.number, "esd of d");
        p.intensity = NonNegative(t[3], list.name, line.number, "intensity");
        p.position = dSpacings ? d : tth;
        if (dSpacings) p.sigma = sigmaD;
        list.peaks.push_back(p);
    }
    if (dSpacings) list.wavelength.reset();  // d spacings need none
    return list;
}

// --- A Zantrel data file: title, optional header line, h k l value lines ---

PeakList ReadDataFile(PeakList list, const std::vector<Line>& lines, std::size_t titleLine) {
    list.format = "Zantrel data file";
    std::string title = lines[titleLine].text;
    std::size_t n = titleLine + 1;
    if (!title.empty() && title.back() == '*') {
        title.pop_back();
        if (n >= lines.size()) Fail("the title ends in '*' but no header line follows", Where(list.name, lines[titleLine].number, int(title.size()) + 1));
        const std::vector<Token> t = Split(lines[n].text, false);
        if (t.size() < 3) Fail("a header line holds the system, the data kind and the wavelength or detector angle",
                               Where(list.name, lines[n].number, 1));
        const std::string kind = Lower(t[1].text);
        list.kind = kind == "tt" ? Quantity::TwoTheta : kind == "e" ? Quantity::Energy : Quantity::D;
        const double x = Position(t[2], list.name, lines[n].number);
        if (list.kind == Quantity::Energy) list.beam2Theta = x;
        else list.wavelength = x;
        ++n;
    }
    list.title = title;
    bool started = false;
    for (; n < lines.size(); ++n) {
        const Line& line = lines[n];
        if (line.text.empty()) {
            if (started) break;  // an empty line after a reflection ends them, as the refinement reads it
            continue;
        }
        const std::vector<Token> t = Split(line.text, false);
        if (t.empty()) continue;
        if (t.size() < 4 && !(t.size() >= 3 && t[0].text == "0" && t[1].text == "0" && t[2].text == "0"))
            Fail("a reflection line holds h, k, l and the observed value",
                 Where(list.name, line.number, t.back().column + int(t.back().text.size())));
        for (int i = 0; i < 3; ++i) {
            int v = 0;
            auto [ptr, ec] = std::from_chars(t[i].text.data(), t[i].text.data() + t[i].text.size(), v);
            if (ec != std::errc() || ptr != t[i].text.data() + t[i].text.size())
                Fail("'" + t[i].text + "' is not an index (h, k and l are integers)", Where(list.name, line.number, t[i].column));
        }
        if (t[0].text == "0" && t[1].text == "0" && t[2].text == "0") break;
        started = true;
        list.peaks.push_back({Position(t[3], list.name, line.number), std::nullopt, std::nullopt});
    }
    return list;
}

// --- Plain text: position [intensity [sigma]] a line ---

PeakList ReadText(PeakList list, const std::vector<Line>& lines) {
    list.format = "peak text";
    for (const Line& line : lines) {
        std::size_t first = line.text.find_first_not_of(" \t");
        if (first == std::string::npos) continue;
        if (line.text[first] == '#') {
            ReadWavelengthComment(line, list);
            continue;
        }
        const std::vector<Token> t = Split(line.text, false);
        Peak p;
        p.position = Position(t[0], list.name, line.number);
        if (t.size() > 1) p.intensity = NonNegative(t[1], list.name, line.number, "intensity");
        if (t.size() > 2) p.sigma = NonNegative(t[2], list.name, line.number, "sigma");
        list.peaks.push_back(p);
    }
    return list;
}

}  // namespace

PeakList ReadPeakList(const std::string& bytes, const std::string& name, Quantity kind) {
    PeakList list;
    list.name = name;
    list.kind = kind;
    const std::vector<Line> lines = SplitLines(bytes);
    std::size_t first = 0;
    bool gsasExport = false;
    while (first < lines.size() && IsComment(lines[first])) {
        // GSAS-II names its columns in a comment: "#      pos        dsp        esd ..."
        const std::vector<Token> t = Split(lines[first].text.substr(lines[first].text.find('#') + 1), false);
        if (t.size() >= 3 && t[0].text == "pos" && t[1].text == "dsp" && t[2].text == "esd") gsasExport = true;
        ++first;
    }
    if (first == lines.size()) Fail("the file holds no peaks", "in " + name);
    if (gsasExport) list = ReadGsasExport(list, lines);
    else if (IsHeadLine(lines[first].text)) {
        for (std::size_t i = 0; i < first; ++i) ReadWavelengthComment(lines[i], list);
        list = ReadTable(list, lines, first);
    } else {
        const std::vector<Token> t = Split(lines[first].text, false);
        if (!ToNumber(t[0].text)) list = ReadDataFile(list, lines, first);
        else list = ReadText(list, lines);
    }
    if (list.peaks.empty()) Fail("the file holds no peaks", "in " + name);
    return list;
}

PeakList ReadPeakListFile(const std::string& path, Quantity kind) {
    std::ifstream in(path, std::ios::binary);
    if (!in) Fail(Msg::FileNotFound, "in " + path);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) Fail(IoErrorText(5), "while reading " + path);
    return ReadPeakList(bytes, path, kind);
}

}  // namespace zantrel::indexing
