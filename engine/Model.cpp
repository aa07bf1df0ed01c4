// The model of the refinement: a reflection's calculated position from a reciprocal cell.

#include <cmath>

#include "engine/Angles.h"
#include "cell/Constants.h"
#include "engine/LSQ.h"

namespace zantrel::inline ZANTREL_ENGINE {

ModelPoint PrepareModel(const RefinementJob& job, const ParamVector& p) {
    ModelPoint m;
    m.p = p;
    if (job.IsMonoclinic) m.cosBeta = std::cos(Extended(p[4]));
    if (job.IsTriclinic) {
        m.cosAlpha = std::cos(Extended(p[4]));
        m.cosBeta = std::cos(Extended(p[5]));
        m.cosGamma = std::cos(Extended(p[6]));
    }
    if (job.MinimiseOnEnergy) m.beamSine = std::sin(Extended(TwoThetaDegToThetaRad) * job.Beam2Theta);
    m.z = job.RefineZeroShift ? p[job.ParamCount] : 0.0;
    return m;
}

namespace {

// Q = 1/d^2 of a reflection, each product formed as the formulas write it.
double ReciprocalMetricQ(const RefinementJob& job, Extended h, Extended k, Extended l,
                         const ModelPoint& m) {
    const ParamVector& p = m.p;
    if (job.IsCubic) {
        Extended a = p[1];
        return double((h * a) * (h * a) + (k * a) * (k * a) + (l * a) * (l * a));
    }
    if (job.IsTetragonal) {
        Extended a = p[1], c = p[2];
        return double((h * a) * (h * a) + (k * a) * (k * a) + (l * c) * (l * c));
    }
    if (job.IsHexagonal) {
        Extended a = p[1], c = p[2];
        return double(a * a * (h * h + k * k + h * k) + (l * c) * (l * c));
    }
    if (job.IsOrthorhombic) {
        Extended a = p[1], b = p[2], c = p[3];
        return double((h * a) * (h * a) + (k * b) * (k * b) + (l * c) * (l * c));
    }
    if (job.IsMonoclinic) {
        Extended a = p[1], b = p[2], c = p[3];
        return double((h * a) * (h * a) + (k * b) * (k * b) + (l * c) * (l * c) +
                      2 * h * l * a * c * m.cosBeta);
    }
    // Triclinic: the cross terms are added, in this order, to the stored sum of squares.
    Extended a = p[1], b = p[2], c = p[3];
    double squares = double((h * a) * (h * a) + (k * b) * (k * b) + (l * c) * (l * c));
    return double(Extended(squares) + 2 * k * l * b * c * m.cosAlpha + 2 * h * l * a * c * m.cosBeta +
                  2 * h * k * a * b * m.cosGamma);
}

// The position in the minimised quantity from Q; the d spacing is formed only where
// it is the position.
double PositionFromQ(const RefinementJob& job, const ModelPoint& m, double q) {
    if (job.MinimiseOn2Theta) {
        double arg = double(std::sqrt(Extended(q)) * job.Wavelength / 2);
        return double(2 * Extended(ArcSin(arg)) * 180 / Pi + m.z);
    }
    if (job.MinimiseOnEnergy) return double(std::sqrt(Extended(q)) * EnergyDSinTheta / m.beamSine + m.z);
    if (job.MinimiseOnD) return double(std::sqrt(1 / Extended(q)));
    return q;
}

}  // namespace

double CalcValueAt(const RefinementJob& job, const ModelPoint& m, int i, const RowTable& hkl) {
    const double q = ReciprocalMetricQ(job, hkl(i, 1), hkl(i, 2), hkl(i, 3), m);
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

double CalcPositionAt(const RefinementJob& job, const ModelPoint& m, int i, const RowTable& hkl,
                      double& dOut) {
    double q = ReciprocalMetricQ(job, hkl(i, 1), hkl(i, 2), hkl(i, 3), m);
    dOut = double(std::sqrt(1 / Extended(q)));
    double v = job.MinimiseOnD ? dOut : PositionFromQ(job, m, q);
    if (job.RefineZeroShift) {
        if (job.MinimiseOn2Theta)
            dOut = double(job.Wavelength / (2 * std::sin(Extended(Pi) * v / 360)));
        else if (job.MinimiseOnEnergy)
            dOut = double(EnergyDSinTheta / (m.beamSine * v));
    }
    return v;
}

double CalcPosition(const RefinementJob& job, int i, const RowTable& hkl, ParamVector p,
                    double& dOut) {
    return CalcPositionAt(job, PrepareModel(job, p), i, hkl, dOut);
}

}  // namespace zantrel::ZANTREL_ENGINE
