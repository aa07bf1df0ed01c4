#include "engine/Angles.h"

#include <cmath>

#include "engine/Margins.h"

namespace zantrel::inline ZANTREL_ENGINE {

double ArcSin(double x) {
    if constexpr (FastEngine) CheckMargin(x * x, 1.0, 1.0, "an arcsine of an argument near 1");
    Extended t = Extended(x) / std::sqrt(1 - Extended(x) * x);
    // The same angle; the one-argument form is the quicker one in double precision.
    if constexpr (FastEngine) return std::atan(t);
    return double(std::atan2(t, Extended(1)));
}

double ArcCos(double x) { return double(Extended(HalfPi) - ArcSin(x)); }

}  // namespace zantrel::ZANTREL_ENGINE
