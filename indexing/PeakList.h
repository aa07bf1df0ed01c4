#pragma once
// A peak list as users bring it: positions from a peak search or a peak fit, with their
// intensities and standard errors where the file has them, and no indices (a file that
// has them is re-indexed with the trial cell).

#include <optional>
#include <string>
#include <vector>

#include "cell/Settings.h"

namespace zantrel::indexing {

struct Peak {
    double position = 0;  // in the list's quantity: 2-theta in degrees, d in angstrom, energy in keV
    std::optional<double> intensity;
    std::optional<double> sigma;  // of the position, in the same quantity
};

struct PeakList {
    std::string name;     // the file as named, for messages
    std::string format;   // "peak text", "CSV", "GSAS-II peak list", "Zantrel data file", ...
    std::string title;    // a Zantrel data file's title, else empty
    Quantity kind = Quantity::TwoTheta;
    std::optional<double> wavelength;  // from a "# wavelength = ..." line or a header line
    std::optional<double> beam2Theta;  // from a Zantrel data file's header line
    std::vector<Peak> peaks;           // in the file's order
};

// Reads a peak list. `kind` is what bare positions hold (a CSV or TSV column head, a
// GSAS-II export or a data file's header line says it themselves). Throws RunError
// with the file, the line and the column of what cannot be read.
PeakList ReadPeakList(const std::string& bytes, const std::string& name, Quantity kind);
PeakList ReadPeakListFile(const std::string& path, Quantity kind);

}  // namespace zantrel::indexing
