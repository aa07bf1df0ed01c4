// The trial cell from the command line's values, from structure CIFs of both tag
// spellings, and the refusals of a cell that contradicts its space group.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "cell/Messages.h"
#include "indexing/Lines.h"
#include "indexing/TrialCell.h"

namespace zantrel::indexing {
namespace {

std::string WriteTemp(const std::string& name, const std::string& bytes) {
    const auto path = std::filesystem::temp_directory_path() / ("zantrel-trialcell-" + name);
    std::ofstream(path, std::ios::binary) << bytes;
    return path.string();
}

std::string ErrorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const RunError& e) {
        return e.what();
    }
    return "";
}

TEST(TrialCells, SpaceGroupsGiveTheSystemRefinedAndTheCellMustAgree) {
    EXPECT_EQ(MakeTrialCell(ParseCell("4.7589,4.7589,12.991,90,90,120"), "R -3 c:H", "").system, CrystalSystem::Hexagonal);
    EXPECT_EQ(MakeTrialCell(ParseCell("4.7589,4.7589,12.991,90,90,120"), "167", "").spaceGroup, "R -3 c:H");
    EXPECT_EQ(MakeTrialCell(ParseCell("9.746,8.899,5.251,90,105.63,90"), "C 2/c", "").system, CrystalSystem::Monoclinic);
    EXPECT_EQ(MakeTrialCell(ParseCell("5.43102,5.431,5.431,90,90,90"), "F d -3 m", "").cell[1], 5.43102);
    EXPECT_NE(ErrorOf([] { MakeTrialCell(ParseCell("5.43,5.43,5.50,90,90,90"), "F d -3 m", ""); }).find("contradicts"),
              std::string::npos);
    EXPECT_NE(ErrorOf([] { MakeTrialCell(ParseCell("5.1,5.1,5.1,55,55,55"), "R -3 c:R", ""); }).find("R -3 c:H"), std::string::npos);
    EXPECT_NE(ErrorOf([] { MakeTrialCell(ParseCell("5,6,7,90,90,100"), "P 1 1 21/b", ""); }).find("unique axis"), std::string::npos);
    EXPECT_NE(ErrorOf([] { MakeTrialCell(ParseCell("5,5,5,90,90,90"), "Q 9", ""); }).find("not a space group"), std::string::npos);
    EXPECT_NE(ErrorOf([] { ParseCell("5.43,5.43,5.43,90,90"); }).find("six values"), std::string::npos);
}

TEST(TrialCells, CifsOfBothSpellingsWithQuotesAndStandardUncertainties) {
    const TrialCell cod = ReadCifTrialCell(WriteTemp("cod.cif",
                                                     "data_corundum\n_symmetry_space_group_name_H-M 'R -3 c H'\n"
                                                     "_cell_length_a 4.7589(3)\n_cell_length_b 4.7589(3)\n_cell_length_c 12.991(1)\n"
                                                     "_cell_angle_alpha 90\n_cell_angle_beta 90\n_cell_angle_gamma 120\n"));
    EXPECT_EQ(cod.spaceGroup, "R -3 c:H");
    EXPECT_EQ(cod.cell[2], 12.991);
    const TrialCell mm = ReadCifTrialCell(WriteTemp("mm.cif",
                                                    "data_x\n_cell.length_a 10.19\n_cell.length_b 5.98\n_cell.length_c 4.75\n"
                                                    "_space_group.IT_number 62\n"));
    EXPECT_EQ(mm.system, CrystalSystem::Orthorhombic);
    EXPECT_EQ(mm.cell[3], 90);
    const TrialCell hall = ReadCifTrialCell(WriteTemp("hall.cif", "data_x\n_cell_length_a 5.4309\n_cell_length_b 5.4309\n"
                                                                  "_cell_length_c 5.4309\n_symmetry_space_group_name_Hall '-F 4vw 2vw 3'\n"));
    EXPECT_EQ(hall.spaceGroupNumber, 227);
    const std::string broken = WriteTemp("broken.cif", "data_x\n_cell_length_a 5.43\n_title 'unterminated\n");
    EXPECT_NE(ErrorOf([&] { ReadCifTrialCell(broken); }).find(", line 3, column"), std::string::npos);
    const std::string none = WriteTemp("none.cif", "data_x\n_cell_length_a 5.43\n_cell_length_b 5.43\n_cell_length_c 5.43\n");
    EXPECT_NE(ErrorOf([&] { ReadCifTrialCell(none); }).find("--space-group"), std::string::npos);
    EXPECT_EQ(ReadCifTrialCell(none, "F m -3 m").spaceGroupNumber, 225);
}

TEST(TrialCells, AllowedReflectionsKeepOneOfEachSetAndDropTheAbsent) {
    // F d -3 m: 2 0 0 is absent (the d glide: 0kl with k + l = 4n); 2 2 2 is not (only
    // the atoms of diamond on 8a leave it out); 1 1 1 has 8 equivalents, 2 2 0 has 12.
    const std::vector<Reflection> si = AllowedReflections({5.4309, 5.4309, 5.4309, 90, 90, 90}, "F d -3 m:1", 1.0);
    ASSERT_GE(si.size(), 4u);
    EXPECT_EQ(si[0].hkl, (Miller{1, 1, 1}));
    EXPECT_EQ(si[0].multiplicity, 8);
    EXPECT_EQ(si[1].hkl, (Miller{2, 2, 0}));
    EXPECT_EQ(si[1].multiplicity, 12);
    EXPECT_EQ(si[2].hkl, (Miller{3, 1, 1}));
    EXPECT_EQ(si[3].hkl, (Miller{2, 2, 2}));
    for (const Reflection& r : si) EXPECT_NE(r.hkl, (Miller{2, 0, 0}));
}

}  // namespace
}  // namespace zantrel::indexing
