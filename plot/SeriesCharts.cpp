// The refined parameters across a series of files.

#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <array>
#include <cmath>
#include <set>

#include "cell/CrystalSystems.h"
#include "plot/Charts.h"

namespace zantrel::plot {

namespace {

struct NameNumber {
    double value = 0;
    QString unit;  // the letters right after it: "K" of silicon_300K
};

// The last number in the file's name without its folder and extension.
std::optional<NameNumber> NumberInName(const std::string& file) {
    const QRegularExpression number(QStringLiteral("(\\d+(?:\\.\\d+)?)([A-Za-z]*)"));
    const QString stem = QFileInfo(QString::fromStdString(file)).completeBaseName();
    std::optional<NameNumber> last;
    for (auto it = number.globalMatch(stem); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        last = NameNumber{m.captured(1).toDouble(), m.captured(2)};
    }
    return last;
}

// Each run's x: the numbers of the names when every refined run has a different one.
std::vector<double> SeriesAxis(const std::vector<SeriesRun>& runs, QString& title) {
    std::vector<double> order, numbers;
    std::set<double> distinct;
    QString unit;
    bool named = true;
    for (std::size_t i = 0; i < runs.size(); ++i) {
        order.push_back(double(i + 1));
        if (!runs[i].results) {
            numbers.push_back(0);
            continue;
        }
        const auto n = NumberInName(runs[i].file);
        named = named && n && distinct.insert(n->value).second;
        numbers.push_back(n ? n->value : 0);
        if (n && unit.isEmpty()) unit = n->unit;
    }
    if (named && distinct.size() > 1) {
        title = unit.isEmpty() ? QStringLiteral("number in file name")
                               : QStringLiteral("number in file name (%1)").arg(unit);
        return numbers;
    }
    title = QStringLiteral("file no");
    return order;
}

const std::array<QString, 6> CellTitles = {QStringLiteral("a (Å)"), QStringLiteral("b (Å)"),
                                           QStringLiteral("c (Å)"), QStringLiteral("α (°)"),
                                           QStringLiteral("β (°)"), QStringLiteral("γ (°)")};

// The cell values that some run's system refines on its own (b of a cubic cell is a).
std::vector<std::size_t> RefinedCellValues(const std::vector<SeriesRun>& runs) {
    std::set<std::size_t> used;
    for (const SeriesRun& run : runs) {
        if (!run.results) continue;
        const auto& layout = LayoutOf(run.results->systemRefined).conventional;
        std::set<int> seen;
        for (std::size_t k = 0; k < 6; ++k)
            if (layout[k].slot != 0 && seen.insert(layout[k].slot).second) used.insert(k);
    }
    return {used.begin(), used.end()};
}

Marker SeriesMarker(double x, double value, double sigma, std::size_t run) {
    Marker m;
    m.x = x;
    m.y = value;
    m.errorY = sigma;
    m.row = int(run);
    return m;
}

}  // namespace

Page SeriesPage(const std::vector<SeriesRun>& runs) {
    Page page;
    page.columns = 2;
    QString xTitle;
    const std::vector<double> x = SeriesAxis(runs, xTitle);
    auto addPanel = [&](const QString& yTitle, auto valueOf) {
        Panel panel;
        panel.title = yTitle.section(QLatin1Char(' '), 0, 0);
        panel.xTitle = xTitle;
        panel.yTitle = yTitle;
        panel.zeroLine = false;
        panel.xIntegers = std::all_of(x.begin(), x.end(), [](double v) { return v == std::floor(v); });
        for (std::size_t i = 0; i < runs.size(); ++i)
            if (runs[i].results) {
                const auto [value, sigma] = valueOf(*runs[i].results);
                panel.markers.push_back(SeriesMarker(x[i], double(value), double(sigma), i));
            }
        FitRanges(panel);
        page.panels.push_back(std::move(panel));
    };
    for (std::size_t k : RefinedCellValues(runs))
        addPanel(CellTitles[k], [k](const Results& r) {
            return std::make_pair(r.cell[k].value, r.cell[k].sigma.value_or(0));
        });
    addPanel(QStringLiteral("V (Å³)"),
             [](const Results& r) { return std::make_pair(r.volume.value, r.volume.sigma); });
    return page;
}

}  // namespace zantrel::plot
