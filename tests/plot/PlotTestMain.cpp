// The plot tests draw text, which needs a QGuiApplication: the same headless one that
// zantrel-cli starts for --plot.

#include <gtest/gtest.h>

#include "plot/Export.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    const auto gui = zantrel::plot::StartHeadlessGui();
    return RUN_ALL_TESTS();
}
