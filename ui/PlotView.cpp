#include "ui/PlotView.h"

#include <QEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>
#include <cmath>
#include <QPainter>
#include <QSaveFile>
#include <QToolTip>

#include "plot/Draw.h"

namespace zantrel {

namespace {

QString Number(double x) { return QString::number(x, 'f', 5); }

QString Describe(const Results& r, std::size_t i) {
    const ReflectionRow& row = r.reflections[i];
    QString text = QStringLiteral("no %1   h k l  %2 %3 %4\nd obs %5  calc %6  res %7")
                       .arg(i + 1).arg(row.h).arg(row.k).arg(row.l)
                       .arg(Number(row.dObs), Number(row.dCalc), Number(double(row.dResidual)));
    if (r.settings.data != Quantity::D) {
        text += QStringLiteral("\n%1 obs %2").arg(plot::QuantityTitle(r.settings.data), Number(row.positionObs));
        if (row.positionCalc) text += QStringLiteral("  calc %1").arg(Number(*row.positionCalc));
    }
    text += QStringLiteral("\nresidual %1  %2").arg(Number(row.residual), plot::QuantityTitle(r.settings.minimised));
    // The values the influence and DfBeta panels plot, as the report prints them.
    if (i < r.diagnostics.rows.size()) {
        const DiagnosticRow& d = r.diagnostics.rows[i];
        const auto optional = [](const std::optional<double>& v) { return v ? QString::number(*v, 'f', 3) : QStringLiteral("n/a"); };
        text += QStringLiteral("\nhat %1  Rstudent %2  DFFITS %3")
                    .arg(QString::number(d.leverage, 'f', 3), optional(d.rStudent), optional(d.dfFits));
        double largest = 0;
        std::size_t which = 0;
        for (std::size_t j = 0; j < d.parameterChangePercent.size(); ++j)
            if (auto c = d.parameterChangePercent[j]; c && std::abs(*c) > std::abs(largest)) largest = *c, which = j;
        if (which < r.parameters.size() && largest != 0)
            text += QStringLiteral("\nlargest DfBeta %1 % of σ (%2)")
                        .arg(QString::number(largest, 'f', 1), QString::fromStdString(r.parameters[which].label));
    }
    QStringList flags;
    if (row.marked) flags << QStringLiteral("beyond the band");
    if (i < r.diagnostics.rows.size()) {
        const DiagnosticRow& d = r.diagnostics.rows[i];
        if (d.flaggedFit) flags << QStringLiteral("influential");
        if (d.flaggedParameters) flags << QStringLiteral("moves a parameter");
    }
    if (!flags.isEmpty()) text += QStringLiteral("\nflags: ") + flags.join(QStringLiteral(", "));
    return text;
}

}  // namespace

TPlotView::TPlotView(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);  // the arrow keys step through the reflections
    setMinimumSize(360, 280);
}

void TPlotView::ShowResults(const Results& results, const QString& file) {
    results_ = results;
    file_ = file;
    rowTexts_.clear();
    for (std::size_t i = 0; i < results.reflections.size(); ++i) rowTexts_.push_back(Describe(results, i));
    Rebuild();
}

void TPlotView::SetPosition(plot::Position position) {
    position_ = position;
    Rebuild();
}

bool TPlotView::HasPositionChoice() const { return results_ && results_->settings.data == Quantity::D; }

void TPlotView::Rebuild() {
    const int highlighted = page_.highlightRow;
    fitted_ = !results_ || results_->halted ? plot::Page{} : plot::ResultsPage(*results_, file_, position_);
    page_ = fitted_;
    if (!fitted_.panels.empty()) page_.highlightRow = highlighted;
    update();
}

void TPlotView::Highlight(int row) {
    page_.highlightRow = row >= 0 && std::size_t(row) < rowTexts_.size() ? row : -1;
    update();
}

void TPlotView::ResetZoom() {
    for (std::size_t i = 0; i < page_.panels.size() && i < fitted_.panels.size(); ++i) {
        plot::Panel& panel = page_.panels[i];
        const plot::Panel& fitted = fitted_.panels[i];
        panel.xMin = fitted.xMin, panel.xMax = fitted.xMax, panel.yMin = fitted.yMin, panel.yMax = fitted.yMax;
    }
    update();
}

int TPlotView::PanelAt(const QPointF& pixel) const {
    const std::vector<plot::Frame> frames = plot::PageFrames(page_, QRectF(rect()));
    for (std::size_t i = 0; i < frames.size(); ++i)
        if (frames[i].Area().contains(pixel)) return int(i);
    return -1;
}

