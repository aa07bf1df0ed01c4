#include "indexing/Assign.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "cell/Constants.h"
#include "export/Format.h"

namespace zantrel::indexing {

namespace {

// A calculated line: the reflections closer together than the tolerance, one line to
// the data; `position` is its first reflection's.
struct Line {
    std::vector<std::size_t> members;  // into the reflections
    double low = 0, high = 0;          // the members' calculated positions
};

struct Calculated {
    Miller hkl;
    double position;
};

// Of two distances inside one window, the nearer is taken only when the other lies at
// least half a window farther: closer than that, scatter decides which is nearer.
bool ClearlyNearer(double nearest, double second, double window) { return second - nearest >= window / 2; }

bool Coincide(double x, double y) { return std::fabs(x - y) <= 1e-9 * std::fabs(x); }

}  // namespace

std::optional<double> Window::At(double position) const {
    const double d = conversion.DOf(position);
    if (relative) {
        switch (conversion.kind) {
            case Quantity::D: return *relative * d;
            case Quantity::Energy: return *relative * position;
            default: {
                const double s = conversion.wavelength / (2 * d);
                if (!(s < 1)) return std::nullopt;
                const double theta = std::asin(s);
                return 2 * std::tan(theta) * *relative * 180 / Pi;
            }
        }
    }
    const double dTheta = tolerance2Theta / 2 * Pi / 180;  // radians of theta
    switch (conversion.kind) {
        case Quantity::TwoTheta: return tolerance2Theta;
        case Quantity::D: {
            const double s = conversion.wavelength / (2 * d);
            if (!(s < 1)) return std::nullopt;
            return d * dTheta / std::tan(std::asin(s));
        }
        default: return position * dTheta / std::tan(TwoThetaDegToThetaRad * conversion.beam2Theta);
    }
}

std::string Window::Description() const {
    const std::string shortest = FormatShortest(relative ? *relative : tolerance2Theta);
    if (relative) return "relative: dd/d = " + shortest + " at each peak";
    switch (conversion.kind) {
        case Quantity::TwoTheta: return "2theta: +-" + shortest + " deg";
        case Quantity::D:
            return "d: dd = d cot(theta) dtheta at each peak, for +-" + shortest + " deg of 2theta at lambda = " +
                   FormatShortest(conversion.wavelength) + " A";
        default:
            return "energy: dE = E cot(theta) dtheta at each peak, for +-" + shortest + " deg of 2theta at the detector angle " +
                   FormatShortest(conversion.beam2Theta) + " deg";
    }
}

const char* StatusName(PeakStatus status) {
    switch (status) {
        case PeakStatus::Indexed: return "indexed";
        case PeakStatus::Overlapped: return "overlapped";
        case PeakStatus::Ambiguous: return "ambiguous";
        case PeakStatus::Unassigned: return "unassigned";
    }
    return "";
}

bool IsUsed(PeakStatus status) { return status == PeakStatus::Indexed || status == PeakStatus::Overlapped; }

std::vector<PeakAssignment> Assign(const std::vector<Peak>& peaks, const std::vector<Reflection>& reflections,
                                   const Window& window, double zero) {
    // The calculated positions, in the data's order (ascending, for d descending).
    std::vector<Calculated> calc;
    for (const Reflection& r : reflections)
        if (std::optional<double> p = window.conversion.PositionOf(r.d)) calc.push_back({r.hkl, *p});
    std::sort(calc.begin(), calc.end(), [](const Calculated& x, const Calculated& y) { return x.position < y.position; });
    // Reflections at one position but for rounding (3 3 3 and 5 1 1 of a cubic cell) in one
    // order whatever the rounding, so that a round chooses among them as the one before.
    for (std::size_t i = 0; i < calc.size();) {
        std::size_t end = i + 1;
        while (end < calc.size() && Coincide(calc[end].position, calc[i].position)) ++end;
        std::sort(calc.begin() + std::ptrdiff_t(i), calc.begin() + std::ptrdiff_t(end),
                  [](const Calculated& x, const Calculated& y) { return x.hkl > y.hkl; });
        i = end;
    }
    // Reflections closer than the tolerance to their neighbour form one line.
    std::vector<Line> lines;
    for (std::size_t i = 0; i < calc.size(); ++i) {
        const std::optional<double> w = window.At(calc[i].position);
        if (!lines.empty() && w && calc[i].position - lines.back().high < *w) {
            lines.back().members.push_back(i);
            lines.back().high = calc[i].position;
        } else {
            lines.push_back({{i}, calc[i].position, calc[i].position});
        }
    }
    std::vector<std::size_t> lineOf(calc.size());
    for (std::size_t l = 0; l < lines.size(); ++l)
        for (std::size_t m : lines[l].members) lineOf[m] = l;
    std::vector<PeakAssignment> out;
    // Each line's claimants: (distance, peak).
    std::map<std::size_t, std::vector<std::pair<double, std::size_t>>> claims;
    for (const Peak& peak : peaks) {
        PeakAssignment a;
        a.peak = peak;
        a.corrected = peak.position + zero;
        const std::optional<double> w = window.At(a.corrected);
        a.window = w.value_or(0);
        std::vector<std::pair<double, std::size_t>> near;  // (distance, line)
        if (w) {
            auto first = std::lower_bound(calc.begin(), calc.end(), a.corrected - *w,
                                          [](const Calculated& c, double x) { return c.position < x; });
            std::map<std::size_t, double> byLine;
            for (auto it = first; it != calc.end() && it->position <= a.corrected + *w; ++it) {
                const double distance = std::fabs(it->position - a.corrected);
                a.candidates.push_back({it->hkl, it->position});
                auto [at, added] = byLine.try_emplace(lineOf[std::size_t(it - calc.begin())], distance);
                if (!added) at->second = std::min(at->second, distance);
            }
            for (const auto& [line, distance] : byLine) near.push_back({distance, line});
            std::sort(near.begin(), near.end());
            std::stable_sort(a.candidates.begin(), a.candidates.end(), [&](const Candidate& x, const Candidate& y) {
                return std::fabs(x.position - a.corrected) < std::fabs(y.position - a.corrected);
            });
        }
        if (near.empty()) a.status = PeakStatus::Unassigned;
        else if (near.size() == 1 || ClearlyNearer(near[0].first, near[1].first, a.window)) {
            claims[near[0].second].push_back({near[0].first, out.size()});
            const Line& line = lines[near[0].second];
            a.status = line.members.size() > 1 ? PeakStatus::Overlapped : PeakStatus::Indexed;
            // The line's reflection nearest to the peak stands for it.
            const Calculated* best = &calc[line.members.front()];
            for (std::size_t m : line.members)
                if (!Coincide(calc[m].position, best->position) &&
                    std::fabs(calc[m].position - a.corrected) < std::fabs(best->position - a.corrected))
                    best = &calc[m];
            a.hkl = best->hkl;
            a.calculated = best->position;
        } else {
            a.status = PeakStatus::Ambiguous;
        }
        out.push_back(std::move(a));
    }
    // One line takes at most one peak: the clearly nearest, else none.
    for (auto& [line, claimants] : claims) {
        if (claimants.size() < 2) continue;
        std::sort(claimants.begin(), claimants.end());
        const bool keep = ClearlyNearer(claimants[0].first, claimants[1].first, out[claimants[0].second].window);
        for (std::size_t i = keep ? 1 : 0; i < claimants.size(); ++i) {
            PeakAssignment& a = out[claimants[i].second];
            a.status = PeakStatus::Ambiguous;
            a.lostToNearerPeak = keep;
            a.hkl.reset();
            a.calculated.reset();
        }
    }
    return out;
}

bool SameAssignment(const std::vector<PeakAssignment>& x, const std::vector<PeakAssignment>& y) {
    if (x.size() != y.size()) return false;
    for (std::size_t i = 0; i < x.size(); ++i)
        if (x[i].status != y[i].status || x[i].hkl != y[i].hkl) return false;
    return true;
}

}  // namespace zantrel::indexing
