// The command line's exclusions, weightings and comparison: what each document says
// of them, and the usage errors that stop a batch before it starts.

#include <gtest/gtest.h>

#include "cli/CliRun.h"

using namespace zantrel;
using namespace zantrel::clitest;

namespace {

class ObservationOptions : public CliFolder {};

std::size_t ColumnOf(const std::vector<std::string>& header, const std::string& name) {
    for (std::size_t i = 0; i < header.size(); ++i)
        if (header[i] == name) return i;
    return header.size();
}

}  // namespace

TEST_F(ObservationOptions, ExclusionsAreNamedInEveryDocument) {
    Write("si.dat", Example("silicon_2theta.dat"));
    ASSERT_EQ(Run("--exclude \"4 0 0\" --exclude-row 2 --json --summary s.csv si.dat"), 0) << err_;
    EXPECT_NE(Read("si.out").find("\r\nexcluded from the fit: row 2 (2 2 0), row 4 (4 0 0)\r\n"), std::string::npos);
    const auto rows = ReadCsv(Read("s.csv"));
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1][ColumnOf(rows[0], "n_excluded")], "2");
    EXPECT_EQ(rows[1][ColumnOf(rows[0], "n_reflections")], "9");
    const std::string json = Read("si.json");
    EXPECT_NE(json.find("\"excluded\": ["), std::string::npos);
    EXPECT_NE(json.find("{\"row\": 2, \"h\": 2, \"k\": 2, \"l\": 0, \"value\": 47.303}"), std::string::npos) << json;
}

TEST_F(ObservationOptions, CompareWithoutFlaggedPrintsBothCells) {
    Write("si.dat", Example("silicon_2theta.dat"));
    ASSERT_EQ(Run("--compare-without-flagged si.dat"), 0) << err_;
    EXPECT_NE(out_.find("si.dat: without the 3 flagged reflections: row 3 (3 1 1), row 10 (6 2 0), row 11 (5 3 3)\n"),
              std::string::npos)
        << out_;
    EXPECT_NE(out_.find("change/sigma\n         a     5.430999"), std::string::npos) << out_;
}

TEST_F(ObservationOptions, BadValuesAreUsageErrors) {
    Write("si.dat", Example("silicon_2theta.dat"));
    for (const char* options : {"--exclude \"1 1\"", "--exclude \"0 0 0\"", "--exclude-row 0", "--sigma-2theta 0",
                                "--sigma-d-relative 1", "--sigma-2theta 0.01 --sigma-column"}) {
        SCOPED_TRACE(options);
        EXPECT_EQ(Run(std::string(options) + " si.dat"), 2);
        EXPECT_FALSE(fs::exists(dir_ / "si.out"));
    }
    // A reflection the file does not have fails that file, with the count it has.
    EXPECT_EQ(Run("--exclude \"9 9 9\" si.dat"), 1);
    EXPECT_NE(err_.find("si.dat has 11 reflection lines and none for (9 9 9)"), std::string::npos) << err_;
}
