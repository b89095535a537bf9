// EPSG resolution against the predefined-parameter database. The EPSG tables there follow the
// EPSG dataset's own layout (epsg_corvane carries one row per projection parameter of each
// projected system); the queries bind their one value by position and read columns by name.
#include "geodesy/EpsgResolver.h"
#include "common/Text.h"

#include <iterator>
#include <memory>

#include "common/Database.h"
#include "common/PackedAngle.h"
#include "common/ProgramFolder.h"
#include "common/Query.h"
#include "geodesy/Geodesy.h"
#include "geodesy/Trace.h"

namespace {

// The library's own degree-to-radian factor, kept as it has always been truncated.
constexpr double kDegreesToRadians = 0.01745329251994;
// EPSG unit codes.
constexpr int kSexagesimalDms = 9110;
constexpr int kMetre = 9001;
// DDD.MMSSsss times this is the packed DDDMMSS.sss of the packed-angle conversion.
constexpr double kSexagesimalToPacked = 10000;
// Projection id of the Lambert conformal conic, whose zero parallels take the reference latitude.
constexpr int kLambertConformalConic = 1;

constexpr const char* kUnitQuery = "SELECT * FROM epsg_unitofmeasure WHERE uom_code=?;";

erc unresolved() { return erc(kEpsgUnresolved, kSeverityError, &geodesyFacility()); }

// A unit row's factors; a missing row or value reads 0.
struct UnitFactors {
    bool found = false;
    int target = 0;
    double b = 0;
    double c = 0;
};

UnitFactors unitFactors(int uomCode, Database& db) {
    Query q(db, kUnitQuery);
    q.bind(1, uomCode);
    UnitFactors f;
    if (q.step().release() != Query::kRow) return f;
    f.found = true;
    f.target = q.getInt("target_uom_code");
    f.b = q.getDouble("factor_b");
    f.c = q.getDouble("factor_c");
    return f;
}

// How each projection parameter of the EPSG dataset fills the record.
enum class Field { RefLat, CentralMeridian, Scale, FalseEasting, FalseNorthing, NorthPar, SouthPar };

struct ParameterRule {
    int code;
    Field field;
    const char* unknownUnit;  // message when its unit cannot be converted
};

constexpr ParameterRule kParameterRules[] = {
    {8801, Field::RefLat, "Ref Lat - unknown unit code %d (%s)"},
    {8811, Field::RefLat, "Ref Lat - unknown unit code %d (%s)"},
    {8821, Field::RefLat, "Ref Lat - unknown unit code %d (%s)"},
    {8802, Field::CentralMeridian, "Ref Lon - unknown unit code %d (%s)"},
    {8812, Field::CentralMeridian, "Ref Lon - unknown unit code %d (%s)"},
    {8822, Field::CentralMeridian, "Ref Lon - unknown unit code %d (%s)"},
    {8805, Field::Scale, nullptr},
    {8806, Field::FalseEasting, "False Easting - unknown unit code %d (%s)"},
    {8826, Field::FalseEasting, "False Easting - unknown unit code %d (%s)"},
    {8807, Field::FalseNorthing, "False Northing - unknown unit code %d (%s)"},
    {8827, Field::FalseNorthing, "False Northing - unknown unit code %d (%s)"},
    {8823, Field::NorthPar, "North Par - unknown unit code %d (%s)"},
    // The south parallel's message has always read "North Par"; hosts' log readers know it so.
    {8824, Field::SouthPar, "North Par - unknown unit code %d (%s)"},
};

const ParameterRule* ruleOf(int parameterCode) {
    for (const ParameterRule& r : kParameterRules)
        if (r.code == parameterCode) return &r;
    return nullptr;
}

// Applies one parameter row of epsg_corvane to the record; false after logging when its unit
// or its code is unknown.
bool applyParameter(Query& row, Database& db, GeodesyParams& params) {
    int parameterCode = row.getInt("parameter_code");
    const ParameterRule* rule = ruleOf(parameterCode);
    if (!rule) {
        trace("Unknown parameter code %d (%s)", parameterCode, row.getString("parameter_name").c_str());
        return false;
    }
    double value = row.getDouble("parameter_value");
    int uom = row.getInt("uom_code");
    bool converted = true;
    switch (rule->field) {
        case Field::Scale:
            params.scaleFactor = value;
            return true;
        case Field::FalseEasting:
        case Field::FalseNorthing:
            // Metres, then the system's unit: the record holds the false origin in grid units.
            converted = EpsgLengthToMetres(value, uom, db);
            if (converted) value /= params.unitFactor;
            break;
        default:
            converted = EpsgAngleToRadians(value, uom, db);
            break;
    }
    if (!converted) {
        trace(rule->unknownUnit, uom, row.getString("unit_of_meas_name").c_str());
        return false;
    }
    switch (rule->field) {
        case Field::RefLat: params.referenceLatitude = value; break;
        case Field::CentralMeridian: params.centralMeridian = value; break;
        case Field::FalseEasting: params.falseEasting = value; break;
        case Field::FalseNorthing: params.falseNorthing = value; break;
        case Field::NorthPar: params.northParallel = value; break;
        case Field::SouthPar: params.southParallel = value; break;
        case Field::Scale: break;
    }
    return true;
}

// The system kinds in the order of their numbers (1..7).
constexpr const char* kKinds[] = {"engineering", "geographic 2D", "geographic 3D", "geocentric",
                                  "projected", "vertical", "compound"};

// A system, its datum's ellipsoid and that of its base geographic system.
constexpr const char kDescribeQuery[] =
    "SELECT crs.coord_ref_sys_code,       crs.coord_ref_sys_kind,       crs.datum_code AS crs_datum_code,"
    "       crs_datum.ellipsoid_code AS crs_ellip,       geo_datum.ellipsoid_code AS geo_ellip "
    "FROM epsg_coordinatereferencesystem AS crs"
    "   LEFT JOIN epsg_coordinatereferencesystem AS geo ON crs.source_geogcrs_code = geo.coord_ref_sys_code"
    "   LEFT JOIN epsg_datum AS crs_datum ON crs.datum_code = crs_datum.datum_code"
    "   LEFT JOIN epsg_datum AS geo_datum ON geo.datum_code = geo_datum.datum_code "
    "WHERE NOT crs.deprecated AND crs.coord_ref_sys_code=?";
// Host tools compare the statement text; it stays this exact text.
static_assert(sizeof kDescribeQuery - 1 == 542, "the description query keeps its exact text");

constexpr int kSqliteNull = 5;

}  // namespace

