#include "cell/Messages.h"

namespace zantrel {

std::string IoErrorText(int code) { return "I/O error " + std::to_string(code); }

void Fail(const std::string& message) { throw RunError(message); }

void Fail(const std::string& message, const std::string& where) {
    if (where.empty()) throw RunError(message);
    throw RunError(message + "\n" + where);
}

}  // namespace zantrel
