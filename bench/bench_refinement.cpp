// Whole runs in memory: parse from a string, both refinement passes, with or without
// the results record and the report.

#include <benchmark/benchmark.h>

#include <fstream>
#include <sstream>

#include "engine/Engine.h"
#include "run/Run.h"
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

// The extended-precision engine alone: reading, regression and both refinement passes.
void RunWithoutReport(benchmark::State& state, const std::string& data) {
    for (auto _ : state) {
        RefinementJob<long double> job;
        job.InputFile = TextReader("data", data);
        engine::Refine(job, /*collect=*/false);
        benchmark::DoNotOptimize(job.DirectCell);
    }
}

// The fast_path counter (1 when the last run's fast result was kept) and why it was not.
void ReportPath(benchmark::State& state, const RunPath& path) {
    state.counters["fast_path"] = path.fast ? 1 : 0;
    state.SetLabel(path.fallbackReason);
}

void BM_Triclinic60(benchmark::State& state) { RunWithoutReport(state, TriclinicData()); }
void BM_Cubic10(benchmark::State& state) { RunWithoutReport(state, CubicData()); }

void BM_Triclinic60WithReport(benchmark::State& state) {
    const RunRequest request = MemoryRequest({}, TriclinicData());
    RunPath path;
    for (auto _ : state) {
        RunReply reply = RunRefinement(request);
        benchmark::DoNotOptimize(reply.report);
        path = std::move(reply.path);
    }
    ReportPath(state, path);
}

std::string Example(const char* name) {
    std::ifstream in(std::string(ZANTREL_EXAMPLES_DIR) + "/" + name, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// A series' file as a user has it: parse, refine, full report in memory; by the checked
// fast path (fast_path 1 when its run was kept) or in extended precision only.
void RunExample(benchmark::State& state, const char* name, bool extendedOnly) {
    const RunRequest request =
        MemoryRequest({}, Example(name), name, extendedOnly ? Precision::Extended : Precision::Checked);
    RunPath path;
    for (auto _ : state) {
        RunReply reply = RunRefinement(request);
        benchmark::DoNotOptimize(reply.report);
        path = std::move(reply.path);
    }
    state.SetItemsProcessed(state.iterations());
    ReportPath(state, path);
}

void BM_DiopsideReport(benchmark::State& state) { RunExample(state, "diopside_2theta.dat", false); }
void BM_AlbiteReport(benchmark::State& state) { RunExample(state, "albite_2theta.dat", false); }
void BM_DiopsideReportExtended(benchmark::State& state) { RunExample(state, "diopside_2theta.dat", true); }
void BM_AlbiteReportExtended(benchmark::State& state) { RunExample(state, "albite_2theta.dat", true); }

}  // namespace

BENCHMARK(BM_DiopsideReport)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_AlbiteReport)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DiopsideReportExtended)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_AlbiteReportExtended)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Triclinic60)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Cubic10)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Triclinic60WithReport)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
