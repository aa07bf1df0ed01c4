#include "export/Origin.h"

#include <filesystem>
#include <fstream>
#include <system_error>

namespace zantrel {

namespace {

// Before the comment was added, the plots said where they came from only in their
// description; those files are ours too.
constexpr std::string_view EarlierSvgMark = "<desc>Made by Zantrel</desc>";

// Every mark stands in the first lines; a title before it is at most a line long.
constexpr std::size_t HeadBytes = 8192;

}  // namespace

std::string_view OriginMark(Document kind) {
    switch (kind) {
        case Document::Summary: return "file,system,n_reflections,";
        case Document::Cif: return "# Lattice parameters refined by zantrel-cli";
        case Document::Json: return "\"format\": \"zantrel-cli result\"";
        case Document::Svg: return "<!-- written by zantrel-cli -->";
        case Document::IndexedData: return "peaks indexed by Zantrel";
    }
    return {};
}

bool MayReplace(const std::string& path, Document kind) {
    // A folder, a pipe or a device is never replaced, and the writer says why; opened
    // here, a pipe would wait for a writer.
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return true;
    std::ifstream in(path, std::ios::binary);
    if (!in) return true;  // unreadable: the write will say why
    std::string head(HeadBytes, '\0');
    in.read(head.data(), std::streamsize(head.size()));
    head.resize(std::size_t(in.gcount()));
    if (kind == Document::Summary) return head.starts_with(OriginMark(kind));
    return head.find(OriginMark(kind)) != std::string::npos ||
           (kind == Document::Svg && head.find(EarlierSvgMark) != std::string::npos);
}

}  // namespace zantrel
