// The CIF block: values with standard uncertainties, and a file that a real CIF
// parser (gemmi) reads back with the values of the run's record.

#include "export/Documents.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>

#include "cli/CliRun.h"
#include "export/Format.h"

using namespace zantrel;
using namespace zantrel::clitest;

namespace {

// Expected strings worked by hand from the rule (two s.u. digits when they are 10 to
// 19, else one; the value rounded to the same place).
TEST(CifValueWithSu, KeepsTwoDigitsUpTo19AndOneAbove) {
    EXPECT_EQ(ValueWithSu(5.4310213, 0.0000412), "5.43102(4)");
    EXPECT_EQ(ValueWithSu(5.4310213, 0.000156), "5.43102(16)");
    EXPECT_EQ(ValueWithSu(5.4310213, 0.0000187), "5.431021(19)");
    EXPECT_EQ(ValueWithSu(160.19141, 0.004874), "160.191(5)");
    EXPECT_EQ(ValueWithSu(-0.0300467, 0.00176), "-0.0300(18)");
    EXPECT_EQ(ValueWithSu(105.630682, 0.0250), "105.63(3)");
    EXPECT_EQ(ValueWithSu(105.630682, 0.01), "105.631(10)");  // 0.010: two digits
}

TEST(CifValueWithSu, RoundingThatCarriesMovesTheDecimalPlace) {
    // 0.0000096 rounds to one digit as 0.00001: shown as (10) with six decimals.
    EXPECT_EQ(ValueWithSu(5.4310213, 0.0000096), "5.431021(10)");
    // 0.0000196 has two digits 20 (over 19): one digit, 0.00002.
    EXPECT_EQ(ValueWithSu(5.4310213, 0.0000196), "5.43102(2)");
    // A value whose rounding carries into a new leading digit.
    EXPECT_EQ(ValueWithSu(9.999996, 0.00004), "10.00000(4)");
}

TEST(CifValueWithSu, LargeUncertaintiesRoundTheValueToTensWithoutADecimalPoint) {
    EXPECT_EQ(ValueWithSu(1234.4, 15), "1234(15)");
    EXPECT_EQ(ValueWithSu(12345.6, 35), "12350(40)");
    EXPECT_EQ(ValueWithSu(9996, 35), "10000(40)");
    EXPECT_EQ(ValueWithSu(3, 40), "0(40)");
    EXPECT_EQ(ValueWithSu(-76, 400), "-100(400)");
}

TEST(CifValueWithSu, NoUncertaintyAndRoundedAwaySign) {
    EXPECT_EQ(ValueWithSu(90, 0), "90");  // an angle fixed by symmetry
    EXPECT_EQ(ValueWithSu(5.4310213, std::nan("")), "5.4310213");
    EXPECT_EQ(ValueWithSu(-0.00004, 0.003), "0.000(3)");  // never "-0.000"
}

// The s.u. in the parentheses of a CIF number, in units of the value.
double SuOf(const std::string& text) {
    std::size_t open = text.find('('), dot = text.find('.');
    if (open == std::string::npos) return 0;
    int decimals = dot == std::string::npos ? 0 : int(open - dot - 1);
    return std::stod(text.substr(open + 1)) * std::pow(10.0, -decimals);
}
double LastPlace(const std::string& text) {
    std::size_t open = text.find('('), dot = text.find('.');
    return dot == std::string::npos ? 1.0 : std::pow(10.0, -int(open - dot - 1));
}

class CifFile : public CliFolder {};

TEST_F(CifFile, ParsesInGemmiWithTheRecordsValues) {
    const std::string python = PythonWith("gemmi");
    if (python.empty()) GTEST_SKIP() << "python3-gemmi is not installed";
    // 2-theta with a zero shift and sigmafit above 1; monoclinic; energy with sigmafit
    // near 11; d spacings with sigmafit below 1 (no scaling).
    const std::vector<std::string> names = {"lab6_2theta_zeroshift", "diopside_2theta", "silicon_energy",
                                            "forsterite_dspacing"};
    std::string files;
    for (const std::string& name : names) {
        Write(name + ".dat", ReadFile(std::string(ZANTREL_EXAMPLES) + "/" + name + ".dat"));
        files += " " + name + ".dat";
    }
    ASSERT_EQ(Run("-q --cif" + files), 0) << err_;
    ASSERT_EQ(RunPython(python, R"(
import gemmi, sys
tags = ['_cell_length_a', '_cell_length_b', '_cell_length_c', '_cell_angle_alpha', '_cell_angle_beta',
        '_cell_angle_gamma', '_cell_volume', '_refine_ls_goodness_of_fit_all', '_cell_measurement_reflns_used',
        '_cell_measurement_theta_min', '_diffrn_radiation_wavelength', '_pd_meas_2theta_fixed']
for name in ['lab6_2theta_zeroshift', 'diopside_2theta', 'silicon_energy', 'forsterite_dspacing']:
    block = gemmi.cif.read_file(name + '.cif').sole_block()
    for tag in tags:
        v = block.find_value(tag)
        print(name, tag, v if v is not None else '-', gemmi.cif.as_number(v) if v is not None else 0)
    t = block.find('_refln_', ['index_h', 'index_k', 'index_l', 'd_spacing'])
    print(name, 'rows', len(t), 0)
    for row in t:
        print(name, 'dcalc', row[3], gemmi.cif.as_number(row[3]))
)"),
              0)
        << err_;
    std::map<std::string, std::map<std::string, std::pair<std::string, double>>> cif;
    std::map<std::string, std::vector<double>> dCalc;
    std::istringstream lines(out_);
    std::string name, tag, raw;
    double number = 0;
    while (lines >> name >> tag >> raw >> number) {
        if (tag == "dcalc") dCalc[name].push_back(number);
        else cif[name][tag] = {raw, number};
    }
    ASSERT_EQ(cif.size(), names.size()) << out_;

    const std::string cellTags[6] = {"_cell_length_a",    "_cell_length_b",   "_cell_length_c",
                                     "_cell_angle_alpha", "_cell_angle_beta", "_cell_angle_gamma"};
    for (const std::string& file : names) {
        SCOPED_TRACE(file);
        // --cif refines in extended precision, as the record is made here.
        const Results r = RecordOf(Example(file + ".dat"));
        const auto& c = cif[file];
        const double scale = std::max(1.0, r.sigmaFit);
        // The value rounded to the place of its s.u., the record's sigma times
        // max(1, sigmafit) rounded to that place.
        auto check = [&](const std::string& cifTag, double value, double sigma) {
            const std::string& text = c.at(cifTag).first;
            const double half = LastPlace(text) / 2 + 1e-12 * std::fabs(value);
            EXPECT_NEAR(c.at(cifTag).second, value, half) << cifTag << " " << text;
            EXPECT_NEAR(SuOf(text), sigma * scale, half) << cifTag << " " << text;
        };
        for (std::size_t k = 0; k < 6; ++k) {
            if (r.cell[k].sigma) check(cellTags[k], r.cell[k].value, *r.cell[k].sigma);
            else EXPECT_EQ(c.at(cellTags[k]).second, r.cell[k].value) << cellTags[k];  // fixed by symmetry
        }
        check("_cell_volume", double(r.volume.value), double(r.volume.sigma));
        // sigmafit as the report prints it.
        EXPECT_EQ(c.at("_refine_ls_goodness_of_fit_all").second, std::stod(FixedText(r.sigmaFit, 4)));
        EXPECT_EQ(c.at("_cell_measurement_reflns_used").second, double(r.obsCount));
        ASSERT_EQ(dCalc[file].size(), r.reflections.size());
        for (std::size_t i = 0; i < r.reflections.size(); ++i)
            EXPECT_NEAR(dCalc[file][i], r.reflections[i].dCalc, 0.5e-6 + 1e-12);
    }
    // Cubic: b and c repeat a; the angles are fixed and carry no s.u.
    EXPECT_EQ(cif["lab6_2theta_zeroshift"]["_cell_length_c"].first, cif["lab6_2theta_zeroshift"]["_cell_length_a"].first);
    EXPECT_EQ(cif["lab6_2theta_zeroshift"]["_cell_angle_gamma"].first, "90");
    EXPECT_EQ(cif["diopside_2theta"]["_cell_angle_alpha"].first, "90");
    // The wavelength and theta range belong to 2-theta data, the detector angle to energy data.
    EXPECT_EQ(cif["lab6_2theta_zeroshift"]["_diffrn_radiation_wavelength"].second, 1.540593);
    EXPECT_NEAR(cif["lab6_2theta_zeroshift"]["_cell_measurement_theta_min"].second, 21.4 / 2, 0.05);
    EXPECT_EQ(cif["silicon_energy"]["_diffrn_radiation_wavelength"].first, "-");
    EXPECT_EQ(cif["silicon_energy"]["_pd_meas_2theta_fixed"].second, 7.5);
    EXPECT_EQ(cif["forsterite_dspacing"]["_cell_measurement_theta_min"].first, "-");
    EXPECT_NE(Read("lab6_2theta_zeroshift.cif").find("corrected by the refined zero shift of -0.030"),
              std::string::npos);
}

}  // namespace

// A data block is named after the report's file: one character of a UTF-8 name gives one
// character of the block name, a letter with a mark its letter.
TEST(CifBlockName, KeepsEachCharacterOfAUtf8FileName) {
    FileResult f;
    f.status = RunStatus::Halted;  // the name is formed whatever the run gave
    auto blockOf = [&](const std::string& report) {
        f.report = report;
        const std::string cif = CifText(f);
        const std::size_t at = cif.find("\ndata_") + 6;
        return cif.substr(at, cif.find('\n', at) - at);
    };
    EXPECT_EQ(blockOf("/runs/Quarz Probe \xC3\xA4\xE2\x82\xAC.out"), "Quarz_Probe_a_");  // "Quarz Probe ä€"
    EXPECT_EQ(blockOf("\xC3\x85ngstr\xC3\xB6m-2.out"), "Angstrom-2");                       // "Ångström-2"
    EXPECT_EQ(blockOf("Quarz_\xE4.out"), "Quarz__");  // Windows-1252 bytes: one '_' a byte
}
