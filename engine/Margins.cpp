#include "engine/Margins.h"

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace zantrel {

namespace {

thread_local MarginCheck* active = nullptr;
thread_local int extendedScopes = 0;

// 10^d, exact in a long double for the decimals a report prints.
long double PowerOfTen(int d) {
    static constexpr long double powers[] = {1e0L, 1e1L, 1e2L, 1e3L, 1e4L, 1e5L, 1e6L, 1e7L, 1e8L, 1e9L};
    return d >= 0 && d <= 9 ? powers[d] : std::pow(10.0L, d);
}

bool ExtendedFromEnvironment() {
    const char* value = std::getenv("ZANTREL_EXTENDED");
    return value != nullptr && *value != '\0' && std::strcmp(value, "0") != 0;
}

std::atomic<bool>& ExtendedSetting() {
    static std::atomic<bool> setting{ExtendedFromEnvironment()};
    return setting;
}

}  // namespace

MarginCheck::MarginCheck() : outer_(active) { active = this; }
MarginCheck::~MarginCheck() { active = outer_; }
MarginCheck* MarginCheck::Active() { return active; }

void CheckMargin(double a, double b, double scale, const char* what) {
    if (active == nullptr) return;
    // A NaN fails too.
    if (!(std::fabs(a - b) > DecisionBound * std::fabs(scale))) active->Fail(what);
}

void CheckSound(bool sound, const char* what) {
    if (active != nullptr && !sound) active->Fail(what);
}

void CheckPrinted(long double x, int d, bool signPrinted) {
    if (active == nullptr) return;
    for (MarginCheck* check = active; check != nullptr; check = check->Outer())
        if (check->printed != nullptr) {
            check->printed->emplace_back(x, d);
            break;
        }
    if (!std::isfinite(x)) return active->Fail("a printed value is not finite");
    // In units of the last printed digit.
    const long double u = std::fabs(x) * PowerOfTen(d);
    const long double bound = PrintedRelativeBound * u + PrintedUnitBound;
    const long double fraction = u - std::floor(u);
    if (!(std::fabs(fraction - 0.5L) > bound)) return active->Fail("a printed value near a rounding boundary");
    if (signPrinted && u < 0.5L && !(u > bound)) active->Fail("the sign of a printed value that rounds to zero");
}

bool ExtendedOnly() { return extendedScopes > 0 || ExtendedSetting().load(std::memory_order_relaxed); }
ExtendedScope::ExtendedScope() { ++extendedScopes; }
ExtendedScope::~ExtendedScope() { --extendedScopes; }
void SetExtendedOnly(bool extendedOnly) { ExtendedSetting().store(extendedOnly, std::memory_order_relaxed); }

}  // namespace zantrel
