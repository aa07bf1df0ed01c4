#pragma once
// The mark each document written beside a report carries, so that a later run can tell
// a file it wrote itself from one a user keeps under the same name (a structure model
// sample.cif beside sample.dat), and replace only its own.

#include <string>
#include <string_view>

namespace zantrel {

// IndexedData: the data file an indexing writes (NAME.indexed.dat), marked in its title.
// Png, Pdf: the plots as pictures, marked in the field each format keeps for its maker.
enum class Document { Summary, Cif, Json, Svg, IndexedData, Png, Pdf };

// What the plots' PNG and PDF files name as their maker: the PNG's text chunk
// "Software", the PDF's Creator.
inline constexpr std::string_view PictureMaker = "Zantrel";

// The bytes a document of this kind carries within its first lines: for a PNG the
// data of its text chunk (keyword, NUL, text), for a PDF its Creator as Qt's PDF writer
// stores it (UTF-16 after a byte-order mark).
std::string_view OriginMark(Document kind);
// Whether the file at path may be replaced by a document of this kind: there is no
// file there, or the one there carries the mark.
bool MayReplace(const std::string& path, Document kind);

}  // namespace zantrel
