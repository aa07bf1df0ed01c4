#include "ui/WindowSettings.h"

#include <cmath>

#include <QLocale>

namespace zantrel {

RefinementSettings WindowSettingsOf(const RefinementSettings& settings) {
    RefinementSettings shown = settings;
    shown.zeroShift = false;
    shown.fullDiagnostics = false;
    return shown;
}

int MinimiseButtonIndex(Quantity quantity) {
    switch (quantity) {
        case Quantity::D: return 0;
        case Quantity::TwoTheta: return 1;
        case Quantity::Energy: return 2;
        case Quantity::Q: return 3;
    }
    return 1;
}

int DataButtonIndex(Quantity quantity) { return quantity == Quantity::Q ? 0 : MinimiseButtonIndex(quantity); }

bool ParseSetting(const QString& text, double& value) {
    QLocale locale;
    locale.setNumberOptions(locale.numberOptions() | QLocale::RejectGroupSeparator);
    bool ok = false;
    const double parsed = locale.toDouble(text, &ok);
    if (!ok || !std::isfinite(parsed)) return false;
    value = parsed;
    return true;
}

QString InvalidSettingMessage(const QString& text) {
    return QStringLiteral("'%1' is not a valid floating point value").arg(text);
}

}  // namespace zantrel
