#pragma once
// TPlotView: the run's residual and influence plots beside the report; hovering a
// point shows its reflection's row, clicking it rings that reflection in every panel
// and asks the report to show its row. The wheel zooms a panel about the pointer, a
// drag pans it, a double click or Home resets it; the arrow keys step through the
// reflections and Enter shows the ringed one's row.

#include <QWidget>

#include <optional>

#include "cell/Results.h"
#include "plot/Chart.h"
#include "plot/Charts.h"
#include "plot/PageFiles.h"

namespace zantrel {

class TPlotView : public QWidget {
    Q_OBJECT
public:
    explicit TPlotView(QWidget* parent = nullptr);

    // The file is named on the page; d data are plotted against `position`.
    void ShowResults(const Results& results, const QString& file = {});
    // What the residuals are plotted against (plot/Charts.h); the page is drawn anew.
    void SetPosition(plot::Position position);
    plot::Position PositionShown() const { return position_; }
    // Whether the run's data give a choice of position (d spacings do).
    bool HasPositionChoice() const;
    void Clear();
    bool IsEmpty() const { return page_.panels.empty(); }
    const plot::Page& Page() const { return page_; }
    // Where a marker is drawn now, in the widget's pixels.
    QPointF MarkerPixel(int panel, int marker) const;
    // The tooltip of a reflection: no, h k l, observed, calculated, residual, the
    // plotted diagnostics, flags.
    QString RowText(int row) const;
    // The reflection ringed in every panel (-1 for none).
    void Highlight(int row);
    int Highlighted() const { return page_.highlightRow; }
    // Every panel back to the ranges that show all it has.
    void ResetZoom();

    // The page as a file in the format; the reason when it was not written, else empty.
    QString SaveTo(const QString& path, plot::PlotFormat format, const plot::ImageSize& size = {}) const;

signals:
    void ReflectionClicked(int row);  // 0-based, in the order of the report's table

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    int RowAt(const QPointF& pixel) const;
    int PanelAt(const QPointF& pixel) const;
    // The ringed reflection's tooltip beside its first marker, for the keyboard.
    void ShowHighlightTip();

    plot::Page fitted_;  // the page as built, before any zoom
    int dragPanel_ = -1;
    QPointF dragFrom_;

    void Rebuild();

    plot::Page page_;
    std::vector<QString> rowTexts_;
    std::optional<Results> results_;  // of the page shown, to draw it anew
    QString file_;
    plot::Position position_ = plot::Position::Automatic;
};

}  // namespace zantrel
