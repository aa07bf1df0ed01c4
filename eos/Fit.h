#pragma once
// The fit of an equation of state to a pressure series, with the influence of each
// point: leverage, externally studentised residual, DFFITS, and the change of each
// parameter when the point is left out, as the cell's diagnostics give them.
//
// Units: volumes in cubic angstrom, pressures and moduli in GPa, K0pp in 1/GPa.

#include <optional>
#include <string>
#include <vector>

#include "eos/Forms.h"
#include "eos/SymmetricInverse.h"

namespace zantrel::eos {

struct SeriesPoint {
    double pressure = 0, sigmaPressure = 0, volume = 0, sigmaVolume = 0;
};

struct FitRequest {
    Form form = Form::BM3;
    std::vector<SeriesPoint> points;
    std::optional<double> fixedV0;  // V0 held, as measured at ambient conditions
};

struct FitParameter {
    std::string name;  // "V0", "K0", "K0p", "K0pp"
    double value = 0, sigma = 0;
    bool fixed = false;
};

struct PointInfluence {
    double pressure = 0, volume = 0;
    double sigmaEffective = 0;  // GPa: sqrt(sigma_P^2 + (K/V)^2 sigma_V^2) at the fit
    double residual = 0;        // (P - P_fit) / sigmaEffective
    double leverage = 0;
    std::optional<double> rStudent, dfFits;
    // The change of each refined parameter when the point is left out, in units of its
    // sigma, in the order of the refined parameters.
    std::vector<double> parameterChange;
    bool flaggedFit = false, flaggedParameters = false;
};

// A point of the F-f plot: the normalised pressure F_E = P / (3 f (1 + 2f)^(5/2))
// against the Eulerian strain f_E of the fitted V0.
struct StrainPoint {
    double f = 0, sigmaF = 0, normalisedPressure = 0, sigmaNormalisedPressure = 0;
};

// The K0-K0' confidence region: the ellipse where chi^2 exceeds its minimum by deltaChi2.
struct Ellipse {
    double deltaChi2 = 0;
    std::vector<std::pair<double, double>> points;  // (K0, K0'), closed
};

struct EosFit {
    Form form = Form::BM3;
    ColdParameters cold;
    std::vector<FitParameter> parameters;  // every one of the form, fixed ones with sigma 0
    std::vector<std::string> refined;      // names of the refined, the order of the matrices
    Matrix covariance, correlation;        // of the refined parameters
    double chi2 = 0;
    int dof = 0;
    int iterations = 0;
    double leverageLimit = 0, dfFitsLimit = 0, rStudentLimit = 2, parameterChangeLimit = 0.325;
    std::vector<PointInfluence> points;   // in the order given
    std::vector<StrainPoint> strain;      // points with f_E > 1e-5 only
    std::vector<Ellipse> ellipses;        // 68.3 % and 95.4 %, where K0 and K0' are refined
};

// Weighted least squares in P with effective variances; throws std::runtime_error
// when the points cannot determine the parameters or the fit does not converge.
EosFit FitEos(const FitRequest& request);

}  // namespace zantrel::eos
