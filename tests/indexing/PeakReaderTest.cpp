// The peak-list readers on each format as programs and hands write it, and on broken
// files, whose message must say the line and the column.

#include <gtest/gtest.h>

#include "cell/Messages.h"
#include "indexing/PeakList.h"

namespace zantrel::indexing {
namespace {

std::string ErrorOf(const std::string& bytes, Quantity kind = Quantity::TwoTheta) {
    try {
        ReadPeakList(bytes, "peaks.txt", kind);
    } catch (const RunError& e) {
        return e.what();
    }
    return "";
}

TEST(PeakReaders, PlainTextWithCommentsWavelengthAndAnyLineEnds) {
    const PeakList p = ReadPeakList("# Si, peak search\r\n# wavelength = 1.54056\r\n28.443  1000\r 47.30 620 0.004\n\n56.12\n",
                                    "si.txt", Quantity::TwoTheta);
    EXPECT_EQ(p.format, "peak text");
    ASSERT_EQ(p.peaks.size(), 3u);
    EXPECT_EQ(p.wavelength, 1.54056);
    EXPECT_EQ(p.peaks[1].position, 47.30);
    EXPECT_EQ(p.peaks[1].intensity, 620);
    EXPECT_EQ(p.peaks[1].sigma, 0.004);
    EXPECT_FALSE(p.peaks[2].intensity);
}

TEST(PeakReaders, TablesNameTheirColumnsInAnyOrder) {
    const PeakList csv = ReadPeakList("intensity,sigma,d\n100,0.0002,3.1355\n50,,1.9201\n", "a.csv", Quantity::TwoTheta);
    EXPECT_EQ(csv.kind, Quantity::D);
    EXPECT_EQ(csv.peaks[0].position, 3.1355);
    EXPECT_EQ(csv.peaks[0].sigma, 0.0002);
    EXPECT_FALSE(csv.peaks[1].sigma);
    const PeakList tsv = ReadPeakList("tth\td\tI\n28.44\t3.1355\t100\n", "a.tsv", Quantity::D);
    EXPECT_EQ(tsv.kind, Quantity::D);  // the kind asked for, where the table has it
    EXPECT_EQ(tsv.peaks[0].position, 3.1355);
    // GSAS-II's Index Peak List: its hkl are not read, its position is 2-theta.
    const PeakList gsas = ReadPeakList("h,k,l,position,intensity,d-Obs,d-calc\n1,1,1,28.4430,1000.0,3.13552,3.13559\n",
                                       "g.csv", Quantity::TwoTheta);
    EXPECT_EQ(gsas.kind, Quantity::TwoTheta);
    EXPECT_EQ(gsas.peaks[0].position, 28.443);
    EXPECT_EQ(gsas.peaks[0].intensity, 1000);
}

TEST(PeakReaders, GsasExportOfAllPeakListsGivesTwoThetaOrDWithSigma) {
    const std::string file =
        "#PWDR Si.xye Bank 1 Peak List \n#wavelength =   1.540560\n"
        "#      pos        dsp        esd          int        esd        sig        esd        gam        esd       FWHM\n"
        "   28.4430    3.13552    0.00011      1000.00      12.00    0.00100    0.00001    0.01000    0.00010    0.05000 \n";
    const PeakList tth = ReadPeakList(file, "all.txt", Quantity::TwoTheta);
    EXPECT_EQ(tth.format, "GSAS-II peak list");
    EXPECT_EQ(tth.wavelength, 1.54056);
    EXPECT_EQ(tth.peaks[0].position, 28.443);
    const PeakList d = ReadPeakList(file, "all.txt", Quantity::D);
    EXPECT_EQ(d.peaks[0].position, 3.13552);
    EXPECT_EQ(d.peaks[0].sigma, 0.00011);
    EXPECT_NE(ErrorOf(file + "#PWDR other Peak List\n 30.0 2.9 0.1 1 1 1 1 1 1 1\n").find("line 5, column 1"), std::string::npos);
}

TEST(PeakReaders, DataFilesGiveTheirValuesAndHeaderNotTheirIndices) {
    const PeakList p = ReadPeakList("LaB6*\n1 d 0.4 d n\n 1 0 0 4.1569 remark\n 1 1 0 2.9394\n 0 0 0\n 9 9 9 1.0\n", "lab6.dat",
                                    Quantity::TwoTheta);
    EXPECT_EQ(p.format, "Zantrel data file");
    EXPECT_EQ(p.kind, Quantity::D);
    EXPECT_EQ(p.wavelength, 0.4);
    EXPECT_EQ(p.title, "LaB6");
    ASSERT_EQ(p.peaks.size(), 2u);
    EXPECT_EQ(p.peaks[1].position, 2.9394);
}

TEST(PeakReaders, BrokenFilesNameTheLineAndTheColumn) {
    EXPECT_EQ(ErrorOf("28.44\n47.3O 100\n"), "'47.3O' is not a number (the position)\nin peaks.txt, line 2, column 1");
    EXPECT_EQ(ErrorOf("28.44 1e5\n  -47.3\n"), "the position -47.3 is not positive\nin peaks.txt, line 2, column 3");
    EXPECT_EQ(ErrorOf("28.44 abc\n"), "'abc' is not a number (the intensity)\nin peaks.txt, line 1, column 7");
    EXPECT_EQ(ErrorOf("2theta,intensity\n28.4,100\n47.3,x\n"), "'x' is not a number (the intensity)\nin peaks.txt, line 3, column 6");
    EXPECT_EQ(ErrorOf("d,intensity\n,100\n"), "the position is missing\nin peaks.txt, line 2, column 1");
    EXPECT_EQ(ErrorOf("# wavelength = 1,54\n28.4\n"), "'1,54' is not a number (the wavelength)\nin peaks.txt, line 1, column 16");
    EXPECT_EQ(ErrorOf("Si*\n1 tt 1.54 tt n\n 1 1 1.0 28.4\n"),
              "'1.0' is not an index (h, k and l are integers)\nin peaks.txt, line 3, column 6");
    EXPECT_EQ(ErrorOf("# only comments\n\n"), "the file holds no peaks\nin peaks.txt");
    EXPECT_EQ(ErrorOf("28.4 nan\n"), "'nan' is not a number (the intensity)\nin peaks.txt, line 1, column 6");
}

}  // namespace
}  // namespace zantrel::indexing
