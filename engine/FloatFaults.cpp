#include "engine/FloatFaults.h"

#include <cfenv>

#include "cell/Messages.h"

namespace zantrel {

void ClearFloatFaults() { std::feclearexcept(FE_ALL_EXCEPT); }

bool FloatFaultRaised() { return std::fetestexcept(FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW) != 0; }

void CheckFloatFaults(const std::string& stage) {
    int raised = std::fetestexcept(FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW);
    if (raised == 0) return;
    std::feclearexcept(FE_ALL_EXCEPT);
    // A division by zero or an overflow leaves an infinity whose later use may
    // raise "invalid" too; a NaN raises nothing more. So the cause ranks first.
    if (raised & FE_DIVBYZERO) Fail(Msg::DivisionByZero, stage);
    if (raised & FE_OVERFLOW) Fail(Msg::Overflow, stage);
    Fail(Msg::InvalidOperation, stage);
}

}  // namespace zantrel
