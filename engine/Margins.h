#pragma once
// The fast path's checks. A run in double precision may stand in for the extended one
// only where nothing it decides or prints could come out otherwise: each decision must
// lie farther from its threshold, and each printed value farther from its rounding
// boundary (and from zero, for its sign), than the two paths can differ. Where one does
// not, the run is repeated in extended precision. docs/fast-path.md states the bounds
// and the measurements behind them.

#include <string>
#include <vector>

namespace zantrel {

// Two paths' values of a quantity differ by less than this much of the magnitude of the
// operands that formed it (the scale passed to CheckMargin).
inline constexpr double DecisionBound = 1e-12;
// A printed value x with d decimals differs by less than
// PrintedRelativeBound |x| + PrintedUnitBound 10^-d.
inline constexpr double PrintedRelativeBound = 1e-10;
inline constexpr double PrintedUnitBound = 3e-5;

// Checks the fast run of this thread while it exists; checks nest.
class MarginCheck {
public:
    MarginCheck();
    ~MarginCheck();
    MarginCheck(const MarginCheck&) = delete;
    MarginCheck& operator=(const MarginCheck&) = delete;

    bool Passed() const { return reason_ == nullptr; }
    // Why the run must be repeated in extended precision: the first failed check.
    const char* Reason() const { return reason_ == nullptr ? "" : reason_; }
    void Fail(const char* reason) {
        if (reason_ == nullptr) reason_ = reason;
    }
    // Every printed value and its decimals, for the measurements of the bounds: the
    // innermost check that has a record keeps it.
    std::vector<std::pair<long double, int>>* printed = nullptr;
    MarginCheck* Outer() const { return outer_; }

    static MarginCheck* Active();

private:
    const char* reason_ = nullptr;
    MarginCheck* outer_ = nullptr;
};

// A decision between a and b: fails the active check unless |a - b| > DecisionBound * scale.
void CheckMargin(double a, double b, double scale, const char* what);
// A condition under which the bounds hold (no near-exact cancellation, no value at
// rounding level): fails the active check where it does not.
void CheckSound(bool sound, const char* what);
// x printed with d decimals. A value whose sign is not printed (a rounded percentage)
// is checked against the rounding boundary only.
void CheckPrinted(long double x, int d, bool signPrinted = true);

// The extended path only, for comparisons: set by ZANTREL_EXTENDED=1 or by the caller,
// for the whole program or for the runs of this thread while an ExtendedScope exists.
bool ExtendedOnly();
void SetExtendedOnly(bool extendedOnly);
class ExtendedScope {
public:
    ExtendedScope();
    ~ExtendedScope();
    ExtendedScope(const ExtendedScope&) = delete;
    ExtendedScope& operator=(const ExtendedScope&) = delete;
};

}  // namespace zantrel
