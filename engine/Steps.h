#pragma once
// The engine's stages, for its own sources and for the tests of each stage: data
// reader, cell geometry, error propagation, the results record and the diagnostics.
// Each is a template on the type of intermediate results (see engine/Job.h), defined
// and instantiated for double and long double in its own source.

#include <optional>
#include <string>
#include <vector>

#include "engine/Job.h"

namespace zantrel::engine {

// --- Reader ---
// Six characters, right-justified: "tt" reads as "    tt".
std::string ReadToken(TextReader& file);
template <typename Real>
void ReadReflections(RefinementJob<Real>& job);
// The header line after a title ending in '*' (job.Title, read): its settings replace
// the job's, and the title loses its '*'.
template <typename Real>
void ReadHeader(RefinementJob<Real>& job);
// Whether the reflection line just read (its row among the reflection lines, its
// indices) is one the request leaves out.
bool IsExcluded(const Exclusions& exclude, int row, int h, int k, int l);
// Fails naming every exclusion that matched no reflection line of the data.
void CheckExclusionsMatched(const Exclusions& exclude, const std::vector<ExcludedReflection>& excluded,
                            int rowsRead, const std::string& dataName);

// --- Weights ---
// Fails when the request's weighting cannot weight anything (a sigma of 0, ...).
void CheckWeighting(const Weighting& weighting);
// Each observation's standard error in the minimised quantity into job.Weights;
// returns the observations to fit.
template <typename Real>
const RealTable& SetObservationSigmas(RefinementJob<Real>& job);

// --- Cell geometry and error propagation ---
template <typename Real>
void ConvertCell(const RefinementJob<Real>& job, const ParamVector& source, ParamVector& target,
                 double& volume);
template <typename Real>
void RefineCell(RefinementJob<Real>& job);
template <typename Real>
void PropagateCellErrors(RefinementJob<Real>& job);
template <typename Real>
void CellJacobian(const RefinementJob<Real>& job, ParamVector x, const ParamVector& f0, int n, int m,
                  ParamMatrix& jac);
template <typename Real>
void TransformCovariance(ParamMatrix c, ParamMatrix jac, ParamMatrix& out, int n, int r);

// --- The results record ---
// Fills the results of a finished, refined run from its job, whose tables still exist.
template <typename Real>
void CollectResults(RefinementJob<Real>& job, Results& results);
// The deletion statistics of every reflection of the final refinement.
template <typename Real>
Diagnostics ComputeDiagnostics(const RefinementJob<Real>& job);

}  // namespace zantrel::engine
