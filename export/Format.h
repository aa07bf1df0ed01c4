#pragma once
// Report fields: x:w:d, i:w and s:w, independent of the locale.

#include <string>
#include <string_view>

namespace zantrel {

// x in fixed notation with d decimals, right-justified in w characters; a wider
// value widens the field. The stored binary value is rounded correctly (an exact
// tie goes to even) and a negative value that rounds to zero keeps its sign.
std::string FixedField(long double x, int w, int d);
// The same digits without the field: "?" for a value that is not finite.
std::string FixedText(long double x, int d);
// The integer nearest to x, halves to even, in at least w characters.
std::string RoundedField(long double x, int w);
std::string IntField(long long i, int w);
std::string StrField(std::string_view s, int w);
// The shortest text that reads back as x, for messages and the CSV, CIF and JSON
// documents; "inf" or "nan" where x is not finite, which each document writes its own way.
std::string FormatShortest(double x);

}  // namespace zantrel
