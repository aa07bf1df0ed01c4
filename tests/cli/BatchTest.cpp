// Batch runs of zantrel-cli: every file keeps its summary row, parallel runs give the
// serial bytes, file lists and patterns, and the reading of the report's diagnostics.

#include "cli/Batch.h"

#include <gtest/gtest.h>

#include <set>

#include "cli/CliRun.h"
#include "support/SyntheticData.h"

using namespace zantrel;
using namespace zantrel::cli;
using namespace zantrel::clitest;

namespace {

std::string Example(const std::string& name) { return ReadFile(std::string(ZANTREL_EXAMPLES) + "/" + name); }

// A noisy file of each system, 10 to 40 reflections.
std::vector<std::string> MixedSystems() {
    const synth::Cell cells[6] = {{5.43102, 5.43102, 5.43102, 90, 90, 90},
                                  {4.59373, 4.59373, 2.95812, 90, 90, 90},
                                  {4.9134, 4.9134, 5.4052, 90, 90, 120},
                                  {4.7534, 10.1902, 5.9783, 90, 90, 90},
                                  {9.746, 8.899, 5.251, 90, 105.63, 90},
                                  {8.137, 12.785, 7.158, 94.26, 116.60, 87.71}};
    std::vector<std::string> files;
    for (int system = 1; system <= 6; ++system) {
        synth::DataSpec recipe;
        recipe.cell = cells[system - 1];
        recipe.system = system;
        recipe.count = 10 + 6 * system;
        recipe.noise2Theta = 0.005;
        recipe.seed = unsigned(system);
        files.push_back(synth::MakeDataFile(recipe));
    }
    return files;
}

// The numbers of the rows a report's diagnostics list, and which of them end in " *".
std::set<int> StarredRows(const std::string& report) {
    std::set<int> rows;
    std::istringstream in(report.substr(report.find("Regression diagnostics")));
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.size() > 2 && line.compare(line.size() - 2, 2, " *") == 0) rows.insert(std::stoi(line));
    }
    return rows;
}

// With the full listing the report stars the flagged rows; the brief listing gives
// only those rows. Both readings must agree, row for row, and the full one must
// agree with the stars counted here independently.
TEST(BatchParseDiagnostics, BriefAndFullListingsGiveTheSameFlags) {
    for (const char* name : {"corundum_energy.dat", "diopside_2theta.dat", "albite_2theta.dat"}) {
        RefinementJob brief, full;
        SetJobDefaults(brief);
        SetJobDefaults(full);
        full.FullDiagnostics = true;
        const std::string briefText = RunRefinementInMemory(brief, Example(name));
        const std::string fullText = RunRefinementInMemory(full, Example(name));
        DiagnosticsResult b = ParseDiagnostics(briefText, brief.ParamCount);
        DiagnosticsResult f = ParseDiagnostics(fullText, full.ParamCount);
        EXPECT_FALSE(b.complete);
        ASSERT_TRUE(f.complete);
        ASSERT_EQ(int(f.rows.size()), full.ObsCount) << name;

        std::set<int> starred = StarredRows(fullText), flagged;
        for (const DiagnosticRow& row : f.rows)
            if (row.flaggedFit || row.flaggedParameters) flagged.insert(row.number);
        EXPECT_EQ(flagged, starred) << name;
        EXPECT_EQ(f.flaggedCount, int(starred.size())) << name;
        EXPECT_EQ(b.flaggedCount, f.flaggedCount) << name;
        EXPECT_GT(f.flaggedCount, 0) << name << ": the test needs flagged rows";

        for (const DiagnosticRow& row : b.rows) {
            const DiagnosticRow& same = f.rows[std::size_t(row.number - 1)];
            EXPECT_EQ(row.flaggedFit, same.flaggedFit) << name << " row " << row.number;
            EXPECT_EQ(row.flaggedParameters, same.flaggedParameters) << name << " row " << row.number;
            if (row.flaggedFit) {
                EXPECT_EQ(row.rStudent, same.rStudent) << name << " row " << row.number;
            }
            if (row.flaggedParameters) {
                ASSERT_EQ(int(row.parameterChangePercent.size()), full.ParamCount);
                EXPECT_EQ(row.parameterChangePercent, same.parameterChangePercent) << name;
            }
        }
        // The limit line: 2p/n capped at 1, 2 sqrt(p/n) and 2, to three decimals.
        const double p = full.ParamCount, n = full.ObsCount;
        EXPECT_NEAR(f.leverageLimit, std::min(1.0, 2 * p / n), 0.0005) << name;
        EXPECT_NEAR(f.dfFitsLimit, 2 * std::sqrt(p / n), 0.0005) << name;
        EXPECT_EQ(f.rStudentLimit, 2.0);
    }
}

