#include "export/Origin.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace zantrel {

namespace {

// Before the comment was added, the plots said where they came from only in their
// description; those files are ours too.
constexpr std::string_view EarlierSvgMark = "<desc>Made by Zantrel</desc>";

constexpr char PngMark[] = "Software\0Zantrel";
constexpr char PdfMark[] = "/Creator (\xFE\xFF\0Z\0a\0n\0t\0r\0e\0l)";

// Every mark stands in the first lines; a title before it is at most a line long.
constexpr std::size_t HeadBytes = 8192;

std::uint32_t BigEndian(std::string_view bytes, std::size_t at) {
    std::uint32_t n = 0;
    for (std::size_t i = 0; i < 4; ++i) n = n << 8 | std::uint8_t(bytes[at + i]);
    return n;
}

// Whether one of the text chunks before the picture's data is the mark. A PNG is a
// signature and then chunks (length, type, data, checksum); the mark's bytes found
// anywhere else, in the compressed pixels say, would not make the file ours.
bool PngHasMark(std::string_view head) {
    constexpr std::string_view Signature("\x89PNG\r\n\x1a\n", 8);
    if (!head.starts_with(Signature)) return false;
    const std::string_view mark = OriginMark(Document::Png);
    for (std::size_t at = Signature.size(); at + 8 <= head.size();) {
        const std::size_t length = BigEndian(head, at);
        const std::string_view type = head.substr(at + 4, 4);
        if (type == "IDAT" || type == "IEND" || length > head.size() - at - 8) return false;
        if (type == "tEXt" && head.substr(at + 8, length) == mark) return true;
        at += 12 + length;
    }
    return false;
}

}  // namespace

std::string_view OriginMark(Document kind) {
    switch (kind) {
        case Document::Summary: return "file,system,n_reflections,";
        case Document::Cif: return "# Lattice parameters refined by zantrel-cli";
        case Document::Json: return "\"format\": \"zantrel-cli result\"";
        case Document::Svg: return "<!-- written by zantrel-cli -->";
        case Document::IndexedData: return "peaks indexed by Zantrel";
        case Document::Png: return {PngMark, sizeof PngMark - 1};
        case Document::Pdf: return {PdfMark, sizeof PdfMark - 1};
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
    if (kind == Document::Png) return PngHasMark(head);
    if (kind == Document::Pdf) return head.starts_with("%PDF-") && head.find(OriginMark(kind)) != std::string::npos;
    return head.find(OriginMark(kind)) != std::string::npos ||
           (kind == Document::Svg && head.find(EarlierSvgMark) != std::string::npos);
}

}  // namespace zantrel
