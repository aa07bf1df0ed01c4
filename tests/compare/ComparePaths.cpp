// Compares the fast path's reports with the extended path's, byte for byte, on random
// data files of every crystal system, data kind and minimised quantity, with and
// without a zero shift, exact and noisy, with brief and full diagnostics. Prints how
// many runs kept the fast path, why the others fell back, and how far the two paths'
// printed values lay apart (in units of the last printed digit, and relatively).
//
//   zantrel_compare_paths COUNT [SEED]        exit status 1 when any report differs

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "cell/Cell.h"
#include "engine/Margins.h"
#include "support/SyntheticData.h"

using namespace zantrel;
using namespace zantrel::synth;

namespace {

struct Outcome {
    std::string report, error;
    RunPath path;
    std::vector<std::pair<long double, int>> printed;
};

Outcome Run(const std::string& data, bool full, bool extendedOnly) {
    Outcome out;
    SetExtendedOnly(extendedOnly);
    RefinementJob job;
    SetJobDefaults(job);
    job.FullDiagnostics = full;
    MarginCheck recorder;  // records what the extended path prints; the fast one nests its own
    recorder.printed = &out.printed;
    try {
        out.report = RunRefinementInMemory(job, data, "compare.dat");
    } catch (const std::exception& e) {
        out.error = e.what();
    }
    out.path = LastRunPath();
    SetExtendedOnly(false);
    return out;
}

DataSpec RandomRecipe(std::mt19937& random, int i) {
    DataSpec recipe;
    recipe.system = 1 + i % 6;
    recipe.cell = RandomCell(recipe.system, random);
    recipe.count = std::uniform_int_distribution<int>(8, 60)(random);
    recipe.seed = unsigned(random());
    static const char* const minimise[] = {"tt", "d", "e", "q"};
    recipe.kind = Kind(i / 6 % 3);
    recipe.minimise = minimise[i / 18 % 4];
    recipe.zeroShiftFlag = i / 72 % 2 == 1;
    if (recipe.zeroShiftFlag && recipe.kind != Kind::D)
        recipe.zeroShift = recipe.kind == Kind::Energy ? 0.05 : std::uniform_real_distribution<double>(-0.05, 0.05)(random);
    // Exact, scattered as the program assumes, and scattered a little.
    static const double noise[] = {0.0, 0.005, 0.0005, 0.01};
    recipe.noise2Theta = noise[i / 144 % 4];
    recipe.beam2Theta = std::uniform_real_distribution<double>(5.0, 30.0)(random);
    return recipe;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: zantrel_compare_paths COUNT [SEED]\n");
        return 2;
    }
    const int count = std::stoi(argv[1]);
    std::mt19937 random(argc > 2 ? unsigned(std::stoul(argv[2])) : 12u);
    int fast = 0, differ = 0, failed = 0;
    std::map<std::string, int> reasons;
    long double worstUnits = 0, worstRelative = 0, worstShare = 0;
    // How the printed values' differences spread over their bound: the tail shows how
    // much room the bound leaves.
    const long double shareSteps[] = {0.001L, 0.01L, 0.1L, 0.3L, 1.0L};
    long long beyondShare[5] = {}, printedValues = 0;
    for (int i = 0; i < count; ++i) {
        const DataSpec recipe = RandomRecipe(random, i);
        const std::string data = MakeDataFile(recipe);
        const bool full = i % 2 == 1;
        const Outcome checked = Run(data, full, false);
        const Outcome reference = Run(data, full, true);
        if (!reference.error.empty()) ++failed;
        if (checked.path.fast) ++fast;
        else ++reasons[checked.path.fallbackReason.empty() ? "?" : checked.path.fallbackReason];
        if (checked.report != reference.report || checked.error != reference.error) {
            ++differ;
            std::printf("DIFFERS: file %d (%s)\n%s\n", i, checked.path.fast ? "fast" : "extended", data.c_str());
        }
        // The fast run's printed values come first in its record, then the reference's.
        if (checked.path.fast && checked.printed.size() == reference.printed.size())
            for (std::size_t k = 0; k < checked.printed.size(); ++k) {
                const auto [x, d] = checked.printed[k];
                const long double e = reference.printed[k].first;
                const long double diff = std::fabs(x - e);
                const long double units = diff * std::pow(10.0L, d);
                const long double bound = PrintedRelativeBound * std::fabs(e) * std::pow(10.0L, d) + PrintedUnitBound;
                if (units / bound > worstShare && std::getenv("ZANTREL_COMPARE_VERBOSE"))
                    std::printf("file %d value %zu of %zu: %.20Lg vs %.20Lg at %d decimals\n", i, k,
                                checked.printed.size(), x, e, d);
                worstShare = std::max(worstShare, units / bound);
                ++printedValues;
                for (int s = 0; s < 5; ++s) beyondShare[s] += units / bound > shareSteps[s] ? 1 : 0;
                worstUnits = std::max(worstUnits, units);
                if (e != 0) worstRelative = std::max(worstRelative, diff / std::fabs(e));
            }
    }
    std::printf("%d files: %d reports differ; %d kept the fast path (%.2f %%), %d runs failed on both paths\n", count,
                differ, fast, 100.0 * fast / count, failed);
    for (const auto& [reason, n] : reasons) std::printf("  fell back %6d: %s\n", n, reason.c_str());
    std::printf("largest difference of a printed value: %.3Lg of its last digit, %.3Lg relative\n", worstUnits,
                worstRelative);
    std::printf("bounds: %.3g of the last digit plus %.3g relative (the largest difference took %.3Lg of it); "
                "decisions %.3g of their operands\n",
                PrintedUnitBound, PrintedRelativeBound, worstShare, DecisionBound);
    std::printf("%lld printed values of fast runs; beyond", printedValues);
    for (int s = 0; s < 5; ++s) std::printf(" %Lg: %lld%s", shareSteps[s], beyondShare[s], s < 4 ? "," : "");
    std::printf(" of the bound\n");
    return differ == 0 ? 0 : 1;
}
