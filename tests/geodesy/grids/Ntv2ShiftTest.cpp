#include <gtest/gtest.h>

#if TELLUS_HAVE_PROJ
#include <proj.h>
#endif

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>

#include "tools/GridFileWriter.h"
#include "GridTestSupport.h"
#include "Ntv2TestGrids.h"
#include "TestSupport.h"
#include "tests/geodesy/ReferenceSweep.h"
#include "geodesy/grids/Ntv2Reader.h"
#include "geodesy/grids/Ntv2Shift.h"

namespace {

using gridwriter::Ntv2Layout;
using gridwriter::Ntv2SubGrid;
using gridwriter::ntv2Bytes;
using gridwriter::nodeValue;

// Shifts against PROJ: 1e-9 degrees (0.1 mm).
constexpr double kShiftTolerance = 1e-9;
// The same interpolation of the same nodes in PROJ, which keeps the shifts as float radians: a
// million random points per grid differ by at most 1.04e-10 degrees.
constexpr double kProjSweepTolerance = 2e-10;
// Shifts of the generated grids are combinations of a few exact floats: 1e-15 degrees.
constexpr double kExact = 1e-15;
constexpr int kSweepPoints = 100000;

struct Handle {
    ntv2_handle* h = nullptr;
    int error = -1;
    Handle(const std::string& path, bool load) { h = ntv2_open(path.c_str(), false, load, nullptr, &error); }
    ~Handle() { ntv2_close(h); }
};

// Forward shifts, PROJ 9.1.1:
//   echo "9.0 50.0" | cs2cs -f %.12f +proj=longlat +ellps=bessel +nadgrids=BETA2007.gsb +no_defs
//       +to +proj=longlat +ellps=GRS80 +towgs84=0,0,0 +no_defs
// and likewise ntf_r93.gsb (+ellps=clrk80ign) and nzgd2kgrid0005.gsb (+ellps=intl). (9.0, 55.3)
// lies on BETA2007's north edge.
struct Reference {
    const char* file;
    double lon, lat, shiftedLon, shiftedLat;
};
const Reference kReferences[] = {
    {"BETA2007.gsb", 9.0, 50.0, 8.998955028060, 49.998851936873},
    {"BETA2007.gsb", 9.0, 55.3, 8.998950355025, 55.298257239130},
    {"ntf_r93.gsb", 2.35, 48.85, 2.349295593686, 48.849933562569},
    {"nzgd2kgrid0005.gsb", 174.76, -36.85, 174.760191646721, -36.848196690654},
};

#if TELLUS_HAVE_PROJ
TEST(Ntv2Shift, RealGridsAgainstProj) {
    int tested = 0;
    for (const Reference& r : kReferences) {
        std::string path = projGrid(r.file);
        if (path.empty()) continue;
        ++tested;
        for (bool load : {false, true}) {
            Handle g(path, load);
            ASSERT_EQ(g.error, 0);
            double p[2] = {r.lon, r.lat};
            ASSERT_EQ(ntv2_forward(g.h, 1.0, 1, p), 1) << r.file;
            EXPECT_NEAR(p[0], r.shiftedLon, kShiftTolerance) << r.file << " " << r.lat;
            EXPECT_NEAR(p[1], r.shiftedLat, kShiftTolerance) << r.file << " " << r.lat;
            double q[2] = {r.shiftedLon, r.shiftedLat};
            ASSERT_EQ(ntv2_inverse(g.h, 1.0, 1, q), 1) << r.file;
            EXPECT_NEAR(q[0], r.lon, kShiftTolerance) << r.file;
            EXPECT_NEAR(q[1], r.lat, kShiftTolerance) << r.file;
        }
    }
    if (tested == 0) GTEST_SKIP() << "the NTv2 grids of Debian's proj-data are missing";

    // Random points over each grid's first top-level sub-grid, against PROJ's hgridshift on the
    // same file: both served, and the same shifted point.
    PJ_CONTEXT* context = proj_context_create();
    proj_context_set_enable_network(context, 0);
    const uint64_t draws = sweep::draws(20000);
    for (const char* file : {"BETA2007.gsb", "ntf_r93.gsb", "nzgd2kgrid0005.gsb", "CHENYX06.gsb"}) {
        std::string path = projGrid(file);
        if (path.empty()) continue;
        PJ* proj = proj_create(context, ("+proj=hgridshift +grids=" + path).c_str());
        ASSERT_NE(proj, nullptr) << file;
        Handle g(path, false);
        ASSERT_EQ(g.error, 0);
        const ntv2_subfile& s = *g.h->firstTopLevel;
        std::mt19937_64 random = sweep::generator(std::string("ntv2-proj-") + file);
        int unserved = 0;
        double worst = 0;
        for (uint64_t i = 0; i < draws; ++i) {
            const double lon = sweep::uniform(random, s.west, s.east), lat = sweep::uniform(random, s.south, s.north);
            double p[2] = {lon, lat};
            PJ_COORD c = proj_coord(proj_torad(lon), proj_torad(lat), 0, 0);
            PJ_COORD shifted = proj_trans(proj, PJ_FWD, c);
            if (ntv2_forward(g.h, 1.0, 1, p) != 1 || shifted.lp.lam == HUGE_VAL) {
                ++unserved;
                continue;
            }
            const double error = std::max(std::fabs(p[0] - proj_todeg(shifted.lp.lam)), std::fabs(p[1] - proj_todeg(shifted.lp.phi)));
            if (error > worst) worst = error;
            EXPECT_LE(error, kProjSweepTolerance) << file << " seed " << sweep::seed() << " draw " << i << ": " << lon << " " << lat;
        }
        EXPECT_EQ(unserved, 0) << file;
        std::printf("%s: %llu points, worst %.3g degrees\n", file, (unsigned long long)draws, worst);
        proj_destroy(proj);
    }
    proj_context_destroy(context);
}
#endif

TEST(Ntv2Shift, RoundTripSweep) {
    int tested = 0;
    for (const char* file : {"BETA2007.gsb", "ntf_r93.gsb", "nzgd2kgrid0005.gsb", "CHENYX06.gsb"}) {
        std::string path = projGrid(file);
        if (path.empty()) continue;
        ++tested;
        Handle g(path, true);
        ASSERT_EQ(g.error, 0);
        const ntv2_subfile& s = g.h->subFiles[0];
        // Interior points: one cell in from every edge, so the shifted point stays inside.
        std::mt19937_64 random(20261208);
        std::uniform_real_distribution<double> lon(s.west + s.lonSpacing, s.east - s.lonSpacing);
        std::uniform_real_distribution<double> lat(s.south + s.latSpacing, s.north - s.latSpacing);
        int failures = 0;
        double worst = 0;
        for (int i = 0; i < kSweepPoints; ++i) {
            double start[2] = {lon(random), lat(random)};
            double p[2] = {start[0], start[1]};
            if (ntv2_forward(g.h, 1.0, 1, p) != 1 || ntv2_inverse(g.h, 1.0, 1, p) != 1) {
                ++failures;
                continue;
            }
            worst = std::max({worst, std::fabs(p[0] - start[0]), std::fabs(p[1] - start[1])});
        }
        EXPECT_EQ(failures, 0) << file;
        EXPECT_LE(worst, kShiftTolerance) << file;
    }
    if (tested == 0) GTEST_SKIP() << "the NTv2 grids of Debian's proj-data are missing";
}

TEST(Ntv2Shift, InverseSettlesBelowOneUnitInTheLastPlace) {
    // Points where the fixed-point step ends alternating between neighbouring doubles, more than
    // 2^-49 degrees apart (found by a sweep of a million random points over the grid).
    REQUIRE_PROJ_GRID(path, "nzgd2kgrid0005.gsb");
    Handle g(path, false);
    const double points[][2] = {
        {170.61631771880732, -38.003617057108123}, {176.83444010237338, -47.450589342928716},
        {171.29827191299222, -39.927900115574126}, {170.80462796647265, -41.989722883195917},
        {166.41508884700744, -45.710770816381121},
    };
    for (const auto& start : points) {
        double p[2] = {start[0], start[1]};
        ASSERT_EQ(ntv2_forward(g.h, 1.0, 1, p), 1);
        ASSERT_EQ(ntv2_inverse(g.h, 1.0, 1, p), 1) << start[0] << " " << start[1];
        EXPECT_NEAR(p[0], start[0], kShiftTolerance);
        EXPECT_NEAR(p[1], start[1], kShiftTolerance);
    }
}

TEST(Ntv2Shift, OnDemandEqualsLoaded) {
    REQUIRE_PROJ_GRID(path, "BETA2007.gsb");
    Handle onDemand(path, false), loaded(path, true);
    for (double lat = 47.0; lat <= 55.4; lat += 0.37)
        for (double lon = 5.4; lon <= 15.8; lon += 0.41) {
            double a[2] = {lon, lat}, b[2] = {lon, lat};
            EXPECT_EQ(ntv2_forward(onDemand.h, 1.0, 1, a), ntv2_forward(loaded.h, 1.0, 1, b));
            EXPECT_EQ(a[0], b[0]);
            EXPECT_EQ(a[1], b[1]);
            double c[2] = {lon, lat}, d[2] = {lon, lat};
            EXPECT_EQ(ntv2_inverse(onDemand.h, 1.0, 1, c), ntv2_inverse(loaded.h, 1.0, 1, d));
            EXPECT_EQ(c[0], d[0]);
            EXPECT_EQ(c[1], d[1]);
        }
}

// Shift of the generated parent grid at node (row, column), degrees: latitude, longitude east.
double nodeLat(int row, int column) { return nodeValue(row, column)[0] / 3600.0; }
double nodeLonEast(int row, int column) { return -nodeValue(row, column)[1] / 3600.0; }

// A point, the rank of the grid that serves it and the shift there (degrees, longitude east).
struct RankCase {
    const char* what;
    double lon, lat;
    int rank;
    double lat0, lon0;
};

template <size_t N>
void expectRanksAndShifts(ntv2_handle* h, const RankCase (&cases)[N]) {
    for (const RankCase& c : cases) {
        int rank = -1;
        EXPECT_NE(ntv2_find_grid(h, &rank, c.lon, c.lat), nullptr) << c.what;
        EXPECT_EQ(rank, c.rank) << c.what;
        const double point[2] = {c.lon, c.lat};
        double dLat = NAN, dLon = NAN;
        ASSERT_EQ(ntv2_point_shift(h, point, &dLat, &dLon), 1) << c.what;
        EXPECT_NEAR(dLat, c.lat0, kExact) << c.what;
        EXPECT_NEAR(dLon, c.lon0, kExact) << c.what;
    }
}

TEST(Ntv2Shift, RanksOfTheParentGrid) {
    TempFolder folder;
    writeFile(folder.file("p.gsb"), ntv2Bytes({}, {parentGrid()}));
    Handle g(folder.file("p.gsb"), false);
    ASSERT_EQ(g.error, 0);
    // Columns count from the east edge (1 degree east); rows from the south; 0.25 degree cells.
    const RankCase cases[] = {
        {"node", 0.25, 0.25, 1, nodeLat(1, 3), nodeLonEast(1, 3)},
        {"south edge", 0.375, 0.0, 1, (nodeLat(0, 2) + nodeLat(0, 3)) / 2,
         (nodeLonEast(0, 2) + nodeLonEast(0, 3)) / 2},
        {"east edge", 1.0, 0.375, 1, (nodeLat(1, 0) + nodeLat(2, 0)) / 2,
         (nodeLonEast(1, 0) + nodeLonEast(2, 0)) / 2},
        {"north edge", 0.375, 1.0, 2, (nodeLat(4, 2) + nodeLat(4, 3)) / 2,
         (nodeLonEast(4, 2) + nodeLonEast(4, 3)) / 2},
        {"west edge", 0.0, 0.375, 3, (nodeLat(1, 4) + nodeLat(2, 4)) / 2,
         (nodeLonEast(1, 4) + nodeLonEast(2, 4)) / 2},
        {"north-west corner", 0.0, 1.0, 4, nodeLat(4, 4), nodeLonEast(4, 4)},
        {"half a cell east", 1.125, 0.25, 5, nodeLat(1, 0) / 2, nodeLonEast(1, 0) / 2},
        {"half a cell east, top cell row", 1.125, 0.875, 5, (nodeLat(3, 0) + nodeLat(4, 0)) / 4,
         (nodeLonEast(3, 0) + nodeLonEast(4, 0)) / 4},
        {"half a cell north", 0.25, 1.125, 5, nodeLat(4, 3) / 2, nodeLonEast(4, 3) / 2},
        {"quarter cell west", -0.0625, 0.5, 5, nodeLat(2, 4) * 0.75, nodeLonEast(2, 4) * 0.75},
        {"half a cell south", 0.5, -0.125, 5, nodeLat(0, 2) / 2, nodeLonEast(0, 2) / 2},
    };
    expectRanksAndShifts(g.h, cases);
    for (double lon : {1.25, 1.5, -0.25}) {
        double p[2] = {lon, 0.5};
        EXPECT_EQ(ntv2_forward(g.h, 1.0, 1, p), 0) << lon;
        EXPECT_EQ(p[0], lon);
        EXPECT_EQ(p[1], 0.5);
    }
}

TEST(Ntv2Shift, EdgeRowsWhereTheDivisionFallsShort) {
    // Limits 0..0.3 degrees at 0.1: (0.3 - 0) / 0.1 is 2.9999999999999996, so truncation would
    // take the row and column before the edge.
    Ntv2SubGrid g;
    g.name = "EDGES";
    g.nLat = 0.3;
    g.eLong = -0.3;
    g.latInc = g.lonInc = 0.1;
    Ntv2Layout layout;
    layout.gsType = "DEGREES ";
    TempFolder folder;
    writeFile(folder.file("e.gsb"), ntv2Bytes(layout, {g}));
    Handle h(folder.file("e.gsb"), true);
    ASSERT_EQ(h.error, 0);
    ASSERT_LT((0.3 - 0.0) / 0.1, 3.0);
    struct Case {
        const char* what;
        double lon, lat;
        int row, column;  // the node the point stands on
    } cases[] = {
        {"north edge", 0.2, 0.3, 3, 1},
        {"west edge", 0.0, 0.1, 1, 3},
        {"north-west corner", 0.0, 0.3, 3, 3},
    };
    for (const Case& c : cases) {
        const double point[2] = {c.lon, c.lat};
        double dLat = NAN, dLon = NAN;
        ASSERT_EQ(ntv2_point_shift(h.h, point, &dLat, &dLon), 1) << c.what;
        EXPECT_NEAR(dLat, nodeValue(c.row, c.column)[0], 1e-12) << c.what;
        EXPECT_NEAR(dLon, -nodeValue(c.row, c.column)[1], 1e-12) << c.what;
    }
    // And where it overshoots: limits -1..1 degree at 0.25, a point a rounding inside the north or
    // west edge lands on the edge's index, and is served from the last cell at its far side.
    g.sLat = g.eLong = -1;
    g.nLat = g.wLong = 1;
    g.latInc = g.lonInc = 0.25;
    writeFile(folder.file("o.gsb"), ntv2Bytes(layout, {g}));
    Handle o(folder.file("o.gsb"), true);
    ASSERT_EQ(o.error, 0);
    const double belowOne = std::nextafter(1.0, 0.0);
    ASSERT_EQ((belowOne + 1) / 0.25, 8.0);
    const Case overshoots[] = {{"below the north edge", 0.0, belowOne, 8, 4}, {"east of the west edge", -belowOne, 0.0, 4, 8}};
    for (const Case& c : overshoots) {
        const double point[2] = {c.lon, c.lat};
        double dLat = NAN, dLon = NAN;
        ASSERT_EQ(ntv2_point_shift(o.h, point, &dLat, &dLon), 1) << c.what;
        EXPECT_NEAR(dLat, nodeValue(c.row, c.column)[0], 1e-12) << c.what;
        EXPECT_NEAR(dLon, -nodeValue(c.row, c.column)[1], 1e-12) << c.what;
    }
}

TEST(Ntv2Shift, ChildServesOnItsOwnNorthEdge) {
    TempFolder folder;
    // A second child of the parent, over 0.5..0.75 east and north, 5' spacing.
    Ntv2SubGrid second = childGrid();
    second.name = "CHILD002";
    second.sLat = 1800;
    second.nLat = 2700;
    second.eLong = -2700;
    second.wLong = -1800;
    writeFile(folder.file("c.gsb"), ntv2Bytes({}, {parentGrid(), childGrid(), second}));
    Handle g(folder.file("c.gsb"), false);
    ASSERT_EQ(g.error, 0);
    int rank = 0;
    const ntv2_subfile* s = ntv2_find_grid(g.h, &rank, 0.375, 0.5);
    ASSERT_NE(s, nullptr);
    EXPECT_STREQ(s->name, "CHILD001");
    EXPECT_EQ(rank, 2);
    // The child's last row (3), between its columns 1 and 2 (1/12 degree cells from 0.5 east).
    const double point[2] = {0.375, 0.5};
    double dLat, dLon;
    ASSERT_EQ(ntv2_point_shift(g.h, point, &dLat, &dLon), 1);
    EXPECT_NEAR(dLat, (nodeLat(3, 1) + nodeLat(3, 2)) / 2, kExact);
    // Inside the child, away from the edges, the parent is not used either.
    s = ntv2_find_grid(g.h, &rank, 0.3, 0.3);
    EXPECT_EQ(s, &g.h->subFiles[1]);
    EXPECT_EQ(rank, 1);
    // The second child serves its own cells: at (0.625, 0.625) the middle of its nodes (1..2,
    // 1..2), not of the parent's (2..3, 1..2).
    s = ntv2_find_grid(g.h, &rank, 0.625, 0.625);
    EXPECT_EQ(s, &g.h->subFiles[2]);
    EXPECT_EQ(rank, 1);
    const double inSecond[2] = {0.625, 0.625};
    ASSERT_EQ(ntv2_point_shift(g.h, inSecond, &dLat, &dLon), 1);
    EXPECT_NEAR(dLat, (nodeLat(1, 1) + nodeLat(1, 2) + nodeLat(2, 1) + nodeLat(2, 2)) / 4, kExact);
    EXPECT_NEAR(dLon, (nodeLonEast(1, 1) + nodeLonEast(1, 2) + nodeLonEast(2, 1) + nodeLonEast(2, 2)) / 4, kExact);
}

TEST(Ntv2Shift, UnitFactorsAndTransform) {
    TempFolder folder;
    writeFile(folder.file("c.gsb"), ntv2Bytes({}, {parentGrid(), childGrid()}));
    Handle g(folder.file("c.gsb"), true);
    const double start[6] = {0.1, 0.2, 0.6, 0.7, 0.3, 0.35};
    double degrees[6];
    std::copy(start, start + 6, degrees);
    ASSERT_EQ(ntv2_forward(g.h, 1.0, 3, degrees), 3);
    for (double factor : {0.0, -1.0}) {
        double p[6];
        std::copy(start, start + 6, p);
        EXPECT_EQ(ntv2_forward(g.h, factor, 3, p), 3);
        for (int i = 0; i < 6; ++i) EXPECT_EQ(p[i], degrees[i]);
    }
    // Minutes: the factor converts, the result comes back in minutes.
    double minutes[6];
    for (int i = 0; i < 6; ++i) minutes[i] = start[i] * 60;
    ASSERT_EQ(ntv2_forward(g.h, 1.0 / 60, 3, minutes), 3);
    for (int i = 0; i < 6; ++i) EXPECT_NEAR(minutes[i] / 60, degrees[i], kExact);

    double viaTransform[6];
    std::copy(start, start + 6, viaTransform);
    EXPECT_EQ(ntv2_transform(g.h, 3, viaTransform, 1, 1.0), 3);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(viaTransform[i], degrees[i]);
    EXPECT_EQ(ntv2_transform(g.h, 3, viaTransform, 0, 1.0), 3);
    double back[6];
    std::copy(degrees, degrees + 6, back);
    EXPECT_EQ(ntv2_inverse(g.h, 1.0, 3, back), 3);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(viaTransform[i], back[i]);
        EXPECT_NEAR(back[i], start[i], 1e-12);
    }
    EXPECT_EQ(ntv2_forward(nullptr, 1.0, 1, back), 0);
    EXPECT_EQ(ntv2_forward(g.h, 1.0, 0, back), 0);
    EXPECT_EQ(ntv2_inverse(g.h, 1.0, 1, nullptr), 0);
}

