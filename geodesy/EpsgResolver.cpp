// EPSG resolution against the predefined-parameter database. The EPSG tables there follow the
// EPSG dataset's own layout (epsg_corvane carries one row per projection parameter of each
// projected system); the queries bind their one value by position and read columns by name.
#include "geodesy/EpsgResolver.h"
#include "common/Text.h"

#include <cstring>
#include <iterator>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "common/Database.h"
#include "common/PackedAngle.h"
#include "common/Platform.h"
#include "common/ProgramFolder.h"
#include "common/Query.h"
#include "geodesy/Geodesy.h"
#include "geodesy/PredefinedDatabase.h"
#include "geodesy/SetupRanges.h"
#include "geodesy/Trace.h"

namespace {

// The library's own degree-to-radian factor, kept as it has always been truncated.
constexpr double kDegreesToRadians = 0.01745329251994;
// EPSG unit codes.
constexpr int kSexagesimalDms = 9110;
constexpr int kMetre = 9001;
constexpr int kRadian = 9101;
// DDD.MMSSsss times this is the packed DDDMMSS.sss of the packed-angle conversion.
constexpr double kSexagesimalToPacked = 10000;
// Projection id of the Lambert conformal conic, whose zero parallels take the reference latitude.
constexpr int kLambertConformalConic = 1;

constexpr const char* kUnitQuery = "SELECT * FROM epsg_unitofmeasure WHERE uom_code=?;";

erc unresolved() { return erc(TELLUS_E_EPSG, kSeverityError, &geodesyFacility()); }

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
    // A unit that is no angle (a length, unity) would pass its value on as radians.
    if (!f.found || f.target != kRadian || f.b == 0 || f.c == 0) return false;
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

// The parameters of each method the database maps, every one of which a system of that method
// carries exactly once (as the EPSG dataset gives them): a system short of one, or with one
// twice, lost or gained rows to damage and is not built.
struct MethodParameters {
    int method;
    int parameters[6];  // 0 after the last
};

constexpr MethodParameters kMethodParameters[] = {
    {9801, {8801, 8802, 8805, 8806, 8807}},        // Lambert conic conformal (1SP)
    {9802, {8821, 8822, 8823, 8824, 8826, 8827}},  // Lambert conic conformal (2SP)
    {9804, {8801, 8802, 8805, 8806, 8807}},        // Mercator (variant A)
    {9806, {8801, 8802, 8806, 8807}},              // Cassini-Soldner
    {9807, {8801, 8802, 8805, 8806, 8807}},        // transverse Mercator
    {9809, {8801, 8802, 8805, 8806, 8807}},        // oblique stereographic
    {9810, {8801, 8802, 8805, 8806, 8807}},        // polar stereographic (variant A)
    {9818, {8801, 8802, 8806, 8807}},              // American polyconic
    {9820, {8801, 8802, 8806, 8807}},              // Lambert azimuthal equal area
    {9822, {8821, 8822, 8823, 8824, 8826, 8827}},  // Albers equal area
    {9832, {8801, 8802, 8806, 8807}},              // modified azimuthal equidistant
};

const MethodParameters* parametersOf(int method) {
    for (const MethodParameters& m : kMethodParameters)
        if (m.method == method) return &m;
    return nullptr;
}

// Which of a method's parameters the rows gave so far.
class ParameterTally {
public:
    explicit ParameterTally(const MethodParameters& m) : method(m) {}
    // False for a parameter the method does not take or one given already.
    bool take(int parameterCode) {
        for (unsigned i = 0; i < std::size(method.parameters) && method.parameters[i]; ++i)
            if (method.parameters[i] == parameterCode) {
                if (seen & (1u << i)) return false;
                seen |= 1u << i;
                return true;
            }
        return false;
    }
    bool complete() const {
        for (unsigned i = 0; i < std::size(method.parameters) && method.parameters[i]; ++i)
            if (!(seen & (1u << i))) return false;
        return true;
    }

private:
    const MethodParameters& method;
    unsigned seen = 0;
};

constexpr int kSqliteNull = 5;

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
          describedEllipsoid(db, "SELECT * from gp_ellipsoids WHERE _epsg_code=?;"),
          system(db, "SELECT * FROM epsg_coordinatereferencesystem WHERE coord_ref_sys_code=?;"),
          datum(db, "SELECT * FROM epsg_datum WHERE datum_code=?;") {}
    Statement rows, ellipsoid, method, axis, units, zone, describe, describedEllipsoid, system, datum;
};

// What every parameter row of one system carries alike.
struct SystemRow {
    int ellipsoid, method, coordSys;
    std::string name;

    explicit SystemRow(Query& row)
        : ellipsoid(row.intValue("ellipsoid_code")),
          method(row.intValue("coord_op_method_code")),
          coordSys(row.intValue("coord_sys_code")),
          name(row.getString("coord_ref_sys_name")) {}

