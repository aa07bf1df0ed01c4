#pragma once
// One round of the assignment: each observed peak matched to the calculated lines
// within its tolerance window, with the rules of docs/indexing.md.

#include <optional>
#include <string>
#include <vector>

#include "indexing/Lines.h"
#include "indexing/PeakList.h"

namespace zantrel::indexing {

// The half-width of the window around each peak, in the data's quantity: a 2-theta
// tolerance carried to d through the wavelength (dd/d = cot(theta) dtheta) and to
// energies through the detector angle (dE/E = cot(theta) dtheta), or a relative one
// (dd/d = R) for any data.
struct Window {
    Conversion conversion;
    double tolerance2Theta = 0.05;   // degrees
    std::optional<double> relative;  // dd/d, instead of the 2-theta tolerance
    // At an observed position; none where the wavelength cannot reach the peak's d.
    std::optional<double> At(double position) const;
    std::string Description() const;
};

enum class PeakStatus {
    Indexed,     // one line inside the window, or one clearly nearest
    Overlapped,  // indexed to a line that stands for several reflections within the tolerance
    Ambiguous,   // two or more lines inside and none clearly nearest, or a line a nearer peak took
    Unassigned,  // no line inside the window
};
const char* StatusName(PeakStatus status);  // "indexed", "overlapped", "ambiguous", "unassigned"

struct Candidate {
    Miller hkl{};
    double position = 0;  // calculated, in the data's quantity
};

struct PeakAssignment {
    Peak peak;
    double corrected = 0;  // the position after the refined zero shift
    double window = 0;     // half-width used
    PeakStatus status = PeakStatus::Unassigned;
    std::optional<Miller> hkl;          // indexed or overlapped peaks
    std::optional<double> calculated;   // position of hkl in the cell the round used
    std::vector<Candidate> candidates;  // every reflection inside the window, nearest first
    bool lostToNearerPeak = false;      // ambiguous because a nearer peak took its line
};

bool IsUsed(PeakStatus status);  // indexed or overlapped: refined

// `zero` is added to each observed position before matching (the refined correction).
std::vector<PeakAssignment> Assign(const std::vector<Peak>& peaks, const std::vector<Reflection>& reflections,
                                   const Window& window, double zero);

// Whether two rounds gave the same assignment: the same status and hkl for every peak.
bool SameAssignment(const std::vector<PeakAssignment>& x, const std::vector<PeakAssignment>& y);

}  // namespace zantrel::indexing
