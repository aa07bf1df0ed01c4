// Axis numbers and labels as a reader sees them in the SVG: every tick label says its
// tick's value, and the hkl labels never cover one another or leave their panel.

#include <gtest/gtest.h>

#include <QFontMetricsF>
#include <QRegularExpression>
#include <QXmlStreamReader>
#include <cmath>
#include <random>

#include "plot/Axis.h"
#include "plot/Export.h"
#include "tests/plot/PlotData.h"

namespace zantrel::plot {
namespace {

struct SvgText {
    QString text;
    QPointF at;  // the baseline's start, in page pixels (the straight texts only)
};

// The texts that Qt writes untransformed; the turned y title is left out.
std::vector<SvgText> StraightTexts(const std::string& bytes) {
    std::vector<SvgText> texts;
    QXmlStreamReader xml(QByteArray::fromStdString(bytes));
    std::vector<bool> turned{false};
    while (!xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::EndElement && xml.name() == QStringLiteral("g")) turned.pop_back();
        if (token != QXmlStreamReader::StartElement) continue;
        const QXmlStreamAttributes a = xml.attributes();
        if (xml.name() == QStringLiteral("g")) {
            const QString t = a.value("transform").toString();
            turned.push_back(!t.isEmpty() && t != QStringLiteral("matrix(1,0,0,1,0,0)"));
        } else if (xml.name() == QStringLiteral("text") && !turned.back()) {
            const QPointF at(a.value("x").toDouble(), a.value("y").toDouble());
            texts.push_back({xml.readElementText(), at});
        }
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    return texts;
}

double Number(QString text) { return text.replace(QChar(0x2212), QLatin1Char('-')).toDouble(); }

// "a (Å): 5.431 + tick × 10⁻⁶" -> {5.431, 1e-6}; no note -> {0, 1}.
std::pair<double, double> Offset(const QString& title) {
    static const QRegularExpression note(QStringLiteral(": (\\S+) \\+ tick(?: × 10(⁻?)([⁰¹²³⁴⁵⁶⁷⁸⁹]+))?"));
    const auto m = note.match(title);
    if (!m.hasMatch()) return {0, 1};
    int power = 0;
    for (QChar c : m.captured(3)) power = power * 10 + int(QStringLiteral("⁰¹²³⁴⁵⁶⁷⁸⁹").indexOf(c));
    return {Number(m.captured(1)), std::pow(10.0, m.captured(2).isEmpty() ? power : -power)};
}

bool RoundStep(double step) {
    const double magnitude = std::pow(10.0, std::floor(std::log10(step) + 1e-9));
    const double f = step / magnitude;
    return std::any_of(std::begin({1.0, 2.0, 2.5, 5.0}), std::end({1.0, 2.0, 2.5, 5.0}),
                       [&](double g) { return std::abs(f - g) < 1e-6; });
}

// The x labels of a one-panel page read back from its SVG: each is centred on its tick.
TEST(AxisLabels, ReadBackFromTheSvgTheyAreDistinctEvenlySpacedAndSitOnTheirTicks) {
    const auto gui = StartHeadlessGui();
    const QFontMetricsF metrics(PageFont());
    for (double f : {1.0, 2.0, 2.5, 5.0})
        for (int n = -6; n <= 3; ++n)
            for (double base : {0.0, -3.3, 5.431, 1234.0}) {
                const double step = f * std::pow(10.0, n);
                Page page;
                Panel panel = TitledPanel(QStringLiteral("t"), QStringLiteral("x"), QStringLiteral("y"));
                panel.zeroLine = false;
                panel.xMin = base * std::pow(10.0, n) - 0.3 * step;
                panel.xMax = panel.xMin + 5.7 * step;
                panel.yMin = 0, panel.yMax = 1;
                page.panels.push_back(panel);
                const QSize size(700, 300);
                const Frame frame = PageFrames(page, QRectF(0, 0, 700, 300))[0];
                const std::vector<SvgText> texts = StraightTexts(PageSvg(page, size).toStdString());
                std::vector<double> values, centres;
                QString title;
                for (const SvgText& t : texts) {
                    const double below = t.at.y() - frame.Area().bottom();
                    if (below > 6 && below < 22) {
                        values.push_back(Number(t.text));
                        centres.push_back(t.at.x() + metrics.horizontalAdvance(t.text) / 2);
                    } else if (below >= 22 && t.text.startsWith(QLatin1Char('x'))) {
                        title = t.text;
                    }
                }
                const auto [offset, scale] = Offset(title);
                SCOPED_TRACE(QStringLiteral("step %1 base %2 title %3").arg(step).arg(base).arg(title).toStdString());
                ASSERT_GE(values.size(), 3u);
                const double spacing = values[1] - values[0];
                for (std::size_t i = 0; i < values.size(); ++i) {
                    if (i > 0) EXPECT_NEAR(values[i] - values[i - 1], spacing, 1e-9 * std::abs(spacing));
                    const double value = offset + values[i] * scale;
                    // Half a pixel of data either way: the label says the value of its tick.
                    EXPECT_NEAR(frame.ToData(QPointF(centres[i], 0)).x(), value, 0.5 * step / 80);
                }
                EXPECT_GT(spacing, 0);
                EXPECT_TRUE(RoundStep(spacing * scale)) << spacing * scale;
            }
}

// Over many generated ranges the labels parse back to their ticks exactly.
TEST(AxisLabels, OverGeneratedRangesEveryLabelIsItsTicksValue) {
    std::mt19937 random(24);
    std::uniform_real_distribution<double> unit(0, 1);
    for (int i = 0; i < 20000; ++i) {
        const double span = std::pow(10.0, -7 + 11 * unit(random));
        const double low = (unit(random) - 0.3) * span * std::pow(10.0, 6 * unit(random));
        const bool integers = i % 5 == 0 && span >= 1;  // a count axis spans one at least
        const int target = 2 + i % 7;
        const Axis axis = AxisOf(low, low + span, target, integers);
        SCOPED_TRACE(QStringLiteral("low %1 span %2 target %3").arg(low, 0, 'g', 17).arg(span).arg(target).toStdString());
        ASSERT_FALSE(axis.ticks.empty());
        ASSERT_EQ(axis.labels.size(), qsizetype(axis.ticks.size()));
        const auto [offset, scale] = Offset(axis.titleNote);
        const double step = axis.ticks.size() > 1 ? axis.ticks[1] - axis.ticks[0] : span;
        for (std::size_t k = 0; k < axis.ticks.size(); ++k) {
            EXPECT_GE(axis.ticks[k], low - 1e-9 * step);
            EXPECT_LE(axis.ticks[k], low + span + 1e-9 * step);
            EXPECT_NEAR(offset + Number(axis.labels[qsizetype(k)]) * scale, axis.ticks[k], 1e-6 * step);
            if (k > 0) EXPECT_NE(axis.labels[qsizetype(k)], axis.labels[qsizetype(k - 1)]);
            if (integers) EXPECT_EQ(axis.ticks[k], std::round(axis.ticks[k]));
            EXPECT_FALSE(axis.labels[qsizetype(k)].contains(QLatin1Char('-')));  // the titles' minus
        }
        if (axis.ticks.size() > 1) EXPECT_TRUE(integers ? step >= 1 : RoundStep(step)) << step;
        EXPECT_LE(axis.ticks.size(), std::size_t(target) + 2);
    }
}

// The hkl labels of the examples: no two boxes meet, and each stays in one plot area.
TEST(HklLabels, NeverCoverOneAnotherNorLeaveTheirPanel) {
    const auto gui = StartHeadlessGui();
    const QFontMetricsF metrics(PageFont());
    const QRegularExpression hkl(QStringLiteral("^-?\\d+ -?\\d+ -?\\d+$"));
    for (const char* name : {"albite_2theta.dat", "diopside_2theta.dat", "rutile_mo_over200.dat"}) {
        SCOPED_TRACE(name);
        const Results r = plottest::RefineExample(name);
        const std::vector<Frame> frames = PageFrames(ResultsPage(r), QRectF(QPointF(0, 0), QSizeF(PageSize)));
        std::vector<QRectF> boxes;
        for (const SvgText& t : StraightTexts(ResultsSvg(r))) {
            if (!hkl.match(t.text).hasMatch()) continue;
            const QRectF box(t.at.x(), t.at.y() - metrics.ascent(), metrics.horizontalAdvance(t.text),
                             metrics.ascent() + metrics.descent());
            EXPECT_TRUE(std::any_of(frames.begin(), frames.end(), [&](const Frame& f) { return f.Area().contains(box); }))
                << t.text.toStdString();
            for (const QRectF& other : boxes) EXPECT_FALSE(other.intersects(box)) << t.text.toStdString();
            boxes.push_back(box);
        }
        EXPECT_GE(boxes.size(), 10u);  // the rule leaves room for many
    }
}

}  // namespace
}  // namespace zantrel::plot

namespace zantrel::plot {
namespace {

// The page names its data by the title, which files write in UTF-8 or Windows-1252.
TEST(PageHeading, TitlesOfEitherEncodingReadTheSame) {
    Results r;
    r.title = "Corundum \xC5 scale ";
    EXPECT_EQ(TitleText(r), QStringLiteral("Corundum Å scale"));
    r.title = "Corundum \xC3\x85 scale";
    EXPECT_EQ(TitleText(r), QStringLiteral("Corundum Å scale"));
}

}  // namespace
}  // namespace zantrel::plot
