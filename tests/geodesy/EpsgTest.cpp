// EPSG resolution: the exports on a small fixed database (exact cases) and on the database the
// build makes from the EPSG dataset.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <bit>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <functional>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "common/Database.h"
#include "common/Platform.h"
#include "common/ProgramFolder.h"
#include "common/Query.h"
#include "geodesy/EpsgResolver.h"
#include "geodesy/Geodesy.h"
#include "geodesy/Tellus.h"
#include "geodesy/Trace.h"
#include "tests/TestSupport.h"
#include "tests/geodesy/DamagedDatabase.h"

namespace {

constexpr double kDegree = 3.14159265358979323846 / 180;
// The library's own truncated degree factor.
constexpr double kTruncatedDegree = 0.01745329251994;
// Codes at the boundary.
constexpr int kUnresolved = 16;
constexpr int kCannotOpen = 14;
constexpr int kMalformed = 11;

// Points the library's program folder at `folder` while it lives.
class SuiteFolder {
public:
    explicit SuiteFolder(const std::string& folder) : saved(platform::environment("KVT_PELAGIX")) {
        platform::setEnvironment("KVT_PELAGIX", folder.c_str());
        resetProgramFolder();
    }
    ~SuiteFolder() {
        platform::setEnvironment("KVT_PELAGIX", saved.c_str());
        resetProgramFolder();
    }

private:
    std::string saved;
};

// The fixed database: the schema of the suite's database (and its digest) with the rows of
// EpsgFixture.sql.
class FixtureDatabase {
public:
    FixtureDatabase() {
        std::filesystem::create_directories(folder.file("datum"));
        Database db;
        EXPECT_EQ(db.open(folder.file("datum/corvane.db"), Database::kReadWrite | kCreate).release(), 0);
        // A scratch file: no journal, no waiting for the disk.
        EXPECT_EQ(db.exec("PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF;").release(), 0);
        EXPECT_EQ(db.exec(readFile(std::string(TELLUS_SOURCE_DIR) + "/datum/schema.sql")).release(), 0);
        EXPECT_EQ(db.exec(readFile(std::string(TELLUS_SOURCE_DIR) + "/tests/geodesy/EpsgFixture.sql")).release(), 0);
        EXPECT_EQ(db.exec(readFile(std::string(TELLUS_SOURCE_DIR) + "/datum/digest.sql")).release(), 0);
    }
    const std::string& path() const { return folder.path(); }
    std::string file() const { return folder.file("datum/corvane.db"); }

private:
    static constexpr int kCreate = 4;  // SQLITE_OPEN_CREATE
    TempFolder folder;
};

struct Destroy {
    void operator()(GeodesyHandle h) const { DestroyGeodesy(h); }
};
using Handle = std::unique_ptr<void, Destroy>;
Handle own(GeodesyHandle h) { return Handle(h); }

// The record of the British National Grid's parameters (EPSG 27700, and the fixture's 900001).
void expectBritishGridRecord(GeodesyHandle h, GeodesyParams& p) {
    char ellipsoid[24], code[4];
    ASSERT_EQ(GetGeodesyParams(h, &p, ellipsoid, code), 1);
    EXPECT_EQ(p.projectionId, 3);
    EXPECT_EQ(double(p.semiMajorAxis), 6377563.396);
    EXPECT_EQ(double(p.inverseFlattening), 299.3249646);
    EXPECT_EQ(double(p.unitFactor), 1.0);
    EXPECT_EQ(double(p.scaleFactor), 0.9996012717);
    EXPECT_EQ(double(p.falseEasting), 400000.0);
    EXPECT_EQ(double(p.falseNorthing), -100000.0);
    EXPECT_EQ(double(p.skewAzimuth), 0.0);
    EXPECT_STREQ(ellipsoid, "Airy");
    EXPECT_STREQ(code, "TME");
}

class EpsgFixture : public ::testing::Test {
protected:
    FixtureDatabase database;
    SuiteFolder suite{database.path()};
};

TEST_F(EpsgFixture, TransverseMercatorInMetresAndDegrees) {
    Handle h = own(CreateEpsgGeodesy(900001));
    ASSERT_TRUE(h) << GetGeodesyError();
    EXPECT_EQ(GetGeodesyError(), 0);
    GeodesyParams p{};
    expectBritishGridRecord(h.get(), p);
    // Degrees by the unit's factors pi / 180 as the fixture gives them.
    EXPECT_EQ(double(p.referenceLatitude), 49.0 * (3.14159265358979 / 180));
    EXPECT_EQ(double(p.centralMeridian), -2.0 * (3.14159265358979 / 180));
}

TEST_F(EpsgFixture, LambertParametersAreConvertedOnceAndFalseOriginStaysInFeet) {
    Database db(database.file(), Database::kReadOnly);
    GeodesyParams p{};
    ASSERT_EQ(EpsgGeodesyParams(db, 900002, p).release(), 0);
    EXPECT_EQ(p.projectionId, 1);
    EXPECT_EQ(double(p.unitFactor), 12 / 39.37);
    EXPECT_NEAR(p.referenceLatitude, 36.5 * kTruncatedDegree, 1e-15);
    EXPECT_NEAR(p.centralMeridian, -120.5 * kTruncatedDegree, 1e-15);
    EXPECT_NEAR(p.northParallel, (38 + 26.0 / 60) * kTruncatedDegree, 1e-15);
    EXPECT_NEAR(p.southParallel, (37 + 4.0 / 60) * kTruncatedDegree, 1e-15);
    // In the system's unit, as the record holds it (metres would be 2,000,000).
    EXPECT_NEAR(p.falseEasting, 6561666.667, 1e-6);
    EXPECT_NEAR(p.falseNorthing, 1640416.667, 1e-6);
    EXPECT_EQ(double(p.scaleFactor), 0.0);  // no scale row: the projection takes 1

    // Without parallel rows both parallels are the reference latitude.
    ASSERT_EQ(EpsgGeodesyParams(db, 900003, p).release(), 0);
    EXPECT_EQ(double(p.northParallel), double(p.referenceLatitude));
    EXPECT_EQ(double(p.southParallel), double(p.referenceLatitude));
    EXPECT_NEAR(p.referenceLatitude, 0.29350620254, 1e-11);

    // A false origin in metres for a system in feet: converted into feet.
    ASSERT_EQ(EpsgGeodesyParams(db, 900012, p).release(), 0);
    EXPECT_NEAR(p.falseEasting, 300000.0 / (12 / 39.37), 1e-6);
    EXPECT_NEAR(p.falseNorthing, 1000.0, 1e-9);
}

TEST_F(EpsgFixture, UnresolvedSystemsFailWithCode16AndSayWhy) {
    struct Case {
        int code;
        const char* line;  // written by the 32-bit library only
    } cases[] = {
        {899999, nullptr},
        {900004, "Unknown parameter code 8813 (Azimuth of initial line)"},
        {900005, "Coord. system 9990 - unknown unit code 9999"},
        {900006, "Ref Lat - unknown unit code 9107 (degree minute second)"},
        {900016, "Ref Lat - unknown unit code 9201 (unity)"},
        {900007, nullptr},
        {900008, nullptr},
        {900009, "False Easting - unknown unit code 9998 (broken length)"},
        {900010, "Coord. system 9992 - unknown unit code 0"},
        {900011, "Coord. system 9991 - unknown unit code 9101"},
        // A parameter of the method missing, one twice, the base system missing.
        {900013, nullptr},
        {900014, nullptr},
        {900015, nullptr},
    };
    for (const Case& c : cases) {
        DebugCapture capture;
        EXPECT_EQ(CreateEpsgGeodesy(c.code), nullptr) << c.code;
        EXPECT_EQ(GetGeodesyError(), kUnresolved) << c.code;
        std::vector<std::string> expected;
        if constexpr (kTraceBuild) {
            expected.push_back(threadPrefix() + "CreateEpsgGeodesy entered\n");
            if (c.line) expected.push_back(threadPrefix() + c.line + "\n");
        }
        EXPECT_EQ(capture.lines(), expected) << c.code;
    }
}

// Cuts the overflow chain of a long text made of `fill`: the first page of the chain that holds
// only that text gets a next-page number of 0 while more of the text remains.
void cutOverflowChain(const std::string& path, char fill) {
    std::string bytes = readFile(path);
    const size_t pageSize = (size_t(uint8_t(bytes[16])) << 8) | uint8_t(bytes[17]);
    for (size_t page = 0; page + pageSize <= bytes.size(); page += pageSize) {
        if (bytes.find_first_not_of(fill, page + 4) < page + pageSize) continue;
        ASSERT_NE(bytes.compare(page, 4, std::string(4, '\0')), 0);
        bytes.replace(page, 4, std::string(4, '\0'));
        writeFile(path, bytes);
        return;
    }
    FAIL() << "no overflow page of '" << fill << "'";
}

// A read that fails part way raises SQLite's code (11, a malformed database), and a number stored
// as text is refused (20), instead of the rows read so far making a system or a description.
TEST_F(EpsgFixture, DamagedRowsAreRaisedNotTakenForTheEnd) {
    {
        Database db(database.file(), Database::kReadWrite);
        const std::string longX(20000, 'X'), longY(20000, 'Y');
        ASSERT_EQ(db.exec("INSERT INTO epsg_corvane (coord_ref_sys_code, ellipsoid_code, coord_op_method_code,"
                          " coord_sys_code, parameter_code, parameter_name, parameter_value, uom_code) VALUES"
                          " (900101, 7019, 9807, 4400, 8801, 'lat', 49.0, 9102),"
                          " (900101, 7019, 9807, 4400, 8802, 'lon', -2.0, 9102),"
                          " (900101, 7019, 9807, 4400, 8805, '" + longX + "', 0.9996012717, 9201),"
                          " (900101, 7019, 9807, 4400, 8806, 'E', 400000.0, 9001),"
                          " (900102, 7019, 9807, 4400, 8805, 'k', 0.9996012717, 9201),"
                          " (900102, 7019, 9807, 4400, 8806, 'E', '400km', 9001),"
                          " (900103, 7019, 9807, 4400, 8801, 'lat', 49.0, '9102deg');"
                          "UPDATE gp_ellipsoids SET name = 'Airy " + longY + "' WHERE _epsg_code = 7001;")
                      .release(),
                  0);
    }
    constexpr int kMismatch = 20;
    struct Case {
        int code;
        bool describe;
        int failure;
        char cut;  // the overflow chain cut before the request
    } cases[] = {{900102, false, kMismatch, 0}, {900103, false, kMismatch, 0}, {900101, false, kMalformed, 'X'},
                 // A damaged file fails every request from then on.
                 {910001, true, kMalformed, 'Y'}, {900001, false, kMalformed, 0}};
    for (const Case& c : cases) {
        if (c.cut) cutOverflowChain(database.file(), c.cut);
        if (c.describe) {
            EpsgParams r{sizeof(EpsgParams), 0, 0, 0, 0};
            EXPECT_EQ(GetEpsgParams(c.code, &r), 0) << c.code << " a " << double(r.semiMajorAxis);
        } else {
            Handle h = own(CreateEpsgGeodesy(c.code));
            EXPECT_EQ(h, nullptr) << c.code;
        }
        EXPECT_EQ(GetGeodesyError(), c.failure) << c.code;
    }
}

// Each request reads the file as it is at that moment: changed in place, replaced, removed and
// brought back between requests.
TEST_F(EpsgFixture, EachRequestSeesTheFileAsItIsNow) {
    auto setEasting = [](const std::string& file, double easting) {
        Database db(file, Database::kReadWrite);
        Query q(db, "UPDATE epsg_corvane SET parameter_value = ? WHERE coord_ref_sys_code = 900001"
                    " AND parameter_code = 8806;");
        q.bind(1, easting);
        EXPECT_FALSE(q.next());
    };
    const std::string file = database.file(), spare = database.file() + ".spare";
    struct Step {
        std::function<void()> change;
        double easting;  // 0: the request fails with code 14
    } steps[] = {
        {[] {}, 400000.0},
        {[&] { setEasting(file, 400001.0); }, 400001.0},
        {[&] {
             std::filesystem::copy_file(file, spare);
             setEasting(spare, 400002.0);
             std::filesystem::rename(spare, file);
         },
         400002.0},
        {[&] { std::filesystem::rename(file, spare); }, 0},
        {[&] { std::filesystem::rename(spare, file); }, 400002.0},
    };
    for (const Step& step : steps) {
        step.change();
        Handle h = own(CreateEpsgGeodesy(900001));
        GeodesyParams p{};
        if (step.easting == 0) {
            EXPECT_EQ(h, nullptr);
            EXPECT_EQ(GetGeodesyError(), kCannotOpen);
            continue;
        }
        ASSERT_TRUE(h) << GetGeodesyError();
        ASSERT_EQ(GetGeodesyParams(h.get(), &p, nullptr, nullptr), 1);
        EXPECT_EQ(double(p.falseEasting), step.easting);
    }
}

TEST_F(EpsgFixture, AngleAndLengthConversions) {
    Database db(database.file(), Database::kReadOnly);
    struct Angle {
        double value;
        int unit;
        bool ok;
        double radians;
    } angles[] = {
        {52.3045, 9110, true, 52.5125 * kTruncatedDegree},
        {-52.3045, 9110, true, -52.5125 * kTruncatedDegree},
        // 1 deg 13' (1.13 lies a hair below its decimal when scaled).
        {1.13, 9110, true, (1 + 13.0 / 60) * kTruncatedDegree},
        {-0.3045, 9110, true, -(30.0 / 60 + 45.0 / 3600) * kTruncatedDegree},
        {2.0, 9101, true, 2.0},
        {2.0, 9107, false, 2.0},
        {2.0, 9201, false, 2.0},  // not an angle
        {2.0, 4242, false, 2.0},
    };
    for (const Angle& a : angles) {
        double v = a.value;
        EXPECT_EQ(EpsgAngleToRadians(v, a.unit, db), a.ok) << a.value << " " << a.unit;
        EXPECT_NEAR(v, a.radians, 1e-14) << a.value << " " << a.unit;
    }
    struct Length {
        int unit;
        bool ok;
        double metres;  // of 1.0
    } lengths[] = {
        {9001, true, 1.0}, {9003, true, 12 / 39.37},
        {9101, false, 1.0},  // not a length
        {9998, false, 1.0},  // factor_c 0: refused, not divided by
        {4242, false, 1.0},
    };
    for (const Length& l : lengths) {
        double v = 1.0;
        EXPECT_EQ(EpsgLengthToMetres(v, l.unit, db), l.ok) << l.unit;
        EXPECT_EQ(v, l.metres) << l.unit;
    }
}

TEST_F(EpsgFixture, EpsgCodeOfAHandle) {
    EXPECT_EQ(GetEpsgCode(nullptr, nullptr), 0);
    EXPECT_EQ(GetGeodesyError(), 2);

    Handle fromCode = own(CreateEpsgGeodesy(900001));
    ASSERT_TRUE(fromCode);
    GeodesyParams record{};
    ASSERT_EQ(GetGeodesyParams(fromCode.get(), &record, nullptr, nullptr), 1);

    // A record-built handle has neither a code nor a zone.
    Handle plain = own(CreateGeodesy(&record));
    int code = -5;
    EXPECT_EQ(GetEpsgCode(plain.get(), &code), 0);
    EXPECT_EQ(GetGeodesyError(), kUnresolved);
    EXPECT_EQ(code, -5);

    // A zone's code is looked up once and cached; a zone without one is forgotten.
    auto* geodesy = static_cast<Geodesy*>(plain.get());
    geodesy->zoneId = 7;
    EXPECT_EQ(GetEpsgCode(plain.get(), &code), 1);
    EXPECT_EQ(code, 900001);
    EXPECT_EQ(geodesy->epsgCode, 900001);
    geodesy->epsgCode = 0;  // not a cached code: asked again
    geodesy->zoneId = 8;
    EXPECT_EQ(GetEpsgCode(plain.get(), &code), 0);
    EXPECT_EQ(GetGeodesyError(), kUnresolved);
    EXPECT_EQ(geodesy->zoneId, -1);

    // The created handle answers without the database.
    std::filesystem::remove(database.file());
    code = 0;
    EXPECT_EQ(GetEpsgCode(fromCode.get(), &code), 1);
    EXPECT_EQ(code, 900001);
    EXPECT_EQ(GetGeodesyError(), 0);
}

TEST_F(EpsgFixture, DescribeAnyCode) {
    struct Case {
        int code;
        int kind;
        double a, invf;
    } cases[] = {
        {910001, 2, 6377563.396, 299.3249646},
        {910002, 5, 6377563.396, 299.3249646},  // kind compared without regard to case
        {910004, 0, 0, 0},                      // unknown kind: no ellipsoid either
        {910005, 6, 0, 0},                      // vertical datum: no ellipsoid
        {910006, 1, 0, 0},
        {910007, 5, 6377563.396, 299.3249646},  // the base system's ellipsoid wins
        {910008, 0, 0, 0},
        {910010, 4, 6378137.0, 298.257222101},
        {910011, 7, 0, 0},
    };
    for (const Case& c : cases) {
        EpsgParams r{sizeof(EpsgParams), -1, -1, -1.0, -1.0};
        EXPECT_EQ(GetEpsgParams(c.code, &r), 1) << c.code;
        EXPECT_EQ(r.code, c.code);
        EXPECT_EQ(r.kind, c.kind) << c.code;
        EXPECT_EQ(double(r.semiMajorAxis), c.a) << c.code;
        EXPECT_EQ(double(r.inverseFlattening), c.invf) << c.code;
    }
}

TEST_F(EpsgFixture, DescribeFailuresAndTheCodeLeftInPlace) {
    // A wrong size member: code 1, nothing else written.
    EpsgParams r{0, -1, -1, -1.0, -1.0};
    EXPECT_EQ(GetEpsgParams(910001, &r), 0);
    EXPECT_EQ(GetGeodesyError(), 1);
    EXPECT_EQ(r.code, -1);
    EXPECT_EQ(r.kind, -1);
    EXPECT_EQ(double(r.semiMajorAxis), -1.0);
    r.size = sizeof(EpsgParams) == 32 ? 28 : 32;
    EXPECT_EQ(GetEpsgParams(910001, &r), 0);
    EXPECT_EQ(r.code, -1);

    // Deprecated and missing codes give 16; a later success leaves it in place.
    r.size = sizeof(EpsgParams);
    EXPECT_EQ(GetEpsgParams(910003, &r), 0);
    EXPECT_EQ(GetGeodesyError(), kUnresolved);
    EXPECT_EQ(r.code, -1);
    EXPECT_EQ(GetEpsgParams(123, &r), 0);
    EXPECT_EQ(GetEpsgParams(910001, &r), 1);
    EXPECT_EQ(GetGeodesyError(), kUnresolved);

    // A row the system names is not there: its ellipsoid, its base, its datum or its base's datum.
    for (int code : {910009, 910013, 910014, 910015}) {
        EpsgParams missing{sizeof(EpsgParams), -1, -1, -1.0, -1.0};
        EXPECT_EQ(GetEpsgParams(code, &missing), 0) << code;
        EXPECT_EQ(GetGeodesyError(), kUnresolved) << code;
        EXPECT_EQ(missing.code, -1) << code;
        EXPECT_EQ(double(missing.semiMajorAxis), -1.0) << code;
    }
}

TEST(Epsg, MissingDatabaseGivesItsOpenCode) {
    TempFolder empty;
    SuiteFolder suite(empty.path());
    EXPECT_EQ(CreateEpsgGeodesy(27700), nullptr);
    EXPECT_EQ(GetGeodesyError(), kCannotOpen);
    EpsgParams r{sizeof(EpsgParams), 0, 0, 0, 0};
    EXPECT_EQ(GetEpsgParams(4326, &r), 0);
    EXPECT_EQ(GetGeodesyError(), kCannotOpen);

    // A pipe in the file's place is refused before the open, which would wait for a writer.
    std::filesystem::create_directories(empty.file("datum"));
    ASSERT_EQ(mkfifo(empty.file("datum/corvane.db").c_str(), 0644), 0);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(CreateEpsgGeodesy(27700), nullptr);
    EXPECT_EQ(GetGeodesyError(), kMalformed);
    EXPECT_EQ(GetEpsgParams(4326, &r), 0);
    EXPECT_EQ(GetGeodesyError(), kMalformed);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
}

// ---- On the database built from the EPSG dataset ----

class EpsgDataset : public ::testing::Test {
protected:
    void SetUp() override {
        if (!std::filesystem::exists(std::string(TELLUS_SUITE_DIR) + "/datum/corvane.db"))
            GTEST_SKIP() << "the suite's corvane.db was not built";
    }
    SuiteFolder suite{TELLUS_SUITE_DIR};
};

TEST_F(EpsgDataset, BritishNationalGrid) {
    Handle h = own(CreateEpsgGeodesy(27700));
    ASSERT_TRUE(h) << GetGeodesyError();
    // Ordnance Survey's worked example (A guide to coordinate systems in Great Britain):
    // 52 39' 27.2531" N, 1 43' 4.5177" E on Airy 1830 is E 651409.903, N 313177.270.
    double x = 0, y = 0;
    ASSERT_EQ(GeoXY(h.get(), &x, &y, 0.9190479779324184, 0.029983387920182628), 1);
    EXPECT_NEAR(x, 651409.903, 0.01);
    EXPECT_NEAR(y, 313177.270, 0.01);

    GeodesyParams p{};
    expectBritishGridRecord(h.get(), p);

    // The code comes from the handle, not from the database.
    TempFolder empty;
    SuiteFolder elsewhere(empty.path());
    int epsg = 0;
    EXPECT_EQ(GetEpsgCode(h.get(), &epsg), 1);
    EXPECT_EQ(epsg, 27700);
}

TEST_F(EpsgDataset, RecordsOfTheDataset) {
    Database db(predefinedDatabasePath(), Database::kReadOnly);
    GeodesyParams p{};
    // California zone 3 in US survey feet: the unit is 1200/3937 m (EPSG: 12 / 39.37), and the
    // false origin stays in feet.
    ASSERT_EQ(EpsgGeodesyParams(db, 2227, p).release(), 0);
    EXPECT_DOUBLE_EQ(p.unitFactor, 0.30480060960121924);
    EXPECT_NEAR(p.falseEasting, 6561666.667, 1e-6);
    EXPECT_NEAR(p.falseNorthing, 1640416.667, 1e-6);
    // Guatemala Norte: latitude of origin 16 49' (sexagesimal 16.49) in radians.
    ASSERT_EQ(EpsgGeodesyParams(db, 5559, p).release(), 0);
    EXPECT_NEAR(p.referenceLatitude, 0.29350620254, 1e-11);

    // CH1903+ / LV95 uses a method no class computes.
    EXPECT_EQ(CreateEpsgGeodesy(2056), nullptr);
    EXPECT_EQ(GetGeodesyError(), kUnresolved);
}

TEST_F(EpsgDataset, DescribeCodes) {
    struct Case {
        int code;
        int kind;
        double a, invf;
    } cases[] = {
        {4326, 2, 6378137.0, 298.257223563},   // WGS 84
        {4978, 4, 6378137.0, 298.257223563},   // WGS 84 geocentric
        {27700, 5, 6377563.396, 299.3249646},  // OSGB36 / British National Grid: Airy 1830
        {5773, 6, 0.0, 0.0},                   // EGM96 height
    };
    for (const Case& c : cases) {
        EpsgParams r{sizeof(EpsgParams), 0, 0, 0, 0};
        EXPECT_EQ(GetEpsgParams(c.code, &r), 1) << c.code;
        EXPECT_EQ(r.kind, c.kind) << c.code;
        EXPECT_EQ(double(r.semiMajorAxis), c.a) << c.code;
        EXPECT_EQ(double(r.inverseFlattening), c.invf) << c.code;
    }
    EpsgParams r{sizeof(EpsgParams), 0, 0, 0, 0};
    EXPECT_EQ(GetEpsgParams(2008, &r), 0);  // NAD27(CGQ77) / SCoPQ zone 2, deprecated
    EXPECT_EQ(GetGeodesyError(), kUnresolved);
}

// Sample systems of every class against PROJ 9.1.1, each made with
//   echo "<lat> <lon>" | cs2cs -f "%.4f" EPSG:<base geographic system> EPSG:<code>
// (axes reordered to easting, northing where the system lists northing first).
TEST_F(EpsgDataset, SamplesOfEveryClassAgreeWithProj) {
    struct Case {
        int code, base;
        double lat, lon, x, y;
    } cases[] = {
        {32631, 4326, 51, 4, 570168.8615, 5650300.7866},          // transverse Mercator
        {31467, 4314, 50, 9.5, 3535843.4288, 5540399.3500},
        {2193, 4167, -41, 174.8, 1751386.2727, 5459682.5730},
        {27205, 4272, -36.9, 174.8, 303178.1886, 697765.1086},    // sexagesimal parameters
        {2235, 4269, 39.0, -75.5, 632482.8842, 364201.0903},      // US survey feet
        {2236, 4269, 27.5, -80.5, 818251.3984, 1151257.7549},
        {2227, 4269, 37.5, -122, 6126548.2445, 2008012.8128},     // Lambert 2SP, US survey feet
        {2154, 4171, 46, 3, 700000.0000, 6544473.8555},
        {5559, 5451, 16.5, -90, 535586.3019, 257199.8908},        // Lambert 1SP
        {3577, 4283, -25, 135, 299362.2208, -2706085.9795},       // Albers
        {5070, 4269, 40, -96, 0.0000, 1886977.5649},
        {3068, 4314, 52.5, 13.4, 24572.4587, 19075.7278},         // Cassini-Soldner
        {28992, 4289, 52, 5, 128383.4745, 445698.8043},           // oblique stereographic
        {3035, 4258, 50, 10, 4321000.0000, 2987510.5670},         // Lambert azimuthal equal area
        {5041, 4326, 85, 30, 2277728.6957, 1518959.7883},         // polar stereographic
        {5042, 4326, -85, 30, 2277728.6957, 2481040.2117},
        {5880, 4674, -15, -50, 5430178.5460, 8337123.8616},       // polyconic
        {3395, 4326, 30, 20, 2226389.8159, 3482189.0854},         // Mercator
        // Azimuthal equidistant (Yap Islands): the corner of the area of use farthest from the
        // centre, and EPSG's worked example 9 35' 47.493" N, 138 11' 34.908" E (E 42665.90,
        // N 65509.82 in Guidance Note 7-2).
        {3295, 4675, 9.39, 137.99, 20366.8704, 42673.4866},
        {3295, 4675, 9.596525833333, 138.19303, 42665.9040, 65509.8225},
    };
    // A centimetre of the system's unit: the classes' series are good to a few millimetres
    // this close to their origins.
    constexpr double kTolerance = 0.01;
    for (const Case& c : cases) {
        Handle h = own(CreateEpsgGeodesy(c.code));
        ASSERT_TRUE(h) << c.code << " code " << GetGeodesyError();
        double x = 0, y = 0;
        ASSERT_EQ(GeoXY(h.get(), &x, &y, c.lat * kDegree, c.lon * kDegree), 1) << c.code;
        EXPECT_NEAR(x, c.x, kTolerance) << c.code;
        EXPECT_NEAR(y, c.y, kTolerance) << c.code;
    }
}

// One system of every method the library maps, and the British National Grid.
constexpr int kSystemOfEveryMethod[] = {27700, 5559, 2227, 3395, 3068, 32631, 28992, 5041,
                                        5880, 3035, 3577, 3295};

// A damaged byte anywhere in the database: each request fails with a code, or answers exactly as
// on the undamaged file. A system is never made from the rows read before the damage.
TEST_F(EpsgDataset, DamagedDatabaseFailsOrAnswersAsUndamaged) {
    const std::string original = readFile(predefinedDatabasePath());
    std::vector<EpsgAnswer> undamaged;
    for (int code : kSystemOfEveryMethod) {
        undamaged.push_back(epsgAnswerFor(code));
        ASSERT_EQ(undamaged.back().createCode, 0) << code;
    }
    DamagedDatabase copies(original);
    std::mt19937 random(20261209);
    for (int i = 0; i < 300; ++i) {
        size_t at = random() % copies.size();
        copies.damage({{at, uint8_t(1 + random() % 255)}});
        for (size_t k = 0; k < std::size(kSystemOfEveryMethod); ++k) {
            EpsgAnswer a = epsgAnswerFor(kSystemOfEveryMethod[k]);
            const EpsgAnswer& u = undamaged[k];
            if (a.createCode == 0) {
                EXPECT_EQ(std::memcmp(&a.record, &u.record, sizeof a.record), 0)
                    << kSystemOfEveryMethod[k] << " with byte " << at << " damaged";
            }
            if (a.describeCode == 0) {
                EXPECT_EQ(std::memcmp(&a.description, &u.description, sizeof a.description), 0)
                    << kSystemOfEveryMethod[k] << " described with byte " << at << " damaged";
            }
        }
    }
}

// The suite's database after `sql` ran on a copy of it.
std::string editedDatabase(const std::string& sql) {
    TempFolder scratch;
    const std::string file = scratch.file("corvane.db");
    writeFile(file, readFile(predefinedDatabasePath()));
    {
        Database db(file, Database::kReadWrite);
        EXPECT_EQ(db.exec(sql).release(), 0) << sql;
    }
    return readFile(file);
}

// The offset of the nth occurrence of `pattern` in `bytes`.
size_t nthOffset(const std::string& bytes, const std::string& pattern, int nth) {
    size_t at = bytes.find(pattern);
    for (int i = 0; i < nth && at != std::string::npos; ++i) at = bytes.find(pattern, at + 1);
    EXPECT_NE(at, std::string::npos) << "occurrence " << nth;
    return at == std::string::npos ? 0 : at;
}

// A row that a system needs is gone (deleted from a valid file), or an index that finds it is
// damaged: the request fails, never answering with what the rows left give.
TEST_F(EpsgDataset, MissingRowsAndDamagedIndexesAreNotTaken) {
    const std::string original = readFile(predefinedDatabasePath());
    // Index entries of epsg_corvane_crs for 27700 (0x6C34), one per parameter row in row order
    // (the cells lie in reverse order in their page: the third one found is the scale factor's),
    // and of gp_ellipsoids_epsg for WGS 84 (7030 = 0x1B76, id 36).
    const size_t scaleEntry = nthOffset(original, std::string("\x03\x02\x02\x6c\x34", 5), 2);
    const size_t wgs84Entry = nthOffset(original, std::string("\x03\x02\x01\x1b\x76\x24", 6), 0);
    struct Case {
        const char* what;
        int code;
        std::string bytes;
        std::vector<std::pair<size_t, uint8_t>> damage;
        int createCode, describeCode;  // 0: the undamaged answer
    } cases[] = {
        {"scale factor row deleted", 27700,
         editedDatabase("DELETE FROM epsg_corvane WHERE coord_ref_sys_code = 27700 AND parameter_code = 8805;"),
         {}, kUnresolved, 0},
        {"base system deleted", 27700,
         editedDatabase("DELETE FROM epsg_coordinatereferencesystem WHERE coord_ref_sys_code = 4277;"), {},
         kUnresolved, kUnresolved},
        {"datum deleted", 27700, editedDatabase("DELETE FROM epsg_datum WHERE datum_code = 6277;"), {},
         kUnresolved, kUnresolved},
        {"ellipsoid deleted", 27700, editedDatabase("DELETE FROM gp_ellipsoids WHERE _epsg_code = 7001;"), {},
         kUnresolved, kUnresolved},
        {"index key of the scale factor", 27700, original, {{scaleEntry + 4, 0x78}}, kMalformed, kMalformed},
        {"index entry of the scale factor names the row before", 27700, original, {{scaleEntry + 6, 0x01}},
         kMalformed, kMalformed},
        {"index entry of WGS 84 names the next ellipsoid", 32631, original, {{wgs84Entry + 5, 0x01}}, kMalformed,
         kMalformed},
        // Schema text that SQLite's own checks find sound: today's 32631 at 45 N 4 E would give
        // 2319785.9, 18914931.1 (PROJ: 578815.3029, 4983436.7683).
        {"factor_b and factor_c swapped in the stored schema", 32631,
         editedDatabase("PRAGMA writable_schema = ON; UPDATE sqlite_master SET sql = replace(replace(replace(sql,"
                        " 'factor_b', 'factor_x'), 'factor_c', 'factor_b'), 'factor_x', 'factor_c')"
                        " WHERE name = 'epsg_unitofmeasure';"),
         {}, kMalformed, kMalformed},
        // A root page that names another table's pages, as one flipped bit of it does: the datums
        // read as systems (ellipsoid-less descriptions), the systems as datums.
        {"epsg_datum on the systems' pages", 27700,
         editedDatabase("PRAGMA writable_schema = ON; UPDATE sqlite_master SET rootpage = (SELECT rootpage FROM"
                        " sqlite_master WHERE name = 'epsg_coordinatereferencesystem') WHERE name = 'epsg_datum';"),
         {}, kMalformed, kMalformed},
        {"the systems on epsg_datum's pages", 32631,
         editedDatabase("PRAGMA writable_schema = ON; UPDATE sqlite_master SET rootpage = (SELECT rootpage FROM"
                        " sqlite_master WHERE name = 'epsg_datum') WHERE name = 'epsg_coordinatereferencesystem';"),
         {}, kMalformed, kMalformed},
        // Numbers no survey uses: a scale factor's bytes read as an integer's (its type byte
        // changed from real to 64-bit integer), an ellipsoid of no size.
        {"scale factor of 4.6e18", 27700,
         editedDatabase("UPDATE epsg_corvane SET parameter_value = " +
                        std::to_string(std::bit_cast<int64_t>(0.9996012717)) +
                        " WHERE coord_ref_sys_code = 27700 AND parameter_code = 8805;"),
         {}, kUnresolved, 0},
        {"ellipsoid of no size", 27700, editedDatabase("UPDATE gp_ellipsoids SET a = 0 WHERE _epsg_code = 7001;"), {},
         kUnresolved, kUnresolved},
    };
    const EpsgAnswer undamaged[] = {epsgAnswerFor(27700), epsgAnswerFor(32631)};
    for (const Case& c : cases) {
        const EpsgAnswer& u = undamaged[c.code == 27700 ? 0 : 1];
        ASSERT_EQ(u.createCode, 0) << c.what;
        DamagedDatabase copies(c.bytes);
        copies.damage(c.damage);
        const EpsgAnswer a = epsgAnswerFor(c.code);
        EXPECT_EQ(a.createCode, c.createCode) << c.what << ": scale " << double(a.record.scaleFactor);
        EXPECT_EQ(a.describeCode, c.describeCode) << c.what << ": a " << double(a.description.semiMajorAxis);
        if (c.describeCode == 0) {
            EXPECT_EQ(std::memcmp(&a.description, &u.description, sizeof a.description), 0) << c.what;
        }
    }
}

// The records of eight systems, bit for bit: the EPSG dataset's parameter values (proj.db 9.1.1)
// in the resolver's conversions (degrees times 3.14159265358979 / 180 as the dataset gives the
// degree, sexagesimal degrees times 0.01745329251994, US survey feet 12 / 39.37), as the resolver
// gave them when it opened the database anew for each request. A faster path must not move a bit.
TEST_F(EpsgDataset, RecordsStayBitIdentical) {
    struct Case {
        int code, projection;
        double a, invf, unit, k0, centralMeridian, refLat, northPar, southPar, fe, fn;
    } cases[] = {
        {27700, 3, 6377563.396, 299.3249646, 1.0, 0.9996012717, -0.034906585039886556, 0.8552113334772207, 0, 0,
         400000.0, -100000.0},
        {2227, 1, 6378137.0, 298.257222101, 0.30480060960121924, 1.0, -2.10312174865277, 0.6370451769778099,
         0.6707882091830273, 0.6469353760724427, 6561666.667, 1640416.667},
        {32631, 3, 6378137.0, 298.257223563, 1.0, 0.9996, 0.052359877559829834, 0, 0, 0, 500000.0, 0},
        {3035, 13, 6378137.0, 298.257222101, 1.0, 1.0, 0.17453292519943278, 0.9075712110370504, 0, 0, 4321000.0,
         3210000.0},
        {3395, 2, 6378137.0, 298.257223563, 1.0, 1.0, 0, 0, 0, 0, 0, 0},
        {28992, 4, 6377397.155, 299.1528128, 1.0, 0.9999079, 0.0940320375195823, 0.9102967268930675, 0, 0,
         155000.0, 463000.0},
        {5041, 12, 6378137.0, 298.257223563, 1.0, 0.994, 0, 1.570796326794895, 0, 0, 2000000.0, 2000000.0},
        {3577, 10, 6378137.0, 298.257222101, 1.0, 1.0, 2.303834612632513, 0, -0.314159265358979,
         -0.628318530717958, 0, 0},
    };
    for (int pass = 0; pass < 2; ++pass)  // the second pass on whatever the first left behind
        for (const Case& c : cases) {
            Handle h = own(CreateEpsgGeodesy(c.code));
            ASSERT_TRUE(h) << c.code << " code " << GetGeodesyError();
            GeodesyParams p{};
            ASSERT_EQ(GetGeodesyParams(h.get(), &p, nullptr, nullptr), 1);
            const double got[] = {p.semiMajorAxis, p.inverseFlattening, p.unitFactor, p.scaleFactor,
                                  p.centralMeridian, p.referenceLatitude, p.northParallel, p.southParallel,
                                  p.falseEasting, p.falseNorthing};
            const double pinned[] = {c.a, c.invf, c.unit, c.k0, c.centralMeridian, c.refLat,
                                     c.northPar, c.southPar, c.fe, c.fn};
            EXPECT_EQ(p.projectionId, c.projection) << c.code;
            for (size_t i = 0; i < std::size(got); ++i) EXPECT_EQ(got[i], pinned[i]) << c.code << " field " << i;
            EXPECT_EQ(double(p.skewAzimuth), 0.0) << c.code;
        }
}

// Threads that create and describe systems at once get each the answer of one thread alone.
TEST_F(EpsgDataset, ThreadsCreateSystemsAtOnce) {
    std::vector<EpsgAnswer> alone;
    for (int code : kSystemOfEveryMethod) alone.push_back(epsgAnswerFor(code));
    std::vector<std::thread> threads;
    std::atomic<int> differing{0};
    for (int t = 0; t < 16; ++t)
        threads.emplace_back([&, t] {
            for (int round = 0; round < 4; ++round)
                for (size_t k = 0; k < std::size(kSystemOfEveryMethod); ++k) {
                    const size_t i = (k + size_t(t)) % std::size(kSystemOfEveryMethod);
                    EpsgAnswer a = epsgAnswerFor(kSystemOfEveryMethod[i]);
                    if (!sameEpsgAnswer(a, alone[i])) ++differing;
                }
        });
    for (std::thread& t : threads) t.join();
    EXPECT_EQ(differing, 0);
    // Of the connections the burst opened, at most four stay open for the next requests.
    const std::filesystem::path file = std::filesystem::canonical(predefinedDatabasePath());
    int open = 0;
    for (const auto& fd : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        if (std::filesystem::read_symlink(fd.path(), error) == file) ++open;
    }
    EXPECT_LE(open, 4);
}

// Every non-deprecated projected system of the dataset that resolves gives a record that its
// projection class accepts (every class is built); at least 4,900 of them resolve.
TEST_F(EpsgDataset, ResolvesTheDatasetsProjectedSystems) {
    Database db(predefinedDatabasePath(), Database::kReadOnly);
    Query systems(db, "SELECT coord_ref_sys_code FROM epsg_coordinatereferencesystem"
                      " WHERE coord_ref_sys_kind = 'projected' AND NOT deprecated;");
    int resolved = 0;
    while (systems.next()) {
        int code = systems.getInt(0);
        GeodesyParams p{};
        if (EpsgGeodesyParams(db, code, p).release() != 0) continue;
        ++resolved;
        try {
            Geodesy g(p);
        } catch (erc& e) {
            ADD_FAILURE() << code << " refused with " << e.release();
        }
    }
    EXPECT_GE(resolved, 4900);
}

}  // namespace
