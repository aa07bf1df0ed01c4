// The plots beside the report: drawn when a run's report opens, a click on a point
// puts the cursor on its reflection's row, hovering names the row, saving as SVG and
// PNG, and the desktop's dark palette.

#include <memory>

#include <QPlainTextEdit>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QToolTip>

#include "tests/ui/FakePlatform.h"
#include "tests/ui/UiTests.h"
#include "eos/Pressure.h"
#include "run/Run.h"
#include "ui/CalibrantBar.h"
#include "ui/PlotView.h"
#include "ui/ReportRows.h"
#include "ui/Setup.h"
#include "ui/Textw.h"

namespace zantrel {

// The main window and the report window of one test, on dialogs that answer from scripts.
struct Windows {
    QTemporaryDir dir;
    FakePlatform platform;
    TMainForm form{platform};
    TTextWForm textForm{platform};
    Windows() { form.SetTextWindow(&textForm); }
};

class PlotViewTest : public QObject {
    Q_OBJECT
    std::unique_ptr<Windows> w;

    // Runs the diopside example from the main window, as the user does.
    void RunDiopside() { RunExample(QStringLiteral("diopside_2theta.dat")); }
    void RunExample(const QString& name) {
        const QString data = w->dir.filePath(QFileInfo(name).fileName());
        WriteBytes(data, ReadBytes(QStringLiteral(ZANTREL_EXAMPLES "/") + name));
        w->platform.OpenAnswers << data;
        w->form.ButtonRun->click();
        QVERIFY(QTest::qWaitForWindowExposed(&w->textForm));
    }
    TPlotView* View() const { return w->textForm.PlotView1; }
    QString CursorLine() const { return w->textForm.Memo1->textCursor().block().text(); }
    // The first marker of the panel that stands for the reflection.
    QPoint PixelOfRow(int panel, int row) const {
        const auto& markers = View()->Page().panels[std::size_t(panel)].markers;
        for (std::size_t m = 0; m < markers.size(); ++m)
            if (markers[m].row == row) return View()->MarkerPixel(panel, int(m)).toPoint();
        return {-1, -1};
    }

private slots:
    void init() { w = std::make_unique<Windows>(); }
    void cleanup() { w.reset(); }

    void clickingAPointPutsTheCursorOnItsReflectionsRow() {
        RunDiopside();
        QVERIFY(View()->isVisible());
        QVERIFY(w->textForm.MenuFileSavePlot->isEnabled());
        QCOMPARE(View()->Page().panels.size(), 3u);  // residuals, influence, DfBetas
        // Reflection 10 (3 1 -1) in the influence panel, reflection 2 in the residuals.
        for (auto [panel, row, indices] : {std::tuple{1, 9, "3   1  -1"}, {0, 1, "2   0   0"}}) {
            const QPoint pixel = PixelOfRow(panel, row);
            QVERIFY(View()->rect().contains(pixel));
            QTest::mouseClick(View(), Qt::LeftButton, {}, pixel);
            QVERIFY2(CursorLine().startsWith(QStringLiteral("%1 ").arg(row + 1, 3)), qPrintable(CursorLine()));
            QVERIFY2(CursorLine().contains(QLatin1String(indices)), qPrintable(CursorLine()));
            QCOMPARE(w->textForm.Memo1->textCursor().positionInBlock(), 0);
        }
        // Between the points nothing moves.
        const int line = w->textForm.Memo1->textCursor().blockNumber();
        QTest::mouseClick(View(), Qt::LeftButton, {}, QPoint(3, 3));
        QCOMPARE(w->textForm.Memo1->textCursor().blockNumber(), line);
    }

    void hoveringAPointShowsItsRow() {
        RunDiopside();
        QTest::mouseMove(View(), PixelOfRow(1, 9));
        QTRY_VERIFY(QToolTip::isVisible());
        QVERIFY2(QToolTip::text().startsWith(QStringLiteral("no 10   h k l  3 1 -1")), qPrintable(QToolTip::text()));
        QVERIFY(QToolTip::text().contains(QStringLiteral("influential")));
    }

