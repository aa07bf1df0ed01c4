#pragma once
// Charts as data: panels of markers, limit lines and a band, laid out on a page, and
// the mapping from data to pixels that drawing, hit-testing and the tests share.

#include <QPointF>
#include <QRectF>
#include <QFont>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace zantrel::plot {

struct Marker {
    double x = 0, y = 0;
    double errorY = 0;    // half-length of a vertical error bar in data units; 0 for none
    double radius = 3.5;  // pixels
    bool marked = false;  // drawn in the highlight colour
    QString label;        // written beside the marker when not empty and there is room
    int row = -1;         // the reflection (or file) it stands for, 0-based
    double priority = 0;  // labels are placed in falling priority while room is left
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
    bool xIntegers = false;  // x counts things: ticks at whole numbers only
    // The data range shown; FitRanges sets it from everything the panel draws.
    double xMin = 0, xMax = 1, yMin = 0, yMax = 1;
};

// What a legend entry shows beside its text.
enum class LegendKey { Point, Marked, Band, Limit, Size };
struct LegendEntry {
    LegendKey key;
    QString text;
};

struct Page {
    std::vector<Panel> panels;
    int columns = 1;  // the last panel of an incomplete row spans the rest of it
    // Lines above the panels that tie a saved picture to its data: file, title, cell.
    QStringList heading;
    std::vector<LegendEntry> legend;  // below the panels
    int highlightRow = -1;  // the reflection ringed in every panel, or none
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

// The type of every text on a page, which the layout measures.
QFont PageFont();
// The heading lines' and the legend's heights on a page of this width.
double HeadingHeight(const Page& page);
double LegendHeight(const Page& page, double width);
// Each legend entry's place (its key, then its text) in rows across the strip.
std::vector<QRectF> LegendBoxes(const Page& page, const QRectF& strip);
inline constexpr double LegendKeyWidth = 22;
// The half width in pixels of a bar: its radius, narrower where bars would touch.
double BarHalfWidth(const Frame& frame, const Marker& marker);
// The cells of the page's grid, row by row, between the heading and the legend, and
// each panel's plot area inside its cell (room left for the title and the axis
// titles and numbers).
std::vector<QRectF> PanelCells(const Page& page, const QRectF& bounds);
QRectF PlotArea(const QRectF& cell);
// The frames of every panel of the page drawn into bounds.
std::vector<Frame> PageFrames(const Page& page, const QRectF& bounds);

// The marker nearest to pixel within maxDistance pixels; a bar answers anywhere on it.
struct Hit {
    int panel = -1, marker = -1;
};
std::optional<Hit> MarkerAt(const Page& page, const QRectF& bounds, const QPointF& pixel,
                            double maxDistance = 6);

}  // namespace zantrel::plot
