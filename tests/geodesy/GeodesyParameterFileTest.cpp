#include <gtest/gtest.h>

#include "common/Profile.h"
#include "geodesy/GeodesyParameterFile.h"
#include "tests/TestSupport.h"

namespace gf = geodesyfile;

namespace {

TEST(GeodesyParameterFile, ProjectionNames) {
    struct Case {
        const char* name;
        int id;
    } cases[] = {
        {"Lambert", 1}, {"LCC", 1},   {"lc1", 1},       {"Mercator", 2}, {"MER", 2},  {"TransMerc", 3},
        {"TME", 3},     {"utm", 3},   {"OST", 4},       {"HOM", 6},      {"RSO", 7},  {"AZD", 8},
        {"OCY", 5},     {"SMerc", 9}, {"CME", 9},       {"ALA", 10},     {"CAS", 11}, {"PST", 12},
        {"POL", 17},    {"AZA", 13},  {"", 0},          {"TM", 0},       {"UTM ", 0}, {"Stereo", 0},
        {"PLC", 0},     {nullptr, 0}, {"TransMercX", 0},
    };
    for (const Case& c : cases) EXPECT_EQ(gf::projectionIdOf(c.name), c.id) << (c.name ? c.name : "null");
}

TEST(GeodesyParameterFile, Conversions) {
    // Worked values: "RefLatitude" 45 with the truncated factor gives 0.7853981633973 rad;
    // "DeltaScale" 1.5 gives 1.0000015; "DeltaRZ" 1 gives 4.84813681109536e-06 rad;
    // "ChartDatum" 10 with "Unit" 0.3048006096 gives 3.048006096 m.
    EXPECT_NEAR(gf::degreesToRadians(45), 0.7853981633973, 1e-15);
    EXPECT_NEAR(gf::ppmToScale(1.5), 1.0000015, 1e-15);
    EXPECT_EQ(gf::ppmToScale(0), 1.0);
    EXPECT_NEAR(gf::arcSecondsToRadians(1), 4.84813681109536e-06, 1e-20);
    EXPECT_NEAR(gf::chartDatumToMetres(10, 0.3048006096), 3.048006096, 1e-15);
    // The three angle factors stay distinct: 180 degrees is not pi with the truncated one.
    EXPECT_NEAR(gf::degreesToRadians(180), 3.1415926535892, 1e-15);
    EXPECT_EQ(gf::adjustRotationToRadians(180), 3.141592653589793);
    EXPECT_EQ(gf::arcSecondsToRadians(648000), 3.141592653589793);
    EXPECT_NEAR(gf::radiansToDegrees(gf::degreesToRadians(-33.25)), -33.25, 1e-13);
    EXPECT_EQ(gf::zeroMeansOne(0), 1.0);
    EXPECT_EQ(gf::zeroMeansOne(0.9996), 0.9996);
    EXPECT_EQ(gf::standardParallel(1, 0.0, 0.7), 0.7);
    EXPECT_EQ(gf::standardParallel(1, 0.5, 0.7), 0.5);
    EXPECT_EQ(gf::standardParallel(10, 0.0, 0.7), 0.0);
    EXPECT_EQ(gf::adjustTypeWord(2, false, true), 0x20002);
    EXPECT_EQ(gf::adjustTypeWord(1, true, true), 0x30001);
}

TEST(GeodesyParameterFile, LegacyRule) {
    struct Case {
        int version, rtkMode;
        bool geoid, vdatum;
        int mode;
    } cases[] = {
        {0, 1, true, true, 3},     // legacy: VDatum wins over Geoid
        {0, 1, true, false, 4},    {1599, 5, false, true, 3}, {1599, 2, false, false, 2},
        {1600, 1, true, true, 1},  // current files keep RTKMode
        {2001, 2, true, false, 2},
    };
    for (const Case& c : cases)
        EXPECT_EQ(gf::verticalMode(c.version, c.rtkMode, c.geoid, c.vdatum), c.mode) << c.version;
}

TEST(GeodesyParameterFile, StoredPaths) {
    EXPECT_EQ(gf::fileNameOf("C:\\Suite\\datum\\egm08.geo"), "egm08.geo");
    EXPECT_EQ(gf::fileNameOf("/data/BETA2007.gsb"), "BETA2007.gsb");
    EXPECT_EQ(gf::fileNameOf("plain.lls"), "plain.lls");
    EXPECT_EQ(gf::datumFilePath("/suite", "D:\\old\\ntf_r93.gsb"), "/suite/datum/ntf_r93.gsb");
    EXPECT_EQ(gf::vdatumRegionFolder("/suite", "C:\\x\\vdatum\\NYNJhbr"), "/suite/datum/vdatum/NYNJhbr");
}

TEST(GeodesyParameterFile, KeysReadThroughAProfile) {
    TempFolder folder;
    std::string path = folder.file("Harbour.ini");
    writeFile(path, "\xEF\xBB\xBF\r\n[Geodesy]\r\nprojection=utm\r\nREFLATITUDE=45\r\nDeltaScale = 1.5 ; ppm\r\n"
                    "ReverseY=Yes\r\nVSurface=\r\n");
    Pelagix::Profile p(path.c_str());
    EXPECT_EQ(gf::projectionIdOf(p.getString(gf::kProjection, gf::kDefaultSection).c_str()), 3);
    EXPECT_NEAR(gf::degreesToRadians(p.getDouble(gf::kRefLatitude, gf::kDefaultSection, 0)), 0.7853981633973, 1e-15);
    EXPECT_NEAR(gf::ppmToScale(p.getDouble(gf::kDeltaScale, gf::kDefaultSection, 0)), 1.0000015, 1e-15);
    EXPECT_TRUE(gf::isLegacyVersion(p.getInt(gf::kVer, gf::kDefaultSection, 0)));
    EXPECT_EQ(gf::adjustTypeWord(p.getInt(gf::kAdjustType, gf::kDefaultSection, 0),
                                 p.getBool(gf::kReverseX, gf::kDefaultSection, false),
                                 p.getBool(gf::kReverseY, gf::kDefaultSection, false)),
              gf::kReverseYBit);
    EXPECT_EQ(p.getInt(gf::kZoneId, gf::kDefaultSection, gf::kDefaultZoneId), -1);
    // An empty surface gives the default as a missing one does.
    EXPECT_FALSE(p.hasKey(gf::kVSurface, gf::kDefaultSection));
}

}  // namespace
