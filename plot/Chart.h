#pragma once
// Charts as data: panels of markers, limit lines and a band, laid out on a page, and
// the mapping from data to pixels that drawing, hit-testing and the tests share.

#include <QPointF>
#include <QRectF>
#include <QString>
#include <optional>
#include <vector>

namespace zantrel::plot {

struct Marker {
    double x = 0, y = 0;
    double errorY = 0;    // half-length of a vertical error bar in data units; 0 for none
    double radius = 3.5;  // pixels
    bool marked = false;  // drawn in the highlight colour
    QString label;        // written beside the marker when not empty
    int row = -1;         // the reflection (or file) it stands for, 0-based
};

struct Panel {
    QString title, xTitle, yTitle;
    std::vector<Marker> markers;
    std::vector<double> xLimits, yLimits;  // dashed lines at these values
    std::optional<std::pair<double, double>> band;  // a shaded horizontal band, low to high
    // Lines through data points, drawn in order; the first solid, the others dashed.
    std::vector<std::vector<std::pair<double, double>>> curves;
    bool zeroLine = true;
    bool bars = false;  // markers drawn as bars rising from y = 0
    // The data range shown; FitRanges sets it from everything the panel draws.
    double xMin = 0, xMax = 1, yMin = 0, yMax = 1;
};

struct Page {
    std::vector<Panel> panels;
    int columns = 1;
};

// Sets the panel's ranges to cover its markers (with error bars), lines and band,
// with a margin so that nothing sits on the frame.
void FitRanges(Panel& panel);
// An empty panel with its title and the titles of its axes.
Panel TitledPanel(const QString& title, const QString& xTitle, const QString& yTitle);

// The linear map between a panel's data and the pixels of its plot area; y grows up.
class Frame {
public:
    Frame(const QRectF& area, const Panel& panel);
    QPointF ToPixel(double x, double y) const;
    QPointF ToData(const QPointF& pixel) const;
    const QRectF& Area() const { return area_; }

private:
    QRectF area_;
    double xMin_, xMax_, yMin_, yMax_;
};

// The cells of the page's grid, row by row, and each panel's plot area inside its
// cell (room left for the title and the axis titles and numbers).
std::vector<QRectF> PanelCells(const Page& page, const QRectF& bounds);
QRectF PlotArea(const QRectF& cell);
// The frames of every panel of the page drawn into bounds.
std::vector<Frame> PageFrames(const Page& page, const QRectF& bounds);

// Round tick values covering [low, high], about `target` of them.
std::vector<double> Ticks(double low, double high, int target = 6);

// The marker nearest to pixel within maxDistance pixels.
struct Hit {
    int panel = -1, marker = -1;
};
std::optional<Hit> MarkerAt(const Page& page, const QRectF& bounds, const QPointF& pixel,
                            double maxDistance = 6);

}  // namespace zantrel::plot