    void savesThePlotAsSvgAndPng() {
        RunDiopside();
        w->platform.SaveAnswers << w->dir.filePath(QStringLiteral("plots")) << w->dir.filePath(QStringLiteral("plots.png"));
        w->textForm.MenuFileSavePlotClick();
        w->textForm.MenuFileSavePlotClick();
        QVERIFY(ReadBytes(w->dir.filePath(QStringLiteral("plots.svg"))).contains("<svg"));
        QImage png;
        QVERIFY(png.loadFromData(ReadBytes(w->dir.filePath(QStringLiteral("plots.png"))), "PNG"));
        QVERIFY(png.width() > 500);
        QVERIFY(w->platform.Messages.isEmpty());
    }

    void otherTextHidesThePlotsAndFindsNoRows() {
        RunDiopside();
        w->textForm.MenuFileNewClick();
        QVERIFY(!View()->isVisible());
        QVERIFY(!w->textForm.MenuFileSavePlot->isEnabled());
        QCOMPARE(ReflectionLine(QStringLiteral("no table here\n  1   1 1 1\n"), 0), -1);
    }

    void aChosenCalibrantGivesThePressureOfTheCell() {
        RunDiopside();
        TCalibrantBar* bar = w->textForm.CalibrantBar1;
        QVERIFY(bar->isVisible());
        QVERIFY(bar->Pressure1->text().isEmpty());
        bar->Calibrant1->setCurrentText(QStringLiteral("au-fei2007-vinet"));
        QCOMPARE(bar->Pressure1->text(), QStringLiteral("Au is cubic; the cell was refined monoclinic"));
        // Gold made at 30 GPa on that scale; the choice stays for the next run.
        RunExample(QStringLiteral("pressure/au_30GPa.dat"));
        const QByteArray bytes = ReadBytes(QStringLiteral(ZANTREL_EXAMPLES "/pressure/au_30GPa.dat"));
        const Results gold = RunRefinement(MemoryRequest({}, bytes.toStdString())).results;
        const std::vector<eos::Scale> scales = eos::BuiltInScales();
        const eos::PressureResult p = eos::Pressure(*eos::FindScale(scales, "au-fei2007-vinet"),
                                                    {double(gold.volume.value), double(gold.volume.sigma), 300, 0});
        QCOMPARE(bar->Pressure1->text(),
                 QStringLiteral("P = %1 ± %2 GPa at 300 K").arg(p.pressure, 0, 'f', 3).arg(p.sigma, 0, 'f', 3));
        QVERIFY(std::abs(p.pressure - 30) < 0.3);
        w->textForm.MenuFileNewClick();
        QVERIFY(bar->Pressure1->text().isEmpty());
    }

    void darkPaletteGivesADarkPlot() {
        RunDiopside();
        QPalette dark = View()->palette();
        dark.setColor(QPalette::Base, QColor(30, 30, 30));
        dark.setColor(QPalette::Text, QColor(230, 230, 230));
        View()->setPalette(dark);
        QVERIFY(View()->grab().toImage().pixelColor(2, 2).lightness() < 60);
    }

    // The picture of docs/gui.md, when ZANTREL_SCREENSHOTS names a folder for it.
    void screenshot() {
        const QString folder = qEnvironmentVariable("ZANTREL_SCREENSHOTS");
        if (folder.isEmpty()) QSKIP("ZANTREL_SCREENSHOTS is not set");
        RunDiopside();
        w->textForm.resize(1280, 720);
        QTest::mouseClick(View(), Qt::LeftButton, {}, PixelOfRow(1, 9));
        QVERIFY(w->textForm.grab().save(folder + QStringLiteral("/report-window-plots.png")));
    }
};

int RunPlotViewTests(int argc, char** argv) {
    PlotViewTest test;
    return QTest::qExec(&test, argc, argv);
}

}  // namespace zantrel

#include "PlotViewTest.moc"
