#pragma once
// Small helpers shared by the core tests: a job set up for one stage at a time.

#include <string>

#include "cell/Cell.h"

namespace zantrel::jobs {

// The program's pi; expected values that go through the program's own constant use it.
inline constexpr double ProgramPi = 3.1415927;
inline constexpr double TruePi = 3.14159265358979323846;

// Changes some of the job's settings through the one conversion to its flags.
template <typename Change>
void ChangeSettings(RefinementJob& job, Change change) {
    RefinementSettings settings = SettingsOf(job);
    change(settings);
    ApplySettings(settings, job);
}

// 't' 2-theta, 'd' d spacing, 'e' energy, 'q' Q.
inline Quantity QuantityOf(char letter) {
    return letter == 't' ? Quantity::TwoTheta : letter == 'd' ? Quantity::D
         : letter == 'e' ? Quantity::Energy : Quantity::Q;
}

inline void SetSystem(RefinementJob& job, int system) {
    ChangeSettings(job, [&](RefinementSettings& s) { s.system = CrystalSystem(system); });
}
inline void SetMinimise(RefinementJob& job, char quantity) {
    ChangeSettings(job, [&](RefinementSettings& s) { s.minimised = QuantityOf(quantity); });
}
inline void SetDataKind(RefinementJob& job, char kind) {
    ChangeSettings(job, [&](RefinementSettings& s) { s.data = QuantityOf(kind); });
}

// Defaults, tables allocated, the given reflection lines ready to be read.
inline void StartJob(RefinementJob& job, int system, char kind, const std::string& lines,
                     const std::string& name = "test.dat") {
    SetJobDefaults(job);
    SetSystem(job, system);
    SetDataKind(job, kind);
    AllocateTables(job);
    job.InputFile = TextReader(name, lines);
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
