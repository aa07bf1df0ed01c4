// Whole runs in memory: parse from a string, both refinement passes, no report.

#include <benchmark/benchmark.h>

#include <fstream>
#include <sstream>

#include "cell/Cell.h"
#include "support/SyntheticData.h"

using namespace zantrel;
using namespace zantrel::synth;

namespace {

std::string TriclinicData() {
    DataSpec recipe;
    recipe.cell = {8.137, 12.785, 7.158, 94.26, 116.60, 87.71};  // low albite
    recipe.system = 6;
    recipe.count = 60;
    recipe.noise2Theta = 0.005;
    return MakeDataFile(recipe);
}

std::string CubicData() {
    DataSpec recipe;
    recipe.cell = {5.43102, 5.43102, 5.43102, 90, 90, 90};  // silicon
    recipe.system = 1;
    recipe.count = 10;
    recipe.noise2Theta = 0.005;
    return MakeDataFile(recipe);
}

void RunWithoutReport(benchmark::State& state, const std::string& data) {
    for (auto _ : state) {
        RefinementJob job;
        SetJobDefaults(job);
        RefineInMemory(job, data);
        benchmark::DoNotOptimize(job.DirectCell);
    }
}

void BM_Triclinic60(benchmark::State& state) { RunWithoutReport(state, TriclinicData()); }
void BM_Cubic10(benchmark::State& state) { RunWithoutReport(state, CubicData()); }

void BM_Triclinic60WithReport(benchmark::State& state) {
    const std::string data = TriclinicData();
    for (auto _ : state) {
        RefinementJob job;
        SetJobDefaults(job);
        benchmark::DoNotOptimize(RunRefinementInMemory(job, data));
    }
}

std::string Example(const char* name) {
    std::ifstream in(std::string(ZANTREL_EXAMPLES_DIR) + "/" + name, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// A series' file as a user has it: parse, refine, full report in memory.
void RunExample(benchmark::State& state, const char* name) {
    const std::string data = Example(name);
    for (auto _ : state) {
        RefinementJob job;
        SetJobDefaults(job);
        benchmark::DoNotOptimize(RunRefinementInMemory(job, data, name));
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_DiopsideReport(benchmark::State& state) { RunExample(state, "diopside_2theta.dat"); }
void BM_AlbiteReport(benchmark::State& state) { RunExample(state, "albite_2theta.dat"); }

}  // namespace

BENCHMARK(BM_DiopsideReport)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_AlbiteReport)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Triclinic60)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Cubic10)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Triclinic60WithReport)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
