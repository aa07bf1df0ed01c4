#pragma once
// Run with a peak list: the trial cell, its space group and the tolerance asked for in
// a small dialog, the peaks indexed (docs/indexing.md), and NAME.indexed.dat and its
// report NAME.indexed.out written beside the peak list.

#include <optional>

#include <QString>

#include "cell/Results.h"

class QWidget;

namespace zantrel {

// A peak list rather than a data file: a .csv, .tsv or .pks file, or a .txt file that
// reads as a peak list and not as a data file (title, h k l value lines).
bool IsPeakList(const QString& path);

struct IndexedRun {
    QString reportPath;
    Results results;
};

// Asks for the trial cell and runs the indexing with the window's settings. None when
// the user cancels; throws FileError with the message of a failure (no stable
// assignment, a file it will not replace).
std::optional<IndexedRun> IndexPeakList(QWidget* parent, const RefinementSettings& settings, const QString& path);

}  // namespace zantrel
