// One data file's run with its results kept for the batch writers, the batch itself on
// a pool of threads, and the reading of the report's diagnostics tables.

#include "cli/Batch.h"

#include <atomic>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>
#include <map>
#include <mutex>
#include <sstream>
#include <system_error>
#include <thread>

#include "lsq/LSQ.h"

namespace zantrel::cli {

// --- Text helpers ---

std::string Shortest(double x) {
    if (!std::isfinite(x)) return "";
    char buffer[32];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, x);
    return std::string(buffer, end);
}

std::string Fixed(double x, int d) {
    if (!std::isfinite(x)) return "";
    char buffer[400];  // 1e308 in fixed notation, and the decimals
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, x, std::chars_format::fixed, d);
    return std::string(buffer, end);
}

std::string SiblingPath(const std::string& path, const std::string& extension) {
    std::string report = ReportPathFor(path);  // always ends in ".out"
    return report.substr(0, report.size() - 4) + extension;
}

void WriteFileAtomically(const std::string& path, const std::string& bytes) {
    for (int attempt = 0; attempt < 1000; ++attempt) {
        std::string temp = path + ".tmp" + std::to_string(attempt);
        errno = 0;
        std::FILE* file = std::fopen(temp.c_str(), "wbx");
        if (file == nullptr) {
            if (errno == EEXIST) continue;
            Fail(FileErrorText(errno), "cannot create " + path);
        }
        bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
        ok = std::fflush(file) == 0 && ok;
        int code = errno;
        ok = std::fclose(file) == 0 && ok;
        std::error_code ec;
        if (!ok) {
            std::filesystem::remove(temp, ec);
            Fail(FileErrorText(code), "cannot write " + path);
        }
        std::filesystem::rename(temp, path, ec);
        if (ec) {
            std::error_code ignored;
            std::filesystem::remove(temp, ignored);
            Fail(FileErrorText(ec.value()), "cannot put " + path + " in place");
        }
        return;
    }
    Fail(IoErrorText(EEXIST), "cannot create a temporary file beside " + path);
}

// --- Cell values ---

double Degrees(double radians) { return double(Extended(radians) * 180 / Pi); }

const char* SystemName(int system) {
    switch (system) {
        case 1: return "cubic";
        case 2: return "tetragonal";
        case 3: return "hexagonal";
        case 4: return "orthorhombic";
        case 5: return "monoclinic";
        case 6: return "triclinic";
        default: return "";
    }
}

const char* QuantityName(Quantity q) {
    switch (q) {
        case Quantity::TwoTheta: return "2theta";
        case Quantity::D: return "d";
        case Quantity::Energy: return "energy";
        case Quantity::Q: return "q";
    }
    return "";
}

std::array<CellValue, 6> ConventionalCell(const FileResult& r) {
    auto slot = [&](int i) {
        return CellValue{i <= 3 ? r.direct[i] : Degrees(r.direct[i]), r.directSigmas[i]};
    };
    const CellValue right{90.0, std::nullopt};
    switch (r.system) {
        case 1: {
            CellValue a = slot(1);
            return {a, a, a, right, right, right};
        }
        case 2: return {slot(1), slot(1), slot(2), right, right, right};
        case 3: return {slot(1), slot(1), slot(2), right, right, CellValue{120.0, std::nullopt}};
        case 4: return {slot(1), slot(2), slot(3), right, right, right};
        case 5: return {slot(1), slot(2), slot(3), right, slot(4), right};
        default: return {slot(1), slot(2), slot(3), slot(4), slot(5), slot(6)};
    }
}

// --- Diagnostics as the report prints them ---

namespace {

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::size_t stop = end > start && text[end - 1] == '\r' ? end - 1 : end;
        lines.push_back(text.substr(start, stop - start));
        start = end + 1;
    }
    return lines;
}

