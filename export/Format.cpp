#include "export/Format.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>

namespace zantrel {

namespace {

#ifdef __SIZEOF_INT128__
__extension__ typedef unsigned __int128 Wide;

// Decimals up to this many are formatted by integer arithmetic: the 64-bit mantissa
// times 10^9 fits in 128 bits.
constexpr int MaxExactDecimals = 9;

// |x| = mantissa / 2^shift exactly, x finite and not zero, mantissa of 64 bits at most.
void BinaryParts(long double x, std::uint64_t& mantissa, int& shift) {
#if (defined(__x86_64__) || defined(__i386__)) && __LDBL_MANT_DIG__ == 64
    // The x87 format stores the 64-bit significand, leading bit included, then the sign
    // and a 15-bit exponent biased by 16383: read directly, as frexp and ldexp on a long
    // double cost more than the rest of the formatting.
    unsigned char bytes[sizeof(long double)];
    std::memcpy(bytes, &x, sizeof x);
    std::memcpy(&mantissa, bytes, 8);
    const int biased = (bytes[8] | (bytes[9] << 8)) & 0x7FFF;
    shift = 16383 + 63 - (biased == 0 ? 1 : biased);  // a subnormal's exponent is that of 1
#else
    int exponent = 0;
    const long double fraction = std::frexp(std::fabs(x), &exponent);  // in [0.5, 1)
    mantissa = std::uint64_t(std::ldexp(fraction, 64));                // exact: 64 bits
    shift = 64 - exponent;
#endif
}

// The text of a value: long enough for every value the integer path formats (a 128-bit
// integer's 39 digits, the sign and the point) and, through the library, for any value
// with the decimals a report prints.
using Text = std::array<char, 400>;

// x (finite, not zero) rounded to d decimals, halves to even on the exact binary value,
// as integer digits with the point inserted; the length, or 0 where the value is out of
// reach.
std::size_t FixedDigits(long double x, int d, Text& out) {
    if (std::numeric_limits<long double>::digits > 64 || d < 0 || d > MaxExactDecimals) return 0;
    std::uint64_t mantissa = 0;
    int shift = 0;  // |x| = mantissa / 2^shift
    BinaryParts(x, mantissa, shift);
    if (shift <= 0) return 0;         // 2^64 and beyond: rare enough for the library
    Wide scaled = mantissa;
    for (int i = 0; i < d; ++i) scaled *= 10;
    Wide rounded = 0;
    if (shift < 128) {
        rounded = scaled >> shift;
        const Wide rest = scaled - (rounded << shift);
        const Wide half = Wide(1) << (shift - 1);
        if (rest > half || (rest == half && (rounded & 1) != 0)) ++rounded;
    }
    // Below 2^-64 with at most 9 decimals the value rounds to zero.
    std::array<char, 48> digits{};
    int n = 0;
    // Digits by 64-bit division where the number fits, as a report's always do: a
    // 128-bit division is a library call.
    for (; rounded > std::numeric_limits<std::uint64_t>::max(); rounded /= 10)
        digits[std::size_t(n++)] = char('0' + int(rounded % 10));
    auto narrow = std::uint64_t(rounded);
    do {
        digits[std::size_t(n++)] = char('0' + int(narrow % 10));
        narrow /= 10;
    } while (narrow != 0);
    while (n <= d) digits[std::size_t(n++)] = '0';
    std::size_t length = 0;
    if (std::signbit(x)) out[length++] = '-';
    for (int i = n - 1; i >= 0; --i) {
        out[length++] = digits[std::size_t(i)];
        if (i == d && d > 0) out[length++] = '.';
    }
    return length;
}
#else
std::size_t FixedDigits(long double, int, Text&) { return 0; }  // the library does it all
#endif

// FixedText's characters in `out`; their count.
std::size_t FixedChars(long double x, int d, Text& out) {
    if (!std::isfinite(x)) {  // never reached by a sound report
        out[0] = '?';
        return 1;
    }
    if (x == 0) x = 0.0L;  // no sign on a zero
    if (std::size_t length = x != 0 ? FixedDigits(x, d, out) : 0; length > 0) return length;
    auto [end, ec] = std::to_chars(out.data(), out.data() + out.size(), x, std::chars_format::fixed, d);
    if (ec != std::errc()) {
        out[0] = '?';
        return 1;
    }
    return std::size_t(end - out.data());
}

}  // namespace

std::string FixedText(long double x, int d) {
    Text text;
    return std::string(text.data(), FixedChars(x, d, text));
}

std::string FixedField(long double x, int w, int d) {
    Text text;
    const std::size_t length = FixedChars(x, d, text);
    std::string field(length < std::size_t(w) ? std::size_t(w) - length : 0, ' ');
    field.append(text.data(), length);
    return field;
}

std::string RoundedField(long double x, int w) {
    // FixedText rounds halves to even on the exact value, as nearbyint does in the
    // default rounding mode; a value that rounds to zero prints without a sign.
    std::string text = FixedText(x, 0);
    if (text == "-0") text = "0";
    return StrField(text, w);
}

std::string IntField(long long i, int w) { return StrField(std::to_string(i), w); }

std::string StrField(std::string_view s, int w) {
    std::string out;
    if (int(s.size()) < w) out.assign(std::size_t(w) - s.size(), ' ');
    out += s;
    return out;
}

std::string FormatShortest(double x) {
    std::array<char, 64> buffer{};
    auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), x);
    if (ec != std::errc()) return "?";
    return std::string(buffer.data(), end);
}

}  // namespace zantrel
