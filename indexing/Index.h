#pragma once
// Indexing a peak list from a trial cell: assign hkl, refine the assigned peaks with the
// engine, reassign with the refined cell, until the assignment no longer changes.

#include <string>
#include <vector>

#include "indexing/Assign.h"
#include "indexing/FiguresOfMerit.h"
#include "indexing/PeakList.h"
#include "indexing/TrialCell.h"
#include "run/Run.h"

namespace zantrel::indexing {

struct IndexRequest {
    PeakList peaks;
    TrialCell trial;
    // The refinement's settings; the crystal system follows from the space group, and
    // the data kind, wavelength and detector angle from the peak list where it has them.
    RefinementSettings settings;
    double tolerance2Theta = 0.05;   // degrees
    std::optional<double> relative;  // dd/d, in place of the 2-theta tolerance
    // A fixed point with fewer peaks indexed than this share is no stable assignment.
    double minIndexedShare = 0.5;
    int maxRounds = 20;
    std::string dataName = "peaks.indexed.dat";  // the indexed data file, as messages name it
    Precision precision = Precision::Checked;
};

struct Indexing {
    TrialCell trial;
    Window window;
    int rounds = 0;  // assignments made, the last one equal to the one before
    std::vector<PeakAssignment> peaks;  // in the order of d, largest first
    FiguresOfMerit merit;
    int indexed = 0, overlapped = 0, ambiguous = 0, unassigned = 0;
    std::string dataBytes;  // the indexed data file
    RunReply reply;         // its refinement, with the report's bytes
};

// Throws RunError, "no stable assignment: ..." when the rounds do not settle or settle
// on too few peaks.
Indexing IndexPeaks(const IndexRequest& request);

// The refined cell of an indexing, to start the next file of a series from.
CellParameters RefinedCell(const Results& results);

}  // namespace zantrel::indexing
