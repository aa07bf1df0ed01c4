#include "python/Runs.h"

namespace zantrel::python {

// The name prefixes the message as the command line prints it, "FILE: ", the
// explanation, and the system's fault text on the last line. A halted run has no
// cell, so it fails here too.
std::string HaltMessage(const FileResult& record) {
    const Results& r = record.results;
    if (!r.halted) return "";
    return record.file + ": in " + record.file + ": " + std::to_string(r.obsCount) +
           " reflections are too few to refine a " + SystemName(r.systemRefined) + " cell\n" + Msg::NotEnoughData;
}

Run Finish(FileResult record) {
    if (const std::string halted = HaltMessage(record); !halted.empty()) throw FailedRun(halted);
    record.status = RunStatus::Ok;
    record.refined = true;
    record.flaggedCount = record.results.diagnostics.FlaggedCount();
    return Run{std::move(record)};
}

}  // namespace zantrel::python
