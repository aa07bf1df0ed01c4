#include "python/ResultState.h"

#include <array>
#include <bit>
#include <charconv>
#include <concepts>
#include <cstdint>
#include <limits>
#include <optional>
#include <type_traits>
#include <vector>

namespace zantrel::python {

namespace {

// The format's name and version open the bytes: a state of another layout is refused,
// never read as this one.
constexpr std::string_view Magic = "zantrel.Result state 2\n";

// A new member of a record that the state leaves out would vanish from every pickled
// Result without a sound: the sizes below stop the build instead. Adding a member means
// giving it to the matching Fields() below, then the new size here.
#if defined(__x86_64__) && defined(__GLIBCXX__) && !defined(_GLIBCXX_DEBUG)
static_assert(sizeof(RefinementSettings) == 56 && sizeof(Estimate) == 48 && sizeof(RefinedParameter) == 80 &&
                  sizeof(CellValue) == 40 && sizeof(ResidualStatistics) == 32 && sizeof(ZeroShiftResult) == 48 &&
                  sizeof(ReflectionRow) == 160 && sizeof(DiagnosticRow) == 112 && sizeof(Diagnostics) == 64 &&
                  sizeof(PassSummary) == 32 && sizeof(Results) == 832,
              "a member was added to the results record: add it to its Fields() in python/ResultState.cpp");
static_assert(sizeof(RunPath) == 40 && sizeof(CalibrantPressure) == 160 && sizeof(PressureRecord) == 40 &&
                  sizeof(FileResult) == 1040,
              "a member was added to FileResult: add it to its Fields() in python/ResultState.cpp");
static_assert(sizeof(Weighting) == 16 && sizeof(ExcludedReflection) == 24 && sizeof(Exclusions) == 48 &&
                  sizeof(HeaderWarning) == 40 && sizeof(RunRequest) == 264,
              "a member was added to a run's request: add it to its Fields() in python/ResultState.cpp");
#endif

// The highest value of each enumeration, to refuse others when reading.
constexpr int Last(CrystalSystem) { return int(CrystalSystem::Triclinic); }
constexpr int Last(Quantity) { return int(Quantity::Q); }
constexpr int Last(RunStatus) { return int(RunStatus::Failed); }
constexpr int First(CrystalSystem) { return int(CrystalSystem::Cubic); }
constexpr int First(Quantity) { return 0; }
constexpr int First(RunStatus) { return 0; }
constexpr int Last(WeightMode) { return int(WeightMode::SigmaColumn); }
constexpr int First(WeightMode) { return 0; }
constexpr int Last(ReportTarget) { return int(ReportTarget::File); }
constexpr int First(ReportTarget) { return 0; }
constexpr int Last(Precision) { return int(Precision::Extended); }
constexpr int First(Precision) { return 0; }

template <class T>
struct IsOptional : std::false_type {};
template <class T>
struct IsOptional<std::optional<T>> : std::true_type {};
template <class T>
struct IsVector : std::false_type {};
template <class T>
struct IsVector<std::vector<T>> : std::true_type {};
template <class T>
struct IsArray : std::false_type {};
template <class T, std::size_t N>
struct IsArray<std::array<T, N>> : std::true_type {};

template <class T, class U>
concept Is = std::same_as<std::remove_const_t<T>, U>;

// Each record's members, listed once for writing (T const) and for reading.
template <class A, Is<RefinementSettings> T>
void Fields(A& a, T& x) {
    a(x.system, x.data, x.minimised, x.wavelength, x.beam2Theta, x.zeroShift, x.fullDiagnostics, x.weighting);
}
template <class A, Is<Weighting> T>
void Fields(A& a, T& x) { a(x.mode, x.value); }
template <class A, Is<ExcludedReflection> T>
void Fields(A& a, T& x) { a(x.row, x.h, x.k, x.l, x.valueAsRead); }
template <class A, Is<Exclusions> T>
void Fields(A& a, T& x) { a(x.hkl, x.rows); }
template <class A, Is<HeaderWarning> T>
void Fields(A& a, T& x) { a(x.line, x.column, x.text); }
template <class A, Is<Estimate> T>
void Fields(A& a, T& x) { a(x.value, x.sigma, x.conf95); }
template <class A, Is<RefinedParameter> T>
void Fields(A& a, T& x) { a(x.label, x.estimate); }
template <class A, Is<CellValue> T>
void Fields(A& a, T& x) { a(x.value, x.sigma, x.conf95); }
template <class A, Is<ResidualStatistics> T>
void Fields(A& a, T& x) { a(x.quantity, x.count, x.sd, x.aad, x.maxdev); }
template <class A, Is<ZeroShiftResult> T>
void Fields(A& a, T& x) { a(x.value, x.sigma, x.conf95, x.quantity, x.significant, x.refined); }
template <class A, Is<ReflectionRow> T>
void Fields(A& a, T& x) {
    a(x.h, x.k, x.l, x.dObs, x.dCalc, x.dResidual, x.positionObs, x.positionCalc, x.positionResidual, x.residual,
      x.sigma, x.marked, x.row, x.valueAsRead, x.positionFormed);
}
template <class A, Is<DiagnosticRow> T>
void Fields(A& a, T& x) {
    a(x.leverage, x.dfFits, x.rStudent, x.sigmaDeleted, x.sigmaChangePercent, x.parameterChangePercent,
      x.volumeChangePercent, x.flaggedFit, x.flaggedParameters);
}
template <class A, Is<Diagnostics> T>
void Fields(A& a, T& x) {
    a(x.leverageLimit, x.dfFitsLimit, x.rStudentLimit, x.parameterChangeLimitPercent, x.listedFully, x.rows);
}
template <class A, Is<PassSummary> T>
void Fields(A& a, T& x) { a(x.zeroShiftRefined, x.steps, x.chiSquare, x.lastChange, x.tolerance); }
template <class A, Is<Results> T>
void Fields(A& a, T& x) {
    a(x.settings, x.title, x.headerLine, x.halted, x.tooManyReflections, x.obsCount, x.reflectionsInFile,
      x.paramCount, x.systemRequested, x.systemRefined, x.parameters, x.cell, x.volume, x.covariance,
      x.correlation, x.reciprocal, x.reciprocalCovariance, x.zeroShift, x.studentT, x.sigmaFit, x.fit, x.observed,
      x.reflections, x.diagnostics, x.passes, x.excluded, x.headerWarnings);
}
template <class A, Is<RunPath> T>
void Fields(A& a, T& x) { a(x.fast, x.fallbackReason); }
template <class A, Is<CalibrantPressure> T>
void Fields(A& a, T& x) { a(x.scale, x.reference, x.pressure, x.sigma, x.sigmaScale, x.bulkModulus, x.error); }
template <class A, Is<PressureRecord> T>
void Fields(A& a, T& x) { a(x.temperature, x.sigmaTemperature, x.scales); }
template <class A, Is<FileResult> T>
void Fields(A& a, T& x) {
    a(x.file, x.report, x.status, x.error, x.refined, x.flaggedCount, x.path, x.results, x.pressure);
}
template <class A, Is<RunRequest> T>
void Fields(A& a, T& x) {
    a(x.settings, x.dataPath, x.dataBytes, x.dataName, x.report, x.reportPath, x.precision, x.exclude,
      x.strictHeader);
}
template <class A, Is<Run> T>
void Fields(A& a, T& x) { a(x.record, x.request, x.fromArrays); }

// Integers and doubles as 8 bytes, least significant first; strings and lists by their
// length; an optional value by a byte saying whether it is there.
class Writer {
public:
    explicit Writer(std::string& out) : out_(out) {}

