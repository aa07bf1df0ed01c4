#include "support/SyntheticData.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <set>
#include <tuple>

namespace zantrel::synth {

namespace {

constexpr double TruePi = 3.14159265358979323846;
double Rad(double deg) { return deg * TruePi / 180.0; }

// Energy of a d spacing at a detector angle: E d sin(theta) = 6.199 keV angstrom, with
// the program's own constants so that exact data stay exact.
double EnergyFor(double d, double beam2Theta) {
    return 6.199 / (std::sin(0.00872664638888889 * beam2Theta) * d);
}

// An observed value as a file's text: with `decimals`, or as a tie of the report's table
// (one decimal more than its `table`, that one a 5), the tie nearest to x.
std::string Written(double x, int decimals, int table, bool tie) {
    char text[64];
    if (tie) {
        const double unit = std::pow(10.0, table);
        std::snprintf(text, sizeof text, "%.*f", table + 1, (std::floor(x * unit) + 0.5) / unit);
    } else {
        std::snprintf(text, sizeof text, "%.*f", decimals, x);
    }
    return text;
}

}  // namespace

double Cell::Volume() const {
    double ca = std::cos(Rad(alpha)), cb = std::cos(Rad(beta)), cg = std::cos(Rad(gamma));
    return a * b * c * std::sqrt(1 - ca * ca - cb * cb - cg * cg + 2 * ca * cb * cg);
}

double DSpacing(const Cell& cell, const Hkl& r) {
    double ca = std::cos(Rad(cell.alpha)), cb = std::cos(Rad(cell.beta)),
           cg = std::cos(Rad(cell.gamma));
    // Direct metric tensor G; 1/d^2 = h^T G^-1 h.
    double g[3][3] = {{cell.a * cell.a, cell.a * cell.b * cg, cell.a * cell.c * cb},
                      {cell.a * cell.b * cg, cell.b * cell.b, cell.b * cell.c * ca},
                      {cell.a * cell.c * cb, cell.b * cell.c * ca, cell.c * cell.c}};
    double det = g[0][0] * (g[1][1] * g[2][2] - g[1][2] * g[2][1]) -
                 g[0][1] * (g[1][0] * g[2][2] - g[1][2] * g[2][0]) +
                 g[0][2] * (g[1][0] * g[2][1] - g[1][1] * g[2][0]);
    double inv[3][3];
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) {
            int r1 = (j + 1) % 3, r2 = (j + 2) % 3, c1 = (i + 1) % 3, c2 = (i + 2) % 3;
            inv[i][j] = (g[r1][c1] * g[r2][c2] - g[r1][c2] * g[r2][c1]) / det;
        }
    double v[3] = {double(r.h), double(r.k), double(r.l)};
    double q = 0;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) q += v[i] * inv[i][j] * v[j];
    return 1 / std::sqrt(q);
}

std::vector<Hkl> Reflections(const DataSpec& recipe) {
    std::vector<std::pair<double, Hkl>> found;
    std::set<std::tuple<int, int, int>> seen;
    const int range = 12;
    for (int h = -range; h <= range; ++h)
        for (int k = -range; k <= range; ++k)
            for (int l = -range; l <= range; ++l) {
                if (h == 0 && k == 0 && l == 0) continue;
                // One of each Friedel pair: the first non-zero index positive.
                int first = h != 0 ? h : (k != 0 ? k : l);
                if (first < 0) continue;
                double d = DSpacing(recipe.cell, {h, k, l});
                double s = recipe.wavelength / (2 * d);
                if (s >= 1) continue;
                double tt = 2 * std::asin(s) * 180 / TruePi;
                if (tt < recipe.min2Theta || tt > recipe.max2Theta) continue;
                found.push_back({d, {h, k, l}});
            }
    std::sort(found.begin(), found.end(), [](const auto& x, const auto& y) {
        if (x.first != y.first) return x.first > y.first;
        return std::tie(x.second.h, x.second.k, x.second.l) > std::tie(y.second.h, y.second.k, y.second.l);
    });
    // Keep one reflection per distinct d (to 1e-9 relative), as an indexed powder list does.
    std::vector<Hkl> out;
    double lastD = -1;
    for (const auto& [d, r] : found) {
        if (lastD > 0 && std::fabs(d - lastD) < 1e-9 * d) continue;
        lastD = d;
        out.push_back(r);
        if (int(out.size()) == recipe.count) break;
    }
    return out;
}

