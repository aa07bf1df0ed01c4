#include "ui/AssignmentView.h"

#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>

namespace zantrel {

namespace {

using namespace zantrel::indexing;

QString Number(std::optional<double> x, int decimals) {
    return x ? QString::number(*x, 'f', decimals) : QStringLiteral("-");
}

QString Merit(std::optional<double> x) { return x ? QString::number(*x, 'f', 1) : QStringLiteral("n/a"); }

QTableWidgetItem* Cell(const QString& text, bool numeric) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    if (numeric) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return item;
}

// Why a peak has no hkl, or which lines it could be: the candidates, nearest first.
QString CandidatesOf(const PeakAssignment& p) {
    QStringList lines;
    for (const Candidate& c : p.candidates)
        lines << QStringLiteral("%1 %2 %3 at %4").arg(c.hkl[0]).arg(c.hkl[1]).arg(c.hkl[2]).arg(c.position, 0, 'f', 4);
    return lines.isEmpty() ? QStringLiteral("no calculated line inside the window") : lines.join('\n');
}

}  // namespace

TAssignmentView::TAssignmentView(QWidget* parent) : QWidget(parent) {
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    summary_ = new QLabel(this);
    summary_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    summary_->setWordWrap(true);
    table_ = new QTableWidget(0, 5, this);
    table_->setHorizontalHeaderLabels({tr("Position"), tr("Status"), tr("hkl"), tr("Calculated"), tr("Residual")});
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->verticalHeader()->hide();
    table_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    column->addWidget(summary_);
    column->addWidget(table_, 1);
}

void TAssignmentView::ShowIndexing(const Indexing& x) {
    const FiguresOfMerit& m = x.merit;
    // The wording of zantrel-cli index; N is the number of lines each figure is over.
    summary_->setText(tr("M(%1) = %2, F(%3) = %4; %5 peaks: %6 indexed, %7 unassigned, %8 ambiguous")
                          .arg(m.mLines)
                          .arg(Merit(m.m20))
                          .arg(m.fLines)
                          .arg(Merit(m.fN))
                          .arg(x.peaks.size())
                          .arg(x.indexed + x.overlapped)
                          .arg(x.unassigned)
                          .arg(x.ambiguous));
    table_->setRowCount(int(x.peaks.size()));
    for (int row = 0; row < int(x.peaks.size()); ++row) {
        const PeakAssignment& p = x.peaks[std::size_t(row)];
        const QString hkl = p.hkl ? QStringLiteral("%1 %2 %3").arg((*p.hkl)[0]).arg((*p.hkl)[1]).arg((*p.hkl)[2])
                                  : QString();
        std::optional<double> residual;
        if (p.calculated) residual = p.corrected - *p.calculated;
        table_->setItem(row, 0, Cell(QString::number(p.peak.position, 'f', 4), true));
        table_->setItem(row, 1, Cell(QString::fromLatin1(StatusName(p.status)), false));
        table_->setItem(row, 2, Cell(hkl, false));
        table_->setItem(row, 3, Cell(Number(p.calculated, 4), true));
        table_->setItem(row, 4, Cell(Number(residual, 4), true));
        table_->item(row, 1)->setToolTip(CandidatesOf(p));
    }
}

void TAssignmentView::Clear() {
    summary_->clear();
    table_->setRowCount(0);
}

}  // namespace zantrel
