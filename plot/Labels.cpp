#include "plot/Labels.h"

#include <algorithm>
#include <numeric>

namespace zantrel::plot {

namespace {

// The pixels a marker covers: its disc, or its bar from y = 0.
QRectF MarkerBox(const Panel& panel, const Frame& frame, const Marker& m) {
    const QPointF c = frame.ToPixel(m.x, m.y);
    if (panel.bars) {
        const double base = frame.ToPixel(m.x, 0).y(), half = BarHalfWidth(frame, m);
        return QRectF(QPointF(c.x() - half, std::min(c.y(), base)), QPointF(c.x() + half, std::max(c.y(), base)));
    }
    return QRectF(c - QPointF(m.radius, m.radius), c + QPointF(m.radius, m.radius));
}

// The places tried, nearest first: beside the marker, then above and below it, then
// the corners. A bar's label goes beyond its tip first.
std::vector<QRectF> Candidates(const QRectF& marker, const QSizeF& text, bool bar, bool up) {
    const double gap = 2, w = text.width(), h = text.height();
    const QPointF c = marker.center();
    const QRectF right(marker.right() + gap, c.y() - h / 2, w, h);
    const QRectF left(marker.left() - gap - w, c.y() - h / 2, w, h);
    const QRectF above(c.x() - w / 2, marker.top() - gap - h, w, h);
    const QRectF below(c.x() - w / 2, marker.bottom() + gap, w, h);
    const QRectF aboveRight(marker.right(), marker.top() - gap - h, w, h);
    const QRectF aboveLeft(marker.left() - w, marker.top() - gap - h, w, h);
    const QRectF belowRight(marker.right(), marker.bottom() + gap, w, h);
    const QRectF belowLeft(marker.left() - w, marker.bottom() + gap, w, h);
    if (bar) {
        const QRectF tipRight(marker.right() + gap, up ? marker.top() : marker.bottom() - h, w, h);
        const QRectF tipLeft(marker.left() - gap - w, up ? marker.top() : marker.bottom() - h, w, h);
        return up ? std::vector{above, aboveRight, aboveLeft, tipRight, tipLeft}
                  : std::vector{below, belowRight, belowLeft, tipRight, tipLeft};
    }
    return {right, left, aboveRight, belowRight, aboveLeft, belowLeft, above, below};
}

}  // namespace

std::vector<PlacedLabel> PlaceLabels(const Panel& panel, const Frame& frame, const QFontMetricsF& metrics) {
    std::vector<int> order;
    for (std::size_t i = 0; i < panel.markers.size(); ++i)
        if (!panel.markers[i].label.isEmpty()) order.push_back(int(i));
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        return panel.markers[std::size_t(a)].priority > panel.markers[std::size_t(b)].priority;
    });
    // Labels cover no marker, and keep a space between them, or two would read as one.
    std::vector<QRectF> taken, labels;
    for (const Marker& m : panel.markers) taken.push_back(MarkerBox(panel, frame, m).adjusted(1, 1, -1, -1));
    const QRectF inside = frame.Area().adjusted(2, 2, -2, -2);
    std::vector<PlacedLabel> placed;
    for (int index : order) {
        const Marker& m = panel.markers[std::size_t(index)];
        const QSizeF text(metrics.horizontalAdvance(m.label), metrics.ascent() + metrics.descent());
        const QRectF own = MarkerBox(panel, frame, m);
        for (const QRectF& box : Candidates(own, text, panel.bars, m.y >= 0)) {
            if (!inside.contains(box)) continue;
            const QRectF spaced = box.adjusted(-8, -1, 8, 1);
            if (std::any_of(taken.begin(), taken.end(), [&](const QRectF& t) { return t.intersects(box); }) ||
                std::any_of(labels.begin(), labels.end(), [&](const QRectF& t) { return t.intersects(spaced); }))
                continue;
            labels.push_back(box);
            placed.push_back({index, box, QPointF(box.left(), box.top() + metrics.ascent())});
            break;
        }
    }
    return placed;
}

}  // namespace zantrel::plot