TEST(Ntv2Shift, InverseAcrossADiscontinuityIsRefused) {
    // A child that moves points 36" (0.01 degrees) east inside a parent that moves nothing: a
    // target just east of the child's west edge has no source point at all (the fixed-point
    // step cycles between the target and 0.01 degrees west of it).
    Ntv2SubGrid parent = parentGrid(), child = childGrid();
    parent.nodes.assign(size_t(parent.rows() * parent.columns()), {0, 0, 0, 0});
    child.nodes.assign(size_t(child.rows() * child.columns()), {0, -36, 0, 0});
    TempFolder folder;
    writeFile(folder.file("d.gsb"), ntv2Bytes({}, {parent, child}));
    Handle g(folder.file("d.gsb"), false);
    ASSERT_EQ(g.error, 0);
    double gap[2] = {0.255, 0.4};
    EXPECT_EQ(ntv2_inverse(g.h, 1.0, 1, gap), 0);
    EXPECT_EQ(gap[0], 0.255);
    // Every point the inverse reports must shift forward onto its target.
    int wrong = 0;
    for (double lon = 0.2; lon < 0.55; lon += 0.0013)
        for (double lat = 0.3; lat < 0.45; lat += 0.031) {
            double p[2] = {lon, lat};
            if (ntv2_inverse(g.h, 1.0, 1, p) != 1) continue;
            ASSERT_EQ(ntv2_forward(g.h, 1.0, 1, p), 1);
            if (std::fabs(p[0] - lon) > kShiftTolerance || std::fabs(p[1] - lat) > kShiftTolerance) ++wrong;
        }
    EXPECT_EQ(wrong, 0);
}

