// The plots as files: the SVG read back, rendered by another program, the series of
// a batch, and zantrel-cli --plot without a display.

#include <gtest/gtest.h>

#include <QXmlStreamReader>
#include <cmath>

#include "export/Origin.h"
#include "plot/Export.h"
#include "tests/plot/PlotData.h"

namespace zantrel::plot {
namespace {

namespace fs = std::filesystem;

struct SvgContent {
    std::vector<QPointF> circles;
    std::vector<QLineF> lines;  // two-point polylines
    QStringList texts;  // each <text>, and the pieces of a group joined
};

SvgContent ReadSvg(const std::string& bytes) {
    SvgContent svg;
    QXmlStreamReader xml(QByteArray::fromStdString(bytes));
    // Qt writes a text that mixes scripts ("Δ2θ obs") as pieces, one per script, in
    // one group.
    QStringList pieces;
    auto endGroup = [&] {
        if (pieces.size() > 1) svg.texts << pieces.join(QString()).trimmed();
        pieces.clear();
    };
    while (!xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::EndElement && xml.name() == QStringLiteral("g")) endGroup();
        if (token != QXmlStreamReader::StartElement) continue;
        const QXmlStreamAttributes a = xml.attributes();
        if (xml.name() == QStringLiteral("circle")) {
            svg.circles.emplace_back(a.value("cx").toDouble(), a.value("cy").toDouble());
        } else if (xml.name() == QStringLiteral("polyline")) {
            const QStringList points = a.value("points").toString().split(' ', Qt::SkipEmptyParts);
            if (points.size() != 2) continue;
            const QStringList p = points[0].split(','), q = points[1].split(',');
            svg.lines.emplace_back(p[0].toDouble(), p[1].toDouble(), q[0].toDouble(), q[1].toDouble());
        } else if (xml.name() == QStringLiteral("text")) {
            pieces << xml.readElementText();
            svg.texts << pieces.back().trimmed();
        }
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    return svg;
}

class PlotFiles : public clitest::CliFolder {};

TEST_F(PlotFiles, ResultsSvgHasAMarkerPerReflectionTheFlaggedLabelsAndUnitsAndRenders) {
    const Results r = plottest::RefineExample("diopside_2theta.dat");
    const std::string bytes = ResultsSvg(r);
    const SvgContent svg = ReadSvg(bytes);
    // Residual and influence panels: one circle each per reflection; four in the legend.
    const std::size_t n = r.reflections.size();
    EXPECT_EQ(svg.circles.size(), 2 * n + 4);
    for (std::size_t i = 0; i < n; ++i) {
        const ReflectionRow& row = r.reflections[i];
        const QString hkl = QStringLiteral("%1 %2 %3").arg(row.h).arg(row.k).arg(row.l);
        const bool flagged = r.diagnostics.rows[i].flaggedFit || r.diagnostics.rows[i].flaggedParameters;
        // Labelled where room is left: in the residuals, the influence and the DfBetas.
        const bool moves = r.diagnostics.rows[i].flaggedParameters;
        EXPECT_LE(svg.texts.count(hkl), int(row.marked) + int(flagged) + int(moves)) << hkl.toStdString();
    }
    for (const char* title : {"2θ (°)", "Δ2θ obs − calc (°)", "leverage (hat)", "Rstudent"})
        EXPECT_TRUE(svg.texts.contains(QString::fromUtf8(title))) << title;

    Write("plot.svg", bytes);
    EXPECT_EQ(std::system(("rsvg-convert -o " + Path("plot.png") + " " + Path("plot.svg")).c_str()), 0);
    EXPECT_GT(clitest::ReadFile(Path("plot.png")).size(), 1000u);
}

TEST(ResultsSvg, EnergyDataMinimisingTwoThetaShowBothQuantitiesWithUnits) {
    const Results r = plottest::RefineExample("rutile_energy_min2theta.dat");
    ASSERT_EQ(r.settings.data, Quantity::Energy);
    ASSERT_EQ(r.settings.minimised, Quantity::TwoTheta);
    const SvgContent svg = ReadSvg(ResultsSvg(r));
    for (const char* title : {"E (keV)", "Δ2θ obs − calc (°)", "ΔE obs − calc (keV)"})
        EXPECT_EQ(svg.texts.count(QString::fromUtf8(title)), title[0] == 'E' ? 2 : 1) << title;
    EXPECT_EQ(svg.circles.size(), 3 * r.reflections.size() + 4);
}

// Five refined files of the silicon series, at 300 K to 700 K.
std::vector<Results> SiliconSeries(std::vector<SeriesRun>& runs) {
    std::vector<Results> results;
    for (int t = 300; t <= 700; t += 100)
        results.push_back(plottest::RefineExample("series/silicon_" + std::to_string(t) + "K.dat"));
    for (std::size_t i = 0; i < results.size(); ++i)
        runs.push_back({"series/silicon_" + std::to_string(300 + 100 * i) + "K.dat", &results[i]});
    return results;
}

TEST(SeriesPlot, FiveFilesGiveFivePointsPerParameterWithSigmaErrorBars) {
    std::vector<SeriesRun> runs;
    const std::vector<Results> results = SiliconSeries(runs);
    const Page page = SeriesPage(runs);
    ASSERT_EQ(page.panels.size(), 2u);  // a cubic cell: a and V
    EXPECT_EQ(page.panels[0].yTitle, QStringLiteral("a (Å)"));
    EXPECT_EQ(page.panels[1].yTitle, QStringLiteral("V (Å³)"));
    EXPECT_EQ(page.panels[0].xTitle, QStringLiteral("number in file name (K)"));

    const SvgContent svg = ReadSvg(SeriesSvg(runs));
    ASSERT_EQ(svg.circles.size(), 10u);
    const std::vector<Frame> frames = PageFrames(page, QRectF(QPointF(0, 0), QSizeF(PageSize)));
    for (std::size_t p = 0; p < 2; ++p)
        for (std::size_t i = 0; i < 5; ++i) {
            const Results& r = results[i];
            const double value = p == 0 ? r.cell[0].value : double(r.volume.value);
            const double sigma = p == 0 ? *r.cell[0].sigma : double(r.volume.sigma);
            ASSERT_GT(sigma, 0);
            const QPointF centre = frames[p].ToPixel(300.0 + 100 * double(i), value);
            const double expected = 2 * sigma * frames[p].Area().height() / (page.panels[p].yMax - page.panels[p].yMin);
            // The vertical line through the marker's centre is its error bar.
            const QPointF& circle = svg.circles[p * 5 + i];
            EXPECT_NEAR(circle.x(), centre.x(), 0.01);
            EXPECT_NEAR(circle.y(), centre.y(), 0.01);
            int bars = 0;
            for (const QLineF& line : svg.lines)
                if (std::abs(line.x1() - circle.x()) < 0.01 && std::abs(line.x2() - circle.x()) < 0.01 &&
                    std::min(line.y1(), line.y2()) < circle.y() && std::max(line.y1(), line.y2()) > circle.y()) {
                    ++bars;
                    EXPECT_NEAR(std::abs(line.dy()), expected, 0.01);
                    EXPECT_NEAR((line.y1() + line.y2()) / 2, circle.y(), 0.01);
                }
            EXPECT_EQ(bars, 1);
        }
}

TEST_F(PlotFiles, CliWritesPlotsBesideReportsAndSummaryWithoutADisplay) {
    for (int t = 300; t <= 700; t += 100) {
        const std::string name = "silicon_" + std::to_string(t) + "K.dat";
        Write(name, plottest::Example("series/" + name));
    }
    Write("silicon_too_few.dat", plottest::Example("silicon_too_few.dat"));
    Write("silicon_too_few.svg", std::string(OriginMark(Document::Svg)) + "\nleft from an earlier run");
    ASSERT_EQ(Run("-s cubic -q silicon_*.dat"), 0);  // no --plot, no plots
    EXPECT_FALSE(fs::exists(Path("silicon_300K.svg")));

    ASSERT_EQ(std::system(("cd " + Path("") + " && env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " +
                           ZANTREL_CLI + " -s cubic -q --plot --summary series.csv silicon_*.dat")
                              .c_str()),
              0);
    std::vector<SeriesRun> runs;
    const std::vector<Results> results = SiliconSeries(runs);
    for (std::size_t i = 0; i < results.size(); ++i)
        EXPECT_EQ(ReadSvg(Read(fs::path(runs[i].file).stem().string() + ".svg")).circles.size(),
                  2 * results[i].reflections.size() + 4);  // four in the legend
    // A halted run has no plot: the earlier one would disagree with its report.
    EXPECT_FALSE(fs::exists(Path("silicon_too_few.svg")));
    EXPECT_EQ(ReadSvg(Read("series.svg")).circles.size(), 10u);
}


// A PNG and a PDF of another program keep their places; the ones zantrel-cli wrote
// are replaced, the PNG at the size asked, the PDF a document with a page.
TEST_F(PlotFiles, CliPngAndPdfReplaceOnlyTheirOwn) {
    Write("si.dat", plottest::Example("silicon_2theta.dat"));
    const std::string foreignPng = std::string("\x89PNG\r\n\x1a\n", 8) + "a photograph";
    Write("si.png", foreignPng);
    Write("si.pdf", "%PDF-1.4\n/Creator (a paper)\n");
    EXPECT_EQ(Run("-s cubic -q --plot --plot-format png,pdf si.dat"), 2);
    EXPECT_EQ(Read("si.png"), foreignPng);
    EXPECT_EQ(Read("si.pdf"), "%PDF-1.4\n/Creator (a paper)\n");

    ASSERT_EQ(Run("-s cubic -q --plot --plot-format png,pdf --plot-size 1200x800 --plot-dpi 192 --force si.dat"), 0);
    ASSERT_EQ(Run("-s cubic -q --plot --plot-format png --plot-format pdf --plot-size 1300x900 si.dat"), 0) << err_;
    const QImage png = QImage::fromData(QByteArray::fromStdString(Read("si.png")), "PNG");
    EXPECT_EQ(png.size(), QSize(1300, 900));
    const std::string pdf = Read("si.pdf");
    EXPECT_TRUE(pdf.starts_with("%PDF-"));
    EXPECT_NE(pdf.find("/Type /Page\n"), std::string::npos);
    EXPECT_TRUE(MayReplace(Path("si.pdf"), Document::Pdf));
    EXPECT_FALSE(fs::exists(Path("si.svg")));
}

}  // namespace
}  // namespace zantrel::plot
