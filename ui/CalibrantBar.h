#pragma once
// TCalibrantBar: a calibrant chosen beside the report, and the pressure its scale gives
// for the refined cell (the scales of eos/, at 300 K).

#include <QWidget>
#include <optional>
#include <vector>

#include "cell/Results.h"
#include "eos/Scale.h"

class QComboBox;
class QLabel;

namespace zantrel {

class TCalibrantBar : public QWidget {
    Q_OBJECT
public:
    explicit TCalibrantBar(QWidget* parent = nullptr);

    // The refined cell whose pressure the chosen scale gives; Clear forgets it.
    void ShowCell(const Results& results);
    void Clear();

    QComboBox* Calibrant1;  // "none", then every built-in scale by name
    QLabel* Pressure1;      // "P = 30.02 ± 0.09 GPa", or why the scale refuses the cell

private:
    void Update();

    std::vector<eos::Scale> scales_;
    std::optional<Results> cell_;
};

}  // namespace zantrel
