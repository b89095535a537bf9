// Grids whose nodes lie beyond 4 GiB into the file: the 32-bit build must seek there too. The
// files are sparse (only headers and a few nodes are written).
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "tools/GridFileWriter.h"
#include "GridTestSupport.h"
#include "Ntv2TestGrids.h"
#include "TestSupport.h"
#include "geodesy/grids/GtxFile.h"
#include "geodesy/grids/Ntv2Reader.h"
#include "geodesy/grids/Ntv2Shift.h"

namespace {

constexpr int64_t kFourGiB = int64_t(1) << 32;
constexpr double kDeg = 3.141592653589793 / 180;

// Extends a file to `size` bytes without writing them; false where the file system refuses.
bool extend(const std::string& path, int64_t size) {
    std::error_code ec;
    std::filesystem::resize_file(path, uintmax_t(size), ec);
    return !ec;
}

void writeAt(const std::string& path, int64_t at, const std::string& bytes) {
    std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(std::streamoff(at));
    f.write(bytes.data(), std::streamsize(bytes.size()));
    ASSERT_TRUE(f.good()) << "cannot write at " << at;
}

TEST(LargeFiles, GtxRowsBeyondFourGiB) {
    gridwriter::GtxGrid g;
    g.rows = 30000;
    g.columns = 40000;
    g.latSpacing = g.lonSpacing = 0.001;
    int64_t size = 40 + int64_t(g.rows) * g.columns * 4;
    ASSERT_GT(size, kFourGiB);
    TempFolder folder;
    std::string path = folder.file("big.gtx");
    writeFile(path, gridwriter::gtxHeader(g));
    if (!extend(path, size)) GTEST_SKIP() << "no room for a sparse file of " << size << " bytes";
    // The north-east node.
    writeAt(path, size - 4, gridwriter::bigEndianFloat(12.5f));
    GtxFile gtx(path.c_str());
    double v = NAN;
    ASSERT_EQ(gtx.Lookup(gtx.north, gtx.east, nullptr, &v).release(), 0);
    EXPECT_NEAR(v, 12.5, 1e-9);
    ASSERT_EQ(gtx.Lookup(1 * kDeg, 1 * kDeg, nullptr, &v).release(), 0);
    EXPECT_EQ(v, 0.0);
}

TEST(LargeFiles, Ntv2SubGridBeyondFourGiB) {
    // A first grid of 16385 x 16385 nodes (4.3 GB of records), then a small one after it.
    gridwriter::Ntv2SubGrid big;
    big.name = "BIG";
    big.nLat = 16384;
    big.eLong = -16384;
    big.latInc = big.lonInc = 1;
    big.writeNodes = false;
    gridwriter::Ntv2SubGrid small = parentGrid();
    small.name = "SMALL";
    small.sLat = 36000;
    small.nLat = 39600;
    gridwriter::Ntv2Layout head;
    head.numFile = 2;
    head.endRecord = false;
    std::string first = gridwriter::ntv2Bytes(head, {big});
    std::string second = gridwriter::ntv2Bytes({}, {small}).substr(11 * 16);
    int64_t gap = int64_t(big.rows()) * big.columns() * 16;
    ASSERT_GT(gap, kFourGiB);

    TempFolder folder;
    std::string path = folder.file("big.gsb");
    writeFile(path, first);
    if (!extend(path, int64_t(first.size()) + gap + int64_t(second.size())))
        GTEST_SKIP() << "no room for a sparse file";
    writeAt(path, int64_t(first.size()) + gap, second);

    int error = -1;
    ntv2_handle* h = ntv2_open(path.c_str(), false, false, nullptr, &error);
    ASSERT_NE(h, nullptr);
    ASSERT_EQ(error, 0);
    EXPECT_EQ(h->status, 0);
    EXPECT_GT(h->subFiles[1].dataPosition, kFourGiB);
    // Node (2, 2) of the small grid: 0.5 degrees east, 10.5 north.
    const double point[2] = {0.5, 10.5};
    double dLat = NAN, dLon = NAN;
    ASSERT_EQ(ntv2_point_shift(h, point, &dLat, &dLon), 1);
    EXPECT_EQ(dLat, gridwriter::nodeValue(2, 2)[0] / 3600.0);
    EXPECT_EQ(dLon, -gridwriter::nodeValue(2, 2)[1] / 3600.0);
    ntv2_close(h);
}

}  // namespace
