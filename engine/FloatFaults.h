#pragma once
// Arithmetic faults are detected, not trapped: a stage clears the flags when it
// starts and tests them when it ends.

#include <string>

namespace zantrel {

void ClearFloatFaults();
// Whether invalid, division by zero or overflow has been raised since the last clear.
bool FloatFaultRaised();
// Fails with "Invalid floating point operation", "Floating point division by zero"
// or "Floating point overflow" and the stage's description when a flag is raised.
void CheckFloatFaults(const std::string& stage);

}  // namespace zantrel
