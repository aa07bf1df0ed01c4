#include "cli/SeriesCsv.h"

#include <cmath>
#include <cstdlib>
#include <optional>
#include <stdexcept>

namespace zantrel::cli {

CsvTable ParseCsv(const std::string& text) {
    CsvTable table;
    std::vector<std::string> row;
    std::string field;
    bool quoted = false, any = false;
    auto endRow = [&] {
        row.push_back(field);
        field.clear();
        if (table.header.empty()) table.header = row;
        else if (!(row.size() == 1 && row[0].empty())) table.rows.push_back(row);
        row.clear();
        any = false;
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') field += '"', ++i;
            else if (c == '"') quoted = false;
            else field += c;
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            row.push_back(field);
            field.clear();
        } else if (c == '\n') {
            endRow();
        } else if (c != '\r') {
            field += c;
            any = true;
        }
    }
    if (quoted) throw std::runtime_error("a quoted field runs to the end of the table");
    if (any || !row.empty()) endRow();
    return table;
}

namespace {

std::optional<std::size_t> Column(const CsvTable& t, const std::string& name) {
    for (std::size_t i = 0; i < t.header.size(); ++i)
        if (t.header[i] == name) return i;
    return std::nullopt;
}

std::optional<double> NumberIn(const std::vector<std::string>& row, std::optional<std::size_t> column) {
    if (!column || *column >= row.size() || row[*column].empty()) return std::nullopt;
    const char* start = row[*column].c_str();
    char* end = nullptr;
    const double x = std::strtod(start, &end);
    if (end == start || *end != '\0' || !std::isfinite(x)) return std::nullopt;
    return x;
}

}  // namespace

Series ReadSeries(const CsvTable& volumes, const CsvTable& pressures, const std::string& pressureColumn,
                  const std::string& axis) {
    Series s;
    s.pressureColumn = pressureColumn;
    s.axis = axis;
    if (s.pressureColumn.empty())
        for (const std::string& h : pressures.header)
            if (h.rfind("pressure_", 0) == 0 && h != "pressure_spread") {
                s.pressureColumn = h;
                break;
            }
    if (s.pressureColumn.empty()) throw std::runtime_error("no pressure column: name one with --pressure-column");
    if (pressures.rows.size() != volumes.rows.size())
        throw std::runtime_error("the pressures' table has " + std::to_string(pressures.rows.size()) + " rows, the volumes' " +
                                 std::to_string(volumes.rows.size()));
    const std::string volumeColumn = axis.empty() ? "volume" : axis;
    const auto p = Column(pressures, s.pressureColumn), v = Column(volumes, volumeColumn);
    if (!p) throw std::runtime_error("no column " + s.pressureColumn);
    if (!v) throw std::runtime_error("no column " + volumeColumn);
    const auto sp = Column(pressures, "sigma_" + s.pressureColumn), sv = Column(volumes, "sigma_" + volumeColumn);
    const auto status = Column(volumes, "status"), pressureStatus = Column(pressures, "status");
    const auto file = Column(volumes, "file"), a = Column(volumes, "a"), sa = Column(volumes, "sigma_a");
    auto ok = [](const std::vector<std::string>& row, std::optional<std::size_t> column) {
        return !column || (*column < row.size() && row[*column] == "ok");
    };
    for (std::size_t i = 0; i < volumes.rows.size(); ++i) {
        const auto &row = volumes.rows[i], &prow = pressures.rows[i];
        if (!ok(row, status) || !ok(prow, pressureStatus)) continue;
        const std::optional<double> pv = NumberIn(prow, p), vv = NumberIn(row, v);
        if (!pv || !vv) continue;
        const double x = *vv, sx = NumberIn(row, sv).value_or(0);
        if (axis.empty()) s.points.push_back({*pv, NumberIn(prow, sp).value_or(0), x, sx});
        else s.points.push_back({*pv, NumberIn(prow, sp).value_or(0), x * x * x, 3 * x * x * sx});
        s.files.push_back(file && *file < row.size() ? row[*file] : "");
        s.a.push_back(NumberIn(row, a).value_or(0));
        s.sigmaA.push_back(NumberIn(row, sa).value_or(0));
    }
    return s;
}

}  // namespace zantrel::cli
