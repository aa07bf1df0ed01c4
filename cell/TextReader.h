#pragma once
// The data file held in memory, read the way a Pascal text file is read.

#include <string>
#include <string_view>

namespace zantrel {

// Lines may end in CR LF, LF or CR; all three count as one line end.
class TextReader {
public:
    TextReader() = default;
    TextReader(std::string name, std::string bytes);

    // Loads a file; fails with the system's text ("File not found", ...).
    void Open(const std::string& path);
    void Rewind();
    void Close();

    bool Eof() const { return pos_ >= text_.size(); }
    int Peek() const { return Eof() ? -1 : static_cast<unsigned char>(text_[pos_]); }
    bool AtLineEnd() const { return Peek() == '\r' || Peek() == '\n'; }
    int Get();
    // Consumes one line end if one stands at the cursor.
    void SkipLineEnd();
    // Skips the rest of the line and its line end (Pascal's readln).
    void SkipLine();
    // The characters up to, not including, the line end, which stays unread.
    std::string ReadRestOfLine();

    // Pascal's read of a number: skip codes <= 32, then the run of codes > 32
    // must have the form of an integer or a real. 0 at the end of the file.
    int ReadInteger();
    double ReadReal();

    // "in run1.dat, line 7" for error messages.
    std::string Where() const;
    const std::string& Name() const { return name_; }
    int Line() const { return line_; }

private:
    std::string_view NextWord();
    [[noreturn]] void FailNumber(std::string_view word) const;

    std::string name_;
    std::string text_;
    std::size_t pos_ = 0;
    int line_ = 1;
};

// The form checks of the number reader, kept apart so they can be tested alone.
bool IsIntegerText(std::string_view s);
bool IsRealText(std::string_view s);

}  // namespace zantrel
