// zantrel-cli index: the indexed data file refines to the report written beside it,
// outputs never replace a file zantrel-cli did not write, and a series whose cell
// drifts beyond the tolerance stays indexed with --sequential.

#include <cmath>
#include <cstdio>

#include "cli/CliRun.h"
#include "indexing/Lines.h"

namespace zantrel::clitest {
namespace {

using IndexCli = CliFolder;

// Diamond-structure lines of a cell edge a at Cu Ka1, to three decimals, with one
// impurity peak.
std::string SiliconPeaks(double a) {
    indexing::Conversion c{Quantity::TwoTheta, 1.540593, 10};
    std::string out = "# wavelength = 1.540593\n", last;
    for (const indexing::Reflection& r : indexing::AllowedReflections({a, a, a, 90, 90, 90}, "F d -3 m", 0.85)) {
        char line[64];
        std::snprintf(line, sizeof line, "%.3f 100\n", *c.PositionOf(r.d));
        if (line != last) out += line;  // 3 3 3 and 5 1 1 are one peak
        last = line;
    }
    return out + "33.100 20\n";
}

TEST_F(IndexCli, TheIndexedDataFileRefinesToItsReport) {
    Write("si.txt", SiliconPeaks(5.4309));
    ASSERT_EQ(Run("index --cell 5.43,5.43,5.43,90,90,90 --space-group 'F d -3 m' --json --plot --summary sum.csv si.txt"), 0) << err_;
    EXPECT_NE(out_.find("(1 unassigned, 0 ambiguous)"), std::string::npos) << out_;
    const std::string data = Read("si.indexed.dat");
    EXPECT_NE(data.find("peaks indexed by Zantrel*\r\n1 tt 1.540593 tt n\r\n"), std::string::npos) << data;
    EXPECT_NE(data.find("   0   0   0\r\n! unassigned 33.1\r\n"), std::string::npos) << data;
    ASSERT_EQ(Run("-o again.out si.indexed.dat"), 0) << err_;
    EXPECT_EQ(Read("again.out"), Read("si.indexed.out"));
    EXPECT_NE(Read("si.indexed.json").find("\"space_group\": \"F d -3 m:1\""), std::string::npos);
    EXPECT_NE(Read("si.indexed.svg").find("<!-- written by zantrel-cli -->"), std::string::npos);
    EXPECT_NE(Read("sum.csv").find(",m20,f_n,n_peaks,n_unassigned,n_ambiguous\n"), std::string::npos);
    // A second run replaces what the first wrote.
    EXPECT_EQ(Run("index --cell 5.43,5.43,5.43,90,90,90 --space-group 227 --json --plot --summary sum.csv si.txt"), 0) << err_;
}

// A list's sigmas weight the fit and travel with the indexed file, which refines again to
// the same report; a list without them is refused before any output.
TEST_F(IndexCli, ThePeaksSigmasWeightTheFitAndStayInTheIndexedFile) {
    std::string peaks = SiliconPeaks(5.4309), withSigma;
    for (std::size_t at = 0, end; (end = peaks.find('\n', at)) != std::string::npos; at = end + 1) {
        const std::string line = peaks.substr(at, end - at);
        withSigma += line + (line[0] == '#' ? "\n" : " 0.012\n");
    }
    Write("si.txt", withSigma);
    Write("bare.txt", peaks);
    ASSERT_EQ(Run("index --cell 5.43,5.43,5.43,90,90,90 --space-group 227 --sigma-column si.txt"), 0) << err_;
    EXPECT_NE(Read("si.indexed.dat").find("   1   1   1  28.443 0.012   ! indexed\r\n"), std::string::npos)
        << Read("si.indexed.dat");
    EXPECT_NE(Read("si.indexed.out").find("Weighted by the sigma given after each observation"), std::string::npos);
    ASSERT_EQ(Run("--sigma-column -o again.out si.indexed.dat"), 0) << err_;
    EXPECT_EQ(Read("again.out"), Read("si.indexed.out"));
    EXPECT_EQ(Run("index --cell 5.43,5.43,5.43,90,90,90 --space-group 227 --sigma-column bare.txt"), 1);
    EXPECT_NE(err_.find("has no positive sigma to weight it by"), std::string::npos) << err_;
    EXPECT_FALSE(std::filesystem::exists(Path("bare.indexed.dat")));
}

TEST_F(IndexCli, NoOutputReplacesAFileItDidNotWrite) {
    Write("si.txt", SiliconPeaks(5.4309));
    Write("si.indexed.dat", "my own hand-indexed file\n");
    EXPECT_EQ(Run("index --cell 5.43,5.43,5.43,90,90,90 --space-group 'F d -3 m' si.txt"), 2);
    EXPECT_NE(err_.find("si.indexed.dat (the indexed data of si.txt) exists and was not written by zantrel-cli"), std::string::npos) << err_;
    EXPECT_EQ(Read("si.indexed.dat"), "my own hand-indexed file\n");
    EXPECT_EQ(Run("index --cell 5.43,5.43,5.43,90,90,90 --space-group 'F d -3 m' --force si.txt"), 0) << err_;
    EXPECT_EQ(Run("index --cell 5.43,5.43,5.43,90,90,90 si.txt"), 2);
    EXPECT_NE(err_.find("--cell needs --space-group"), std::string::npos);
}

TEST_F(IndexCli, ASeriesDriftingBeyondTheToleranceStaysIndexedWithSequential) {
    // 0.3 % a step: past the first files the drift is more than the search of a common factor reaches.
    std::string files;
    for (int i = 0; i < 8; ++i) {
        const std::string name = "p" + std::to_string(i) + ".txt";
        Write(name, SiliconPeaks(5.4309 * (1 + 0.003 * i)));
        files += " " + name;
    }
    EXPECT_EQ(Run("index -j 1 --cell 5.4309,5.4309,5.4309,90,90,90 --space-group 'F d -3 m'" + files), 1);
    EXPECT_NE(err_.find("p7.txt: no stable assignment"), std::string::npos) << err_;
    ASSERT_EQ(Run("index --sequential --json --cell 5.4309,5.4309,5.4309,90,90,90 --space-group 'F d -3 m'" + files), 0) << err_;
    EXPECT_NE(Read("p7.indexed.json").find("\"trial_cell_source\": \"the refined cell of p6.txt\""), std::string::npos);
    EXPECT_NE(Read("p7.indexed.out").find("5.5"), std::string::npos);
}

}  // namespace
}  // namespace zantrel::clitest
