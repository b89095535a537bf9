// Conversions are hot paths: once a coordinate system is set up, GeoXY, XYGeo, WGS84Conv,
// InvWGS84Conv, DatumSeparation and GCircLL allocate nothing, whichever datum and vertical set-up
// they run through, and a point outside the datum grid costs no more while no debug sink is
// active. This program replaces the C allocation functions, which operator new also calls, to
// count every call.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "common/DebugLog.h"
#include "geodesy/Tellus.h"
#include "tests/TestSupport.h"
#include "tools/GridFileWriter.h"
#include "tests/geodesy/projections/ProjectionTestSupport.h"

namespace {
bool counting = false;
long allocations = 0;
}  // namespace

// AddressSanitizer owns the allocators in the sanitized build: there the test is skipped.
#ifndef __SANITIZE_ADDRESS__
namespace {
void* counted(void* p) {
    if (counting) ++allocations;
    return p;
}
}  // namespace

extern "C" {
void* __libc_malloc(std::size_t);
void* __libc_calloc(std::size_t, std::size_t);
void* __libc_realloc(void*, std::size_t);
void* malloc(std::size_t n) { return counted(__libc_malloc(n)); }
void* calloc(std::size_t n, std::size_t size) { return counted(__libc_calloc(n, size)); }
void* realloc(void* p, std::size_t n) { return counted(__libc_realloc(p, n)); }
}
#endif

namespace {

// The shift and geoid grids cover 50..54 N, 0..23 E; BETA2007 covers Germany.
constexpr double kSouth = 50.5, kNorth = 53.5, kWest = 7.0, kEast = 11.0;
constexpr int kPoints = 500;

TEST(ConversionAllocations, NoneOnceSetUp) {
#ifdef __SANITIZE_ADDRESS__
    GTEST_SKIP() << "AddressSanitizer replaces the allocators";
#endif
    TempFolder folder;
    gridwriter::BinGrid shifts;  // three cartesian shifts a node
    shifts.values = 3;
    shifts.south = 50;
    shifts.rows = 5;
    writeFile(folder.file("shift.lls"), gridwriter::binGridBytes(shifts));
    gridwriter::BinGrid geoid = shifts;  // one height a node
    geoid.values = 1;
    writeFile(folder.file("geoid.geo"), gridwriter::binGridBytes(geoid));
    const std::string geoidPath = folder.file("geoid.geo");
    const std::string ntv2 = "/usr/share/proj/BETA2007.gsb";

    struct Case {
        const char* what;
        const EllDiffParams* sevenParameters;
        std::string datumGrid;
        int verticalMode;
    };
    // Outside both datum grids: with one, WGS84Conv fails there.
    const double farLat = 10 * kDeg, farLon = 9 * kDeg;
    const EllDiffParams helmert{565.04, 49.91, 465.84, 1.0000040772, 1.9848e-6, -1.7439e-6, 9.0587e-6};
    const Case cases[] = {
        {"no datum shift, chart datum", nullptr, "", 5},
        {"seven parameters, geoid", &helmert, "", 4},
        {"binary shift grid, geoid", nullptr, folder.file("shift.lls"), 4},
        {"NTv2 grid, chart datum", nullptr, ntv2, 5},
    };
    for (const Case& c : cases) {
        if (c.datumGrid == ntv2 && !std::filesystem::exists(ntv2)) continue;  // proj-data not installed
        const GeodesyParams utm = utmParams(32);
        GeodesyHandle h = CreateGeodesy(&utm);
        ASSERT_NE(h, nullptr) << c.what;
        if (c.sevenParameters) {
            ASSERT_EQ(SetEllDiff(h, c.sevenParameters), 1) << c.what;
        }
        if (!c.datumGrid.empty()) {
            ASSERT_EQ(SetEllModel(h, c.datumGrid.c_str()), 1) << c.what;
        }
        ChartDatumParams vertical{};
        vertical.mode = c.verticalMode;
        vertical.geoidModel = const_cast<char*>(geoidPath.c_str());
        vertical.chartDatum = 1.5;
        ASSERT_EQ(SetChartDatum(h, &vertical), 1) << c.what;

        // Grids are read into memory once, at their first use: the second pass is the loaded handle.
        int succeeded = 0, farFailed = 0;
        for (int pass = 0; pass < 2; ++pass) {
            succeeded = farFailed = 0;
            allocations = 0;
            counting = pass == 1;
            for (int i = 0; i < kPoints; ++i) {
                double lat = (kSouth + (kNorth - kSouth) * i / kPoints) * kDeg;
                double lon = (kWest + (kEast - kWest) * (i * 7 % kPoints) / kPoints) * kDeg;
                double x, y, hgt = 0, separation;
                succeeded += GeoXY(h, &x, &y, lat, lon);
                succeeded += XYGeo(h, x, y, &lat, &lon);
                succeeded += WGS84Conv(h, &lat, &lon, &hgt);
                succeeded += InvWGS84Conv(h, &lat, &lon, &hgt);
                succeeded += DatumSeparation(h, lat, lon, &separation);
                succeeded += GCircLL(h, lat, lon, -lat, lon + 3, nullptr) > 0;  // by the exact geodesic
                double far[3] = {farLat, farLon, 0};
                if (!debugLogActive()) farFailed += !WGS84Conv(h, &far[0], &far[1], &far[2]);
            }
        }
        counting = false;
        EXPECT_EQ(succeeded, 6 * kPoints) << c.what;
        if (!debugLogActive()) {
            EXPECT_EQ(farFailed, c.datumGrid.empty() ? 0 : kPoints) << c.what;
        }
        EXPECT_EQ(allocations, 0) << c.what;
        DestroyGeodesy(h);
    }
}

}  // namespace
