#include "python/Eos.h"

#include <cmath>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include <pybind11/numpy.h>
#include <pybind11/stl.h>

#include "eos/Fit.h"
#include "eos/Pressure.h"

namespace zantrel::python {

namespace py = pybind11;

namespace {

std::vector<eos::Scale> Scales(const std::optional<std::string>& scaleFile) {
    if (!scaleFile) return eos::BuiltInScales();
    std::ifstream in(*scaleFile, std::ios::binary);
    if (!in) throw py::value_error("cannot read the scale file " + *scaleFile);
    std::ostringstream text;
    text << in.rdbuf();
    try {
        return eos::BuiltInAndUserScales(text.str());
    } catch (const std::runtime_error& e) {
        throw py::value_error(*scaleFile + ": " + e.what());
    }
}

const char* ThermalName(eos::ThermalModel m) {
    switch (m) {
        case eos::ThermalModel::None: return "none";
        case eos::ThermalModel::PowerLaw: return "power-law";
        case eos::ThermalModel::Tange: return "tange";
        case eos::ThermalModel::Speziale: return "speziale";
        case eos::ThermalModel::AlphaK: return "alpha-k";
    }
    return "none";
}

py::list ListScales(const std::optional<std::string>& scaleFile) {
    py::list out;
    for (const eos::Scale& s : Scales(scaleFile)) {
        py::dict d;
        d["name"] = s.name;
        d["material"] = s.material;
        d["system"] = s.system;
        d["reference"] = s.reference;
        d["note"] = s.note;
        d["form"] = eos::FormName(s.cold.form);
        d["V0"] = s.cold.v0;
        d["K0"] = s.cold.k0;
        d["K0p"] = s.cold.k0p;
        if (s.cold.form == eos::Form::BM4) d["K0pp"] = s.cold.k0pp;
        d["thermal"] = ThermalName(s.thermal.model);
        out.append(d);
    }
    return out;
}

std::vector<double> Values(py::handle x, const char* name) {
    const py::array_t<double, py::array::c_style | py::array::forcecast> a = py::array_t<double>::ensure(x);
    if (!a) throw py::type_error(std::string(name) + " must be a number or an array of numbers");
    std::vector<double> v(a.data(), a.data() + a.size());
    for (double d : v)
        if (!std::isfinite(d)) throw py::value_error(std::string(name) + " must be finite");
    return v;
}

// Each of n values, or one value for all.
double At(const std::vector<double>& v, std::size_t i) { return v.size() == 1 ? v[0] : v[i]; }

py::array_t<double> Array(const std::vector<double>& v) { return py::array_t<double>(py::ssize_t(v.size()), v.data()); }

py::dict Pressure(py::handle volume, py::handle sigmaVolume, const std::string& name, double temperature,
                  double sigmaTemperature, std::optional<double> v0, const std::optional<std::string>& scaleFile) {
    const std::vector<eos::Scale> scales = Scales(scaleFile);
    const eos::Scale* found = eos::FindScale(scales, name);
    if (found == nullptr) throw py::value_error("no calibrant scale " + name + " (zantrel.scales() lists them)");
    eos::Scale scale = *found;
    if (v0) scale.cold.v0 = *v0;
    const std::vector<double> v = Values(volume, "volume"), sv = Values(sigmaVolume, "sigma_volume");
    if (sv.size() != 1 && sv.size() != v.size()) throw py::value_error("sigma_volume must be one value or one per volume");
    std::vector<double> p, s, ss, k;
    for (std::size_t i = 0; i < v.size(); ++i) {
        try {
            const eos::PressureResult r = eos::Pressure(scale, {v[i], At(sv, i), temperature, sigmaTemperature});
            p.push_back(r.pressure), s.push_back(r.sigma), ss.push_back(r.sigmaScale), k.push_back(r.bulkModulus);
        } catch (const std::runtime_error& e) {
            throw py::value_error(e.what());
        }
    }
    py::dict out;
    out["pressure"] = Array(p);
    out["sigma"] = Array(s);
    out["sigma_scale"] = Array(ss);
    out["bulk_modulus"] = Array(k);
    return out;
}

// A column whose values may be undefined, as a numpy masked array (never NaN).
py::object Masked(const std::vector<std::optional<double>>& x) {
    std::vector<double> values;
    std::vector<bool> mask;
    for (const auto& v : x) values.push_back(v.value_or(0)), mask.push_back(!v);
    return py::module_::import("numpy.ma").attr("masked_array")(Array(values), py::cast(mask));
}

py::array_t<double> Matrix(const eos::Matrix& m) {
    const auto n = py::ssize_t(m.size());
    py::array_t<double> out({n, n});
    auto w = out.mutable_unchecked<2>();
    for (py::ssize_t i = 0; i < n; ++i)
        for (py::ssize_t j = 0; j < n; ++j) w(i, j) = m[std::size_t(i)][std::size_t(j)];
    return out;
}

py::dict FitEos(py::handle p, py::handle sigmaP, py::handle v, py::handle sigmaV, const std::string& form,
                std::optional<double> fixV0) {
    const std::optional<eos::Form> f = eos::FormFromName(form);
    if (!f) throw py::value_error("form must be 'bm2', 'bm3', 'bm4' or 'vinet'");
    const std::vector<double> pv = Values(p, "p"), sp = Values(sigmaP, "sigma_p"), vv = Values(v, "v"), sv = Values(sigmaV, "sigma_v");
    if (vv.size() != pv.size() || (sp.size() != 1 && sp.size() != pv.size()) || (sv.size() != 1 && sv.size() != pv.size()))
        throw py::value_error("p and v must have one value per point, sigma_p and sigma_v one or one per point");
    eos::FitRequest request{*f, {}, fixV0};
    for (std::size_t i = 0; i < pv.size(); ++i) request.points.push_back({pv[i], At(sp, i), vv[i], At(sv, i)});
    eos::EosFit fit;
    try {
        py::gil_scoped_release unlocked;
        fit = eos::FitEos(request);
    } catch (const std::runtime_error& e) {
        throw py::value_error(e.what());
    }
    py::dict out, parameters, sigmas;
    out["form"] = form;
    for (const eos::FitParameter& q : fit.parameters) parameters[py::str(q.name)] = q.value, sigmas[py::str(q.name)] = q.sigma;
    out["parameters"] = parameters;
    out["sigmas"] = sigmas;
    out["refined"] = fit.refined;
    out["covariance"] = Matrix(fit.covariance);
    out["correlation"] = Matrix(fit.correlation);
    out["chi2"] = fit.chi2;
    out["dof"] = fit.dof;
    std::vector<double> leverage, residual;
    std::vector<std::optional<double>> rstudent, dffits;
    std::vector<bool> flagged;
    for (const eos::PointInfluence& r : fit.points) {
        leverage.push_back(r.leverage), residual.push_back(r.residual);
        rstudent.push_back(r.rStudent), dffits.push_back(r.dfFits);
        flagged.push_back(r.flaggedFit || r.flaggedParameters);
    }
    py::dict influence;
    influence["pressure"] = Array(pv);
    influence["volume"] = Array(vv);
    influence["residual"] = Array(residual);
    influence["leverage"] = Array(leverage);
    influence["rstudent"] = Masked(rstudent);
    influence["dffits"] = Masked(dffits);
    for (std::size_t a = 0; a < fit.refined.size(); ++a) {
        std::vector<double> change;
        for (const eos::PointInfluence& r : fit.points) change.push_back(r.parameterChange[a]);
        influence[py::str("change_" + fit.refined[a])] = Array(change);
    }
    influence["flagged"] = py::array(py::cast(flagged));
    out["influence"] = influence;
    std::vector<double> fs, ff, sff;
    for (const eos::StrainPoint& s : fit.strain) fs.push_back(s.f), ff.push_back(s.normalisedPressure), sff.push_back(s.sigmaNormalisedPressure);
    py::dict strain;
    strain["f"] = Array(fs);
    strain["F"] = Array(ff);
    strain["sigma_F"] = Array(sff);
    out["strain"] = strain;
    return out;
}

}  // namespace

void BindEos(py::module_& module) {
    module.def("scales", &ListScales, R"(scales(scale_file=None) -> list of dict

The calibrant scales: name, material, system, reference, note, form, V0 (A^3 per
cell), K0 (GPa), K0p, K0pp (bm4 only) and the thermal model's name. scale_file adds
the scales of a file in the format of eos/scales.json.)",
               py::arg("scale_file") = py::none());
    module.def("pressure", &Pressure, R"(pressure(volume, sigma_volume=0, *, scale, temperature=300, sigma_temperature=0, v0=None, scale_file=None) -> dict

The pressure of calibrant cell volumes (A^3, a number or an array) on a scale,
in GPa: a dict of numpy arrays pressure, sigma (from sigma_volume and
sigma_temperature to first order), sigma_scale (from the published sigmas of K0
and K0' where the source gives them) and bulk_modulus. v0 replaces the scale's
V0 by a measured one. Raises ValueError for a volume outside the scale's range.)",
               py::arg("volume"), py::arg("sigma_volume") = 0.0, py::kw_only(), py::arg("scale"),
               py::arg("temperature") = 300.0, py::arg("sigma_temperature") = 0.0, py::arg("v0") = py::none(),
               py::arg("scale_file") = py::none());
    module.def("fit_eos", &FitEos, R"(fit_eos(p, sigma_p, v, sigma_v, *, form='bm3', fix_v0=None) -> dict

Fits an equation of state (bm2, bm3, bm4 or vinet) to pressures (GPa) and
volumes (A^3) weighted by effective variances. Returns parameters and sigmas
(dicts by name), refined, covariance and correlation (numpy arrays), chi2, dof,
influence (a dict of numpy arrays per point: pressure, volume, residual,
leverage, rstudent and dffits (masked where undefined), change_NAME (the change
of each refined parameter when the point is left out, in its sigmas), flagged)
and strain (f, F, sigma_F of the F-f plot). Raises ValueError when the points
cannot determine the parameters.)",
               py::arg("p"), py::arg("sigma_p"), py::arg("v"), py::arg("sigma_v"), py::kw_only(), py::arg("form") = "bm3",
               py::arg("fix_v0") = py::none());
}

}  // namespace zantrel::python
