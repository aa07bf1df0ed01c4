#include "plot/Draw.h"

#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <functional>

#include "plot/Axis.h"
#include "plot/Labels.h"

namespace zantrel::plot {

namespace {

bool IsDark(const QColor& c) { return c.lightness() < 128; }

// The most ticks up to `target` whose labels keep a gap between them at `spacing`
// pixels a step (the widest label for x, the text height for y).
Axis FittedAxis(double low, double high, int target, bool integers, double pixels,
                const std::function<double(const QString&)>& extent) {
    Axis axis;
    for (int n = std::max(2, target); n >= 2; --n) {
        axis = AxisOf(low, high, n, integers);
        if (axis.ticks.size() < 2) return axis;
        double widest = 0;
        for (const QString& label : axis.labels) widest = std::max(widest, extent(label));
        const double spacing = (axis.ticks[1] - axis.ticks[0]) / (high - low) * pixels;
        if (widest + 8 <= spacing) break;
    }
    return axis;
}

void DrawAxes(QPainter& p, const Panel& panel, const Frame& frame, const Colors& colors) {
    const QRectF& area = frame.Area();
    const QFontMetricsF metrics(p.font());
    const auto width = [&](const QString& t) { return metrics.horizontalAdvance(t); };
    const auto height = [&](const QString&) { return metrics.height(); };
    const Axis x = FittedAxis(panel.xMin, panel.xMax, std::clamp(int(area.width() / 80), 2, 8), panel.xIntegers,
                              area.width(), width);
    const Axis y = FittedAxis(panel.yMin, panel.yMax, std::clamp(int(area.height() / 45), 2, 6), false,
                              area.height(), height);
    p.setPen(QPen(colors.text, 1));
    for (std::size_t i = 0; i < x.ticks.size(); ++i) {
        const double at = frame.ToPixel(x.ticks[i], 0).x();
        p.drawLine(QPointF(at, area.bottom()), QPointF(at, area.bottom() + 4));
        p.drawText(QPointF(at - width(x.labels[int(i)]) / 2, area.bottom() + 6 + metrics.ascent()), x.labels[int(i)]);
    }
    for (std::size_t i = 0; i < y.ticks.size(); ++i) {
        const double at = frame.ToPixel(0, y.ticks[i]).y();
        p.drawLine(QPointF(area.left() - 4, at), QPointF(area.left(), at));
        p.drawText(QPointF(area.left() - 6 - width(y.labels[int(i)]), at + metrics.ascent() / 2 - 1), y.labels[int(i)]);
    }
    p.setBrush(Qt::NoBrush);
    p.drawRect(area);
    // Titles: the panel's above, the x axis's below, the y axis's turned along the left;
    // each shortened with an ellipsis rather than cut where the panel is narrow.
    QFont bold = p.font();
    bold.setBold(true);
    p.save();
    p.setFont(bold);
    const QString title = QFontMetricsF(bold).elidedText(panel.title, Qt::ElideRight, area.width());
    p.drawText(QRectF(area.left(), area.top() - 26, area.width(), 22), Qt::AlignCenter, title);
    p.restore();
    p.drawText(QRectF(area.left(), area.bottom() + 22, area.width(), 22), Qt::AlignCenter,
               metrics.elidedText(panel.xTitle + x.titleNote, Qt::ElideRight, area.width()));
    p.save();
    p.translate(area.left() - 74, area.center().y());
    p.rotate(-90);
    p.drawText(QRectF(-area.height() / 2, 0, area.height(), 20), Qt::AlignCenter,
               metrics.elidedText(panel.yTitle + y.titleNote, Qt::ElideRight, area.height()));
    p.restore();
}

void DrawGuides(QPainter& p, const Panel& panel, const Frame& frame, const Colors& colors) {
    const QRectF& area = frame.Area();
    if (panel.band) {
        const QPointF top = frame.ToPixel(panel.xMin, panel.band->second);
        const QPointF bottom = frame.ToPixel(panel.xMax, panel.band->first);
        p.fillRect(QRectF(top, bottom), colors.band);
    }
    if (panel.zeroLine) {
        p.setPen(QPen(colors.grid, 1));
        const double y = frame.ToPixel(0, 0).y();
        p.drawLine(QPointF(area.left(), y), QPointF(area.right(), y));
    }
    p.setPen(QPen(colors.limit, 1, Qt::DashLine));
    for (double v : panel.yLimits) {
        const double y = frame.ToPixel(0, v).y();
        p.drawLine(QPointF(area.left(), y), QPointF(area.right(), y));
    }
    for (double v : panel.xLimits) {
        const double x = frame.ToPixel(v, 0).x();
        p.drawLine(QPointF(x, area.top()), QPointF(x, area.bottom()));
    }
    for (std::size_t i = 0; i < panel.curves.size(); ++i) {
        p.setPen(QPen(colors.point, i == 0 ? 1.5 : 1, i == 0 ? Qt::SolidLine : Qt::DashLine));
        QPainterPath path;
        for (std::size_t k = 0; k < panel.curves[i].size(); ++k) {
            const QPointF at = frame.ToPixel(panel.curves[i][k].first, panel.curves[i][k].second);
            if (k == 0) path.moveTo(at);
            else path.lineTo(at);
        }
        p.setBrush(Qt::NoBrush);
        p.drawPath(path);
    }
}

void DrawMarkers(QPainter& p, const Panel& panel, const Frame& frame, const Colors& colors, int highlightRow) {
    for (const Marker& m : panel.markers) {
        const QPointF c = frame.ToPixel(m.x, m.y);
        const QColor color = m.marked ? colors.marked : colors.point;
        if (m.errorY > 0) {
            p.setPen(QPen(color, 1));
            const QPointF low = frame.ToPixel(m.x, m.y - m.errorY), high = frame.ToPixel(m.x, m.y + m.errorY);
            p.drawLine(low, high);
            p.drawLine(low - QPointF(3, 0), low + QPointF(3, 0));
            p.drawLine(high - QPointF(3, 0), high + QPointF(3, 0));
        }
        p.setPen(Qt::NoPen);
        p.setBrush(color);
        if (panel.bars) {
            const QPointF base = frame.ToPixel(m.x, 0);
            const double half = BarHalfWidth(frame, m);
            p.drawRect(QRectF(QPointF(c.x() - half, std::min(c.y(), base.y())),
                              QPointF(c.x() + half, std::max(c.y(), base.y()))));
        } else {
            p.drawEllipse(c, m.radius, m.radius);
        }
        if (m.row >= 0 && m.row == highlightRow) {
            // A ring in the text colour, the same reflection in every panel.
            p.setPen(QPen(colors.text, 2));
            p.setBrush(Qt::NoBrush);
            const double ring = (panel.bars ? BarHalfWidth(frame, m) : m.radius) + 4;
            if (panel.bars) p.drawRect(QRectF(c.x() - ring, c.y() - 4, 2 * ring, 8));
            else p.drawEllipse(c, ring, ring);
        }
    }
    p.setPen(colors.text);
    for (const PlacedLabel& label : PlaceLabels(panel, frame, QFontMetricsF(p.font())))
        p.drawText(label.baseline, panel.markers[std::size_t(label.marker)].label);
}

void DrawHeading(QPainter& p, const Page& page, const QRectF& bounds, const Colors& colors) {
    const QFontMetricsF metrics(p.font());
    p.setPen(colors.text);
    for (int i = 0; i < page.heading.size(); ++i) {
        const QRectF line(bounds.left() + 8, bounds.top() + 4 + 16 * i, bounds.width() - 16, 16);
        p.drawText(line, Qt::AlignLeft | Qt::AlignVCenter, metrics.elidedText(page.heading[i], Qt::ElideRight, line.width()));
    }
}

void DrawLegend(QPainter& p, const Page& page, const QRectF& bounds, const Colors& colors) {
    const double height = LegendHeight(page, bounds.width());
    const QRectF strip(bounds.left(), bounds.bottom() - height, bounds.width(), height);
    const std::vector<QRectF> boxes = LegendBoxes(page, strip);
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        const QRectF key(boxes[i].left(), boxes[i].top(), LegendKeyWidth, boxes[i].height());
        const QPointF c = key.center();
        p.setPen(Qt::NoPen);
        switch (page.legend[i].key) {
            case LegendKey::Point: p.setBrush(colors.point); p.drawEllipse(c, 3.5, 3.5); break;
            case LegendKey::Marked: p.setBrush(colors.marked); p.drawEllipse(c, 3.5, 3.5); break;
            case LegendKey::Band: p.fillRect(key.adjusted(0, 3, 0, -3), colors.band); break;
            case LegendKey::Limit:
                p.setPen(QPen(colors.limit, 1, Qt::DashLine));
                p.drawLine(QPointF(key.left(), c.y()), QPointF(key.right(), c.y()));
                break;
            case LegendKey::Size:
                p.setBrush(colors.point);
                p.drawEllipse(QPointF(key.left() + 4, c.y()), 2.5, 2.5);
                p.drawEllipse(QPointF(key.right() - 7, c.y()), 6.5, 6.5);
                break;
        }
        p.setPen(colors.text);
        p.drawText(QRectF(key.right() + 4, boxes[i].top(), boxes[i].width() - LegendKeyWidth - 4, boxes[i].height()),
                   Qt::AlignLeft | Qt::AlignVCenter, page.legend[i].text);
    }
}

}  // namespace

