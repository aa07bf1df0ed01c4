#include "plot/PageFiles.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include "export/Origin.h"
#include "plot/Export.h"

namespace zantrel::plot {

namespace {

constexpr double LayoutDpi = 96;

QSizeF LayoutSize(const ImageSize& size) {
    return QSizeF(size.pixels) * (LayoutDpi / std::max(1, size.dpi));
}

QByteArray PngBytes(const Page& page, const ImageSize& size) {
    QImage image(size.pixels, QImage::Format_ARGB32);
    const Colors colors = LightColors();
    image.fill(colors.background);
    const double metres = 0.0254;
    image.setDotsPerMeterX(int(std::lround(size.dpi / metres)));
    image.setDotsPerMeterY(int(std::lround(size.dpi / metres)));
    // The mark by which a later run of zantrel-cli knows the file for its own.
    image.setText(QStringLiteral("Software"), QString::fromLatin1(PictureMaker.data(), qsizetype(PictureMaker.size())));
    {
        QPainter painter(&image);
        painter.scale(size.dpi / LayoutDpi, size.dpi / LayoutDpi);
        DrawPage(painter, page, QRectF(QPointF(0, 0), LayoutSize(size)), colors);
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    return image.save(&buffer, "PNG") ? bytes : QByteArray();
}

// One page of the picture's size in points, drawn in the layout's pixels.
QByteArray PdfBytes(const Page& page, const ImageSize& size, const QString& title) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter pdf(&buffer);
        pdf.setTitle(title.isEmpty() ? QStringLiteral("Zantrel plots") : title);
        pdf.setCreator(QString::fromLatin1(PictureMaker.data(), qsizetype(PictureMaker.size())));  // the mark
        pdf.setResolution(int(LayoutDpi));
        const QSizeF layout = LayoutSize(size);
        pdf.setPageSize(QPageSize(layout * (72 / LayoutDpi), QPageSize::Point, QString(), QPageSize::ExactMatch));
        pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
        QPainter painter;
        if (!painter.begin(&pdf)) return {};
        DrawPage(painter, page, QRectF(QPointF(0, 0), layout), LightColors());
        painter.end();
    }
    return bytes;
}

}  // namespace

std::optional<PlotFormat> FormatOfName(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("svg")) return PlotFormat::Svg;
    if (suffix == QLatin1String("png")) return PlotFormat::Png;
    if (suffix == QLatin1String("pdf")) return PlotFormat::Pdf;
    return std::nullopt;
}

QString ExtensionOf(PlotFormat format) {
    switch (format) {
        case PlotFormat::Svg: return QStringLiteral("svg");
        case PlotFormat::Png: return QStringLiteral("png");
        case PlotFormat::Pdf: return QStringLiteral("pdf");
    }
    return {};
}

QByteArray PageBytes(const Page& page, PlotFormat format, const ImageSize& size, const QString& title) {
    switch (format) {
        case PlotFormat::Svg: return PageSvg(page, LayoutSize(size).toSize(), LightColors(), title);
        case PlotFormat::Png: return PngBytes(page, size);
        case PlotFormat::Pdf: return PdfBytes(page, size, title);
    }
    return {};
}

}  // namespace zantrel::plot
