#include "ui/PlotView.h"

#include <QEvent>
#include <QFileInfo>
#include <QMouseEvent>
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
    page_ = !results_ || results_->halted ? plot::Page{} : plot::ResultsPage(*results_, file_, position_);
    update();
}

void TPlotView::Clear() {
    page_ = {};
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
    const QString title = results_ ? QString::fromStdString(results_->title).trimmed() : QString();
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
    const int row = RowAt(event->position());
    if (row >= 0) QToolTip::showText(event->globalPosition().toPoint(), RowText(row), this);
    else QToolTip::hideText();
}

void TPlotView::mousePressEvent(QMouseEvent* event) {
    const int row = RowAt(event->position());
    if (event->button() == Qt::LeftButton && row >= 0) emit ReflectionClicked(row);
}

// A switch between light and dark follows the desktop at once.
void TPlotView::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::ApplicationPaletteChange) update();
    QWidget::changeEvent(event);
}

}  // namespace zantrel
