#include "plot/Chart.h"

#include <QFontMetricsF>
#include <algorithm>
#include <cmath>
#include <limits>

namespace zantrel::plot {

namespace {

// Pixels around the plot area: the title above, tick numbers and axis titles at the
// left and below.
constexpr double MarginLeft = 78, MarginRight = 18, MarginTop = 30, MarginBottom = 48;

struct Extent {
    double low = std::numeric_limits<double>::infinity();
    double high = -std::numeric_limits<double>::infinity();
    void Add(double v) {
        if (!std::isfinite(v)) return;
        low = std::min(low, v);
        high = std::max(high, v);
    }
    // A margin of 6 % each side; an empty or single-valued extent gets a unit width
    // of its own size so that the point sits in the middle.
    void Pad() {
        if (low > high) low = 0, high = 1;
        double span = high - low;
        if (span <= 0) span = low != 0 ? std::abs(low) * 0.1 : 1;
        const double pad = span * (high > low ? 0.06 : 0.5);
        low -= pad;
        high += pad;
    }
};

}  // namespace

Panel TitledPanel(const QString& title, const QString& xTitle, const QString& yTitle) {
    Panel panel;
    panel.title = title;
    panel.xTitle = xTitle;
    panel.yTitle = yTitle;
    return panel;
}

void FitRanges(Panel& panel) {
    Extent x, y;
    for (const Marker& m : panel.markers) {
        x.Add(m.x);
        y.Add(m.y - m.errorY);
        y.Add(m.y + m.errorY);
    }
    for (const auto& curve : panel.curves)
        for (const auto& [cx, cy] : curve) x.Add(cx), y.Add(cy);
    for (double v : panel.xLimits) x.Add(v);
    for (double v : panel.yLimits) y.Add(v);
    if (panel.band) {
        y.Add(panel.band->first);
        y.Add(panel.band->second);
    }
    if (panel.zeroLine || panel.bars) y.Add(0);
    x.Pad();
    y.Pad();
    panel.xMin = x.low, panel.xMax = x.high, panel.yMin = y.low, panel.yMax = y.high;
}

Frame::Frame(const QRectF& area, const Panel& panel)
    : area_(area), xMin_(panel.xMin), xMax_(panel.xMax), yMin_(panel.yMin), yMax_(panel.yMax) {}

QPointF Frame::ToPixel(double x, double y) const {
    return {area_.left() + (x - xMin_) / (xMax_ - xMin_) * area_.width(),
            area_.bottom() - (y - yMin_) / (yMax_ - yMin_) * area_.height()};
}

QPointF Frame::ToData(const QPointF& pixel) const {
    return {xMin_ + (pixel.x() - area_.left()) / area_.width() * (xMax_ - xMin_),
            yMin_ + (area_.bottom() - pixel.y()) / area_.height() * (yMax_ - yMin_)};
}

QFont PageFont() {
    QFont font;
    font.setPixelSize(12);
    return font;
}

namespace {

constexpr double HeadingLine = 16, LegendRow = 18, LegendGap = 18;

}  // namespace

double HeadingHeight(const Page& page) {
    return page.heading.isEmpty() ? 0 : HeadingLine * double(page.heading.size()) + 6;
}

std::vector<QRectF> LegendBoxes(const Page& page, const QRectF& strip) {
    const QFontMetricsF metrics(PageFont());
    std::vector<QRectF> boxes;
    double x = strip.left() + 8, y = strip.top() + 2;
    for (const LegendEntry& entry : page.legend) {
        const double width = LegendKeyWidth + 4 + metrics.horizontalAdvance(entry.text);
        if (x > strip.left() + 8 && x + width > strip.right() - 8) {
            x = strip.left() + 8;
            y += LegendRow;
        }
        boxes.emplace_back(x, y, width, LegendRow - 2);
        x += width + LegendGap;
    }
    return boxes;
}

double LegendHeight(const Page& page, double width) {
    if (page.legend.empty()) return 0;
    const std::vector<QRectF> boxes = LegendBoxes(page, QRectF(0, 0, width, 0));
    return boxes.back().bottom() + 4;
}

double BarHalfWidth(const Frame& frame, const Marker& marker) {
    const double spacing = std::abs(frame.ToPixel(1, 0).x() - frame.ToPixel(0, 0).x());
    return std::max(0.5, std::min(marker.radius, 0.4 * spacing));
}

std::vector<QRectF> PanelCells(const Page& page, const QRectF& pageBounds) {
    const double top = HeadingHeight(page), bottom = LegendHeight(page, pageBounds.width());
    const QRectF bounds = pageBounds.adjusted(0, top, 0, -bottom);
    const int n = int(page.panels.size());
    const int columns = std::max(1, std::min(page.columns, n));
    const int rows = std::max(1, (n + columns - 1) / columns);
    const double w = bounds.width() / columns, h = bounds.height() / rows;
    std::vector<QRectF> cells;
    for (int i = 0; i < n; ++i) {
        QRectF cell(bounds.left() + (i % columns) * w, bounds.top() + (i / columns) * h, w, h);
        // No quarter of the page left empty: the last panel takes the rest of its row.
        if (i == n - 1) cell.setRight(bounds.right());
        cells.push_back(cell);
    }
    return cells;
}

QRectF PlotArea(const QRectF& cell) {
    return cell.adjusted(MarginLeft, MarginTop, -MarginRight, -MarginBottom);
}

std::vector<Frame> PageFrames(const Page& page, const QRectF& bounds) {
    std::vector<Frame> frames;
    const std::vector<QRectF> cells = PanelCells(page, bounds);
    for (std::size_t i = 0; i < cells.size(); ++i) frames.emplace_back(PlotArea(cells[i]), page.panels[i]);
    return frames;
}

std::optional<Hit> MarkerAt(const Page& page, const QRectF& bounds, const QPointF& pixel,
                            double maxDistance) {
    std::optional<Hit> best;
    double bestDistance = maxDistance;
    const std::vector<Frame> frames = PageFrames(page, bounds);
    for (std::size_t p = 0; p < frames.size(); ++p) {
        const std::vector<Marker>& markers = page.panels[p].markers;
        for (std::size_t m = 0; m < markers.size(); ++m) {
            const QPointF at = frames[p].ToPixel(markers[m].x, markers[m].y);
            const QPointF d = at - pixel;
            double distance = std::hypot(d.x(), d.y());
            if (page.panels[p].bars) {
                // Anywhere along the bar, from its base to its tip, counts as on it.
                const double base = frames[p].ToPixel(markers[m].x, 0).y();
                const double below = std::clamp(pixel.y(), std::min(base, at.y()), std::max(base, at.y()));
                distance = std::hypot(std::max(0.0, std::abs(d.x()) - BarHalfWidth(frames[p], markers[m])),
                                      below - pixel.y());
            }
            if (distance <= std::max(bestDistance, markers[m].radius) &&
                (!best || distance < bestDistance)) {
                bestDistance = distance;
                best = Hit{int(p), int(m)};
            }
        }
    }
    return best;
}

}  // namespace zantrel::plot
