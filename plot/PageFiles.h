#pragma once
// A page of charts as a file of the user's choice: SVG, PNG at a chosen size and
// resolution, or PDF through Qt's PDF writer.

#include <QByteArray>
#include <QSize>
#include <QString>
#include <optional>

#include "plot/Draw.h"

namespace zantrel::plot {

enum class PlotFormat { Svg, Png, Pdf };

// The format a file name's extension names, case aside; none for another extension.
std::optional<PlotFormat> FormatOfName(const QString& path);
QString ExtensionOf(PlotFormat format);  // "svg", "png", "pdf"

// A picture's size in pixels and its resolution; the page is laid out at 96 dpi, so a
// higher resolution gives the same page with finer detail and larger type in pixels.
struct ImageSize {
    QSize pixels{1000, 720};
    int dpi = 96;
};

// The file's bytes; empty when the page could not be drawn in that format.
QByteArray PageBytes(const Page& page, PlotFormat format, const ImageSize& size, const QString& title = {});

}  // namespace zantrel::plot
