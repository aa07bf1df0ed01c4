#pragma once
// The fast path's checks. A run in double precision may stand in for the extended one
// only where nothing it decides or prints could come out otherwise: each decision must
// lie farther from its threshold, and each printed value farther from its rounding
// boundary (and from zero, for its sign), than the two paths can differ. Where one does
// not, the run is repeated in extended precision. docs/fast-path.md states the bounds
// and the measurements behind them.
//
// The fast build's job carries a check and the report formatter takes it; the
// reference build passes none, and every check below is then a no-op.

#include <cmath>
#include <utility>
#include <vector>

namespace zantrel {

// Two paths' values of a quantity differ by less than this much of the magnitude of the
// operands that formed it (the scale passed to CheckMargin).
inline constexpr double DecisionBound = 1e-12;
// A printed value x with d decimals differs by less than
// PrintedRelativeBound |x| + PrintedUnitBound 10^-d.
inline constexpr double PrintedRelativeBound = 1e-10;
inline constexpr double PrintedUnitBound = 3e-5;

// The verdict on one fast run: passed until a check fails.
class MarginCheck {
public:
    bool Passed() const { return reason_ == nullptr; }
    // Why the run must be repeated in extended precision: the first failed check.
    const char* Reason() const { return reason_ == nullptr ? "" : reason_; }
    void Fail(const char* reason) {
        if (reason_ == nullptr) reason_ = reason;
    }
    // Every printed value and its decimals, for the measurements of the bounds.
    std::vector<std::pair<long double, int>>* printed = nullptr;

private:
    const char* reason_ = nullptr;
};

// A decision between a and b: fails the check unless |a - b| > DecisionBound * scale.
inline void CheckMargin(MarginCheck* check, double a, double b, double scale, const char* what) {
    // A NaN fails too.
    if (check != nullptr && !(std::fabs(a - b) > DecisionBound * std::fabs(scale))) check->Fail(what);
}

// A condition under which the bounds hold (no near-exact cancellation, no value at
// rounding level).
inline void CheckSound(MarginCheck* check, bool sound, const char* what) {
    if (check != nullptr && !sound) check->Fail(what);
}

// x printed with d decimals. A value whose sign is not printed (a rounded percentage)
// is checked against the rounding boundary only.
inline void CheckPrinted(MarginCheck* check, long double x, int d, bool signPrinted = true) {
    if (check == nullptr) return;
    if (check->printed != nullptr) check->printed->emplace_back(x, d);
    if (!std::isfinite(x)) return check->Fail("a printed value is not finite");
    // 10^d, exact in a long double for the decimals a report prints.
    static constexpr long double powers[] = {1e0L, 1e1L, 1e2L, 1e3L, 1e4L, 1e5L, 1e6L, 1e7L, 1e8L, 1e9L};
    // In units of the last printed digit.
    const long double u = std::fabs(x) * (d >= 0 && d <= 9 ? powers[d] : std::pow(10.0L, d));
    const long double bound = PrintedRelativeBound * u + PrintedUnitBound;
    const long double fraction = u - std::floor(u);
    if (!(std::fabs(fraction - 0.5L) > bound)) return check->Fail("a printed value near a rounding boundary");
    if (signPrinted && u < 0.5L && !(u > bound)) check->Fail("the sign of a printed value that rounds to zero");
}

}  // namespace zantrel
