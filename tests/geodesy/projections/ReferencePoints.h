// Checking a projection against a table of reference points.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <span>

#include "geodesy/projections/Projection.h"
#include "tests/geodesy/projections/ProjectionTestSupport.h"

struct ReferencePoint {
    const char* what;
    double lat, lon;  // degrees
    double x, y;      // grid units
};

// Round trips must return the point within this (6 mm on the earth).
inline constexpr double kRoundTripRad = 1e-9;

// The gap between two longitudes at a latitude, as an angle on the earth (shrinking with the
// parallels towards the poles, where longitudes crowd).
inline double longitudeGap(double a, double b, double lat) { return std::fabs(WrapLongitude(a - b)) * std::cos(lat); }

// Forward of each point matches its reference within gridTolerance (grid units); the inverse of
// the reference grid point and of our own forward both return the point within angleTolerance
// (longitudes measured along the parallel).
inline void checkReferencePoints(const Projection& p, std::span<const ReferencePoint> points, double gridTolerance,
                                 double angleTolerance = kRoundTripRad) {
    for (const ReferencePoint& c : points) {
        SCOPED_TRACE(c.what);
        double x = std::numeric_limits<double>::quiet_NaN(), y = x;
        ASSERT_EQ(p.Forward(c.lat * kDeg, c.lon * kDeg, x, y).release(), 0);
        EXPECT_NEAR(x, c.x, gridTolerance);
        EXPECT_NEAR(y, c.y, gridTolerance);
        for (auto [gx, gy] : {std::pair{c.x, c.y}, std::pair{x, y}}) {
            double lat = std::numeric_limits<double>::quiet_NaN(), lon = lat;
            ASSERT_EQ(p.Inverse(gx, gy, lat, lon).release(), 0);
            EXPECT_NEAR(lat, c.lat * kDeg, angleTolerance);
            EXPECT_LE(longitudeGap(lon, c.lon * kDeg, c.lat * kDeg), angleTolerance);
        }
    }
}

// The point scale at the grid image of (lat, lon) degrees.
inline double scaleAt(const Projection& p, double lat, double lon) {
    double x = 0, y = 0, k = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(p.Forward(lat * kDeg, lon * kDeg, x, y).release(), 0);
    EXPECT_EQ(p.PointScale(x, y, k).release(), 0);
    return k;
}

// The code a constructor throws for params (0 when it builds).
template <class P>
int constructionCode(const GeodesyParams& params) {
    try {
        P built(params);
        return 0;
    } catch (erc& e) {
        return e.release();
    }
}
