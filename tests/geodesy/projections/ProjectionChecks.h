// Table-driven checks shared by the projection tests: reference points from PROJ, round trips,
// and records described in degrees.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <span>

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
    p.falseEasting = s.falseEasting;
    p.falseNorthing = s.falseNorthing;
    return p;
}

// A geographic point (degrees) and its grid coordinates from PROJ.
struct ReferencePoint {
    double lat, lon;
    double x, y;
};

// Two longitudes compared the short way round.
inline double longitudeGap(double a, double b) { return WrapLongitude(a - b); }

// Forward of each point against PROJ's grid coordinates, and inverse of PROJ's grid coordinates
// against the point.
inline void expectReferencePoints(const Projection& p, std::span<const ReferencePoint> points) {
    for (const ReferencePoint& r : points) {
        SCOPED_TRACE(testing::Message() << p.Code() << " at " << r.lat << ", " << r.lon);
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
