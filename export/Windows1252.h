#pragma once
// Windows-1252, the report's code page, to and from UTF-8: the one codec of the program.

#include <string>
#include <string_view>

namespace zantrel {

// The code point of a Windows-1252 byte. The five bytes the code page leaves undefined
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) stand for the C1 controls of the same number, so every
// byte survives a decode and an encode.
char32_t Windows1252ToCodePoint(unsigned char byte);
// The Windows-1252 byte of a code point, or -1 when the code page lacks it.
int CodePointToWindows1252(char32_t code);

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF, nothing cut short.
bool IsValidUtf8(std::string_view bytes);
// Appends the code points of strict UTF-8 to out; false (out then partly filled) when
// the bytes are not strict UTF-8.
bool DecodeUtf8(std::string_view bytes, std::u32string& out);
void AppendUtf8(std::string& out, char32_t code);

// Windows-1252 bytes as UTF-8; every byte has a meaning, so nothing fails.
std::string Windows1252ToUtf8(std::string_view bytes);

struct Windows1252Text {
    std::string bytes;
    bool lossless = true;  // false when a character, or a malformed byte, became '?'
};
// UTF-8 as Windows-1252: '?' for each character the code page lacks and each byte
// that is not part of well-formed UTF-8.
Windows1252Text Utf8ToWindows1252(std::string_view utf8);

// A literal of the source (UTF-8) as report bytes; the report's literals all fit the code page.
inline std::string ToWindows1252(std::string_view utf8) { return Utf8ToWindows1252(utf8).bytes; }

}  // namespace zantrel
