#pragma once
// The settings the main window's controls show, as a run leaves them in the job.

#include <QString>

#include "engine/Job.h"
#include "cell/Settings.h"

namespace zantrel {

// The settings the window's controls show, from the job: the two check boxes are
// left out, since every Run reads them again.
RefinementSettings WindowSettingsOf(const RefinementJob& job);

// Index of a quantity among the Minimise radio buttons (d, 2-theta, energy, Q) and
// among the Input data buttons (d, 2-theta, energy).
int MinimiseButtonIndex(Quantity quantity);
int DataButtonIndex(Quantity quantity);

// Header tokens are set only by a data file's header line: forgotten before a run,
// present after it when that file had one.
void ForgetHeader(RefinementJob& job);
bool HeaderWasRead(const RefinementJob& job);

// The edits' text as a number in the user's locale. Group separators are refused:
// "1,540" in English is a typing slip for 1.540, never 1540 Å. Infinity and NaN parse,
// but no run could use them.
bool ParseSetting(const QString& text, double& value);
QString InvalidSettingMessage(const QString& text);

}  // namespace zantrel
