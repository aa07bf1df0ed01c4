#include "indexing/Index.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "cell/CrystalSystems.h"
#include "cell/Messages.h"
#include "export/Format.h"
#include "export/Origin.h"

namespace zantrel::indexing {

namespace {

const char* DataToken(Quantity q) { return q == Quantity::TwoTheta ? "tt" : q == Quantity::Energy ? "e" : "d"; }
const char* MinimisedToken(Quantity q) {
    switch (q) {
        case Quantity::TwoTheta: return "tt";
        case Quantity::D: return "d";
        case Quantity::Energy: return "e";
        case Quantity::Q: return "q";
    }
    return "q";
}

std::string HklText(const Miller& m) {
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%4d%4d%4d", m[0], m[1], m[2]);
    return buffer;
}

std::string Fixed4(double x) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.4f", x);
    return buffer;
}

std::string CandidatesText(const PeakAssignment& p) {
    std::string out;
    for (const Candidate& c : p.candidates)
        out += (out.empty() ? "" : ", ") + std::to_string(c.hkl[0]) + " " + std::to_string(c.hkl[1]) + " " +
               std::to_string(c.hkl[2]) + " at " + Fixed4(c.position);
    return out;
}

// The data file the assigned peaks make: a title carrying the origin mark, the header
// line of the run's settings, one line per indexed peak with its status as a remark,
// the terminator, and after it, where the reader never looks, the peaks left out.
std::string DataFileBytes(const std::string& title, const RefinementSettings& s, const std::vector<PeakAssignment>& peaks) {
    std::string out = title + " " + std::string(OriginMark(Document::IndexedData)) + "*\r\n";
    out += std::to_string(int(s.system)) + " " + DataToken(s.data) + " " +
           FormatShortest(s.data == Quantity::Energy ? s.beam2Theta : s.wavelength) + " " + MinimisedToken(s.minimised) + " " +
           (s.zeroShift ? "y" : "n") + "\r\n";
    for (const PeakAssignment& p : peaks)
        if (IsUsed(p.status))
            // Weighted by the list's sigmas, each follows its value, where the reader takes it;
            // the status stays a remark after it either way.
            out += HklText(*p.hkl) + "  " + FormatShortest(p.peak.position) +
                   (s.weighting.mode == WeightMode::SigmaColumn ? " " + FormatShortest(*p.peak.sigma) : "") + "   ! " +
                   StatusName(p.status) +
                   (p.status == PeakStatus::Overlapped ? " with " + CandidatesText(p) : "") + "\r\n";
    out += "   0   0   0\r\n";
    for (const PeakAssignment& p : peaks)
        if (!IsUsed(p.status))
            out += "! " + std::string(StatusName(p.status)) + " " + FormatShortest(p.peak.position) +
                   (p.candidates.empty() ? "" : ": " + CandidatesText(p)) +
                   (p.lostToNearerPeak ? " (its line went to a nearer peak)" : "") + "\r\n";
    return out;
}

double SmallestD(const std::vector<Peak>& peaks, const Window& w) {
    double dMin = 1e300;
    for (const Peak& p : peaks) {
        double d = w.conversion.DOf(p.position);
        if (std::optional<double> half = w.At(p.position)) {
            // The window's far edge, and a little more for a zero shift and the refined cell.
            const double edge = w.conversion.kind == Quantity::D ? p.position - 2 * *half : p.position + 2 * *half;
            if (edge > 0) d = std::min(d, w.conversion.DOf(edge));
        }
        dMin = std::min(dMin, d);
    }
    return dMin * 0.995;
}

// The zero correction the refinement applied to the observed positions, from its table.
double ZeroCorrection(const RunReply& reply, const std::vector<PeakAssignment>& peaks) {
    const ZeroShiftResult* z = RefinedZeroShift(reply.results);
    if (z == nullptr || !z->significant || reply.results.reflections.empty()) return 0;
    for (const PeakAssignment& p : peaks)
        if (IsUsed(p.status)) return reply.results.reflections.front().positionObs - p.peak.position;
    return 0;
}


CellParameters Scaled(CellParameters c, double scale) {
    for (std::size_t i = 0; i < 3; ++i) c[i] *= scale;
    return c;
}

// A trial cell from another temperature, pressure or composition is off by a common
// factor more than by anything else, and 0.5 % of d is several windows at high angles.
// So the rounds start from the trial cell's lengths times the factor, within
// MaxCommonScale of 1, that puts the most peaks clearly on one line each (the nearest
// to 1 and then the one with the smallest discrepancies where several do). The steps are
// fine enough that no peak moves by more than half its window from one to the next.
constexpr double MaxCommonScale = 0.01;

double BestScale(const std::vector<Peak>& peaks, const std::vector<Reflection>& reflections, const Window& window) {
    double step = 1e-3;
    for (const Peak& p : peaks) {
        const double d = window.conversion.DOf(p.position);
        const std::optional<double> here = window.conversion.PositionOf(d), there = window.conversion.PositionOf(d * (1 + 1e-6));
        const std::optional<double> w = window.At(p.position);
        if (here && there && w && *there != *here) step = std::min(step, *w / (std::fabs(*there - *here) / 1e-6) / 2);
    }
    step = std::max(step, 1e-5);
    const int steps = int(std::ceil(MaxCommonScale / step));
    double best = 1, bestSpread = 0;
    int bestCount = -1;
    for (int i = 0; i <= 2 * steps; ++i) {
        // 1, then outwards on both sides: a tie keeps the factor nearest to 1.
        const int k = (i + 1) / 2 * (i % 2 == 1 ? 1 : -1);
        const double scale = 1 + k * MaxCommonScale / steps;
        std::vector<Reflection> scaled = reflections;
        for (Reflection& r : scaled) {
            r.d *= scale;
            r.q /= scale * scale;
        }
        int count = 0;
        double spread = 0;
        for (const PeakAssignment& a : Assign(peaks, scaled, window, 0))
            if (IsUsed(a.status)) {
                ++count;
                spread += std::fabs(a.corrected - *a.calculated) / a.window;
            }
        if (count > bestCount || (count == bestCount && count > 0 && spread < bestSpread * 0.5)) {
            best = scale;
            bestCount = count;
            bestSpread = spread;
        }
    }
    return best;
}

}  // namespace

