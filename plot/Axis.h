#pragma once
// The numbers along an axis: round tick steps and labels that say exactly the ticks'
// values, with an offset where the values share many leading digits.

#include <QString>
#include <QStringList>
#include <vector>

namespace zantrel::plot {

struct Axis {
    std::vector<double> ticks;  // in data units, ascending
    QStringList labels;         // one for each tick
    // Said after the axis title when the labels are offset or scaled: ": 5.431 + tick × 10⁻⁶".
    QString titleNote;
};

// About `target` ticks on [low, high], a step of 1, 2, 2.5 or 5 × 10ⁿ; with `integers`
// (counts, file numbers) no step below 1 and none of 2.5. Labels carry the step's
// decimals exactly and the minus sign of the titles (U+2212).
Axis AxisOf(double low, double high, int target, bool integers = false);

}  // namespace zantrel::plot