TEST(Ntv2Shift, InverseThatSettlesOnlySlowlyIsRefusedAtItsCap) {
    // Longitude shifts of 0.6 degrees per degree east of 0.5 (nodes -1080 + 540 c seconds west,
    // column c from the east): the fixed-point step shrinks the error only by 0.6 a pass, so from
    // 0.8 east it would settle on its source, 0.6875 east, only at the 64th evaluation. No datum
    // grid is that steep; the evaluation cap stops it, fails the point and leaves it unchanged.
    Ntv2SubGrid steep = parentGrid();
    for (int r = 0; r < steep.rows(); ++r)
        for (int c = 0; c < steep.columns(); ++c) steep.nodes.push_back({0, float(-1080 + 540 * c), 0, 0});
    TempFolder folder;
    writeFile(folder.file("steep.gsb"), ntv2Bytes({}, {steep}));
    Handle g(folder.file("steep.gsb"), false);
    ASSERT_EQ(g.error, 0);
    double source[2] = {0.6875, 0.4};
    ASSERT_EQ(ntv2_forward(g.h, 1.0, 1, source), 1);
    EXPECT_NEAR(source[0], 0.8, kExact);
    double target[2] = {0.8, 0.4};
    EXPECT_EQ(ntv2_inverse(g.h, 1.0, 1, target), 0);
    EXPECT_EQ(target[0], 0.8);
    EXPECT_EQ(target[1], 0.4);
}

