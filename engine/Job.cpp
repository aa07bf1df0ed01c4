#include "engine/Job.h"

namespace zantrel {

void UseSettings(JobFlags& job, const RefinementSettings& s) {
    job.CrystalSystem = int(s.system);
    job.IsCubic = s.system == CrystalSystem::Cubic;
    job.IsTetragonal = s.system == CrystalSystem::Tetragonal;
    job.IsHexagonal = s.system == CrystalSystem::Hexagonal;
    job.IsOrthorhombic = s.system == CrystalSystem::Orthorhombic;
    job.IsMonoclinic = s.system == CrystalSystem::Monoclinic;
    job.IsTriclinic = s.system == CrystalSystem::Triclinic;
    job.DataIs2Theta = s.data == Quantity::TwoTheta;
    job.DataIsEnergy = s.data == Quantity::Energy;
    job.MinimiseOn2Theta = s.minimised == Quantity::TwoTheta;
    job.MinimiseOnD = s.minimised == Quantity::D;
    job.MinimiseOnEnergy = s.minimised == Quantity::Energy;
    job.Wavelength = s.wavelength;
    job.Beam2Theta = s.beam2Theta;
    job.RefineZeroShift = s.zeroShift;
    job.ZeroShiftRequested = s.zeroShift;
    job.FullDiagnostics = s.fullDiagnostics;
}

}  // namespace zantrel
