// The CIF block of a refined cell: values with standard uncertainties in the IUCr
// notation, the measurement, and the reflections used.

#include "export/Documents.h"

#include "export/Windows1252.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>

#include "export/Format.h"
#include "export/WeightingText.h"
#include "export/Origin.h"

namespace zantrel {

namespace {

// x in scientific notation, "1.6e-04", with `decimals` digits after the point, or
// the shortest that reads back when decimals < 0. std::to_chars rounds the exact
// binary value, so no tie is misjudged.
std::string Scientific(double x, int decimals) {
    char buffer[64];
    auto [end, ec] = decimals < 0
                         ? std::to_chars(buffer, buffer + sizeof buffer, x, std::chars_format::scientific)
                         : std::to_chars(buffer, buffer + sizeof buffer, x, std::chars_format::scientific, decimals);
    return std::string(buffer, end);
}

int ExponentOf(const std::string& scientific) {
    std::size_t e = scientific.find('e');
    int exponent = 0;
    std::from_chars(scientific.data() + e + (scientific[e + 1] == '+' ? 2 : 1),
                    scientific.data() + scientific.size(), exponent);
    return exponent;
}

// The power of ten of x's leading digit (exact, unlike a logarithm next to a power of ten).
int DecimalExponent(double x) { return ExponentOf(Scientific(x, -1)); }

// x rounded to `digits` significant digits: the digits and the power of ten of the last.
struct Rounded {
    long long digits = 0;
    int lastPower = 0;
};

Rounded Significant(double x, int digits) {
    const std::string text = Scientific(x, digits - 1);
    Rounded r;
    for (std::size_t i = 0; i < text.find('e'); ++i)
        if (text[i] != '.') r.digits = r.digits * 10 + (text[i] - '0');
    r.lastPower = ExponentOf(text) - (digits - 1);
    return r;
}

// value rounded to a multiple of 10^power, written without a decimal point (power > 0).
std::string RoundToTens(double value, int power) {
    const double magnitude = std::fabs(value);
    if (magnitude == 0) return "0";
    const int exponent = DecimalExponent(magnitude);
    std::string text;
    if (exponent < power) {
        // Below the rounding place: 0, or one unit of it when at least half a unit.
        // 10^power is exact in a double for the powers that can occur here.
        text = magnitude >= 0.5 * std::pow(10.0, power) ? "1" + std::string(std::size_t(power), '0') : "0";
    } else {
        Rounded r = Significant(magnitude, exponent - power + 1);
        // A carry (9996 to tens gives 1.00e4) leaves the last digit a place higher:
        // the zeros below make up for it.
        text = std::to_string(r.digits) + std::string(std::size_t(r.lastPower), '0');
    }
    return (value < 0 && text != "0" ? "-" : "") + text;
}

// Only printable ASCII may stand in a CIF 1.1 comment.
std::string Printable(const std::string& text) {
    std::string out;
    for (char c : text) out += (c >= 0x20 && c < 0x7F) ? c : '?';
    return out;
}

// The Latin-1 letters with a mark, as the letters CIF names allow: U+00C0 .. U+00FF,
// '_' where none fits (the multiplication and division signs).
constexpr char Unmarked[] = "AAAAAAACEEEEIIIIDNOOOOO_OUUUUYTsaaaaaaaceeeeiiiidnooooo_ouuuuyty";

// A data block name: the report's file name without folders and extension. A character
// CIF 1.1 does not allow in a name becomes one '_' (a letter with a mark its letter), so
// a name in UTF-8 keeps its length and most of its sense.
std::string BlockName(const std::string& report) {
    std::string file = report.substr(report.find_last_of("/\\") + 1);
    std::size_t dot = file.rfind('.');
    if (dot != std::string::npos && dot > 0) file.resize(dot);
    std::u32string codes;
    if (!DecodeUtf8(file, codes)) codes.assign(file.begin(), file.end());  // bytes of another code page: one '_' each
    std::string name;
    for (char32_t c : codes) {
        if (c < 0x80 && (std::isalnum(int(c)) || c == '_' || c == '-' || c == '.')) name += char(c);
        else if (c >= 0xC0 && c <= 0xFF) name += Unmarked[c - 0xC0];
        else name += '_';
    }
    if (name.empty()) name = "zantrel";
    return name.substr(0, 70);  // names of up to 75 characters are read everywhere
}

constexpr const char* CellTags[6] = {"_cell_length_a",   "_cell_length_b",  "_cell_length_c",
                                     "_cell_angle_alpha", "_cell_angle_beta", "_cell_angle_gamma"};

void Item(std::string& out, const std::string& tag, const std::string& value) {
    out += tag + std::string(tag.size() < 36 ? 36 - tag.size() : 1, ' ') + value + "\n";
}

}  // namespace

std::string ValueWithSu(double value, double su) {
    if (!std::isfinite(value)) return "?";
    if (!(su > 0) || !std::isfinite(su)) return FormatShortest(value);
    // The rule of 19: two digits of the s.u. when its leading digits are 10 to 19,
    // else one. An s.u. such as 0.0096 that rounds up to one digit reads 0.010, and
    // is shown as (10): its leading digits are then 10.
    Rounded su2 = Significant(su, 2);
    Rounded shown = su2;
    if (su2.digits > 19) {
        shown = Significant(su, 1);
        if (shown.lastPower > su2.lastPower + 1) shown = {10, su2.lastPower + 1};
    }
    std::string number, digits = std::to_string(shown.digits);
    if (shown.lastPower <= 0) {
        number = FixedText(value, -shown.lastPower);
        if (number.front() == '-' && number.find_first_not_of("-0.") == std::string::npos) number.erase(0, 1);
    } else {
        number = RoundToTens(value, shown.lastPower);
        digits += std::string(std::size_t(shown.lastPower), '0');  // the s.u. in units of 1
    }
    return number + "(" + digits + ")";
}

namespace {

std::string Cif(const FileResult& f, bool arrays) {
    const Results& r = f.results;
    // The report's sigmas follow from the assumed sigma(2theta) = 0.005 deg; scaled by
    // sigmafit they follow the observed scatter instead, but never fall below the
    // assumed error of the measurement.
    const double scale = std::max(1.0, r.sigmaFit);
    std::string out = "#\\#CIF_1.1\n";
    if (arrays) {
        // Not zantrel-cli's mark: the command line did not write this file and may not replace it.
        out += "# Lattice parameters refined by the zantrel Python module from reflections given as arrays\n";
        out += "# (zantrel.refine: no data file, no report), sample title: " + Printable(r.title) + "\n";
    } else {
        out += std::string(OriginMark(Document::Cif)) + " from " + Printable(f.file) + "\n";
        out += "# (report " + Printable(f.report) + "), sample title: " + Printable(r.title) + "\n";
    }
    if (r.settings.weighting.IsDefault()) {
        out += "# The standard uncertainties are the report's sigmas, which assume sigma(2theta) =\n";
        out += "# 0.005 deg for every observation, multiplied by max(1, sigmafit) = " + FixedText(scale, 4) +
               ";\n# sigmafit is given as _refine_ls_goodness_of_fit_all.\n";
    } else {
        out += "# The standard uncertainties are the report's sigmas (" + Printable(WeightingLines(r.settings)[0]) + "),\n";
        out += "# multiplied by max(1, sigmafit) = " + FixedText(scale, 4) +
               ";\n# sigmafit is given as _refine_ls_goodness_of_fit_all.\n";
    }
    if (!r.excluded.empty()) out += "# " + ExcludedLine(r.excluded) + "\n";
    if (const ZeroShiftResult* z = RefinedZeroShift(r); z != nullptr && z->significant)
        out += "# The observed positions below are corrected by the refined zero shift of " +
               ValueWithSu(z->value, z->sigma * scale) +
               (z->quantity == Quantity::TwoTheta ? " deg 2theta" : " keV") + ".\n";
    out += "\ndata_" + BlockName(f.report) + "\n";
    Item(out, "_computing_cell_refinement", arrays ? "'zantrel Python module'" : "zantrel-cli");
    Item(out, "_space_group_crystal_system", SystemName(r.systemRefined));
    for (std::size_t i = 0; i < 6; ++i)
        Item(out, CellTags[i], r.cell[i].sigma ? ValueWithSu(r.cell[i].value, *r.cell[i].sigma * scale)
                                               : FormatShortest(r.cell[i].value));
    Item(out, "_cell_volume", ValueWithSu(double(r.volume.value), double(r.volume.sigma) * scale));
    Item(out, "_cell_measurement_reflns_used", std::to_string(r.obsCount));
    const bool energy = r.settings.data == Quantity::Energy, angle = r.settings.data == Quantity::TwoTheta;
    if (angle && !r.reflections.empty()) {
        auto [low, high] = std::minmax_element(r.reflections.begin(), r.reflections.end(),
                                               [](const ReflectionRow& x, const ReflectionRow& y) {
                                                   return x.positionObs < y.positionObs;
                                               });
        Item(out, "_cell_measurement_theta_min", FixedText(low->positionObs / 2, 4));
        Item(out, "_cell_measurement_theta_max", FixedText(high->positionObs / 2, 4));
        Item(out, "_diffrn_radiation_wavelength", FormatShortest(r.settings.wavelength));
    }
    if (energy) Item(out, "_pd_meas_2theta_fixed", FormatShortest(r.settings.beam2Theta));
    Item(out, "_refine_ls_goodness_of_fit_all", FixedText(r.sigmaFit, 4));

    // The reflections used: observed and calculated d spacing (angstrom) and the
    // observed quantity, 2-theta (degrees) or energy (keV); d-spacing data have only d.
    out += "\nloop_\n_refln_index_h\n_refln_index_k\n_refln_index_l\n";
    out += "_zantrel_refln_d_spacing_obs\n_refln_d_spacing\n";
    if (angle) out += "_zantrel_refln_2theta_obs\n_zantrel_refln_2theta_calc\n";
    if (energy) out += "_zantrel_refln_energy_obs\n_zantrel_refln_energy_calc\n";
    for (const ReflectionRow& row : r.reflections) {
        std::string line = std::to_string(row.h) + " " + std::to_string(row.k) + " " + std::to_string(row.l) +
                           " " + FixedText(row.dObs, 6) + " " + FixedText(row.dCalc, 6);
        if (angle || energy)
            line += " " + FixedText(row.positionObs, 4) + " " + (row.positionCalc ? FixedText(*row.positionCalc, 4) : "?");
        out += line + "\n";
    }
    return out;
}

}  // namespace

std::string CifText(const FileResult& f) { return Cif(f, false); }

std::string ArraysCifText(const FileResult& f) { return Cif(f, true); }

}  // namespace zantrel
