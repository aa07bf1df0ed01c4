#pragma once
// TAssignmentView: an indexing run's assignment beside its report, one row a peak, and
// a line with the figures of merit and the counts.

#include <QWidget>

#include "indexing/Index.h"

class QLabel;
class QTableWidget;

namespace zantrel {

class TAssignmentView : public QWidget {
    Q_OBJECT
public:
    explicit TAssignmentView(QWidget* parent = nullptr);

    // The peaks in the record's order (d, largest first); positions in the data's quantity.
    void ShowIndexing(const indexing::Indexing& x);
    void Clear();

    QTableWidget* Table() const { return table_; }
    QLabel* Summary() const { return summary_; }

private:
    QLabel* summary_;
    QTableWidget* table_;
};

}  // namespace zantrel
