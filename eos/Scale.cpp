#include "eos/Scale.h"

#include <stdexcept>

#include "eos/BuiltInScales.h"
#include "eos/JsonValue.h"

namespace zantrel::eos {

namespace {

[[noreturn]] void Fault(const std::string& scale, const std::string& what) {
    throw std::runtime_error("scale " + (scale.empty() ? std::string("(unnamed)") : scale) + ": " + what);
}

std::string Text(const JsonValue& o, const std::string& key, const std::string& scale, bool required) {
    const JsonValue* v = o.Find(key);
    if (v == nullptr) {
        if (required) Fault(scale, "\"" + key + "\" missing");
        return "";
    }
    if (v->kind != JsonValue::Kind::String) Fault(scale, "\"" + key + "\" must be a string");
    return v->string;
}

std::optional<double> Number(const JsonValue& o, const std::string& key, const std::string& scale) {
    const JsonValue* v = o.Find(key);
    if (v == nullptr) return std::nullopt;
    if (v->kind != JsonValue::Kind::Number) Fault(scale, "\"" + key + "\" must be a number");
    return v->number;
}

double Required(const JsonValue& o, const std::string& key, const std::string& scale) {
    std::optional<double> x = Number(o, key, scale);
    if (!x) Fault(scale, "\"" + key + "\" missing");
    return *x;
}

ThermalParameters Thermal(const JsonValue* t, const std::string& scale, double atoms) {
    ThermalParameters p;
    p.atomsPerCell = atoms;
    if (t == nullptr) return p;
    const std::string model = Text(*t, "model", scale, true);
    if (model == "none") return p;
    if (model == "alpha-k") {
        p.model = ThermalModel::AlphaK;
        p.alphaK = Required(*t, "alphaK", scale);
        return p;
    }
    p.theta0 = Required(*t, "theta0", scale);
    p.gamma0 = Required(*t, "gamma0", scale);
    if (model == "power-law") {
        p.model = ThermalModel::PowerLaw;
        p.q = Required(*t, "q", scale);
        if (p.q == 0) Fault(scale, "q must not be 0");
    } else if (model == "tange") {
        p.model = ThermalModel::Tange;
        p.a = Required(*t, "a", scale);
        p.b = Required(*t, "b", scale);
        if (p.b == 0) Fault(scale, "b must not be 0");
    } else if (model == "speziale") {
        p.model = ThermalModel::Speziale;
        p.q0 = Required(*t, "q0", scale);
        p.q1 = Required(*t, "q1", scale);
        if (p.q1 == 0) Fault(scale, "q1 must not be 0");
    } else {
        Fault(scale, "thermal model \"" + model + "\" unknown (none, power-law, tange, speziale, alpha-k)");
    }
    if (!(p.theta0 > 0) || !(atoms > 0)) Fault(scale, "theta0 and atoms_per_cell must be positive");
    return p;
}

}  // namespace

std::vector<Scale> ParseScales(const std::string& json) {
    const JsonValue doc = ParseJson(json);
    const JsonValue* list = doc.Find("scales");
    if (list == nullptr || list->kind != JsonValue::Kind::Array) throw std::runtime_error("a scale file holds a \"scales\" array");
    std::vector<Scale> scales;
    for (const JsonValue& o : list->array) {
        if (o.kind != JsonValue::Kind::Object) throw std::runtime_error("each scale is an object");
        Scale s;
        s.name = Text(o, "name", "", true);
        s.material = Text(o, "material", s.name, true);
        s.reference = Text(o, "reference", s.name, true);
        s.note = Text(o, "note", s.name, false);
        s.system = Text(o, "system", s.name, true);
        if (s.system != "cubic" && s.system != "hexagonal" && s.system != "tetragonal" && s.system != "orthorhombic")
            Fault(s.name, "system \"" + s.system + "\" is not one a calibrant has here");
        s.z = int(Number(o, "Z", s.name).value_or(1));
        const std::optional<Form> form = FormFromName(Text(o, "form", s.name, true));
        if (!form) Fault(s.name, "form must be bm2, bm3, bm4 or vinet");
        s.cold.form = *form;
        s.cold.v0 = Required(o, "V0", s.name);
        s.cold.k0 = Required(o, "K0", s.name);
        s.cold.k0p = *form == Form::BM2 ? 4 : Required(o, "K0p", s.name);
        s.cold.k0pp = *form == Form::BM4 ? Required(o, "K0pp", s.name) : 0;
        if (!(s.cold.v0 > 0) || !(s.cold.k0 > 0)) Fault(s.name, "V0 and K0 must be positive");
        s.sigmaK0 = Number(o, "sigma_K0", s.name);
        s.sigmaK0p = Number(o, "sigma_K0p", s.name);
        s.thermal = Thermal(o.Find("thermal"), s.name, Number(o, "atoms_per_cell", s.name).value_or(0));
        if (FindScale(scales, s.name) != nullptr) Fault(s.name, "named twice");
        scales.push_back(std::move(s));
    }
    return scales;
}

// Parsed at each call rather than kept: a few microseconds, and no state outside the
// caller's hands. The text is compiled in; the tests parse it.
std::vector<Scale> BuiltInScales() { return ParseScales(BuiltInScalesJson()); }

std::vector<Scale> BuiltInAndUserScales(const std::string& userJson) {
    std::vector<Scale> scales = BuiltInScales();
    for (Scale& s : ParseScales(userJson)) {
        bool replaced = false;
        for (Scale& known : scales)
            if (known.name == s.name) known = s, replaced = true;
        if (!replaced) scales.push_back(std::move(s));
    }
    return scales;
}

const Scale* FindScale(const std::vector<Scale>& scales, const std::string& name) {
    for (const Scale& s : scales)
        if (s.name == name) return &s;
    return nullptr;
}

}  // namespace zantrel::eos
