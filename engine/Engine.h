#pragma once
// The numerical engine, built in two precisions: long double, the reference, and
// double, the fast path whose decisions the job's MarginCheck records. run/Run.h
// chooses between them; tests and tools may call either directly.

#include "cell/Results.h"
#include "engine/Job.h"

namespace zantrel::engine {

// Reads job.InputFile with job.settings, refines the cell and, when collect is set,
// returns the results record. The job keeps its tables and the settings in force
// (after a header line and any fall-back), so a caller may look at both.
// Throws RunError.
template <typename Real>
Results Refine(RefinementJob<Real>& job, bool collect = true);

extern template Results Refine(RefinementJob<double>&, bool);
extern template Results Refine(RefinementJob<long double>&, bool);

}  // namespace zantrel::engine
