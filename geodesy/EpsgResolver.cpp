// EPSG resolution against the predefined-parameter database. The EPSG tables there follow the
// EPSG dataset's own layout (epsg_corvane carries one row per projection parameter of each
// projected system); the queries bind their one value by position and read columns by name.
#include "geodesy/EpsgResolver.h"
#include "common/Text.h"

#include <iterator>
#include <memory>
#include <optional>

#include "common/Database.h"
#include "common/PackedAngle.h"
#include "common/Platform.h"
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

// A statement of one connection, prepared at its first use and kept for the next ones.
class Statement {
public:
    Statement(Database& db, const char* sql) : db(db), sql(sql) {}
    Query& query() {
        if (!prepared) prepared.emplace(db, sql);
        return *prepared;
    }

private:
    Database& db;
    const char* sql;
    std::optional<Query> prepared;
};

// One use of a statement with its one parameter bound: rewound when the use ends, however it
// ends, so the next use starts afresh and no read stays open between requests.
class Use {
public:
    Use(Statement& s, int value) : q(s.query()) { q.bind(1, value); }
    ~Use() { q.rewind(); }
    Use(const Use&) = delete;
    Use& operator=(const Use&) = delete;
    Query* operator->() { return &q; }
    Query& operator*() { return q; }

private:
    Query& q;
};

// A unit row's factors; a missing row or value reads 0.
struct UnitFactors {
    bool found = false;
    int target = 0;
    double b = 0;
    double c = 0;
};

UnitFactors unitFactors(int uomCode, Statement& units) {
    Use q(units, uomCode);
    UnitFactors f;
    if (!q->next()) return f;
    f.found = true;
    f.target = q->intValue("target_uom_code");
    f.b = q->realValue("factor_b");
    f.c = q->realValue("factor_c");
    return f;
}

// The unit rows of one request, each read once: the request reads in one transaction, so a unit
// cannot differ between two of its parameters. Nothing is kept between requests.
class UnitReader {
public:
    explicit UnitReader(Statement& units) : units(units) {}
    UnitFactors factors(int uomCode) {
        for (int i = 0; i < count; ++i)
            if (seen[i].code == uomCode) return seen[i].factors;
        UnitFactors f = unitFactors(uomCode, units);
        if (count < kKept) seen[count++] = {uomCode, f};
        return f;
    }

private:
    static constexpr int kKept = 4;
    struct Seen {
        int code;
        UnitFactors factors;
    };
    Statement& units;
    Seen seen[kKept];
    int count = 0;
};

bool angleToRadians(double& value, int uomCode, UnitReader& units) {
    if (uomCode == kSexagesimalDms) {
        value = ddmmssToDegrees(value * kSexagesimalToPacked) * kDegreesToRadians;
        return true;
    }
    UnitFactors f = units.factors(uomCode);
    if (f.b == 0 || f.c == 0) return false;
    value = value * (f.b / f.c);
    return true;
}

