// zantrel-cli end to end: naming of reports, settings, errors, and files never lost.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "run/Run.h"
#include "support/SyntheticData.h"
#include "support/TestFiles.h"

namespace fs = std::filesystem;
using namespace zantrel;

namespace {

class CliTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("zantrel-cli-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override {
        fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(dir_);
    }

    std::string Write(const std::string& name, const std::string& bytes) {
        fs::path path = dir_ / name;
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << bytes;
        return path.string();
    }
    static std::string Read(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    // Runs the CLI; returns its exit status, stdout and stderr captured in out_ and err_.
    // shellSetup runs in the same shell first (limits, traps).
    int Run(const std::string& args, const std::string& shellSetup = "") {
        fs::path outFile = dir_ / "stdout.txt", errFile = dir_ / "stderr.txt";
        std::string command = shellSetup + std::string(ZANTREL_CLI) + " -q " + args + " >" + outFile.string() + " 2>" +
                              errFile.string();
        int status = std::system(command.c_str());
        out_ = Read(outFile);
        err_ = Read(errFile);
        fs::remove(outFile);
        fs::remove(errFile);
        return WEXITSTATUS(status);
    }
    // A value --print-cell printed: "       a =     5.430894  sigma ...".
    double Printed(const std::string& name) const {
        std::size_t at = out_.find(name + " =");
        if (at == std::string::npos) {
            ADD_FAILURE() << "no " << name << " in:\n" << out_;
            return 0;
        }
        return std::stod(out_.substr(at + name.size() + 2));
    }
    // Every file in the folder but those a test wrote: reports and stray temporaries.
    int FilesWithExtension(const std::string& ext) {
        int count = 0;
        for (auto& entry : fs::recursive_directory_iterator(dir_))
            if (entry.path().string().find(ext) != std::string::npos) ++count;
        return count;
    }

    static std::string Silicon(bool header, synth::Kind kind = synth::Kind::TwoTheta, double zeroShift = 0) {
        synth::DataSpec recipe;
        recipe.kind = kind;
        recipe.beam2Theta = 20.0;
        recipe.zeroShift = zeroShift;
        recipe.cell = {5.43102, 5.43102, 5.43102, 90, 90, 90};
        recipe.system = 1;
        recipe.count = 8;
        recipe.header = header;
        return synth::MakeDataFile(recipe);
    }

    fs::path dir_;
    std::string out_, err_;
};

TEST(ReportPathFor, ReplacesOnlyTheFileNamesLastExtension) {
    EXPECT_EQ(ReportPathFor("run1.dat"), "run1.out");
    EXPECT_EQ(ReportPathFor("run1.txt"), "run1.out");
    EXPECT_EQ(ReportPathFor("run1"), "run1.out");
    EXPECT_EQ(ReportPathFor("/data/v1.2/run1"), "/data/v1.2/run1.out");
    EXPECT_EQ(ReportPathFor("/data/v1.2/run1.x.dat"), "/data/v1.2/run1.x.out");
    EXPECT_EQ(ReportPathFor("C:\\v1.2\\run1"), "C:\\v1.2\\run1.out");
}

TEST_F(CliTest, WritesTheReportBesideEachDataFile) {
    std::string a = Write("a.dat", Silicon(true));
    std::string b = Write("sub.dir/b", Silicon(true));
    ASSERT_EQ(Run(a + " " + b), 0) << err_;
    std::string report = Read(dir_ / "a.out");
    EXPECT_EQ(report.rfind("Output from program Zantrel -  method of Vorhest & Quillane 1995\r\n", 0), 0u);
    EXPECT_NE(report.find("refined in cubic system"), std::string::npos);
    EXPECT_TRUE(fs::exists(dir_ / "sub.dir" / "b.out"));
    EXPECT_EQ(FilesWithExtension(".tmp"), 0);
}

TEST_F(CliTest, CommandLineSettingsApplyUntilAHeaderOverridesThem) {
    // Without a header the options choose the system; with one the header wins.
    std::string plain = Write("plain.dat", Silicon(false));
    ASSERT_EQ(Run("--system cubic --minimise q " + plain), 0) << err_;
    std::string report = Read(dir_ / "plain.out");
    EXPECT_NE(report.find("refined in cubic system"), std::string::npos);
    EXPECT_NE(report.find("residuals in Q (=1/dsquared)"), std::string::npos);

    std::string headed = Write("headed.dat", Silicon(true));
    ASSERT_EQ(Run("--system triclinic --minimise d " + headed + " " + plain), 0) << err_;
    EXPECT_NE(Read(dir_ / "headed.out").find("residuals in 2 theta"), std::string::npos);
    // The header of the first file does not leak into the second.
    EXPECT_NE(Read(dir_ / "plain.out").find("residuals in d spacing"), std::string::npos);
}

TEST_F(CliTest, FailedFilesAreReportedAndTheOthersStillRun) {
    std::string good = Write("good.dat", Silicon(true));
    std::string bad = Write("bad.dat", "title\r\n1 1 1 abc\r\n");
    EXPECT_NE(Run(bad + " " + (dir_ / "missing.dat").string() + " " + good), 0);
    EXPECT_NE(err_.find(bad + ": in " + bad + ", line 2: \"abc\"\nInvalid numeric input\n"), std::string::npos) << err_;
    // Where the explanation would only repeat the file's name, the fault text stands alone.
    EXPECT_NE(err_.find("missing.dat: File not found\n"), std::string::npos) << err_;
    EXPECT_TRUE(fs::exists(dir_ / "good.out"));
    EXPECT_FALSE(fs::exists(dir_ / "bad.out"));
    EXPECT_EQ(FilesWithExtension(".tmp"), 0);
}

TEST_F(CliTest, AFailedRunLeavesTheEarlierReportUntouched) {
    std::string data = Write("run1.dat", Silicon(true));
    ASSERT_EQ(Run(data), 0) << err_;
    const std::string earlier = Read(dir_ / "run1.out");
    Write("run1.dat", "title*\r\n1 tt 1.54 tt n\r\n1 1 1 28.4\r\n2 2 0 47.3O\r\n");
    EXPECT_NE(Run(data), 0);
    EXPECT_EQ(Read(dir_ / "run1.out"), earlier);
    EXPECT_EQ(FilesWithExtension(".tmp"), 0);
}

// A file-size limit fails the write after the temporary report was created, as root
// too; with SIGXFSZ ignored the write returns an error instead of killing the program.
TEST_F(CliTest, AReportThatCannotBeWrittenKeepsTheEarlierOne) {
    std::string data = Write("run1.dat", Silicon(true));
    ASSERT_EQ(Run(data), 0) << err_;
    const std::string earlier = Read(dir_ / "run1.out");
    ASSERT_GT(earlier.size(), 1024u);
    EXPECT_NE(Run("--full-diagnostics " + data, "trap '' XFSZ; ulimit -f 1; "), 0);
    EXPECT_NE(err_.find("cannot write the report"), std::string::npos) << err_;
    EXPECT_EQ(Read(dir_ / "run1.out"), earlier);
    EXPECT_EQ(FilesWithExtension(".tmp"), 0);
}

// The runs themselves succeed, but a summary that cannot be put in place is an error:
// a folder, or a pipe (or device) that the rename would replace with a plain file.
TEST_F(CliTest, ASummaryThatCannotBeWrittenFailsTheRun) {
    std::string data = Write("run1.dat", Silicon(true));
    fs::create_directories(dir_ / "summary.csv");
    ASSERT_EQ(mkfifo((dir_ / "pipe.csv").c_str(), 0600), 0);
    for (const char* target : {"summary.csv", "pipe.csv"}) {
        EXPECT_NE(Run("--summary " + (dir_ / target).string() + " " + data), 0) << target;
        EXPECT_NE(err_.find(std::string(target) + ": "), std::string::npos) << err_;
    }
    EXPECT_TRUE(fs::exists(dir_ / "run1.out"));
    EXPECT_TRUE(fs::is_directory(dir_ / "summary.csv"));
    EXPECT_TRUE(fs::is_fifo(dir_ / "pipe.csv"));
    EXPECT_EQ(FilesWithExtension(".tmp"), 0);
}

TEST_F(CliTest, ADataFileNamedLikeItsReportIsRefused) {
    const std::string bytes = Silicon(true);
    std::string data = Write("run1.out", bytes);
    EXPECT_NE(Run(data), 0);
    EXPECT_NE(err_.find("The report would replace the data file"), std::string::npos) << err_;
    EXPECT_EQ(Read(data), bytes);
    EXPECT_EQ(FilesWithExtension(".tmp"), 0);
}

// A CIF or JSON document is never written over its data file, however the report's
// path spells the folder.
TEST_F(CliTest, ADocumentThatWouldReplaceTheDataFileIsRefused) {
    const std::string bytes = Silicon(true);
    std::string json = Write("run1.json", bytes), cif = Write("run2.cif", bytes);
    EXPECT_NE(Run("--json " + json), 0);
    EXPECT_NE(err_.find("The output would replace the data file"), std::string::npos) << err_;
    EXPECT_NE(Run("--cif -o " + (dir_ / "." / "run2.out").string() + " " + cif), 0);
    EXPECT_NE(err_.find("The output would replace the data file"), std::string::npos) << err_;
    EXPECT_EQ(Read(json), bytes);
    EXPECT_EQ(Read(cif), bytes);
    EXPECT_EQ(FilesWithExtension(".tmp"), 0);
}

// Scripts tell the three outcomes apart: all refined, a file failed, a usage error
// (whichever of CLI11's own codes lies behind it).
TEST_F(CliTest, ExitStatusIsZeroOneOrTwo) {
    std::string data = Write("run1.dat", Silicon(true));
    EXPECT_EQ(Run(data), 0) << err_;
    EXPECT_EQ(Run(data + " " + (dir_ / "missing.dat").string()), 1);
    for (const std::string& usage : {"--no-such-option " + data, "--system cubik " + data, std::string(), "-j 2 -j 3 " + data,
                                    "--output-dir " + (dir_ / "o").string() + " -o x.out " + data})
        EXPECT_EQ(Run(usage), 2) << usage << "\n" << err_;
    ASSERT_EQ(Run("--version"), 0);
    EXPECT_EQ(out_, "zantrel-cli " ZANTREL_VERSION "\n");
    ASSERT_EQ(Run("--help"), 0);
    EXPECT_NE(out_.find("2 for a usage error"), std::string::npos) << out_;
    EXPECT_NE(out_.find("=1.540593"), std::string::npos) << out_;
}

// Without Qt the help does not offer --plot, and asking for it stops before any run.
TEST_F(CliTest, PlotOptionIsOfferedOnlyWhereThePlotsAreBuilt) {
    ASSERT_EQ(Run("--help"), 0) << err_;
#ifdef ZANTREL_HAVE_PLOT
    EXPECT_NE(out_.find("--plot"), std::string::npos) << out_;
#else
    EXPECT_EQ(out_.find("--plot"), std::string::npos) << out_;
    std::string data = Write("run1.dat", Silicon(true));
    EXPECT_EQ(Run("--plot " + data), 2);
    EXPECT_NE(err_.find("--plot: this zantrel-cli was built without Qt"), std::string::npos) << err_;
    EXPECT_FALSE(fs::exists(dir_ / "run1.out"));
#endif
}

TEST_F(CliTest, AnUnwritableReportFolderFailsWithoutLeavingFiles) {
    if (geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
    std::string data = Write("locked/run1.dat", Silicon(true));
    fs::permissions(dir_ / "locked", fs::perms::owner_write, fs::perm_options::remove);
    EXPECT_NE(Run(data), 0);
    EXPECT_NE(err_.find("File access denied"), std::string::npos) << err_;
}

TEST_F(CliTest, OutputOptionNamesTheReportOfOneFile) {
    std::string data = Write("x.dat", Silicon(true));
    ASSERT_EQ(Run("-o " + (dir_ / "elsewhere.txt").string() + " " + data), 0) << err_;
    EXPECT_TRUE(fs::exists(dir_ / "elsewhere.txt"));
    EXPECT_FALSE(fs::exists(dir_ / "x.out"));
    EXPECT_NE(Run("-o y.txt " + data + " " + data), 0);
}

// Early stops keep the report as it always was, succeed, and say so on the terminal
// (-q too) and in the summary: a halt, an empty file, reflections beyond the 200 used.
TEST_F(CliTest, EarlyStopsWriteTheirReportsAndSaySo) {
    std::string data = Write("few.dat", "two lines*\r\n1 tt 1.540593 tt n\r\n1 1 1 28.44\r\n2 2 0 47.30\r\n");
    std::string empty = Write("empty.dat", "");
    std::string many = Write("many.dat", zantrel::testfiles::Golden("rutile_mo_over200.dat"));
    ASSERT_EQ(Run("--summary " + (dir_ / "s.csv").string() + " " + data + " " + empty + " " + many), 0) << err_;
    EXPECT_EQ(Read(dir_ / "few.out"),
              "Output from program Zantrel -  method of Vorhest & Quillane 1995\r\n\r\n"
              "***  Program Halted - not enough data points  ***\r\n");
    EXPECT_EQ(Read(dir_ / "many.out"), zantrel::testfiles::Golden("rutile_mo_over200.out"));
    EXPECT_EQ(err_, data + ": halted: too few reflections\n" + empty + ": halted: no reflections read\n" + many +
                        ": ok: first 200 of 352 reflections used\n");
    const std::string csv = Read(dir_ / "s.csv");
    for (const char* status : {",halted: too few reflections,0\n", ",halted: no reflections read,0\n",
                               ",ok: first 200 of 352 reflections used,0\n"})
        EXPECT_NE(csv.find(status), std::string::npos) << status << csv;
}

// d spacings have no zero shift: asked for one, the documents must not hand out the
// start values as a result.
TEST_F(CliTest, AZeroShiftOfDSpacingsIsNotGivenAsRefined) {
    std::string d = Write("d.dat", Silicon(false, synth::Kind::D));
    ASSERT_EQ(Run("--system cubic --data d --zero-shift --json --summary " + (dir_ / "s.csv").string() + " " + d),
              0)
        << err_;
    EXPECT_NE(err_.find("d spacings have none to refine"), std::string::npos) << err_;
    EXPECT_NE(Read(dir_ / "d.json").find("\"zero_shift\": null"), std::string::npos);
    const std::string csv = Read(dir_ / "s.csv");
    const std::string row = csv.substr(csv.find('\n') + 1);
    EXPECT_NE(row.find(",,,"), std::string::npos) << "zero_shift and its sigma empty: " << row;
    EXPECT_EQ(row.find(",-0.01,"), std::string::npos) << row;
}

// Each setting option changes the run as it says: the refined cell shows it.
TEST_F(CliTest, SettingOptionsChangeTheRunAsTheySay) {
    constexpr double A = 5.43102;
    std::string twoTheta = Write("tt.dat", Silicon(false));
    ASSERT_EQ(Run("--system cubic --print-cell " + twoTheta), 0) << err_;
    EXPECT_NE(out_.find("tt.dat: refined in cubic system"), std::string::npos) << out_;
    EXPECT_NEAR(Printed("a"), A, 1e-5);
    EXPECT_NEAR(Printed("volume"), A * A * A, 1e-2);
    ASSERT_EQ(Run("--system cubic --wavelength 0.7093 --print-cell " + twoTheta), 0) << err_;
    EXPECT_NEAR(Printed("a"), A * 0.7093 / 1.540593, 1e-5);  // d scales with the wavelength
    EXPECT_NE(Read(dir_ / "tt.out").find("using wavelength 0.709300 \xC5"), std::string::npos);

    std::string d = Write("d.dat", Silicon(false, synth::Kind::D));
    ASSERT_EQ(Run("--system cubic --data d --wavelength 0.7093 --print-cell " + d), 0) << err_;
    EXPECT_NEAR(Printed("a"), A, 1e-5);  // d needs no wavelength

    // Energy data: d = 6.199 / (E sin theta) with theta half the detector angle.
    std::string energy = Write("e.dat", Silicon(false, synth::Kind::Energy));
    ASSERT_EQ(Run("--system cubic --data energy --beam 20 --print-cell " + energy), 0) << err_;
    EXPECT_NEAR(Printed("a"), A, 2e-3);
    ASSERT_EQ(Run("--system cubic --data energy --beam 10 --print-cell " + energy), 0) << err_;
    EXPECT_NEAR(Printed("a"), A * std::sin(10 * M_PI / 180) / std::sin(5 * M_PI / 180), 5e-3);

    std::string shifted = Write("shift.dat", Silicon(false, synth::Kind::TwoTheta, 0.05));
    ASSERT_EQ(Run("--system cubic --print-cell " + shifted), 0) << err_;
    EXPECT_GT(std::fabs(Printed("a") - A), 1e-3);  // the shift biases the cell
    EXPECT_EQ(Read(dir_ / "shift.out").find("ZeroShift"), std::string::npos);
    ASSERT_EQ(Run("--system cubic --zero-shift --print-cell " + shifted), 0) << err_;
    EXPECT_NEAR(Printed("a"), A, 1e-5);
    EXPECT_NE(Read(dir_ / "shift.out").find("refined ZeroShift 2 theta : -0.0500"), std::string::npos)
        << Read(dir_ / "shift.out");

    ASSERT_EQ(Run("--system cubic " + twoTheta), 0) << err_;
    EXPECT_EQ(out_, "");  // no cell without --print-cell
}

}  // namespace
