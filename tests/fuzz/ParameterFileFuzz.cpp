// Geodesy parameter files through CreateFileGeodesy: whatever the file holds, creation either
// fails with a code or gives a coordinate system whose every successful conversion is a finite
// number. The suite folder holds a geoid, a VDatum area with a surface, a datum-shift grid and a
// KTD table, so that the vertical modes and the datum keys reach their grids.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <string>

#include "geodesy/Tellus.h"
#include "tests/TestSupport.h"
#include "tools/GridFileWriter.h"

namespace {

namespace fs = std::filesystem;

void write(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    writeFile(path.string(), bytes);
}

// A suite folder of the run's own, made once and removed at exit; KVT_PELAGIX points at it.
const fs::path& suite() {
    static TempFolder temp;
    static const fs::path folder = [] {
        fs::path root(temp.path());
        gridwriter::BinGrid geoid;
        geoid.rows = 10;
        geoid.south = 40;
        geoid.nodes.assign(size_t(geoid.rows) * size_t(geoid.columns), 30.0f);
        write(root / "datum/geoid.geo", gridwriter::binGridBytes(geoid));
        gridwriter::BinGrid shift = geoid;
        shift.values = 3;
        shift.nodes.clear();
        for (int node = 0; node < shift.rows * shift.columns; ++node) shift.nodes.insert(shift.nodes.end(), {-87.0f, -98.0f, -121.0f});
        write(root / "datum/shift.lls", gridwriter::binGridBytes(shift));
        gridwriter::GtxGrid surface;
        surface.south = 40;
        surface.rows = 10;
        surface.columns = 24;
        surface.nodes.assign(240, 1.25f);
        write(root / "datum/vdatum/Area/tss.gtx", gridwriter::gtxBytes(surface));
        write(root / "datum/vdatum/Area/MLLW.gtx", gridwriter::gtxBytes(surface));
        write(root / "Projects/Bay/tide.ktd", "3 3\n0 0 1000000 10000000\n10\n10\n10\n10\n10\n10\n10\n10\n10\n");
        write(root / "pelagix.ini", "[General]\r\nLastProject=Bay\r\n");
        write(root / "pelagix", "");
        setenv("KVT_PELAGIX", root.c_str(), 1);
        return root;
    }();
    return folder;
}

// A failed check aborts; the driver keeps the input that did it.
void require(bool condition) {
    if (!condition) std::abort();
}

// Every output of a successful call is finite.
void finite(int ok, std::initializer_list<double> values) {
    if (!ok) return;
    for (double v : values) require(std::isfinite(v));
}

void exercise(GeodesyHandle h) {
    constexpr double kDegree = 3.141592653589793 / 180;
    const double points[][2] = {{45 * kDegree, 5 * kDegree}, {0, 0}, {-33 * kDegree, 151 * kDegree}, {89 * kDegree, -179 * kDegree}};
    for (const auto& p : points) {
        double x = 0, y = 0, lat = 0, lon = 0, hgt = 0, value = 0, other = 0;
        finite(GeoXY(h, &x, &y, p[0], p[1]), {x, y});
        if (GetGeodesyError() == 0) finite(XYGeo(h, x, y, &lat, &lon), {lat, lon});
        lat = p[0], lon = p[1], hgt = 10;
        finite(WGS84Conv(h, &lat, &lon, &hgt), {lat, lon, hgt});
        lat = p[0], lon = p[1], hgt = 10;
        finite(InvWGS84Conv(h, &lat, &lon, &hgt), {lat, lon, hgt});
        finite(DatumSeparation1(h, p[0], p[1], &value, &other), {value, other});
        finite(Convergence(h, p[0], p[1], &value), {value});
        double distance = GCircLL(h, p[0], p[1], 0.1, 0.1, &value);
        require(GetGeodesyError() != 0 || std::isfinite(distance));
    }
    double v = 1;
    finite(HConvert(h, &v, 1), {v});
    v = 1;
    finite(VConvert(h, &v, 0), {v});
    char ktd[256];
    ChartDatumParams chart{};
    chart.ktdFile = ktd;
    if (GetChartDatum(h, &chart)) finite(1, {chart.chartDatum});
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string file = (suite() / "geo.ini").string();
    write(file, std::string(reinterpret_cast<const char*>(data), size));
    GeodesyHandle h = CreateFileGeodesy(file.c_str(), nullptr);
    require((h != nullptr) == (GetGeodesyError() == 0));
    if (h) {
        exercise(h);
        require(DestroyGeodesy(h) == 1);
    }
    return 0;
}
