#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

#include "tools/GridFileWriter.h"
#include "GridTestSupport.h"
#include "TestSupport.h"
#include "geodesy/grids/GtxFile.h"

namespace {

using gridwriter::GtxGrid;
using gridwriter::gtxBytes;
using gridwriter::gtxValue;

constexpr double kDeg = 3.141592653589793 / 180;
constexpr float kNoData = -88.8888f;
// The references are printed to 1e-6 m, and the off-centre one is combined from four such
// printed nodes: 2 micrometres.
constexpr double kHeightTolerance = 2e-6;

double lookup(GtxFile& gtx, double latDeg, double lonDeg, int* code = nullptr) {
    double v = NAN;
    int count = 0;
    int c = gtx.Lookup(latDeg * kDeg, lonDeg * kDeg, &count, &v).release();
    if (code) *code = c;
    return v;
}

// The big-endian float of node (row, column) as the file holds it, read without the reader.
float rawNode(const std::string& bytes, int columns, int row, int column) {
    size_t at = 40 + (size_t(row) * size_t(columns) + size_t(column)) * 4;
    uint32_t w;
    std::memcpy(&w, bytes.data() + at, 4);
    return std::bit_cast<float>(__builtin_bswap32(w));
}

TEST(GtxFile, Egm96ReferenceHeights) {
    REQUIRE_PROJ_GRID(path, "egm96_15.gtx");
    GtxFile gtx(path.c_str());
    // Geoid heights N from PROJ 9.1.1 (the negated height of the output):
    //   echo "45 10 0" | cs2cs -f %.6f EPSG:4979 EPSG:4326+5773          -> -39.048920
    //   "45.125 10.125 0" -> -39.667999 (cell centre: the mean of the four nodes, whatever the
    //   weights); nodes "45.25 10" -> -40.282570, "45 10.25" -> -38.750130,
    //   "45.25 10.25" -> -40.590378.
    // (45.05, 10.2) is u = 0.8, v = 0.2 in that cell; with the smoothstep weights
    // S(s) = 3s^2 - 2s^3 of those four nodes:
    //   python3 -c "S=lambda s:3*s*s-2*s**3;u,v=.8,.2;print((1-S(u))*(1-S(v))*39.048920+
    //   S(u)*(1-S(v))*38.750130+S(u)*S(v)*40.590378+(1-S(u))*S(v)*40.282570)" -> 38.966029
    struct Case {
        double lat, lon, height;
    } cases[] = {{45, 10, 39.048920}, {45.125, 10.125, 39.667999}, {45.05, 10.2, 38.966029}};
    for (const Case& c : cases) {
        int code = -1;
        EXPECT_NEAR(lookup(gtx, c.lat, c.lon, &code), c.height, kHeightTolerance) << c.lat << " " << c.lon;
        EXPECT_EQ(code, 0);
    }
    // The grid covers every longitude: its last cell joins 179.75 E to 180 W. At nodes and at the
    // middle between two (where the smoothstep and the bilinear weights agree), PROJ 9.1.1:
    //   echo "179.875 -17 0 0" | cct -d 6 +proj=vgridshift +grids=egm96_15.gtx +multiplier=1
    //   -> 51.731934; "180 -17" and "-180 -17" -> 51.434219; "180 10" -> 12.684123
    const Case wrapped[] = {{-17, 179.875, 51.731934}, {-17, 180, 51.434219}, {-17, -180, 51.434219}, {10, 180, 12.684123}};
    for (const Case& c : wrapped) {
        int code = -1;
        EXPECT_NEAR(lookup(gtx, c.lat, c.lon, &code), c.height, kHeightTolerance) << c.lat << " " << c.lon;
        EXPECT_EQ(code, 0);
    }
}

TEST(GtxFile, Egm96NorthAndEastLimitsReadNoNodeOutside) {
    REQUIRE_PROJ_GRID(path, "egm96_15.gtx");
    std::string bytes = readFile(path);
    GtxFile gtx(path.c_str());
    double v = NAN;
    int count = 0;
    ASSERT_EQ(gtx.Lookup(gtx.north, gtx.east, &count, &v).release(), 0);
    EXPECT_NEAR(v, double(rawNode(bytes, gtx.columns, gtx.rows - 1, gtx.columns - 1)), 1e-9);
    ASSERT_EQ(gtx.Lookup(gtx.north, gtx.west, &count, &v).release(), 0);
    EXPECT_NEAR(v, double(rawNode(bytes, gtx.columns, gtx.rows - 1, 0)), 1e-9);
    if (gtx.north >= 3.141592653589793 / 2) {
        ASSERT_EQ(gtx.Lookup(3.141592653589793 / 2, 179.75 * kDeg, &count, &v).release(), 0);
        EXPECT_NEAR(v, double(rawNode(bytes, gtx.columns, gtx.rows - 1, gtx.columns - 1)), 1e-9);
    }
}

TEST(GtxFile, WestAbove180AndLimits) {
    TempFolder folder;
    GtxGrid g;
    g.west = 285;
    g.south = 40;
    writeFile(folder.file("w.gtx"), gtxBytes(g));
    GtxFile gtx(folder.file("w.gtx").c_str());
    EXPECT_EQ(gtx.west, -75 * 3.141592653589793 / 180);
    int code = -1;
    EXPECT_EQ(lookup(gtx, 41, -74, &code), double(gtxValue(1, 1)));
    EXPECT_EQ(code, 0);
    double v;
    int count = -1;
    EXPECT_EQ(gtx.Lookup(gtx.south, gtx.west - 1e-9, &count, &v).release(), 4);
    EXPECT_EQ(count, 0);
    count = -1;
    EXPECT_EQ(gtx.Lookup(gtx.south - 1e-9, gtx.west, &count, &v).release(), 4);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(gtx.Lookup(gtx.south, gtx.west, &count, &v).release(), 0);
    EXPECT_EQ(count, 1);
}

TEST(GtxFile, NoDataNodesTakeTheFirstValidNode) {
    TempFolder folder;
    GtxGrid holes;
    holes.rows = holes.columns = 4;
    holes.nodes = {1, 2, 3, 4,  //
                   5, 6, 7, 8,  //
                   9, 10, 11, 12,  //
                   13, 14, 15, 16};
    GtxGrid filled = holes;
    // Cell (0, 0): node (0, 0) missing; the scan order (0,0), (0,1), (1,0), (1,1) fills it with 2.
    holes.nodes[0] = kNoData;
    filled.nodes[0] = 2;
    // Cell (2, 2): all four missing.
    for (int i : {10, 11, 14, 15}) holes.nodes[size_t(i)] = kNoData;
    writeFile(folder.file("h.gtx"), gtxBytes(holes));
    writeFile(folder.file("f.gtx"), gtxBytes(filled));
    GtxFile withHoles(folder.file("h.gtx").c_str());
    GtxFile reference(folder.file("f.gtx").c_str());
    for (double lat : {0.0, 0.3, 0.5})
        for (double lon : {0.0, 0.2, 0.7})
            EXPECT_EQ(lookup(withHoles, lat, lon), lookup(reference, lat, lon)) << lat << " " << lon;
    int count = 7;
    double v;
    EXPECT_EQ(withHoles.Lookup(2.5 * kDeg, 2.5 * kDeg, &count, &v).release(), 4);
    EXPECT_EQ(count, 7);
}

TEST(GtxFile, BadFilesRaise) {
    TempFolder folder;
    struct Case {
        const char* what;
        GtxGrid grid;
        int cut;  // bytes cut from the end
        int code;
    } cases[] = {
        {"south 91", [] { GtxGrid g; g.south = 91; return g; }(), 0, 2},
        {"west -181", [] { GtxGrid g; g.west = -181; return g; }(), 0, 2},
        {"short nodes", GtxGrid{}, 1, 2},
        {"one column", [] { GtxGrid g; g.columns = 1; return g; }(), 0, 2},
        {"zero spacing", [] { GtxGrid g; g.latSpacing = 0; return g; }(), 0, 2},
        {"spacing infinite in radians", [] { GtxGrid g; g.latSpacing = 1e308; return g; }(), 0, 2},
        {"longitude spacing infinite in radians", [] { GtxGrid g; g.lonSpacing = 1e308; return g; }(), 0, 2},
        {"short header", GtxGrid{}, 9 * 4 + 1, 2},
    };
    for (const Case& c : cases) {
        std::string bytes = gtxBytes(c.grid);
        writeFile(folder.file("b.gtx"), bytes.substr(0, bytes.size() - size_t(c.cut)));
        EXPECT_EQ(raisedCode([&] { GtxFile gtx(folder.file("b.gtx").c_str()); }), c.code) << c.what;
    }
    EXPECT_EQ(raisedCode([&] { GtxFile gtx(folder.file("none.gtx").c_str()); }), 1);
    EXPECT_EQ(raisedCode([&] { GtxFile gtx(nullptr); }), 1);
}

// Objects of one file share its descriptor and its rows: as many objects as threads race for the
// first reading of each row, and every one sees the same heights; so do threads sharing one object.
TEST(GtxFile, ObjectsOfOneFileShareItsRows) {
    REQUIRE_PROJ_GRID(path, "egm96_15.gtx");
    constexpr int kPoints = 3000, kThreads = 4, kObjects = 100;
    auto point = [](int i) {
        return std::pair<double, double>(-80 + 160.0 * i / kPoints, -170 + 340.0 * ((i * 7919) % kPoints) / kPoints);
    };
    auto at = [&](GtxFile& gtx, int i) { return lookup(gtx, point(i).first, point(i).second); };
    std::vector<double> expected(kPoints);
    {
        GtxFile alone(path.c_str());
        for (int i = 0; i < kPoints; ++i) expected[size_t(i)] = at(alone, i);
    }
    const long rowBytes = long(readFile(path).size());
    const int descriptors = openDescriptors();
    std::vector<std::unique_ptr<GtxFile>> files;
    for (int i = 0; i < kObjects; ++i) files.push_back(std::make_unique<GtxFile>(path.c_str()));
    EXPECT_EQ(openDescriptors(), descriptors + 1);
    std::vector<int> mismatches(kThreads, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < kPoints; ++i) {
                int k = (i + t * 700) % kPoints;
                if (at(*files[size_t(t)], k) != expected[size_t(k)]) ++mismatches[size_t(t)];
            }
        });
    for (std::thread& t : threads) t.join();
    for (int m : mismatches) EXPECT_EQ(m, 0);
    // One object shared by the threads, each moving from cell to cell in its own order.
    auto shared = std::make_unique<GtxFile>(path.c_str());
    threads.clear();
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            for (int round = 0; round < 20; ++round)
                for (int i = 0; i < kPoints; ++i) {
                    int k = (i * (2 * t + 1) + round) % kPoints;
                    if (at(*shared, k) != expected[size_t(k)]) ++mismatches[size_t(t)];
                }
        });
    for (std::thread& t : threads) t.join();
    for (int m : mismatches) EXPECT_EQ(m, 0);
    shared.reset();
    // Every other object reads what the threads read: the rows (4 MB) are held once, where a copy
    // per object would take hundreds of megabytes.
    const long before = residentBytes();
    for (int k = kThreads; k < kObjects; ++k)
        for (int i = 0; i < kPoints; i += 10) ASSERT_EQ(at(*files[size_t(k)], i), expected[size_t(i)]);
    EXPECT_LT(residentBytes() - before, rowBytes);
    files.clear();
    EXPECT_EQ(openDescriptors(), descriptors);
}

}  // namespace
