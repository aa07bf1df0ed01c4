// The regression diagnostics checked from outside: the hat matrix rebuilt with Eigen
// from the refinement's own derivatives, and each deletion statistic against a refit
// that really leaves the reflection out.

#include <cmath>
#include <string>
#include <vector>

#include <Eigen/Dense>
#include <gtest/gtest.h>

#include "cell/TestJob.h"
#include "engine/LSQ.h"
#include "support/SyntheticData.h"

namespace zantrel {
namespace {

using namespace engine;

// An orthorhombic cell with noisy 2-theta: every reflection has some influence.
std::string NoisyData() {
    synth::DataSpec recipe;
    recipe.cell = {4.9, 6.3, 7.7, 90, 90, 90};
    recipe.system = 4;
    recipe.count = 12;
    recipe.noise2Theta = 0.01;
    recipe.seed = 7;
    return synth::MakeDataFile(recipe);
}

// The file without reflection i (1-based); title and header are the first two lines.
std::string Without(const std::string& file, int i) {
    std::size_t start = 0;
    for (int line = 0; line < i + 1; ++line) start = file.find("\r\n", start) + 2;
    return file.substr(0, start) + file.substr(file.find("\r\n", start) + 2);
}

struct Fit {
    jobs::Job job;
    Results results;
    explicit Fit(const std::string& data) : results(jobs::Refine(job, data)) {}
};

// H = J (J'WJ)^-1 J'W at the final point, J from the refinement's central differences.
Eigen::MatrixXd HatMatrix(const std::string& data) {
    jobs::Job job;
    jobs::Refine(job, data, /*collect=*/false);
    const int n = job.ObsCount, p = job.ParamCount;
    const auto models = PrepareDerivativeModels(job, job.ReciprocalCell, job.ParamSteps, p);
    Eigen::MatrixXd j(n, p);
    Eigen::VectorXd w(n);
    for (int i = 1; i <= n; ++i) {
        ParamVector d;
        NumericDerivativesAt(job, models, job.ParamSteps, job.DesignMatrix, i, p, d);
        for (int k = 1; k <= p; ++k) j(i - 1, k - 1) = d[k];
        w(i - 1) = 1 / (job.Weights[i] * job.Weights[i]);  // Weights holds each sigma
    }
    const Eigen::MatrixXd jtw = j.transpose() * w.asDiagonal();
    return j * (jtw * j).inverse() * jtw;
}

TEST(Diagnostics, HatValuesAreTheDiagonalOfTheWeightedProjection) {
    const std::string data = NoisyData();
    Fit full(data);
    const Diagnostics& d = full.results.diagnostics;
    ASSERT_EQ(int(d.rows.size()), 12);
    const Eigen::MatrixXd hat = HatMatrix(data);
    double sum = 0;
    for (int i = 0; i < 12; ++i) {
        EXPECT_NEAR(d.rows[std::size_t(i)].leverage, hat(i, i), 1e-6) << "reflection " << i + 1;
        sum += d.rows[std::size_t(i)].leverage;
    }
    EXPECT_NEAR(sum, full.results.paramCount, 1e-6);
    EXPECT_NEAR(hat.trace(), 3.0, 1e-9);  // the oracle itself: a projection of rank p
}

// The first-order formulas are exact for a linear model; the cell is nearly linear over
// a deletion's change, so they agree with a refit to a few per cent of the change.
TEST(Diagnostics, DeletionStatisticsAgreeWithARefitWithoutTheReflection) {
    const std::string data = NoisyData();
    Fit full(data);
    const Results& r = full.results;
    const Eigen::MatrixXd hat = HatMatrix(data);
    for (int i = 1; i <= r.obsCount; ++i) {
        SCOPED_TRACE("reflection " + std::to_string(i));
        const DiagnosticRow& row = r.diagnostics.rows[std::size_t(i - 1)];
        Fit deleted(Without(data, i));
        ASSERT_EQ(deleted.results.obsCount, r.obsCount - 1);
        const double sDeleted = deleted.results.sigmaFit;
        EXPECT_NEAR(row.sigmaDeleted, sDeleted, 1e-4 * sDeleted);
        for (std::size_t u = 0; u < r.parameters.size(); ++u) {
            const Estimate& e = r.parameters[u].estimate;
            const double moved = double(100 * (deleted.results.parameters[u].estimate.value - e.value) / e.sigma);
            ASSERT_TRUE(row.parameterChangePercent[u].has_value());
            EXPECT_NEAR(*row.parameterChangePercent[u], moved, 0.5 + 0.03 * std::fabs(moved))
                << r.parameters[u].label;
        }
        const double volumeMoved = double(100 * (deleted.results.volume.value - r.volume.value) / r.volume.sigma);
        EXPECT_NEAR(*row.volumeChangePercent, volumeMoved, 0.5 + 0.03 * std::fabs(volumeMoved));

        // Rstudent and DFFITS from the residual, the oracle's hat and the refit's sigma.
        const ReflectionRow& obs = r.reflections[std::size_t(i - 1)];
        const double h = hat(i - 1, i - 1);
        const double rStudent = obs.residual / obs.sigma / (sDeleted * std::sqrt(1 - h));
        EXPECT_NEAR(std::fabs(*row.rStudent), std::fabs(rStudent), 0.02 * std::fabs(rStudent) + 1e-3);
        EXPECT_NEAR(std::fabs(*row.dfFits), std::fabs(rStudent * std::sqrt(h / (1 - h))),
                    0.02 * std::fabs(*row.dfFits) + 1e-3);
        EXPECT_GT(*row.rStudent * obs.residual, 0) << "Rstudent carries the residual's sign";
    }
}

}  // namespace
}  // namespace zantrel
