// Headers that are read by the fixed rules but probably mean something else: each
// gives its warning and still the report it gave before; impossible cells fail.

#include <gtest/gtest.h>

#include "cell/HeaderCheck.h"
#include "cli/CliRun.h"

namespace zantrel::clitest {
namespace {

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    const std::size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

TEST(HeaderCheck, EachMisleadingLineIsNamedWithItsColumn) {
    struct Case {
        const char *title, *line;
        int lineNo, column;
        const char* says;
    };
    const Case cases[] = {
        {"Si*", "1 Tt 1.540593 tt n", 2, 3, "data word 'Tt' reads as d spacings, not 2-theta"},
        {"Si*", "1 TT 1.540593 tt n", 2, 3, "case-sensitive; write tt"},
        {"Si*", "1 2theta 1.540593 tt n", 2, 3, "knows only the words tt, e and d; write tt"},
        {"Si*", "1 energy 10 e n", 2, 3, "not energies"},
        {"Si*", "1 tt 1.540593 dspacing n", 2, 15, "minimise word 'dspacing' reads as Q, not d"},
        {"Si*", "1 tt 1.540593 E n", 2, 15, "minimise word 'E' reads as Q, not energy"},
        {"Si*", "1\ttt\t1.540593\ttt\tn", 2, 2, "a tab in the header line"},
        {"Si*", "1 tt 1.540593 tt  y", 2, 19, "the zero shift is not refined"},
        {"Si*", "1 tt 1.540593 tt   n", 2, 20, "3 blanks before the zero-shift flag 'n'"},
        {"Si* ", "1 tt 1.540593 tt n", 1, 4, "blanks after the title's '*'"},
        {"Si", "4 tt 1.540593 d y", 2, 1, "looks like a header line"},
    };
    for (const Case& c : cases) {
        const std::vector<HeaderWarning> w = CheckHeader(c.title, c.line);
        ASSERT_EQ(w.size(), 1u) << c.line;
        EXPECT_EQ(w[0].line, c.lineNo) << c.line;
        EXPECT_EQ(w[0].column, c.column) << c.line;
        EXPECT_NE(w[0].text.find(c.says), std::string::npos) << w[0].text;
    }
    // What reads as it looks gives no warning: the words the parse knows, a d written
    // D (any unknown data word is d), Q written as any word, reflections after a title.
    for (const char* line : {"1 tt 1.540593 tt n", "6 e 10.0 e y", "2 d 1.54 d", "1 D 1.54 Q n", "4 dspacing 1.5 q y"})
        EXPECT_TRUE(CheckHeader("t*", line).empty()) << line;
    EXPECT_TRUE(CheckHeader("t", "   1   1   1    28.443").empty());
    EXPECT_TRUE(CheckHeader("", "").empty());
}

class HeaderWarnings : public CliFolder {};

TEST_F(HeaderWarnings, AWarnedHeaderKeepsTheReportOfTheHeaderItReadsAs) {
    const std::string si = Example("silicon_2theta.dat"), lab6 = Example("lab6_2theta_zeroshift.dat");
    struct Pair {
        std::string misleading, readsAs;
        const char* warning;
    };
    const Pair pairs[] = {
        {Replaced(si, "\n1 tt ", "\n1 Tt "), Replaced(si, "\n1 tt ", "\n1 d "), "line 2, column 3"},
        {Replaced(si, "\n1 tt 1.540593 tt ", "\n1 tt 1.540593 2theta "), Replaced(si, "\n1 tt 1.540593 tt ", "\n1 tt 1.540593 q "),
         "line 2, column 15"},
        {Replaced(lab6, " tt y", " tt  y"), Replaced(lab6, " tt y", " tt n"), "line 2, column 19"},
    };
    int i = 0;
    for (const Pair& p : pairs) {
        const std::string name = "m" + std::to_string(i++);
        Write(name + ".dat", p.misleading);
        Write(name + "-as.dat", p.readsAs);
        EXPECT_EQ(Run("-q " + name + ".dat " + name + "-as.dat"), 0) << err_;
        EXPECT_NE(err_.find(name + ".dat: warning: " + p.warning), std::string::npos) << err_;
        EXPECT_EQ(err_.find(name + "-as.dat: warning"), std::string::npos) << err_;
        EXPECT_EQ(Read(name + ".out"), Read(name + "-as.out")) << name;

        // Strict, the warning fails the file and nothing is written for it.
        fs::remove(dir_ / (name + ".out"));
        EXPECT_EQ(Run("-q --strict-header " + name + ".dat"), 1) << err_;
        EXPECT_NE(err_.find(std::string(p.warning) + ": "), std::string::npos) << err_;
        EXPECT_FALSE(fs::exists(dir_ / (name + ".out")));
    }
    EXPECT_EQ(Run("-q --strict-header sound.dat"), 1);  // a missing file still fails as before
    Write("sound.dat", si);
    EXPECT_EQ(Run("-q --strict-header sound.dat"), 0) << err_;
    EXPECT_EQ(err_, "");
}

TEST_F(HeaderWarnings, ACellThatNoCrystalHasFailsSayingWhatTheDataProbablyAre) {
    // 2-theta read as d through the word Tt, with a zero shift: a = -142 A.
    Write("lab6.dat", Replaced(Example("lab6_2theta_zeroshift.dat"), "\n1 tt ", "\n1 Tt "));
    EXPECT_EQ(Run("-q --summary s.csv lab6.dat"), 1);
    EXPECT_NE(err_.find("lab6.dat: warning: line 2, column 3"), std::string::npos) << err_;
    EXPECT_NE(err_.find("lab6.dat: the refined a is -142.1"), std::string::npos) << err_;
    EXPECT_NE(err_.find("are the values 2-theta? the header's data word is 'Tt', which reads as d spacings\n"
                        "The refined cell is impossible\n"),
              std::string::npos)
        << err_;
    EXPECT_FALSE(fs::exists(dir_ / "lab6.out"));
    EXPECT_EQ(Read("s.csv").find(",ok"), std::string::npos) << Read("s.csv");
}

TEST_F(HeaderWarnings, ADBelowHalfTheWavelengthSaysTheWavelengthOnlyWeights) {
    Write("d.dat", "quartz d*\r\n2 d 1.540593 d n\r\n1 0 0 4.25\r\n1 0 1 3.34\r\n2 1 1 0.70\r\n0 0 0\r\n");
    EXPECT_EQ(Run("-q d.dat"), 1);
    EXPECT_NE(err_.find("the wavelength sets only the weights, so any wavelength below twice the smallest d spacing"),
              std::string::npos)
        << err_;
    EXPECT_NE(err_.find("lets the run proceed\nInvalid floating point operation"), std::string::npos) << err_;
}

}  // namespace
}  // namespace zantrel::clitest