std::string predefinedDatabasePath() { return programFolder() + "/datum/corvane.db"; }

bool EpsgAngleToRadians(double& value, int uomCode, Database& db) {
    if (uomCode == kSexagesimalDms) {
        value = ddmmssToDegrees(value * kSexagesimalToPacked) * kDegreesToRadians;
        return true;
    }
    UnitFactors f = unitFactors(uomCode, db);
    if (f.b == 0 || f.c == 0) return false;
    value = value * (f.b / f.c);
    return true;
}

bool EpsgLengthToMetres(double& value, int uomCode, Database& db) {
    UnitFactors f = unitFactors(uomCode, db);
    // A missing or zero factor would scale the value to 0 or infinity: refused like an unknown unit.
    if (!f.found || f.target != kMetre || f.b == 0 || f.c == 0) return false;
    value = value * f.b;
    value = value / f.c;
    return true;
}

erc EpsgGeodesyParams(Database& db, int crsCode, GeodesyParams& params) {
    params = GeodesyParams{};
    Query row(db, "SELECT * FROM epsg_corvane WHERE coord_ref_sys_code=?;");
    row.bind(1, crsCode);
    if (row.step().release() != Query::kRow) return unresolved();

    Query ellipsoid(db, "SELECT * FROM gp_ellipsoids WHERE _epsg_code=?;");
    ellipsoid.bind(1, row.getInt("ellipsoid_code"));
    if (ellipsoid.step().release() != Query::kRow) return unresolved();
    params.semiMajorAxis = ellipsoid.getDouble("a");
    params.inverseFlattening = ellipsoid.getDouble("one_over_f");

    Query method(db, "SELECT gpid FROM gp_projections_epsg WHERE _epsg_code=?;");
    method.bind(1, row.getInt("coord_op_method_code"));
    if (method.step().release() != Query::kRow) return unresolved();
    params.projectionId = method.getInt("gpid");

    int coordSys = row.getInt("coord_sys_code");
    Query axis(db, "SELECT uom_code FROM epsg_coordinateaxis WHERE coord_sys_code = ?;");
    axis.bind(1, coordSys);
    int unitCode = axis.step().release() == Query::kRow ? axis.getInt("uom_code") : 0;
    // Converted in a local: the packed record's doubles are not aligned for a reference.
    double unit = 1.0;
    if (!EpsgLengthToMetres(unit, unitCode, db)) {
        trace("Coord. system %d - unknown unit code %d", coordSys, unitCode);
        return unresolved();
    }
    params.unitFactor = unit;

    do {
        if (!applyParameter(row, db, params)) return unresolved();
    } while (row.step().release() == Query::kRow);

    if (params.projectionId == kLambertConformalConic) {
        if (params.northParallel == 0) params.northParallel = params.referenceLatitude;
        if (params.southParallel == 0) params.southParallel = params.referenceLatitude;
    }
    return erc(0, 0);
}

