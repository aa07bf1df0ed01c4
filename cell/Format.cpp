#include "cell/Format.h"

#include <array>
#include <charconv>
#include <cmath>

namespace zantrel {

std::string FixedField(long double x, int w, int d) {
    if (!std::isfinite(x)) return StrField("?", w);  // never reached by a sound report
    if (x == 0) x = 0.0L;                            // no sign on a zero
    std::array<char, 400> buffer{};
    auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), x,
                                   std::chars_format::fixed, d);
    if (ec != std::errc()) return StrField("?", w);
    return StrField(std::string_view(buffer.data(), std::size_t(end - buffer.data())), w);
}

std::string RoundedField(long double x, int w) {
    long double r = std::nearbyint(x);  // the default rounding mode takes halves to even
    if (r == 0) r = 0.0L;
    return FixedField(r, w, 0);
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
