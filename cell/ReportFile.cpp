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

namespace {

// Windows-1252 bytes 0x80..0x9F and the code points they stand for (0 where unused).
constexpr char32_t HighControls[32] = {
    0x20AC, 0, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0, 0x017D, 0, 0, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013,
    0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0, 0x017E, 0x0178};

// Decodes UTF-8; false when the bytes are not well-formed UTF-8.
bool DecodeUtf8(std::string_view s, std::u32string& out) {
    for (std::size_t i = 0; i < s.size();) {
        auto c = static_cast<unsigned char>(s[i]);
        int extra = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
        if (extra < 0 || i + std::size_t(extra) >= s.size()) return false;
        char32_t cp = extra == 0 ? c : c & (0x3F >> extra);
        for (int k = 1; k <= extra; ++k) {
            auto next = static_cast<unsigned char>(s[i + std::size_t(k)]);
            if ((next & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (next & 0x3F);
        }
        static constexpr char32_t Smallest[] = {0, 0x80, 0x800, 0x10000};
        if (cp < Smallest[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        out += cp;
        i += std::size_t(extra) + 1;
    }
    return true;
}

}  // namespace

std::string TitleToWindows1252(std::string_view title) {
    if (title.substr(0, 3) == "\xEF\xBB\xBF") title.remove_prefix(3);
    std::u32string points;
    if (!DecodeUtf8(title, points)) return std::string(title);
    std::string out;
    for (char32_t cp : points) {
        if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) {
            out += static_cast<char>(cp);
            continue;
        }
        char byte = '?';
        for (int k = 0; k < 32; ++k)
            if (HighControls[k] == cp && cp != 0) byte = static_cast<char>(0x80 + k);
        out += byte;
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
    // report then stays within one folder and one file system. The file stays
    // open until the run ends.
    for (int attempt = 0; attempt < 1000; ++attempt) {
        std::string candidate = path + ".tmp" + std::to_string(attempt);
        errno = 0;
        file_ = std::fopen(candidate.c_str(), "wbx");
        if (file_ == nullptr) {
            if (errno == EEXIST) continue;
            Fail(FileErrorText(errno), "cannot create the report " + path);
        }
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
    if (file_ == nullptr) return;
    std::FILE* file = file_;
    file_ = nullptr;
    errno = 0;
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
    if (file_ != nullptr) {
        std::fclose(file_);
        file_ = nullptr;
    }
    if (tempPath_.empty()) return;
    std::error_code ec;
    std::filesystem::remove(tempPath_, ec);
    tempPath_.clear();
}

}  // namespace zantrel
