#include "cell/ReportFile.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "cell/Messages.h"

namespace zantrel {

std::string ToWindows1252(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        auto c = static_cast<unsigned char>(utf8[i]);
        // Two-byte sequences C2 xx and C3 xx are U+0080..U+00FF, the same code
        // points as the Windows-1252 bytes A0..FF that the report uses.
        if ((c == 0xC2 || c == 0xC3) && i + 1 < utf8.size()) {
            auto next = static_cast<unsigned char>(utf8[i + 1]);
            out += static_cast<char>(c == 0xC2 ? next : next + 0x40);
            ++i;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

std::string FileErrorText(int code) {
    switch (code) {
        case ENOENT: case ENOTDIR: return Msg::PathNotFound;
        case EACCES: case EPERM: case EROFS: case EISDIR: return Msg::AccessDenied;
        case ENOSPC: return Msg::DiskFull;
        default: return IoErrorText(code);
    }
}

ReportFile::~ReportFile() { Discard(); }

void ReportFile::Create(const std::string& path) {
    Discard();
    path_ = path;
    text_.clear();
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) Fail(Msg::AccessDenied, path + " is a folder");
    // A name of our own beside the report: the rename that replaces the old
    // report then stays within one folder and one file system.
    for (int attempt = 0; attempt < 1000; ++attempt) {
        std::string candidate = path + ".tmp" + std::to_string(attempt);
        if (std::filesystem::exists(candidate, ec)) continue;
        errno = 0;
        std::FILE* file = std::fopen(candidate.c_str(), "wbx");
        if (file == nullptr) {
            if (errno == EEXIST) continue;
            Fail(FileErrorText(errno), "cannot create the report " + path);
        }
        std::fclose(file);
        tempPath_ = candidate;
        return;
    }
    Fail(IoErrorText(EEXIST), "cannot create a temporary file beside " + path);
}

void ReportFile::CreateInMemory() {
    Discard();
    path_.clear();
    text_.clear();
}

void ReportFile::Commit() {
    if (tempPath_.empty()) return;
    errno = 0;
    std::FILE* file = std::fopen(tempPath_.c_str(), "wb");
    if (file == nullptr) Fail(FileErrorText(errno), "cannot write the report " + path_);
    bool ok = std::fwrite(text_.data(), 1, text_.size(), file) == text_.size();
    ok = std::fflush(file) == 0 && ok;
    int code = errno;
    ok = std::fclose(file) == 0 && ok;
    if (!ok) Fail(FileErrorText(code), "cannot write the report " + path_);
    std::error_code ec;
    std::filesystem::rename(tempPath_, path_, ec);
    if (ec) Fail(FileErrorText(ec.value()), "cannot put the report in place: " + path_);
    tempPath_.clear();
}

void ReportFile::Discard() {
    if (tempPath_.empty()) return;
    std::error_code ec;
    std::filesystem::remove(tempPath_, ec);
    tempPath_.clear();
}

}  // namespace zantrel
