#pragma once
// Angles as the program forms them: degrees from radians with its own pi, and the
// inverse sine and cosine it builds from the arctangent.

#include "cell/Constants.h"
#include "engine/Indexed.h"

namespace zantrel {

inline namespace ZANTREL_ENGINE {

inline Extended Degrees(Extended radians) { return radians * 180 / Pi; }

// arcsin as the arctangent of x / sqrt(1 - x^2); |x| = 1 divides by zero.
double ArcSin(double x);
// pi/2 - arcsin x, with the program's pi/2.
double ArcCos(double x);

}  // namespace ZANTREL_ENGINE

}  // namespace zantrel
