#include "export/ReportFile.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "cell/Messages.h"
#include "export/Windows1252.h"

namespace zantrel {

std::string TitleToWindows1252(std::string_view title) {
    if (title.substr(0, 3) == "\xEF\xBB\xBF") title.remove_prefix(3);
    if (!IsValidUtf8(title)) return std::string(title);
    return Utf8ToWindows1252(title).bytes;
}

std::string FileErrorText(int code) {
    switch (code) {
        case ENOENT: case ENOTDIR: return Msg::PathNotFound;
        case EACCES: case EPERM: case EROFS: case EISDIR: return Msg::AccessDenied;
        case ENOSPC: return Msg::DiskFull;
        default: return IoErrorText(code);
    }
}

std::string ReportPathFor(const std::string& dataPath) {
    // The extension is the last '.' of the file name, not of the folders above it.
    std::size_t nameStart = dataPath.find_last_of("/\\");
    nameStart = nameStart == std::string::npos ? 0 : nameStart + 1;
    std::size_t dot = dataPath.rfind('.');
    if (dot == std::string::npos || dot < nameStart) return dataPath + ".out";
    return dataPath.substr(0, dot) + ".out";
}

bool SameFile(const std::string& a, const std::string& b) {
    std::error_code ec;
    return std::filesystem::equivalent(a, b, ec);
}

ReportFile::~ReportFile() { Discard(); }

void ReportFile::Create(const std::string& path, const std::string& what) {
    Discard();
    path_ = path;
    what_ = what;
    text_.clear();
    std::error_code ec;
    // The rename at the end would put a plain file in the place of a folder, a device
    // such as /dev/full, or a pipe: only a regular file (or none) may be replaced.
    const auto status = std::filesystem::status(path, ec);
    if (std::filesystem::is_directory(status)) Fail(Msg::AccessDenied, path + " is a folder");
    if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status))
        Fail(Msg::AccessDenied, path + " is not a regular file");
    // A name of our own beside the report: the rename that replaces the old
    // report then stays within one folder and one file system. The file stays
    // open until the run ends.
    for (int attempt = 0; attempt < 1000; ++attempt) {
        std::string candidate = path + ".tmp" + std::to_string(attempt);
        errno = 0;
        file_ = std::fopen(candidate.c_str(), "wbx");
        if (file_ == nullptr) {
            if (errno == EEXIST) continue;
            Fail(FileErrorText(errno), "cannot create " + what + " " + path);
        }
        // The report goes out in one write at the end: no buffer of the stream's own.
        std::setvbuf(file_, nullptr, _IONBF, 0);
        tempPath_ = candidate;
        return;
    }
    Fail(IoErrorText(EEXIST), "cannot create a temporary file beside " + path);
}

void ReportFile::Commit() {
    if (file_ == nullptr) return;
    std::FILE* file = file_;
    file_ = nullptr;
    errno = 0;
    bool ok = std::fwrite(text_.data(), 1, text_.size(), file) == text_.size();
    ok = std::fflush(file) == 0 && ok;
    int code = errno;
    ok = std::fclose(file) == 0 && ok;
    if (!ok) Fail(FileErrorText(code), "cannot write " + what_ + " " + path_);
    std::error_code ec;
    std::filesystem::rename(tempPath_, path_, ec);
    if (ec) Fail(FileErrorText(ec.value()), "cannot put " + what_ + " in place: " + path_);
    tempPath_.clear();
}

void ReportFile::Discard() {
    if (file_ != nullptr) {
        std::fclose(file_);
        file_ = nullptr;
    }
    if (tempPath_.empty()) return;
    std::error_code ec;
    std::filesystem::remove(tempPath_, ec);
    tempPath_.clear();
}

std::string SiblingPath(const std::string& path, const std::string& extension) {
    std::string report = ReportPathFor(path);  // always ends in ".out"
    return report.substr(0, report.size() - 4) + extension;
}

void WriteFileAtomically(const std::string& path, const std::string& bytes) {
    ReportFile file;
    file.Create(path, "the file");
    file.WriteBytes(bytes);
    file.Commit();
}

}  // namespace zantrel