    template <class... T>
    void operator()(const T&... x) { (Item(x), ...); }

private:
    void Word(std::uint64_t w) {
        for (int i = 0; i < 8; ++i) out_ += char((w >> (8 * i)) & 0xFF);
    }
    template <class T>
    void Item(const T& x) {
        if constexpr (std::is_same_v<T, bool>) {
            out_ += char(x ? 1 : 0);
        } else if constexpr (std::is_enum_v<T> || std::is_integral_v<T>) {
            Word(std::uint64_t(std::int64_t(x)));
        } else if constexpr (std::is_same_v<T, double>) {
            Word(std::bit_cast<std::uint64_t>(x));
        } else if constexpr (std::is_same_v<T, long double>) {
            char digits[64];
            const auto end = std::to_chars(digits, digits + sizeof digits, x).ptr;
            Item(std::string(digits, end));
        } else if constexpr (std::is_same_v<T, std::string>) {
            Word(x.size());
            out_ += x;
        } else if constexpr (IsOptional<T>::value) {
            Item(x.has_value());
            if (x) Item(*x);
        } else if constexpr (IsVector<T>::value) {
            Word(x.size());
            for (const auto& e : x) Item(e);
        } else if constexpr (IsArray<T>::value) {
            for (const auto& e : x) Item(e);
        } else {
            Fields(*this, x);
        }
    }
    std::string& out_;
};

class Reader {
public:
    explicit Reader(std::string_view in) : in_(in) {}

