#include "ui/WindowSettings.h"

#include <cmath>

#include <QLocale>

namespace zantrel {

WindowSettings WindowSettingsOf(const RefinementJob& job) {
    WindowSettings shown;
    shown.CrystalSystem = job.CrystalSystem;
    shown.Data = job.DataIsEnergy   ? DataKind::Energy
                 : job.DataIs2Theta ? DataKind::TwoTheta
                                    : DataKind::DSpacing;
    shown.Minimise = job.MinimiseOnD        ? MinimiseOn::DSpacing
                     : job.MinimiseOn2Theta ? MinimiseOn::TwoTheta
                     : job.MinimiseOnEnergy ? MinimiseOn::Energy
                                            : MinimiseOn::Q;
    shown.Wavelength = job.Wavelength;
    shown.Beam2Theta = job.Beam2Theta;
    return shown;
}

void ForgetHeader(RefinementJob& job) {
    job.DataKindToken.clear();
    job.MinimiseToken.clear();
}

bool HeaderWasRead(const RefinementJob& job) { return !job.DataKindToken.empty(); }

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
