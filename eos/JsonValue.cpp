#include "eos/JsonValue.h"

#include <cmath>
#include <cstdlib>
#include <stdexcept>

namespace zantrel::eos {

const JsonValue* JsonValue::Find(const std::string& key) const {
    for (const auto& [k, v] : object)
        if (k == key) return &v;
    return nullptr;
}

namespace {

class Parser {
public:
    explicit Parser(const std::string& text) : text_(text) {}

    JsonValue Document() {
        JsonValue v = Value(0);
        Space();
        if (pos_ != text_.size()) Fault("text after the document");
        return v;
    }

private:
    [[noreturn]] void Fault(const std::string& what) const {
        throw std::runtime_error("JSON: " + what + " at offset " + std::to_string(pos_));
    }
    void Space() {
        while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\n' || text_[pos_] == '\r' || text_[pos_] == '\t'))
            ++pos_;
    }
    bool Take(char c) {
        Space();
        if (pos_ < text_.size() && text_[pos_] == c) {
            ++pos_;
            return true;
        }
        return false;
    }
    void Expect(char c) {
        if (!Take(c)) Fault(std::string("'") + c + "' expected");
    }
    bool Word(const char* word) {
        const std::string w = word;
        if (text_.compare(pos_, w.size(), w) != 0) return false;
        pos_ += w.size();
        return true;
    }

    JsonValue Value(int depth) {
        if (depth > 64) Fault("nesting too deep");
        Space();
        if (pos_ >= text_.size()) Fault("value expected");
        JsonValue v;
        const char c = text_[pos_];
        if (c == '{') {
            ++pos_;
            v.kind = JsonValue::Kind::Object;
            if (Take('}')) return v;
            do {
                Space();
                std::string key = String();
                Expect(':');
                v.object.emplace_back(std::move(key), Value(depth + 1));
            } while (Take(','));
            Expect('}');
        } else if (c == '[') {
            ++pos_;
            v.kind = JsonValue::Kind::Array;
            if (Take(']')) return v;
            do v.array.push_back(Value(depth + 1));
            while (Take(','));
            Expect(']');
        } else if (c == '"') {
            v.kind = JsonValue::Kind::String;
            v.string = String();
        } else if (Word("true")) {
            v.kind = JsonValue::Kind::Bool;
            v.boolean = true;
        } else if (Word("false")) {
            v.kind = JsonValue::Kind::Bool;
        } else if (Word("null")) {
        } else {
            v.kind = JsonValue::Kind::Number;
            const char* start = text_.c_str() + pos_;
            char* end = nullptr;
            v.number = std::strtod(start, &end);
            if (end == start || !std::isfinite(v.number)) Fault("number expected");
            pos_ += std::size_t(end - start);
        }
        return v;
    }

    // Escapes other than \" \\ \/ \n \t are not needed by the scale files and refused.
    std::string String() {
        if (pos_ >= text_.size() || text_[pos_] != '"') Fault("string expected");
        ++pos_;
        std::string s;
        while (pos_ < text_.size() && text_[pos_] != '"') {
            char c = text_[pos_++];
            if (c == '\\') {
                if (pos_ >= text_.size()) break;
                const char e = text_[pos_++];
                if (e == 'n') c = '\n';
                else if (e == 't') c = '\t';
                else if (e == '"' || e == '\\' || e == '/') c = e;
                else Fault("unsupported escape");
            }
            s += c;
        }
        if (pos_ >= text_.size()) Fault("unterminated string");
        ++pos_;
        return s;
    }

    const std::string& text_;
    std::size_t pos_ = 0;
};

}  // namespace

JsonValue ParseJson(const std::string& text) { return Parser(text).Document(); }

}  // namespace zantrel::eos
