#include "indexing/TrialCell.h"

#include <gemmi/symmetry.hpp>

#include <charconv>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>

#include "cell/Messages.h"
#include "eos/JsonValue.h"

namespace zantrel::indexing {

namespace {

bool Near(double x, double y) { return std::fabs(x - y) <= 1e-4 * std::max(std::fabs(x), std::fabs(y)); }
bool NearAngle(double x, double y) { return std::fabs(x - y) <= 0.01; }

std::string CellText(const CellParameters& c) {
    std::ostringstream out;
    out << c[0] << ", " << c[1] << ", " << c[2] << ", " << c[3] << ", " << c[4] << ", " << c[5];
    return out.str();
}

// Zantrel's monoclinic cell has its unique axis b (the hl term of the regression).
bool UniqueAxisB(const gemmi::SpaceGroup& sg) {
    std::istringstream in(sg.hm);
    std::string lattice, x, y, z;
    in >> lattice >> x >> y >> z;
    return x == "1" && z == "1";
}

CrystalSystem SystemOf(const gemmi::SpaceGroup& sg) {
    switch (sg.crystal_system()) {
        case gemmi::CrystalSystem::Triclinic: return CrystalSystem::Triclinic;
        case gemmi::CrystalSystem::Monoclinic:
            if (!UniqueAxisB(sg))
                Fail("the space group " + sg.xhm() + " has its unique axis along a or c; refinement of a monoclinic cell "
                     "takes the setting with unique axis b (for example " + std::string(gemmi::find_spacegroup_by_number(sg.number)->xhm()) + ")");
            return CrystalSystem::Monoclinic;
        case gemmi::CrystalSystem::Orthorhombic: return CrystalSystem::Orthorhombic;
        case gemmi::CrystalSystem::Tetragonal: return CrystalSystem::Tetragonal;
        case gemmi::CrystalSystem::Trigonal:
            if (sg.ext == 'R')
                Fail("the space group " + sg.xhm() + " is given in rhombohedral axes; give the cell in hexagonal axes with " +
                     std::string(sg.hm) + ":H");
            return CrystalSystem::Hexagonal;
        case gemmi::CrystalSystem::Hexagonal: return CrystalSystem::Hexagonal;
        case gemmi::CrystalSystem::Cubic: return CrystalSystem::Cubic;
    }
    return CrystalSystem::Triclinic;
}

const gemmi::SpaceGroup& FindSpaceGroup(const std::string& text, const CellParameters& cell) {
    std::string name = text;
    while (!name.empty() && (name.back() == ' ' || name.back() == '\t')) name.pop_back();
    // COD and older files write the setting without its colon: "R -3 c H", "R -3 c :H".
    for (const char* setting : {" :H", " :R", " H", " R"})
        if (name.size() > 3 && name.ends_with(setting)) {
            name = name.substr(0, name.size() - std::strlen(setting)) + ":" + name.back();
            break;
        }
    const gemmi::SpaceGroup* sg = nullptr;
    try {
        // alpha and gamma choose between the hexagonal and rhombohedral settings of an R group.
        sg = gemmi::find_spacegroup_by_name(name, cell[3], cell[5]);
    } catch (const std::exception&) {
        sg = nullptr;
    }
    if (sg == nullptr) Fail("'" + text + "' is not a space group (a Hermann-Mauguin symbol such as 'F d -3 m' or 'R -3 c:H', or a number 1..230)");
    return *sg;
}

void Check(bool ok, const gemmi::SpaceGroup& sg, const CellParameters& c, const char* needs) {
    if (!ok)
        Fail("the cell " + CellText(c) + " contradicts the space group " + sg.xhm() + " (" + sg.crystal_system_str() +
             "), which needs " + needs);
}

double Value(const std::string& text, const std::string& what) {
    double x = 0;
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), x);
    if (ec != std::errc() || ptr != text.data() + text.size() || !std::isfinite(x))
        Fail("'" + text + "' is not a number (" + what + ")");
    return x;
}

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) Fail(Msg::FileNotFound, "in " + path);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

}  // namespace

