#pragma once
// Run with a peak list: the trial cell, its space group and the tolerance asked for in
// a small dialog, the peaks indexed (docs/indexing.md), and NAME.indexed.dat and its
// report NAME.indexed.out written beside the peak list.

#include <optional>

#include <QString>

#include "cell/Results.h"
#include "indexing/Index.h"

class QWidget;

namespace zantrel {

// A peak list rather than a data file: a .csv, .tsv or .pks file, or a .txt file that
// reads as a peak list and not as a data file (title, h k l value lines).
bool IsPeakList(const QString& path);

struct IndexedRun {
    QString reportPath;
    indexing::Indexing indexing;  // the assignment, and in its reply the refinement's results
};

// What the dialog showed when it was last confirmed, to show again at the next run of
// the session. The CIF path is where the CIF chooser opens.
struct IndexDialogValues {
    QString cell, spaceGroup, cifPath;
    QString tolerance = QStringLiteral("0.05");
};

// Asks for the trial cell, starting from values, and runs the indexing with the window's
// settings. None when the user cancels, values unchanged; throws FileError with the
// message of a failure (no stable assignment, a file it will not replace), values then
// holding what was confirmed.
std::optional<IndexedRun> IndexPeakList(QWidget* parent, const RefinementSettings& settings, const QString& path,
                                        IndexDialogValues& values);

}  // namespace zantrel
