// The predefined-parameter database that the build makes from the EPSG dataset: the invariants
// the library and the editor rely on.
#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <map>
#include <string>
#include <utility>

#include "common/Database.h"
#include "common/Platform.h"
#include "common/Query.h"
#include "geodesy/Tellus.h"
#include "geodesy/UnitTable.h"
#include "tests/TestSupport.h"

namespace {

const std::string kDatabase = std::string(TELLUS_SUITE_DIR) + "/datum/corvane.db";

int countOf(Database& db, const std::string& sql) {
    Query q(db, sql);
    EXPECT_EQ(q.step().release(), Query::kRow) << sql;
    return q.getInt(0);
}

TEST(PredefinedDatabase, EditorTablesKeepTheirInvariants) {
    Database db(kDatabase, Database::kReadOnly);
    EXPECT_EQ(countOf(db, "SELECT count(*) FROM sqlite_master WHERE tbl_name = 'gp_history';"), 1);
    EXPECT_EQ(countOf(db, "SELECT count(*) FROM gp_history;"), 1);

    // Units: ids 1..n in table order, factors exactly the library's, so they name their unit.
    Query units(db, "SELECT id, factor, abrev FROM gp_units;");
    size_t n = 0;
    while (units.step().release() == Query::kRow) {
        ASSERT_LT(n, kUnitCount);
        EXPECT_EQ(units.getInt("id"), int(n + 1));
        EXPECT_EQ(units.getDouble("factor"), kUnitTable[n].metresPerUnit) << units.getString("abrev");
        EXPECT_EQ(units.getString("abrev"), kUnitTable[n].abbreviation);
        ++n;
    }
    EXPECT_EQ(n, kUnitCount);

    // Projections: ids 1..n in table order, as many parameters as numpar says.
    Query projections(db, "SELECT * FROM gp_projections;");
    int id = 0;
    while (projections.step().release() == Query::kRow) {
        EXPECT_EQ(projections.getInt("id"), ++id);
        int given = 0;
        for (const char* par : {"par1", "par2", "par3", "par4", "par5"})
            given += projections.getType(par) != 5 /* SQLITE_NULL */;
        EXPECT_EQ(given, projections.getInt("numpar")) << projections.getString("abrev");
    }
    EXPECT_EQ(id, 14);
    // Each offers the parameters its class's formulas take, each once (the spherical Mercator none).
    const std::map<std::string, std::string> takes = {
        {"LCC", "CentralMeridian NorthParallel RefLatitude ScaleFactor SouthParallel"},
        {"MER", "CentralMeridian RefLatitude"},
        {"TME", "CentralMeridian RefLatitude ScaleFactor"},
        {"OST", "CentralMeridian RefLatitude ScaleFactor"},
        {"OCY", "CentralMeridian RefLatitude ScaleFactor"},
        {"HOM", "CentralMeridian RefLatitude ScaleFactor SkewAzimuth"},
        {"RSO", "CentralMeridian RefLatitude ScaleFactor SkewAzimuth"},
        {"AZD", "CentralMeridian RefLatitude"},
        {"ALA", "CentralMeridian NorthParallel RefLatitude SouthParallel"},
        {"CAS", "CentralMeridian RefLatitude"},
        {"PST", "CentralMeridian RefLatitude ScaleFactor"},
        {"AZA", "CentralMeridian RefLatitude"},
        {"POL", "CentralMeridian RefLatitude"},
    };
    std::map<std::string, std::string> offered;
    Query slots(db, "SELECT g.abrev, p.abrev FROM gp_projections g JOIN gp_projpar p"
                    " ON p.id IN (g.par1, g.par2, g.par3, g.par4, g.par5) ORDER BY g.id, p.abrev;");
    while (slots.step().release() == Query::kRow) {
        std::string& keys = offered[slots.getString(0)];
        keys += (keys.empty() ? "" : " ") + slots.getString(1);
    }
    EXPECT_EQ(offered, takes);

    // The editor knows ellipsoid 36 as WGS 84.
    Query wgs(db, "SELECT * FROM gp_ellipsoids WHERE id = 36;");
    ASSERT_EQ(wgs.step().release(), Query::kRow);
    EXPECT_EQ(wgs.getInt("_epsg_code"), 7030);
    EXPECT_EQ(wgs.getDouble("a"), 6378137.0);
    EXPECT_EQ(wgs.getDouble("one_over_f"), 298.257223563);

    // Every zone's references resolve.
    EXPECT_EQ(countOf(db, "SELECT count(*) FROM gp_zones z WHERE"
                          " z.hunit_id NOT IN (SELECT id FROM gp_units)"
                          " OR z.ellip_id NOT IN (SELECT id FROM gp_ellipsoids)"
                          " OR z.proj_id NOT IN (SELECT id FROM gp_projections)"
                          " OR z.crs_id NOT IN (SELECT id FROM gp_crs)"
                          " OR z.dt_id NOT IN (SELECT id FROM gp_datum_xform)"
                          " OR z.epsg_code NOT IN (SELECT coord_ref_sys_code FROM epsg_corvane);"),
              0);
    EXPECT_EQ(countOf(db, "SELECT count(*) FROM gp_crs WHERE id NOT IN (SELECT crs_id FROM gp_zones);"), 0);
}

TEST(PredefinedDatabase, GridsAndZonesASurveyorPicksFrom) {
    Database db(kDatabase, Database::kReadOnly);
    struct Case {
        const char* grid;
        int zones;
    } cases[] = {
        {"UTM North (WGS 84)", 60}, {"UTM South (WGS 84)", 60}, {"UTM North (NAD83)", 23},
        {"UTM North (ETRS89)", 10}, {"MGA (GDA2020)", 14},
    };
    for (auto& c : cases) {
        Query q(db, "SELECT count(*) FROM gp_zones JOIN gp_crs ON gp_crs.id = crs_id WHERE gp_crs.name = ?;");
        q.bind(1, c.grid);
        ASSERT_EQ(q.step().release(), Query::kRow);
        EXPECT_EQ(q.getInt(0), c.zones) << c.grid;
    }
    // State Plane in both units, with the unit of the grid.
    EXPECT_GT(countOf(db, "SELECT count(*) FROM gp_zones WHERE crs_id = 6 AND hunit_id = 1;"), 100);
    EXPECT_GT(countOf(db, "SELECT count(*) FROM gp_zones WHERE crs_id = 7 AND hunit_id = 2;"), 80);

    // EPSG 2227 as the editor loads it: parameters in degrees in the projection's order, false
    // origin in US survey feet. Values from the EPSG dataset (36 deg 30', -120 deg 30',
    // 38 deg 26', 37 deg 04', 6561666.667 ftUS, 1640416.667 ftUS).
    Query zone(db, "SELECT * FROM gp_zones WHERE id = 2227;");
    ASSERT_EQ(zone.step().release(), Query::kRow);
    EXPECT_EQ(zone.getInt("proj_id"), 1);
    EXPECT_DOUBLE_EQ(zone.getDouble("p1"), 36.5);
    EXPECT_DOUBLE_EQ(zone.getDouble("p2"), -120.5);
    EXPECT_DOUBLE_EQ(zone.getDouble("p3"), 38 + 26.0 / 60);
    EXPECT_DOUBLE_EQ(zone.getDouble("p4"), 37 + 4.0 / 60);
    EXPECT_EQ(zone.getDouble("p5"), 1.0);
    EXPECT_EQ(zone.getDouble("fe"), 6561666.667);
    EXPECT_EQ(zone.getDouble("fn"), 1640416.667);
    EXPECT_EQ(zone.getInt("hunit_id"), 2);
}

// WGS 84 to the grid of every predefined zone whose datum is a seven- or three-parameter
// transformation, through a parameter file written from the zone's row as the editor writes it,
// against PROJ 9.1 applying the reverse of the same EPSG transformation. The stored reverse
// (EPSG's, by changed signs) in the small-angle form differs from PROJ's exact inverse by about a
// centimetre. Made by tests/geodesy/predefined_datum_reference.sh; height 0 on WGS 84, height
// out on the local ellipsoid.
TEST(PredefinedDatabase, SevenParameterDatumsConvertAsProjDoes) {
    struct Case {
        int zone;
        const char* name;
        int transformation;
        double lat, lon;
        double easting, northing, height;
    } cases[] = {
        {27700, "British National Grid", 1314, 52.1, -1.5, 434346.5075, 244746.9794, -48.4982},
        {2100, "Greek Grid", 1272, 38.0, 23.7, 473511.0811, 4205569.5605, -31.2984},
        {28992, "RD New", 4833, 52.1, 5.1, 135321.2181, 456900.4281, -43.4458},
        {29903, "Irish Grid", 1954, 53.3, -7.5, 233385.6653, 227833.7040, -54.5330},
        {31370, "Belgian Lambert 72", 1609, 50.8, 4.4, 152202.9010, 165505.1021, -42.9161},
        // Null transformations, and names without a " / " to cut at.
        {3006, "SWEREF99 TM", 1879, 59.3, 18.0, 670817.9156, 6577304.5670, 0.0},
        {3301, "Estonian Coordinate System of 1997", 1649, 58.4, 25.7, 599386.1280, 6474545.3938, 0.0},
    };
    constexpr double kTolerance = 0.02;
    constexpr double kDegree = 3.141592653589793 / 180;
    Database db(kDatabase, Database::kReadOnly);

    // No such zone goes untested.
    Query all(db, "SELECT z.id FROM gp_zones z JOIN gp_datum_xform x ON x.id = z.dt_id WHERE x.kind = 0 AND"
                  " (x.dx != 0 OR x.dy != 0 OR x.dz != 0 OR x.drx != 0 OR x.dry != 0 OR x.drz != 0 OR x.dsc != 0);");
    while (all.next())
        EXPECT_TRUE(std::any_of(std::begin(cases), std::end(cases), [&](const Case& c) { return c.zone == all.getInt(0); }))
            << all.getInt(0);

    TempFolder folder;
    for (const Case& c : cases) {
        Query q(db, "SELECT z.*, p.abrev AS projection, e.a, e.one_over_f, u.factor, x.kind, x.dx, x.dy, x.dz, x.drx,"
                    " x.dry, x.drz, x.dsc, x._epsg_code FROM gp_zones z"
                    " JOIN gp_projections p ON p.id = z.proj_id JOIN gp_ellipsoids e ON e.id = z.ellip_id"
                    " JOIN gp_units u ON u.id = z.hunit_id JOIN gp_datum_xform x ON x.id = z.dt_id WHERE z.id = ?;");
        q.bind(1, c.zone);
        ASSERT_TRUE(q.next()) << c.zone;
        EXPECT_EQ(q.getString("name"), c.name);
        EXPECT_EQ(q.getInt("kind"), 0) << c.zone;
        EXPECT_EQ(q.getInt("_epsg_code"), c.transformation) << c.zone;

        // The keys the library reads, numbers in their exact shortest text as the editor writes them.
        const auto exact = [](double v) {
            char buf[32];
            return std::string(buf, std::to_chars(buf, buf + sizeof buf, v).ptr);
        };
        char unit[32];
        std::snprintf(unit, sizeof unit, "%.12lf", q.getDouble("factor"));
        std::string file = "[Geodesy]\r\nVer=2001\r\nZoneId=" + std::to_string(c.zone) + "\r\nUnit=" + unit +
                           "\r\nProjection=" + q.getString("projection") + "\r\n";
        for (int i = 1; i <= q.getInt("numpar"); ++i) {
            Query par(db, "SELECT abrev FROM gp_projpar WHERE id = (SELECT par" + std::to_string(i) +
                              " FROM gp_projections WHERE id = ?);");
            par.bind(1, q.getInt("proj_id"));
            ASSERT_TRUE(par.next());
            file += par.getString(0) + "=" + exact(q.getDouble(("p" + std::to_string(i)).c_str())) + "\r\n";
        }
        const std::pair<const char*, const char*> keys[] = {
            {"SemiMajorAxis", "a"}, {"Flattening", "one_over_f"}, {"FalseEasting", "fe"}, {"FalseNorthing", "fn"},
            {"DeltaX", "dx"},       {"DeltaY", "dy"},             {"DeltaZ", "dz"},       {"DeltaRX", "drx"},
            {"DeltaRY", "dry"},     {"DeltaRZ", "drz"},           {"DeltaScale", "dsc"}};
        for (const auto& [key, column] : keys) file += std::string(key) + "=" + exact(q.getDouble(column)) + "\r\n";
        writeFile(folder.file("geo.ini"), file);

        GeodesyHandle h = CreateFileGeodesy(folder.file("geo.ini").c_str(), nullptr);
        ASSERT_NE(h, nullptr) << c.zone << ": " << file;
        double lat = c.lat * kDegree, lon = c.lon * kDegree, hgt = 0, x = 0, y = 0;
        EXPECT_EQ(WGS84Conv(h, &lat, &lon, &hgt), 1);
        EXPECT_EQ(GeoXY(h, &x, &y, lat, lon), 1);
        EXPECT_NEAR(x, c.easting, kTolerance) << c.zone;
        EXPECT_NEAR(y, c.northing, kTolerance) << c.zone;
        EXPECT_NEAR(hgt, c.height, kTolerance) << c.zone;
        DestroyGeodesy(h);
    }

    // DHDN uses the real BETA2007 grid of proj-data.
    Query q(db, "SELECT kind, model FROM gp_datum_xform WHERE id = 4314;");
    ASSERT_EQ(q.step().release(), Query::kRow);
    EXPECT_NE(q.getInt("kind"), 0);
    EXPECT_EQ(q.getString("model"), "BETA2007.gsb");

    // Every transformation a zone uses is, in the EPSG dataset, one between the zone's base
    // system and WGS 84 of the same kind (a grid with the stored model, or a Helmert
    // transformation), never a grid between two other datums.
    ASSERT_EQ(db.exec("ATTACH '" TELLUS_PROJ_DB "' AS proj;").release(), 0);
    Query wrong(db, "SELECT x.id, x._epsg_code FROM gp_datum_xform x WHERE x.id IN (SELECT dt_id FROM gp_zones)"
                    " AND x.id <> 4326 AND NOT EXISTS (SELECT 1 FROM"
                    " (SELECT g.code, g.source_crs_code AS s, g.target_crs_code AS t, 1 AS kind, a.old_proj_grid_name AS model"
                    " FROM proj.grid_transformation g JOIN proj.grid_alternatives a ON a.original_grid_name = g.grid_name"
                    " WHERE g.auth_name = 'EPSG' UNION ALL SELECT h.code, h.source_crs_code, h.target_crs_code, 0, NULL"
                    " FROM proj.helmert_transformation_table h WHERE h.auth_name = 'EPSG') e"
                    " WHERE CAST(e.code AS INTEGER) = x._epsg_code AND e.kind = x.kind AND e.model IS x.model"
                    " AND ((e.s = CAST(x.id AS TEXT) AND e.t = '4326') OR (e.t = CAST(x.id AS TEXT) AND e.s = '4326')));");
    while (wrong.next()) ADD_FAILURE() << "datum " << wrong.getInt(0) << " takes EPSG " << wrong.getInt(1);
    // ETRS89 and NZGD2000 coincide with WGS 84 (EPSG 1149, 1565): null transformations, no grid.
    for (const auto& [zone, transformation] : {std::pair{25832, 1149}, std::pair{2193, 1565}}) {
        Query x(db, "SELECT x.* FROM gp_zones z JOIN gp_datum_xform x ON x.id = z.dt_id WHERE z.id = ?;");
        x.bind(1, zone);
        ASSERT_TRUE(x.next()) << zone;
        EXPECT_EQ(x.getInt("_epsg_code"), transformation) << zone;
        EXPECT_EQ(x.getInt("kind"), 0) << zone;
        EXPECT_EQ(x.getType("model"), 5 /* SQLITE_NULL */) << zone;
        for (const char* column : {"dx", "dy", "dz", "drx", "dry", "drz", "dsc"}) EXPECT_EQ(x.getDouble(column), 0.0) << zone;
    }
}

}  // namespace