// A value too wide for its field touches the one before it: "-0.570-12345.678".
TEST(BatchParseDiagnostics, ANegativeValueThatFillsItsFieldIsStillRead) {
    std::string report =
        "Regression diagnostics (for deletion of each observation i):\r\n\r\n\r\n"
        "(a) potentially deleterious or influential observations affecting the fit:\r\n\r\n"
        " no     h   k   l           hat    dfFits    Rstudt   sigma[i]   d(sig)%\r\n\r\n"
        "  7    -1   2  -3         0.999-12345.678    -2.245       n/a      -7.0\r\n\r\n"
        "limit :                   0.143     0.535     2.000\r\n\r\n\r\n\r\n"
        "(b) observations most strongly affecting the parameter values\r\n"
        "    DfBetas: cell parameter changes (as % of their standard deviations):\r\n\r\n"
        " no     h   k   l        da        dV\r\n\r\n";
    DiagnosticsResult d = ParseDiagnostics(report, 1);
    ASSERT_EQ(d.rows.size(), 1u);
    EXPECT_EQ(d.rows[0].number, 7);
    EXPECT_EQ(d.rows[0].leverage, 0.999);
    EXPECT_EQ(d.rows[0].dfFits, -12345.678);
    EXPECT_EQ(d.rows[0].rStudent, -2.245);
    EXPECT_FALSE(d.rows[0].sigmaDeleted.has_value());  // "n/a"
    EXPECT_TRUE(d.rows[0].flaggedFit);
    EXPECT_EQ(d.flaggedCount, 1);
    // A report cut short anywhere reads as far as it goes.
    for (std::size_t end = 0; end < report.size(); end += 7)
        EXPECT_LE(ParseDiagnostics(report.substr(0, end), 1).rows.size(), 1u);
}

// Hexagonal cells keep c in slot 2; b repeats a and its sigma, the fixed angles have none.
TEST(BatchConventionalCell, HexagonalCellTakesCFromSlotTwo) {
    FileResult r;
    r.direct[1] = 4.9;
    r.direct[2] = 5.4;
    r.direct[3] = 7.1;
    r.directSigmas[1] = 0.001;
    r.directSigmas[2] = 0.002;
    r.directSigmas[3] = 0.003;
    r.system = 3;
    auto hex = ConventionalCell(r);
    EXPECT_EQ(hex[1].value, 4.9);
    EXPECT_EQ(hex[1].sigma, 0.001);
    EXPECT_EQ(hex[2].value, 5.4);
    EXPECT_EQ(hex[2].sigma, 0.002);
    EXPECT_EQ(hex[5].value, 120.0);
    EXPECT_FALSE(hex[5].sigma.has_value());
}

