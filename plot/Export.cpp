#include "plot/Export.h"

#include <QBuffer>
#include <QFileInfo>
#include <QtGlobal>
#include <cstdio>
#include <QGuiApplication>
#include <QSvgGenerator>

#include "plot/EosCharts.h"
#include "export/Origin.h"

namespace zantrel::plot {

namespace {

std::string Bytes(const QByteArray& bytes) { return std::string(bytes.constData(), std::size_t(bytes.size())); }

// The file's bytes with the mark of its origin after the XML declaration, where a later
// run looks for it before it replaces the file.
std::string MarkedSvg(const QByteArray& bytes) {
    std::string svg = Bytes(bytes);
    std::size_t afterDeclaration = svg.starts_with("<?xml") ? svg.find('\n') + 1 : 0;
    svg.insert(afterDeclaration, std::string(OriginMark(Document::Svg)) + "\n");
    return svg;
}

// QGuiApplication keeps references to argc and argv: they live in a base that is
// constructed first and destroyed last.
struct Arguments {
    int argc = 1;
    char name[12] = "zantrel-cli";
    char* argv[2] = {name, nullptr};
};
struct HeadlessApplication : private Arguments, public QGuiApplication {
    HeadlessApplication() : Arguments(), QGuiApplication(argc, argv) {}
};

}  // namespace

QByteArray PageSvg(const Page& page, const QSize& size, const Colors& colors, const QString& title) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    svg.setSize(size);
    svg.setViewBox(QRect(QPoint(0, 0), size));
    svg.setTitle(title.isEmpty() ? QStringLiteral("Zantrel plots") : title);
    svg.setDescription(QStringLiteral("Made by Zantrel"));
    {
        QPainter painter(&svg);
        DrawPage(painter, page, QRectF(QPointF(0, 0), QSizeF(size)), colors);
    }
    return buffer.data();
}

QImage PageImage(const Page& page, const QSize& size, const Colors& colors) {
    QImage image(size, QImage::Format_ARGB32);
    image.fill(colors.background);
    QPainter painter(&image);
    DrawPage(painter, page, QRectF(QPointF(0, 0), QSizeF(size)), colors);
    return image;
}

namespace {

std::string PageFile(const Page& page, const QString& title, PlotFormat format, const ImageSize& png) {
    const QByteArray bytes = PageBytes(page, format, format == PlotFormat::Png ? png : ImageSize{}, title);
    return format == PlotFormat::Svg ? MarkedSvg(bytes) : Bytes(bytes);
}

}  // namespace

std::string ResultsFile(const Results& results, const std::string& file, PlotFormat format, const ImageSize& png) {
    const QString name = file.empty() ? QString() : QFileInfo(QString::fromLocal8Bit(file)).fileName();
    return PageFile(ResultsPage(results, name), TitleText(results), format, png);
}

std::string SeriesFile(const std::vector<SeriesRun>& runs, PlotFormat format, const ImageSize& png) {
    return PageFile(SeriesPage(runs), QStringLiteral("Refined parameters"), format, png);
}

std::string ResultsSvg(const Results& results, const std::string& file) {
    return ResultsFile(results, file, PlotFormat::Svg);
}

std::string SeriesSvg(const std::vector<SeriesRun>& runs) { return SeriesFile(runs, PlotFormat::Svg); }

std::string EosSvg(const eos::EosFit& fit) {
    return MarkedSvg(PageSvg(EosPage(fit), PageSize, LightColors(), QStringLiteral("Equation of state")));
}

namespace {

// Qt's messages as it writes them itself, but for the notice that a session without
// XDG_RUNTIME_DIR (a batch job, a container, root) takes a default: nothing in it is for
// the user to act on, and -q promises a quiet run.
void WithoutRuntimeDirNotice(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type == QtWarningMsg && message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR"))) return;
    std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
}

}  // namespace

std::unique_ptr<QObject> StartHeadlessGui() {
    if (QCoreApplication::instance()) return nullptr;
    qInstallMessageHandler(WithoutRuntimeDirNotice);
    // Fonts need a platform plugin; the offscreen one needs no display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    return std::make_unique<HeadlessApplication>();
}

}  // namespace zantrel::plot