    // A row of the same system that holds a value.
    bool same(Query& row) {
        const char* rowName = row.getText("coord_ref_sys_name");
        return row.getType("parameter_value") != kSqliteNull && row.intValue("ellipsoid_code") == ellipsoid && row.intValue("coord_op_method_code") == method &&
               row.intValue("coord_sys_code") == coordSys && rowName && name == rowName;
    }
};

// Whether a nullable integer column holds a value, read into `value`.
bool present(Query& row, const char* column, int& value) {
    if (row.getType(column) == kSqliteNull) return false;
    value = row.intValue(column);
    return true;
}

// The projected system's own row, its base geographic system and the base's datum, each there
// and agreeing with the parameter rows: rows of another system that a damaged index hands out,
// or a system whose base or datum went missing, are not built.
bool systemRowsAgree(EpsgStatements& st, int crsCode, const SystemRow& system) {
    int base = 0, datum = 0, ellipsoid = 0, coordSys = 0;
    {
        Use crs(st.system, crsCode);
        if (!crs->next() || !present(*crs, "source_geogcrs_code", base) ||
            !present(*crs, "coord_sys_code", coordSys) || coordSys != system.coordSys ||
            crs->getString("coord_ref_sys_name") != system.name)
            return false;
    }
    {
        Use geographic(st.system, base);
        if (!geographic->next() || !present(*geographic, "datum_code", datum)) return false;
    }
    Use d(st.datum, datum);
    return d->next() && present(*d, "ellipsoid_code", ellipsoid) && ellipsoid == system.ellipsoid;
}

// The rows that a description names are there: the system's own datum, its base and the base's
// datum, where the system names them.
bool describedRowsPresent(EpsgStatements& st, int crsCode) {
    int base = 0, datum = 0;
    bool hasBase = false, hasDatum = false;
    {
        Use crs(st.system, crsCode);
        if (!crs->next()) return false;
        hasBase = present(*crs, "source_geogcrs_code", base);
        hasDatum = present(*crs, "datum_code", datum);
    }
    if (hasDatum) {
        Use d(st.datum, datum);
        if (!d->next()) return false;
    }
    if (!hasBase) return true;
    {
        Use geographic(st.system, base);
        if (!geographic->next()) return false;
        hasDatum = present(*geographic, "datum_code", datum);
    }
    if (!hasDatum) return true;
    Use d(st.datum, datum);
    return d->next();
}

bool ellipsoidWithinRanges(double a, double inverseFlattening) {
    using namespace setupranges;
    return within(a, kMinSemiMajorAxis, kMaxSemiMajorAxis) &&
           within(inverseFlattening, kMinInverseFlattening, kMaxInverseFlattening);
}

// A record inside the set-up ranges, a real ellipsoid and a unit of its own. Damage that changes a
// stored number (or the type that reads it) cannot be told from an edited file, but one that
// makes a system no survey uses can: a scale factor of 4.6e18 read from a double's bytes taken as
// an integer.
bool withinSetupRanges(const GeodesyParams& p) {
    return ellipsoidWithinRanges(p.semiMajorAxis, p.inverseFlattening) && p.unitFactor != 0 &&
           setupranges::accepts(p);
}

erc resolveParams(EpsgStatements& st, int crsCode, GeodesyParams& params) {
    params = GeodesyParams{};
    Use row(st.rows, crsCode);
    if (!row->next()) return unresolved();
    SystemRow system(*row);
    {
        Use ellipsoid(st.ellipsoid, system.ellipsoid);
        if (!ellipsoid->next()) return unresolved();
        params.semiMajorAxis = ellipsoid->realValue("a");
        params.inverseFlattening = ellipsoid->realValue("one_over_f");
    }
    {
        Use method(st.method, system.method);
        if (!method->next()) return unresolved();
        params.projectionId = method->intValue("gpid");
    }
    const int coordSys = system.coordSys;
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

    // Every row up to the statement's end: a read that fails raises its code, before the rows
    // are judged whole.
    const MethodParameters* takes = parametersOf(system.method);
    if (!takes) return unresolved();
    ParameterTally tally(*takes);
    bool rowsAgree = true;
    do {
        if (!applyParameter(*row, units, params)) return unresolved();
        rowsAgree = system.same(*row) && tally.take(row->intValue("parameter_code")) && rowsAgree;
    } while (row->next());
    if (!rowsAgree || !tally.complete() || !systemRowsAgree(st, crsCode, system)) return unresolved();

    if (params.projectionId == kLambertConformalConic) {
        if (params.northParallel == 0) params.northParallel = params.referenceLatitude;
        if (params.southParallel == 0) params.southParallel = params.referenceLatitude;
    }
    if (!withinSetupRanges(params)) {
        trace("EPSG %d - parameter outside the set-up ranges", crsCode);
        return unresolved();
    }
    return erc(0, 0);
}