Colors LightColors() {
    return {Qt::white, QColor(0x20, 0x20, 0x20), QColor(0x90, 0x90, 0x90), QColor(0x1f, 0x5f, 0xbf),
            QColor(0xd0, 0x20, 0x20), QColor(0xdd, 0xe8, 0xf6), QColor(0x30, 0x90, 0x30)};
}

Colors ColorsFrom(const QPalette& palette) {
    Colors colors = LightColors();
    colors.background = palette.color(QPalette::Base);
    colors.text = palette.color(QPalette::Text);
    if (IsDark(colors.background)) {
        colors.grid = QColor(0x80, 0x80, 0x80);
        colors.point = QColor(0x6f, 0xa8, 0xff);
        colors.marked = QColor(0xff, 0x6a, 0x5a);
        colors.band = QColor(0x2a, 0x3a, 0x52);
        colors.limit = QColor(0x70, 0xc8, 0x70);
    }
    return colors;
}

void DrawPage(QPainter& painter, const Page& page, const QRectF& bounds, const Colors& colors) {
    painter.save();
    painter.fillRect(bounds, colors.background);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setFont(PageFont());
    const std::vector<Frame> frames = PageFrames(page, bounds);
    for (std::size_t i = 0; i < frames.size(); ++i) {
        const Panel& panel = page.panels[i];
        painter.save();
        painter.setClipRect(frames[i].Area().adjusted(-1, -1, 1, 1));
        DrawGuides(painter, panel, frames[i], colors);
        painter.restore();
        DrawAxes(painter, panel, frames[i], colors);
        painter.save();
        painter.setClipRect(frames[i].Area().adjusted(-10, -10, 10, 10));
        DrawMarkers(painter, panel, frames[i], colors, page.highlightRow);
        painter.restore();
    }
    DrawHeading(painter, page, bounds, colors);
    DrawLegend(painter, page, bounds, colors);
    painter.restore();
}

}  // namespace zantrel::plot