TEST(BatchWildcard, StarsAndQuestionMarks) {
    EXPECT_TRUE(MatchesWildcard("run12.dat", "run*.dat"));
    EXPECT_TRUE(MatchesWildcard("run.dat", "run*.dat"));
    EXPECT_TRUE(MatchesWildcard("run1.dat", "run?.dat"));
    EXPECT_FALSE(MatchesWildcard("run12.dat", "run?.dat"));
    EXPECT_FALSE(MatchesWildcard("run1.dat.bak", "*.dat"));
    EXPECT_TRUE(MatchesWildcard("a.b.dat", "*.*.dat"));
    EXPECT_TRUE(MatchesWildcard("abcabd", "*abd"));  // needs the backtrack
}

class BatchRun : public CliFolder {};

TEST_F(BatchRun, ListsAndPatternsNameTheFilesInOrder) {
    const std::string data = MixedSystems()[0];
    for (const char* name : {"b2.dat", "b10.dat", "a.dat", "c.txt"}) Write(std::string("in/") + name, data);
    Write("list.txt", "in/c.txt\r\n\r\n# a remark\r\n  in/a.dat  \r\n");
    std::vector<std::string> files =
        ExpandFileArguments({"@" + Path("list.txt"), Path("in") + "/b*.dat", Path("in") + "/z*.dat"});
    std::vector<std::string> expected = {"in/c.txt", "in/a.dat", Path("in") + "/b10.dat",
                                         Path("in") + "/b2.dat", Path("in") + "/z*.dat"};
    EXPECT_EQ(files, expected);
    EXPECT_THROW(ExpandFileArguments({"@" + Path("nolist.txt")}), RunError);

    ASSERT_EQ(Run("-q --summary s.csv @list.txt 'in/b*.dat'"), 0) << err_;
    auto rows = ReadCsv(Read("s.csv"));
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[1][0], "in/c.txt");
    EXPECT_EQ(rows[3][0], "in/b10.dat");
}

// Good, unreadable, missing and halted files in one batch: a report for every file
// that ran, a complete row for every file in the order given, and a failed exit.
TEST_F(BatchRun, MixedGoodAndBadFilesKeepEveryRow) {
    Write("good.dat", Example("lab6_2theta_zeroshift.dat"));
    Write("bad, one.dat", "title\r\n1 1 1 abc\r\n");
    Write("few.dat", Example("silicon_too_few.dat"));
    Write("few.cif", "stale");
    Write("mono.dat", MixedSystems()[4]);
    EXPECT_EQ(Run("-q --cif --summary summary.csv good.dat 'bad, one.dat' missing.dat few.dat mono.dat"), 1);
    EXPECT_NE(err_.find("bad, one.dat: Invalid numeric input\n"), std::string::npos) << err_;
    EXPECT_TRUE(fs::exists(dir_ / "good.out") && fs::exists(dir_ / "mono.out") && fs::exists(dir_ / "few.out"));
    EXPECT_FALSE(fs::exists(dir_ / "bad, one.out"));
    EXPECT_TRUE(fs::exists(dir_ / "good.cif"));
    EXPECT_FALSE(fs::exists(dir_ / "few.cif")) << "a halted run leaves no CIF of an earlier one";

    const std::string csv = Read("summary.csv");
    EXPECT_EQ(csv.find('\r'), std::string::npos);
    auto rows = ReadCsv(csv);
    ASSERT_EQ(rows.size(), 6u);
    for (const auto& row : rows) EXPECT_EQ(row.size(), rows[0].size());
    EXPECT_EQ(rows[0][0], "file");
    EXPECT_EQ(rows[0].back(), "status");
    auto column = [&](const std::string& name) {
        return std::size_t(std::find(rows[0].begin(), rows[0].end(), name) - rows[0].begin());
    };
    EXPECT_EQ(rows[1][column("status")], "ok");
    EXPECT_EQ(rows[1][column("system")], "cubic");
    EXPECT_EQ(rows[1][column("n_reflections")], "24");
    EXPECT_EQ(rows[2][0], "bad, one.dat");
    EXPECT_EQ(rows[2][column("status")].rfind("Invalid numeric input; in bad, one.dat, line 2", 0), 0u)
        << rows[2][column("status")];
    EXPECT_EQ(rows[3][column("status")].rfind("File not found", 0), 0u);
    EXPECT_EQ(rows[4][column("status")], "halted");
    EXPECT_EQ(rows[4][column("n_reflections")], "2");
    EXPECT_EQ(rows[4][column("a")], "");
    EXPECT_EQ(rows[5][column("system")], "monoclinic");
    // Monoclinic: alpha and gamma are fixed and have no sigma; beta has one.
    EXPECT_EQ(rows[5][column("alpha")], "90");
    EXPECT_EQ(rows[5][column("sigma_alpha")], "");
    EXPECT_NE(rows[5][column("sigma_beta")], "");
    EXPECT_EQ(rows[5][column("zero_shift")], "");

    // The values are the report's: cell edge and sigma at its 5 decimals, the zero
    // shift as the correction the report prints, sigmafit at 4 decimals.
    const std::string report = Read("good.out");
    auto near = [](const std::string& text, double printed, double half) {
        return std::fabs(std::stod(text) - printed) <= half;
    };
    const ReportValues printed = ReadReport(report);
    ASSERT_EQ(printed.labels, std::vector<std::string>{"a"});
    EXPECT_TRUE(near(rows[1][column("a")], printed.values[0], 0.5e-5));
    EXPECT_TRUE(near(rows[1][column("sigma_a")], printed.sigmas[0], 0.5e-5));
    EXPECT_EQ(rows[1][column("b")], rows[1][column("a")]);
    const std::size_t z = report.find("refined ZeroShift 2 theta : ");
    ASSERT_NE(z, std::string::npos);
    EXPECT_TRUE(near(rows[1][column("zero_shift")], std::stod(report.substr(z + 28, 7)), 0.5e-4));
    EXPECT_TRUE(near(rows[1][column("sigmafit")], printed.sigmafit, 0.5e-4));
    EXPECT_EQ(rows[1][column("n_flagged")], std::to_string(ParseDiagnostics(report, 1).flaggedCount));
}

