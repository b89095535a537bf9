// Table-driven checks shared by the projection tests: reference points from PROJ, round trips,
// and records described in degrees.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <span>
#include <utility>

#include "geodesy/projections/Projection.h"
#include "tests/geodesy/projections/ProjectionTestSupport.h"

// GRS 80, the ellipsoid of most reference grids below.
inline constexpr double kGrs80A = 6378137.0;
inline constexpr double kGrs80InvF = 298.257222101;

// Grid coordinates agree with PROJ's to 0.1 mm (PROJ prints them to 1e-6).
inline constexpr double kGridTolerance = 1e-4;
// Angles agree to 1e-10 rad (0.6 mm on the ground).
inline constexpr double kAngleTolerance = 1e-10;

// A projection record with its angles in degrees.
struct ProjectionSetup {
    int id = 0;
    double a = kWgs84A;
    double inverseFlattening = kWgs84InvF;
    double referenceLatitude = 0;  // degrees
    double centralMeridian = 0;    // degrees
    double northParallel = 0;      // degrees
    double southParallel = 0;      // degrees
    double skewAzimuth = 0;        // degrees
    double k0 = 1;
    double falseEasting = 0;
    double falseNorthing = 0;
    double unit = 1;
};

inline GeodesyParams paramsOf(const ProjectionSetup& s) {
    GeodesyParams p{};
    p.semiMajorAxis = s.a;
    p.inverseFlattening = s.inverseFlattening;
    p.projectionId = s.id;
    p.unitFactor = s.unit;
    p.scaleFactor = s.k0;
    p.centralMeridian = s.centralMeridian * kDeg;
    p.referenceLatitude = s.referenceLatitude * kDeg;
    p.northParallel = s.northParallel * kDeg;
    p.southParallel = s.southParallel * kDeg;
    p.skewAzimuth = s.skewAzimuth * kDeg;
    p.falseEasting = s.falseEasting;
    p.falseNorthing = s.falseNorthing;
    return p;
}

// A geographic point (degrees), what it stands for, and its grid coordinates from PROJ or a
// worked example.
struct ReferencePoint {
    const char* what;
    double lat, lon;  // degrees
    double x, y;      // grid units
};

// Round trips of checkReferencePoints must return the point within this (6 mm on the earth).
inline constexpr double kRoundTripRad = 1e-9;

// Two longitudes compared the short way round (signed, radians).
inline double longitudeGap(double a, double b) { return WrapLongitude(a - b); }

// Forward of each point against PROJ's grid coordinates, and inverse of PROJ's grid coordinates
// against the point.
inline void expectReferencePoints(const Projection& p, std::span<const ReferencePoint> points) {
    for (const ReferencePoint& r : points) {
        SCOPED_TRACE(testing::Message() << p.Code() << " at " << r.lat << ", " << r.lon << " " << r.what);
        double x = 0, y = 0;
        ASSERT_EQ(p.Forward(r.lat * kDeg, r.lon * kDeg, x, y).release(), 0);
        EXPECT_NEAR(x, r.x, kGridTolerance);
        EXPECT_NEAR(y, r.y, kGridTolerance);
        double lat = 0, lon = 0;
        ASSERT_EQ(p.Inverse(r.x, r.y, lat, lon).release(), 0);
        EXPECT_NEAR(lat, r.lat * kDeg, kAngleTolerance);
        if (std::fabs(r.lat) != 90) {
            EXPECT_NEAR(longitudeGap(lon, r.lon * kDeg), 0, kAngleTolerance);
        }
    }
}

// Forward then inverse on a grid of latitudes and longitudes (degrees, ends included).
inline void expectRoundTrips(const Projection& p, double latFrom, double latTo, double lonFrom, double lonTo,
                             double tolerance = kAngleTolerance) {
    constexpr int kSteps = 16;
    for (int i = 0; i <= kSteps; ++i) {
        for (int j = 0; j <= kSteps; ++j) {
            double lat = (latFrom + (latTo - latFrom) * i / kSteps) * kDeg;
            double lon = (lonFrom + (lonTo - lonFrom) * j / kSteps) * kDeg;
            SCOPED_TRACE(testing::Message() << p.Code() << " round trip at " << lat / kDeg << ", " << lon / kDeg);
            double x = 0, y = 0, lat2 = 0, lon2 = 0;
            ASSERT_EQ(p.Forward(lat, lon, x, y).release(), 0);
            ASSERT_EQ(p.Inverse(x, y, lat2, lon2).release(), 0);
            EXPECT_NEAR(lat2, lat, tolerance);
            if (std::fabs(lat) != kHalfPi) {
                EXPECT_NEAR(longitudeGap(lon2, lon), 0, tolerance);
            }
        }
    }
}

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
            // Longitudes along the parallel: they crowd towards the poles.
            EXPECT_LE(std::fabs(longitudeGap(lon, c.lon * kDeg)) * std::cos(c.lat * kDeg), angleTolerance);
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

// The code of the erc that building `T` from the record throws, or 0 when it builds.
template <class T>
int constructionCode(const GeodesyParams& params) {
    try {
        T built(params);
        return 0;
    } catch (erc& e) {
        return e.release();
    }
}
