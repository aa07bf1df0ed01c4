#pragma once
// TPlotView: the run's residual and influence plots beside the report; hovering a
// point shows its reflection's row, clicking it asks the report to show that row.

#include <QWidget>

#include "cell/Results.h"
#include "plot/Chart.h"

namespace zantrel {

class TPlotView : public QWidget {
    Q_OBJECT
public:
    explicit TPlotView(QWidget* parent = nullptr);

    void ShowResults(const Results& results);
    void Clear();
    bool IsEmpty() const { return page_.panels.empty(); }
    const plot::Page& Page() const { return page_; }
    // Where a marker is drawn now, in the widget's pixels.
    QPointF MarkerPixel(int panel, int marker) const;
    // The tooltip of a reflection: no, h k l, observed, calculated, residual, flags.
    QString RowText(int row) const;

    // The page as a file: SVG or PNG by the path's extension; false when not written.
    bool SaveTo(const QString& path) const;

signals:
    void ReflectionClicked(int row);  // 0-based, in the order of the report's table

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    int RowAt(const QPointF& pixel) const;

    plot::Page page_;
    std::vector<QString> rowTexts_;
};

}  // namespace zantrel
