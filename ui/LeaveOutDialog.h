#pragma once
// TLeaveOutDialog: the reflections of the last run, each with a box ticked while it
// enters the fit; the main window runs the file again without the unticked ones.

#include <QDialog>

#include "cell/Results.h"

class QTableWidget;

namespace zantrel {

class TLeaveOutDialog : public QDialog {
    Q_OBJECT
public:
    // The reflections the run used and those it left out, in the order of the file.
    explicit TLeaveOutDialog(const Results& lastRun, QWidget* parent = nullptr);

    // The rows left unticked, by their place among the file's reflection lines.
    Exclusions Chosen() const;
    QTableWidget* Table() const { return table_; }
    // Unticks every reflection that the diagnostics flag.
    void UntickFlagged();

private:
    QTableWidget* table_;
    std::vector<bool> flagged_;  // per table row
};

}  // namespace zantrel