namespace {

// The sample suite folder the build lays out around the database.
TEST(SuiteFolder, LayoutOfTheSample) {
    const std::string suite = TELLUS_SUITE_DIR;
    EXPECT_TRUE(platform::isRegularFile(suite + "/pelagix"));
    // INI files in their Windows form: UTF-8 mark and an empty first line, CRLF line ends.
    EXPECT_EQ(readFile(suite + "/pelagix.ini"), "\xEF\xBB\xBF\r\n[General]\r\nLastProject=Harbour\r\n");
    std::string project = readFile(suite + "/Projects/Harbour/Harbour.ini");
    EXPECT_NE(project.find("\r\nZoneId=32618\r\n"), std::string::npos);

    // The sample project's zone is a predefined zone with the same projection values.
    Database db(suite + "/datum/corvane.db", Database::kReadOnly);
    Query zone(db, "SELECT p2, p3, fe FROM gp_zones WHERE id = 32618;");
    ASSERT_EQ(zone.step().release(), Query::kRow);
    EXPECT_EQ(zone.getDouble("p2"), -75.0);
    EXPECT_EQ(zone.getDouble("p3"), 0.9996);
    EXPECT_EQ(zone.getDouble("fe"), 500000.0);

    // The sample VDatum area holds its tidal surface and two surfaces of the table: 9 rows of 11
    // big-endian floats after the 40-byte header.
    constexpr size_t kGridBytes = 40 + 9 * 11 * 4;
    for (const char* name : {"tss", "mllw", "mhw"}) {
        Query surface(db, "SELECT count(*) FROM vsurface WHERE abrev = ?;");
        surface.bind(1, name);
        ASSERT_EQ(surface.step().release(), Query::kRow);
        if (std::string(name) != "tss") {
            EXPECT_EQ(surface.getInt(0), 1) << name;
        }
        const std::string grid = readFile(suite + "/datum/vdatum/SampleBay/" + name + ".gtx");
        EXPECT_EQ(grid.size(), kGridBytes) << name;
        // "mhw"'s one node without data (VDatum's -88.8888) is row 2, column 3 from the south-west.
        const auto noData = [&](size_t row, size_t col) {
            uint32_t bits = 0;
            for (size_t i = 0; i < 4; ++i) bits = bits << 8 | uint8_t(grid.at(40 + (row * 11 + col) * 4 + i));
            float v;
            std::memcpy(&v, &bits, 4);
            return v == -88.8888f;
        };
        for (size_t k = 0; k < 9 * 11; ++k)
            EXPECT_EQ(noData(k / 11, k % 11), std::string(name) == "mhw" && k == 2 * 11 + 3) << name << " " << k;
    }

    // The real grids of proj-data, where the package has them.
    for (const char* grid : {"BETA2007.gsb", "ntf_r93.gsb", "nzgd2kgrid0005.gsb", "CHENYX06.gsb", "egm96_15.gtx"}) {
        std::string source = std::string("/usr/share/proj/") + grid;
        if (!platform::isRegularFile(source)) continue;
        EXPECT_EQ(readFile(suite + "/datum/" + grid), readFile(source)) << grid;
    }
}

}  // namespace