std::string MakeDataFile(const DataSpec& recipe, const std::vector<Hkl>& reflections) {
    std::mt19937 random(recipe.seed);
    std::normal_distribution<double> noise(0.0, recipe.noise2Theta > 0 ? recipe.noise2Theta : 1.0);
    // Ties and outliers draw from a stream of their own, so that turning them on leaves
    // every line's noise as it was.
    std::mt19937 choices(recipe.seed + 1);
    std::bernoulli_distribution tie(recipe.tieShare);
    std::vector<double> moved(reflections.size(), 0.0);
    for (int k = 0; k < recipe.outliers && !reflections.empty(); ++k) {
        const std::size_t line = std::uniform_int_distribution<std::size_t>(0, reflections.size() - 1)(choices);
        moved[line] = std::uniform_real_distribution<double>(0.05, 0.3)(choices) * (choices() % 2 == 0 ? 1 : -1);
    }
    const bool d = recipe.kind == Kind::D;
    const int decimals = recipe.decimals >= 0 ? recipe.decimals : d ? 10 : 9, table = d ? 5 : 3;
    std::string out = "Synthetic test cell";
    if (recipe.header) {
        const char* kind = recipe.kind == Kind::TwoTheta ? "tt" : recipe.kind == Kind::Energy ? "e" : "d";
        char line[160];
        std::snprintf(line, sizeof line, "*\r\n%d %s %.6f %s %c\r\n", recipe.system, kind,
                      recipe.kind == Kind::Energy ? recipe.beam2Theta : recipe.wavelength,
                      recipe.minimise.c_str(), recipe.zeroShiftFlag ? 'y' : 'n');
        out += line;
    } else {
        out += "\r\n";
    }
    for (std::size_t i = 0; i < reflections.size(); ++i) {
        const Hkl& r = reflections[i];
        double spacing = DSpacing(recipe.cell, r);
        double tt = 2 * std::asin(recipe.wavelength / (2 * spacing)) * 180 / TruePi;
        double dtt = (recipe.noise2Theta > 0 ? noise(random) : 0.0) + moved[i];
        double value;
        if (recipe.kind == Kind::TwoTheta) {
            value = tt + dtt + recipe.zeroShift;
        } else if (d) {
            value = recipe.wavelength / (2 * std::sin(Rad((tt + dtt) / 2)));
        } else {
            double e = EnergyFor(spacing, recipe.beam2Theta);
            // The energy error that a 2-theta error implies: dE/E = -cot(theta) dtheta.
            double theta = Rad(recipe.beam2Theta / 2);
            double de = -e * Rad(dtt / 2) / std::tan(theta);
            value = e + de + recipe.zeroShift;
        }
        char line[64];
        std::snprintf(line, sizeof line, "%4d %4d %4d ", r.h, r.k, r.l);
        out += line + Written(value, decimals, table, tie(choices)) + "\r\n";
    }
    out += "   0    0    0 0\r\n";
    return out;
}

std::string MakeDataFile(const DataSpec& recipe) { return MakeDataFile(recipe, Reflections(recipe)); }

Cell RandomCell(int system, std::mt19937& random) {
    std::uniform_real_distribution<double> length(4.0, 14.0), angle(80.0, 110.0), monoclinic(95.0, 120.0);
    const double a = length(random), b = length(random), c = length(random);
    switch (system) {
        // Cubic and tetragonal cells need an edge of 10 A or more for 60 lines below 140 deg.
        case 1: {
            double edge = a + 6;
            return {edge, edge, edge, 90, 90, 90};
        }
        case 2: return {a + 6, a + 6, c, 90, 90, 90};
        case 3: return {a + 3, a + 3, c, 90, 90, 120};
        case 4: return {a, b, c, 90, 90, 90};
        case 5: return {a, b, c, 90, monoclinic(random), 90};
        default: return {a, b, c, angle(random), angle(random), angle(random)};
    }
}


}  // namespace zantrel::synth
