#pragma once
// The least-squares engine: SVD regression, Marquardt refinement with LU, and the model.

#include <array>

#include "engine/Angles.h"
#include "engine/Job.h"

namespace zantrel {

inline namespace ZANTREL_ENGINE {

// --- Linear regression by one-sided Jacobi SVD ---
// X is overwritten (see DecomposeSvd); c receives entries 1..p; sets job.StudentT when n > p.
void RegressLinear(RefinementJob& job, RowTable& x, const RealTable& y, int n, int p,
                   ParamVector& c);
// s receives the p column norms in s[1..p].
void DecomposeSvd(RowTable& x, ParamMatrix& v, RealTable& s, int p, int n);
// Two-sided 95 % Student t for f degrees of freedom (f > 0).
double StudentTFor(int f);

// --- Model ---
// The parts of the model that depend on the parameters only, computed once for
// every reflection evaluated at the same point.
struct ModelPoint {
    ParamVector p;
    Extended cosAlpha = 0, cosBeta = 0, cosGamma = 0;  // reciprocal angles
    Extended beamSine = 0;                             // sin(theta) of the detector angle
    double z = 0;                                      // zero shift while refined
};
ModelPoint PrepareModel(const RefinementJob& job, const ParamVector& p);
double CalcPositionAt(const RefinementJob& job, const ModelPoint& m, int i, const RowTable& hkl,
                      double& dOut);
// The same position without the d spacing, for the evaluations that need none.
double CalcValueAt(const RefinementJob& job, const ModelPoint& m, int i, const RowTable& hkl);
// Calculated position of reflection i in the minimised quantity; dOut receives a d spacing.
double CalcPosition(const RefinementJob& job, int i, const RowTable& hkl, ParamVector p,
                    double& dOut);

// --- Weighted nonlinear least squares ---
// The LU routines' state: ZeroPivotSeen lives as long as one solver.
struct LuSolver {
    bool ZeroPivotSeen = false;
    void LuDecompose(ParamMatrix& a, int p, PermVector& perm);
    void LuSolve(const ParamMatrix& a, const ParamVector& b, ParamVector& x, int p,
                 const PermVector& perm);
    void InvertMatrix(const ParamMatrix& a, ParamMatrix& out, const PermVector& perm, int p);
};
void PivotRows(ParamMatrix& a, PermVector& perm, int p, int j);

// The model at P + h_j and P - h_j for every parameter j: the same for every reflection.
struct DerivativeModels {
    std::array<ModelPoint, MaxParams + 1> plus, minus;  // slot 0 unused
};
DerivativeModels PrepareDerivativeModels(const RefinementJob& job, const ParamVector& p,
                                         const ParamVector& h, int np);
// Central differences of reflection i's position, with the models prepared once.
void NumericDerivativesAt(const RefinementJob& job, const DerivativeModels& models,
                          const ParamVector& h, const RowTable& hkl, int i, int np,
                          ParamVector& out);
// scale, when given, receives the size of the sum's rounding error in the fast build.
double EvaluateChiSquare(const RefinementJob& job, int nu, int n, const RealTable& w,
                         const RealTable& y, ParamVector p, const RowTable& hkl,
                         double* scale = nullptr);
// Refines p[1..np]; writes calc, cov and job.ResidualSquares.
PassSummary RefineMarquardt(RefinementJob& job, ParamVector& p, const ParamVector& h,
                            const RowTable& hkl, const RealTable& y, RealTable& calc,
                            const RealTable& sigma, ParamMatrix& cov, int n, int np);

}  // namespace ZANTREL_ENGINE

}  // namespace zantrel
