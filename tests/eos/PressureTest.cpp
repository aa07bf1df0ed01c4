// The cold forms, the thermal pressure and sigma(P) against independent formulations:
// numeric integrals and derivatives, and pressures printed in the scales' sources.

#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>

#include "eos/Pressure.h"

namespace zantrel::eos {
namespace {

Scale Named(const std::string& name) {
    const std::vector<Scale> all = BuiltInScales();
    const Scale* s = FindScale(all, name);
    if (s == nullptr) throw std::runtime_error("no scale " + name);
    return *s;
}

double At(const Scale& s, double x, double t = 300) { return Pressure(s, {x * s.cold.v0, 0, t, 0}).pressure; }

TEST(EosForms, BulkModulusIsMinusVdPdVAndIntegratesBackToThePressure) {
    for (Form form : {Form::BM2, Form::BM3, Form::BM4, Form::Vinet}) {
        const ColdParameters c{form, 60, 250, 5.2, -0.03};
        for (double x : {0.6, 0.8, 0.97, 1.05}) {
            const double v = x * c.v0, h = 1e-5 * v;
            const double numeric = -v * (ColdPressure(c, v + h) - ColdPressure(c, v - h)) / (2 * h);
            EXPECT_NEAR(ColdBulkModulus(c, v), numeric, 1e-6 * numeric) << FormName(form) << " x " << x;
            // P(V) = integral from V to V0 of K/V' dV', by Simpson's rule in 2000 steps.
            const int n = 2000;
            double sum = 0;
            for (int i = 0; i <= n; ++i) {
                const double vi = v + (c.v0 - v) * i / n;
                sum += (i == 0 || i == n ? 1 : i % 2 ? 4 : 2) * ColdBulkModulus(c, vi) / vi;
            }
            EXPECT_NEAR(ColdPressure(c, v), sum * (c.v0 - v) / n / 3, 1e-7 * c.k0) << FormName(form) << " x " << x;
        }
    }
}

TEST(EosForms, ClosedFormsAtChosenCompressions) {
    // BM3 with K0' = 4 is BM2; BM4 with the K0'' that BM3 implies is BM3.
    const ColdParameters bm2{Form::BM2, 70, 160, 9, 0}, bm3{Form::BM3, 70, 160, 4, 0};
    const ColdParameters bm3b{Form::BM3, 70, 160, 5.5, 0};
    const ColdParameters bm4{Form::BM4, 70, 160, 5.5, -(5.5 - 3) * (5.5 - 4) / 160 - 35.0 / (9 * 160)};
    for (double x : {0.5, 0.75, 0.9}) {
        EXPECT_NEAR(ColdPressure(bm2, 70 * x), ColdPressure(bm3, 70 * x), 1e-12 * 160);
        EXPECT_NEAR(ColdPressure(bm4, 70 * x), ColdPressure(bm3b, 70 * x), 1e-10 * 160);
    }
    // At V/V0 = 0.75, worked by hand: f = (0.75^(-2/3) - 1)/2 = 0.105707, and
    // eta = 0.75^(1/3) = 0.908560.
    EXPECT_NEAR(ColdPressure({Form::BM2, 1, 100, 4, 0}, 0.75), 3 * 100 * 0.1057068 * std::pow(1.2114136, 2.5), 1e-3);
    EXPECT_NEAR(ColdPressure({Form::Vinet, 1, 167, 6, 0}, 0.75),
                3 * 167 * (1 - 0.9085603) / (0.9085603 * 0.9085603) * std::exp(7.5 * (1 - 0.9085603)), 1e-3);
}

TEST(EosScales, GoldScalesSpreadAsPublishedAtAQuarterCompression) {
    // The gold scales run from 99 to 112 GPa at V/V0 = 0.75.
    const double fei = At(Named("au-fei2007-vinet"), 0.75), bm3 = At(Named("au-fei2007-bm3"), 0.75);
    const double anderson = At(Named("au-anderson1989"), 0.75);
    for (double p : {fei, bm3, anderson}) {
        EXPECT_GT(p, 99);
        EXPECT_LT(p, 112.5);
    }
    const auto spread = SpreadOf({{"fei", fei}, {"bm3", bm3}, {"anderson", anderson}});
    ASSERT_TRUE(spread);
    EXPECT_EQ(spread->lowestName, "anderson");
    EXPECT_GT(spread->highest - spread->lowest, 4);  // 105.4 to 110.2 for these three
    EXPECT_FALSE(SpreadOf({}));
}

TEST(EosScales, NaclB1ReproducesTheTableOfItsSource) {
    // Matsui et al., Am. Mineral. 97, 1670 (2012), Table 1: V/V0, T (K), P (GPa), as
    // printed (four and two decimals); BM4 cold curve and MGD thermal pressure.
    const Scale s = Named("nacl-b1-matsui2012");
    struct Row { double x, t, p; };
    for (const Row& r : {Row{0.7669, 300, 12.04}, Row{0.7860, 300, 10.31}, Row{0.8115, 300, 8.30},
                         Row{0.8355, 300, 6.66}, Row{0.8310, 473, 7.43}, Row{0.8358, 473, 7.12},
                         Row{0.8340, 673, 7.81}, Row{0.8379, 673, 7.56}})
        EXPECT_NEAR(At(s, r.x, r.t), r.p, 0.02) << r.x << " at " << r.t << " K";
}

// integral_0^y t^3/(e^t - 1) dt by Simpson's rule.
double DebyeIntegralBySimpson(double y) {
    const int n = 20000;
    double sum = 0;
    for (int i = 1; i <= n; ++i) {
        const double t = y * i / n;
        sum += (i == n ? 1 : i % 2 ? 4 : 2) * t * t * t / std::expm1(t);
    }
    return sum * y / n / 3;
}

TEST(EosThermal, DebyeFunctionAndMieGruneisenAgainstNumericIntegrals) {
    for (double y : {0.05, 0.7, 0.999, 1.001, 3.0, 12.0, 60.0})
        EXPECT_NEAR(Debye3(y), 3 * DebyeIntegralBySimpson(y) / (y * y * y), 1e-10) << y;
    // Gold (Fei 2007) at V/V0 = 0.9 and 2000 K, worked from the definitions.
    const Scale au = Named("au-fei2007-vinet");
    const double x = 0.9, v = x * au.cold.v0;
    const double gamma = 2.97 * std::pow(x, 0.6), theta = 170 * std::exp((2.97 - gamma) / 0.6);
    const double kB = 1.380649e-2;  // J/K * 1e21 GPa per J/A^3
    auto energy = [&](double t) { return 9 * 4 * kB * t * std::pow(t / theta, 3) * DebyeIntegralBySimpson(theta / t); };
    const double expected = gamma / v * (energy(2000) - energy(300));
    EXPECT_NEAR(ThermalPressure(au.thermal, au.cold.v0, v, 2000).pressure, expected, 1e-7);
    EXPECT_GT(expected, 5);  // a sizeable share: the check sees a wrong constant
}

TEST(EosThermal, DebyeTemperatureFollowsTheGruneisenParameterOfEachLaw) {
    // theta(x) = theta0 exp(-integral_1^x gamma(s)/s ds): the closed forms (and the
    // quadrature) against Simpson's rule on gamma alone. At T >> theta the thermal
    // pressure hardly depends on theta, so compare at T = theta0 / 3, where it does.
    const ThermalParameters laws[] = {
        {ThermalModel::PowerLaw, 8, 761, 1.442, 1.3, 0, 0, 0, 0, 0},
        {ThermalModel::Tange, 8, 761, 1.442, 0, 0.138, 5.4, 0, 0, 0},
        {ThermalModel::Speziale, 8, 773, 1.524, 0, 0, 0, 1.65, 11.8, 0},
    };
    auto gammaOf = [](const ThermalParameters& t, double s) {
        if (t.model == ThermalModel::PowerLaw) return t.gamma0 * std::pow(s, t.q);
        if (t.model == ThermalModel::Tange) return t.gamma0 * (1 + t.a * (std::pow(s, t.b) - 1));
        return t.gamma0 * std::exp(t.q0 / t.q1 * (std::pow(s, t.q1) - 1));
    };
    const double kB = 1.380649e-2, v0 = 74.698;
    for (const ThermalParameters& t : laws)
        for (double x : {0.55, 0.8, 1.1}) {
            const int n = 4000;
            double integral = 0;
            for (int i = 0; i <= n; ++i) {
                const double s = 1 + (x - 1) * i / n;
                integral += (i == 0 || i == n ? 1 : i % 2 ? 4 : 2) * gammaOf(t, s) / s;
            }
            const double theta = t.theta0 * std::exp(-integral * (x - 1) / n / 3), temperature = t.theta0 / 3;
            auto energy = [&](double tt) { return 3 * 8 * kB * tt * Debye3(theta / tt); };
            const double expected = gammaOf(t, x) / (x * v0) * (energy(temperature) - energy(300));
            EXPECT_NEAR(ThermalPressure(t, v0, x * v0, temperature).pressure, expected, 1e-9 + 1e-9 * std::abs(expected))
                << int(t.model) << " x " << x;
        }
}

TEST(EosThermal, SpezialeLawTendsToThePowerLawAsQ1Vanishes) {
    ThermalParameters speziale{ThermalModel::Speziale, 8, 773, 1.524, 0, 0, 0, 1.65, 1e-7, 0};
    ThermalParameters power{ThermalModel::PowerLaw, 8, 773, 1.524, 1.65, 0, 0, 0, 0, 0};
    for (double x : {0.6, 0.85})
        EXPECT_NEAR(ThermalPressure(speziale, 74.698, 74.698 * x, 2500).pressure,
                    ThermalPressure(power, 74.698, 74.698 * x, 2500).pressure, 1e-5);
}

TEST(EosPressure, SigmaAndModulusAgreeWithFiniteDifferences) {
    for (const char* name : {"mgo-tange2009", "mgo-speziale2001", "pt-holmes1989", "nacl-b1-matsui2012"}) {
        const Scale s = Named(name);
        const double v = 0.82 * s.cold.v0, sv = 2e-4 * v, t = 1800, st = 50;
        const PressureResult r = Pressure(s, {v, sv, t, st});
        auto p = [&](double vv, double tt) { return Pressure(s, {vv, 0, tt, 0}).pressure; };
        const double dv = (p(v + 1e-4 * v, t) - p(v - 1e-4 * v, t)) / (2e-4 * v);
        const double dt = (p(v, t + 1) - p(v, t - 1)) / 2;
        EXPECT_NEAR(r.bulkModulus, -v * dv, 1e-5 * r.bulkModulus) << name;
        EXPECT_NEAR(r.dPdT, dt, 1e-6 + 1e-5 * std::abs(dt)) << name;
        EXPECT_NEAR(r.sigma, std::hypot(dv * sv, dt * st), 1e-5 * r.sigma) << name;
    }
    // Gold at V/V0 = 0.75 with sigma(a)/a = 1e-4: sigma(V)/V = 3e-4, sigma(P) about 0.2 GPa.
    const Scale au = Named("au-fei2007-vinet");
    const PressureResult r = Pressure(au, {0.75 * au.cold.v0, 3e-4 * 0.75 * au.cold.v0, 300, 0});
    EXPECT_GT(r.sigma, 0.1);
    EXPECT_LT(r.sigma, 0.3);
    EXPECT_GT(r.sigmaScale, 0);  // K0' of Fei 2007 carries a published sigma
}

TEST(EosPressure, RefusesVolumesAndTemperaturesOutsideTheScale) {
    const Scale re = Named("re-zha2004");
    EXPECT_THROW(Pressure(re, {0.9 * re.cold.v0, 0, 1500, 0}), std::runtime_error);  // isothermal
    EXPECT_THROW(Pressure(re, {0.2 * re.cold.v0, 0, 300, 0}), std::runtime_error);
    EXPECT_THROW(Pressure(re, {-1, 0, 300, 0}), std::runtime_error);
    EXPECT_THROW(Pressure(re, {0.9 * re.cold.v0, -1, 300, 0}), std::runtime_error);
    // A BM4 whose K0'' makes it turn over before V/V0 = 0.3: refused past the turn.
    const ColdParameters soft{Form::BM4, 100, 20, 4, -2};
    EXPECT_TRUE(InRange(soft, 95));
    EXPECT_FALSE(InRange(soft, 40));
}

TEST(EosScales, ScaleFilesAreCheckedField_by_field) {
    const std::vector<Scale> all = BuiltInScales();
    EXPECT_EQ(all.size(), 14u);
    for (const Scale& s : all) EXPECT_FALSE(s.reference.empty()) << s.name;
    EXPECT_EQ(Named("re-zha2004").system, "hexagonal");
    EXPECT_DOUBLE_EQ(Named("nacl-b1-matsui2012").cold.k0pp, -0.392);
    const std::string good = R"({"scales": [{"name": "x", "material": "X", "reference": "r", "system": "cubic",
        "form": "vinet", "V0": 10, "K0": 100, "K0p": 4, "atoms_per_cell": 1,
        "thermal": {"model": "power-law", "theta0": 300, "gamma0": 2, "q": 1}}]})";
    EXPECT_EQ(ParseScales(good).front().thermal.model, ThermalModel::PowerLaw);
    for (const auto& [from, to] : std::vector<std::pair<std::string, std::string>>{
             {"\"K0p\": 4", "\"K0p\": \"4\""}, {"vinet", "murnaghan"}, {"power-law", "einstein"},
             {"\"q\": 1", "\"q\": 0"}, {"cubic", "triclinic"}, {"]}", "]"}}) {
        std::string bad = good;
        bad.replace(bad.find(from), from.size(), to);
        EXPECT_THROW(ParseScales(bad), std::runtime_error) << to;
    }
}

}  // namespace
}  // namespace zantrel::eos
