// Where the charts put things: a reflection's pixel in a rendered image, the band the
// report's marks use, and which reflections are marked.

#include <gtest/gtest.h>

#include <set>

#include "plot/Export.h"
#include "tests/plot/PlotData.h"

namespace zantrel::plot {
namespace {

Results ThreeReflections(Quantity minimised) {
    Results r;
    r.settings.data = Quantity::TwoTheta;
    r.settings.minimised = minimised;
    r.fit.aad = 0.004;
    for (auto [position, residual] : {std::pair{20.0, 0.002}, {40.0, -0.005}, {60.0, 0.011}}) {
        ReflectionRow row;
        row.positionObs = position;
        row.residual = residual;
        row.positionResidual = residual;
        row.marked = residual > 0.01;
        r.reflections.push_back(row);
    }
    return r;
}

// The centre of the pixels of exactly this colour inside the box around a point.
QPointF ColourCentre(const QImage& image, const QColor& colour, const QPointF& near) {
    double sx = 0, sy = 0, n = 0;
    for (int y = int(near.y()) - 12; y <= int(near.y()) + 12; ++y)
        for (int x = int(near.x()) - 12; x <= int(near.x()) + 12; ++x)
            if (image.rect().contains(x, y) && image.pixelColor(x, y) == colour) {
                sx += x + 0.5;
                sy += y + 0.5;
                n += 1;
            }
    return n > 0 ? QPointF(sx / n, sy / n) : QPointF(-100, -100);
}

// The first and last rows of a column inside the area that have the colour.
std::pair<int, int> ColourSpan(const QImage& image, const QColor& colour, int x, const QRectF& area) {
    int first = -1, last = -1;
    for (int y = int(area.top()) + 2; y < int(area.bottom()) - 1; ++y)
        if (image.pixelColor(x, y) == colour) {
            if (first < 0) first = y;
            last = y;
        }
    return {first, last};
}

// The centre of the line drawn across the band: its rows weighted by how much darker
// than the band they are (an antialiased line covers parts of two rows).
double DarkCentre(const QImage& image, int x, int top, int bottom) {
    const int band = image.pixelColor(x, top + 1).lightness();
    double sum = 0, weight = 0;
    for (int y = top + 1; y < bottom; ++y) {
        const int dark = band - image.pixelColor(x, y).lightness();
        if (dark <= 0) continue;
        sum += (y + 0.5) * dark;
        weight += dark;
    }
    return weight > 0 ? sum / weight : -1;
}

TEST(ResidualPlot, ReflectionsAndBandLandOnTheirPixelsInARender) {
    const Page page = ResultsPage(ThreeReflections(Quantity::TwoTheta));
    ASSERT_EQ(page.panels.size(), 1u);  // the data's quantity is the minimised one
    const QSize size(700, 500);
    const Colors colors = LightColors();
    const QImage image = PageImage(page, size, colors);
    const Frame frame = PageFrames(page, QRectF(0, 0, size.width(), size.height()))[0];

    const QPointF expected = frame.ToPixel(40.0, -0.005);
    const QPointF found = ColourCentre(image, colors.point, expected);
    EXPECT_NEAR(found.x(), expected.x(), 1.0);
    EXPECT_NEAR(found.y(), expected.y(), 1.0);
    // The marked reflection in the highlight colour, the others not.
    const QPointF marked = frame.ToPixel(60.0, 0.011);
    EXPECT_NEAR(ColourCentre(image, colors.marked, marked).y(), marked.y(), 1.0);
    EXPECT_EQ(ColourCentre(image, colors.marked, expected).x(), -100);

    // The band spans +-2 aad, measured in a column without markers.
    const int column = int(frame.ToPixel(30.0, 0).x());
    const auto [top, bottom] = ColourSpan(image, colors.band, column, frame.Area());
    EXPECT_NEAR(top, frame.ToPixel(30.0, 0.008).y(), 1.0);
    EXPECT_NEAR(bottom + 1, frame.ToPixel(30.0, -0.008).y(), 1.0);
    // Measured on the image alone: the zero line halves the band, and the point sits
    // 5/8 of the way from zero to the band's lower edge.
    const double zero = DarkCentre(image, column, top, bottom);
    EXPECT_NEAR(zero - top, bottom + 1 - zero, 1.0);
    EXPECT_NEAR((found.y() - zero) / (bottom + 1 - zero), 0.005 / 0.008, 0.01);

    // The mapping runs both ways, so hovering finds the reflection under the pointer.
    const auto hit = MarkerAt(page, QRectF(0, 0, size.width(), size.height()), expected + QPointF(2, 1));
    ASSERT_TRUE(hit);
    EXPECT_EQ(page.panels[0].markers[std::size_t(hit->marker)].row, 1);
}

TEST(ResidualPlot, MinimisingDNarrowsTheBandAndAddsThePanelOfTheDataQuantity) {
    const Page page = ResultsPage(ThreeReflections(Quantity::D));
    ASSERT_EQ(page.panels.size(), 2u);
    ASSERT_TRUE(page.panels[0].band);
    EXPECT_DOUBLE_EQ(page.panels[0].band->second, 1.5 * 0.004);
    EXPECT_EQ(page.panels[0].yTitle, QStringLiteral("Δd obs − calc (Å)"));
    EXPECT_EQ(page.panels[1].yTitle, QStringLiteral("Δ2θ obs − calc (°)"));
    EXPECT_EQ(page.panels[1].xTitle, QStringLiteral("2θ (°)"));
}

std::set<int> MarkedRows(const Panel& panel) {
    std::set<int> rows;
    for (const Marker& m : panel.markers)
        if (m.marked) rows.insert(m.row);
    return rows;
}

// The residual plot marks the rows the record marks, which the report bullets: the
// report of this run is the golden one, whose bullets were checked by hand.
TEST(ResidualPlot, MarkedPointsAreTheReportsBulletedRowsAndFlaggedOnesTheDiagnostics) {
    const RunReply reply = plottest::RunExample("diopside_2theta.dat");
    const Results& r = reply.results;
    EXPECT_TRUE(reply.report == testfiles::Golden("diopside_2theta.out"));
    const Page page = ResultsPage(r);
    ASSERT_EQ(page.panels.size(), 3u);
    std::set<int> bulleted;
    for (std::size_t i = 0; i < r.reflections.size(); ++i)
        if (r.reflections[i].marked) bulleted.insert(int(i));
    ASSERT_FALSE(bulleted.empty());
    EXPECT_EQ(MarkedRows(page.panels[0]), bulleted);

    std::set<int> flagged;
    for (std::size_t i = 0; i < r.diagnostics.rows.size(); ++i)
        if (r.diagnostics.rows[i].flaggedFit || r.diagnostics.rows[i].flaggedParameters) flagged.insert(int(i));
    const Panel& influence = page.panels[1];
    EXPECT_EQ(MarkedRows(influence), flagged);
    EXPECT_EQ(int(flagged.size()), r.diagnostics.FlaggedCount());
    for (const Marker& m : influence.markers) {
        const ReflectionRow& row = r.reflections[std::size_t(m.row)];
        EXPECT_EQ(m.label, m.marked ? QStringLiteral("%1 %2 %3").arg(row.h).arg(row.k).arg(row.l) : QString());
        EXPECT_DOUBLE_EQ(m.x, r.diagnostics.rows[std::size_t(m.row)].leverage);
    }
    EXPECT_EQ(influence.xLimits, std::vector<double>{r.diagnostics.leverageLimit});
}

}  // namespace
}  // namespace zantrel::plot
