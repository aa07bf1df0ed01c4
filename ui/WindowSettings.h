#pragma once
// The settings the main window's controls show, as a run leaves them in the job.

#include <QString>

#include "cell/Job.h"

namespace zantrel {

enum class DataKind { DSpacing, TwoTheta, Energy };
enum class MinimiseOn { DSpacing, TwoTheta, Energy, Q };  // the order of the radio group

struct WindowSettings {
    int CrystalSystem = 6;  // 1 cubic ... 6 triclinic
    DataKind Data = DataKind::TwoTheta;
    MinimiseOn Minimise = MinimiseOn::TwoTheta;
    double Wavelength = 1.540593;  // Å
    double Beam2Theta = 10.0;      // degrees
    bool operator==(const WindowSettings&) const = default;
};

// The only place that reads the window's settings from the job.
WindowSettings WindowSettingsOf(const RefinementJob& job);

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
