// Vertical references: the six modes, their grids and folder rules, the KTD fallback to the last
// project, through the exported functions on a suite folder of the test's own.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/ProgramFolder.h"
#include "geodesy/EpsgResolver.h"
#include "geodesy/Tellus.h"
#include "tests/TestSupport.h"
#include "tests/geodesy/SuiteFolder.h"

namespace {

constexpr double kDegree = 3.141592653589793 / 180;
// US survey foot, metres per unit.
constexpr double kSurveyFoot = 0.3048006096;
// Separations are sums of a few float-exact grid values: 1e-9 m leaves room for rounding only.
constexpr double kMetreTolerance = 1e-9;

class Vertical : public SuiteTest {
protected:
    Vertical() {
        // A geoid of 30 m, a tidal surface 1.25 m and a surface "MLLW" 0.5 m, all over 40..49 N,
        // 0..23 E; the area folder is "Area".
        writeBinGrid(suite.datum("geoid30.geo"), constantBinGrid({30.0f}, 40.0f, 10));
        std::string area = suite.makeFolder("datum/vdatum/Area");
        writeGtxGrid(area + "/tss.gtx", 40, 0, 10, 24, 1.25f);
        writeGtxGrid(area + "/MLLW.gtx", 40, 0, 10, 24, 0.5f);
    }
    // A KTD table of one value over x from 0 to maxX and y from 0 to maxY, in the system's unit.
    std::string writeKtd(const std::string& path, double value, double maxX, double maxY) {
        writeKtdTable(path, 3, 3, 0.0, 0.0, maxX, maxY, std::vector<double>(9, value));
        return path;
    }

