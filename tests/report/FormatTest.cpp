// Report fields: widths, decimals, rounding of the stored binary value, signs.

#include <gtest/gtest.h>

#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <random>
#include <string>

#include "export/Format.h"
#include "export/ReportFile.h"

using namespace zantrel;

TEST(FixedField, RightJustifiesAndWidensButNeverCuts) {
    EXPECT_EQ(FixedField(1.540593, 9, 6), " 1.540593");
    EXPECT_EQ(FixedField(5.431, 10, 5), "   5.43100");
    EXPECT_EQ(FixedField(10000.0, 10, 5), "10000.00000");  // one character too wide
    EXPECT_EQ(FixedField(-123456.5, 6, 1), "-123456.5");
}

TEST(FixedField, RoundsTheStoredBinaryValueCorrectly) {
    // 0.125 is exact in binary: a true tie, to even. 0.0005 is stored just above
    // 5e-4 (0.000500000000000000010408...), so it rounds up; 2.675 is stored below.
    EXPECT_EQ(FixedField(0.125, 0, 2), "0.12");
    EXPECT_EQ(FixedField(0.375, 0, 2), "0.38");
    EXPECT_EQ(FixedField(0.0005, 0, 3), "0.001");
    EXPECT_EQ(FixedField(2.675, 0, 2), "2.67");
}

TEST(FixedField, NegativeValuesRoundingToZeroKeepTheirSign) {
    EXPECT_EQ(FixedField(-0.0000004, 10, 5), "  -0.00000");
    EXPECT_EQ(FixedField(-0.0004, 7, 3), " -0.000");
    EXPECT_EQ(FixedField(-0.0, 7, 3), "  0.000");  // a zero has no sign to keep
}

// The digits are formed by integer arithmetic; the library's conversion is the reference.
TEST(FixedField, AgreesWithTheLibraryOnRandomValuesTiesAndTinyOnes) {
    std::mt19937_64 random(12);
    std::uniform_real_distribution<double> mantissa(-1, 1);
    std::uniform_int_distribution<int> exponent(-70, 40), decimals(0, 9);
    auto reference = [](long double x, int d) {
        char buffer[400];
        auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, x == 0 ? 0.0L : x, std::chars_format::fixed, d);
        return std::string(buffer, end);
    };
    for (int i = 0; i < 200000; ++i) {
        const int d = decimals(random);
        long double x = std::ldexp(static_cast<long double>(mantissa(random)), exponent(random));
        if (i % 3 == 1) x = x / 3;                                       // a long double that is no double
        if (i % 3 == 2) x = std::nearbyint(x * 1e4L) / 1e4L + 0.5e-4L;   // near or on a tie at 4 decimals
        ASSERT_EQ(FixedText(x, d), reference(x, d)) << double(x) << " to " << d;
    }
    EXPECT_EQ(FixedText(0x1p-80L, 9), "0.000000000");
    EXPECT_EQ(FixedText(-0x1p-80L, 3), "-0.000");
    EXPECT_EQ(FixedText(0x1p70L, 1), reference(0x1p70L, 1));  // beyond 2^64: the library
}

TEST(FixedField, IgnoresTheUserLocale) {
    // A German locale would write a decimal comma through printf. tools/install-deps.sh
    // generates it; without it this test would prove nothing, so it says so and skips.
    if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") == nullptr)
        GTEST_SKIP() << "the de_DE.UTF-8 locale is not installed (tools/install-deps.sh generates it)";
    char printed[16];
    std::snprintf(printed, sizeof printed, "%.2f", 1.5);
    const std::string formatted = FixedField(1.5, 5, 2);
    std::setlocale(LC_NUMERIC, "C");
    ASSERT_STREQ(printed, "1,50") << "the locale is active";
    EXPECT_EQ(formatted, " 1.50");
}

TEST(RoundedField, TakesHalvesToTheEvenNeighbour) {
    EXPECT_EQ(RoundedField(32.5, 9), "       32");
    EXPECT_EQ(RoundedField(33.5, 9), "       34");
    EXPECT_EQ(RoundedField(32.6, 9), "       33");
    EXPECT_EQ(RoundedField(-0.4, 9), "        0");
    EXPECT_EQ(RoundedField(-2.5, 9), "       -2");
    EXPECT_EQ(RoundedField(-0.5, 9), "        0");  // to the even zero, without a sign
}

TEST(StrAndIntFields, PadOnTheLeftOnly) {
    EXPECT_EQ(StrField("beta", 10), "      beta");
    EXPECT_EQ(StrField("correlations", 9), "correlations");
    EXPECT_EQ(IntField(-3, 4), "  -3");
    EXPECT_EQ(IntField(1000000000, 4), "1000000000");
}

TEST(TitleToWindows1252, ConvertsUtf8TitlesAndKeepsOtherBytes) {
    EXPECT_EQ(TitleToWindows1252("\xEF\xBB\xBFQuartz"), "Quartz");           // the mark goes
    EXPECT_EQ(TitleToWindows1252("Ni\xE2\x82\x83" "Al \xC3\x85"), "Ni?Al \xC5");  // subscript 3 has no byte
    EXPECT_EQ(TitleToWindows1252("\xE2\x80\x9C" "x" "\xE2\x80\x9D"), "\x93x\x94");
    EXPECT_EQ(TitleToWindows1252("caf\xE9 25\xB0"), "caf\xE9 25\xB0");  // already Windows-1252
}
