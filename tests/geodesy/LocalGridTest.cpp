#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "geodesy/LocalGrid.h"

namespace {

AdjustParams similarity(uint32_t flags) {
    AdjustParams a{};
    a.type = kAdjustSimilarity | flags;
    a.originX = 1000;
    a.originY = 2000;
    a.scale = 1;
    a.translationX = 10;
    a.translationY = 20;
    return a;
}

TEST(LocalGrid, EvalPolynomial) {
    const double c[] = {1, 2, 3, 4, 5, 6};
    // 1 + 2 v + 3 v^2 + 4 u + 5 u v + 6 u^2 at u = 10, v = 100.
    EXPECT_EQ(EvalPolynomial(10, 100, c, 2), 35841);
    // Order 1: c0 + c1 v + c2 u.
    EXPECT_EQ(EvalPolynomial(10, 100, c, 1), 1 + 200 + 30);
    EXPECT_EQ(EvalPolynomial(10, 100, c, 0), 1);
}

TEST(LocalGrid, SimilarityWithReversedAxes) {
    struct Case {
        uint32_t flags;
        double x, y;
    };
    for (Case c : {Case{0, 510, 520}, Case{kAdjustReverseX, -510, 520}, Case{kAdjustReverseX | kAdjustReverseY, -510, -520}}) {
        AdjustParams a = similarity(c.flags);
        double x = 1500, y = 2500;
        LocalGridForward(a, 1.0, x, y);
        EXPECT_EQ(x, c.x) << c.flags;
        EXPECT_EQ(y, c.y) << c.flags;
        LocalGridInverse(a, 1.0, x, y);
        EXPECT_EQ(x, 1500) << c.flags;
        EXPECT_EQ(y, 2500) << c.flags;
    }
    // A quarter turn: dx = 1 goes to (AdjustX + cos(pi/2), AdjustY - 1).
    AdjustParams a = similarity(0);
    a.rotation = std::numbers::pi / 2;
    double x = 1001, y = 2000;
    LocalGridForward(a, 1.0, x, y);
    EXPECT_EQ(x, 10 + std::cos(std::numbers::pi / 2));
    EXPECT_EQ(y, 19);
    // Scale and rotation come back.
    a.scale = 0.9996;
    a.rotation = 0.3;
    x = 1234.5, y = -987.25;
    LocalGridForward(a, 1.0, x, y);
    LocalGridInverse(a, 1.0, x, y);
    EXPECT_NEAR(x, 1234.5, 1e-9);
    EXPECT_NEAR(y, -987.25, 1e-9);
}

TEST(LocalGrid, NoneAndUnknownTypesChangeNothing) {
    for (uint32_t type : {0u, 17u, 65535u, 0x30000u}) {
        AdjustParams a = similarity(0);
        a.type = type;
        double x = 1500, y = 2500;
        LocalGridForward(a, 1.0, x, y);
        LocalGridInverse(a, 1.0, x, y);
        EXPECT_EQ(x, 1500) << type;
        EXPECT_EQ(y, 2500) << type;
    }
}

TEST(LocalGrid, FixedGrids) {
    // At the forward origin of grid A the polynomials give their constant terms, x negated.
    AdjustParams a{};
    a.type = kAdjustFixedGridA;
    a.scale = 1;
    double x = 678360.656, y = 6140437.158;
    LocalGridForward(a, 1.0, x, y);
    EXPECT_NEAR(x, -118722.22369, 1e-9);
    EXPECT_NEAR(y, 106064.77821, 1e-9);
    // 40 km west and 50 km north of each polynomial's origin, where every coefficient moves the
    // result by 40 um or more, and u = 150000, v = -120000, where every one moves it by 4 mm or
    // more: worked from the coefficient tables in exact rational arithmetic (Python's fractions:
    // the sum of Fraction(c) u^i v^j on the doubles of these inputs; x negated after the forward
    // polynomials and before the inverse ones).
    const struct {
        uint32_t type;
        bool forward;
        double x, y, wantX, wantY;
    } far[] = {
        {kAdjustFixedGridA, true, 638360.656, 6190437.158, -157732.440083679, 156847.692256495},
        {kAdjustFixedGridA, false, -78719.224, 156063.866, 717373.712254130, 6191219.318176161},
        {kAdjustFixedGridB, true, 500369.219, 6269828.218, -294154.835385204, 239003.665834692},
        {kAdjustFixedGridB, false, -215147.479, 238195.605, 579350.453596656, 6270601.589696670},
        {kAdjustFixedGridA, true, 828360.656, 6020437.158, 28880.9011243051, -16801.0092182700},
        {kAdjustFixedGridA, false, -268719.224, -13936.134, 530749.6015526174, 6017596.2652558694},
        {kAdjustFixedGridB, true, 690369.219, 6099828.218, -107534.9790806987, 65202.7309457820},
        {kAdjustFixedGridB, false, -405147.479, 68195.605, 392856.9992674058, 6096908.3056688933},
    };
    for (const auto& r : far) {
        a.type = r.type;
        x = r.x, y = r.y;
        (r.forward ? LocalGridForward : LocalGridInverse)(a, 1.0, x, y);
        EXPECT_NEAR(x, r.wantX, 1e-6) << r.type << r.forward;
        EXPECT_NEAR(y, r.wantY, 1e-6) << r.type << r.forward;
    }
    // The inverse fits bring points back to the start within the fits' accuracy (centimetres).
    for (uint32_t type : {kAdjustFixedGridA, kAdjustFixedGridB}) {
        a.type = type;
        const double start[2] = {type == kAdjustFixedGridA ? 690000.0 : 550000.0,
                                 type == kAdjustFixedGridA ? 6150000.0 : 6230000.0};
        x = start[0], y = start[1];
        LocalGridForward(a, 1.0, x, y);
        EXPECT_GT(std::fabs(x - start[0]), 1000) << type;
        LocalGridInverse(a, 1.0, x, y);
        EXPECT_NEAR(x, start[0], 0.05) << type;
        EXPECT_NEAR(y, start[1], 0.05) << type;
    }
}

TEST(LocalGrid, TabledGrids) {
    // At a row's input origin (d3 east, d2 north, in chains) u = v = 0, so the forward gives the
    // output origin less the constant terms: east d1 - d10, north d0 - d4.
    struct Row {
        uint32_t type;
        double d0, d1, d2, d3, d4, d10;
    };
    const Row rows[] = {
        {4, 0.0, 0.0, 32818.535, 14652.327, 0.0229, -0.0139},
        {5, 0.0, 0.0, 32402.468, 23123.367, -0.0055, 0.0093},
        {10, 6633.947, 0.0, 26737.765, 15613.508, 0.0097, -0.085},
        {13, -47.152, -12.03, 14918.998, 21786.154, -0.0132, -0.011},
        {14, 2781.802, -1081.656, 20245.21, 19407.061, 0.00454, -0.01114},
        {16, 0.0, 0.0, 27187.737, 27071.372, 0.0023, 0.0022},
    };
    const double chain = 20.1167651216;
    for (const Row& r : rows) {
        AdjustParams a{};
        a.type = r.type;
        a.scale = 1;
        double x = r.d3 * chain, y = r.d2 * chain;
        LocalGridForward(a, 1.0, x, y);
        EXPECT_NEAR(x, (r.d1 - r.d10) * chain, 1e-6) << r.type;
        EXPECT_NEAR(y, (r.d0 - r.d4) * chain, 1e-6) << r.type;
        // 100 chains away the forward and inverse passes agree to a few millimetres.
        double x0 = (r.d3 + 100) * chain, y0 = (r.d2 - 100) * chain;
        x = x0, y = y0;
        LocalGridForward(a, 1.0, x, y);
        LocalGridInverse(a, 1.0, x, y);
        EXPECT_NEAR(x, x0, 0.05) << r.type;
        EXPECT_NEAR(y, y0, 0.05) << r.type;
    }
    // 1500 chains east and 2000 south of each row's input origin (u = -0.2, v = 0.15), where every
    // coefficient moves the result: worked from the coefficient table in exact rational arithmetic,
    // east d1 + dE - P2(u, v; d10..d15), north d0 + dN - P2(u, v; d4..d9), in chains.
    struct Away {
        uint32_t type;
        double east, north, localEast, localNorth;
    };
    const Away away[] = {
        {4, 16152.327, 30818.535, 1508.9421723000, -1993.8314284750},
        {5, 24623.367, 30402.468, 1503.3098364000, -1997.3899349750},
        {6, 26030.257, 18402.611, 1503.5291588750, -1997.7165530750},
        {7, 26030.257, 18402.611, 1503.4789165500, -1998.0241589750},
        {8, 26030.257, 18402.611, 1503.3990244750, -1998.0185354000},
        {9, 26030.257, 18402.611, 1503.4649884500, -1998.0002564500},
        {10, 17113.508, 24737.765, 1508.0061549750, 4639.4538983000},
        {11, 17113.508, 24737.765, 1507.8717695000, 4639.5122021500},
        {12, 32245.124, 9227.927, 1501.2997323500, -1999.6186921250},
        {13, 23286.154, 12918.998, 1491.8029322000, -2044.2971253500},
        {14, 20907.061, 18245.21, 423.7461858000, 785.5617711750},
        {15, 14532.613, 27837.05, 1509.7247755000, -1993.1140619000},
        {16, 28571.372, 25187.737, 1501.8512619500, -1998.5644490750},
    };
    for (const Away& w : away) {
        AdjustParams a{};
        a.type = w.type;
        a.scale = 1;
        double x = w.east * chain, y = w.north * chain;
        LocalGridForward(a, 1.0, x, y);
        EXPECT_NEAR(x / chain, w.localEast, 1e-8) << w.type;
        EXPECT_NEAR(y / chain, w.localNorth, 1e-8) << w.type;
    }
    // The reverse bits do not pick rows; a unit of feet is converted to chains and back.
    AdjustParams plain{};
    plain.type = 5;
    plain.scale = 1;
    AdjustParams reversed = plain;
    reversed.type = 5 | kAdjustReverseX;
    const double foot = 0.3048;
    double x1 = 23123.367 * chain / foot, y1 = 32402.468 * chain / foot, x2 = x1, y2 = y1;
    LocalGridForward(plain, foot, x1, y1);
    LocalGridForward(reversed, foot, x2, y2);
    EXPECT_EQ(x1, x2);
    EXPECT_EQ(y1, y2);
    EXPECT_NEAR(x1, (0.0 - 0.0093) * chain / foot, 1e-6);
    EXPECT_NEAR(y1, (0.0 + 0.0055) * chain / foot, 1e-6);
}

}  // namespace
