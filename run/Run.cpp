// A run: in double precision where every decision and printed value of it is checked
// to agree with the extended-precision run, otherwise in extended precision.

#include "cell/Cell.h"
#include "engine/Margins.h"
#include "export/ReportFile.h"

namespace zantrel {

namespace fast {
Results RunOpened(RefinementJob& job, bool collect);  // the double-precision build of the engine
}  // namespace fast

namespace {

thread_local RunPath lastPath;

// Releases the tables and closes both files however the run ends; an uncommitted
// report is discarded, so an earlier report of the same name survives a failure.
struct RunScope {
    RefinementJob& job;
    ~RunScope() {
        ReleaseTables(job);
        job.InputFile.Close();
        job.OutputFile.Discard();
    }
};

// What a run takes from its job: put back before the extended path repeats a run.
class JobInputs {
public:
    explicit JobInputs(const RefinementJob& job)
        : settings_(SettingsOf(job)), system_(job.CrystalSystem), refineZeroShift_(job.RefineZeroShift),
          input_(job.InputFile), direct_(job.DirectCell), reciprocal_(job.ReciprocalCell),
          covariance_(job.Covariance) {}
    void Restore(RefinementJob& job) const {
        ReleaseTables(job);
        ApplySettings(settings_, job);
        job.CrystalSystem = system_;  // as given, even outside 1..6: the run reports it
        job.RefineZeroShift = refineZeroShift_;
        job.InputFile = input_;
        job.DirectCell = direct_;
        job.ReciprocalCell = reciprocal_;
        job.Covariance = covariance_;
    }

private:
    RefinementSettings settings_;
    int system_;
    bool refineZeroShift_;
    TextReader input_;
    ParamVector direct_, reciprocal_;
    ParamMatrix covariance_;
};

struct Refined {
    Results results;
    std::string report;
};

Refined Refine(RefinementJob& job) {
    lastPath = {};
    if (!ExtendedOnly()) {
        const JobInputs inputs(job);
        MarginCheck check;
        try {
            Refined fast{fast::RunOpened(job, true), {}};
            fast.report = FormatReport(fast.results);
            if (check.Passed()) {
                lastPath.fast = true;
                return fast;
            }
            lastPath.fallbackReason = check.Reason();
        } catch (const std::exception&) {
            // How a run fails, and with which message, is the extended path's to say.
            lastPath.fallbackReason = "the run failed";
        }
        inputs.Restore(job);
    }
    Refined extended{extended::RunOpened(job), {}};
    extended.report = FormatReport(extended.results);
    return extended;
}

Refined RefineInMemoryWithReport(RefinementJob& job, std::string_view data, std::string_view name) {
    RunScope scope{job};
    job.InputFile = TextReader(std::string(name), std::string(data));
    return Refine(job);
}

}  // namespace

RunPath LastRunPath() { return lastPath; }

Results RunRefinement(RefinementJob& job) {
    RunScope scope{job};
    job.InputFile.Open(job.InputFileName);
    if (SameFile(job.InputFileName, job.OutputFileName))
        Fail("The report would replace the data file",
             job.InputFileName + " is both; rename the data file (its extension must not be .out)");
    job.OutputFile.Create(job.OutputFileName);
    Refined run = Refine(job);
    job.OutputFile.WriteBytes(run.report);
    job.OutputFile.Commit();
    return std::move(run.results);
}

Results RefineFile(RefinementJob& job) {
    RunScope scope{job};
    job.InputFile.Open(job.InputFileName);
    return Refine(job).results;
}

Results RefineData(RefinementJob& job, std::string_view data, std::string_view name) {
    return RefineInMemoryWithReport(job, data, name).results;
}

std::string RunRefinementInMemory(RefinementJob& job, std::string_view data, std::string_view name) {
    return RefineInMemoryWithReport(job, data, name).report;
}

void RefineInMemory(RefinementJob& job, std::string_view data, std::string_view name) {
    RunScope scope{job};
    job.InputFile = TextReader(std::string(name), std::string(data));
    extended::RunOpened(job, false);
}

}  // namespace zantrel
