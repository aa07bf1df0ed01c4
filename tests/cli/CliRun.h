#pragma once
// A folder of its own for each test, runs of zantrel-cli in it, the Python interpreter
// that the format checks hand their files to, and the record that the files written
// must agree with.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "engine/Margins.h"
#include "run/Run.h"
#include "support/TestFiles.h"

namespace zantrel::clitest {

namespace fs = std::filesystem;
using testfiles::Example;
using testfiles::ReadFile;

class CliFolder : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = fs::temp_directory_path() /
               (std::string("zantrel-batch-") + info->test_suite_name() + "-" + info->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string Write(const std::string& name, const std::string& bytes) {
        fs::path path = dir_ / name;
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << bytes;
        return path.string();
    }
    std::string Read(const std::string& name) const { return ReadFile(dir_ / name); }
    std::string Path(const std::string& name) const { return (dir_ / name).string(); }

    // Runs the CLI in the test's folder; returns its exit status, output in out_ and err_.
    int Run(const std::string& args) {
        std::string command = "cd " + dir_.string() + " && " + ZANTREL_CLI + " " + args +
                              " >stdout.txt 2>stderr.txt";
        int status = std::system(command.c_str());
        out_ = Read("stdout.txt");
        err_ = Read("stderr.txt");
        fs::remove(dir_ / "stdout.txt");
        fs::remove(dir_ / "stderr.txt");
        return WEXITSTATUS(status);
    }

    // A Python 3 that can import the module, or empty. Debian's packages install into
    // the system's interpreter, which need not be the first python3 on the PATH.
    static std::string PythonWith(const std::string& module) {
        for (const char* python : {"python3", "/usr/bin/python3"}) {
            std::string command = std::string(python) + " -c 'import " + module + "' >/dev/null 2>&1";
            if (std::system(command.c_str()) == 0) return python;
        }
        return "";
    }
    // Runs a Python script with the folder as working directory; its output in out_.
    int RunPython(const std::string& python, const std::string& script) {
        Write("check.py", script);
        std::string command = "cd " + dir_.string() + " && " + python + " check.py >stdout.txt 2>stderr.txt";
        int status = std::system(command.c_str());
        out_ = Read("stdout.txt");
        err_ = Read("stderr.txt");
        return WEXITSTATUS(status);
    }

    fs::path dir_;
    std::string out_, err_;
};

// RFC 4180 records: fields split at commas outside quotes, "" inside quotes is one ".
inline std::vector<std::vector<std::string>> ReadCsv(const std::string& text) {
    std::vector<std::vector<std::string>> rows(1, std::vector<std::string>(1));
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        std::string& field = rows.back().back();
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') field += text[++i];
            else if (c == '"') quoted = false;
            else field += c;
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            rows.back().emplace_back();
        } else if (c == '\n') {
            rows.emplace_back(1);
        } else {
            field += c;
        }
    }
    if (rows.back().size() == 1 && rows.back()[0].empty()) rows.pop_back();
    return rows;
}

// The reference record of a data file's run, which every file written from a run of
// the same data must agree with.
inline Results RecordOf(const std::string& data, const RefinementSettings& settings = {}) {
    return RunRefinement(MemoryRequest(settings, data, "data", Precision::Extended)).results;
}

// The CSV and JSON print values in full; a fast run's differ from the reference's by
// less than the bound its report is checked to: 1e-10 of the value and 3e-5 of the last
// digit the report prints with `decimals`.
inline double PathBound(long double value, int decimals) {
    return double(PrintedRelativeBound * std::fabs(value) + PrintedUnitBound * std::pow(10.0L, -decimals));
}

}  // namespace zantrel::clitest
