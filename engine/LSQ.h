#pragma once
// The least-squares stages of the engine: SVD regression, Marquardt refinement with
// LU, and the model they fit. Templates on the type of intermediate results, like
// the stages of engine/Steps.h.

#include <array>

#include "engine/Job.h"

namespace zantrel::engine {

// --- Linear regression by one-sided Jacobi SVD ---
// X is overwritten (see DecomposeSvd); c receives entries 1..p; sets job.StudentT when n > p.
template <typename Real>
void RegressLinear(RefinementJob<Real>& job, RowTable& x, const RealTable& y, int n, int p,
                   ParamVector& c);
// s receives the p column norms in s[1..p]; the fast build checks its rotations.
template <typename Real>
void DecomposeSvd(RowTable& x, ParamMatrix& v, RealTable& s, int p, int n, MarginCheck* check = nullptr);
// Two-sided 95 % Student t for f degrees of freedom (f > 0).
template <typename Real>
double StudentTFor(int f);

// --- Model ---
// The parts of the model that depend on the parameters only, computed once for
// every reflection evaluated at the same point.
template <typename Real>
struct ModelPoint {
    ParamVector p;
    Real cosAlpha = 0, cosBeta = 0, cosGamma = 0;  // reciprocal angles
    Real beamSine = 0;                             // sin(theta) of the detector angle
    double z = 0;                                  // zero shift while refined
};
template <typename Real>
ModelPoint<Real> PrepareModel(const RefinementJob<Real>& job, const ParamVector& p);
template <typename Real>
double CalcPositionAt(const RefinementJob<Real>& job, const ModelPoint<Real>& m, int i, const RowTable& hkl,
                      double& dOut);
// The same position without the d spacing, for the evaluations that need none.
template <typename Real>
double CalcValueAt(const RefinementJob<Real>& job, const ModelPoint<Real>& m, int i, const RowTable& hkl);
// CalcValueAt of reflections 1..n into values[1..n], the same values; the fast build
// evaluates the arcsines of 2-theta in pairs.
template <typename Real>
void CalcValuesAt(const RefinementJob<Real>& job, const ModelPoint<Real>& m, const RowTable& hkl, int n,
                  RealTable& values);
// Calculated position of reflection i in the minimised quantity; dOut receives a d spacing.
template <typename Real>
double CalcPosition(const RefinementJob<Real>& job, int i, const RowTable& hkl, ParamVector p, double& dOut);

// --- Weighted nonlinear least squares ---
// The LU routines' state: ZeroPivotSeen lives as long as one solver.
template <typename Real>
struct LuSolver {
    MarginCheck* margins = nullptr;  // the fast build's checks of its pivots
    bool ZeroPivotSeen = false;
    void LuDecompose(ParamMatrix& a, int p, PermVector& perm);
    void LuSolve(const ParamMatrix& a, const ParamVector& b, ParamVector& x, int p, const PermVector& perm);
    void InvertMatrix(const ParamMatrix& a, ParamMatrix& out, const PermVector& perm, int p);
};
void PivotRows(ParamMatrix& a, PermVector& perm, int p, int j);

// The model at P + h_j and P - h_j for every parameter j: the same for every reflection.
template <typename Real>
struct DerivativeModels {
    std::array<ModelPoint<Real>, MaxParams + 1> plus, minus;  // slot 0 unused
};
template <typename Real>
DerivativeModels<Real> PrepareDerivativeModels(const RefinementJob<Real>& job, const ParamVector& p,
                                               const ParamVector& h, int np);
// Central differences of reflection i's position, with the models prepared once.
template <typename Real>
void NumericDerivativesAt(const RefinementJob<Real>& job, const DerivativeModels<Real>& models,
                          const ParamVector& h, const RowTable& hkl, int i, int np, ParamVector& out);
// The same derivatives for reflections 1..n, row i of out for reflection i.
template <typename Real>
void NumericDerivatives(const RefinementJob<Real>& job, const DerivativeModels<Real>& models, const ParamVector& h,
                        const RowTable& hkl, int n, int np, RowTable& out);
// scale, when given, receives the size of the sum's rounding error in the fast build.
template <typename Real>
double EvaluateChiSquare(const RefinementJob<Real>& job, int nu, int n, const RealTable& w, const RealTable& y,
                         ParamVector p, const RowTable& hkl, double* scale = nullptr);
// Refines p[1..np]; writes calc, cov and job.ResidualSquares.
template <typename Real>
PassSummary RefineMarquardt(RefinementJob<Real>& job, ParamVector& p, const ParamVector& h, const RowTable& hkl,
                            const RealTable& y, RealTable& calc, const RealTable& sigma, ParamMatrix& cov, int n,
                            int np);

}  // namespace zantrel::engine