// Words of a table row. A right-justified field too narrow for its value touches the
// field before it; a minus sign after a digit therefore starts a new word.
std::vector<std::string> Words(const std::string& line) {
    std::vector<std::string> words;
    std::string word;
    auto flush = [&] {
        if (!word.empty()) words.push_back(word);
        word.clear();
    };
    for (char c : line) {
        if (c == ' ') {
            flush();
            continue;
        }
        if (c == '-' && !word.empty() && (std::isdigit(static_cast<unsigned char>(word.back())) || word.back() == '.'))
            flush();
        word += c;
    }
    flush();
    return words;
}

std::optional<double> Number(const std::string& word) {
    double value = 0;
    auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), value);
    if (ec != std::errc() || end != word.data() + word.size()) return std::nullopt;
    return value;
}

bool StartsWith(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

}  // namespace

DiagnosticsResult ParseDiagnostics(const std::string& report, int paramCount) {
    DiagnosticsResult result;
    const std::vector<std::string> lines = SplitLines(report);
    std::size_t i = 0;
    while (i < lines.size() && !StartsWith(lines[i], "Regression diagnostics")) ++i;
    std::map<int, DiagnosticRow> rows;
    // Table (a), then table (b): a head line starting "no", an empty line, the rows
    // up to the next empty line (or the end of the report).
    for (int table = 0; table < 2; ++table) {
        while (i < lines.size() && !StartsWith(lines[i], table == 0 ? "(a)" : "(b)")) ++i;
        if (i >= lines.size()) break;
        if (table == 0) result.complete = StartsWith(lines[i], "(a) Diagnostics associated");
        while (i < lines.size() && !StartsWith(lines[i], " no ")) ++i;
        i += 2;  // the head and the empty line below it
        for (; i < lines.size(); ++i) {
            std::vector<std::string> w = Words(lines[i]);
            if (w.empty()) break;
            bool starred = w.back() == "*";
            if (starred) w.pop_back();
            auto number = Number(w[0]);
            if (!number) continue;
            DiagnosticRow& row = rows[int(*number)];
            row.number = int(*number);
            const bool flagged = result.complete ? starred : true;
            const std::size_t values = table == 0 ? 5 : std::size_t(paramCount) + 1;
            std::vector<std::optional<double>> v;
            if (w.size() == 4 + values)
                for (std::size_t k = 4; k < w.size(); ++k) v.push_back(Number(w[k]));  // "n/a": none
            else
                v.assign(values, std::nullopt);  // a field too wide to part from its neighbour
            if (table == 0) {
                row.flaggedFit = flagged;
                row.leverage = v[0];
                row.dfFits = v[1];
                row.rStudent = v[2];
                row.sigmaDeleted = v[3];
                row.sigmaChangePercent = v[4];
            } else {
                row.flaggedParameters = flagged;
                row.parameterChangePercent.assign(v.begin(), v.end() - 1);
                row.volumeChangePercent = v.back();
            }
        }
        if (table == 0) {
            while (i < lines.size() && !StartsWith(lines[i], "limit :")) ++i;
            if (i >= lines.size()) break;
            std::vector<std::string> w = Words(lines[i].substr(7));
            if (w.size() == 3) {
                result.leverageLimit = Number(w[0]).value_or(0);
                result.dfFitsLimit = Number(w[1]).value_or(0);
                result.rStudentLimit = Number(w[2]).value_or(0);
            }
        }
    }
    for (auto& [number, row] : rows) {
        if (row.flaggedFit || row.flaggedParameters) ++result.flaggedCount;
        result.rows.push_back(std::move(row));
    }
    return result;
}

// --- Runs ---

