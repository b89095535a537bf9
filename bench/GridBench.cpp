// Nanoseconds per point of the grid files: an NTv2 forward shift (BETA2007, loaded and read on
// demand), a GTX lookup (egm96_15) and a binary-grid lookup. Points are scattered over the grid
// ("scattered": every point in another cell) or follow a survey line ("track": successive points
// a few metres apart, mostly in the same cell).
#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <vector>

#include "common/Platform.h"
#include "geodesy/grids/BinFile.h"
#include "geodesy/grids/GtxFile.h"
#include "geodesy/grids/Ntv2Reader.h"
#include "geodesy/grids/Ntv2Shift.h"
#include "tests/geodesy/grids/GridFileWriter.h"

namespace {

constexpr double kDeg = 3.141592653589793 / 180;
constexpr size_t kPoints = 4096;
// A survey line: about 5 m a step.
constexpr double kTrackStepDegrees = 5e-5;

struct Point {
    double lat, lon;  // degrees
};

std::vector<Point> scattered(double south, double north, double west, double east) {
    std::mt19937_64 random(42);
    std::uniform_real_distribution<double> lat(south, north), lon(west, east);
    std::vector<Point> points(kPoints);
    for (Point& p : points) p = {lat(random), lon(random)};
    return points;
}

std::vector<Point> track(double lat, double lon) {
    std::vector<Point> points(kPoints);
    for (size_t i = 0; i < kPoints; ++i) points[i] = {lat + i * kTrackStepDegrees, lon + i * kTrackStepDegrees};
    return points;
}

const char* kBeta = "/usr/share/proj/BETA2007.gsb";
const char* kEgm = "/usr/share/proj/egm96_15.gtx";

void ntv2Forward(benchmark::State& state, bool load) {
    int error = -1;
    ntv2_handle* h = platform::isRegularFile(kBeta) ? ntv2_open(kBeta, false, load, nullptr, &error) : nullptr;
    if (!h || error != 0) {
        state.SkipWithError("BETA2007.gsb is missing: install Debian's proj-data");
        ntv2_close(h);
        return;
    }
    std::vector<Point> points = scattered(47.5, 55.0, 6.0, 15.0);
    size_t i = 0;
    for (auto _ : state) {
        const Point& p = points[i++ % kPoints];
        double xy[2] = {p.lon, p.lat};
        benchmark::DoNotOptimize(ntv2_forward(h, 1.0, 1, xy));
        benchmark::DoNotOptimize(xy);
    }
    state.SetItemsProcessed(int64_t(state.iterations()));
    ntv2_close(h);
}

void BM_Ntv2ForwardLoaded(benchmark::State& state) { ntv2Forward(state, true); }
void BM_Ntv2ForwardOnDemand(benchmark::State& state) { ntv2Forward(state, false); }

void lookupLoop(benchmark::State& state, InterpFile& grid, const std::vector<Point>& points) {
    size_t i = 0;
    double values[3];
    for (auto _ : state) {
        const Point& p = points[i++ % kPoints];
        int count = 0;
        benchmark::DoNotOptimize(grid.Lookup(p.lat * kDeg, p.lon * kDeg, &count, values).release());
        benchmark::DoNotOptimize(values);
    }
    state.SetItemsProcessed(int64_t(state.iterations()));
}

void gtxLookup(benchmark::State& state, const std::vector<Point>& points) {
    if (!platform::isRegularFile(kEgm)) {
        state.SkipWithError("egm96_15.gtx is missing: install Debian's proj-data");
        return;
    }
    GtxFile gtx(kEgm);
    lookupLoop(state, gtx, points);
}

void BM_GtxLookupScattered(benchmark::State& state) { gtxLookup(state, scattered(-80, 80, -170, 170)); }
void BM_GtxLookupTrack(benchmark::State& state) { gtxLookup(state, track(45.0, 10.0)); }

// A geoid-sized binary grid (1 degree spacing over the globe would be too coarse to show the
// row cache; 2' over 10 x 10 degrees), written once to the temporary folder.
std::string binaryGrid() {
    static std::string path = [] {
        gridwriter::BinGrid grid;
        grid.columns = grid.rows = 301;
        grid.lonSpacing = grid.latSpacing = 2.0f / 60;
        grid.west = 0;
        grid.south = 40;
        std::string file = (std::filesystem::temp_directory_path() / "tellus_bench_grid.geo").string();
        std::ofstream(file, std::ios::binary) << gridwriter::binGridBytes(grid);
        return file;
    }();
    return path;
}

void binLookup(benchmark::State& state, const std::vector<Point>& points) {
    BinFile bin(binaryGrid().c_str(), false);
    lookupLoop(state, bin, points);
}

void BM_BinGridLookupScattered(benchmark::State& state) { binLookup(state, scattered(40.1, 49.9, 0.1, 9.9)); }
void BM_BinGridLookupTrack(benchmark::State& state) { binLookup(state, track(45.0, 5.0)); }

}  // namespace

BENCHMARK(BM_Ntv2ForwardLoaded);
BENCHMARK(BM_Ntv2ForwardOnDemand);
BENCHMARK(BM_GtxLookupScattered);
BENCHMARK(BM_GtxLookupTrack);
BENCHMARK(BM_BinGridLookupScattered);
BENCHMARK(BM_BinGridLookupTrack);

BENCHMARK_MAIN();
