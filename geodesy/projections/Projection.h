// The abstract map projection. A projection is also the ellipsoid of its grid; it carries the
// projection parameters of one GeodesyParams record and the formulas of its class.
//
// Geographic coordinates are radians; grid coordinates, false easting and false northing are in
// the grid's horizontal unit (metres per unit = `unit`). Forward and Inverse change no state and
// allocate nothing, so one object can serve many threads.
//
// Failure codes (severity 4, facility "Geodesy"): 6 the point cannot be projected, 7 invalid
// parameters (thrown by a constructor), 10 latitude out of range, 11 an iteration did not settle.
// Every class refuses non-finite coordinates and latitudes beyond +-pi/2 with 10, and never
// reports a non-finite result as success. On failure the outputs are left unwritten, except
// where a class says otherwise (the conic classes write the longitude before their latitude
// iteration).
#pragma once

#include <cmath>

#include "common/erc.h"
#include "geodesy/TellusCodes.h"
#include "geodesy/TellusRecords.h"
#include "geodesy/projections/Angles.h"
#include "geodesy/projections/Ellipsoid.h"

// Projection id (of GeodesyParams) and three-letter code of one class.
struct ProjectionKind {
    int id;
    const char* code;
};

inline constexpr ProjectionKind kPlateCarreeKind{0, "PLC"};  // never created by id
inline constexpr ProjectionKind kLambertKind{1, "LCC"};
inline constexpr ProjectionKind kMercatorKind{2, "MER"};
inline constexpr ProjectionKind kTransverseMercatorKind{3, "TME"};
inline constexpr ProjectionKind kStereographicKind{4, "OST"};
inline constexpr ProjectionKind kObliqueCylindricalKind{5, "OCY"};
inline constexpr ProjectionKind kHotineKind{6, "HOM"};
inline constexpr ProjectionKind kRsoKind{7, "RSO"};
inline constexpr ProjectionKind kAzimuthEqDistKind{8, "AZD"};
inline constexpr ProjectionKind kSMercKind{9, "CME"};
inline constexpr ProjectionKind kAlbersKind{10, "ALA"};
inline constexpr ProjectionKind kCassiniKind{11, "CAS"};
inline constexpr ProjectionKind kPolarStereoKind{12, "PST"};
inline constexpr ProjectionKind kAzaKind{13, "AZA"};
inline constexpr ProjectionKind kPolyconicKind{17, "POL"};

// Entries into the slower paths of the classes that have a fast one, and the Newton passes of
// their fast paths, for the tests that guard the speed-ups (the results are the same either way,
// only the time differs). Only a build that defines TELLUS_PATH_COUNTERS (a test target compiling
// its own copy of those classes) has them; everywhere else TELLUS_COUNT_PATH is nothing, so the
// library's conversions carry no counter. Per thread, no allocation, no lock.
#ifdef TELLUS_PATH_COUNTERS
struct PathCounts {
    long cassiniSteps;
    long polyconicPasses;
    long obliquePasses;
    long tmKrueger, tmRefine;
    long conformalPasses;
};
inline thread_local PathCounts pathCounts{};
#define TELLUS_COUNT_PATH(field) (++pathCounts.field)
#else
#define TELLUS_COUNT_PATH(field) ((void)0)
#endif

class Projection : public Ellipsoid {
public:
    // Copies the record: a, f = 1 / inverse flattening (0 for an inverse flattening of 0), the
    // projection parameters; a scale factor or unit of 0 becomes 1.0. Throws code 7 for a record
    // outside the set-up ranges (geodesy/SetupRanges.h; 1/f 0, a sphere, is accepted here): a
    // non-finite field, a semi-major axis, flattening, unit, scale factor, false origin or angle
    // out of its range. A latitude a rounding beyond a pole is kept as the pole.
    explicit Projection(const GeodesyParams& params);
    // The owner holds and deletes a projection through this base.
    virtual ~Projection();
    Projection(const Projection&) = delete;
    Projection& operator=(const Projection&) = delete;

    // Slot 0: the three-letter code; slot 1: the projection id.
    virtual const char* Code() const = 0;
    virtual int Id() const = 0;
    // Grid (x, y) to geographic: 10 for a non-finite coordinate, else the class's GridToGeo.
    erc Inverse(double x, double y, double& lat, double& lon) const {
        if (!IsGrid(x, y)) return Failure(TELLUS_E_OUT_OF_RANGE);
        return GridToGeo(x, y, lat, lon);
    }
    // Geographic to grid (x, y): 10 for a point that is none (IsGeographic), else the class's
    // GeoToGrid.
    erc Forward(double lat, double lon, double& x, double& y) const {
        if (!IsGeographic(lat, lon)) return Failure(TELLUS_E_OUT_OF_RANGE);
        return GeoToGrid(lat, lon, x, y);
    }
    // Point scale at the grid point: the geometric mean of the two principal scales at its
    // inverse; the inverse's failure (or an erc thrown by a principal scale) is the result, and k
    // is then not written; a scale that is not finite is code 6.
    virtual erc PointScale(double x, double y, double& k) const;
    // Principal scales at a geographic point; the base gives 1.0, and slot 6 repeats slot 5.
    virtual double PrincipalScale1(double lat, double lon) const;
    virtual double PrincipalScale2(double lat, double lon) const;
    // Grid convergence: the grid bearing of true north, radians clockwise (negative where the
    // meridian's image leans west of grid north). The base gives 0, the normal cylinders' value.
    virtual double Convergence(double lat, double lon) const;
    // Grid convergence at a geographic point, refused where Forward refuses the point.
    erc ConvergenceAt(double lat, double lon, double& conv) const;

    // The record this projection stands for (ids and parameters as kept, 1/f as computed).
    GeodesyParams Params() const;
    double UnitFactor() const { return unit; }

protected:
    // Status values of Forward and Inverse.
    static erc Success() { return erc(); }
    static erc Failure(int code) { return erc(code, kSeverityError, &geodesyFacility()); }
    // The formulas of a class, given a point Inverse or Forward has checked.
    virtual erc GridToGeo(double x, double y, double& lat, double& lon) const = 0;
    virtual erc GeoToGrid(double lat, double lon, double& x, double& y) const = 0;
    // Refusal of unusable parameters by a derived constructor.
    [[noreturn]] static void RefuseParameters();
    // Whether a geographic point is one: finite, latitude within +-pi/2.
    static bool IsGeographic(double lat, double lon) { return std::fabs(lat) <= kHalfPi && std::isfinite(lon); }
    // Whether a grid point is one: finite.
    static bool IsGrid(double x, double y) { return std::isfinite(x) && std::isfinite(y); }
    // Writes a finite pair (first, second) to the outputs and succeeds; a pair that is not finite
    // fails with `code` and leaves the outputs untouched.
    static erc Deliver(double first, double second, double& out1, double& out2, int code);

    double k0;                 // scale factor on the central line
    double centralMeridian;    // rad, within a turn of 0 (a record's value of more turns reduced)
    double referenceLatitude;  // rad, latitude of origin
    double northParallel;      // rad, first standard parallel
    double southParallel;      // rad, second standard parallel
    double skewAzimuth;        // rad, azimuth of the centre line
    double unit;               // metres per grid unit
    double falseEasting;       // grid units
    double falseNorthing;      // grid units

private:
    double statedCentralMeridian;  // rad, as the record gave it
};
