#include <cmath>
#include <cstdint>
#include <string>

#include "engine/Steps.h"
#include "export/Format.h"
#include "cell/CrystalSystems.h"
#include "cell/Messages.h"
#include "engine/Relations.h"

namespace zantrel::engine {

std::string ReadToken(TextReader& file) {
    std::string stored;
    for (;;) {
        int c = file.Get();
        if (c < 0) break;  // end of file
        if (c == ' ') {
            if (!stored.empty()) break;
            if (file.Eof() || file.AtLineEnd()) break;  // an empty token
            continue;
        }
        stored += static_cast<char>(c);
        if (stored.size() == 6) {
            // A longer word is cut to six characters; its remainder is dropped.
            for (int rest = file.Get(); rest >= 0 && rest != ' '; rest = file.Get()) {
            }
            break;
        }
    }
    return std::string(6 - stored.size(), ' ') + stored;
}

namespace {

std::string Hkl(int h, int k, int l) {
    return "(" + std::to_string(h) + " " + std::to_string(k) + " " + std::to_string(l) + ")";
}

std::string Number(double x) { return FormatShortest(x); }

// A conversion that has no value ends the run naming the reflection; the first line
// is the arithmetic fault the conversion would have raised.
template <typename Real>
[[noreturn]] void FailConversion(const RefinementJob<Real>& job, int i, int h, int k, int l,
                                 bool divisionByZero, const std::string& why) {
    Fail(divisionByZero ? Msg::DivisionByZero : Msg::InvalidOperation,
         "reflection " + std::to_string(i) + " " + Hkl(h, k, l) + " " + job.InputFile.Where() +
             ": " + why);
}

// sin(theta) of the energy-dispersive detector angle; refused where no energy exists.
template <typename Real>
Real CheckedDetectorSine(const RefinementJob<Real>& job, int i, int h, int k, int l) {
    Real s = DetectorSine<Real>(job.Beam2Theta);
    if (!(s > 0) || !std::isfinite(job.Beam2Theta))
        FailConversion(job, i, h, k, l, s == 0,
                       "the detector angle 2-theta " + Number(job.Beam2Theta) +
                           " gives no energy; it must lie above 0 and below 180 degrees");
    return s;
}

template <typename Real>
void ConvertObservation(RefinementJob<Real>& job, int i, int h, int k, int l) {
    if (job.DataIs2Theta) {
        double tt = job.TwoThetaObs[i];
        if (!(tt > 0 && tt < 180))
            FailConversion(job, i, h, k, l, tt == 0,
                           "2-theta " + Number(tt) + " has no d spacing; it must lie above 0 and below 180 degrees");
        if (!(job.Wavelength > 0) || !std::isfinite(job.Wavelength))
            FailConversion(job, i, h, k, l, job.Wavelength == 0,
                           "the wavelength " + Number(job.Wavelength) + " must be positive");
        job.DObs[i] = double(DSpacingFromTwoTheta<Real>(job.Wavelength, tt));
    } else if (job.DataIsEnergy) {
        double e = job.EnergyObs[i];
        if (!(e > 0))
            FailConversion(job, i, h, k, l, e == 0, "energy " + Number(e) + " keV has no d spacing; it must be positive");
        job.DObs[i] = double(EnergyDRelation(CheckedDetectorSine(job, i, h, k, l), e));
    } else if (!(job.DObs[i] > 0)) {
        FailConversion(job, i, h, k, l, job.DObs[i] == 0,
                       "d spacing " + Number(job.DObs[i]) + " must be positive");
    }
    double d = job.DObs[i];
    // Weighted without a 2-theta error and fitted in d, Q or energy, d and energy data
    // have no use for a wavelength: none is asked of them, and no 2-theta formed.
    if (!job.DataIs2Theta && !UsesWavelength(job.settings)) {
        job.TwoThetaObs[i] = 0;
    } else if (!job.DataIs2Theta) {
        double ratio = double(Real(job.Wavelength) / (2 * Real(d)));
        if (!(std::fabs(ratio) < 1))
            FailConversion(job, i, h, k, l, false,
                           "d spacing " + Number(d) + " has no 2-theta at wavelength " + Number(job.Wavelength) +
                               " (a d must exceed half the wavelength); with " +
                               (job.DataIsEnergy ? "energy" : "d-spacing") +
                               " data the wavelength sets only the weights, so any wavelength below twice the "
                               "smallest d spacing (here below " + Number(2 * d) + " for this one) lets the run proceed");
        job.TwoThetaObs[i] = double(TwoThetaFromSine<Real>(ratio, job.margins));
    }
    if (!job.DataIsEnergy)
        job.EnergyObs[i] = double(EnergyDRelation(CheckedDetectorSine(job, i, h, k, l), d));
    job.QObs[i] = double(1 / (Real(d) * d));
    job.QObsSaved[i] = job.QObs[i];
}

template <typename Real>
void BuildDesignRow(RefinementJob<Real>& job, int i, int h, int k, int l) {
    RowTable& x = job.DesignMatrix;
    // Products of two 32-bit indices, formed in 64 bits so none can wrap.
    auto product = [](int a, int b) { return double(std::int64_t(a) * std::int64_t(b)); };
    x(i, 1) = product(h, h);
    x(i, 2) = product(k, k);
    x(i, 3) = product(l, l);
    x(i, 4) = product(k, l);
    x(i, 5) = product(h, l);
    x(i, 6) = product(h, k);
    // The system's terms, as its layout's regression columns name them.
    if (job.IsMonoclinic) {
        x(i, 4) = x(i, 5);  // the hl term replaces kl
    } else if (job.IsHexagonal) {
        x(i, 1) = (x(i, 1) + x(i, 2)) + x(i, 6);
        x(i, 2) = x(i, 3);
    } else if (job.IsTetragonal) {
        x(i, 1) = x(i, 1) + x(i, 2);
        x(i, 2) = x(i, 3);
    } else if (job.IsCubic) {
        x(i, 1) = (x(i, 1) + x(i, 2)) + x(i, 3);
    }
    job.ParamCount = LayoutOf(CrystalSystem(job.CrystalSystem)).parameterCount;
    for (int j = 1; j <= job.ParamCount; ++j) job.DesignMatrixSaved(i, j) = x(i, j);
}

// The reflection lines from the one whose indices were just read to the end of the
// data, read from a copy so that the run's own reading stays where it stopped: what a
// user is told of the lines beyond the limit. A line that is no reflection ends them.
int CountReflectionLines(TextReader in) {
    int lines = 1;
    try {
        for (;;) {
            in.SkipLine();
            if (in.Eof() || in.AtLineEnd()) return lines;
            int h = in.ReadInteger(), k = in.ReadInteger(), l = in.ReadInteger();
            if (h == 0 && k == 0 && l == 0) return lines;
            ++lines;
        }
    } catch (const RunError&) {
        return lines;
    }
}

// The sigma that follows the value on a reflection line, in the data's quantity.
template <typename Real>
double ReadLineSigma(RefinementJob<Real>& job, int i, int h, int k, int l) {
    TextReader& in = job.InputFile;
    while (in.Peek() == ' ' || in.Peek() == '\t') in.Get();
    if (in.Eof() || in.AtLineEnd())
        Fail("Missing sigma", "reflection " + std::to_string(i) + " " + Hkl(h, k, l) + " " + in.Where() +
                                  ": weighting by a sigma column needs a sigma after the value on every reflection line");
    double sigma = in.ReadReal();
    if (!(sigma > 0) || !std::isfinite(sigma))
        Fail("Invalid sigma", "reflection " + std::to_string(i) + " " + Hkl(h, k, l) + " " + in.Where() +
                                  ": the sigma " + Number(sigma) + " must be positive");
    return sigma;
}

// The value of a line left out, for the documents that name it; 0 where it has none.
double ReadExcludedValue(TextReader& in) {
    while (in.Peek() == ' ' || in.Peek() == '\t') in.Get();
    if (in.Eof() || in.AtLineEnd()) return 0;
    try {
        double value = in.ReadReal();
        return std::isfinite(value) ? value : 0;
    } catch (const RunError&) {
        return 0;
    }
}

}  // namespace

template <typename Real>
void ReadReflections(RefinementJob<Real>& job) {
    job.EndOfData = false;
    job.TooManyReflections = false;
    TextReader& in = job.InputFile;
    int count = 0;
    job.Excluded.clear();
    job.RowsRead = 0;
    const bool sigmaColumn = job.settings.weighting.mode == WeightMode::SigmaColumn;
    while (!job.EndOfData) {
        int h = in.ReadInteger();
        int k = in.ReadInteger();
        int l = in.ReadInteger();
        if (h == 0 && k == 0 && l == 0) {
            job.EndOfData = true;
            break;
        }
        const int row = ++job.RowsRead;
        if (!job.Exclude.empty() && IsExcluded(job.Exclude, row, h, k, l)) {
            job.Excluded.push_back({row, h, k, l, ReadExcludedValue(in)});
            in.SkipLine();
            if (in.Eof() || in.AtLineEnd()) job.EndOfData = true;
            continue;
        }
        if (count == MaxReflections) {
            job.TooManyReflections = true;
            job.EndOfData = true;
            job.ReflectionsInFile = count + CountReflectionLines(in);
            break;
        }
        int i = ++count;
        job.MillerH[i] = h;
        job.MillerK[i] = k;
        job.MillerL[i] = l;
        RealTable& read = job.DataIs2Theta ? job.TwoThetaObs
                          : job.DataIsEnergy ? job.EnergyObs
                                             : job.DObs;
        read[i] = in.ReadReal();
        job.ValueAsRead[i] = read[i];
        job.FileRow[i] = row;
        if (sigmaColumn) job.SigmaRead[i] = ReadLineSigma(job, i, h, k, l);
        ConvertObservation(job, i, h, k, l);
        in.SkipLine();
        BuildDesignRow(job, i, h, k, l);
        job.Weights[i] = 1.0;
        if (in.Eof() || in.AtLineEnd()) job.EndOfData = true;
    }
    job.ObsCount = count;
}

template void ReadReflections(RefinementJob<double>&);
template void ReadReflections(RefinementJob<long double>&);

}  // namespace zantrel::engine
