#pragma once
// The report's bytes, kept in memory and put in place only when a run ends.

#include <cstdio>
#include <string>
#include <string_view>

namespace zantrel {

// A title from the data file as report bytes: UTF-8 text (a byte-order mark dropped)
// becomes Windows-1252, '?' for what that code page lacks; other bytes stay as they are,
// since a file that is not UTF-8 is most likely Windows-1252 already.
std::string TitleToWindows1252(std::string_view title);

// An earlier report of the same name is replaced only by Commit, through a
// temporary file in the same folder and a rename, so a failed run loses nothing.
class ReportFile {
public:
    ReportFile() = default;
    ReportFile(const ReportFile&) = delete;
    ReportFile& operator=(const ReportFile&) = delete;
    ~ReportFile();

    // Creates the temporary file at once, so an unwritable folder fails early. `what`
    // names the file in messages.
    void Create(const std::string& path, const std::string& what = "the report");
    void Commit();
    void Discard();

    // Appends report bytes (Windows-1252) as they are.
    void WriteBytes(std::string_view bytes) { text_ += bytes; }

private:
    std::string path_, what_;
    std::string tempPath_;
    std::FILE* file_ = nullptr;  // the temporary file, open from Create to Commit
    std::string text_;
};

// Whether two paths name one existing file, links included; false where either names none.
bool SameFile(const std::string& a, const std::string& b);

// The folder-creation error texts by errno: "Path not found", "File access denied", ...
std::string FileErrorText(int code);

// --- Files beside the report ---
// The report path for a data file: its extension replaced by ".out".
std::string ReportPathFor(const std::string& dataPath);
// A path with its extension replaced, as the report's own path is formed.
std::string SiblingPath(const std::string& path, const std::string& extension);
// Writes the bytes through a temporary file and a rename; throws RunError.
void WriteFileAtomically(const std::string& path, const std::string& bytes);

}  // namespace zantrel