erc CreateEpsgGeodesyObject(int crsCode, Geodesy*& created) {
    created = nullptr;
    GeodesyParams params{};
    {
        Database db(predefinedDatabasePath(), Database::kReadOnly);
        erc status = EpsgGeodesyParams(db, crsCode, params);
        if (status) return status;
    }
    auto geodesy = std::make_unique<Geodesy>(params);
    geodesy->epsgCode = crsCode;
    created = geodesy.release();
    return erc(0, 0);
}

erc EpsgCodeOf(Geodesy& geodesy, int& code) {
    if (geodesy.epsgCode > 0) {
        code = geodesy.epsgCode;
        return erc(0, 0);
    }
    if (geodesy.zoneId < 0) return unresolved();
    Database db(predefinedDatabasePath(), Database::kReadOnly);
    Query q(db, "SELECT epsg_code FROM gp_zones WHERE id=?");
    q.bind(1, geodesy.zoneId);
    if (q.step().release() != Query::kRow || q.getType("epsg_code") == kSqliteNull) {
        geodesy.zoneId = -1;
        return unresolved();
    }
    geodesy.epsgCode = q.getInt("epsg_code");
    code = geodesy.epsgCode;
    return erc(0, 0);
}

erc DescribeEpsg(int crsCode, EpsgParams& record) {
    Database db(predefinedDatabasePath(), Database::kReadOnly);
    Query q(db, kDescribeQuery);
    q.bind(1, crsCode);
    if (q.step().release() != Query::kRow) return unresolved();
    record.code = crsCode;
    record.kind = 0;
    record.semiMajorAxis = 0.0;
    record.inverseFlattening = 0.0;

    const char* kind = q.getText("coord_ref_sys_kind");
    if (!kind) return erc(0, 0);
    for (size_t i = 0; i < std::size(kKinds); ++i)
        if (equalsIgnoringAsciiCase(kind, kKinds[i])) {
            record.kind = int(i + 1);
            break;
        }
    if (record.kind == 0) return erc(0, 0);

    int ellipsoidCode;
    if (q.getType("geo_ellip") != kSqliteNull)
        ellipsoidCode = q.getInt("geo_ellip");
    else if (q.getType("crs_ellip") != kSqliteNull)
        ellipsoidCode = q.getInt("crs_ellip");
    else
        return erc(0, 0);
    if (ellipsoidCode < 0) return erc(0, 0);

    Query ellipsoid(db, "SELECT * from gp_ellipsoids WHERE _epsg_code=?;");
    ellipsoid.bind(1, ellipsoidCode);
    if (ellipsoid.step().release() == Query::kRow) {
        record.semiMajorAxis = ellipsoid.getDouble("a");
        record.inverseFlattening = ellipsoid.getDouble("one_over_f");
    }
    return erc(0, 0);
}
