#pragma once
// A small JSON reader for the scale files: objects, arrays, strings, numbers, true,
// false, null. Depth and size are bounded by the text; no recursion beyond 64 levels.

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace zantrel::eos {

struct JsonValue {
    enum class Kind { Null, Bool, Number, String, Array, Object } kind = Kind::Null;
    bool boolean = false;
    double number = 0;
    std::string string;
    std::vector<JsonValue> array;
    std::vector<std::pair<std::string, JsonValue>> object;  // in the order written

    const JsonValue* Find(const std::string& key) const;
};

// Throws std::runtime_error naming the offset of the first fault.
JsonValue ParseJson(const std::string& text);

}  // namespace zantrel::eos