// Each file has a job of its own: any number of threads writes the same bytes.
TEST_F(BatchRun, ParallelRunsWriteTheBytesOfASerialRun) {
    std::vector<std::string> data = MixedSystems();
    std::string names;
    for (int copy = 0; copy < 3; ++copy)
        for (std::size_t i = 0; i < data.size(); ++i) {
            std::string name = "f" + std::to_string(copy) + std::to_string(i) + ".dat";
            Write("serial/" + name, data[i]);
            Write("parallel/" + name, data[i]);
            names += " " + name;
        }
    Write("serial/broken.dat", "x*\r\n9 tt 1.54 tt n\r\n");
    Write("parallel/broken.dat", "x*\r\n9 tt 1.54 tt n\r\n");
    // Names relative to each folder, so that the summaries can be compared byte for byte.
    auto run = [&](const std::string& folder, int jobs) {
        std::string command = "cd " + Path(folder) + " && " + ZANTREL_CLI + " --jobs " + std::to_string(jobs) +
                              " --cif --json --summary s.csv" + names + " broken.dat >out.txt 2>err.txt";
        return WEXITSTATUS(std::system(command.c_str()));
    };
    EXPECT_EQ(run("serial", 1), 1);
    EXPECT_EQ(run("parallel", 4), 1);
    int compared = 0;
    for (const auto& entry : fs::directory_iterator(dir_ / "serial")) {
        const std::string name = entry.path().filename().string();
        EXPECT_EQ(ReadFile(entry.path()), Read("parallel/" + name)) << name;
        ++compared;
    }
    EXPECT_EQ(compared, 18 * 4 + 1 + 3);  // data, report, CIF, JSON; broken.dat; summary, out, err
    EXPECT_NE(Read("serial/err.txt").find("broken.dat: Invalid crystal system 9"), std::string::npos);
}

}  // namespace