TrialCell MakeTrialCell(const CellParameters& given, const std::string& spaceGroup, const std::string& source) {
    CellParameters c = given;
    for (int i = 0; i < 3; ++i)
        if (!(c[i] > 0) || c[i] > 1000) Fail("the cell length " + std::to_string(c[i]) + " is not one of a crystal (0 to 1000 angstrom)");
    for (int i = 3; i < 6; ++i)
        if (!(c[i] > 0) || !(c[i] < 180)) Fail("the cell angle " + std::to_string(c[i]) + " is not between 0 and 180 degrees");
    const gemmi::SpaceGroup& sg = FindSpaceGroup(spaceGroup, c);
    TrialCell t;
    t.system = SystemOf(sg);
    const bool right = NearAngle(c[3], 90) && NearAngle(c[4], 90) && NearAngle(c[5], 90);
    switch (t.system) {
        case CrystalSystem::Cubic:
            Check(Near(c[0], c[1]) && Near(c[0], c[2]) && right, sg, c, "a = b = c and right angles");
            c = {c[0], c[0], c[0], 90, 90, 90};
            break;
        case CrystalSystem::Tetragonal:
            Check(Near(c[0], c[1]) && right, sg, c, "a = b and right angles");
            c = {c[0], c[0], c[2], 90, 90, 90};
            break;
        case CrystalSystem::Hexagonal:
            Check(Near(c[0], c[1]) && NearAngle(c[3], 90) && NearAngle(c[4], 90) && NearAngle(c[5], 120), sg, c,
                  "a = b, alpha = beta = 90 and gamma = 120 (hexagonal axes)");
            c = {c[0], c[0], c[2], 90, 90, 120};
            break;
        case CrystalSystem::Orthorhombic:
            Check(right, sg, c, "right angles");
            c = {c[0], c[1], c[2], 90, 90, 90};
            break;
        case CrystalSystem::Monoclinic:
            Check(NearAngle(c[3], 90) && NearAngle(c[5], 90), sg, c, "alpha = gamma = 90 (unique axis b)");
            c = {c[0], c[1], c[2], 90, c[4], 90};
            break;
        case CrystalSystem::Triclinic: break;
    }
    t.cell = c;
    t.spaceGroup = sg.xhm();
    t.spaceGroupNumber = sg.number;
    t.source = source;
    return t;
}

CellParameters ParseCell(const std::string& text) {
    CellParameters c{};
    std::size_t start = 0;
    static constexpr const char* Names[6] = {"a", "b", "c", "alpha", "beta", "gamma"};
    for (int i = 0; i < 6; ++i) {
        std::size_t end = text.find(',', start);
        if ((end == std::string::npos) != (i == 5))
            Fail("--cell takes six values, a,b,c,alpha,beta,gamma: '" + text + "'");
        std::string item = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        while (!item.empty() && item.front() == ' ') item.erase(item.begin());
        while (!item.empty() && item.back() == ' ') item.pop_back();
        c[std::size_t(i)] = Value(item, std::string("the cell's ") + Names[i]);
        start = end + 1;
    }
    return c;
}

TrialCell ReadJsonTrialCell(const std::string& path, const std::string& spaceGroup) {
    eos::JsonValue doc;
    try {
        doc = eos::ParseJson(ReadBytes(path));
    } catch (const RunError&) {
        throw;
    } catch (const std::exception& e) {
        Fail(e.what(), "in " + path);
    }
    const eos::JsonValue* results = doc.Find("results");
    const eos::JsonValue* cell = results ? results->Find("cell") : nullptr;
    if (cell == nullptr) Fail("the document holds no refined cell (results.cell of zantrel-cli --json)", "in " + path);
    CellParameters c{};
    static constexpr const char* Names[6] = {"a", "b", "c", "alpha", "beta", "gamma"};
    for (int i = 0; i < 6; ++i) {
        const eos::JsonValue* v = cell->Find(Names[i]);
        const eos::JsonValue* value = v ? v->Find("value") : nullptr;
        if (value == nullptr || value->kind != eos::JsonValue::Kind::Number)
            Fail(std::string("results.cell.") + Names[i] + ".value is missing or not a number", "in " + path);
        c[std::size_t(i)] = value->number;
    }
    std::string group = spaceGroup;
    if (group.empty()) {
        const eos::JsonValue* a = doc.Find("assignment");
        const eos::JsonValue* g = a ? a->Find("space_group") : nullptr;
        if (g == nullptr || g->kind != eos::JsonValue::Kind::String)
            Fail("the document names no space group (only an indexing run's does); give --space-group", "in " + path);
        group = g->string;
    }
    return MakeTrialCell(c, group, "JSON " + path);
}

}  // namespace zantrel::indexing
