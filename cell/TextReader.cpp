#include "cell/TextReader.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <limits>

#include "cell/Messages.h"

namespace zantrel {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Skips a run of digits; returns how many.
std::size_t SkipDigits(std::string_view s, std::size_t& i) {
    std::size_t start = i;
    while (i < s.size() && IsDigit(s[i])) ++i;
    return i - start;
}

std::string Quoted(std::string_view word) {
    constexpr std::size_t shown = 40;
    if (word.size() <= shown) return "\"" + std::string(word) + "\"";
    return "\"" + std::string(word.substr(0, shown)) + "...\" (" + std::to_string(word.size()) +
           " characters)";
}

// For a nonzero number in a form IsRealText accepts, the power of ten k with
// 10^(k-1) <= |x| < 10^k, near enough to tell a number too large for a double from
// one too small. Exponents beyond any double saturate.
long long DecimalOrder(std::string_view s) {
    constexpr long long Saturated = 1LL << 60;
    std::size_t i = s[0] == '+' || s[0] == '-' ? 1 : 0;
    std::size_t start = i;
    SkipDigits(s, i);
    std::string_view whole = s.substr(start, i - start);
    std::string_view fraction;
    if (i < s.size() && s[i] == '.') {
        start = ++i;
        SkipDigits(s, i);
        fraction = s.substr(start, i - start);
    }
    long long exponent = 0;
    if (i < s.size()) {  // after 'e' or 'E'
        std::string_view e = s.substr(i + 1);
        if (e.front() == '+') e.remove_prefix(1);
        auto [end, ec] = std::from_chars(e.data(), e.data() + e.size(), exponent);
        if (ec != std::errc() || exponent > Saturated || exponent < -Saturated)
            exponent = e.front() == '-' ? -Saturated : Saturated;
    }
    std::size_t lead = whole.find_first_not_of('0');
    if (lead != std::string_view::npos) return static_cast<long long>(whole.size() - lead) + exponent;
    return exponent - static_cast<long long>(fraction.find_first_not_of('0'));
}

}  // namespace

bool IsIntegerText(std::string_view s) {
    std::size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    return SkipDigits(s, i) > 0 && i == s.size();
}

bool IsRealText(std::string_view s) {
    std::size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    std::size_t digits = SkipDigits(s, i);
    if (i < s.size() && s[i] == '.') {
        ++i;
        digits += SkipDigits(s, i);
    }
    if (digits == 0) return false;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
        if (SkipDigits(s, i) == 0) return false;
    }
    return i == s.size();
}

TextReader::TextReader(std::string name, std::string bytes)
    : name_(std::move(name)), text_(std::move(bytes)) {}

void TextReader::Open(const std::string& path) {
    name_ = path;
    text_.clear();
    Rewind();
    errno = 0;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        int code = errno;
        if (code == ENOENT) Fail(Msg::FileNotFound, path);
        if (code == EACCES || code == EPERM) Fail(Msg::AccessDenied, path);
        Fail(IoErrorText(code), path);
    }
    // Read straight into our buffer: the stream's own would cost a stat and a copy.
    std::setvbuf(file, nullptr, _IONBF, 0);
    char buffer[65536];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        text_.append(buffer, got);
        if (got < sizeof buffer) break;  // the end, or an error that ferror tells
    }
    bool failed = std::ferror(file) != 0;
    int code = errno;
    std::fclose(file);
    if (failed && code == EISDIR) Fail(Msg::AccessDenied, "cannot read " + path + ": it is a folder");
    if (failed) Fail(IoErrorText(code), "while reading " + path);
}

void TextReader::Rewind() {
    pos_ = 0;
    line_ = 1;
}

void TextReader::Close() {
    text_ = std::string();  // {} would keep the memory
    Rewind();
}

int TextReader::Get() {
    if (Eof()) return -1;
    char c = text_[pos_++];
    if (c == '\n' || (c == '\r' && Peek() != '\n')) ++line_;
    return static_cast<unsigned char>(c);
}

void TextReader::SkipLineEnd() {
    if (Peek() == '\r') Get();
    else if (Peek() == '\n') Get();
    else return;
    if (text_[pos_ - 1] == '\r' && Peek() == '\n') Get();
}

void TextReader::SkipLine() {
    while (!Eof() && !AtLineEnd()) Get();
    SkipLineEnd();
}

std::string TextReader::ReadRestOfLine() {
    std::size_t start = pos_;
    while (!Eof() && !AtLineEnd()) ++pos_;
    return text_.substr(start, pos_ - start);
}

std::string_view TextReader::NextWord() {
    while (!Eof() && Peek() <= 32) Get();
    std::size_t start = pos_;
    while (!Eof() && Peek() > 32) ++pos_;
    return std::string_view(text_).substr(start, pos_ - start);
}

std::string TextReader::Where() const { return "in " + name_ + ", line " + std::to_string(line_); }

void TextReader::FailNumber(std::string_view word) const {
    Fail(Msg::InvalidNumericInput, Where() + ": " + Quoted(word));
}

int TextReader::ReadInteger() {
    std::string_view word = NextWord();
    if (word.empty()) return 0;  // end of file
    if (!IsIntegerText(word)) FailNumber(word);
    if (word.front() == '+') word.remove_prefix(1);
    int value = 0;
    auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), value);
    if (ec != std::errc() || end != word.data() + word.size()) FailNumber(word);
    return value;
}

double TextReader::ReadReal() {
    std::string_view word = NextWord();
    if (word.empty()) return 0.0;  // end of file
    if (!IsRealText(word)) FailNumber(word);
    std::string_view digits = word.front() == '+' ? word.substr(1) : word;
    double value = 0.0;
    auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (ec == std::errc::result_out_of_range) {
        // Too small for a double reads as zero, as the x87 loader would round it;
        // too large is an error, whether the exponent or the digits make it so.
        if (DecimalOrder(digits) > 0) FailNumber(word);
        return digits.front() == '-' ? -0.0 : 0.0;
    }
    if (ec != std::errc() || end != digits.data() + digits.size()) FailNumber(word);
    return value;
}

}  // namespace zantrel
