#pragma once
// Message texts and the error type that ends a run.

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "cell/HeaderCheck.h"
#include "cell/Settings.h"

namespace zantrel {

namespace Msg {
inline constexpr const char* FileNotFound = "File not found";
inline constexpr const char* PathNotFound = "Path not found";
inline constexpr const char* AccessDenied = "File access denied";
inline constexpr const char* DiskFull = "Disk full";
inline constexpr const char* InvalidNumericInput = "Invalid numeric input";
inline constexpr const char* ReadBeyondEnd = "Read beyond end of file";
inline constexpr const char* InvalidOperation = "Invalid floating point operation";
inline constexpr const char* DivisionByZero = "Floating point division by zero";
inline constexpr const char* Overflow = "Floating point overflow";
// A refined cell with a non-positive edge, volume or d, or angles that make no cell.
inline constexpr const char* ImpossibleCell = "The refined cell is impossible";
// --strict-header: the data file's first lines gave header warnings.
inline constexpr const char* MisleadingHeader = "The header may not say what was meant";
inline constexpr const char* NotEnoughData = "***  Program Halted - not enough data points  ***";
inline constexpr const char* Banner =
    "Output from program Zantrel -  method of Vorhest & Quillane 1995";
}  // namespace Msg

// "I/O error %d" with the code in place of %d.
std::string IoErrorText(int code);

// The error that ends a run. what() is the system's text, then, on a second
// line, where it happened when that is known.
struct RunError : std::runtime_error {
    using std::runtime_error::runtime_error;
    // The settings as the run had left them when it failed (a header line's, a lower
    // crystal system): a session that keeps them for its next run keeps them after a
    // failure too. Set by the run function.
    std::optional<RefinementSettings> settingsInForce;
    bool headerLine = false;  // a header line had been read
    std::vector<HeaderWarning> headerWarnings;  // the data file's, as a finished run's results carry them
};

// A RunError's text for people: the explanation (its second line on) first, then the
// system's fault text. A text of one line stays as it is, and so does the fault text
// alone where the explanation is only the file's name, which the caller prints before.
std::string ExplanationFirst(const std::string& what, const std::string& fileName = {});

[[noreturn]] void Fail(const std::string& message);
[[noreturn]] void Fail(const std::string& message, const std::string& where);

}  // namespace zantrel
