#include "ui/LeaveOutDialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

#include "export/Format.h"

namespace zantrel {

namespace {

struct Line {
    int row, h, k, l;
    double value;
    std::optional<double> residual;  // none for a line the run left out
    bool flagged = false;
};

QTableWidgetItem* Cell(const QString& text) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return item;
}

QString Number(double x) { return QString::fromStdString(FormatShortest(x)); }

}  // namespace

TLeaveOutDialog::TLeaveOutDialog(const Results& r, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Leave out reflections"));
    std::vector<Line> lines;
    for (std::size_t i = 0; i < r.reflections.size(); ++i) {
        const ReflectionRow& x = r.reflections[i];
        const bool flagged = i < r.diagnostics.rows.size() &&
                             (r.diagnostics.rows[i].flaggedFit || r.diagnostics.rows[i].flaggedParameters);
        lines.push_back({x.row, x.h, x.k, x.l, x.valueAsRead, x.residual, flagged});
    }
    for (const ExcludedReflection& e : r.excluded) lines.push_back({e.row, e.h, e.k, e.l, e.valueAsRead, {}, false});
    std::sort(lines.begin(), lines.end(), [](const Line& a, const Line& b) { return a.row < b.row; });

    auto* note = new QLabel(QStringLiteral("Untick the reflections to leave out of the fit, then run the "
                                           "file again. Flagged: named by the regression diagnostics."),
                            this);
    note->setWordWrap(true);
    table_ = new QTableWidget(int(lines.size()), 6, this);
    table_->setHorizontalHeaderLabels({QStringLiteral("row"), QStringLiteral("h k l"), QStringLiteral("value"),
                                       QStringLiteral("residual"), QStringLiteral("flagged"), QString()});
    table_->verticalHeader()->hide();
    for (int i = 0; i < int(lines.size()); ++i) {
        const Line& line = lines[std::size_t(i)];
        auto* use = new QTableWidgetItem(QString::number(line.row));
        use->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        use->setCheckState(line.residual ? Qt::Checked : Qt::Unchecked);
        use->setData(Qt::UserRole, line.row);
        table_->setItem(i, 0, use);
        table_->setItem(i, 1, Cell(QStringLiteral("%1 %2 %3").arg(line.h).arg(line.k).arg(line.l)));
        table_->setItem(i, 2, Cell(Number(line.value)));
        table_->setItem(i, 3, Cell(line.residual ? Number(*line.residual) : QStringLiteral("left out")));
        table_->setItem(i, 4, Cell(line.flagged ? QStringLiteral("*") : QString()));
        flagged_.push_back(line.flagged);
    }
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->resizeColumnsToContents();

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    QPushButton* run = buttons->addButton(QStringLiteral("Run again"), QDialogButtonBox::AcceptRole);
    run->setDefault(true);
    QPushButton* flaggedButton = buttons->addButton(QStringLiteral("Untick flagged"), QDialogButtonBox::ActionRole);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(flaggedButton, &QPushButton::clicked, this, &TLeaveOutDialog::UntickFlagged);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(note);
    layout->addWidget(table_);
    layout->addWidget(buttons);
    resize(420, 480);
}

void TLeaveOutDialog::UntickFlagged() {
    for (int i = 0; i < table_->rowCount(); ++i)
        if (flagged_[std::size_t(i)]) table_->item(i, 0)->setCheckState(Qt::Unchecked);
}

Exclusions TLeaveOutDialog::Chosen() const {
    Exclusions chosen;
    for (int i = 0; i < table_->rowCount(); ++i)
        if (table_->item(i, 0)->checkState() != Qt::Checked)
            chosen.rows.push_back(table_->item(i, 0)->data(Qt::UserRole).toInt());
    return chosen;
}

}  // namespace zantrel
