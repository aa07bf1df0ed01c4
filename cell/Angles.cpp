#include "cell/Angles.h"

#include <cmath>

namespace zantrel {

double ArcSin(double x) {
    Extended t = Extended(x) / std::sqrt(1 - Extended(x) * x);
    return double(std::atan2(t, Extended(1)));
}

double ArcCos(double x) { return double(Extended(HalfPi) - ArcSin(x)); }

}  // namespace zantrel
