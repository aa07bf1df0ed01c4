// Batch runs of zantrel-cli: every file keeps its summary row, parallel runs give the
// serial bytes, file lists and patterns; the diagnostics and cell the record keeps.

#include "cli/Options.h"

#include <gtest/gtest.h>

#include <set>

#include "cli/CliRun.h"
#include "export/Origin.h"
#include "export/Report.h"
#include "support/SyntheticData.h"

using namespace zantrel;
using namespace zantrel::cli;
using namespace zantrel::clitest;

namespace {

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

// The record keeps every reflection's diagnostics, however the report lists them: a
// brief and a full run differ only in how the report is to list them. Listed the other
// way, each record prints the golden report of the other listing, whose stars and rows
// were checked by hand: the full one stars the flagged rows, the brief one lists only them.
TEST(ResultsDiagnostics, BriefAndFullRunsKeepTheSameRowsWhicheverWayTheyAreListed) {
    RefinementSettings listAll;
    listAll.fullDiagnostics = true;
    for (const char* name : {"corundum_energy.dat", "diopside_2theta.dat", "albite_2theta.dat"}) {
        const Results b = RecordOf(Example(name)), f = RecordOf(Example(name), listAll);
        ASSERT_EQ(int(f.diagnostics.rows.size()), f.obsCount) << name;
        ASSERT_EQ(b.diagnostics.rows.size(), f.diagnostics.rows.size()) << name;
        EXPECT_FALSE(b.diagnostics.listedFully);
        EXPECT_TRUE(f.diagnostics.listedFully);

        std::set<int> flagged;
        for (std::size_t i = 0; i < f.diagnostics.rows.size(); ++i) {
            const DiagnosticRow& row = f.diagnostics.rows[i];
            if (row.flaggedFit || row.flaggedParameters) flagged.insert(int(i + 1));
            const DiagnosticRow& same = b.diagnostics.rows[i];
            EXPECT_EQ(row.leverage, same.leverage);
            EXPECT_EQ(row.parameterChangePercent, same.parameterChangePercent);
            EXPECT_EQ(row.flaggedFit, same.flaggedFit);
            EXPECT_EQ(row.flaggedParameters, same.flaggedParameters);
        }
        EXPECT_EQ(f.diagnostics.FlaggedCount(), int(flagged.size()));
        EXPECT_EQ(b.diagnostics.FlaggedCount(), int(flagged.size()));
        EXPECT_GT(flagged.size(), 0u) << name << ": the test needs flagged rows";

        // 2p/n capped at 1, 2 sqrt(p/n) and 2.
        const double p = f.paramCount, n = f.obsCount;
        EXPECT_DOUBLE_EQ(f.diagnostics.leverageLimit, std::min(1.0, 2 * p / n)) << name;
        EXPECT_DOUBLE_EQ(f.diagnostics.dfFitsLimit, 2 * std::sqrt(p / n)) << name;
    }
    Results albiteBrief = RecordOf(testfiles::Golden("albite_2theta.dat"));
    albiteBrief.diagnostics.listedFully = true;
    EXPECT_TRUE(FormatReport(albiteBrief) == testfiles::Golden("albite_2theta.out")) << "listed fully";
    Results diopsideFull = RecordOf(testfiles::Golden("diopside_2theta.dat"), listAll);
    diopsideFull.diagnostics.listedFully = false;
    EXPECT_TRUE(FormatReport(diopsideFull) == testfiles::Golden("diopside_2theta.out")) << "listed briefly";
}

// Hexagonal cells keep c in slot 2; b repeats a and its sigma, the fixed angles have none.
TEST(ResultsCell, HexagonalCellTakesCFromSlotTwo) {
    RefinementSettings hexagonal;
    hexagonal.system = CrystalSystem::Hexagonal;
    const Results r = RecordOf(Example("quartz_2theta.dat"), hexagonal);
    ASSERT_EQ(r.systemRefined, CrystalSystem::Hexagonal);
    ASSERT_EQ(r.parameters.size(), 2u);
    EXPECT_EQ(r.cell[1].value, r.parameters[0].estimate.value);
    EXPECT_EQ(r.cell[1].sigma, r.parameters[0].estimate.sigma);
    EXPECT_EQ(r.cell[2].value, r.parameters[1].estimate.value);
    EXPECT_EQ(r.cell[2].sigma, r.parameters[1].estimate.sigma);
    EXPECT_GT(r.cell[2].value, r.cell[0].value);  // quartz: c 5.405 > a 4.913
    EXPECT_EQ(r.cell[5].value, 120.0);
    EXPECT_FALSE(r.cell[5].sigma.has_value());
    EXPECT_FALSE(r.cell[3].sigma.has_value());
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

// Where a summary's column is, by its name in the head row, as a script looks it up.
std::size_t Column(const std::vector<std::vector<std::string>>& rows, const std::string& name) {
    return std::size_t(std::find(rows[0].begin(), rows[0].end(), name) - rows[0].begin());
}

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
    Write("few.cif", "#\\#CIF_1.1\n" + std::string(OriginMark(Document::Cif)) + " from few.dat, since changed\n");
    Write("mono.dat", MixedSystems()[4]);
    EXPECT_EQ(Run("-q --cif --summary summary.csv good.dat 'bad, one.dat' missing.dat few.dat mono.dat"), 1);
    // The explanation first, the system's fault text after it.
    EXPECT_NE(err_.find("bad, one.dat: in bad, one.dat, line 2: \"abc\"\nInvalid numeric input\n"), std::string::npos)
        << err_;
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
    EXPECT_EQ(rows[0].back(), "n_excluded");
    auto column = [&](const std::string& name) { return Column(rows, name); };
    EXPECT_EQ(rows[1][column("status")], "ok");
    EXPECT_EQ(rows[1][column("system")], "cubic");
    EXPECT_EQ(rows[1][column("n_reflections")], "24");
    EXPECT_EQ(rows[2][0], "bad, one.dat");
    EXPECT_EQ(rows[2][column("status")].rfind("Invalid numeric input; in bad, one.dat, line 2", 0), 0u)
        << rows[2][column("status")];
    EXPECT_EQ(rows[3][column("status")].rfind("File not found", 0), 0u);
    EXPECT_EQ(rows[4][column("status")], "halted: too few reflections");
    EXPECT_EQ(rows[4][column("n_reflections")], "2");
    EXPECT_EQ(rows[4][column("a")], "");
    EXPECT_EQ(rows[5][column("system")], "monoclinic");
    // Monoclinic: alpha and gamma are fixed and have no sigma; beta has one.
    EXPECT_EQ(rows[5][column("alpha")], "90");
    EXPECT_EQ(rows[5][column("sigma_alpha")], "");
    EXPECT_NE(rows[5][column("sigma_beta")], "");
    EXPECT_EQ(rows[5][column("zero_shift")], "");

    // The values are the record's, in full: the cell edge and its sigma, the zero shift
    // as the correction the report prints, sigmafit.
    const Results good = RecordOf(Example("lab6_2theta_zeroshift.dat"));
    ASSERT_EQ(good.parameters.size(), 1u);
    EXPECT_EQ(good.parameters[0].label, "a");
    ASSERT_TRUE(good.cell[0].sigma && good.zeroShift);
    auto expectValue = [&](const std::string& name, long double value, int decimals) {
        EXPECT_NEAR(std::stod(rows[1][column(name)]), double(value), PathBound(value, decimals)) << name;
    };
    expectValue("a", good.cell[0].value, 5);
    expectValue("sigma_a", *good.cell[0].sigma, 5);
    EXPECT_EQ(rows[1][column("b")], rows[1][column("a")]);
    expectValue("zero_shift", good.zeroShift->value, 4);
    expectValue("sigmafit", good.sigmaFit, 4);
    EXPECT_EQ(rows[1][column("n_flagged")], std::to_string(good.diagnostics.FlaggedCount()));
}

// Monoclinic reflections asked to be triclinic, one of them (0 1 1) far off: its kl
// term alone fixes the triclinic coefficient at 1.2, implausible, so the run falls back
// once and refines the monoclinic cell. The summary and the JSON say both systems.
TEST_F(BatchRun, AFallBackThatStopsPartWayIsRecorded) {
    const double a = 9.746, b = 8.899, c = 5.251, beta = 105.63 * M_PI / 180, lambda = 1.540593;
    const int hkl[][3] = {{1, 1, 0},  {2, 0, 0},  {0, 2, 0}, {0, 0, 1}, {2, 2, 0},  {3, 1, 0}, {1, 3, 0},
                          {-1, 0, 1}, {2, 0, 1},  {-2, 0, 1}, {3, 0, 1}, {-3, 0, 1}, {4, 0, 0}, {0, 4, 0},
                          {4, 2, 0},  {1, 0, 2},  {-1, 0, 2}, {0, 0, 2}, {2, 4, 0},  {5, 1, 0}, {0, 1, 1}};
    std::string data = "monoclinic data refined as triclinic\r\n";
    const double s2 = std::sin(beta) * std::sin(beta);
    for (const auto& r : hkl) {
        const int h = r[0], k = r[1], l = r[2];
        double q = h * h / (a * a * s2) + k * k / (b * b) + l * l / (c * c * s2) - 2 * h * l * std::cos(beta) / (a * c * s2);
        if (k * l != 0) q += 1.2;
        const double twoTheta = 2 * std::asin(lambda * std::sqrt(q) / 2) * 180 / M_PI;
        data += std::to_string(h) + " " + std::to_string(k) + " " + std::to_string(l) + " " + std::to_string(twoTheta) + "\r\n";
    }
    Write("fall.dat", data + "0 0 0\r\n");
    ASSERT_EQ(Run("-q -s triclinic --json --summary s.csv fall.dat"), 0) << err_;
    auto rows = ReadCsv(Read("s.csv"));
    ASSERT_EQ(rows.size(), 2u);
    auto column = [&](const std::string& name) { return Column(rows, name); };
    EXPECT_EQ(rows[1][column("system")], "monoclinic");
    EXPECT_EQ(rows[1][column("system_requested")], "triclinic");
    const std::string json = Read("fall.json");
    EXPECT_NE(json.find("\"crystal_system\": \"monoclinic\""), std::string::npos);
    EXPECT_NE(json.find("\"crystal_system_requested\": \"triclinic\""), std::string::npos);
    EXPECT_NE(Read("fall.out").find("refined in monoclinic system"), std::string::npos);
}

// A file with scatter keeps the double-precision run; an exact one cannot (its residuals
// are rounding noise), and --extended asks for extended precision outright, with no
// reason to give. The summary and the JSON say the same.
TEST_F(BatchRun, TheSummaryAndTheJsonSayWhichPathMadeEachRun) {
    synth::DataSpec exact;
    exact.cell = {5.43102, 5.43102, 5.43102, 90, 90, 90};
    exact.system = 1;
    exact.count = 12;
    Write("scattered.dat", MixedSystems()[4]);
    Write("exact.dat", synth::MakeDataFile(exact));
    for (const std::string option : {"", "--extended "}) {
        SCOPED_TRACE(option);
        ASSERT_EQ(Run("-q --json " + option + "--summary s.csv scattered.dat exact.dat"), 0) << err_;
        const auto rows = ReadCsv(Read("s.csv"));
        ASSERT_EQ(rows.size(), 3u);
        const std::size_t path = Column(rows, "path"), reason = Column(rows, "fallback_reason");
        ASSERT_LT(reason, rows[0].size());
        EXPECT_EQ(rows[0].back(), "n_excluded");
        const bool checked = option.empty();
        EXPECT_EQ(rows[1][path], checked ? "double" : "extended");
        EXPECT_EQ(rows[1][reason], "");
        EXPECT_EQ(rows[2][path], "extended");
        EXPECT_EQ(rows[2][reason], checked ? "a fit close to exact" : "");
        auto member = [](const std::string& precision, const std::string& why) {
            return "\"path\": {\"precision\": \"" + precision + "\", \"fallback_reason\": " + why + "}";
        };
        EXPECT_NE(Read("scattered.json").find(member(checked ? "double" : "extended", "null")), std::string::npos);
        EXPECT_NE(Read("exact.json").find(member("extended", checked ? "\"a fit close to exact\"" : "null")),
                  std::string::npos);
    }
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
    EXPECT_NE(Read("serial/err.txt").find("\nInvalid crystal system 9"), std::string::npos);
}

}  // namespace