void TPlotView::wheelEvent(QWheelEvent* event) {
    const int panel = PanelAt(event->position());
    if (panel < 0 || event->angleDelta().y() == 0) return QWidget::wheelEvent(event);
    // One notch zooms by a fifth about the data under the pointer.
    const double factor = std::pow(0.8, event->angleDelta().y() / 120.0);
    const plot::Frame frame = plot::PageFrames(page_, QRectF(rect()))[std::size_t(panel)];
    const QPointF at = frame.ToData(event->position());
    plot::Panel& p = page_.panels[std::size_t(panel)];
    const double xSpan = (p.xMax - p.xMin) * factor, ySpan = (p.yMax - p.yMin) * factor;
    // Not beyond what a double can tell apart, nor out to nothing in view.
    if (!(xSpan > 1e-12 * std::max(1.0, std::abs(at.x())) && ySpan > 1e-12 * std::max(1.0, std::abs(at.y()))) ||
        !std::isfinite(xSpan) || !std::isfinite(ySpan) || xSpan > 1e12 || ySpan > 1e12)
        return;
    p.xMin = at.x() - (at.x() - p.xMin) * factor, p.xMax = p.xMin + xSpan;
    p.yMin = at.y() - (at.y() - p.yMin) * factor, p.yMax = p.yMin + ySpan;
    event->accept();
    update();
}

void TPlotView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) ResetZoom();
}

void TPlotView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) dragPanel_ = -1;
}

void TPlotView::ShowHighlightTip() {
    for (std::size_t p = 0; p < page_.panels.size(); ++p)
        for (std::size_t m = 0; m < page_.panels[p].markers.size(); ++m)
            if (page_.panels[p].markers[m].row == page_.highlightRow) {
                QToolTip::showText(mapToGlobal(MarkerPixel(int(p), int(m)).toPoint()), RowText(page_.highlightRow), this);
                return;
            }
}

void TPlotView::keyPressEvent(QKeyEvent* event) {
    const int rows = int(rowTexts_.size());
    if (IsEmpty() || rows == 0) return QWidget::keyPressEvent(event);
    int row = page_.highlightRow;
    switch (event->key()) {
        case Qt::Key_Right:
        case Qt::Key_Down: row = row < 0 ? 0 : std::min(rows - 1, row + 1); break;
        case Qt::Key_Left:
        case Qt::Key_Up: row = row < 0 ? rows - 1 : std::max(0, row - 1); break;
        case Qt::Key_Home: ResetZoom(); return;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (row >= 0) emit ReflectionClicked(row);
            return;
        default: return QWidget::keyPressEvent(event);
    }
    Highlight(row);
    ShowHighlightTip();
    emit ReflectionClicked(row);
}

void TPlotView::Clear() {
    page_ = {};
    fitted_ = {};
    results_.reset();
    rowTexts_.clear();
    update();
}

QPointF TPlotView::MarkerPixel(int panel, int marker) const {
    const plot::Marker& m = page_.panels[std::size_t(panel)].markers[std::size_t(marker)];
    return plot::PageFrames(page_, QRectF(rect()))[std::size_t(panel)].ToPixel(m.x, m.y);
}

QString TPlotView::RowText(int row) const {
    return row >= 0 && std::size_t(row) < rowTexts_.size() ? rowTexts_[std::size_t(row)] : QString();
}

QString TPlotView::SaveTo(const QString& path, plot::PlotFormat format, const plot::ImageSize& size) const {
    const QString title = results_ ? plot::TitleText(*results_) : QString();
    const QByteArray bytes = plot::PageBytes(page_, format, size, title);
    if (bytes.isEmpty()) return tr("The plots could not be drawn as %1.").arg(plot::ExtensionOf(format).toUpper());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        return file.errorString();
    return {};
}

void TPlotView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const plot::Colors colors = plot::ColorsFrom(palette());
    if (IsEmpty()) {
        painter.fillRect(rect(), colors.background);
        painter.setPen(colors.text);
        painter.drawText(rect(), Qt::AlignCenter, tr("No plots: run a refinement to see them."));
        return;
    }
    plot::DrawPage(painter, page_, QRectF(rect()), colors);
}

int TPlotView::RowAt(const QPointF& pixel) const {
    const auto hit = plot::MarkerAt(page_, QRectF(rect()), pixel);
    if (!hit) return -1;
    return page_.panels[std::size_t(hit->panel)].markers[std::size_t(hit->marker)].row;
}

void TPlotView::mouseMoveEvent(QMouseEvent* event) {
    if (dragPanel_ >= 0 && (event->buttons() & Qt::LeftButton)) {
        // Panning: the data under the pointer stay under it.
        const plot::Frame frame = plot::PageFrames(page_, QRectF(rect()))[std::size_t(dragPanel_)];
        const QPointF shift = frame.ToData(dragFrom_) - frame.ToData(event->position());
        plot::Panel& p = page_.panels[std::size_t(dragPanel_)];
        p.xMin += shift.x(), p.xMax += shift.x(), p.yMin += shift.y(), p.yMax += shift.y();
        dragFrom_ = event->position();
        update();
        return;
    }
    const int row = RowAt(event->position());
    if (row >= 0) QToolTip::showText(event->globalPosition().toPoint(), RowText(row), this);
    else QToolTip::hideText();
}

void TPlotView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    setFocus(Qt::MouseFocusReason);
    const int row = RowAt(event->position());
    if (row >= 0) {
        Highlight(row);
        emit ReflectionClicked(row);
        return;
    }
    dragPanel_ = PanelAt(event->position());
    dragFrom_ = event->position();
}

// A switch between light and dark follows the desktop at once.
void TPlotView::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::ApplicationPaletteChange) update();
    QWidget::changeEvent(event);
}

}  // namespace zantrel
