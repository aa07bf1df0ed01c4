#pragma once
// eos/scales.json as compiled in (the build generates its definition).

namespace zantrel::eos {
const char* BuiltInScalesJson();
}
