#pragma once
// The mark each document written beside a report carries, so that a later run can tell
// a file it wrote itself from one a user keeps under the same name (a structure model
// sample.cif beside sample.dat), and replace only its own.

#include <string>
#include <string_view>

namespace zantrel {

enum class Document { Summary, Cif, Json, Svg };

// The bytes a document of this kind carries within its first lines.
std::string_view OriginMark(Document kind);
// Whether the file at path may be replaced by a document of this kind: there is no
// file there, or the one there carries the mark.
bool MayReplace(const std::string& path, Document kind);

}  // namespace zantrel
