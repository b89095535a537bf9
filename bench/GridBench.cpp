// Grid conversions as a host pays them, through the exported interface on a geodesy object made
// from a parameter file: the NTv2 shift (WGS84Conv, InvWGS84Conv on BETA2007), the geoid
// separation (DatumSeparation in mode 4, egm96_15 as a binary grid) and the VDatum separation
// (mode 3: that geoid and egm96_15.gtx as the tidal surface). Where libproj is installed the same
// points go through PROJ (hgridshift, vgridshift on the same grids) in the same run; compare the
// "per_point" columns of the pairs.
//
// Points are scattered over the grid ("Scattered": every point in another cell) or follow a survey
// line ("Track": successive points about 5 m apart, mostly in the same cell).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <cstdio>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "geodesy/Tellus.h"
#include "tests/geodesy/grids/GridFileWriter.h"

#if TELLUS_WITH_PROJ
#include <proj.h>
#endif

namespace {

constexpr double kDeg = 3.141592653589793 / 180;
constexpr int kPoints = 4096;
constexpr double kTrackStepDegrees = 5e-5;

const char* const kBeta = "/usr/share/proj/BETA2007.gsb";
const char* const kEgm = "/usr/share/proj/egm96_15.gtx";

struct Point {
    double lat, lon;  // radians
};
using Points = std::vector<Point>;

Points scattered(double south, double north, double west, double east) {
    std::mt19937_64 random(42);
    std::uniform_real_distribution<double> lat(south, north), lon(west, east);
    Points points(kPoints);
    for (Point& p : points) p = {lat(random) * kDeg, lon(random) * kDeg};
    return points;
}

Points track(double lat, double lon) {
    Points points(kPoints);
    for (int i = 0; i < kPoints; ++i)
        points[size_t(i)] = {(lat + i * kTrackStepDegrees) * kDeg, (lon + i * kTrackStepDegrees) * kDeg};
    return points;
}

// BETA2007 covers 47..55.3 N, 5.5..15.7 E.
const Points& betaScattered() {
    static const Points p = scattered(47.5, 55.0, 6.0, 15.0);
    return p;
}
const Points& betaTrack() {
    static const Points p = track(50.0, 9.0);
    return p;
}
const Points& worldScattered() {
    static const Points p = scattered(-80, 80, -170, 170);
    return p;
}
const Points& worldTrack() {
    static const Points p = track(45.0, 10.0);
    return p;
}

std::string readAll(const char* path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

uint32_t bigEndianWord(const std::string& bytes, size_t at) {
    uint32_t w = 0;
    for (int k = 0; k < 4; ++k) w = (w << 8) | uint8_t(bytes[at + size_t(k)]);
    return w;
}

double bigEndianDouble(const std::string& bytes, size_t at) {
    uint64_t w = (uint64_t(bigEndianWord(bytes, at)) << 32) | bigEndianWord(bytes, at + 4);
    double d;
    std::memcpy(&d, &w, sizeof d);
    return d;
}

// The nodes of a GTX grid in the binary grid layout (the geoid reader's format).
std::string gtxAsBinaryGrid(const std::string& gtx) {
    gridwriter::BinGrid grid;
    grid.south = float(bigEndianDouble(gtx, 0));
    double west = bigEndianDouble(gtx, 8);
    grid.west = float(west > 180 ? west - 360 : west);
    grid.latSpacing = float(bigEndianDouble(gtx, 16));
    grid.lonSpacing = float(bigEndianDouble(gtx, 24));
    grid.rows = int32_t(bigEndianWord(gtx, 32));
    grid.columns = int32_t(bigEndianWord(gtx, 36));
    grid.nodes.resize(size_t(grid.rows) * size_t(grid.columns));
    for (size_t k = 0; k < grid.nodes.size(); ++k) {
        uint32_t w = bigEndianWord(gtx, 40 + 4 * k);
        std::memcpy(&grid.nodes[k], &w, 4);
    }
    return gridwriter::binGridBytes(grid);
}

// A suite folder in the temporary folder with the grids, and the three geodesy objects.
struct Suite {
    std::string root;
    GeodesyHandle ntv2 = nullptr, geoid = nullptr, vdatum = nullptr;
    bool haveBeta = false, haveEgm = false;

    GeodesyHandle create(const std::string& name, const std::string& keys) {
        std::string path = root + "/" + name;
        std::ofstream(path, std::ios::binary)
            << "[Geodesy]\r\nVer=2001\r\nProjection=TME\r\nScaleFactor=0.9996\r\nCentralMeridian=9\r\n" << keys;
        return CreateFileGeodesy(path.c_str(), nullptr);
    }

    Suite() {
        namespace fs = std::filesystem;
        root = (fs::temp_directory_path() / "tellus_grid_bench").string();
        fs::create_directories(root + "/datum/vdatum/AREA");
        setenv("KVT_PELAGIX", root.c_str(), 1);
        std::error_code ec;
        haveBeta = fs::copy_file(kBeta, root + "/datum/BETA2007.gsb", fs::copy_options::overwrite_existing, ec);
        haveEgm = fs::copy_file(kEgm, root + "/datum/vdatum/AREA/tss.gtx", fs::copy_options::overwrite_existing, ec);
        if (haveEgm) std::ofstream(root + "/datum/egm96.geo", std::ios::binary) << gtxAsBinaryGrid(readAll(kEgm));
        // GRS 1980, the grid's target: WGS 84 to local is the grid's forward shift.
        if (haveBeta)
            ntv2 = create("ntv2.ini", "SemiMajorAxis=6378137\r\nFlattening=298.257222101\r\nDynDatum=BETA2007.gsb\r\n");
        const std::string wgs84 = "SemiMajorAxis=6378137\r\nFlattening=298.257223563\r\n";
        if (haveEgm) {
            geoid = create("geoid.ini", wgs84 + "RTKMode=4\r\nGeoid=egm96.geo\r\nChartDatum=0\r\n");
            vdatum = create("vdatum.ini", wgs84 + "RTKMode=3\r\nGeoid=egm96.geo\r\nVDatum=AREA\r\nVSurface=TSS\r\n");
        }
    }
    ~Suite() {
        DestroyGeodesy(ntv2);
        DestroyGeodesy(geoid);
        DestroyGeodesy(vdatum);
    }
};

Suite& suite() {
    static Suite s;
    return s;
}

void perPoint(benchmark::State& state) {
    state.counters["per_point"] = benchmark::Counter(double(state.iterations()),
                                                     benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// ---- the library ----

template <typename Convert>
void ntv2(benchmark::State& state, const Points& points, Convert convert) {
    GeodesyHandle h = suite().ntv2;
    if (!h) return state.SkipWithError("BETA2007.gsb is missing: install Debian's proj-data");
    size_t i = 0;
    for (auto _ : state) {
        Point p = points[i++ % points.size()];
        benchmark::DoNotOptimize(convert(h, &p.lat, &p.lon, nullptr));
        benchmark::DoNotOptimize(p);
    }
    perPoint(state);
}

void separation(benchmark::State& state, GeodesyHandle h, const Points& points) {
    if (!h) return state.SkipWithError("egm96_15.gtx is missing: install Debian's proj-data");
    size_t i = 0;
    for (auto _ : state) {
        const Point& p = points[i++ % points.size()];
        double s = 0;
        benchmark::DoNotOptimize(DatumSeparation(h, p.lat, p.lon, &s));
        benchmark::DoNotOptimize(s);
    }
    perPoint(state);
}

void BM_Ntv2ForwardScattered(benchmark::State& s) { ntv2(s, betaScattered(), WGS84Conv); }
void BM_Ntv2ForwardTrack(benchmark::State& s) { ntv2(s, betaTrack(), WGS84Conv); }
void BM_Ntv2InverseScattered(benchmark::State& s) { ntv2(s, betaScattered(), InvWGS84Conv); }
void BM_Ntv2InverseTrack(benchmark::State& s) { ntv2(s, betaTrack(), InvWGS84Conv); }
void BM_GeoidScattered(benchmark::State& s) { separation(s, suite().geoid, worldScattered()); }
void BM_GeoidTrack(benchmark::State& s) { separation(s, suite().geoid, worldTrack()); }
void BM_VDatumScattered(benchmark::State& s) { separation(s, suite().vdatum, worldScattered()); }
void BM_VDatumTrack(benchmark::State& s) { separation(s, suite().vdatum, worldTrack()); }

BENCHMARK(BM_Ntv2ForwardScattered);
BENCHMARK(BM_Ntv2ForwardTrack);
BENCHMARK(BM_Ntv2InverseScattered);
BENCHMARK(BM_Ntv2InverseTrack);
BENCHMARK(BM_GeoidScattered);
BENCHMARK(BM_GeoidTrack);
BENCHMARK(BM_VDatumScattered);
BENCHMARK(BM_VDatumTrack);

// ---- PROJ on the same points ----

#if TELLUS_WITH_PROJ
struct Proj {
    PJ_CONTEXT* context = proj_context_create();
    PJ* p = nullptr;
    explicit Proj(const std::string& definition) { p = proj_create(context, definition.c_str()); }
    ~Proj() {
        proj_destroy(p);
        proj_context_destroy(context);
    }
};

void projLoop(benchmark::State& state, const std::string& definition, const Points& points, PJ_DIRECTION direction) {
    Proj proj(definition);
    if (!proj.p) return state.SkipWithError("PROJ cannot use the grid");
    size_t i = 0;
    for (auto _ : state) {
        const Point& p = points[i++ % points.size()];
        PJ_COORD c = proj_coord(p.lon, p.lat, 0, 0);
        benchmark::DoNotOptimize(proj_trans(proj.p, direction, c));
    }
    perPoint(state);
}

const std::string kHgrid = std::string("+proj=hgridshift +grids=") + kBeta;
const std::string kVgrid = std::string("+proj=vgridshift +grids=") + kEgm;
const std::string kTwoVgrids = "+proj=pipeline +step " + kVgrid + " +step " + kVgrid;

void BM_ProjHgridshiftForwardScattered(benchmark::State& s) { projLoop(s, kHgrid, betaScattered(), PJ_FWD); }
void BM_ProjHgridshiftForwardTrack(benchmark::State& s) { projLoop(s, kHgrid, betaTrack(), PJ_FWD); }
void BM_ProjHgridshiftInverseScattered(benchmark::State& s) { projLoop(s, kHgrid, betaScattered(), PJ_INV); }
void BM_ProjHgridshiftInverseTrack(benchmark::State& s) { projLoop(s, kHgrid, betaTrack(), PJ_INV); }
void BM_ProjVgridshiftScattered(benchmark::State& s) { projLoop(s, kVgrid, worldScattered(), PJ_FWD); }
void BM_ProjVgridshiftTrack(benchmark::State& s) { projLoop(s, kVgrid, worldTrack(), PJ_FWD); }
void BM_ProjTwoVgridshiftsScattered(benchmark::State& s) { projLoop(s, kTwoVgrids, worldScattered(), PJ_FWD); }
void BM_ProjTwoVgridshiftsTrack(benchmark::State& s) { projLoop(s, kTwoVgrids, worldTrack(), PJ_FWD); }

BENCHMARK(BM_ProjHgridshiftForwardScattered);
BENCHMARK(BM_ProjHgridshiftForwardTrack);
BENCHMARK(BM_ProjHgridshiftInverseScattered);
BENCHMARK(BM_ProjHgridshiftInverseTrack);
BENCHMARK(BM_ProjVgridshiftScattered);
BENCHMARK(BM_ProjVgridshiftTrack);
BENCHMARK(BM_ProjTwoVgridshiftsScattered);
BENCHMARK(BM_ProjTwoVgridshiftsTrack);
#endif

// Prints the table as usual, then each library operation's time per point against PROJ's (the
// ratio: below 1 the library is faster).
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs)
            if (!run.error_occurred && run.iterations > 0)
                seconds[run.benchmark_name()] = run.real_accumulated_time / double(run.iterations);
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        const char* const pairs[][2] = {
            {"BM_Ntv2ForwardScattered", "BM_ProjHgridshiftForwardScattered"},
            {"BM_Ntv2ForwardTrack", "BM_ProjHgridshiftForwardTrack"},
            {"BM_Ntv2InverseScattered", "BM_ProjHgridshiftInverseScattered"},
            {"BM_Ntv2InverseTrack", "BM_ProjHgridshiftInverseTrack"},
            {"BM_GeoidScattered", "BM_ProjVgridshiftScattered"},
            {"BM_GeoidTrack", "BM_ProjVgridshiftTrack"},
            {"BM_VDatumScattered", "BM_ProjTwoVgridshiftsScattered"},
            {"BM_VDatumTrack", "BM_ProjTwoVgridshiftsTrack"},
        };
        std::printf("\n%-26s %12s %12s %8s\n", "operation", "library ns", "PROJ ns", "ratio");
        for (const auto& pair : pairs) {
            auto ours = seconds.find(pair[0]), theirs = seconds.find(pair[1]);
            if (ours == seconds.end() || theirs == seconds.end()) continue;
            std::printf("%-26s %12.1f %12.1f %8.2f\n", pair[0] + 3, ours->second * 1e9, theirs->second * 1e9,
                        ours->second / theirs->second);
        }
    }

private:
    std::map<std::string, double> seconds;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
