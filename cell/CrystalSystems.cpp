#include "cell/CrystalSystems.h"

namespace zantrel {

namespace {

constexpr CellSlot Right{0, 90.0};

// Tetragonal and hexagonal cells keep c in slot 2, the monoclinic beta in slot 4
// (unique axis b).
constexpr SystemLayout Layouts[6] = {
    {1, {"a"}, {"a*"}, {"h^2+k^2+l^2 (a*^2)"}, {{{1, 0}, {1, 0}, {1, 0}, Right, Right, Right}}},
    {2, {"a", "c"}, {"a*", "c*"}, {"h^2+k^2 (a*^2)", "l^2 (c*^2)"},
     {{{1, 0}, {1, 0}, {2, 0}, Right, Right, Right}}},
    {2, {"a", "c"}, {"a*", "c*"}, {"h^2+k^2+hk (a*^2)", "l^2 (c*^2)"},
     {{{1, 0}, {1, 0}, {2, 0}, Right, Right, {0, 120.0}}}},
    {3, {"a", "b", "c"}, {"a*", "b*", "c*"}, {"h^2 (a*^2)", "k^2 (b*^2)", "l^2 (c*^2)"},
     {{{1, 0}, {2, 0}, {3, 0}, Right, Right, Right}}},
    {4, {"a", "b", "c", "beta"}, {"a*", "b*", "c*", "beta*"},
     {"h^2 (a*^2)", "k^2 (b*^2)", "l^2 (c*^2)", "hl (a*c* cos beta*)"},
     {{{1, 0}, {2, 0}, {3, 0}, Right, {4, 0}, Right}}},
    {6, {"a", "b", "c", "alpha", "beta", "gamma"}, {"a*", "b*", "c*", "alpha*", "beta*", "gamma*"},
     {"h^2 (a*^2)", "k^2 (b*^2)", "l^2 (c*^2)", "kl (b*c* cos alpha*)", "hl (a*c* cos beta*)",
      "hk (a*b* cos gamma*)"},
     {{{1, 0}, {2, 0}, {3, 0}, {4, 0}, {5, 0}, {6, 0}}}},
};

constexpr SystemLayout None{};

}  // namespace

const SystemLayout& LayoutOf(CrystalSystem system) {
    const int i = int(system);
    return i >= 1 && i <= 6 ? Layouts[i - 1] : None;
}

}  // namespace zantrel