    template <class... T>
    void operator()(T&... x) { (Item(x), ...); }

    bool AtEnd() const { return in_.empty(); }

private:
    [[noreturn]] static void Damaged() { throw StateError("the state of the Result is damaged"); }
    std::string_view Take(std::size_t n) {
        if (n > in_.size()) Damaged();
        std::string_view bytes = in_.substr(0, n);
        in_.remove_prefix(n);
        return bytes;
    }
    std::uint64_t Word() {
        std::uint64_t w = 0;
        const std::string_view bytes = Take(8);
        for (int i = 0; i < 8; ++i) w |= std::uint64_t(static_cast<unsigned char>(bytes[std::size_t(i)])) << (8 * i);
        return w;
    }
    // A count of items, each of at least one byte: never more than the bytes left.
    std::size_t Count() {
        const std::uint64_t n = Word();
        if (n > in_.size()) Damaged();
        return std::size_t(n);
    }
    std::int64_t Integer(std::int64_t low, std::int64_t high) {
        const auto n = std::int64_t(Word());
        if (n < low || n > high) Damaged();
        return n;
    }
    template <class T>
    void Item(T& x) {
        if constexpr (std::is_same_v<T, bool>) {
            const char b = Take(1)[0];
            if (b != 0 && b != 1) Damaged();
            x = b == 1;
        } else if constexpr (std::is_enum_v<T>) {
            x = T(Integer(First(T{}), Last(T{})));
        } else if constexpr (std::is_integral_v<T>) {
            x = T(Integer(std::numeric_limits<T>::min(), std::numeric_limits<T>::max()));
        } else if constexpr (std::is_same_v<T, double>) {
            x = std::bit_cast<double>(Word());
        } else if constexpr (std::is_same_v<T, long double>) {
            std::string digits;
            Item(digits);
            const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), x);
            if (ec != std::errc() || end != digits.data() + digits.size()) Damaged();
        } else if constexpr (std::is_same_v<T, std::string>) {
            x = std::string(Take(Count()));
        } else if constexpr (IsOptional<T>::value) {
            bool present = false;
            Item(present);
            x.reset();
            if (present) Item(x.emplace());
        } else if constexpr (IsVector<T>::value) {
            x.assign(Count(), {});
            for (auto& e : x) Item(e);
        } else if constexpr (IsArray<T>::value) {
            for (auto& e : x) Item(e);
        } else {
            Fields(*this, x);
        }
    }
    std::string_view in_;
};

}  // namespace

std::string StateBytes(const Run& run) {
    std::string out(Magic);
    Writer{out}(run);
    return out;
}

Run RunFromState(std::string_view bytes) {
    if (!bytes.starts_with(Magic))
        throw StateError("the state is not one of a Result of this version of zantrel");
    Reader in(bytes.substr(Magic.size()));
    Run run;
    in(run);
    if (!in.AtEnd()) throw StateError("the state of the Result is damaged");
    return run;
}

}  // namespace zantrel::python
