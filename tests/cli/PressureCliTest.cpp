// zantrel-cli's pressures: --calibrant in the summary, the JSON and --print-cell, the
// `scales` and `pressure` subcommands, and `eos` over the example compression series.

#include <gtest/gtest.h>

#include <cmath>

#include "cli/CliRun.h"
#include "eos/Pressure.h"
#include "export/Format.h"

namespace zantrel::clitest {
namespace {

using PressureCli = CliFolder;

std::size_t ColumnOf(const std::vector<std::string>& header, const std::string& name) {
    for (std::size_t i = 0; i < header.size(); ++i)
        if (header[i] == name) return i;
    ADD_FAILURE() << "no column " << name;
    return 0;
}

TEST_F(PressureCli, CalibrantColumnsAgreeWithTheScaleAndRefusalsFailTheFile) {
    Write("au.dat", Example("pressure/au_30GPa.dat"));
    Write("si.dat", Example("silicon_2theta.dat"));
    // Re is hexagonal: both cubic cells are refused by it, and the run fails.
    EXPECT_EQ(Run("-q --json --print-cell --calibrant au-fei2007-vinet,re-zha2004 --summary s.csv au.dat si.dat"), 1);
    EXPECT_NE(err_.find("si.dat: re-zha2004: Re is hexagonal, the cell was refined cubic"), std::string::npos) << err_;
    const auto rows = ReadCsv(Read("s.csv"));
    ASSERT_EQ(rows.size(), 3u);
    const auto& h = rows[0];
    ASSERT_EQ(h[h.size() - 2], "pressure_spread");  // before n_excluded, the last column
    const std::vector<eos::Scale> scales = eos::BuiltInScales();
    const eos::Scale& au = *eos::FindScale(scales, "au-fei2007-vinet");
    const double v = std::stod(rows[1][ColumnOf(h, "volume")]), sv = std::stod(rows[1][ColumnOf(h, "sigma_volume")]);
    const eos::PressureResult p = eos::Pressure(au, {v, sv, 300, 0});
    EXPECT_NEAR(std::stod(rows[1][ColumnOf(h, "pressure_au-fei2007-vinet")]), p.pressure, 1e-9);
    EXPECT_NEAR(std::stod(rows[1][ColumnOf(h, "sigma_pressure_au-fei2007-vinet")]), p.sigma, 1e-12);
    EXPECT_NEAR(p.pressure, 30, 0.3);  // the file was made at 30 GPa on this scale
    EXPECT_EQ(rows[1][ColumnOf(h, "pressure_re-zha2004")], "");
    EXPECT_EQ(rows[1][ColumnOf(h, "status")], "ok");
    EXPECT_NE(out_.find("P au-fei2007-vinet ="), std::string::npos);
    const std::string json = Read("au.json");
    EXPECT_NE(json.find("\"pressure\": {"), std::string::npos);
    EXPECT_NE(json.find("\"error\": \"re-zha2004: Re is hexagonal"), std::string::npos);
    // The pressure member as the schema describes it, refused scale and all.
    const std::string python = PythonWith("jsonschema");
    if (!python.empty()) {
        EXPECT_EQ(RunPython(python, R"(
import json, jsonschema
schema = json.load(open(')" + std::string(ZANTREL_EXAMPLES) + R"(/../docs/json-schema.json'))
doc = json.load(open('au.json'))
jsonschema.validate(doc, schema, cls=jsonschema.Draft202012Validator)
print(doc['pressure']['scales'][1]['pressure'])
)"), 0) << err_;
        EXPECT_EQ(out_, "None\n");
    }
    // Silicon is far outside gold's range: refused, not extrapolated.
    EXPECT_EQ(Run("-q --calibrant au-fei2007-vinet si.dat"), 1);
    EXPECT_NE(err_.find("outside the range"), std::string::npos) << err_;
    EXPECT_EQ(Run("-q --calibrant au-nobody si.dat"), 2);
    EXPECT_EQ(Run("-q --v0 67.9 si.dat"), 2);
}

TEST_F(PressureCli, ScalesAndPressureSubcommands) {
    ASSERT_EQ(Run("scales"), 0);
    for (const eos::Scale& s : eos::BuiltInScales()) EXPECT_NE(out_.find(s.name + ": "), std::string::npos) << s.name;
    // a = 3.8 A of gold with sigma 4e-4, at 1500 +- 50 K, on two scales and with a measured V0.
    ASSERT_EQ(Run("pressure --calibrant au-fei2007-vinet,au-fei2007-bm3 --a 3.8 --sigma-a 4e-4 --temperature 1500 "
                  "--sigma-temperature 50"), 0) << err_;
    const std::vector<eos::Scale> scales = eos::BuiltInScales();
    const eos::PressureResult p =
        eos::Pressure(*eos::FindScale(scales, "au-fei2007-vinet"), {3.8 * 3.8 * 3.8, 3 * 3.8 * 3.8 * 4e-4, 1500, 50});
    EXPECT_NE(out_.find(FixedField(p.pressure, 9, 3) + "  sigma " + FixedField(p.sigma, 7, 3)), std::string::npos) << out_;
    EXPECT_NE(out_.find("spread of the scales"), std::string::npos);
    ASSERT_EQ(Run("pressure --calibrant au-fei2007-vinet --volume 67.9"), 0);
    EXPECT_NE(out_.find("P =    -0.123"), std::string::npos) << out_;  // a cell larger than V0: tension
    ASSERT_EQ(Run("pressure --calibrant au-fei2007-vinet --volume 67.9 --v0 67.9"), 0);
    EXPECT_NE(out_.find("P =     0.000"), std::string::npos) << out_;
    // A user's scale: BM2 with K0 = 100 at V/V0 = 0.75 is 3 K0 f (1 + 2f)^(5/2) = 51.222 GPa.
    Write("mine.json", R"({"scales": [{"name": "x-bm2", "material": "X", "reference": "mine", "system": "cubic",
        "form": "bm2", "V0": 10, "K0": 100, "thermal": {"model": "none"}}]})");
    ASSERT_EQ(Run("scales --scales mine.json"), 0);
    EXPECT_NE(out_.find("x-bm2: X (cubic), bm2, V0 10 A^3, K0 100 GPa"), std::string::npos) << out_;
    ASSERT_EQ(Run("pressure --scales mine.json --calibrant x-bm2 --volume 7.5"), 0) << err_;
    EXPECT_NE(out_.find("P =    51.222"), std::string::npos) << out_;
    Write("bad.json", "{\"scales\": [{\"name\": \"y\"}]}");
    EXPECT_EQ(Run("scales --scales bad.json"), 2);
    EXPECT_NE(err_.find("bad.json: scale y: \"material\" missing"), std::string::npos) << err_;
    EXPECT_EQ(Run("pressure --calibrant re-zha2004 --a 2.7"), 2);  // a cell edge is a cubic volume only
    EXPECT_EQ(Run("pressure --calibrant re-zha2004 --volume 29 --temperature 900"), 1);
}