bool lengthToMetres(double& value, int uomCode, UnitReader& units) {
    UnitFactors f = units.factors(uomCode);
    // A missing or zero factor would scale the value to 0 or infinity: refused like an unknown unit.
    if (!f.found || f.target != kMetre || f.b == 0 || f.c == 0) return false;
    value = value * f.b;
    value = value / f.c;
    return true;
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
bool applyParameter(Query& row, UnitReader& units, GeodesyParams& params) {
    int parameterCode = row.intValue("parameter_code");
    const ParameterRule* rule = ruleOf(parameterCode);
    if (!rule) {
        trace("Unknown parameter code %d (%s)", parameterCode, row.getString("parameter_name").c_str());
        return false;
    }
    double value = row.realValue("parameter_value");
    int uom = row.intValue("uom_code");
    bool converted = true;
    switch (rule->field) {
        case Field::Scale:
            params.scaleFactor = value;
            return true;
        case Field::FalseEasting:
        case Field::FalseNorthing:
            // Metres, then the system's unit: the record holds the false origin in grid units.
            converted = lengthToMetres(value, uom, units);
            if (converted) value /= params.unitFactor;
            break;
        default:
            converted = angleToRadians(value, uom, units);
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

// The statements of every request on one connection.
struct EpsgStatements {
    explicit EpsgStatements(Database& db)
        : rows(db, "SELECT * FROM epsg_corvane WHERE coord_ref_sys_code=?;"),
          ellipsoid(db, "SELECT * FROM gp_ellipsoids WHERE _epsg_code=?;"),
          method(db, "SELECT gpid FROM gp_projections_epsg WHERE _epsg_code=?;"),
          axis(db, "SELECT uom_code FROM epsg_coordinateaxis WHERE coord_sys_code = ?;"),
          units(db, kUnitQuery),
          zone(db, "SELECT epsg_code FROM gp_zones WHERE id=?"),
          describe(db, kDescribeQuery),
          describedEllipsoid(db, "SELECT * from gp_ellipsoids WHERE _epsg_code=?;") {}
    Statement rows, ellipsoid, method, axis, units, zone, describe, describedEllipsoid;
};

erc resolveParams(EpsgStatements& st, int crsCode, GeodesyParams& params) {
    params = GeodesyParams{};
    Use row(st.rows, crsCode);
    if (!row->next()) return unresolved();
    {
        Use ellipsoid(st.ellipsoid, row->intValue("ellipsoid_code"));
        if (!ellipsoid->next()) return unresolved();
        params.semiMajorAxis = ellipsoid->realValue("a");
        params.inverseFlattening = ellipsoid->realValue("one_over_f");
    }
    {
        Use method(st.method, row->intValue("coord_op_method_code"));
        if (!method->next()) return unresolved();
        params.projectionId = method->intValue("gpid");
    }
    int coordSys = row->intValue("coord_sys_code");
    int unitCode = 0;
    {
        Use axis(st.axis, coordSys);
        if (axis->next()) unitCode = axis->intValue("uom_code");
    }
    // Converted in a local: the packed record's doubles are not aligned for a reference.
    UnitReader units(st.units);
    double unit = 1.0;
    if (!lengthToMetres(unit, unitCode, units)) {
        trace("Coord. system %d - unknown unit code %d", coordSys, unitCode);
        return unresolved();
    }
    params.unitFactor = unit;

    // Every row up to the statement's end: a read that fails raises its code.
    do {
        if (!applyParameter(*row, units, params)) return unresolved();
    } while (row->next());

    if (params.projectionId == kLambertConformalConic) {
        if (params.northParallel == 0) params.northParallel = params.referenceLatitude;
        if (params.southParallel == 0) params.southParallel = params.referenceLatitude;
    }
    return erc(0, 0);
}

// The database, read-only, with SQLite checking each page's cells as it reads the page: a damaged
// cell pointer is then reported as a malformed database (11) instead of misleading a row lookup
// into "no such row".
struct PredefinedDatabase : Database {
    explicit PredefinedDatabase(const std::string& path) : Database(path, Database::kReadOnly) {
        exec("PRAGMA cell_size_check = ON;");  // a failure is raised when the status is dropped
    }
};

// One thread's connection to the database and its prepared statements, kept between requests
// while the path names the same, unchanged file: a file replaced, rewritten or removed, or another
// program folder, opens the database anew, as every request did when nothing was kept. Each
// thread has its own, so threads never share a connection or a statement.
struct EpsgSession {
    EpsgSession(const std::string& path, const platform::FileStamp& stamp) : db(path), path(path), stamp(stamp) {}
    PredefinedDatabase db;
    EpsgStatements statements{db};
    // One read transaction for all the statements of a request: the file is locked, and its
    // header checked for changes, once per request instead of once per statement.
    Statement begin{db, "BEGIN;"}, commit{db, "COMMIT;"};
    std::string path;
    platform::FileStamp stamp;
};

thread_local std::unique_ptr<EpsgSession> session;

void run(Statement& statement) {
    Query& q = statement.query();
    q.next();
    q.rewind();
}

template <typename Body>
erc inTransaction(EpsgSession& s, Body& body) {
    run(s.begin);
    erc result = body(s);
    try {
        run(s.commit);
    } catch (...) {
        result.disarm();  // the commit's failure is the one reported
        throw;
    }
    return result;
}

// Runs one request on the calling thread's session, opening it when there is none or its file
// changed. A request that throws leaves no session behind: the next one starts from the file.
template <typename Body>
erc withSession(Body body) {
    const std::string path = predefinedDatabasePath();
    platform::FileStamp stamp;
    // Stamped before the open: a file replaced in between is opened anew by the next request.
    const bool stamped = platform::fileStamp(path, stamp);
    if (!session || !stamped || session->path != path || !(session->stamp == stamp)) {
        session.reset();
        auto fresh = std::make_unique<EpsgSession>(path, stamp);
        if (stamped) session = std::move(fresh);
        else return inTransaction(*fresh, body);  // no stamp to know the file by: this request only
    }
    try {
        return inTransaction(*session, body);
    } catch (...) {
        session.reset();
        throw;
    }
}

}  // namespace

std::string predefinedDatabasePath() { return suiteFile("datum/corvane.db"); }

bool EpsgAngleToRadians(double& value, int uomCode, Database& db) {
    Statement statement(db, kUnitQuery);
    UnitReader units(statement);
    return angleToRadians(value, uomCode, units);
}

bool EpsgLengthToMetres(double& value, int uomCode, Database& db) {
    Statement statement(db, kUnitQuery);
    UnitReader units(statement);
    return lengthToMetres(value, uomCode, units);
}

erc EpsgGeodesyParams(Database& db, int crsCode, GeodesyParams& params) {
    EpsgStatements statements(db);
    return resolveParams(statements, crsCode, params);
}

erc CreateEpsgGeodesyObject(int crsCode, Geodesy*& created) {
    created = nullptr;
    GeodesyParams params{};
    erc status = withSession([&](EpsgSession& s) { return resolveParams(s.statements, crsCode, params); });
    if (status) return status;
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
    return withSession([&](EpsgSession& s) {
        Use q(s.statements.zone, geodesy.zoneId);
        if (!q->next() || q->getType("epsg_code") == kSqliteNull) {
            geodesy.zoneId = -1;
            return unresolved();
        }
        geodesy.epsgCode = q->intValue("epsg_code");
        code = geodesy.epsgCode;
        return erc(0, 0);
    });
}

erc DescribeEpsg(int crsCode, EpsgParams& record) {
    return withSession([&](EpsgSession& s) {
        Use q(s.statements.describe, crsCode);
        if (!q->next()) return unresolved();
        record.code = crsCode;
        record.kind = 0;
        record.semiMajorAxis = 0.0;
        record.inverseFlattening = 0.0;

        const char* kind = q->getText("coord_ref_sys_kind");
        if (!kind) return erc(0, 0);
        for (size_t i = 0; i < std::size(kKinds); ++i)
            if (equalsIgnoringAsciiCase(kind, kKinds[i])) {
                record.kind = int(i + 1);
                break;
            }
        if (record.kind == 0) return erc(0, 0);

        int ellipsoidCode;
        if (q->getType("geo_ellip") != kSqliteNull)
            ellipsoidCode = q->intValue("geo_ellip");
        else if (q->getType("crs_ellip") != kSqliteNull)
            ellipsoidCode = q->intValue("crs_ellip");
        else
            return erc(0, 0);
        if (ellipsoidCode < 0) return erc(0, 0);

        Use ellipsoid(s.statements.describedEllipsoid, ellipsoidCode);
        if (ellipsoid->next()) {
            record.semiMajorAxis = ellipsoid->realValue("a");
            record.inverseFlattening = ellipsoid->realValue("one_over_f");
        }
        return erc(0, 0);
    });
}