    const double lat = 45 * kDegree;
    const double lon = 5 * kDegree;
};

TEST_F(Vertical, UserSeparationIsInTheHorizontalUnit) {
    GeodesyHandle h = create({{"Unit", "0.3048006096"}, {"RTKMode", "5"}, {"ChartDatum", "10"}});
    ASSERT_NE(h, nullptr);
    double separation = -1, undulation = -1;
    ASSERT_EQ(DatumSeparation1(h, lat, lon, &separation, &undulation), 1);
    EXPECT_EQ(GetGeodesyError(), 0);
    EXPECT_DOUBLE_EQ(separation, 3.048006096);
    EXPECT_EQ(undulation, 0.0);
    ASSERT_EQ(VConvert(h, &separation, 0), 1);
    EXPECT_DOUBLE_EQ(separation, 10.0);
    char name[16] = "";
    ASSERT_EQ(GetLocalName(h, 3, nullptr, name, sizeof name), 1);
    EXPECT_STREQ(name, "ftUS");

    GeodesyHandle off = create({{"RTKMode", "0"}}, "off.ini");
    ASSERT_NE(off, nullptr);
    separation = -1;
    undulation = -1;
    EXPECT_EQ(DatumSeparation1(off, lat, lon, &separation, &undulation), 0);
    EXPECT_EQ(GetGeodesyError(), 15);
    EXPECT_EQ(separation, 0.0);
    EXPECT_EQ(undulation, 0.0);
}

TEST_F(Vertical, GeoidAndUserValue) {
    GeodesyHandle h = create({{"RTKMode", "4"}, {"Geoid", "D:\\models\\geoid30.geo"}, {"OrthoHCorr", "0.2"},
                              {"ChartDatum", "1.0"}});
    ASSERT_NE(h, nullptr);
    double separation = 0, undulation = 0;
    ASSERT_EQ(DatumSeparation1(h, lat, lon, &separation, &undulation), 1);
    EXPECT_NEAR(undulation, 30.2, kMetreTolerance);
    EXPECT_NEAR(separation, -29.2, kMetreTolerance);
    // The undulation alone, and the separation alone.
    undulation = 0;
    ASSERT_EQ(Undulation(h, lat, lon, &undulation), 1);
    EXPECT_NEAR(undulation, 30.2, kMetreTolerance);
    separation = 0;
    ASSERT_EQ(DatumSeparation(h, lat, lon, &separation), 1);
    EXPECT_NEAR(separation, -29.2, kMetreTolerance);

    char geoid[8] = "";
    double correction = 0;
    ASSERT_EQ(GetGeoid(h, geoid, sizeof geoid, &correction), 1);
    EXPECT_STREQ(geoid, "geoid30");  // 7 bytes and the NUL
    EXPECT_EQ(correction, 0.2);

    // Outside the geoid: no separation (15), and nothing computed for N.
    separation = -1;
    undulation = -1;
    EXPECT_EQ(DatumSeparation1(h, 60 * kDegree, lon, &separation, &undulation), 0);
    EXPECT_EQ(GetGeodesyError(), 15);
    EXPECT_EQ(separation, -1.0);
    EXPECT_EQ(undulation, 0.0);
}

TEST_F(Vertical, GeoidWithSeveralValuesPerNodeUsesTheFirst) {
    // A shift grid named as a geoid delivers three values per node; only room for one would be
    // overrun.
    writeBinGrid(suite.datum("three.geo"), constantBinGrid({30.0f, -5.0f, 7.0f}, 40.0f, 10));
    GeodesyHandle h = create({{"RTKMode", "4"}, {"Geoid", "three.geo"}, {"ChartDatum", "1.0"}});
    ASSERT_NE(h, nullptr);
    double separation = 0, undulation = 0;
    ASSERT_EQ(DatumSeparation1(h, lat, lon, &separation, &undulation), 1);
    EXPECT_NEAR(undulation, 30.0, kMetreTolerance);
    EXPECT_NEAR(separation, -29.0, kMetreTolerance);
}

TEST_F(Vertical, VdatumRegionAndSurface) {
    struct Case {
        const char* what;
        std::optional<std::string> surface;
        double separation;
        const char* reported;
    } cases[] = {
        {"named surface, matched without case", "mllw", 1.25 - 0.5 - 30.0, "MLLW"},
        {"no surface", std::nullopt, 1.25 - 30.0, "TSS"},
        {"the tidal surface itself", "tss", 1.25 - 30.0, "TSS"},
    };
    for (const Case& c : cases) {
        GeodesyHandle h = create({{"RTKMode", "3"}, {"Geoid", "geoid30.geo"}, {"VDatum", "C:\\VDatum\\area"},
                                  {"VSurface", c.surface}});
        ASSERT_NE(h, nullptr) << c.what << ": code " << GetGeodesyError();
        double separation = 0, undulation = 0;
        ASSERT_EQ(DatumSeparation1(h, lat, lon, &separation, &undulation), 1) << c.what;
        EXPECT_NEAR(separation, c.separation, kMetreTolerance) << c.what;
        EXPECT_NEAR(undulation, 30.0, kMetreTolerance) << c.what;
        char region[8] = "", surface[256] = "";
        ASSERT_EQ(GetVDatumModel(h, region, sizeof region, surface), 1);
        EXPECT_STREQ(region, "Area") << c.what;
        EXPECT_STREQ(surface, c.reported) << c.what;
    }
    // A missing surface grid cannot be loaded.
    EXPECT_EQ(create({{"RTKMode", "3"}, {"Geoid", "geoid30.geo"}, {"VDatum", "Area"}, {"VSurface", "MHW"}}), nullptr);
    EXPECT_EQ(GetGeodesyError(), 14);
    EXPECT_EQ(create({{"RTKMode", "3"}, {"Geoid", "geoid30.geo"}}), nullptr);
    EXPECT_EQ(GetGeodesyError(), 14);

    // Grids cut short after they were opened cannot be read: their load codes, not "outside".
    writeBinGrid(suite.datum("cut.geo"), constantBinGrid({30.0f}, 40.0f, 10));
    const std::string cut = suite.makeFolder("datum/vdatum/Cut");
    writeGtxGrid(cut + "/tss.gtx", 40, 0, 10, 24, 1.25f);
    GeodesyHandle geoid = create({{"RTKMode", "3"}, {"Geoid", "cut.geo"}, {"VDatum", "Area"}}, "cut.ini");
    GeodesyHandle tss = create({{"RTKMode", "3"}, {"Geoid", "geoid30.geo"}, {"VDatum", "Cut"}}, "tss.ini");
    ASSERT_NE(geoid, nullptr);
    ASSERT_NE(tss, nullptr);
    std::filesystem::resize_file(suite.datum("cut.geo"), 96);
    std::filesystem::resize_file(cut + "/tss.gtx", 40);
    double value = -1;
    EXPECT_EQ(Undulation(geoid, lat, lon, &value), 0);
    EXPECT_EQ(GetGeodesyError(), 9);
    value = -1;
    EXPECT_EQ(DatumSeparation(tss, lat, lon, &value), 0);
    EXPECT_EQ(GetGeodesyError(), 14);
    EXPECT_EQ(value, -1.0);
}

TEST_F(Vertical, KtdTableInVerticalUnits) {
    // The point lies near (157 km, 4985 km) in metres; the table covers 0..1000 km east.
    const std::string table = writeKtd(suite.file("tide.ktd"), 10.0, 1.0e6, 1.0e7);
    GeodesyHandle metres = create({{"RTKMode", "2"}, {"Geoid", "geoid30.geo"}, {"KTDFile", table}});
    ASSERT_NE(metres, nullptr);
    double separation = 0, undulation = 0;
    ASSERT_EQ(DatumSeparation1(metres, lat, lon, &separation, &undulation), 1);
    EXPECT_NEAR(separation, 10.0 - 30.0, kMetreTolerance);
    EXPECT_NEAR(undulation, 30.0, kMetreTolerance);
    // East of the table but inside the geoid: 15, separation untouched, N given.
    separation = -1;
    undulation = 0;
    EXPECT_EQ(DatumSeparation1(metres, lat, 20 * kDegree, &separation, &undulation), 0);
    EXPECT_EQ(GetGeodesyError(), 15);
    EXPECT_EQ(separation, -1.0);
    EXPECT_NEAR(undulation, 30.0, kMetreTolerance);

    // In US survey feet the table's values are feet too.
    const std::string feet = writeKtd(suite.file("feet.ktd"), 10.0, 4.0e6, 4.0e7);
    GeodesyHandle survey = create({{"Unit", "0.3048006096"}, {"RTKMode", "1"}, {"KTDFile", feet}}, "feet.ini");
    ASSERT_NE(survey, nullptr);
    ASSERT_EQ(DatumSeparation1(survey, lat, lon, &separation, &undulation), 1);
    EXPECT_DOUBLE_EQ(separation, 10 * kSurveyFoot);
    EXPECT_EQ(undulation, 0.0);
}

TEST_F(Vertical, GridsThatCannotBeLoaded) {
    struct Case {
        const char* what;
        Keys keys;
        int code;
    } cases[] = {
        {"mode 1, missing KTD", {{"RTKMode", "1"}, {"KTDFile", "/nowhere/tide.ktd"}, {"VDatum", "Area"}}, 17},
        {"the same, legacy: mode 3 and the geoid first",
         {{"Ver", std::nullopt}, {"RTKMode", "1"}, {"KTDFile", "/nowhere/tide.ktd"}, {"VDatum", "Area"}},
         9},
        {"mode 2, missing geoid", {{"RTKMode", "2"}, {"Geoid", "none.geo"}}, 9},
        {"mode 4 without a geoid", {{"RTKMode", "4"}}, 9},
        {"mode 1, the KTD path is a folder", {{"RTKMode", "1"}, {"KTDFile", "/tmp"}}, 17},
        {"mode 1, a KTD table that does not parse", {{"RTKMode", "1"}, {"KTDFile", "<bad>"}}, 17},
    };
    writeFile(suite.file("bad.ktd"), "3 3 zero\n");
    for (Case& c : cases) {
        for (auto& key : c.keys)
            if (key.second == "<bad>") key.second = suite.file("bad.ktd");
        EXPECT_EQ(create(c.keys), nullptr) << c.what;
        EXPECT_EQ(GetGeodesyError(), c.code) << c.what;
    }
    // A legacy file with a geoid only is mode 4 whatever its RTKMode says.
    GeodesyHandle legacy = create({{"Ver", std::nullopt}, {"RTKMode", "1"}, {"Geoid", "geoid30.geo"}});
    ASSERT_NE(legacy, nullptr);
    ChartDatumParams p{};
    ASSERT_EQ(GetChartDatum(legacy, &p), 1);
    EXPECT_EQ(p.mode, 4);
}

TEST_F(Vertical, KtdFallsBackToTheLastProject) {
    suite.setLastProject("Harbour");
    const std::string table = writeKtd(suite.makeFolder("Projects/Harbour") + "/tide.ktd", 10.0, 1.0e6, 1.0e7);
    GeodesyHandle h = create({{"RTKMode", "1"}, {"KTDFile", "D:\\old\\tide.ktd"}, {"ZoneId", "7"}});
    ASSERT_NE(h, nullptr) << GetGeodesyError();
    char ktd[1024] = "";
    ChartDatumParams p{};
    p.ktdFile = ktd;
    ASSERT_EQ(GetChartDatum(h, &p), 1);
    EXPECT_EQ(p.mode, 1);
    EXPECT_EQ(std::string(ktd), table);
    // One replacement of the entry in its place; the next open, finding the table, rewrites nothing.
    const std::string text = readFile(suite.file("geo.ini"));
    EXPECT_NE(text.find("KTDFile=" + table + "\r\nZoneId=7\r\n"), std::string::npos);
    EXPECT_EQ(text.find("D:\\old"), std::string::npos);
    struct stat before{}, after{};
    ASSERT_EQ(stat(suite.file("geo.ini").c_str(), &before), 0);
    GeodesyHandle again = CreateFileGeodesy(suite.file("geo.ini").c_str(), nullptr);
    ASSERT_NE(again, nullptr);
    DestroyGeodesy(again);
    ASSERT_EQ(stat(suite.file("geo.ini").c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(readFile(suite.file("geo.ini")), text);
}

// The fallback may load a table whose path the host never set: a path that does not fit 256
// bytes is not cut into another path, nor stored in the file for the next open to take as the
// host's; the host's buffer is left untouched and the call gives code 1. Two opens of one file,
// into a buffer of exactly 256 bytes (the sanitizers see any byte beyond it).
TEST_F(Vertical, LongKtdPathIsNotWrittenPastTheBuffer) {
    const std::string folder = suite.makeFolder("Projects/" + std::string(150, 'h') + "/" + std::string(150, 'b'));
    suite.setLastProject(folder + "/Harbour.ini");
    const std::string table = writeKtd(folder + "/tide.ktd", 10.0, 1.0e6, 1.0e7);
    ASSERT_GT(table.size(), 255u);
    const std::string stored = parameterFile({{"RTKMode", "1"}, {"KTDFile", "D:\\old\\tide.ktd"}});
    writeFile(suite.file("geo.ini"), stored);
    auto ktd = std::make_unique<char[]>(256);
    for (int open = 0; open < 2; ++open) {
        GeodesyHandle h = CreateFileGeodesy(suite.file("geo.ini").c_str(), nullptr);
        ASSERT_NE(h, nullptr) << GetGeodesyError();
        handles.push_back(h);
        std::memset(ktd.get(), '#', 256);
        ChartDatumParams p{};
        p.ktdFile = ktd.get();
        EXPECT_EQ(GetChartDatum(h, &p), 0);
        EXPECT_EQ(GetGeodesyError(), 1);
        EXPECT_EQ(p.mode, 1);
        EXPECT_EQ(std::string(ktd.get(), 256), std::string(256, '#'));
        EXPECT_EQ(readFile(suite.file("geo.ini")), stored);
    }
    // A file that an earlier version left with the fallback's long path is the library's too.
    GeodesyHandle legacy = create({{"RTKMode", "1"}, {"KTDFile", table}}, "legacy.ini");
    ASSERT_NE(legacy, nullptr) << GetGeodesyError();
    ChartDatumParams p{};
    p.ktdFile = ktd.get();
    EXPECT_EQ(GetChartDatum(legacy, &p), 0);
    EXPECT_EQ(std::string(ktd.get(), 256), std::string(256, '#'));

    // A path as long that the host set itself, by SetChartDatum or by the file's key, comes back
    // whole: its buffer is as long as the longest path it set.
    const std::string own = writeKtd(suite.makeFolder("Tables/" + std::string(150, 't') + "/" + std::string(150, 'k')) +
                                         "/tide.ktd", 10.0, 1.0e6, 1.0e7);
    std::string set = own;
    ChartDatumParams mode1{};
    mode1.mode = 1;
    mode1.ktdFile = set.data();
    ASSERT_EQ(SetChartDatum(legacy, &mode1), 1) << GetGeodesyError();
    char whole[512];
    p.ktdFile = whole;
    ASSERT_EQ(GetChartDatum(legacy, &p), 1);
    EXPECT_EQ(std::string(whole), own);
    GeodesyHandle keyed = create({{"RTKMode", "1"}, {"KTDFile", own}}, "keyed.ini");
    ASSERT_NE(keyed, nullptr) << GetGeodesyError();
    std::memset(whole, '#', sizeof whole);
    ASSERT_EQ(GetChartDatum(keyed, &p), 1);
    EXPECT_EQ(std::string(whole), own);
}

TEST_F(Vertical, EmptyKtdValueSkipsTheFallback) {
    suite.setLastProject("Harbour");
    writeKtd(suite.makeFolder("Projects/Harbour") + "/.ktd", 10.0, 1.0e6, 1.0e7);
    const std::string before = parameterFile({{"RTKMode", "1"}, {"KTDFile", ""}});
    EXPECT_EQ(create({{"RTKMode", "1"}, {"KTDFile", ""}}), nullptr);
    EXPECT_EQ(GetGeodesyError(), 17);
    EXPECT_EQ(readFile(suite.file("geo.ini")), before);
}

TEST_F(Vertical, SetChartDatumDirectly) {
    GeodesyHandle h = create({});
    ASSERT_NE(h, nullptr);
    char geoid[] = "geoid30.geo";
    char missing[] = "/nowhere/tide.ktd";
    ChartDatumParams set{};
    set.mode = 2;
    set.geoidModel = geoid;
    set.orthoHCorr = 0.5;
    set.ktdFile = missing;
    EXPECT_EQ(SetChartDatum(h, &set), 0);
    EXPECT_EQ(GetGeodesyError(), 17);
    // The mode is 0; the geoid loaded before the failure stays.
    char name[256] = "", ktd[256] = "untouched";
    ChartDatumParams got{};
    got.geoidModel = name;
    got.ktdFile = ktd;
    got.chartDatum = -1;
    ASSERT_EQ(GetChartDatum(h, &got), 1);
    EXPECT_EQ(got.mode, 0);
    EXPECT_STREQ(name, "geoid30.geo");
    EXPECT_EQ(unpacked(got.orthoHCorr), 0.5);
    EXPECT_STREQ(ktd, "untouched");
    EXPECT_EQ(unpacked(got.chartDatum), 0.0);

    // A mode outside 0..5 is stored and reported, and gives no separation.
    set = ChartDatumParams{};
    set.mode = 7;
    ASSERT_EQ(SetChartDatum(h, &set), 1);
    got = ChartDatumParams{};
    ASSERT_EQ(GetChartDatum(h, &got), 1);
    EXPECT_EQ(got.mode, 7);
    double separation = -1, undulation = -1;
    EXPECT_EQ(DatumSeparation1(h, lat, lon, &separation, &undulation), 0);
    EXPECT_EQ(GetGeodesyError(), 15);
    EXPECT_EQ(separation, 0.0);
    EXPECT_EQ(undulation, 0.0);

    // Mode 4 takes the geoid path as it stands (here relative to nothing: not found).
    set.mode = 4;
    set.geoidModel = geoid;
    EXPECT_EQ(SetChartDatum(h, &set), 0);
    EXPECT_EQ(GetGeodesyError(), 9);

    // A second setting replaces the first whole: geoid and table of mode 2 are gone in mode 5.
    std::string table = writeKtd(suite.file("tide.ktd"), 10.0, 1.0e6, 1.0e7);
    set = ChartDatumParams{};
    set.mode = 2;
    set.geoidModel = geoid;
    set.orthoHCorr = 0.5;
    set.ktdFile = table.data();
    ASSERT_EQ(SetChartDatum(h, &set), 1) << GetGeodesyError();
    set = ChartDatumParams{};
    set.mode = 5;
    set.chartDatum = 3.0;
    ASSERT_EQ(SetChartDatum(h, &set), 1);
    auto expectModeFive = [&](const char* when) {
        std::strcpy(name, "untouched");
        std::strcpy(ktd, "untouched");
        got = ChartDatumParams{};
        got.geoidModel = name;
        got.ktdFile = ktd;
        got.orthoHCorr = -1;
        ASSERT_EQ(GetChartDatum(h, &got), 1) << when;
        EXPECT_EQ(got.mode, 5) << when;
        EXPECT_STREQ(name, "untouched") << when;
        EXPECT_STREQ(ktd, "untouched") << when;
        EXPECT_EQ(unpacked(got.orthoHCorr), -1.0) << when;
        EXPECT_EQ(unpacked(got.chartDatum), 3.0) << when;
    };
    expectModeFive("after the second setting");
    // A refused setting (a correction that is not a number) changes nothing.
    set = ChartDatumParams{};
    set.mode = 2;
    set.geoidModel = geoid;
    set.orthoHCorr = std::nan("");
    set.ktdFile = table.data();
    EXPECT_EQ(SetChartDatum(h, &set), 0);
    EXPECT_EQ(GetGeodesyError(), 9);
    expectModeFive("after a refused setting");
}

TEST(VerticalNoSuite, WithoutAProgramFolderNothingIsFound) {
    TempFolder folder;
    const char* saved = std::getenv("KVT_PELAGIX");
    std::string keep = saved ? saved : "";
    unsetenv("KVT_PELAGIX");
    resetProgramFolder();
    writeFile(folder.file("geo.ini"), parameterFile({{"RTKMode", "4"}, {"Geoid", "geoid30.geo"}}));
    EXPECT_EQ(CreateFileGeodesy(folder.file("geo.ini").c_str(), nullptr), nullptr);
    EXPECT_EQ(GetGeodesyError(), 9);
    // No database is looked for either: it cannot be opened.
    EXPECT_EQ(predefinedDatabasePath(), "");
    EpsgParams record{};
    record.size = sizeof record;
    EXPECT_EQ(GetEpsgParams(4326, &record), 0);
    EXPECT_EQ(GetGeodesyError(), 14);
    if (saved) setenv("KVT_PELAGIX", keep.c_str(), 1);
    resetProgramFolder();
}

TEST(DatumExports, NullHandleGivesCode2) {
    double a = 1, b = 2, c = 3;
    char buf[256] = "";
    EllDiffParams diff{};
    ChartDatumParams chart{};
    const std::vector<std::pair<const char*, std::function<int()>>> calls = {
        {"WGS84Conv", [&] { return WGS84Conv(nullptr, &a, &b, &c); }},
        {"InvWGS84Conv", [&] { return InvWGS84Conv(nullptr, &a, &b, &c); }},
        {"EllConv", [&] { return EllConv(nullptr, &a, &b, &c, 6378137.0, 0.0); }},
        {"InvEllConv", [&] { return InvEllConv(nullptr, &a, &b, &c, 6378137.0, 0.0); }},
        {"SetEllDiff", [&] { return SetEllDiff(nullptr, &diff); }},
        {"GetEllDiff", [&] { return GetEllDiff(nullptr, &diff); }},
        {"SetEllModel", [&] { return SetEllModel(nullptr, "x.gsb"); }},
        {"GetEllModel", [&] { return GetEllModel(nullptr, buf, sizeof buf); }},
        {"SetChartDatum", [&] { return SetChartDatum(nullptr, &chart); }},
        {"GetChartDatum", [&] { return GetChartDatum(nullptr, &chart); }},
        {"GetGeoid", [&] { return GetGeoid(nullptr, buf, sizeof buf, &a); }},
        {"GetVDatumModel", [&] { return GetVDatumModel(nullptr, buf, sizeof buf, buf); }},
        {"DatumSeparation1", [&] { return DatumSeparation1(nullptr, 0, 0, &a, &b); }},
        {"DatumSeparation", [&] { return DatumSeparation(nullptr, 0, 0, &a); }},
        {"Undulation", [&] { return Undulation(nullptr, 0, 0, &a); }},
    };
    for (const auto& [name, call] : calls) {
        IsValidModel(nullptr, 0.0, 0.0);  // leaves code 18
        EXPECT_EQ(call(), 0) << name;
        EXPECT_EQ(GetGeodesyError(), 2) << name;
    }
    EXPECT_EQ(a, 1.0);
    EXPECT_EQ(b, 2.0);
    EXPECT_EQ(c, 3.0);
    EXPECT_STREQ(buf, "");
}

}  // namespace
