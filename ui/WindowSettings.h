#pragma once
// The settings the main window's controls show, as a run leaves them.

#include <QString>

#include "cell/Settings.h"

namespace zantrel {

// The settings the window's controls show: the two check boxes are left out, since
// every Run reads them again.
RefinementSettings WindowSettingsOf(const RefinementSettings& settings);

// Index of a quantity among the Minimise radio buttons (d, 2-theta, energy, Q) and
// among the Input data buttons (d, 2-theta, energy).
int MinimiseButtonIndex(Quantity quantity);
int DataButtonIndex(Quantity quantity);

// The edits' text as a number in the user's locale. Group separators are refused:
// "1,540" in English is a typing slip for 1.540, never 1540 Å. Infinity and NaN parse,
// but no run could use them.
bool ParseSetting(const QString& text, double& value);
QString InvalidSettingMessage(const QString& text);

}  // namespace zantrel
