// The data file: header tokens, reflection lines, terminators, conversions, design rows.

#include <cmath>
#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include "cell/TestJob.h"
#include "run/Run.h"

namespace zantrel {
namespace {

using namespace engine;
using jobs::StartJob;

// Tokens are right-justified in six columns, cut to six letters with the rest of the
// word skipped, and the blank that ends one is consumed.
TEST(ReadToken, RightJustifiesCutsLongWordsAndConsumesTheEndingBlank) {
    TextReader in("t", "tt 1.5");
    EXPECT_EQ(ReadToken(in), "    tt");
    EXPECT_EQ(in.Peek(), '1');

    TextReader lead("t", "   d y");
    EXPECT_EQ(ReadToken(lead), "     d");
    EXPECT_EQ(lead.Get(), 'y');

    TextReader six("t", "energy 12.5");
    EXPECT_EQ(ReadToken(six), "energy");
    EXPECT_EQ(six.ReadReal(), 12.5);

    TextReader longer("t", "dspacing 0.7093 d");
    EXPECT_EQ(ReadToken(longer), "dspaci");
    EXPECT_EQ(longer.ReadReal(), 0.7093);

    TextReader empty("t", " \r\n1 0 0");  // a blank right before the line end
    EXPECT_EQ(ReadToken(empty), "      ");
    EXPECT_EQ(empty.Get(), '\r');
}

// Below the smallest double a number reads as a zero of its sign, however it is written.
TEST(ReadReal, ReadsNumbersTooSmallForADoubleAsZero) {
    TextReader in("t", "1e-400 -0." + std::string(400, '0') + "1 1" + std::string(100, '0') +
                           "e-99999999999999999999");
    EXPECT_EQ(in.ReadReal(), 0.0);
    double negative = in.ReadReal();
    EXPECT_EQ(negative, 0.0);
    EXPECT_TRUE(std::signbit(negative));
    EXPECT_EQ(in.ReadReal(), 0.0);
}

// --- Reflection lines ---

int ReadCount(const std::string& lines, bool* tooMany = nullptr) {
    jobs::Job job;
    StartJob(job, 1, 't', lines);
    ReadReflections(job);
    if (tooMany != nullptr) *tooMany = job.TooManyReflections;
    EXPECT_TRUE(job.EndOfData);
    return job.ObsCount;
}

// The list ends at 0 0 0, at the end of the file or at an empty line; a line of blanks is
// not empty, and empty lines before the first reflection are passed over.
TEST(ReadReflections, StopsAtTheTerminatorEndOfFileOrEmptyLine) {
    const std::string three = "1 0 0 30\r\n1 1 0 40\r\n1 1 1 50\r\n";
    EXPECT_EQ(ReadCount(three + "0 0 0\r\n2 0 0 60\r\n"), 3);
    EXPECT_EQ(ReadCount(three), 3);
    EXPECT_EQ(ReadCount("1 0 0 30\r\n1 1 0 40\r\n1 1 1 50"), 3);  // no final line end
    EXPECT_EQ(ReadCount(three + "\r\n2 0 0 60\r\n"), 3);
    EXPECT_EQ(ReadCount("1 0 0 30\n1 1 0 40\n1 1 1 50\n\n2 0 0 60\n"), 3);
    EXPECT_EQ(ReadCount("1 0 0 30\r1 1 0 40\r1 1 1 50\r\r2 0 0 60\r"), 3);
    EXPECT_EQ(ReadCount(three + "   \r\n2 0 0 60\r\n"), 4);
    EXPECT_EQ(ReadCount("\r\n\r\n" + three + "0 0 0\r\n"), 3);
    // Remarks after the value, and items spread over lines, read normally.
    EXPECT_EQ(ReadCount("1 0 0 30.0 strong (100)\r\n1 1 0\r\n 40 weak\r\n1 1 1 50\t;x\r\n"), 3);
}

// 200 reflections are the capacity: a 201st line sets TooManyReflections.
TEST(ReadReflections, UsesAtMostTwoHundredReflections) {
    std::string lines;
    for (int i = 0; i < 200; ++i) lines += "1 0 0 30\r\n";
    bool tooMany = true;
    EXPECT_EQ(ReadCount(lines, &tooMany), 200);
    EXPECT_FALSE(tooMany);
    EXPECT_EQ(ReadCount(lines + "0 0 0\r\n", &tooMany), 200);
    EXPECT_FALSE(tooMany);
    EXPECT_EQ(ReadCount(lines + "1 1 0 40\r\n", &tooMany), 200);
    EXPECT_TRUE(tooMany);
}

// The regressors of 2 1 1 in each system (by hand from h^2, k^2, l^2, kl, hl, hk =
// 4, 1, 1, 1, 2, 2), and signed cross terms for 1 -1 0.
TEST(ReadReflections, BuildsTheDesignRowOfEachSystem) {
    struct Case {
        int system, count;
        double row[6];
    } cases[] = {{1, 1, {6}},          {2, 2, {5, 1}},          {3, 2, {7, 1}},
                 {4, 3, {4, 1, 1}},    {5, 4, {4, 1, 1, 2}},    {6, 6, {4, 1, 1, 1, 2, 2}}};
    for (const Case& c : cases) {
        jobs::Job job;
        StartJob(job, c.system, 'd', "2 1 1 1.5\r\n");
        ReadReflections(job);
        ASSERT_EQ(job.ParamCount, c.count) << c.system;
        for (int j = 1; j <= c.count; ++j)
            EXPECT_EQ(job.DesignMatrixSaved(1, j), c.row[j - 1]) << c.system << " col " << j;
        EXPECT_EQ(job.Weights[1], 1.0);
    }
    jobs::Job job;
    StartJob(job, 6, 'd', "1 -1 0 1.5\r\n");
    ReadReflections(job);
    const double expected[] = {1, 1, 0, 0, 0, -1};
    for (int j = 1; j <= 6; ++j) EXPECT_EQ(job.DesignMatrixSaved(1, j), expected[j - 1]) << j;
}

// Indices of 1e9 give products of 1e18, beyond 32 bits; each must be exact.
TEST(ReadReflections, LargeIndicesDoNotOverflowTheProducts) {
    jobs::Job job;
    StartJob(job, 6, 'd', "1000000000 -1000000000 3 1.5\r\n");
    ReadReflections(job);
    const double expected[] = {1e18, 1e18, 9, -3e9, 3e9, -1e18};
    for (int j = 1; j <= 6; ++j) EXPECT_EQ(job.DesignMatrixSaved(1, j), expected[j - 1]) << j;
}

// 2-theta -> d by Bragg's law (30 deg at 1.540593: d = 2.9762014 by hand; the program's
// pi of 3.1415927 moves it by 1.5e-8 relative); that d in a d-spacing file gives 30 deg
// back to rounding, and so does its energy at the 10-degree detector.
TEST(ReadReflections, ConvertsTwoThetaToDAndBack) {
    jobs::Job job;
    StartJob(job, 1, 't', "1 0 0 30\r\n");
    ReadReflections(job);
    double d = job.DObs[1];
    EXPECT_NEAR(d, 1.540593 / (2 * std::sin(15 * jobs::TruePi / 180)), 1e-7);
    EXPECT_NEAR(job.QObs[1], 1 / (d * d), 1e-16);
    EXPECT_EQ(job.QObsSaved[1], job.QObs[1]);
    char line[64];
    for (char kind : {'d', 'e'}) {
        std::snprintf(line, sizeof line, "1 0 0 %.17g\r\n", kind == 'd' ? d : job.EnergyObs[1]);
        jobs::Job back;
        StartJob(back, 1, kind, line);
        ReadReflections(back);
        EXPECT_NEAR(back.TwoThetaObs[1], 30.0, 1e-11) << kind;  // arcsine of a rounded quotient
        EXPECT_NEAR(back.DObs[1], d, 1e-14) << kind;
    }
}

// --- Bad numbers and values without a conversion ---

std::string ErrorOf(const std::string& text) {
    try {
        RunRefinement(MemoryRequest({}, text, "bad.dat"));
    } catch (const RunError& e) {
        return e.what();
    }
    ADD_FAILURE() << "no error for:\n" << text;
    return "";
}

// Words that strtod would take (inf, nan, 1e400) and a decimal comma are not numbers
// of the file's form; nor is a number too large for a double, however it is written,
// nor an index written as a real. The second line names the file and the line.
TEST(ReadReflections, RefusesNumbersOfTheWrongForm) {
    const std::string hugeMantissa = "1" + std::string(400, '0') + "e-1";
    const std::string values[] = {"inf", "nan", "1,5", "1e400", "0x1p3", "30deg", hugeMantissa,
                                  "+001" + std::string(400, '0') + ".5E-3", "1e99999999999999999999"};
    for (const std::string& v : values) {
        std::string error = ErrorOf(std::string("t\r\n1 0 0 30\r\n1 1 0 ") + v + "\r\n");
        EXPECT_EQ(jobs::FirstLine(error), "Invalid numeric input") << v;
        EXPECT_NE(jobs::SecondLine(error).find("bad.dat, line 3"), std::string::npos) << error;
    }
    // Indices must be integers within 32 bits.
    for (const char* index : {"1.0", "3000000000"}) {
        std::string error = ErrorOf(std::string("t\r\n1 0 0 30\r\n") + index + " 1 0 40\r\n");
        EXPECT_EQ(jobs::FirstLine(error), "Invalid numeric input") << index;
        EXPECT_NE(jobs::SecondLine(error).find("line 3"), std::string::npos) << error;
    }
}

// A value without a conversion ends the run with the arithmetic fault it would raise,
// naming the reflection by number and indices, and the file and line.
TEST(ReadReflections, RefusesValuesThatHaveNoConversion) {
    struct Case {
        const char *header, *good, *bad, *first;
    } cases[] = {
        {"1 tt 1.540593 tt n", "30", "0", "Floating point division by zero"},
        {"1 tt 1.540593 tt n", "30", "-20", "Invalid floating point operation"},
        {"1 tt 1.540593 tt n", "30", "180", "Invalid floating point operation"},
        {"1 d 1.540593 d n", "3", "0", "Floating point division by zero"},
        {"1 d 1.540593 d n", "3", "0.77", "Invalid floating point operation"},  // < lambda/2
        {"1 e 10 e n", "60", "0", "Floating point division by zero"},
        {"1 e 10 e n", "60", "-5", "Invalid floating point operation"},
    };
    for (const Case& c : cases) {
        std::string error = ErrorOf(std::string("t*\r\n") + c.header + "\r\n1 0 0 " + c.good +
                                             "\r\n1 1 0 " + c.bad + "\r\n1 1 1 " + c.good + "\r\n");
        EXPECT_EQ(jobs::FirstLine(error), c.first) << c.header << " / " << c.bad;
        std::string where = jobs::SecondLine(error);
        EXPECT_NE(where.find("reflection 2 (1 1 0)"), std::string::npos) << where;
        EXPECT_NE(where.find("bad.dat, line 4"), std::string::npos) << where;
    }
    // Energy data at a detector angle of 0 have no d spacing at all.
    std::string error = ErrorOf("t*\r\n1 e 0 e n\r\n1 0 0 40\r\n");
    EXPECT_EQ(jobs::FirstLine(error), "Floating point division by zero");
    EXPECT_NE(jobs::SecondLine(error).find("reflection 1 (1 0 0)"), std::string::npos) << error;
}

// A header crystal system outside 1..6 is refused before any reflection is read.
TEST(RunRefinement, RefusesAnUnknownCrystalSystem) {
    for (const char* system : {"0", "7", "-1"}) {
        std::string error = ErrorOf(std::string("t*\r\n") + system + " tt 1.5 tt n\r\n1 0 0 30\r\n");
        EXPECT_EQ(jobs::FirstLine(error).rfind("Invalid crystal system", 0), 0u) << error;
        EXPECT_NE(jobs::SecondLine(error).find("bad.dat, line 2"), std::string::npos) << error;
    }
}

}  // namespace
}  // namespace zantrel
