#include "run/ImpossibleCell.h"

#include <cmath>

#include "cell/Constants.h"
#include "cell/HeaderCheck.h"
#include "cell/Messages.h"
#include "export/Format.h"

namespace zantrel {

namespace {

const char* const CellLabels[6] = {"a", "b", "c", "alpha", "beta", "gamma"};

const char* Plural(Quantity q) {
    switch (q) {
        case Quantity::TwoTheta: return "2-theta";
        case Quantity::D: return "d spacings";
        case Quantity::Energy: return "energies";
        case Quantity::Q: return "Q";
    }
    return "";
}

// The likeliest misreading: the values are another of the three quantities.
std::string Guess(const Results& r, const std::string& headerDataWord) {
    const Quantity read = r.settings.data;
    std::string others;
    if (std::optional<Quantity> meant = QuantityMeant(headerDataWord); meant && *meant != read && *meant != Quantity::Q)
        others = Plural(*meant);
    else if (read == Quantity::D) others = "2-theta or energies";
    else if (read == Quantity::TwoTheta) others = "d spacings or energies";
    else others = "2-theta or d spacings";
    std::string guess = "are the values " + others + "? ";
    if (!headerDataWord.empty())
        return guess + "the header's data word is '" + headerDataWord + "', which reads as " + Plural(read);
    return guess + "they were read as " + Plural(read) + " (the data setting)";
}

// The metric of a, b, c with these angles is positive definite when every angle lies
// strictly between 0 and 180 degrees and the Gram determinant of the unit edge vectors,
// 1 - cos²α - cos²β - cos²γ + 2 cosα cosβ cosγ (V² / a²b²c²), is positive.
bool AnglesMakeACell(const Results& r) {
    double c[3];
    for (int i = 0; i < 3; ++i) {
        const double angle = r.cell[std::size_t(3 + i)].value;
        if (!(angle > 0 && angle < 180)) return false;
        c[i] = std::cos(angle * Pi / 180);
    }
    return 1 - c[0] * c[0] - c[1] * c[1] - c[2] * c[2] + 2 * c[0] * c[1] * c[2] > 0;
}

}  // namespace

void RefuseImpossibleCell(const Results& r, const std::string& headerDataWord) {
    if (r.halted) return;
    const char* const Impossible = Msg::ImpossibleCell;
    for (std::size_t i = 0; i < 3; ++i)
        if (!(r.cell[i].value > 0))
            Fail(Impossible, std::string("the refined ") + CellLabels[i] + " is " + FixedText(r.cell[i].value, 3) +
                                 " Å: " + Guess(r, headerDataWord));
    if (!(r.volume.value > 0))
        Fail(Impossible, "the refined volume is " + FixedText(r.volume.value, 3) + " Å³: " + Guess(r, headerDataWord));
    if (!AnglesMakeACell(r))
        Fail(Impossible, "the refined angles " + FixedText(r.cell[3].value, 3) + ", " + FixedText(r.cell[4].value, 3) +
                             " and " + FixedText(r.cell[5].value, 3) +
                             " degrees make no cell (its metric is not positive definite): " +
                             Guess(r, headerDataWord));
    for (std::size_t i = 0; i < r.reflections.size(); ++i) {
        const ReflectionRow& row = r.reflections[i];
        if (!(row.dObs > 0))
            Fail(Impossible, "the d spacing of reflection " + std::to_string(i + 1) + " (" + std::to_string(row.h) +
                                 " " + std::to_string(row.k) + " " + std::to_string(row.l) + ") is " +
                                 FixedText(row.dObs, 3) + " Å after the zero-shift correction: " +
                                 Guess(r, headerDataWord));
    }
}

}  // namespace zantrel
