// The JSON document: string escapes, validity against docs/json-schema.json, and
// values that agree with the run's record.

#include "export/Documents.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "cli/CliRun.h"
#include "support/SyntheticData.h"

using namespace zantrel;
using namespace zantrel::clitest;

namespace {

TEST(JsonString, EscapesWhatJsonForbidsAndWritesOnlyAscii) {
    EXPECT_EQ(JsonString("a\"b\\c/d"), R"("a\"b\\c/d")");
    EXPECT_EQ(JsonString("tab\there\r\n\x01\x1f"), R"("tab\there\r\n\u0001\u001f")");
    EXPECT_EQ(JsonString("Å"), R"("\u00c5")");            // UTF-8 bytes C3 85
    EXPECT_EQ(JsonString("\xC5 \x80"), R"("\u00c5 \u20ac")");  // Windows-1252: not valid UTF-8
    EXPECT_EQ(JsonString("\xF0\x9F\x94\xAC"), R"("\ud83d\udd2c")");  // U+1F52C, a surrogate pair
    // An overlong encoding is not UTF-8: the bytes are read as Windows-1252.
    EXPECT_EQ(JsonString("\xC0\xAF"), R"("\u00c0\u00af")");
}

class JsonFile : public CliFolder {};

// Each data kind, a zero shift, a minimisation in Q, a halted run, and an exact file,
// whose run falls back to extended precision and gives its reason.
TEST_F(JsonFile, ValidatesAgainstTheSchemaAndAgreesWithTheRecord) {
    const std::string python = PythonWith("jsonschema");
    if (python.empty()) GTEST_SKIP() << "python3-jsonschema is not installed";
    const std::vector<std::string> names = {"lab6_2theta_zeroshift", "forsterite_2theta", "albite_energy",
                                            "quartz_dspacing", "silicon_too_few", "exact"};
    synth::DataSpec exact;
    exact.cell = {4.9134, 4.9134, 5.4052, 90, 90, 120};
    exact.system = 3;
    std::map<std::string, std::string> data;
    std::string files;
    for (const std::string& name : names) {
        data[name] = name == "exact" ? synth::MakeDataFile(exact) : Example(name + ".dat");
        Write(name + ".dat", data[name]);
        files += " " + name + ".dat";
    }
    ASSERT_EQ(Run("-q --json" + files), 0) << err_;

    ASSERT_EQ(RunPython(python, R"(
import json, jsonschema, sys
schema = json.load(open(')" + std::string(ZANTREL_EXAMPLES) + R"(/../docs/json-schema.json'))
jsonschema.Draft202012Validator.check_schema(schema)
for name in sys.argv[1:] or ['lab6_2theta_zeroshift', 'forsterite_2theta', 'albite_energy', 'quartz_dspacing', 'silicon_too_few', 'exact']:
    doc = json.load(open(name + '.json'))
    jsonschema.validate(doc, schema, cls=jsonschema.Draft202012Validator)
    print(name, 'status', doc['status'], 0)
    print(name, 'precision', doc['path']['precision'], int(doc['path']['fallback_reason'] is not None))
    r = doc['results']
    if r is None:
        continue
    for p in r['parameters']:
        print(name, 'param_' + p['label'], p['value'], p['sigma'])
        i = r['parameters'].index(p)
        print(name, 'cov_' + p['label'], r['covariance'][i][i] ** 0.5, 0)
    print(name, 'volume', r['volume']['value'], r['volume']['sigma'])
    print(name, 'sigmafit', r['statistics']['sigmafit'], 0)
    for row in r['reflections']:
        print(name, 'dcalc', row['d_calc'], row['no'])
    d = r['diagnostics']
    print(name, 'complete', int(d['complete']), d['n_flagged'])
    for row in d['rows']:
        if row['flagged_fit'] or row['flagged_parameters']:
            print(name, 'flagged', row['no'], 0)
)"),
              0)
        << err_;

    std::map<std::string, std::map<std::string, std::pair<std::string, std::string>>> json;
    std::map<std::string, std::vector<double>> dCalc;
    std::map<std::string, std::set<int>> flagged;
    std::istringstream lines(out_);
    std::string name, key, first, second;
    while (lines >> name >> key >> first >> second) {
        if (key == "dcalc") dCalc[name].push_back(std::stod(first));
        else if (key == "flagged") flagged[name].insert(std::stoi(first));
        else json[name][key] = {first, second};
    }
    EXPECT_EQ(json["silicon_too_few"]["status"].first, "halted");
    EXPECT_EQ(json["exact"]["precision"], std::make_pair(std::string("extended"), std::string("1")));
    EXPECT_EQ(json["forsterite_2theta"]["precision"], std::make_pair(std::string("double"), std::string("0")));
    for (const std::string& file : names) {
        if (file == "silicon_too_few") continue;
        SCOPED_TRACE(file);
        EXPECT_EQ(json[file]["status"].first, "ok");
        // The document of a fast run: its values within the fast path's bound of the
        // reference's, at the decimals the report prints each with.
        const Results r = RecordOf(data[file]);
        ASSERT_FALSE(r.parameters.empty());
        for (const RefinedParameter& q : r.parameters) {
            const auto& p = json[file].at("param_" + q.label);
            EXPECT_NEAR(std::stod(p.first), double(q.estimate.value), PathBound(q.estimate.value, 5)) << q.label;
            EXPECT_NEAR(std::stod(p.second), double(q.estimate.sigma), PathBound(q.estimate.sigma, 5)) << q.label;
            // The covariance is in the sigmas' units: its diagonal gives them back.
            EXPECT_NEAR(std::stod(json[file].at("cov_" + q.label).first), std::stod(p.second),
                        1e-9 * std::stod(p.second));
        }
        EXPECT_NEAR(std::stod(json[file]["volume"].first), double(r.volume.value), PathBound(r.volume.value, 4));
        EXPECT_NEAR(std::stod(json[file]["sigmafit"].first), r.sigmaFit, PathBound(r.sigmaFit, 4));
        ASSERT_EQ(dCalc[file].size(), r.reflections.size());
        for (std::size_t i = 0; i < r.reflections.size(); ++i)
            EXPECT_NEAR(dCalc[file][i], r.reflections[i].dCalc, PathBound(r.reflections[i].dCalc, 5));
        // The report here is brief; the document still lists every reflection's
        // diagnostics, flagged as the record flags them.
        EXPECT_EQ(json[file]["complete"].first, "1");
        std::set<int> recordFlagged;
        for (std::size_t i = 0; i < r.diagnostics.rows.size(); ++i)
            if (r.diagnostics.rows[i].flaggedFit || r.diagnostics.rows[i].flaggedParameters)
                recordFlagged.insert(int(i + 1));
        EXPECT_EQ(flagged[file], recordFlagged);
        EXPECT_EQ(json[file]["complete"].second, std::to_string(r.diagnostics.FlaggedCount()));
    }
}

}  // namespace
