// What zantrel-cli refuses to write over, checked before any file is written: the data
// files, its other outputs, and documents of the same names that it did not write.

#include <gtest/gtest.h>
#include <unistd.h>

#include "cli/CliRun.h"

using namespace zantrel::clitest;

namespace {

class Outputs : public CliFolder {
protected:
    // Two data files, as the shell expands "*.dat" when the summary's name was forgotten.
    void WriteData() {
        Write("a.dat", Example("silicon_2theta.dat"));
        Write("b.dat", Example("quartz_2theta.dat"));
    }
    std::string Documents() const {
#ifdef ZANTREL_HAVE_PLOT
        return "--cif --json --plot --summary sum.csv ";
#else
        return "--cif --json --summary sum.csv ";
#endif
    }
};

TEST_F(Outputs, NoOutputTakesThePlaceOfADataFileOrOfAnotherOutput) {
    WriteData();
    EXPECT_EQ(Run("-q --summary a.dat b.dat"), 2);
    EXPECT_NE(err_.find("a.dat (the summary) exists and was not written by zantrel-cli"), std::string::npos) << err_;
    EXPECT_EQ(Read("a.dat"), Example("silicon_2theta.dat"));
    EXPECT_FALSE(fs::exists(Path("b.out")));  // refused before anything was written

    // A data file named like another one's output, and a summary named like a report.
    Write("a.out", Example("rutile_2theta.dat"));
    EXPECT_EQ(Run("-q --force a.dat a.out"), 2);
    EXPECT_NE(err_.find("The output would replace the data file a.out"), std::string::npos) << err_;
    EXPECT_EQ(Read("a.out"), Example("rutile_2theta.dat"));
    fs::remove(Path("a.out"));
    EXPECT_EQ(Run("-q --force --summary b.out b.dat"), 2);
    EXPECT_NE(err_.find("b.out would be both the report of b.dat and the summary"), std::string::npos) << err_;
    // Two data files whose reports share a name, and one file named twice.
    Write("b.txt", Example("quartz_2theta.dat"));
    EXPECT_EQ(Run("-q b.dat b.txt"), 2);
    EXPECT_EQ(Run("-q b.dat ./b.dat"), 2);
    EXPECT_NE(err_.find("named twice"), std::string::npos) << err_;
    EXPECT_FALSE(fs::exists(Path("b.out")));
}

// Every document carries the mark its next run looks for: a second run replaces the
// first one's files, and none a user put there under the same names, unless --force.
TEST_F(Outputs, ForeignDocumentsSurviveUnlessForcedAndOwnOnesAreReplaced) {
    WriteData();
    const std::string foreign = "data_model\n_cell_length_a 5.431\n";
    for (const char* name : {"a.cif", "a.json", "sum.csv"
#ifdef ZANTREL_HAVE_PLOT
                             , "a.svg", "sum.svg"
#endif
         }) {
        Write(name, foreign);
        EXPECT_EQ(Run(Documents() + "a.dat b.dat"), 2) << name;
        EXPECT_NE(err_.find(std::string(name) + " ("), std::string::npos) << err_;
        EXPECT_EQ(Read(name), foreign);
        EXPECT_FALSE(fs::exists(Path("a.out"))) << name;
        fs::remove(Path(name));
    }
    ASSERT_EQ(Run(Documents() + "a.dat b.dat"), 0) << err_;
    const std::string cif = Read("a.cif");
    ASSERT_EQ(Run(Documents() + "a.dat b.dat"), 0) << err_;
    EXPECT_EQ(Read("a.cif"), cif);
    Write("b.cif", foreign);
    ASSERT_EQ(Run("--force " + Documents() + "a.dat b.dat"), 0) << err_;
    EXPECT_NE(Read("b.cif"), foreign);
}

TEST_F(Outputs, OutputDirTakesEveryOutputOfAReadOnlyDataFolder) {
    Write("data/a.dat", zantrel::testfiles::Golden("silicon_2theta.dat"));
    Write("data/b.dat", Example("quartz_2theta.dat"));
    fs::permissions(Path("data"), fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    if (geteuid() != 0) {
        EXPECT_EQ(Run("-q data/a.dat"), 1);  // "File access denied" beside the data
    }
    const int status = Run(Documents() + "--output-dir out/run data/a.dat data/b.dat");
    fs::permissions(Path("data"), fs::perms::owner_all, fs::perm_options::add);
    ASSERT_EQ(status, 0) << err_;
    EXPECT_EQ(Read("out/run/a.out"), zantrel::testfiles::Golden("silicon_2theta.out"));
    EXPECT_TRUE(fs::exists(Path("out/run/b.cif")) && fs::exists(Path("out/run/b.json")));
    EXPECT_NE(Read("out/run/sum.csv").find("\ndata/b.dat,"), std::string::npos);  // named as given
    EXPECT_EQ(std::distance(fs::directory_iterator(Path("data")), fs::directory_iterator()), 2);
    // Data files of one name from two folders would share their outputs.
    Write("other/a.dat", Example("rutile_2theta.dat"));
    EXPECT_EQ(Run("-q --output-dir out data/a.dat other/a.dat"), 2);
    EXPECT_NE(err_.find("out/a.out would be both the report of data/a.dat and the report of other/a.dat"),
              std::string::npos)
        << err_;
}

}  // namespace
