#pragma once
// Data files computed exactly from a known direct cell, independently of the program's
// own geometry code (direct metric tensor, inverted by cofactors).

#include <random>
#include <string>
#include <vector>

namespace zantrel::synth {

struct Cell {
    double a, b, c;           // angstrom
    double alpha, beta, gamma;  // degrees
    double Volume() const;
};

struct Hkl {
    int h, k, l;
};

// d spacing of a reflection from the direct cell.
double DSpacing(const Cell& cell, const Hkl& r);

enum class Kind { TwoTheta, D, Energy };

struct DataSpec {
    Cell cell;
    int system = 6;  // 1 cubic ... 6 triclinic, for the header line
    Kind kind = Kind::TwoTheta;
    double wavelength = 1.540593;
    double beam2Theta = 10.0;
    std::string minimise = "tt";  // header token: tt, d, e or q
    bool zeroShiftFlag = false;
    double zeroShift = 0.0;    // added to every observed 2-theta or energy
    double noise2Theta = 0.0;  // standard deviation in degrees of 2-theta
    // Decimals written of each observed value, as real files carry 2 to 5; -1 writes
    // them in full (9, 10 for d spacings), so that exact data stay exact.
    int decimals = -1;
    // The share of lines written as ties of the report's table: one decimal beyond the
    // table's (3 for 2-theta and energies, 5 for d), that decimal a 5.
    double tieShare = 0.0;
    // Lines moved by 0.05 to 0.3 degrees of 2-theta either way, as an impurity's peak
    // indexed as the reflection.
    int outliers = 0;
    unsigned seed = 1;
    bool header = true;
    int count = 20;
    double min2Theta = 10.0, max2Theta = 140.0;
};

// The first `count` distinct reflections (by d, largest first) whose 2-theta lies in
// range; reflections with equal d in the system are left in, as real files have them.
std::vector<Hkl> Reflections(const DataSpec& recipe);
// A complete data file: title, optional header, reflection lines, "0 0 0" terminator.
std::string MakeDataFile(const DataSpec& recipe, const std::vector<Hkl>& reflections);
std::string MakeDataFile(const DataSpec& recipe);

// A random cell of the system (1 cubic ... 6 triclinic): edges of 4 to 20 angstrom,
// room for 60 lines below 140 degrees.
Cell RandomCell(int system, std::mt19937& random);

}  // namespace zantrel::synth
