// Every grid reader as a host reaches it: the input's first byte picks a grid kind, the rest is
// written as that grid's file, and a geodesy parameter file naming it goes to CreateFileGeodesy;
// then conversions and separations run at points in and around the grid. Kinds: 0 binary shift
// grid ("DynDatum", .lls), 1 NTv2 ("DynDatum", .gsb), 2 binary geoid ("Geoid", mode 4), 3 GTX
// (the tidal surface of a VDatum area, mode 3), 4 KTD table ("KTDFile", mode 1). The sanitizers
// are the judge: nothing may read outside a file's data or crash, whatever the file holds.
#include <cstdint>
#include <filesystem>
#include <iterator>
#include <string>

#include "common/Platform.h"
#include "geodesy/Tellus.h"
#include "tests/TestSupport.h"
#include "tools/GridFileWriter.h"

namespace {

constexpr double kDeg = 3.141592653589793 / 180;
// Where each kind's file goes in the suite folder, and the keys that name it.
struct GridKind {
    const char* file;
    const char* keys;
    const char* fullPathKey;  // a key that takes the file's full path, or null
};
const GridKind kKinds[] = {
    {"datum/grid.lls", "DynDatum=grid.lls\r\n", nullptr},
    {"datum/grid.gsb", "DynDatum=grid.gsb\r\n", nullptr},
    {"datum/geoid.geo", "RTKMode=4\r\nGeoid=geoid.geo\r\nChartDatum=1.5\r\n", nullptr},
    {"datum/vdatum/AREA/tss.gtx", "RTKMode=3\r\nGeoid=base.geo\r\nVDatum=AREA\r\nVSurface=TSS\r\n", nullptr},
    {"table.ktd", "RTKMode=1\r\n", "KTDFile"},
};

// A suite folder of the run's own, with a valid geoid of zeros for the VDatum kind: 2 rows of
// 24 nodes from (-1, -1) at 5 and 1 degrees.
struct Suite {
    TempFolder folder;
    const std::string& root = folder.path();
    Suite() {
        std::filesystem::create_directories(root + "/datum/vdatum/AREA");
        platform::setEnvironment("KVT_PELAGIX", root.c_str());
        gridwriter::BinGrid geoid;
        geoid.rows = 2;
        geoid.west = -1;
        geoid.south = -1;
        geoid.latSpacing = 5;
        geoid.nodes.assign(size_t(geoid.rows) * size_t(geoid.columns), 0.0f);
        writeFile(root + "/datum/base.geo", gridwriter::binGridBytes(geoid));
    }
};

Suite& suite() {
    static Suite s;
    return s;
}

// Points in and around the seeds' grids (0..3 degrees), on their edges, and far away.
const double kPoints[][2] = {
    {0, 0},     {0.5, 0.5}, {1, 1},     {0.25, 2.5}, {2, 3},     {-0.5, 0.5}, {0.5, -0.5}, {1.125, 1.125},
    {3.5, 3.5}, {1, 0},     {0, 1},     {2.9, 0.1},  {45, 10},   {-60, -170}, {89.9, 179.9}, {-89.9, -179.9},
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    Suite& s = suite();
    const GridKind& kind = kKinds[data[0] % std::size(kKinds)];
    writeFile(s.root + "/" + kind.file, std::string(reinterpret_cast<const char*>(data) + 1, size - 1));
    std::string keys = kind.keys;
    if (kind.fullPathKey) keys += std::string(kind.fullPathKey) + "=" + s.root + "/" + kind.file + "\r\n";
    const std::string ini = s.root + "/geo.ini";
    writeFile(ini, "[Geodesy]\r\nVer=2001\r\nProjection=TME\r\nSemiMajorAxis=6378137\r\n"
                      "Flattening=298.257223563\r\nScaleFactor=0.9996\r\nCentralMeridian=1\r\n" + keys);
    GeodesyHandle h = CreateFileGeodesy(ini.c_str(), nullptr);
    if (!h) return 0;
    for (const auto& point : kPoints) {
        double lat = point[0] * kDeg, lon = point[1] * kDeg, hgt = 0;
        WGS84Conv(h, &lat, &lon, &hgt);
        InvWGS84Conv(h, &lat, &lon, &hgt);
        double separation = 0, undulation = 0;
        DatumSeparation1(h, point[0] * kDeg, point[1] * kDeg, &separation, &undulation);
    }
    DestroyGeodesy(h);
    return 0;
}