TEST(Ntv2Shift, OneRowAndOneColumnGridsAreServed) {
    // A row along the equator from 0 to 1 degree east, and a column along the meridian 2 east
    // from 0 to 1 degree north, 15' spacing (5 nodes each), beside each other in one file.
    Ntv2SubGrid row = parentGrid();
    row.name = "ROW";
    row.nLat = 0;
    Ntv2SubGrid column = parentGrid();
    column.name = "COLUMN";
    column.wLong = column.eLong = -7200;
    TempFolder folder;
    writeFile(folder.file("l.gsb"), ntv2Bytes({}, {row, column}));
    Handle g(folder.file("l.gsb"), false);
    ASSERT_EQ(g.error, 0);
    ASSERT_EQ(g.h->subFiles[0].rows, 1);
    ASSERT_EQ(g.h->subFiles[1].columns, 1);
    const RankCase cases[] = {
        {"on the row", 0.375, 0.0, 2, (nodeLat(0, 2) + nodeLat(0, 3)) / 2, (nodeLonEast(0, 2) + nodeLonEast(0, 3)) / 2},
        {"west end of the row", 0.0, 0.0, 4, nodeLat(0, 4), nodeLonEast(0, 4)},
        {"half a cell north of the row", 0.25, 0.125, 5, nodeLat(0, 3) / 2, nodeLonEast(0, 3) / 2},
        {"half a cell south of the row", 0.25, -0.125, 5, nodeLat(0, 3) / 2, nodeLonEast(0, 3) / 2},
        {"on the column", 2.0, 0.375, 3, (nodeLat(1, 0) + nodeLat(2, 0)) / 2, (nodeLonEast(1, 0) + nodeLonEast(2, 0)) / 2},
        {"north end of the column", 2.0, 1.0, 4, nodeLat(4, 0), nodeLonEast(4, 0)},
        {"half a cell east of the column", 2.125, 0.5, 5, nodeLat(2, 0) / 2, nodeLonEast(2, 0) / 2},
        {"half a cell west of the column", 1.875, 0.5, 5, nodeLat(2, 0) / 2, nodeLonEast(2, 0) / 2},
    };
    expectRanksAndShifts(g.h, cases);
}

TEST(Ntv2Shift, ShortReadOnDemandServesNoPoint) {
    // A grid large enough that its first rows are not in the stream's buffer after opening.
    Ntv2SubGrid big = parentGrid();
    big.latInc = big.lonInc = 60;
    TempFolder folder;
    std::string bytes = ntv2Bytes({}, {big});
    writeFile(folder.file("p.gsb"), bytes);
    Handle g(folder.file("p.gsb"), false);
    ASSERT_EQ(g.error, 0);
    // The file loses its nodes after opening: no zero shift may pass for a real one.
    rewriteInPlace(folder.file("p.gsb"), bytes.substr(0, 11 * 16 * 2));
    const double point[2] = {0.99, 0.01};
    double dLat, dLon;
    EXPECT_EQ(ntv2_point_shift(g.h, point, &dLat, &dLon), 0);
    double p[2] = {0.99, 0.01};
    EXPECT_EQ(ntv2_forward(g.h, 1.0, 1, p), 0);
    EXPECT_EQ(p[0], 0.99);
}

}  // namespace
