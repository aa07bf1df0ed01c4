#include "cell/Messages.h"

namespace zantrel {

std::string IoErrorText(int code) { return "I/O error " + std::to_string(code); }

std::string ExplanationFirst(const std::string& what, const std::string& fileName) {
    const std::size_t end = what.find('\n');
    if (end == std::string::npos || end + 1 == what.size()) return what;
    const std::string explanation = what.substr(end + 1), fault = what.substr(0, end);
    if (explanation == fileName) return fault;
    return explanation + "\n" + fault;
}

void Fail(const std::string& message) { throw RunError(message); }

void Fail(const std::string& message, const std::string& where) {
    if (where.empty()) throw RunError(message);
    throw RunError(message + "\n" + where);
}

}  // namespace zantrel
