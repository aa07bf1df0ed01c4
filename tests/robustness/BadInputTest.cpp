// The catalogue of bad inputs: data files a user could hand the program, each with the
// way its run must end. A failed run names the fault on the first line of its message and
// the place on the second; on disk it leaves an earlier report as it was and no temporary
// file. ZANTREL_CORPUS_OUT=<folder> also writes each small input there, as a seed of the
// fuzz target (fuzz/make-corpus.sh).

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "fuzz/ReportChecks.h"
#include "run/Run.h"
#include "support/TestFiles.h"

namespace fs = std::filesystem;
using namespace zantrel;
using testfiles::ReadFile;

namespace {

void WriteFile(const fs::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string FirstLine(const std::string& s) { return s.substr(0, s.find('\n')); }
std::string SecondLine(const std::string& s) {
    std::size_t at = s.find('\n');
    return at == std::string::npos ? std::string() : s.substr(at + 1);
}

std::string Repeat(const std::string& line, int count) {
    std::string out;
    for (int i = 0; i < count; ++i) out += line;
    return out;
}

std::string Silicon() { return testfiles::Example("silicon_2theta.dat"); }

// A title ending in '*', the header line, then the reflection lines as given.
std::string Headed(const std::string& header, const std::string& lines) {
    return "Bad input*\r\n" + header + "\r\n" + lines;
}
std::string Cubic(const std::string& lines) { return Headed("1 tt 1.540593 tt n", lines); }

// `count` reflection lines cycling through silicon's eleven, then the terminator.
std::string SiliconLines(int count) {
    static constexpr const char* lines[] = {
        "1 1 1 28.447\r\n", "2 2 0 47.303\r\n", "3 1 1 56.129\r\n", "4 0 0 69.132\r\n",
        "3 3 1 76.376\r\n", "4 2 2 88.025\r\n", "5 1 1 94.956\r\n", "4 4 0 106.704\r\n",
        "5 3 1 114.088\r\n", "6 2 0 127.537\r\n", "5 3 3 136.891\r\n"};
    std::string out;
    for (int i = 0; i < count; ++i) out += lines[i % 11];
    return out + "0 0 0\r\n";
}

enum class Ends { Refines, Halts, Fails };

struct BadInput {
    const char* name;
    std::string (*bytes)();  // built when the row runs: some are megabytes
    Ends ends;
    const char* firstLine = "";  // of the message, exactly
    const char* where = "";      // a piece of its second line
};

const BadInput Catalogue[] = {
    // Text where numbers belong.
    {"BinaryGarbage",
     [] { return std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\x10\x08\x06\x1f\xf3\xff", 25); },
     Ends::Fails, Msg::InvalidNumericInput, "bad.dat, line 4: \"IHDR"},
    {"NumberTooLargeForADouble", [] { return Cubic("1 1 1 1e400\r\n"); }, Ends::Fails,
     Msg::InvalidNumericInput, "bad.dat, line 3: \"1e400\""},
    {"NaNWrittenAsAWord", [] { return Cubic("1 1 1 NaN\r\n"); }, Ends::Fails,
     Msg::InvalidNumericInput, "line 3: \"NaN\""},
    {"InfinityWrittenAsAWord", [] { return Cubic("1 1 1 28.4\r\n2 2 0 inf\r\n"); }, Ends::Fails,
     Msg::InvalidNumericInput, "line 4: \"inf\""},
    {"TenMegabyteNumber", [] { return Cubic("1 1 1 " + std::string(10'000'000, '7') + "\r\n"); },
     Ends::Fails, Msg::InvalidNumericInput, "line 3: \"7777777777"},

    // Files with too little in them: the halt report, not an error.
    {"EmptyFile", [] { return std::string(); }, Ends::Halts},
    {"TitleOnly", [] { return std::string("Just a title\r\n"); }, Ends::Halts},
    // The wavelength is missing: the items shift and the first reflection is lost.
    {"HeaderWithMissingItems", [] { return Headed("1 tt", "1 1 1 28.447\r\n2 2 0 47.303\r\n"); },
     Ends::Halts},
    {"HeaderWithoutItems", [] { return std::string("Bad input*\r\n"); }, Ends::Halts},

    // Header values out of range.
    {"CrystalSystem0", [] { return Headed("0 tt 1.540593 tt n", SiliconLines(5)); }, Ends::Fails,
     "Invalid crystal system 0 in the header line", "bad.dat, line 2"},
    {"CrystalSystem7", [] { return Headed("7 tt 1.540593 tt n", SiliconLines(5)); }, Ends::Fails,
     "Invalid crystal system 7 in the header line", "bad.dat, line 2"},
    {"CrystalSystemMinus1", [] { return Headed("-1 tt 1.540593 tt n", SiliconLines(5)); },
     Ends::Fails, "Invalid crystal system -1 in the header line", "bad.dat, line 2"},

    // Observations that have no d spacing or no 2-theta.
    {"TwoTheta0", [] { return Cubic("1 1 1 28.447\r\n2 2 0 0\r\n3 1 1 56.129\r\n"); }, Ends::Fails,
     Msg::DivisionByZero, "bad.dat, line 4: 2-theta 0 has no d spacing"},
    {"TwoTheta180", [] { return Cubic("1 1 1 180\r\n"); }, Ends::Fails, Msg::InvalidOperation,
     "bad.dat, line 3: 2-theta 180 has no d spacing"},
    {"DSpacingBelowHalfTheWavelength",
     [] { return Headed("1 d 1.540593 d n", "1 1 1 3.1355\r\n2 2 0 0.77\r\n"); }, Ends::Fails,
     Msg::InvalidOperation, "bad.dat, line 4: d spacing 0.77 has no 2-theta"},

    // Reflections that do not determine every parameter of the system.
    {"AllReflectionsIdentical",
     [] { return Headed("6 tt 1.540593 tt n", Repeat("1 1 1 28.447\r\n", 10)); }, Ends::Fails,
     Msg::DivisionByZero, "the reflections do not determine the term"},
    {"EveryLZeroInATetragonalFile",
     [] {
         return Headed("2 tt 1.540593 tt n",
                       "1 0 0 20.1\r\n1 1 0 28.6\r\n2 0 0 40.9\r\n"
                       "2 1 0 46.0\r\n2 2 0 59.1\r\n");
     },
     Ends::Fails, Msg::DivisionByZero, "the term l^2 (c*^2)"},

    // Indexing that no cell fits.
    {"InconsistentIndexing",
     [] {
         return Headed("2 d 0.709317 q n",
                       "4 1 20 6\r\n8 8 1 0.40225\r\n3 2 7 0.40113\r\n"
                       "11 1 2 0.40037\r\n6 3 6 0.40012\r\n");
     },
     Ends::Fails, "The refinement did not converge", "the sum of squares was still changing"},
    // (1 0 1) has a larger d than (1 0 0): c*^2 would have to be negative, c past infinity.
    {"CellRunsOffToInfinity",
     [] {
         return Headed("4 d 1.540593 d n",
                       "1 0 0 5.0\r\n0 1 0 4.0\r\n1 0 1 5.3\r\n0 1 1 4.2\r\n"
                       "1 1 0 3.12\r\n0 0 0\r\n");
     },
     Ends::Fails, Msg::InvalidOperation, "negative squared reciprocal length"},
    // A trial cell of the refinement puts a reflection past 2-theta 180.
    {"TrialStepLeavesTheDiffractingRange",
     [] {
         return Headed("2 d 1.540593 tt n",
                       "1 2 2 5.58392\r\n3 0 2 2.76595\r\n1 0 0 5.72279\r\n"
                       "0 1 0 2.17262\r\n3 3 2 3.55186\r\n");
     },
     Ends::Fails, Msg::InvalidOperation, "while refining the cell parameters"},

    // Absurd but consistent: a cell edge of 3e9 angstrom, printed in full.
    {"MillerIndicesOf1e9",
     [] {
         return Cubic("1000000000 0 0 28.44\r\n1000000000 0 0 28.45\r\n1000000000 0 0 28.43\r\n");
     },
     Ends::Refines},
};

class BadInputRow : public ::testing::TestWithParam<BadInput> {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("zantrel-bad-" + std::to_string(getpid()) + "-" + GetParam().name);
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    static void ExpectMessage(const std::string& message) {
        EXPECT_EQ(FirstLine(message), GetParam().firstLine);
        EXPECT_NE(SecondLine(message).find(GetParam().where), std::string::npos) << message;
        EXPECT_EQ(checks::MessageFault(message), "") << message;
    }

    fs::path dir_;
};

TEST_P(BadInputRow, EndsAsCatalogued) {
    const BadInput& row = GetParam();
    const std::string bytes = row.bytes();
    if (const char* out = std::getenv("ZANTREL_CORPUS_OUT");
        out != nullptr && bytes.size() <= 16384)
        WriteFile(fs::path(out) / (std::string("bad-") + row.name),
                  std::string("\x05\0\0", 3) + bytes);

    try {
        const RunReply reply = RunRefinement(MemoryRequest({}, bytes, "bad.dat"));
        ASSERT_NE(row.ends, Ends::Fails) << "refined; expected " << row.firstLine;
        EXPECT_EQ(reply.results.halted, row.ends == Ends::Halts);
        EXPECT_EQ(checks::ReplyFault(reply), "");
    } catch (const RunError& e) {
        ASSERT_EQ(row.ends, Ends::Fails) << e.what();
        ExpectMessage(e.what());
    }
}

// On disk a failed run ends the same way and touches nothing.
TEST_P(BadInputRow, FailureOnDiskKeepsTheEarlierReport) {
    const BadInput& row = GetParam();
    if (row.ends != Ends::Fails) GTEST_SKIP() << "refines or halts";
    const fs::path data = dir_ / "bad.dat", report = dir_ / "bad.out";
    WriteFile(data, row.bytes());
    WriteFile(report, "earlier report\r\n");
    try {
        RunRefinement(FileRequest({}, data.string()));
        ADD_FAILURE() << "refined; expected " << row.firstLine;
    } catch (const RunError& e) {
        ExpectMessage(e.what());
    }
    EXPECT_EQ(ReadFile(report), "earlier report\r\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 2);
}

// The report of a data file, or the message it failed with.
std::string ReportOf(const std::string& bytes) {
    try {
        return RunRefinement(MemoryRequest({}, bytes, "si.dat")).report;
    } catch (const RunError& e) {
        return std::string("failed: ") + e.what();
    }
}

std::string ReplaceAll(std::string s, const std::string& from, const std::string& to) {
    for (std::size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size()))
        s.replace(at, from.size(), to);
    return s;
}

// Separators and line ends that editors write: the same reflections, the same report.
TEST(ReadReflections, TabsAndEveryKindOfLineEndGiveTheSameReport) {
    const std::string silicon = Silicon();
    const std::string expected = ReportOf(silicon);
    ASSERT_EQ(checks::ReportFault(expected, false), "") << expected;

    std::string tabbed = silicon;  // tabs between the items of the reflection lines only
    std::size_t body = tabbed.find("\r\n", tabbed.find("\r\n") + 2) + 2;
    std::replace(tabbed.begin() + std::ptrdiff_t(body), tabbed.end(), ' ', '\t');
    EXPECT_EQ(ReportOf(tabbed), expected);
    EXPECT_EQ(ReportOf(ReplaceAll(silicon, "\r\n", "\r")), expected) << "lone CR";
    EXPECT_EQ(ReportOf(ReplaceAll(silicon, "\r\n", "\n")), expected) << "lone LF";
    // Ten megabytes of remark after a value are skipped like any remark.
    std::string remark = silicon;
    remark.insert(remark.find("28.447") + 6, "  " + std::string(10'000'000, 'x'));
    EXPECT_EQ(ReportOf(remark), expected) << "10 MB remark";
}

// A UTF-8 byte-order mark is read as part of the title line, so the header and the
// reflections are found as without it; the report's title drops it.
TEST(ReadReflections, AByteOrderMarkChangesNothing) {
    EXPECT_EQ(ReportOf("\xEF\xBB\xBF" + Silicon()), ReportOf(Silicon()));
}

// Reflections beyond the 200th are dropped and the report says so, nothing else changes.
TEST(ReadReflections, TenThousandReflectionsUseTheFirst200) {
    const std::string many = ReportOf(Cubic(SiliconLines(10'000)));
    std::string first200 = ReportOf(Cubic(SiliconLines(200)));
    const std::string notice =
        "***   Too many reflections. Only the first 200 have been used   \xA5\xA5\xA5\r\n\r\n";
    ASSERT_EQ(checks::ReportFault(many, false), "") << many;
    ASSERT_EQ(first200.find(notice), std::string::npos);
    first200.insert(first200.find("refined in cubic system"), notice);
    EXPECT_EQ(many, first200);
}

// Files that cannot be read or written. Each run fails at once, leaves an earlier report
// as it was and no temporary file beside it.
class FileFault : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("zantrel-files-" + std::to_string(getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        WriteFile(dir_ / "si.dat", Silicon());
        WriteFile(dir_ / "si.out", "earlier report\r\n");
    }
    void TearDown() override {
        fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add);
        fs::remove_all(dir_);
    }

    // The message of a run from data to report, checked against what it must say.
    void ExpectFailure(const fs::path& data, const fs::path& report, const std::string& firstLine,
                       const std::string& where) {
        RunRequest request = FileRequest({}, data.string());
        request.reportPath = report.string();
        try {
            RunRefinement(request);
            ADD_FAILURE() << "refined; expected " << firstLine;
        } catch (const RunError& e) {
            EXPECT_EQ(FirstLine(e.what()), firstLine);
            EXPECT_NE(SecondLine(e.what()).find(where), std::string::npos) << e.what();
        }
        EXPECT_EQ(ReadFile(dir_ / "si.out"), "earlier report\r\n");
        for (const auto& entry : fs::recursive_directory_iterator(dir_))
            EXPECT_EQ(entry.path().string().find(".tmp"), std::string::npos) << entry.path();
    }

    fs::path dir_;
};

TEST_F(FileFault, AMissingDataFileIsNotFound) {
    ExpectFailure(dir_ / "none.dat", dir_ / "si.out", Msg::FileNotFound, "none.dat");
    EXPECT_FALSE(fs::exists(dir_ / "none.out"));
}

TEST_F(FileFault, AnUnreadableDataFileIsRefused) {
    fs::create_directory(dir_ / "folder.dat");  // unreadable as a file, even for root
    ExpectFailure(dir_ / "folder.dat", dir_ / "si.out", Msg::AccessDenied, "folder.dat");
    if (geteuid() == 0) GTEST_SKIP() << "root reads files without read permission";
    fs::permissions(dir_ / "si.dat", fs::perms::owner_read, fs::perm_options::remove);
    ExpectFailure(dir_ / "si.dat", dir_ / "si.out", Msg::AccessDenied, "si.dat");
}

TEST_F(FileFault, AReportFolderThatCannotBeWrittenIsRefused) {
    // A folder path through a regular file fails for every user.
    ExpectFailure(dir_ / "si.dat", dir_ / "si.dat" / "si.out", Msg::PathNotFound, "si.out");
    if (geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
    fs::permissions(dir_, fs::perms::owner_write, fs::perm_options::remove);
    ExpectFailure(dir_ / "si.dat", dir_ / "si.out", Msg::AccessDenied, "si.out");
}

TEST_F(FileFault, AReportPathEqualToTheDataPathIsRefused) {
    const std::string data = ReadFile(dir_ / "si.dat");
    ExpectFailure(dir_ / "si.dat", dir_ / "si.dat", "The report would replace the data file",
                  "si.dat");
    ExpectFailure(dir_ / "si.dat", dir_ / "." / "si.dat", "The report would replace the data file",
                  "si.dat");
    EXPECT_EQ(ReadFile(dir_ / "si.dat"), data);
}

// The desktop program offers only 1..6; a caller that passes anything else is told so,
// not that sound data failed in the arithmetic.
TEST(RunRefinement, RefusesACrystalSystemSettingOutsideTheSix) {
    std::string data = Silicon();
    data.erase(data.find("1 tt 1.540593 tt n\r\n"), 20);
    data.erase(data.find('*'), 1);  // no header: the settings stand
    for (int system : {0, 7, -1}) {
        RefinementSettings settings;
        settings.system = CrystalSystem(system);
        try {
            RunRefinement(MemoryRequest(settings, data, "si.dat"));
            ADD_FAILURE() << "refined with crystal system " << system;
        } catch (const RunError& e) {
            EXPECT_EQ(FirstLine(e.what()),
                      "Invalid crystal system " + std::to_string(system) + " in the settings");
            EXPECT_NE(SecondLine(e.what()).find("si.dat"), std::string::npos) << e.what();
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Catalogue, BadInputRow, ::testing::ValuesIn(Catalogue),
                         [](const auto& row) { return std::string(row.param.name); });

}  // namespace
