// A whole run on arbitrary bytes: the first bytes choose the settings, the rest is the
// data file. A run may end with a RunError; it must never crash, hang, end with any
// other exception, or write a report that fails the checks of ReportChecks.h.

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "fuzz/ReportChecks.h"
#include "run/Run.h"

using namespace zantrel;

namespace {

// Settings bytes ahead of the data file:
//   0: crystal system, CrystalSystems[byte % 9] (0, 7 and -1 are out of range)
//   1: bits 0-1 data kind (0 2-theta, 1 energy, 2-3 d), bits 2-3 minimised quantity
//      (0 2-theta, 1 d, 2 energy, 3 Q), bit 4 zero shift, bit 5 full diagnostics,
//      bits 6 and 7 both set: a second run of a sound file afterwards, from the settings
//      the first left in force, as a session makes it (one input in four: it costs two
//      more whole runs)
//   2: low half the wavelength, Wavelengths[n]; high half the beam angle, BeamAngles[n]
inline constexpr std::size_t SettingsBytes = 3;

constexpr std::array<int, 9> CrystalSystems = {1, 2, 3, 4, 5, 6, 0, 7, -1};
constexpr Quantity DataKinds[4] = {Quantity::TwoTheta, Quantity::Energy, Quantity::D, Quantity::D};
constexpr Quantity Minimised[4] = {Quantity::TwoTheta, Quantity::D, Quantity::Energy, Quantity::Q};
// What a user can type into the two edits: usual values, and values no instrument has.
constexpr std::array<double, 16> Wavelengths = {1.540593, 0.709300, 1.936042, 2.289700,
                                                0.5594075, 0.1, 0.4, 3.0,
                                                10.0, 0.0, -1.540593, 1e-9,
                                                1e9, 1e300, 5e-324, 1.0};
constexpr std::array<double, 16> BeamAngles = {10.0,   5.0,   20.0,   45.0,  90.0,  120.0,
                                               179.99, 0.001, 0.0,    180.0, -10.0, 360.0,
                                               1e300,  190.0, 1e-300, 30.0};

// A sound file whose header fixes every setting the run reads but the diagnostics and
// the beam angle; after any run, however it ended, the settings it left in force must
// refine it as fresh settings with those two do.
constexpr std::string_view SoundFile =
    "Silicon*\r\n"
    "1 tt 1.540593 tt n\r\n"
    "  1  1  1   28.443\r\n"
    "  2  2  0   47.303\r\n"
    "  3  1  1   56.123\r\n"
    "  4  0  0   69.131\r\n"
    "  3  3  1   76.377\r\n"
    "  0  0  0\r\n";

void Require(const std::string& fault, std::string_view text) {
    if (fault.empty()) return;
    std::fprintf(stderr, "\n*** %s\n---- text ----\n%.*s\n---- end ----\n", fault.c_str(),
                 int(text.size()), text.data());
    std::abort();
}

// The report, or the message the run ended with.
std::string Outcome(const RefinementSettings& settings, std::string_view data) {
    try {
        return RunRefinement(MemoryRequest(settings, std::string(data), "sound.dat")).report;
    } catch (const RunError& e) {
        return std::string("error: ") + e.what();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    std::array<std::uint8_t, SettingsBytes> s{};
    for (std::size_t i = 0; i < SettingsBytes && i < size; ++i) s[i] = bytes[i];
    const std::size_t skip = size < SettingsBytes ? size : SettingsBytes;
    std::string_view data(reinterpret_cast<const char*>(bytes) + skip, size - skip);

    RefinementSettings settings;
    settings.system = CrystalSystem(CrystalSystems[s[0] % CrystalSystems.size()]);
    settings.data = DataKinds[s[1] & 3];
    settings.minimised = Minimised[(s[1] >> 2) & 3];
    settings.zeroShift = (s[1] & 0x10) != 0;
    settings.fullDiagnostics = (s[1] & 0x20) != 0;
    settings.wavelength = Wavelengths[s[2] & 15];
    settings.beam2Theta = BeamAngles[s[2] >> 4];

    RefinementSettings inForce = settings;
    try {
        const RunReply reply = RunRefinement(MemoryRequest(settings, std::string(data), "fuzz.dat"));
        Require(checks::ReplyFault(reply), reply.report);
        inForce = reply.settingsInForce;
    } catch (const RunError& e) {
        Require(checks::MessageFault(e.what()), e.what());
        inForce = e.settingsInForce.value_or(settings);
    }

    if ((s[1] & 0xc0) == 0xc0) {
        RefinementSettings fresh;
        fresh.fullDiagnostics = settings.fullDiagnostics;
        // An energy file's header line sets the beam angle for later runs too; the
        // sound file's header leaves it alone, and it decides whether that file's
        // reflections have energies at all.
        fresh.beam2Theta = inForce.beam2Theta;
        std::string expected = Outcome(fresh, SoundFile);
        std::string again = Outcome(inForce, SoundFile);
        if (again != expected) Require("a run left settings in force that change the next run", again);
    }
    return 0;
}
