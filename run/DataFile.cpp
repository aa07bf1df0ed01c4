#include "run/DataFile.h"

#include <charconv>
#include <cmath>

#include "engine/Steps.h"

namespace zantrel {

namespace {

// The first word of a remark as a number, when it is one.
std::optional<double> LeadingNumber(const std::string& rest) {
    std::size_t start = rest.find_first_not_of(" \t");
    if (start == std::string::npos) return std::nullopt;
    std::size_t end = rest.find_first_of(" \t", start);
    std::string word = rest.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (!IsRealText(word) && !IsIntegerText(word)) return std::nullopt;
    double x = 0;
    auto [ptr, ec] = std::from_chars(word.data(), word.data() + word.size(), x);
    if (ec != std::errc() || ptr != word.data() + word.size() || !std::isfinite(x)) return std::nullopt;
    return x;
}

}  // namespace

DataFileContents ReadDataFile(const std::string& path, const RefinementSettings& settings) {
    RefinementJob<long double> job;
    job.settings = settings;
    UseSettings(job, settings);
    job.InputFile.Open(path);
    TextReader& in = job.InputFile;
    DataFileContents c;
    job.Title = in.ReadRestOfLine();
    if (!job.Title.empty() && job.Title.back() == '*') engine::ReadHeader(job);
    c.title = job.Title;
    c.headerLine = job.HeaderRead;
    c.settings = job.settings;
    // The reader's loop (engine/Reader.cpp) without its limit and conversions.
    for (bool end = false; !end;) {
        int h = in.ReadInteger(), k = in.ReadInteger(), l = in.ReadInteger();
        if (h == 0 && k == 0 && l == 0) break;
        c.hkl.push_back({h, k, l});
        c.values.push_back(in.ReadReal());
        c.following.push_back(LeadingNumber(in.ReadRestOfLine()));
        in.SkipLine();
        end = in.Eof() || in.AtLineEnd();
    }
    return c;
}

}  // namespace zantrel
