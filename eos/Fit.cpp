// Levenberg-Marquardt on the residuals in pressure, each weighted by its effective
// variance sigma_P^2 + (K/V)^2 sigma_V^2 (Orear, Am. J. Phys. 50, 912 (1982)): to first
// order the same fit as V(P) weighted by sigma_V^2 + (dV/dP)^2 sigma_P^2, without
// inverting the form at every point. The weights follow the parameters at every step.

#include "eos/Fit.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "eos/FitTables.h"

namespace zantrel::eos {

namespace {

constexpr int MaxIterations = 200;
constexpr double MaxDamping = 1e12;

class Model {
public:
    Model(Form form, std::optional<double> fixedV0) : form_(form), fixedV0_(fixedV0) {}

    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        if (!fixedV0_) names.push_back("V0");
        names.push_back("K0");
        if (form_ != Form::BM2) names.push_back("K0p");
        if (form_ == Form::BM4) names.push_back("K0pp");
        return names;
    }
    ColdParameters Cold(const std::vector<double>& theta) const {
        ColdParameters c;
        c.form = form_;
        std::size_t i = 0;
        c.v0 = fixedV0_ ? *fixedV0_ : theta[i++];
        c.k0 = theta[i++];
        c.k0p = form_ == Form::BM2 ? 4 : theta[i++];
        c.k0pp = form_ == Form::BM4 ? theta[i++] : 0;
        return c;
    }

private:
    Form form_;
    std::optional<double> fixedV0_;
};

// Weighted residuals at theta, or none where the parameters leave the form's domain.
std::optional<std::vector<double>> Residuals(const Model& m, const std::vector<double>& theta,
                                             const std::vector<SeriesPoint>& points, std::vector<double>* sigmas = nullptr) {
    const ColdParameters c = m.Cold(theta);
    if (!(c.v0 > 0) || !(c.k0 > 0) || !std::isfinite(c.v0) || !std::isfinite(c.k0)) return std::nullopt;
    std::vector<double> r;
    for (const SeriesPoint& p : points) {
        const double k = ColdBulkModulus(c, p.volume), fromV = k / p.volume * p.sigmaVolume;
        const double s = std::sqrt(p.sigmaPressure * p.sigmaPressure + fromV * fromV);
        const double e = (p.pressure - ColdPressure(c, p.volume)) / s;
        if (!(s > 0) || !std::isfinite(e) || !(k > 0)) return std::nullopt;
        r.push_back(e);
        if (sigmas) sigmas->push_back(s);
    }
    return r;
}

double SumOfSquares(const std::vector<double>& r) {
    double s = 0;
    for (double x : r) s += x * x;
    return s;
}

// d(P_fit)/d(theta_j) / s_i by central differences, the weights held at theta.
Matrix Jacobian(const Model& m, const std::vector<double>& theta, const std::vector<SeriesPoint>& points,
                const std::vector<double>& sigmas) {
    Matrix j(points.size(), std::vector<double>(theta.size(), 0));
    for (std::size_t k = 0; k < theta.size(); ++k) {
        const double h = 1e-6 * std::max(std::abs(theta[k]), 1e-2);
        std::vector<double> up = theta, down = theta;
        up[k] += h;
        down[k] -= h;
        const ColdParameters cu = m.Cold(up), cd = m.Cold(down);
        for (std::size_t i = 0; i < points.size(); ++i)
            j[i][k] = (ColdPressure(cu, points[i].volume) - ColdPressure(cd, points[i].volume)) / (2 * h) / sigmas[i];
    }
    return j;
}

Matrix Normal(const Matrix& j, double damping) {
    const std::size_t p = j.empty() ? 0 : j[0].size();
    Matrix a(p, std::vector<double>(p, 0));
    for (const auto& row : j)
        for (std::size_t r = 0; r < p; ++r)
            for (std::size_t c = 0; c < p; ++c) a[r][c] += row[r] * row[c];
    for (std::size_t r = 0; r < p; ++r) a[r][r] *= 1 + damping;
    return a;
}

// Starting values: V0 from the lowest pressure, K0 from the two lowest, K0' = 4 and
// the K0'' that BM3 implies.
std::vector<double> Start(const FitRequest& q) {
    std::vector<SeriesPoint> sorted = q.points;
    std::sort(sorted.begin(), sorted.end(), [](const SeriesPoint& a, const SeriesPoint& b) { return a.pressure < b.pressure; });
    const SeriesPoint &lo = sorted[0], &next = sorted[1];
    double k0 = 0.5 * (lo.volume + next.volume) * (next.pressure - lo.pressure) / (lo.volume - next.volume);
    if (!(k0 > 0) || !std::isfinite(k0)) k0 = 100;
    const double v0 = q.fixedV0 ? *q.fixedV0 : lo.volume * (1 + std::max(lo.pressure, 0.0) / k0);
    std::vector<double> theta;
    if (!q.fixedV0) theta.push_back(v0);
    theta.push_back(std::max(k0 - 4 * std::max(lo.pressure, 0.0), 0.2 * k0));
    if (q.form != Form::BM2) theta.push_back(4);
    if (q.form == Form::BM4) theta.push_back(-35.0 / (9 * k0));
    return theta;
}

}  // namespace

