// Writes the data files of the batch benchmark: every crystal system in turn, 10 to 60
// reflections, mostly 2-theta data with some d spacings and energies, the scatter the
// program assumes (0.005 deg), and a zero error in every tenth file.
//
//   bench_batch_gen FOLDER COUNT

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "support/SyntheticData.h"

using namespace zantrel::synth;


int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: bench_batch_gen FOLDER COUNT\n");
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    const int count = std::stoi(argv[2]);
    std::filesystem::create_directories(folder);
    std::mt19937 random(20261208);
    std::uniform_int_distribution<int> lines(10, 60);
    for (int i = 0; i < count; ++i) {
        DataSpec recipe;
        recipe.system = 1 + i % 6;
        recipe.cell = RandomCell(recipe.system, random);
        recipe.count = lines(random);
        recipe.noise2Theta = 0.005;
        recipe.seed = unsigned(i + 1);
        switch (i % 5) {
            case 3: recipe.kind = Kind::D; recipe.minimise = "d"; break;
            case 4: recipe.kind = Kind::Energy; recipe.minimise = "e"; break;
            default: recipe.kind = Kind::TwoTheta; recipe.minimise = i % 7 == 0 ? "q" : "tt";
        }
        if (i % 10 == 0 && recipe.kind != Kind::D) {
            recipe.zeroShiftFlag = true;
            recipe.zeroShift = recipe.kind == Kind::Energy ? 0.05 : 0.02;
        }
        char name[32];
        std::snprintf(name, sizeof name, "run%05d.dat", i + 1);
        std::ofstream(folder / name, std::ios::binary) << MakeDataFile(recipe);
    }
    return 0;
}
