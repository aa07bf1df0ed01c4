#pragma once
// Results records for the plot tests: refined example files, and the report text of
// the same runs.

#include <memory>
#include <string>

#include "cell/Cell.h"
#include "tests/cli/CliRun.h"

namespace zantrel::plottest {

inline std::string Example(const std::string& name) {
    return clitest::ReadFile(std::string(ZANTREL_EXAMPLES) + "/" + name);
}

// The example refined with its own header line, every diagnostic row listed.
inline Results RefineExample(const std::string& name, std::string* report = nullptr) {
    auto job = [] {
        auto j = std::make_unique<RefinementJob>();
        SetJobDefaults(*j);
        RefinementSettings settings;
        settings.fullDiagnostics = true;
        ApplySettings(settings, *j);
        return j;
    };
    const std::string data = Example(name);
    if (report) *report = RunRefinementInMemory(*job(), data, name);
    return RefineData(*job(), data, name);
}

}  // namespace zantrel::plottest