// The kind and ellipsoid of a system into `found`.
erc describe(EpsgStatements& st, int crsCode, EpsgParams& found) {
    Use q(st.describe, crsCode);
    if (!q->next()) return unresolved();
    found.code = crsCode;
    found.kind = 0;
    found.semiMajorAxis = 0.0;
    found.inverseFlattening = 0.0;

    const char* kind = q->getText("coord_ref_sys_kind");
    if (!kind) return erc(0, 0);
    for (size_t i = 0; i < std::size(kKinds); ++i)
        if (equalsIgnoringAsciiCase(kind, kKinds[i])) {
            found.kind = int(i + 1);
            break;
        }
    if (found.kind == 0) return erc(0, 0);
    if (!describedRowsPresent(st, crsCode)) return unresolved();

    int ellipsoidCode;
    if (q->getType("geo_ellip") != kSqliteNull)
        ellipsoidCode = q->intValue("geo_ellip");
    else if (q->getType("crs_ellip") != kSqliteNull)
        ellipsoidCode = q->intValue("crs_ellip");
    else
        return erc(0, 0);
    if (ellipsoidCode < 0) return erc(0, 0);

    // An ellipsoid that the datum names and the table lacks is a row gone missing.
    Use ellipsoid(st.describedEllipsoid, ellipsoidCode);
    if (!ellipsoid->next()) return unresolved();
    found.semiMajorAxis = ellipsoid->realValue("a");
    found.inverseFlattening = ellipsoid->realValue("one_over_f");
    if (!ellipsoidWithinRanges(found.semiMajorAxis, found.inverseFlattening)) return unresolved();
    return erc(0, 0);
}

// A connection to the database and its prepared statements, kept between requests while the path
// names the same, unchanged file: a file replaced, rewritten or removed, or another program
// folder, opens the database anew, as every request did when nothing was kept. A session serves
// one request at a time, so threads never share a connection or a statement at once. Its first
// request checks the whole file, unless the process found that state of the file sound already.
struct EpsgSession {
    EpsgSession(const std::string& path, const platform::FileStamp& stamp, bool stamped)
        : db(path), path(path), stamp(stamp), stamped(stamped) {}
    PredefinedDatabase db;
    EpsgStatements statements{db};
    // One read transaction for all the statements of a request: the file is locked, and its
    // header checked for changes, once per request instead of once per statement.
    Statement begin{db, "BEGIN;"}, commit{db, "COMMIT;"};
    std::string path;
    platform::FileStamp stamp;
    bool stamped;
    bool fileChecked = false;
};

// The idle sessions of the process. A static object, not a thread's: it is closed when the library
// unloads, and keeps neither the library loaded nor the file open after that (a thread-local
// object with a destructor would hold the library in memory while its thread lives).
class SessionPool {
public:
    // An idle session on that file, or null; idle sessions on another file are closed.
    std::unique_ptr<EpsgSession> take(const std::string& path, const platform::FileStamp& stamp) {
        std::vector<std::unique_ptr<EpsgSession>> stale;
        std::unique_ptr<EpsgSession> found;
        {
            std::lock_guard<std::mutex> lock(mutex);
            for (auto& s : idle) {
                if (!found && s->path == path && s->stamp == stamp) found = std::move(s);
                else if (s->path != path || !(s->stamp == stamp)) stale.push_back(std::move(s));
            }
            std::erase(idle, nullptr);
        }
        return found;  // the stale ones close here, outside the lock
    }
    void give(std::unique_ptr<EpsgSession> s) {
        std::lock_guard<std::mutex> lock(mutex);
        if (idle.size() < kKept) idle.push_back(std::move(s));
    }

private:
    // As many as threads commonly ask at once; a request beyond them opens one of its own.
    static constexpr size_t kKept = 4;
    std::mutex mutex;
    std::vector<std::unique_ptr<EpsgSession>> idle;
};

SessionPool& sessions() {
    static SessionPool pool;
    return pool;
}

void run(Statement& statement) {
    Query& q = statement.query();
    q.next();
    q.rewind();
}

template <typename Body>
erc inTransaction(EpsgSession& s, Body& body) {
    run(s.begin);
    if (!s.fileChecked) {
        s.db.checkFile(s.path, s.stamp, s.stamped);
        s.fileChecked = true;
    }
    erc result = body(s);
    try {
        run(s.commit);
    } catch (...) {
        result.disarm();  // the commit's failure is the one reported
        throw;
    }
    return result;
}

// Runs one request on an idle session of the file, opening one when there is none. A request
// that throws gives no session back: the next one starts from the file.
template <typename Body>
erc withSession(Body body) {
    const std::string path = predefinedDatabasePath();
    platform::FileStamp stamp;
    // Stamped before the open: a file replaced in between is opened anew by the next request.
    const bool stamped = platform::fileStamp(path, stamp);
    std::unique_ptr<EpsgSession> session = stamped ? sessions().take(path, stamp) : nullptr;
    if (!session) session = std::make_unique<EpsgSession>(path, stamp, stamped);
    erc result = inTransaction(*session, body);
    // Without a stamp to know the file by, the session served this request only.
    if (stamped) sessions().give(std::move(session));
    return result;
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
    // Written only on success: a request that fails part way leaves the record as it was.
    EpsgParams found = record;
    erc status = withSession([&](EpsgSession& s) { return describe(s.statements, crsCode, found); });
    if (!status) record = found;
    return status;
}