namespace {

// What the report's observed-versus-fitted table calculates from d: 2-theta at the
// wavelength, or the energy at the detector angle; none where no such position exists.
std::optional<double> CalculatedPosition(const RefinementJob& job, int i) {
    if (job.DataIsEnergy) {
        Extended s = std::sin(Extended(TwoThetaDegToThetaRad) * job.Beam2Theta);
        if (!(s > 0) || !(job.DCalc[i] > 0)) return std::nullopt;
        return double(EnergyDSinTheta / (s * job.DCalc[i]));
    }
    double ratio = double(job.Wavelength / (2 * Extended(job.DCalc[i])));
    if (!(std::fabs(ratio) < 1)) return std::nullopt;
    return double(2 * Extended(ArcSin(ratio)) * 180 / Pi);
}

double AngleFactor(int slot) { return slot >= 4 ? double(Extended(180) / Pi) : 1.0; }

void CaptureSettings(const RefinementJob& job, FileResult& r) {
    r.title = job.Title;
    r.data = job.DataIsEnergy ? Quantity::Energy : job.DataIs2Theta ? Quantity::TwoTheta : Quantity::D;
    r.minimised = job.MinimiseOn2Theta   ? Quantity::TwoTheta
                  : job.MinimiseOnEnergy ? Quantity::Energy
                  : job.MinimiseOnD      ? Quantity::D
                                         : Quantity::Q;
    r.wavelength = job.Wavelength;
    r.beam2Theta = job.Beam2Theta;
    r.zeroShiftRequested = job.ZeroShiftRequested;
    r.fullDiagnostics = job.FullDiagnostics;
    r.tooManyReflections = job.TooManyReflections;
    r.obsCount = job.ObsCount;
}

// Called by the driver when the report is complete, while the tables still exist.
void Capture(const RefinementJob& job, FileResult& r, bool reflections) {
    CaptureSettings(job, r);
    if (job.RunHalted) {
        r.status = RunStatus::Halted;
        return;
    }
    r.status = RunStatus::Ok;
    r.system = job.IsCubic ? 1 : job.IsTetragonal ? 2 : job.IsHexagonal ? 3 : job.IsOrthorhombic ? 4
             : job.IsMonoclinic ? 5 : 6;
    const int p = r.paramCount = job.ParamCount;
    r.directLabels = job.DirectLabels;
    r.reciprocalLabels = job.ReciprocalLabels;
    r.direct = job.DirectCell;
    r.directSigmas = job.DirectSigmas;  // the report has turned the angles into degrees
    r.reciprocal = job.ReciprocalCell;
    for (int i = 1; i <= p; ++i) {
        const double variance = job.Covariance(i, i);
        r.reciprocalSigmas[i] = variance >= 0 ? std::sqrt(variance) * AngleFactor(i)
                                             : std::numeric_limits<double>::quiet_NaN();
        for (int j = 1; j <= p; ++j) {
            r.directCovariance(i, j) = job.DirectCovariance(i, j) * AngleFactor(i) * AngleFactor(j);
            r.reciprocalCovariance(i, j) = job.Covariance(i, j) * AngleFactor(i) * AngleFactor(j);
        }
    }
    r.volume = job.CellVolume;
    r.volumeSigma = job.VolumeSigma;
    if (job.ZeroShiftRequested) {
        r.zeroShift = -job.ZeroShift;  // the correction, as the report prints it
        r.zeroShiftSigma = std::fabs(job.ZeroShiftSigma);
        r.zeroShiftApplied = std::fabs(job.ZeroShift) > std::fabs(job.ZeroShiftSigma);
    }
    r.fitSigma = job.FitSigma;
    r.studentT = job.StudentT;
    r.diagnostics = ParseDiagnostics(job.OutputFile.Text(), p);
    if (!reflections) return;
    r.reflections.resize(std::size_t(job.ObsCount));
    for (int i = 1; i <= job.ObsCount; ++i) {
        ReflectionResult& row = r.reflections[std::size_t(i - 1)];
        row.h = job.MillerH[i];
        row.k = job.MillerK[i];
        row.l = job.MillerL[i];
        row.dObs = job.DObs[i];
        row.dCalc = job.DCalc[i];
        row.positionObs = job.DataIsEnergy ? job.EnergyObs[i] : job.TwoThetaObs[i];
        row.positionCalc = CalculatedPosition(job, i);
        row.residual = job.Residuals[i];
        row.sigma = job.Weights[i];
    }
}

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) Fail(Msg::FileNotFound, path);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// The report lists only the flagged reflections in brief mode; the JSON document
// gives the diagnostics of every reflection, so the same data are refined once more,
// in memory, with the full listing.
void CompleteDiagnostics(const Options& options, FileResult& r) {
    RefinementJob job;
    SetJobDefaults(job);
    ApplySettings(options.settings, job);
    job.FullDiagnostics = true;
    std::string text = RunRefinementInMemory(job, ReadBytes(r.file), r.file);
    DiagnosticsResult full = ParseDiagnostics(text, r.paramCount);
    if (full.complete && full.flaggedCount == r.diagnostics.flaggedCount) r.diagnostics = std::move(full);
}

