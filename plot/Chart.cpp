#include "plot/Chart.h"

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

std::vector<QRectF> PanelCells(const Page& page, const QRectF& bounds) {
    const int n = int(page.panels.size());
    const int columns = std::max(1, std::min(page.columns, n));
    const int rows = std::max(1, (n + columns - 1) / columns);
    const double w = bounds.width() / columns, h = bounds.height() / rows;
    std::vector<QRectF> cells;
    for (int i = 0; i < n; ++i)
        cells.emplace_back(bounds.left() + (i % columns) * w, bounds.top() + (i / columns) * h, w, h);
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

std::vector<double> Ticks(double low, double high, int target) {
    std::vector<double> ticks;
    if (!(high > low) || !std::isfinite(high - low)) return ticks;
    const double raw = (high - low) / target;
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    double step = magnitude;
    for (double f : {1.0, 2.0, 2.5, 5.0, 10.0})
        if (f * magnitude >= raw) {
            step = f * magnitude;
            break;
        }
    for (double k = std::ceil(low / step); k * step <= high; ++k) {
        const double v = k * step;
        ticks.push_back(std::abs(v) < step * 1e-9 ? 0.0 : v);  // no "-0" or 1e-17 at zero
    }
    return ticks;
}

std::optional<Hit> MarkerAt(const Page& page, const QRectF& bounds, const QPointF& pixel,
                            double maxDistance) {
    std::optional<Hit> best;
    double bestDistance = maxDistance;
    const std::vector<Frame> frames = PageFrames(page, bounds);
    for (std::size_t p = 0; p < frames.size(); ++p) {
        const std::vector<Marker>& markers = page.panels[p].markers;
        for (std::size_t m = 0; m < markers.size(); ++m) {
            const QPointF d = frames[p].ToPixel(markers[m].x, markers[m].y) - pixel;
            const double distance = std::hypot(d.x(), d.y());
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
