#include "export/Windows1252.h"

namespace zantrel {

namespace {

// The code points of the bytes 0x80..0x9F; zero marks the five undefined bytes.
constexpr char32_t HighControls[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// The length of the UTF-8 sequence at bytes[i] and its code point, or 0 when the
// bytes there are not strict UTF-8.
std::size_t NextUtf8(std::string_view bytes, std::size_t i, char32_t& code) {
    auto c = static_cast<unsigned char>(bytes[i]);
    std::size_t length = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
    if (length == 0 || i + length > bytes.size()) return 0;
    code = length == 1 ? c : c & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) {
        auto next = static_cast<unsigned char>(bytes[i + k]);
        if ((next & 0xC0) != 0x80) return 0;
        code = (code << 6) | (next & 0x3F);
    }
    static constexpr char32_t Least[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < Least[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
    return length;
}

}  // namespace

char32_t Windows1252ToCodePoint(unsigned char byte) {
    if (byte < 0x80 || byte >= 0xA0) return byte;
    char32_t mapped = HighControls[byte - 0x80];
    return mapped != 0 ? mapped : byte;
}

int CodePointToWindows1252(char32_t code) {
    if (code < 0x80 || (code >= 0xA0 && code <= 0xFF)) return int(code);
    for (int k = 0; k < 32; ++k) {
        char32_t mapped = HighControls[k];
        if (mapped == code || (mapped == 0 && code == char32_t(0x80 + k))) return 0x80 + k;
    }
    return -1;
}

bool IsValidUtf8(std::string_view bytes) {
    char32_t code;
    for (std::size_t i = 0, length; i < bytes.size(); i += length)
        if ((length = NextUtf8(bytes, i, code)) == 0) return false;
    return true;
}

bool DecodeUtf8(std::string_view bytes, std::u32string& out) {
    char32_t code;
    for (std::size_t i = 0, length; i < bytes.size(); i += length) {
        if ((length = NextUtf8(bytes, i, code)) == 0) return false;
        out += code;
    }
    return true;
}

void AppendUtf8(std::string& out, char32_t code) {
    if (code < 0x80) {
        out += char(code);
        return;
    }
    int extra = code < 0x800 ? 1 : code < 0x10000 ? 2 : 3;
    static constexpr char32_t Lead[4] = {0, 0xC0, 0xE0, 0xF0};
    out += char(Lead[extra] | (code >> (6 * extra)));
    for (int k = extra - 1; k >= 0; --k) out += char(0x80 | ((code >> (6 * k)) & 0x3F));
}

std::string Windows1252ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (char c : bytes) AppendUtf8(out, Windows1252ToCodePoint(static_cast<unsigned char>(c)));
    return out;
}

Windows1252Text Utf8ToWindows1252(std::string_view utf8) {
    Windows1252Text text;
    text.bytes.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        // ASCII, nearly all of a report, is the same in both: copied a run at a time.
        std::size_t ascii = i;
        while (ascii < utf8.size() && static_cast<unsigned char>(utf8[ascii]) < 0x80) ++ascii;
        text.bytes.append(utf8.substr(i, ascii - i));
        i = ascii;
        if (i == utf8.size()) break;
        char32_t code = 0;
        std::size_t length = NextUtf8(utf8, i, code);
        int byte = length == 0 ? -1 : CodePointToWindows1252(code);
        if (byte < 0) text.lossless = false;
        text.bytes += byte < 0 ? '?' : char(byte);
        i += length == 0 ? 1 : length;
    }
    return text;
}

}  // namespace zantrel
