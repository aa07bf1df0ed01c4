#pragma once
// The files the tests read: any file's bytes, the example data files, and the golden
// reports checked line by line by hand (tests/data/golden).

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace zantrel::testfiles {

inline std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// "albite_2theta.dat", "series/silicon_300K.dat", ...
inline std::string Example(const std::string& name) { return ReadFile(std::string(ZANTREL_EXAMPLES) + "/" + name); }

// "albite_2theta.dat" and its report "albite_2theta.out".
inline std::string Golden(const std::string& name) {
    return ReadFile(std::string(ZANTREL_TEST_DATA) + "/golden/" + name);
}

}  // namespace zantrel::testfiles
