#pragma once
// Pages of charts as files: SVG through QSvgGenerator, PNG through QImage; and the
// QGuiApplication that drawing text needs in a program without a window.

#include <QByteArray>
#include <QImage>
#include <QObject>
#include <QSize>
#include <memory>
#include <string>

#include "eos/Fit.h"
#include "export/Origin.h"
#include "plot/Charts.h"
#include "plot/Draw.h"
#include "plot/PageFiles.h"

namespace zantrel::plot {

// The page size of the files, in pixels (SVG user units).
inline constexpr QSize PageSize{1000, 720};

QByteArray PageSvg(const Page& page, const QSize& size = PageSize, const Colors& colors = LightColors(),
                   const QString& title = {});
QImage PageImage(const Page& page, const QSize& size = PageSize, const Colors& colors = LightColors());

// The residual and influence charts of a run, and the series chart of a batch, as SVG
// bytes for the command line's files.
// The file, when given, is named on the page by its name without the folder.
std::string ResultsSvg(const Results& results, const std::string& file = {});
std::string SeriesSvg(const std::vector<SeriesRun>& runs);
// The same pages as a file of any format, the bytes the desktop program's Save Plot As
// writes, but for the SVG's mark; the size is a PNG's (the SVG and the PDF take the page's).
std::string ResultsFile(const Results& results, const std::string& file, PlotFormat format, const ImageSize& png = {});
std::string SeriesFile(const std::vector<SeriesRun>& runs, PlotFormat format, const ImageSize& png = {});
// The format of a plot's document: Png and Pdf as themselves, anything else as SVG.
inline PlotFormat PlotFormatOf(Document kind) {
    return kind == Document::Png ? PlotFormat::Png : kind == Document::Pdf ? PlotFormat::Pdf : PlotFormat::Svg;
}
// The charts of an equation-of-state fit (plot/EosCharts.h).
std::string EosSvg(const eos::EosFit& fit);

// A QGuiApplication on the offscreen platform, unless QT_QPA_PLATFORM names another
// or the program already has one (then null). Keep it alive while drawing.
std::unique_ptr<QObject> StartHeadlessGui();

}  // namespace zantrel::plot
