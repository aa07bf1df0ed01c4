// The trial cell of a structure CIF, through gemmi's CIF parser: COD, ICSD and AMCSD
// write CIF 1 tags (_cell_length_a), mmCIF and CIF 2 dictionaries the dotted ones
// (_cell.length_a); both are looked for.

#include <gemmi/cif.hpp>
#include <gemmi/numb.hpp>
#include <gemmi/symmetry.hpp>

#include <cmath>
#include <regex>

#include "cell/Messages.h"
#include "indexing/TrialCell.h"

namespace zantrel::indexing {

namespace {

const std::string* FindValue(const gemmi::cif::Block& block, std::initializer_list<const char*> tags) {
    for (const char* tag : tags)
        if (const std::string* v = const_cast<gemmi::cif::Block&>(block).find_value(tag); v && !gemmi::cif::is_null(*v))
            return v;
    return nullptr;
}

bool HasCell(const gemmi::cif::Block& block) {
    return FindValue(block, {"_cell_length_a", "_cell.length_a"}) != nullptr;
}

// gemmi says "NAME:LINE:COLUMN: what"; the system says where on a line of its own.
[[noreturn]] void FailParse(const std::string& message, const std::string& path) {
    static const std::regex at(R"(^.*:(\d+):(\d+): (.*)$)");
    std::smatch m;
    if (std::regex_match(message, m, at))
        Fail("the CIF cannot be read: " + m[3].str(), "in " + path + ", line " + m[1].str() + ", column " + m[2].str());
    Fail("the CIF cannot be read: " + message, "in " + path);
}

}  // namespace

TrialCell ReadCifTrialCell(const std::string& path, const std::string& spaceGroup) {
    gemmi::cif::Document doc;
    try {
        doc = gemmi::cif::read_file(path);
    } catch (const std::exception& e) {
        std::string message = e.what();
        if (message.find("Failed to open") != std::string::npos) Fail(Msg::FileNotFound, "in " + path);
        FailParse(message, path);
    }
    const gemmi::cif::Block* block = nullptr;
    for (const gemmi::cif::Block& b : doc.blocks)
        if (HasCell(b)) {
            block = &b;
            break;
        }
    if (block == nullptr) Fail("no data block of the CIF gives a cell (_cell_length_a)", "in " + path);
    static const char* const Cif1[6] = {"_cell_length_a", "_cell_length_b", "_cell_length_c",
                                        "_cell_angle_alpha", "_cell_angle_beta", "_cell_angle_gamma"};
    static const char* const Cif2[6] = {"_cell.length_a", "_cell.length_b", "_cell.length_c",
                                        "_cell.angle_alpha", "_cell.angle_beta", "_cell.angle_gamma"};
    CellParameters c{};
    for (int i = 0; i < 6; ++i) {
        const std::string* v = FindValue(*block, {Cif1[i], Cif2[i]});
        // A cell whose symmetry fixes an angle often leaves it out: 90 then.
        if (v == nullptr && i >= 3) {
            c[std::size_t(i)] = 90;
            continue;
        }
        if (v == nullptr) Fail(std::string("the CIF gives no ") + Cif1[i], "in " + path + ", data_" + block->name);
        const double x = gemmi::cif::as_number(*v);  // "5.4309(2)": the su is dropped
        if (!std::isfinite(x))
            Fail(std::string(Cif1[i]) + " '" + *v + "' is not a number", "in " + path + ", data_" + block->name);
        c[std::size_t(i)] = x;
    }
    std::string group = spaceGroup;
    if (group.empty()) {
        if (const std::string* v = FindValue(*block, {"_space_group_name_H-M_alt", "_symmetry_space_group_name_H-M",
                                                       "_space_group.name_H-M_alt", "_symmetry.space_group_name_H-M"}))
            group = gemmi::cif::as_string(*v);
        else if (const std::string* hall = FindValue(*block, {"_space_group_name_Hall", "_symmetry_space_group_name_Hall",
                                                               "_space_group.name_Hall", "_symmetry.space_group_name_Hall"})) {
            try {
                if (const gemmi::SpaceGroup* sg = gemmi::find_spacegroup_by_ops(gemmi::symops_from_hall(gemmi::cif::as_string(*hall).c_str())))
                    group = sg->xhm();
            } catch (const std::exception&) {
            }
            if (group.empty()) Fail("the Hall symbol '" + gemmi::cif::as_string(*hall) + "' is not one gemmi knows", "in " + path);
        } else if (const std::string* number = FindValue(*block, {"_space_group_IT_number", "_symmetry_Int_Tables_number",
                                                                   "_space_group.IT_number", "_symmetry.Int_Tables_number"}))
            group = gemmi::cif::as_string(*number);
        else
            Fail("the CIF names no space group (_space_group_name_H-M_alt, its Hall symbol or its number); give --space-group",
                 "in " + path + ", data_" + block->name);
    }
    return MakeTrialCell(c, group, "CIF " + path);
}

}  // namespace zantrel::indexing
