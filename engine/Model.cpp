// The model of the refinement: a reflection's calculated position from a reciprocal cell.

#include <array>
#include <cmath>

#if defined(__x86_64__)
#include <emmintrin.h>
#endif

#include "engine/Relations.h"
#include "cell/Constants.h"
#include "engine/LSQ.h"

namespace zantrel::engine {

template <typename Real>
ModelPoint<Real> PrepareModel(const RefinementJob<Real>& job, const ParamVector& p) {
    ModelPoint<Real> m;
    m.p = p;
    if (job.IsMonoclinic) m.cosBeta = std::cos(Real(p[4]));
    if (job.IsTriclinic) {
        m.cosAlpha = std::cos(Real(p[4]));
        m.cosBeta = std::cos(Real(p[5]));
        m.cosGamma = std::cos(Real(p[6]));
    }
    if (job.MinimiseOnEnergy) m.beamSine = DetectorSine<Real>(job.Beam2Theta);
    m.z = job.RefineZeroShift ? p[job.ParamCount] : 0.0;
    return m;
}

namespace {

// Q = 1/d^2 of a reflection, each product formed as the formulas write it.
template <typename Real>
double ReciprocalMetricQ(const RefinementJob<Real>& job, Real h, Real k, Real l,
                         const ModelPoint<Real>& m) {
    const ParamVector& p = m.p;
    if (job.IsCubic) {
        Real a = p[1];
        return double((h * a) * (h * a) + (k * a) * (k * a) + (l * a) * (l * a));
    }
    if (job.IsTetragonal) {
        Real a = p[1], c = p[2];
        return double((h * a) * (h * a) + (k * a) * (k * a) + (l * c) * (l * c));
    }
    if (job.IsHexagonal) {
        Real a = p[1], c = p[2];
        return double(a * a * (h * h + k * k + h * k) + (l * c) * (l * c));
    }
    if (job.IsOrthorhombic) {
        Real a = p[1], b = p[2], c = p[3];
        return double((h * a) * (h * a) + (k * b) * (k * b) + (l * c) * (l * c));
    }
    if (job.IsMonoclinic) {
        Real a = p[1], b = p[2], c = p[3];
        return double((h * a) * (h * a) + (k * b) * (k * b) + (l * c) * (l * c) +
                      2 * h * l * a * c * m.cosBeta);
    }
    // Triclinic: the cross terms are added, in this order, to the stored sum of squares.
    Real a = p[1], b = p[2], c = p[3];
    double squares = double((h * a) * (h * a) + (k * b) * (k * b) + (l * c) * (l * c));
    return double(Real(squares) + 2 * k * l * b * c * m.cosAlpha + 2 * h * l * a * c * m.cosBeta +
                  2 * h * k * a * b * m.cosGamma);
}

// The position in the minimised quantity from Q; the d spacing is formed only where
// it is the position.
template <typename Real>
double PositionFromQ(const RefinementJob<Real>& job, const ModelPoint<Real>& m, double q) {
    if (job.MinimiseOn2Theta) {
        double arg = double(std::sqrt(Real(q)) * job.Wavelength / 2);
        return double(TwoThetaFromSine<Real>(arg, job.margins) + m.z);
    }
    if (job.MinimiseOnEnergy) return double(std::sqrt(Real(q)) * EnergyDSinTheta / m.beamSine + m.z);
    if (job.MinimiseOnD) return double(std::sqrt(1 / Real(q)));
    return q;
}

}  // namespace

template <typename Real>
double CalcValueAt(const RefinementJob<Real>& job, const ModelPoint<Real>& m, int i, const RowTable& hkl) {
    const double q = ReciprocalMetricQ<Real>(job, hkl(i, 1), hkl(i, 2), hkl(i, 3), m);
    const double v = PositionFromQ(job, m, q);
    // Where forming d would divide by zero, overflow or take the root of a negative
    // number, it is formed all the same: the run stops on that fault as it always has.
    const double sine = job.MinimiseOnEnergy ? double(m.beamSine) : 1.0;
    if (!(q > 0) || (job.RefineZeroShift && !(std::fabs(sine * v) > 1e-200))) {
        double unused = 0;
        return CalcPositionAt(job, m, i, hkl, unused);
    }
    return v;
}

namespace {

#if defined(__x86_64__) && defined(__GLIBC__) && defined(ZANTREL_HAVE_LIBMVEC)
// glibc's vector arcsine of two doubles (SSE2, present on every x86-64; it chooses the
// quickest form for the processor itself). Within a few units of the last place, as the
// scalar one, which the fast path's margins cover.
extern "C" __m128d _ZGVbN2v_asin(__m128d);
void ArcSines(double* x, int n) {
    for (int i = 0; i + 1 < n; i += 2) _mm_storeu_pd(x + i, _ZGVbN2v_asin(_mm_loadu_pd(x + i)));
    if (n % 2 != 0) x[n - 1] = std::asin(x[n - 1]);
}
#else
void ArcSines(double* x, int n) {
    for (int i = 0; i < n; ++i) x[i] = std::asin(x[i]);
}
#endif

// The fast build's 2-theta of every reflection, the arcsines taken together. Each value
// is CalcValueAt's with the quicker forms of engine/Relations.h.
void TwoThetaValues(const RefinementJob<double>& job, const ModelPoint<double>& m, const RowTable& hkl, int n,
                    RealTable& values) {
    std::array<double, MaxReflections> q, sine;
    for (int i = 1; i <= n; ++i) {
        q[std::size_t(i - 1)] = ReciprocalMetricQ<double>(job, hkl(i, 1), hkl(i, 2), hkl(i, 3), m);
        const double s = std::sqrt(q[std::size_t(i - 1)]) * job.Wavelength / 2;
        CheckMargin(job.margins, s * s, 1.0, 1.0, "an arcsine of an argument near 1");
        sine[std::size_t(i - 1)] = s;
    }
    ArcSines(sine.data(), n);
    for (int i = 1; i <= n; ++i) {
        const double v = sine[std::size_t(i - 1)] * (360 / Pi) + m.z;
        values[i] = !(q[std::size_t(i - 1)] > 0) || (job.RefineZeroShift && !(std::fabs(v) > 1e-200))
                        ? CalcValueAt(job, m, i, hkl)
                        : v;
    }
}

}  // namespace

template <typename Real>
void CalcValuesAt(const RefinementJob<Real>& job, const ModelPoint<Real>& m, const RowTable& hkl, int n,
                  RealTable& values) {
    if constexpr (QuickerForms<Real>) {
        if (job.MinimiseOn2Theta) return TwoThetaValues(job, m, hkl, n, values);
    }
    for (int i = 1; i <= n; ++i) values[i] = CalcValueAt(job, m, i, hkl);
}

template <typename Real>
double CalcPositionAt(const RefinementJob<Real>& job, const ModelPoint<Real>& m, int i, const RowTable& hkl,
                      double& dOut) {
    double q = ReciprocalMetricQ<Real>(job, hkl(i, 1), hkl(i, 2), hkl(i, 3), m);
    dOut = double(std::sqrt(1 / Real(q)));
    double v = job.MinimiseOnD ? dOut : PositionFromQ(job, m, q);
    if (job.RefineZeroShift) {
        if (job.MinimiseOn2Theta)
            dOut = double(DSpacingFromTwoTheta<Real>(job.Wavelength, v));
        else if (job.MinimiseOnEnergy)
            dOut = double(EnergyDRelation(m.beamSine, v));
    }
    return v;
}

template <typename Real>
double CalcPosition(const RefinementJob<Real>& job, int i, const RowTable& hkl, ParamVector p,
                    double& dOut) {
    return CalcPositionAt(job, PrepareModel(job, p), i, hkl, dOut);
}

template ModelPoint<double> PrepareModel(const RefinementJob<double>&, const ParamVector&);
template ModelPoint<long double> PrepareModel(const RefinementJob<long double>&, const ParamVector&);
template double CalcPositionAt(const RefinementJob<double>&, const ModelPoint<double>&, int, const RowTable&, double&);
template double CalcPositionAt(const RefinementJob<long double>&, const ModelPoint<long double>&, int, const RowTable&, double&);
template void CalcValuesAt(const RefinementJob<double>&, const ModelPoint<double>&, const RowTable&, int, RealTable&);
template void CalcValuesAt(const RefinementJob<long double>&, const ModelPoint<long double>&, const RowTable&, int, RealTable&);
template double CalcValueAt(const RefinementJob<double>&, const ModelPoint<double>&, int, const RowTable&);
template double CalcValueAt(const RefinementJob<long double>&, const ModelPoint<long double>&, int, const RowTable&);
template double CalcPosition(const RefinementJob<double>&, int, const RowTable&, ParamVector, double&);
template double CalcPosition(const RefinementJob<long double>&, int, const RowTable&, ParamVector, double&);

}  // namespace zantrel::engine
