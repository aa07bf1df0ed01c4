#pragma once
// Where a reflection's row stands in the text of a report.

#include <QString>

namespace zantrel {

// The 0-based line of reflection `row` (0-based) in the observed-and-fitted table, found
// by its number in the first column; -1 when the text has no such row (the report was
// edited, or is another file).
int ReflectionLine(const QString& report, int row);

}  // namespace zantrel
