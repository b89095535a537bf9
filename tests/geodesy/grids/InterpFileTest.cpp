#include <gtest/gtest.h>

#include <filesystem>

#include "tools/GridFileWriter.h"
#include "GridTestSupport.h"
#include "Ntv2TestGrids.h"
#include "TestSupport.h"
#include "geodesy/grids/BinFile.h"
#include "geodesy/grids/GsbFile.h"
#include "geodesy/grids/GtxFile.h"
#include "geodesy/grids/InterpFile.h"
#include "geodesy/grids/KTDFile.h"

namespace {

// The product form of the smoothstep weight, written independently of the expanded one.
double smoothstep(double s) { return 3 * s * s - 2 * s * s * s; }

TEST(InterpFile, InterpolateCornersAndCentre) {
    GtxFile empty;
    const float corners[4] = {1.0f, 2.0f, 4.0f, 8.0f};
    struct Case {
        double u, v, expected;
    } cases[] = {
        {0, 0, 1.0}, {1, 0, 2.0}, {1, 1, 4.0}, {0, 1, 8.0}, {0.5, 0.5, (1.0 + 2 + 4 + 8) / 4},
    };
    for (const Case& c : cases)
        EXPECT_DOUBLE_EQ(empty.Interpolate(corners, c.u, c.v), c.expected) << c.u << " " << c.v;
}

TEST(InterpFile, SmoothWeightIsTheProductOfTwoSmoothsteps) {
    for (double s : {0.0, 0.1, 0.25, 0.5, 0.8, 1.0})
        for (double t : {0.0, 0.3, 0.5, 0.9, 1.0}) {
            EXPECT_NEAR(InterpFile::SmoothWeight(s, t), smoothstep(s) * smoothstep(t), 1e-15);
            double sum = InterpFile::SmoothWeight(s, t) + InterpFile::SmoothWeight(1 - s, t) +
                         InterpFile::SmoothWeight(s, 1 - t) + InterpFile::SmoothWeight(1 - s, 1 - t);
            EXPECT_NEAR(sum, 1.0, 1e-15);
        }
}

TEST(InterpFile, EllipsoidAnswersOfGridsWithoutOne) {
    GtxFile gtx;
    double a = 0, f = 0;
    gtx.ToEllipsoid(&a, &f);
    EXPECT_EQ(a, -88.88880157470703);
    EXPECT_EQ(f, -88.88880157470703);

    TempFolder folder;
    writeFile(folder.file("g.geo"), gridwriter::binGridBytes({}));
    BinFile bin(folder.file("g.geo").c_str(), false);
    bin.FromEllipsoid(&a, &f);
    EXPECT_EQ(a, 6378137.0);
    EXPECT_EQ(f, 0.003352810664747);
}

// Open descriptors of the process.
size_t openFiles() {
    size_t n = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) ++n;
    return n;
}

TEST(InterpFile, DestroyedGridsHoldNoFile) {
    TempFolder folder;
    writeFile(folder.file("g.geo"), gridwriter::binGridBytes({}));
    writeFile(folder.file("g.gtx"), gridwriter::gtxBytes({}));
    writeFile(folder.file("t.ktd"), "2 2 0 0 1 1 1 2 3 4");
    writeFile(folder.file("g.gsb"), gridwriter::ntv2Bytes({}, {parentGrid()}));
    writeFile(folder.file("bad.gsb"), "not an NTv2 file at all");
    writeFile(folder.file("bad.gtx"), "short");
    const size_t before = openFiles();
    for (int i = 0; i < 3; ++i) {
        BinFile bin(folder.file("g.geo").c_str(), false);
        GtxFile gtx(folder.file("g.gtx").c_str());
        KTDFile ktd(folder.file("t.ktd").c_str());
        EXPECT_EQ(ktd.file, nullptr) << "read whole and closed";
        GsbFile gsb(folder.file("g.gsb").c_str());
        GsbFile bad(folder.file("bad.gsb").c_str());
        EXPECT_EQ(raisedCode([&] { GtxFile g(folder.file("bad.gtx").c_str()); }), 2);
    }
    EXPECT_EQ(openFiles(), before);
}

}  // namespace
