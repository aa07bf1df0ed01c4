#include "plot/Draw.h"

#include <QPainterPath>
#include <cmath>

namespace zantrel::plot {

namespace {

bool IsDark(const QColor& c) { return c.lightness() < 128; }

QString TickText(double v, double step) {
    // As many decimals as the step needs, and no more.
    const int decimals = step >= 1 ? 0 : std::min(8, int(std::ceil(-std::log10(step) - 1e-9)));
    return QString::number(v, 'f', decimals);
}

void DrawAxes(QPainter& p, const Panel& panel, const Frame& frame, const Colors& colors) {
    const QRectF& area = frame.Area();
    const QFontMetricsF metrics(p.font());
    p.setPen(QPen(colors.grid, 1));
    const std::vector<double> xTicks = Ticks(panel.xMin, panel.xMax);
    const std::vector<double> yTicks = Ticks(panel.yMin, panel.yMax, 5);
    p.setPen(QPen(colors.text, 1));
    for (std::size_t i = 0; i < xTicks.size(); ++i) {
        const double x = frame.ToPixel(xTicks[i], 0).x();
        p.drawLine(QPointF(x, area.bottom()), QPointF(x, area.bottom() + 4));
        const QString text = TickText(xTicks[i], xTicks.size() > 1 ? xTicks[1] - xTicks[0] : 1);
        p.drawText(QPointF(x - metrics.horizontalAdvance(text) / 2, area.bottom() + 6 + metrics.ascent()), text);
    }
    for (std::size_t i = 0; i < yTicks.size(); ++i) {
        const double y = frame.ToPixel(0, yTicks[i]).y();
        p.drawLine(QPointF(area.left() - 4, y), QPointF(area.left(), y));
        const QString text = TickText(yTicks[i], yTicks.size() > 1 ? yTicks[1] - yTicks[0] : 1);
        p.drawText(QPointF(area.left() - 6 - metrics.horizontalAdvance(text), y + metrics.ascent() / 2 - 1), text);
    }
    p.setBrush(Qt::NoBrush);
    p.drawRect(area);
    // Titles: the panel's above, the x axis's below, the y axis's turned along the left.
    QFont bold = p.font();
    bold.setBold(true);
    p.save();
    p.setFont(bold);
    p.drawText(QRectF(area.left(), area.top() - 26, area.width(), 22), Qt::AlignCenter, panel.title);
    p.restore();
    p.drawText(QRectF(area.left(), area.bottom() + 22, area.width(), 22), Qt::AlignCenter, panel.xTitle);
    p.save();
    p.translate(area.left() - 74, area.center().y());
    p.rotate(-90);
    p.drawText(QRectF(-area.height() / 2, 0, area.height(), 20), Qt::AlignCenter, panel.yTitle);
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

void DrawMarkers(QPainter& p, const Panel& panel, const Frame& frame, const Colors& colors) {
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
            p.drawRect(QRectF(QPointF(c.x() - m.radius, std::min(c.y(), base.y())),
                              QPointF(c.x() + m.radius, std::max(c.y(), base.y()))));
        } else {
            p.drawEllipse(c, m.radius, m.radius);
        }
        if (!m.label.isEmpty()) {
            p.setPen(colors.text);
            p.drawText(c + QPointF(m.radius + 2, -m.radius - 2), m.label);
        }
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
    QFont font = painter.font();
    font.setPixelSize(12);
    painter.setFont(font);
    const std::vector<Frame> frames = PageFrames(page, bounds);
    for (std::size_t i = 0; i < frames.size(); ++i) {
        const Panel& panel = page.panels[i];
        painter.save();
        painter.setClipRect(frames[i].Area().adjusted(-1, -1, 1, 1));
        DrawGuides(painter, panel, frames[i], colors);
        painter.restore();
        DrawAxes(painter, panel, frames[i], colors);
        DrawMarkers(painter, panel, frames[i], colors);
    }
    painter.restore();
}

}  // namespace zantrel::plot
