// The summary table read back for `eos`, and the pressure columns written into it:
// quoting, rows that did not refine, and tables that do not line up.

#include <gtest/gtest.h>

#include "cli/SeriesCsv.h"
#include "eos/JsonValue.h"
#include "export/Documents.h"

namespace zantrel::cli {
namespace {

TEST(SeriesCsv, QuotedFieldsFailedRowsAndACalibrantsTable) {
    const CsvTable t = ParseCsv(
        "file,volume,sigma_volume,a,sigma_a,status\r\n"
        "\"a,1.dat\",70,0.01,4.12,0.001,ok\r\n"
        "b.dat,,,,,\"File not found; in \"\"b.dat\"\"\"\r\n"
        "c.dat,65,0.02,4.02,0.002,ok\n");
    ASSERT_EQ(t.rows.size(), 3u);
    EXPECT_EQ(t.rows[0][0], "a,1.dat");
    EXPECT_EQ(t.rows[1][5], "File not found; in \"b.dat\"");
    const CsvTable p = ParseCsv("file,pressure_au,sigma_pressure_au,status\nx,1.5,0.1,ok\ny,2,0.1,ok\nz,3.5,0.2,ok\n");
    const Series s = ReadSeries(t, p, "");
    ASSERT_EQ(s.points.size(), 2u);  // the row that failed is left out
    EXPECT_EQ(s.pressureColumn, "pressure_au");
    EXPECT_DOUBLE_EQ(s.points[1].pressure, 3.5);
    EXPECT_DOUBLE_EQ(s.points[1].sigmaPressure, 0.2);
    EXPECT_DOUBLE_EQ(s.points[1].volume, 65);
    const Series axis = ReadSeries(t, p, "", "a");
    EXPECT_DOUBLE_EQ(axis.points[0].volume, 4.12 * 4.12 * 4.12);
    EXPECT_DOUBLE_EQ(axis.points[0].sigmaVolume, 3 * 4.12 * 4.12 * 0.001);
    EXPECT_THROW(ReadSeries(t, ParseCsv("pressure_au\n1\n"), ""), std::runtime_error);  // rows do not line up
    EXPECT_THROW(ReadSeries(t, t, ""), std::runtime_error);                           // no pressure column
    EXPECT_THROW(ParseCsv("a,b\n\"open,1\n"), std::runtime_error);
}

TEST(SeriesCsv, PressureColumnsKeepEveryRowTheHeadersWidth) {
    FileResult ok, refused, failed;
    ok.file = "ok.dat", ok.status = RunStatus::Ok, ok.refined = true;
    ok.pressure = PressureRecord{300, 0, {{"au", "r", 10.0, 0.1, 0.0, 200.0, ""}, {"pt", "r", 10.5, 0.1, 0.0, 300.0, ""}}};
    refused = ok, refused.file = "refused.dat";
    refused.pressure->scales[1] = {"pt", "r", {}, {}, {}, {}, "pt: outside the range"};
    failed.file = "failed.dat", failed.error = "File not found";
    const CsvTable t = ParseCsv(SummaryCsv({ok, refused, failed}, {"au", "pt"}));
    ASSERT_EQ(t.rows.size(), 3u);
    for (const auto& row : t.rows) EXPECT_EQ(row.size(), t.header.size()) << row[0];
    // The spread, then n_excluded, the last column.
    const std::size_t spread = t.header.size() - 2;
    EXPECT_EQ(t.header[spread], "pressure_spread");
    EXPECT_EQ(t.rows[0][spread], "0.5");
    EXPECT_EQ(t.rows[1][spread], "0");  // one scale left: no spread to speak of but its own
    EXPECT_EQ(t.rows[1][spread - 2], "");
    EXPECT_EQ(t.rows[2][spread], "");
}

TEST(ScaleJson, MalformedTextIsRefusedWithItsOffset) {
    EXPECT_EQ(eos::ParseJson(R"({"a": [1, -2.5e3, true, false, null, "x\"y"]})").Find("a")->array[5].string, "x\"y");
    EXPECT_FALSE(eos::ParseJson("[false]").array[0].boolean);
    EXPECT_TRUE(eos::ParseJson("[true]").array[0].boolean);
    for (const char* bad : {"{\"a\": 1,}", "[1 2]", "{\"a\" 1}", "\"\\u0041\"", "[1] x", "[1e999]", "\"open"})
        EXPECT_THROW(eos::ParseJson(bad), std::runtime_error) << bad;
    EXPECT_THROW(eos::ParseJson(std::string(100, '[') + std::string(100, ']')), std::runtime_error);
}

}  // namespace
}  // namespace zantrel::cli