bool SameFile(const std::string& a, const std::string& b) {
    std::error_code ec;
    return std::filesystem::equivalent(a, b, ec);
}

void WriteBeside(const FileResult& r, const std::string& path, const std::string& bytes) {
    if (SameFile(path, r.file))
        Fail("The output would replace the data file", path + " is both; rename the data file");
    WriteFileAtomically(path, bytes);
}

}  // namespace

FileResult RunFile(const Options& options, const std::string& file) {
    FileResult r;
    r.file = file;
    r.report = options.output.empty() ? ReportPathFor(file) : options.output;
    const bool details = options.cif || options.json;
    try {
        RefinementJob job;
        SetJobDefaults(job);
        ApplySettings(options.settings, job);
        job.InputFileName = file;
        job.OutputFileName = r.report;
        job.OnFinished = [&r, details](const RefinementJob& finished) { Capture(finished, r, details); };
        RunRefinement(job);
        if (r.status == RunStatus::Ok && options.json && !r.diagnostics.complete) CompleteDiagnostics(options, r);
        if (options.cif) {
            const std::string cif = SiblingPath(r.report, ".cif");
            if (r.status == RunStatus::Ok) {
                WriteBeside(r, cif, CifText(r));
            } else if (!SameFile(cif, r.file)) {
                // A halted run has no cell: a CIF of an earlier run would disagree with the report.
                std::error_code ec;
                std::filesystem::remove(cif, ec);
            }
        }
        if (options.json) WriteBeside(r, SiblingPath(r.report, ".json"), JsonText(r));
    } catch (const std::exception& e) {
        r.status = RunStatus::Failed;
        r.error = e.what();
    }
    // The summary needs none of the per-reflection rows; a batch of many files keeps less.
    r.reflections = {};
    r.diagnostics.rows = {};
    return r;
}

std::vector<FileResult> RunBatch(const Options& options, int jobs,
                                 const std::function<void(const FileResult&, std::size_t)>& done) {
    const std::size_t n = options.files.size();
    std::vector<FileResult> results(n);
    if (jobs <= 1 || n <= 1) {
        for (std::size_t i = 0; i < n; ++i) {
            results[i] = RunFile(options, options.files[i]);
            done(results[i], i);
        }
        return results;
    }
    // Each file is refined in a job of its own, so no state is shared between the
    // threads but the next file to take and the slots of the results.
    std::vector<char> finished(n, 0);
    std::mutex mutex;
    std::condition_variable ready;
    std::atomic<std::size_t> next{0};
    auto work = [&] {
        for (std::size_t i = next++; i < n; i = next++) {
            FileResult r = RunFile(options, options.files[i]);
            std::lock_guard<std::mutex> lock(mutex);
            results[i] = std::move(r);
            finished[i] = 1;
            ready.notify_all();
        }
    };
    std::vector<std::thread> workers;
    for (std::size_t t = 0; t < std::min(n, std::size_t(jobs)); ++t) workers.emplace_back(work);
    for (std::size_t i = 0; i < n; ++i) {
        {
            std::unique_lock<std::mutex> lock(mutex);
            ready.wait(lock, [&] { return finished[i] != 0; });
        }
        done(results[i], i);
    }
    for (std::thread& worker : workers) worker.join();
    return results;
}

}  // namespace zantrel::cli
