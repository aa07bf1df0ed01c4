#pragma once
// Drawing a page of charts with QPainter: the one drawing code of the window, the SVG
// and the PNG.

#include <QColor>
#include <QPainter>
#include <QPalette>

#include "plot/Chart.h"

namespace zantrel::plot {

struct Colors {
    QColor background, text, grid, point, marked, band, limit;
};
// Dark text on white, for files.
Colors LightColors();
// Taken from a widget's palette, so a dark desktop gets a dark plot.
Colors ColorsFrom(const QPalette& palette);

void DrawPage(QPainter& painter, const Page& page, const QRectF& bounds, const Colors& colors);

}  // namespace zantrel::plot
