// Runs against libTellus64.so / libTellus32.so itself, with the debug log sent to a file.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <thread>

#include <Tellus.h>
#include "tests/geodesy/projections/ProjectionTestSupport.h"

namespace {

std::string logPath;

TEST(SharedLibrary, LoadLineWrittenOnce) {
    std::ifstream in(logPath);
    std::string line;
    int loadLines = 0;
    int lines = 0;
    const std::string expected = sizeof(void*) == 4 ? "Tellus32 ver 20.1 loaded" : "Tellus64 ver 20.1 loaded";
    while (std::getline(in, line)) {
        ++lines;
        size_t close = line.find("] ");
        ASSERT_EQ(line[0], '[');
        ASSERT_NE(close, std::string::npos);
        if (line.substr(close + 2) == expected) ++loadLines;
    }
    EXPECT_EQ(loadLines, 1);
    EXPECT_EQ(lines, 1);
}

TEST(SharedLibrary, VersionAndFreshThread) {
    EXPECT_EQ(GetGeodesyVersion(), 2001);
    EXPECT_EQ(GetGeodesyError(), 0);
    int other = -1;
    std::thread t([&] { other = GetGeodesyError(); });
    t.join();
    EXPECT_EQ(other, 0);
}

// A host's round trip through the shared object (runs after the log check: it writes trace lines
// in the 32-bit build).
TEST(SharedLibrary, HostConvertsOnUtm) {
    GeodesyParams p = utmParams(31);
    GeodesyHandle h = CreateGeodesy(&p);
    ASSERT_NE(h, nullptr);
    double x = 0, y = 0;
    // echo "5 45" | proj -f %.4f +proj=utm +zone=31 +ellps=WGS84 (PROJ 9.1.1)
    ASSERT_EQ(GeoXY(h, &x, &y, 45 * kDeg, 5 * kDeg), 1);
    EXPECT_NEAR(x, 657630.6407, 1e-3);
    EXPECT_NEAR(y, 4984896.1713, 1e-3);
    double conv = 0;
    ASSERT_EQ(Convergence(h, 45 * kDeg, 5 * kDeg, &conv), 1);
    // GeographicLib's TransverseMercatorProj: 1.41450370 deg (GeodesyExportsTest).
    EXPECT_NEAR(conv, -0.0246877469037, 1e-12);
    EXPECT_EQ(DestroyGeodesy(h), 1);
}

}  // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (argc > 1) logPath = argv[1];
    return RUN_ALL_TESTS();
}