TEST_F(PressureCli, EosFitsTheSampleSeriesAgainstTheCalibrantsPressures) {
    std::string gold, mgo;
    for (int p = 0; p <= 50; p += 5) {
        const std::string tag = (p < 10 ? "0" : "") + std::to_string(p) + "GPa.dat";
        Write("au_" + tag, Example("pressure/au_" + tag));
        Write("mgo_" + tag, Example("pressure/mgo_" + tag));
        gold += " au_" + tag;
        mgo += " mgo_" + tag;
    }
    ASSERT_EQ(Run("-q --calibrant au-fei2007-vinet --summary au.csv" + gold), 0) << err_;
    ASSERT_EQ(Run("-q --summary mgo.csv" + mgo), 0) << err_;
    ASSERT_EQ(Run("eos --form vinet --pressures au.csv --json --export mgo.csv"), 0) << err_;
    // MgO was made from Tange et al. (2009): V0 74.698, K0 160.63, K0' 4.367.
    const std::string json = Read("mgo.eos.json");
    auto member = [&](const std::string& name, const std::string& field) {
        const std::size_t at = json.find("\"" + field + "\": ", json.find("\"" + name + "\": {"));
        return std::stod(json.substr(at + field.size() + 4));
    };
    for (const auto& [name, truth] : std::vector<std::pair<std::string, double>>{{"V0", 74.698}, {"K0", 160.63}, {"K0p", 4.367}})
        EXPECT_NEAR(member(name, "value"), truth, 3 * member(name, "sigma")) << name;
    EXPECT_NE(json.find("\"dof\": 8"), std::string::npos);
    EXPECT_NE(Read("mgo.eosfit.dat").find("Format P SIGP V SIGV A SIGA\nData\n"), std::string::npos);
    // A cubic cell's a^3 is its volume: the linear fit of a gives the volume fit's K0.
    ASSERT_EQ(Run("eos --form vinet --axis a --pressures au.csv mgo.csv"), 0) << err_;
    const std::string k0 = out_.substr(out_.find("  K0 ="), 40);
    EXPECT_NE(out_.find("linear modulus M0 = 3 K0"), std::string::npos);
    ASSERT_EQ(Run("eos --form vinet --pressures au.csv mgo.csv"), 0) << err_;
    EXPECT_EQ(out_.substr(out_.find("  K0 ="), 40).substr(0, 20), k0.substr(0, 20));
    ASSERT_EQ(Run("eos --form bm3 --fix-v0 74.698 --pressures au.csv mgo.csv"), 0) << err_;
    EXPECT_NE(out_.find("(fixed)"), std::string::npos);
#ifdef ZANTREL_HAVE_PLOT
    ASSERT_EQ(Run("eos --plot --pressures au.csv mgo.csv"), 0) << err_;
    EXPECT_NE(Read("mgo.eos.svg").find("K0–K0′: 68.3 % and 95.4 % regions"), std::string::npos);
#endif
    EXPECT_EQ(Run("eos mgo.csv"), 1);  // the sample's own table has no pressures
    EXPECT_NE(err_.find("no pressure column"), std::string::npos);
    EXPECT_EQ(Run("eos --pressures mgo.csv au.csv --pressure-column pressure_x"), 1);
}

}  // namespace
}  // namespace zantrel::clitest
