// Regression diagnostics of the linearised fit at its minimum (Belsley, Kuh and Welsch,
// Regression Diagnostics, Wiley 1980): leverage h = x C x^T of the weighted row x, the
// externally studentised residual, DFFITS, and DFBETA = C x^T e / (1 - h), the change of
// the parameters when the point is left out, to first order.

#include "eos/FitTables.h"

#include <cmath>

namespace zantrel::eos {

namespace {

void Parameters(EosFit& fit) {
    const std::size_t p = fit.refined.size();
    auto sigmaOf = [&](const char* name) {
        for (std::size_t i = 0; i < p; ++i)
            if (fit.refined[i] == name) return std::optional<double>(std::sqrt(fit.covariance[i][i]));
        return std::optional<double>();
    };
    auto add = [&](const char* name, double value) {
        const std::optional<double> s = sigmaOf(name);
        fit.parameters.push_back({name, value, s.value_or(0), !s});
    };
    add("V0", fit.cold.v0);
    add("K0", fit.cold.k0);
    if (fit.form != Form::BM2) add("K0p", fit.cold.k0p);
    if (fit.form == Form::BM4) add("K0pp", fit.cold.k0pp);
    fit.correlation.assign(p, std::vector<double>(p, 0));
    for (std::size_t a = 0; a < p; ++a)
        for (std::size_t b = 0; b < p; ++b)
            fit.correlation[a][b] = fit.covariance[a][b] / std::sqrt(fit.covariance[a][a] * fit.covariance[b][b]);
}

void Influence(EosFit& fit, const std::vector<SeriesPoint>& points, const Matrix& j, const std::vector<double>& r,
               const std::vector<double>& sigmas) {
    const std::size_t n = points.size(), p = fit.refined.size();
    const Matrix& c = fit.covariance;
    fit.leverageLimit = 2.0 * double(p) / double(n);
    fit.dfFitsLimit = 2 * std::sqrt(double(p) / double(n));
    for (std::size_t i = 0; i < n; ++i) {
        PointInfluence row;
        row.pressure = points[i].pressure;
        row.volume = points[i].volume;
        row.sigmaEffective = sigmas[i];
        row.residual = r[i];
        std::vector<double> cx(p, 0);
        for (std::size_t a = 0; a < p; ++a)
            for (std::size_t b = 0; b < p; ++b) cx[a] += c[a][b] * j[i][b];
        for (std::size_t a = 0; a < p; ++a) row.leverage += j[i][a] * cx[a];
        const double rest = 1 - row.leverage;
        if (rest > 1e-10) {
            // Leaving the point out moves the parameters by -DFBETA.
            for (std::size_t a = 0; a < p; ++a) row.parameterChange.push_back(-cx[a] * r[i] / rest / std::sqrt(c[a][a]));
            if (fit.dof > 1) {
                const double s2 = (fit.chi2 - r[i] * r[i] / rest) / (fit.dof - 1);
                if (s2 > 0) {
                    row.rStudent = r[i] / std::sqrt(s2 * rest);
                    row.dfFits = *row.rStudent * std::sqrt(row.leverage / rest);
                }
            }
        } else {
            row.parameterChange.assign(p, 0);  // the point alone fixes a direction: no deletion change is defined
        }
        row.flaggedFit = row.leverage > fit.leverageLimit || (row.dfFits && std::abs(*row.dfFits) > fit.dfFitsLimit) ||
                         (row.rStudent && std::abs(*row.rStudent) > fit.rStudentLimit);
        for (double d : row.parameterChange) row.flaggedParameters = row.flaggedParameters || std::abs(d) > fit.parameterChangeLimit;
        fit.points.push_back(std::move(row));
    }
}

// F_E = P / (3 f (1 + 2f)^(5/2)); d ln F / dV = (1 + 7f) / (3 f V) and df/dV = -(1 + 2f) / (3V).
void Strain(EosFit& fit, const std::vector<SeriesPoint>& points) {
    for (const SeriesPoint& s : points) {
        const double f = EulerianStrain(fit.cold.v0, s.volume);
        if (!(f > 1e-5)) continue;
        const double denominator = 3 * f * std::pow(1 + 2 * f, 2.5), big = s.pressure / denominator;
        const double fromP = s.sigmaPressure / denominator, fromV = big * (1 + 7 * f) * s.sigmaVolume / (3 * f * s.volume);
        fit.strain.push_back({f, (1 + 2 * f) * s.sigmaVolume / (3 * s.volume), big, std::hypot(fromP, fromV)});
    }
}

void Ellipses(EosFit& fit) {
    std::size_t k = fit.refined.size(), kp = k;
    for (std::size_t i = 0; i < fit.refined.size(); ++i) {
        if (fit.refined[i] == "K0") k = i;
        if (fit.refined[i] == "K0p") kp = i;
    }
    if (k == fit.refined.size() || kp == fit.refined.size()) return;
    // The Cholesky factor of the 2 x 2 block maps the unit circle onto the ellipse.
    const double a = fit.covariance[k][k], b = fit.covariance[k][kp], d = fit.covariance[kp][kp];
    const double l11 = std::sqrt(a), l21 = b / l11, l22 = std::sqrt(std::max(d - l21 * l21, 0.0));
    const double pi = 3.14159265358979323846;
    for (double delta : {2.30, 6.18}) {
        Ellipse e;
        e.deltaChi2 = delta;
        const double scale = std::sqrt(delta);
        for (int i = 0; i <= 72; ++i) {
            const double t = 2 * pi * i / 72, u = std::cos(t), v = std::sin(t);
            e.points.emplace_back(fit.cold.k0 + scale * l11 * u, fit.cold.k0p + scale * (l21 * u + l22 * v));
        }
        fit.ellipses.push_back(std::move(e));
    }
}

}  // namespace

void FillTables(EosFit& fit, const std::vector<SeriesPoint>& points, const Matrix& j, const std::vector<double>& r,
                const std::vector<double>& sigmas) {
    Parameters(fit);
    Influence(fit, points, j, r, sigmas);
    Strain(fit, points);
    Ellipses(fit);
}

}  // namespace zantrel::eos
