// Whole runs in memory: parse from a string, both refinement passes, no report.

#include <benchmark/benchmark.h>

#include "cell/Cell.h"
#include "support/SyntheticData.h"

using namespace zantrel;
using namespace zantrel::synth;

namespace {

std::string TriclinicData() {
    DataSpec spec;
    spec.cell = {8.137, 12.785, 7.158, 94.26, 116.60, 87.71};  // low albite
    spec.system = 6;
    spec.count = 60;
    spec.noise2Theta = 0.005;
    return MakeDataFile(spec);
}

std::string CubicData() {
    DataSpec spec;
    spec.cell = {5.43102, 5.43102, 5.43102, 90, 90, 90};  // silicon
    spec.system = 1;
    spec.count = 10;
    spec.noise2Theta = 0.005;
    return MakeDataFile(spec);
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

}  // namespace

BENCHMARK(BM_Triclinic60)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Cubic10)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Triclinic60WithReport)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
