#pragma once
// Where the markers' labels go: in falling priority, each at the first place around
// its marker that stays inside the plot area and covers no marker and no label placed
// before it. A label without such a place is left out; the tooltip still names it.

#include <QFontMetricsF>
#include <vector>

#include "plot/Chart.h"

namespace zantrel::plot {

struct PlacedLabel {
    int marker = -1;
    QRectF box;        // the text's box, ascent to descent
    QPointF baseline;  // where the text is drawn from
};

std::vector<PlacedLabel> PlaceLabels(const Panel& panel, const Frame& frame, const QFontMetricsF& metrics);

}  // namespace zantrel::plot