CellParameters RefinedCell(const Results& results) {
    CellParameters c{};
    for (std::size_t i = 0; i < 6; ++i) c[i] = results.cell[i].value;
    return c;
}

Indexing IndexPeaks(const IndexRequest& request) {
    Indexing out;
    out.trial = request.trial;
    RefinementSettings settings = request.settings;
    settings.system = request.trial.system;
    settings.data = request.peaks.kind;
    if (request.peaks.wavelength) settings.wavelength = *request.peaks.wavelength;
    if (request.peaks.beam2Theta) settings.beam2Theta = *request.peaks.beam2Theta;
    if (settings.data == Quantity::D && settings.zeroShift) settings.zeroShift = false;  // d spacings have none
    out.window.conversion = {settings.data, settings.wavelength, settings.beam2Theta};
    out.window.tolerance2Theta = request.tolerance2Theta;
    out.window.relative = request.relative;
    if (!(request.tolerance2Theta > 0) || (request.relative && !(*request.relative > 0)))
        Fail("the tolerance must be positive");

    std::vector<Peak> peaks = request.peaks.peaks;
    if (settings.weighting.mode == WeightMode::SigmaColumn)
        for (const Peak& p : peaks)
            if (!p.sigma || !(*p.sigma > 0))
                Fail("the peak at " + FormatShortest(p.position) + " has no positive sigma to weight it by: --sigma-column " +
                         "takes each peak's sigma from the list's sigma column (a third number on a line of a plain " +
                         "list, a 'sigma' or 'esd' column of a CSV, sigma(d) of a GSAS-II peak export read as d)",
                     "in " + request.peaks.name);
    for (const Peak& p : peaks)
        if (!out.window.At(p.position))
            Fail("the peak at " + FormatShortest(p.position) + " A lies beyond the wavelength's reach (d < lambda/2 at lambda = " +
                 FormatShortest(settings.wavelength) + " A); give the run's wavelength, or --tolerance-relative",
                 "in " + request.peaks.name);
    // The order of d, largest first: the table's order, and the one the figures count in.
    std::stable_sort(peaks.begin(), peaks.end(), [&](const Peak& x, const Peak& y) {
        return out.window.conversion.DOf(x.position) > out.window.conversion.DOf(y.position);
    });
    const double dMin = SmallestD(peaks, out.window);
    std::string title = request.peaks.title;
    if (title.empty()) title = request.peaks.name.substr(request.peaks.name.find_last_of("/\\") + 1);
    title += " (" + request.trial.spaceGroup + "),";

    const int parameters = LayoutOf(settings.system).parameterCount + (settings.zeroShift ? 1 : 0);
    const int needed = std::max(parameters + 1, int(std::ceil(request.minIndexedShare * double(peaks.size()))));
    CellParameters cell = request.trial.cell;
    cell = Scaled(cell, BestScale(peaks, AllowedReflections(cell, request.trial.spaceGroup, dMin * (1 - MaxCommonScale)), out.window));
    double zero = 0;
    std::vector<PeakAssignment> previous;
    std::vector<Reflection> reflections;
    for (int round = 1;; ++round) {
        reflections = AllowedReflections(cell, request.trial.spaceGroup, dMin);
        std::vector<PeakAssignment> now = Assign(peaks, reflections, out.window, zero);
        const int used = int(std::count_if(now.begin(), now.end(), [](const PeakAssignment& p) { return IsUsed(p.status); }));
        const bool settled = round > 1 && SameAssignment(now, previous);
        if (used < (settled ? needed : parameters + 1))
            Fail("no stable assignment: " + std::to_string(used) + " of " + std::to_string(peaks.size()) +
                 " peaks lie clearly within the tolerance of one line of the cell (" + std::to_string(settled ? needed : parameters + 1) +
                 " are needed); the trial cell or its space group does not fit these peaks, or the tolerance is too narrow",
                 "in " + request.peaks.name + ", round " + std::to_string(round));
        if (settled) {
            out.rounds = round;
            out.peaks = std::move(now);
            break;
        }
        if (round > request.maxRounds)
            Fail("no stable assignment: the assignment still changed after " + std::to_string(request.maxRounds) +
                     " rounds of refinement and reassignment",
                 "in " + request.peaks.name);
        RunReply reply;
        try {
            reply = RunRefinement(MemoryRequest(settings, DataFileBytes(title, settings, now), request.dataName, request.precision));
        } catch (const RunError& e) {
            Fail("no stable assignment: the refinement of the assigned peaks failed: " + std::string(e.what()),
                 "in " + request.peaks.name + ", round " + std::to_string(round));
        }
        if (reply.results.halted)
            Fail("no stable assignment: the assigned peaks are too few to refine the cell", "in " + request.peaks.name);
        cell = RefinedCell(reply.results);
        zero = ZeroCorrection(reply, now);
        previous = std::move(now);
    }
    // The last round equals the one before: its file refines to that round's cell.
    out.dataBytes = DataFileBytes(title, settings, out.peaks);
    RunRequest final = MemoryRequest(settings, out.dataBytes, request.dataName, request.precision);
    out.reply = RunRefinement(final);
    for (const PeakAssignment& p : out.peaks) {
        out.indexed += p.status == PeakStatus::Indexed;
        out.overlapped += p.status == PeakStatus::Overlapped;
        out.ambiguous += p.status == PeakStatus::Ambiguous;
        out.unassigned += p.status == PeakStatus::Unassigned;
    }
    out.merit = ComputeFiguresOfMerit(out.peaks, reflections, out.window.conversion, cell);
    return out;
}

}  // namespace zantrel::indexing
