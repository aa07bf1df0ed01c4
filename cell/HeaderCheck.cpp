#include "cell/HeaderCheck.h"

#include <array>
#include <optional>

#include "cell/TextReader.h"

namespace zantrel {

namespace {

// One blank- or tab-separated item of a line, as a person sees it.
struct Item {
    std::string_view text;
    int column = 0;
};

bool IsSeparator(char c) { return static_cast<unsigned char>(c) <= 32; }

std::vector<Item> Items(std::string_view line) {
    std::vector<Item> items;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && IsSeparator(line[i])) ++i;
        std::size_t start = i;
        while (i < line.size() && !IsSeparator(line[i])) ++i;
        if (i > start) items.push_back({line.substr(start, i - start), int(start) + 1});
    }
    return items;
}

bool AnnouncesHeader(std::string_view title) { return !title.empty() && title.back() == '*'; }

// The word as the header's reader takes it: its first six characters, right-justified.
std::string Token(std::string_view word) {
    std::string cut(word.substr(0, 6));
    return std::string(6 - cut.size(), ' ') + cut;
}

std::string Folded(std::string_view word) {
    std::string folded;
    for (char c : word) {
        if (c == '-' || c == '_' || c == '.' || c == '(' || c == ')') continue;
        folded += (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
    }
    return folded;
}

}  // namespace

// The words of the command line's options and of the columns' usual names.
std::optional<Quantity> QuantityMeant(std::string_view word) {
    struct Spelling {
        const char* word;
        Quantity quantity;
    };
    static constexpr std::array<Spelling, 20> Spellings{{
        {"tt", Quantity::TwoTheta},       {"2theta", Quantity::TwoTheta}, {"twotheta", Quantity::TwoTheta},
        {"2th", Quantity::TwoTheta},      {"tth", Quantity::TwoTheta},    {"2t", Quantity::TwoTheta},
        {"theta", Quantity::TwoTheta},    {"2\xCE\xB8", Quantity::TwoTheta},
        {"e", Quantity::Energy},          {"energy", Quantity::Energy},   {"energies", Quantity::Energy},
        {"kev", Quantity::Energy},        {"en", Quantity::Energy},
        {"d", Quantity::D},               {"dspacing", Quantity::D},      {"dspacings", Quantity::D},
        {"spacing", Quantity::D},         {"dvalue", Quantity::D},        {"dvalues", Quantity::D},
        {"q", Quantity::Q},
    }};
    const std::string folded = Folded(word);
    for (const Spelling& s : Spellings)
        if (folded == s.word) return s.quantity;
    return std::nullopt;
}

namespace {

const char* CanonicalWord(Quantity q) {
    switch (q) {
        case Quantity::TwoTheta: return "tt";
        case Quantity::Energy: return "e";
        case Quantity::D: return "d";
        case Quantity::Q: return "q";
    }
    return "";
}

const char* Reading(Quantity q, bool data) {
    switch (q) {
        case Quantity::TwoTheta: return "2-theta";
        case Quantity::Energy: return data ? "energies" : "energy";
        case Quantity::D: return data ? "d spacings" : "d";
        case Quantity::Q: return "Q";
    }
    return "";
}

// A data or minimise word that reads as another quantity than it names.
void CheckWord(const Item& item, bool data, std::vector<HeaderWarning>& warnings) {
    const std::string token = Token(item.text);
    const Quantity read = data ? DataKindFromToken(token) : MinimisedFromToken(token);
    const std::optional<Quantity> meant = QuantityMeant(item.text);
    // Data words know no Q: "q" there means d spacings, as every unknown word does.
    if (!meant || *meant == read || (data && *meant == Quantity::Q)) return;
    const std::string word(item.text);
    const std::string canonical = CanonicalWord(*meant);
    const bool caseOnly = Folded(word) == canonical;
    std::string why = caseOnly ? "the header's words are case-sensitive"
                               : std::string("the header knows only the words tt, e and d") + (data ? "" : " (else Q)");
    warnings.push_back({2, item.column,
                        std::string(data ? "the data word '" : "the minimise word '") + word + "' reads as " +
                            Reading(read, data) + ", not " + Reading(*meant, data) + ": " + why + "; write " +
                            canonical});
}

// The zero-shift flag is the one character after the blank that ends the minimise
// word; one written after more blanks is not read.
void CheckFlag(std::string_view line, const Item& minimise, std::vector<HeaderWarning>& warnings) {
    std::size_t i = std::size_t(minimise.column - 1) + minimise.text.size();
    std::size_t blanks = 0;
    while (i < line.size() && line[i] == ' ') ++i, ++blanks;
    if (blanks < 2 || i >= line.size()) return;
    const char flag = line[i];
    const std::string counted = std::to_string(blanks) + " blanks before the zero-shift flag '" + std::string(1, flag) +
                                "': the flag is read only right after the one blank that ends the minimise word, so ";
    warnings.push_back({2, int(i) + 1,
                        counted + (flag == 'y' || flag == 'Y' ? "the zero shift is not refined"
                                                              : "it is not read (the zero shift is off either way)")});
}

// A line of a crystal system, a word and a number, as a header line begins.
bool LooksLikeHeader(std::string_view line) {
    const std::vector<Item> items = Items(line);
    if (items.size() < 3) return false;
    const std::string_view system = items[0].text;
    return system.size() == 1 && system[0] >= '1' && system[0] <= '6' && !IsRealText(items[1].text) &&
           IsRealText(items[2].text);
}

}  // namespace

std::vector<HeaderWarning> CheckHeader(std::string_view title, std::string_view secondLine) {
    std::vector<HeaderWarning> warnings;
    if (!AnnouncesHeader(title)) {
        const std::size_t star = title.find_last_not_of(" \t");
        const bool blanksAfterStar = star != std::string_view::npos && star + 1 < title.size() && title[star] == '*';
        if (blanksAfterStar)
            warnings.push_back({1, int(star) + 2,
                                "blanks after the title's '*': only a '*' as the title's last character announces a "
                                "header line, so line 2 is read as a reflection"});
        else if (LooksLikeHeader(secondLine))
            warnings.push_back({2, 1,
                                "line 2 looks like a header line, but the title does not end in '*', so it is read "
                                "as a reflection"});
        return warnings;
    }
    if (std::size_t tab = secondLine.find('\t'); tab != std::string_view::npos)
        warnings.push_back({2, int(tab) + 1,
                            "a tab in the header line: only blanks end the header's words, so the tab is read as "
                            "part of a word and the items after it are not read as they look; use blanks"});
    const std::vector<Item> items = Items(secondLine);
    if (items.size() > 1) CheckWord(items[1], true, warnings);
    if (items.size() > 3) {
        CheckWord(items[3], false, warnings);
        if (secondLine.find('\t') == std::string_view::npos) CheckFlag(secondLine, items[3], warnings);
    }
    return warnings;
}

std::string HeaderDataWord(std::string_view title, std::string_view secondLine) {
    if (!AnnouncesHeader(title)) return {};
    const std::vector<Item> items = Items(secondLine);
    return items.size() > 1 ? std::string(items[1].text) : std::string();
}

std::string WarningText(const HeaderWarning& warning) {
    return "line " + std::to_string(warning.line) + ", column " + std::to_string(warning.column) + ": " + warning.text;
}

}  // namespace zantrel
