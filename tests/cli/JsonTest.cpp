// The JSON document: string escapes, validity against docs/json-schema.json, and
// values that agree with the report.

#include "export/Documents.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "cli/CliRun.h"

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

// Each data kind, a zero shift, a minimisation in Q, and a halted run.
TEST_F(JsonFile, ValidatesAgainstTheSchemaAndAgreesWithTheReport) {
    const std::string python = PythonWith("jsonschema");
    if (python.empty()) GTEST_SKIP() << "python3-jsonschema is not installed";
    const std::vector<std::string> names = {"lab6_2theta_zeroshift", "forsterite_2theta", "albite_energy",
                                            "quartz_dspacing", "silicon_too_few"};
    std::string files;
    for (const std::string& name : names) {
        const std::string bytes = ReadFile(std::string(ZANTREL_EXAMPLES) + "/" + name + ".dat");
        Write(name + ".dat", bytes);
        Write("full/" + name + ".dat", bytes);
        files += " " + name + ".dat";
    }
    ASSERT_EQ(Run("-q --json" + files), 0) << err_;
    ASSERT_EQ(std::system(("cd " + Path("full") + " && " + ZANTREL_CLI + " -q -f" + files).c_str()), 0);

    ASSERT_EQ(RunPython(python, R"(
import json, jsonschema, sys
schema = json.load(open(')" + std::string(ZANTREL_EXAMPLES) + R"(/../docs/json-schema.json'))
jsonschema.Draft202012Validator.check_schema(schema)
for name in sys.argv[1:] or ['lab6_2theta_zeroshift', 'forsterite_2theta', 'albite_energy', 'quartz_dspacing', 'silicon_too_few']:
    doc = json.load(open(name + '.json'))
    jsonschema.validate(doc, schema, cls=jsonschema.Draft202012Validator)
    print(name, 'status', doc['status'], 0)
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
    for (const std::string& file : names) {
        if (file == "silicon_too_few") continue;
        SCOPED_TRACE(file);
        EXPECT_EQ(json[file]["status"].first, "ok");
        const ReportValues report = ReadReport(Read(file + ".out"));
        ASSERT_FALSE(report.labels.empty());
        for (std::size_t i = 0; i < report.labels.size(); ++i) {
            const auto& p = json[file].at("param_" + report.labels[i]);
            EXPECT_NEAR(std::stod(p.first), report.values[i], 0.5e-5);   // the report's 5 decimals
            EXPECT_NEAR(std::stod(p.second), report.sigmas[i], 0.5e-5);
            // The covariance is in the sigmas' units: its diagonal gives them back.
            EXPECT_NEAR(std::stod(json[file].at("cov_" + report.labels[i]).first), std::stod(p.second),
                        1e-9 * std::stod(p.second));
        }
        EXPECT_NEAR(std::stod(json[file]["volume"].first), report.volume, 0.5e-4);
        EXPECT_NEAR(std::stod(json[file]["sigmafit"].first), report.sigmafit, 0.5e-4);
        ASSERT_EQ(dCalc[file].size(), report.dCalc.size());
        for (std::size_t i = 0; i < report.dCalc.size(); ++i) EXPECT_NEAR(dCalc[file][i], report.dCalc[i], 0.5e-5);
        // The report here is brief; the document still lists every reflection's
        // diagnostics, flagged as the full report of the same file stars them.
        EXPECT_EQ(json[file]["complete"].first, "1");
        std::set<int> starred;
        std::istringstream full(ReadFile(dir_ / "full" / (file + ".out")));
        std::string line;
        bool inDiagnostics = false;
        while (std::getline(full, line)) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            inDiagnostics = inDiagnostics || line.rfind("Regression diagnostics", 0) == 0;
            if (inDiagnostics && line.size() > 2 && line.compare(line.size() - 2, 2, " *") == 0)
                starred.insert(std::stoi(line));
        }
        EXPECT_EQ(flagged[file], starred);
        EXPECT_EQ(json[file]["complete"].second, std::to_string(starred.size()));
    }
}

}  // namespace
