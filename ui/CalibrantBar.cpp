#include "ui/CalibrantBar.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>

#include "eos/Pressure.h"

namespace zantrel {

TCalibrantBar::TCalibrantBar(QWidget* parent) : QWidget(parent), scales_(eos::BuiltInScales()) {
    Calibrant1 = new QComboBox(this);
    Calibrant1->addItem(tr("no calibrant"));
    for (const eos::Scale& s : scales_) {
        Calibrant1->addItem(QString::fromStdString(s.name));
        Calibrant1->setItemData(Calibrant1->count() - 1, QString::fromStdString(s.reference), Qt::ToolTipRole);
    }
    Pressure1 = new QLabel(this);
    Pressure1->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(6, 2, 6, 2);
    layout->addWidget(new QLabel(tr("Pressure from"), this));
    layout->addWidget(Calibrant1);
    layout->addWidget(Pressure1, 1);
    connect(Calibrant1, &QComboBox::currentIndexChanged, this, [this] { Update(); });
}

void TCalibrantBar::ShowCell(const Results& results) {
    cell_ = results;
    Update();
}

void TCalibrantBar::Clear() {
    cell_.reset();
    Update();
}

void TCalibrantBar::Update() {
    const int index = Calibrant1->currentIndex() - 1;
    if (!cell_ || index < 0 || index >= int(scales_.size())) {
        Pressure1->clear();
        return;
    }
    const eos::Scale& s = scales_[std::size_t(index)];
    const std::string system = SystemName(cell_->systemRefined);
    if (system != s.system) {
        Pressure1->setText(tr("%1 is %2; the cell was refined %3").arg(QString::fromStdString(s.material),
                                                                       QString::fromStdString(s.system),
                                                                       QString::fromStdString(system)));
        return;
    }
    try {
        const eos::PressureResult p =
            eos::Pressure(s, {double(cell_->volume.value), double(cell_->volume.sigma), eos::ReferenceTemperature, 0});
        Pressure1->setText(tr("P = %1 ± %2 GPa at 300 K").arg(p.pressure, 0, 'f', 3).arg(p.sigma, 0, 'f', 3));
    } catch (const std::exception& e) {
        Pressure1->setText(QString::fromStdString(e.what()));
    }
}

}  // namespace zantrel
