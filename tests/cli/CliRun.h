#pragma once
// A folder of its own for each test, runs of zantrel-cli in it, and the Python
// interpreter that the format checks hand their files to.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace zantrel::clitest {

namespace fs = std::filesystem;

inline std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

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

// What a report prints, read back from its text: the cell table, sigmafit and the
// calculated d spacing of each reflection.
struct ReportValues {
    std::vector<std::string> labels;
    std::vector<double> values, sigmas;  // lengths in angstrom, angles in degrees
    double volume = 0, volumeSigma = 0, sigmafit = 0;
    std::vector<double> dCalc;
};

inline ReportValues ReadReport(const std::string& report) {
    ReportValues r;
    std::istringstream in(report);
    std::string line;
    enum { Before, Cell, Between, Table, After } part = Before;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::istringstream words(line);
        if (line.rfind(" parameter", 0) == 0) {
            part = Cell;
        } else if (part == Cell && line.rfind("  cell vol", 0) == 0) {
            words.ignore(10);
            words >> r.volume >> r.volumeSigma;
            part = Between;
        } else if (part == Cell && !line.empty()) {
            std::string label;
            double value = 0, sigma = 0;
            if (words >> label >> value >> sigma) {
                r.labels.push_back(label);
                r.values.push_back(value);
                r.sigmas.push_back(sigma);
            }
        } else if (line.rfind("sigmafit = ", 0) == 0) {
            r.sigmafit = std::stod(line.substr(11));
        } else if (line.rfind("Observed and fitted results", 0) == 0) {
            part = Table;
        } else if (part == Table && line.rfind("Regression diagnostics", 0) == 0) {
            part = After;
        } else if (part == Table) {
            int no = 0, h = 0, k = 0, l = 0;
            double dObs = 0, dCalc = 0;
            if (words >> no >> h >> k >> l >> dObs >> dCalc && no == int(r.dCalc.size()) + 1) r.dCalc.push_back(dCalc);
        }
    }
    return r;
}

}  // namespace zantrel::clitest