EosFit FitEos(const FitRequest& q) {
    const Model model(q.form, q.fixedV0);
    const std::vector<std::string> names = model.Names();
    const std::size_t p = names.size(), n = q.points.size();
    if (n <= p) throw std::runtime_error("an equation-of-state fit of " + std::to_string(p) + " parameters needs more than " +
                                         std::to_string(p) + " points");
    for (const SeriesPoint& s : q.points)
        if (!(s.volume > 0) || !std::isfinite(s.pressure) || !(s.sigmaPressure >= 0) || !(s.sigmaVolume >= 0) ||
            !std::isfinite(s.sigmaPressure) || !std::isfinite(s.sigmaVolume) || s.sigmaPressure + s.sigmaVolume <= 0)
            throw std::runtime_error("each point needs a positive volume, a finite pressure and a sigma of P or V");
    if (q.fixedV0 && !(*q.fixedV0 > 0)) throw std::runtime_error("a fixed V0 must be positive");

    std::vector<double> theta = Start(q), sigmas;
    std::optional<std::vector<double>> r = Residuals(model, theta, q.points, &sigmas);
    if (!r) throw std::runtime_error("the starting values leave the form's domain");
    double chi2 = SumOfSquares(*r), damping = 1e-3;
    int iterations = 0;
    bool converged = false;
    for (; iterations < MaxIterations && !converged; ++iterations) {
        const Matrix j = Jacobian(model, theta, q.points, sigmas);
        std::vector<double> g(p, 0);
        for (std::size_t i = 0; i < n; ++i)
            for (std::size_t k = 0; k < p; ++k) g[k] += j[i][k] * (*r)[i];
        // Raise the damping until a step lowers chi^2; a step that cannot is the minimum.
        bool accepted = false;
        while (!accepted && damping < MaxDamping) {
            const std::optional<Matrix> inv = InverseSpd(Normal(j, damping));
            if (!inv) throw std::runtime_error("the points do not determine " + std::string(FormName(q.form)) + "'s parameters");
            std::vector<double> trial = theta;
            double largestStep = 0;
            for (std::size_t a = 0; a < p; ++a) {
                double d = 0;
                for (std::size_t b = 0; b < p; ++b) d += (*inv)[a][b] * g[b];
                trial[a] += d;
                largestStep = std::max(largestStep, std::abs(d) / std::max(std::abs(theta[a]), 1e-8));
            }
            std::vector<double> trialSigmas;
            const std::optional<std::vector<double>> tr = Residuals(model, trial, q.points, &trialSigmas);
            const double trialChi2 = tr ? SumOfSquares(*tr) : 0;
            if (tr && trialChi2 <= chi2) {
                converged = chi2 - trialChi2 <= 1e-12 * (1 + chi2) || largestStep < 1e-12;
                theta = trial, sigmas = trialSigmas, r = tr, chi2 = trialChi2;
                damping = std::max(damping / 10, 1e-12);
                accepted = true;
            } else {
                damping *= 10;
            }
        }
        if (!accepted) converged = true;  // no step lowers chi^2 any further
    }
    if (!converged) throw std::runtime_error("the equation-of-state fit did not converge in 200 steps");

    const Matrix j = Jacobian(model, theta, q.points, sigmas);
    const std::optional<Matrix> covariance = InverseSpd(Normal(j, 0));
    if (!covariance) throw std::runtime_error("the points do not determine " + std::string(FormName(q.form)) + "'s parameters");
    EosFit fit;
    fit.form = q.form;
    fit.cold = model.Cold(theta);
    fit.refined = names;
    fit.covariance = *covariance;
    fit.chi2 = chi2;
    fit.dof = int(n - p);
    fit.iterations = iterations;
    FillTables(fit, q.points, j, *r, sigmas);
    return fit;
}

}  // namespace zantrel::eos
