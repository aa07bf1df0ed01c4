// The plots beside the report: drawn when a run's report opens, a click on a point
// puts the cursor on its reflection's row, hovering names the row, saving as SVG and
// PNG, and the desktop's dark palette.

#include <memory>

#include <QPlainTextEdit>
#include <QApplication>
#include <QComboBox>
#include <QWheelEvent>
#include <algorithm>
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
            // The whole row selected, the caret at its end where the residuals are.
            QCOMPARE(w->textForm.Memo1->textCursor().selectedText(), CursorLine());
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

    // The extension typed decides, else the chosen filter; the name comes from the report.
    void savesThePlotAsSvgPngAndPdfByExtensionOrFilter() {
        RunDiopside();
        FileDialog& dialog = w->textForm.SavePlotDialog;
        w->platform.SaveAnswers << w->dir.filePath(QStringLiteral("plots")) << w->dir.filePath(QStringLiteral("chosen"))
                                << w->dir.filePath(QStringLiteral("plots.pdf"));
        w->textForm.MenuFileSavePlotClick();
        QCOMPARE(w->platform.SaveDialogs.last().FileName, w->dir.filePath(QStringLiteral("diopside_2theta.svg")));
        QVERIFY(ReadBytes(w->dir.filePath(QStringLiteral("plots.svg"))).contains("<svg"));
        dialog.FilterIndex = 1;  // PNG chosen, no extension typed
        w->platform.ImageSizes << QSize(1600, 1200);
        w->textForm.MenuFileSavePlotClick();
        QCOMPARE(w->platform.SaveDialogs.last().FileName, w->dir.filePath(QStringLiteral("diopside_2theta.png")));
        QImage png;
        QVERIFY(png.loadFromData(ReadBytes(w->dir.filePath(QStringLiteral("chosen.png"))), "PNG"));
        QCOMPARE(png.size(), QSize(1600, 1200));
        QCOMPARE(png.dotsPerMeterX(), 7559);  // 192 dpi
        w->textForm.MenuFileSavePlotClick();  // .pdf typed with the PNG filter
        QVERIFY(ReadBytes(w->dir.filePath(QStringLiteral("plots.pdf"))).startsWith("%PDF"));
        QVERIFY(w->platform.Messages.isEmpty());
        // A failed write says why.
        w->platform.SaveAnswers << w->dir.filePath(QStringLiteral("no/such/folder/p.svg"));
        w->textForm.MenuFileSavePlotClick();
        QCOMPARE(w->platform.Errors.size(), 1);
        QVERIFY2(w->platform.Errors.first().size() > QStringLiteral("Cannot write file \"%1\". ").arg(w->dir.filePath("no/such/folder/p.svg")).size(),
                 qPrintable(w->platform.Errors.first()));
    }

    // A bar answers along its length, its tooltip gives the plotted values; d data
    // (a blank line after the table's heads) find their rows too.
    void barsTooltipsAndDSpacingRowsAnswer() {
        RunDiopside();
        const auto& panels = View()->Page().panels;
        const std::size_t bars = panels.size() - 1;
        QVERIFY(panels[bars].bars);
        const plot::Marker& tall = *std::max_element(panels[bars].markers.begin(), panels[bars].markers.end(),
                                                      [](const plot::Marker& a, const plot::Marker& b) { return a.y < b.y; });
        const QPointF tip = View()->MarkerPixel(int(bars), int(&tall - panels[bars].markers.data()));
        const QPoint middle(int(tip.x()), int(tip.y() + 30));
        QTest::mouseClick(View(), Qt::LeftButton, {}, middle);
        QVERIFY2(CursorLine().startsWith(QStringLiteral("%1 ").arg(tall.row + 1, 3)), qPrintable(CursorLine()));
        for (const char* value : {"hat ", "Rstudent ", "DFFITS ", "largest DfBeta "})
            QVERIFY2(View()->RowText(tall.row).contains(QLatin1String(value)), value);

        for (const char* name : {"diopside_dspacing.dat", "rutile_energy_min2theta.dat", "forsterite_dspacing.dat"}) {
            RunExample(QLatin1String(name));
            QTest::mouseClick(View(), Qt::LeftButton, {}, PixelOfRow(0, 4));
            QVERIFY2(CursorLine().startsWith(QStringLiteral("  5 ")), name);
        }
        // d data: residuals against 2θ by default, with the choice beside the plots.
        QVERIFY(w->textForm.PositionBox->isVisible());
        QCOMPARE(View()->Page().panels[0].xTitle, QStringLiteral("2θ (°)"));
        w->textForm.PositionBox->setCurrentIndex(2);
        emit w->textForm.PositionBox->activated(2);
        QCOMPARE(View()->Page().panels[0].xTitle, QStringLiteral("d (Å)"));
    }

    // One reflection ringed in every panel; the keys step on; the wheel zooms the panel
    // under the pointer, a drag pans it, a double click resets it.
    void highlightKeysZoomAndPan() {
        RunDiopside();
        QTest::mouseClick(View(), Qt::LeftButton, {}, PixelOfRow(0, 3));
        QCOMPARE(View()->Highlighted(), 3);
        QTest::keyClick(View(), Qt::Key_Right);
        QCOMPARE(View()->Highlighted(), 4);
        QVERIFY2(CursorLine().startsWith(QStringLiteral("  5 ")), qPrintable(CursorLine()));
        QTest::keyClick(View(), Qt::Key_Left);
        QTest::keyClick(View(), Qt::Key_Left);
        QCOMPARE(View()->Highlighted(), 2);

        const plot::Panel before = View()->Page().panels[0];
        const QPointF centre = plot::PageFrames(View()->Page(), QRectF(View()->rect()))[0].Area().center();
        QWheelEvent wheel(centre, View()->mapToGlobal(centre), {}, QPoint(0, 240), Qt::NoButton, {}, Qt::NoScrollPhase, false);
        QApplication::sendEvent(View(), &wheel);
        const plot::Panel& zoomed = View()->Page().panels[0];
        QVERIFY(std::abs((zoomed.xMax - zoomed.xMin) - 0.64 * (before.xMax - before.xMin)) < 1e-9 * before.xMax);
        const double xMin = zoomed.xMin;
        QPoint empty = centre.toPoint() + QPoint(0, 60);
        while (empty.y() > 0 && plot::MarkerAt(View()->Page(), QRectF(View()->rect()), empty))
            empty.ry() -= 7;
        QTest::mousePress(View(), Qt::LeftButton, {}, empty);
        QMouseEvent move(QEvent::MouseMove, QPointF(empty + QPoint(-40, 0)), View()->mapToGlobal(QPointF(empty + QPoint(-40, 0))),
                         Qt::NoButton, Qt::LeftButton, {});
        QApplication::sendEvent(View(), &move);
        QTest::mouseRelease(View(), Qt::LeftButton, {}, empty + QPoint(-40, 0));
        QVERIFY(View()->Page().panels[0].xMin > xMin);  // dragged left: later 2θ in view
        QTest::mouseDClick(View(), Qt::LeftButton, {}, empty);
        QCOMPARE(View()->Page().panels[0].xMin, before.xMin);
        QCOMPARE(View()->Page().panels[0].yMax, before.yMax);
    }

    // Sized for report and plots once; a size the user gives stays at the next run.
    void theWindowKeepsTheSizeTheUserGaveIt() {
        RunDiopside();
        w->textForm.resize(700, 450);
        RunDiopside();
        QCOMPARE(w->textForm.size(), QSize(700, 450));
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
        // A 60-reflection triclinic page, and one of 200 reflections.
        for (auto [example, picture] : {std::pair{"albite_2theta.dat", "report-window-plots.png"},
                                        {"rutile_mo_over200.dat", "report-window-plots-200.png"}}) {
            RunExample(QLatin1String(example));
            w->textForm.resize(1600, 900);
            RunExample(QLatin1String(example));  // laid out at that size
            QTest::mouseClick(View(), Qt::LeftButton, {}, PixelOfRow(1, 9));
            QVERIFY(w->textForm.grab().save(folder + QLatin1Char('/') + QLatin1String(picture)));
        }
    }
};

int RunPlotViewTests(int argc, char** argv) {
    PlotViewTest test;
    return QTest::qExec(&test, argc, argv);
}

}  // namespace zantrel

#include "PlotViewTest.moc"
