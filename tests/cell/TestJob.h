#pragma once
// Small helpers shared by the core tests: a reference job set up for one stage at a
// time, or run whole on data held in memory.

#include <string>

#include "engine/Engine.h"
#include "engine/Steps.h"

namespace zantrel::jobs {

// The tests run the reference build, whose intermediate results are long doubles.
using Job = RefinementJob<long double>;

// The program's pi; expected values that go through the program's own constant use it.
inline constexpr double ProgramPi = 3.1415927;
inline constexpr double TruePi = 3.14159265358979323846;

// Changes some of the job's settings and the flags derived from them.
template <typename Change>
void ChangeSettings(Job& job, Change change) {
    change(job.settings);
    UseSettings(job, job.settings);
}

// 't' 2-theta, 'd' d spacing, 'e' energy, 'q' Q.
inline Quantity QuantityOf(char letter) {
    return letter == 't' ? Quantity::TwoTheta : letter == 'd' ? Quantity::D
         : letter == 'e' ? Quantity::Energy : Quantity::Q;
}

inline void SetSystem(Job& job, int system) {
    ChangeSettings(job, [&](RefinementSettings& s) { s.system = CrystalSystem(system); });
}
inline void SetMinimise(Job& job, char quantity) {
    ChangeSettings(job, [&](RefinementSettings& s) { s.minimised = QuantityOf(quantity); });
}
inline void SetDataKind(Job& job, char kind) {
    ChangeSettings(job, [&](RefinementSettings& s) { s.data = QuantityOf(kind); });
}

// A fresh job's defaults with the system and data kind, tables allocated, the given
// reflection lines ready to be read.
inline void StartJob(Job& job, int system, char kind, const std::string& lines,
                     const std::string& name = "test.dat") {
    SetSystem(job, system);
    SetDataKind(job, kind);
    AllocateTables(job);
    job.InputFile = TextReader(name, lines);
}

// A whole run of the engine on a data file held in memory; the job keeps its tables
// and the settings in force. Without collect, the job is left as the last refinement
// pass left it (direct sigmas of angles in radians) and the record has no results.
inline Results Refine(Job& job, const std::string& data, bool collect = true,
                      const std::string& name = "data") {
    job.InputFile = TextReader(name, data);
    return engine::Refine(job, collect);
}

// A data file without its title line (and without a header written by the generator).
inline std::string WithoutTitle(const std::string& file) {
    return file.substr(file.find("\r\n") + 2);
}

// The first and second lines of an error's text.
inline std::string FirstLine(const std::string& s) { return s.substr(0, s.find('\n')); }
inline std::string SecondLine(const std::string& s) {
    std::size_t at = s.find('\n');
    return at == std::string::npos ? std::string() : s.substr(at + 1);
}

}  // namespace zantrel::jobs
