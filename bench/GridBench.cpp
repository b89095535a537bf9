// Grid conversions as a host pays them, through the exported interface on geodesy objects made
// from parameter files, against PROJ 9 on the same grids in the same process: the NTv2 shift
// (WGS84Conv, InvWGS84Conv on BETA2007, inside the grid and 2 degrees outside it) against
// hgridshift, the geoid separation (DatumSeparation in mode 4, egm96_15 as a binary grid) against
// vgridshift and the VDatum separation (mode 3: that geoid and egm96_15.gtx as the tidal surface)
// against two vgridshifts. Points are scattered over the grid (every point in another cell) or
// follow a survey line (successive points about 5 m apart, mostly in the same cell).
//
// Then the figures of many handles on one grid, each taken in a child of the fresh process: the resident
// memory of 100 handles on one NTv2 file and on egm96_15 as VDatum grid and geoid, the descriptors
// that 1,000 handles hold, and how many handles open within a limit of 256 descriptors.
#include <dirent.h>
#include <malloc.h>
#include <proj.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/Contest.h"
#include "geodesy/Tellus.h"
#include "tools/GridFileWriter.h"

namespace {

constexpr int kPoints = 4096;
constexpr size_t kPointsPerHandle = 256;
const std::string kProjData = "/usr/share/proj/";

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

// The Swiss grid where proj-data has it, else the first other NTv2 file there.
std::string largeNtv2File() {
    namespace fs = std::filesystem;
    if (fs::exists(kProjData + "CHENYX06.gsb")) return "CHENYX06.gsb";
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(kProjData, ec))
        if (entry.path().extension() == ".gsb" && entry.path().filename() != "BETA2007.gsb")
            return entry.path().filename().string();
    return {};
}

// A suite folder in the temporary folder with the grids, and the parameter files of the handles.
struct Suite {
    std::string root, largeGrid = largeNtv2File();
    bool haveBeta = false, haveEgm = false, haveLarge = false;

    std::string ntv2File, largeFile, geoidFile, vdatumFile;

    std::string write(const std::string& name, const std::string& keys) {
        std::string path = root + "/" + name;
        std::ofstream(path, std::ios::binary)
            << "[Geodesy]\r\nVer=2001\r\nProjection=TME\r\nScaleFactor=0.9996\r\nCentralMeridian=9\r\n" << keys;
        return path;
    }

    Suite() {
        namespace fs = std::filesystem;
        root = (fs::temp_directory_path() / ("tellus_grid_bench." + std::to_string(getpid()))).string();
        fs::create_directories(root + "/datum/vdatum/AREA");
        setenv("KVT_PELAGIX", root.c_str(), 1);
        std::error_code ec;
        auto copy = [&](const std::string& from, const std::string& to) {
            return !from.empty() && fs::copy_file(kProjData + from, root + to, fs::copy_options::overwrite_existing, ec);
        };
        haveBeta = copy("BETA2007.gsb", "/datum/BETA2007.gsb");
        haveLarge = copy(largeGrid, "/datum/" + largeGrid);
        haveEgm = copy("egm96_15.gtx", "/datum/vdatum/AREA/tss.gtx");
        if (haveEgm)
            std::ofstream(root + "/datum/egm96.geo", std::ios::binary)
                << gtxAsBinaryGrid(readAll((kProjData + "egm96_15.gtx").c_str()));
        // GRS 1980, the grid's target: WGS 84 to local is the grid's forward shift.
        const std::string grs80 = "SemiMajorAxis=6378137\r\nFlattening=298.257222101\r\n";
        const std::string wgs84 = "SemiMajorAxis=6378137\r\nFlattening=298.257223563\r\n";
        ntv2File = write("ntv2.ini", grs80 + "DynDatum=BETA2007.gsb\r\n");
        largeFile = write("large.ini", grs80 + "DynDatum=" + largeGrid + "\r\n");
        geoidFile = write("geoid.ini", wgs84 + "RTKMode=4\r\nGeoid=egm96.geo\r\nChartDatum=0\r\n");
        vdatumFile = write("vdatum.ini", wgs84 + "RTKMode=3\r\nGeoid=egm96.geo\r\nVDatum=AREA\r\nVSurface=TSS\r\n");
    }
    ~Suite() { std::filesystem::remove_all(root); }
};

GeodesyHandle open(const std::string& file) { return CreateFileGeodesy(file.c_str(), nullptr); }

// ---- the figures of many handles ----

double residentMegabytes() {
    long pages = 0, resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(f);
    }
    return double(resident) * double(sysconf(_SC_PAGESIZE)) / 1e6;
}

int openDescriptors() {
    int n = 0;
    if (DIR* d = opendir("/proc/self/fd")) {
        while (dirent* e = readdir(d))
            if (e->d_name[0] != '.') ++n;
        closedir(d);
        --n;  // the listing's own
    }
    return n;
}

std::string format(const char* pattern, double a, double b = 0, double c = 0) {
    char line[256];
    std::snprintf(line, sizeof line, pattern, a, b, c);
    return line;
}

// Resident memory of one handle and of 100, each after its first conversions.
template <typename Convert>
std::string memoryOf(const std::string& what, const std::string& file, Convert convert) {
    std::vector<GeodesyHandle> handles;
    double before = residentMegabytes(), one = before;
    for (int k = 0; k < 100; ++k) {
        GeodesyHandle h = open(file);
        if (!h) return what + ": handle " + std::to_string(k + 1) + " failed with code " + std::to_string(GetGeodesyError());
        handles.push_back(h);
        if (!convert(h)) return what + ": the conversion failed with code " + std::to_string(GetGeodesyError());
        if (k == 0) one = residentMegabytes();
    }
    double hundred = residentMegabytes();
    for (GeodesyHandle h : handles) DestroyGeodesy(h);
    return what + format(": 100 handles %.1f MB resident, the first %.1f MB, each further %.2f MB", hundred - before,
                         one - before, (hundred - one) / 99);
}

// Descriptors held by 1,000 handles, and how many handles open while at most 256 may be open.
std::string descriptorsOf(const std::string& what, const std::string& file) {
    std::vector<GeodesyHandle> handles;
    int before = openDescriptors();
    for (int k = 0; k < 1000; ++k)
        if (GeodesyHandle h = open(file)) handles.push_back(h);
    int held = openDescriptors() - before;
    for (GeodesyHandle h : handles) DestroyGeodesy(h);
    std::string line = what + ": 1,000 handles hold " + std::to_string(held) + " descriptors (" +
                       std::to_string(handles.size()) + " opened)";
    handles.clear();

    rlimit low{256, 256};
    if (setrlimit(RLIMIT_NOFILE, &low) != 0) return line;
    int code = 0;
    for (int k = 0; k < 1000 && code == 0; ++k)
        if (GeodesyHandle h = open(file))
            handles.push_back(h);
        else
            code = GetGeodesyError();
    return line + "; with ulimit -n 256 " +
           (code ? std::to_string(handles.size()) + " open, then code " + std::to_string(code)
                 : std::string("all 1,000 open"));
}

// The line that `figure` makes in a child process, so that each figure starts from the same
// fresh heap and descriptor limit.
template <typename Figure>
void addFigure(Figure figure) {
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) return contest::addNote("no figure: pipe failed");
    std::fflush(nullptr);
    pid_t child = fork();
    if (child == 0) {
        close(pipeEnds[0]);
        std::string line = figure();
        ssize_t written = write(pipeEnds[1], line.data(), line.size());
        _exit(written == ssize_t(line.size()) ? 0 : 1);
    }
    close(pipeEnds[1]);
    std::string line;
    char buffer[512];
    for (ssize_t n; (n = read(pipeEnds[0], buffer, sizeof buffer)) > 0;) line.append(buffer, size_t(n));
    close(pipeEnds[0]);
    if (child > 0) waitpid(child, nullptr, 0);
    contest::addNote(line.empty() ? "no figure: the child failed" : line);
}

// The cold cost of a large grid in a fresh process: from the handle's creation to the first
// shifted point, for the library (CreateFileGeodesy, WGS84Conv) and for PROJ (proj_create of
// hgridshift, proj_trans).
std::string coldCostOf(const std::string& what, const std::string& file, const std::string& grid, double lat,
                       double lon) {
    using Clock = std::chrono::steady_clock;
    auto microseconds = [](Clock::duration d) { return std::chrono::duration<double, std::micro>(d).count(); };
    Clock::time_point start = Clock::now();
    GeodesyHandle h = CreateFileGeodesy(file.c_str(), nullptr);
    double la = lat, lo = lon;
    const bool ours = h && WGS84Conv(h, &la, &lo, nullptr);
    const double oursTime = microseconds(Clock::now() - start);
    DestroyGeodesy(h);
    start = Clock::now();
    PJ* pj = proj_create(nullptr, ("+proj=hgridshift +grids=" + kProjData + grid).c_str());
    const bool theirs = pj && proj_trans(pj, PJ_FWD, proj_coord(lon, lat, 0, 0)).xy.x != HUGE_VAL;
    const double theirTime = microseconds(Clock::now() - start);
    proj_destroy(pj);
    if (!ours || !theirs) return what + ", first point: not run (a first shift failed)";
    char line[256];
    std::snprintf(line, sizeof line, "%s, first point in a fresh process: ours %.0f us, PROJ %.0f us (ratio %.2f)",
                  what.c_str(), oursTime, theirTime, oursTime / theirTime);
    return line;
}

void addFigures(const Suite& suite, const contest::Points& swiss, const contest::Points& world) {
    if (suite.haveLarge) {
        addFigure([&] {
            return coldCostOf(suite.largeGrid + " (NTv2)", suite.largeFile, suite.largeGrid, swiss.lat[0],
                              swiss.lon[0]);
        });
        std::string what = suite.largeGrid + " (NTv2)";
        addFigure([&] {
            return memoryOf(what, suite.largeFile, [&](GeodesyHandle h) {
                double lat = swiss.lat[0], lon = swiss.lon[0];
                return WGS84Conv(h, &lat, &lon, nullptr) != 0;
            });
        });
        addFigure([&] { return descriptorsOf(what, suite.largeFile); });
    }
    if (suite.haveEgm) {
        std::string what = "egm96_15 as VDatum grid and geoid";
        addFigure([&] {
            return memoryOf(what + ", 256 points a handle", suite.vdatumFile, [&](GeodesyHandle h) {
                double s = 0;
                for (size_t i = 0; i < kPointsPerHandle; ++i)
                    if (!DatumSeparation(h, world.lat[i], world.lon[i], &s)) return false;
                return true;
            });
        });
        addFigure([&] { return descriptorsOf(what, suite.vdatumFile); });
    }
}

// ---- the rows ----

PJ_CONTEXT* projContext() {
    static PJ_CONTEXT* context = proj_context_create();
    return context;
}

// One library handle's conversion of the points beside PROJ's on the same grid. Lives as long as
// the program (the rows point into it).
struct GridMatch {
    GeodesyHandle handle;
    PJ* pj;
    contest::Points geo;
    std::vector<double> out1, out2;
    contest::ProjBatch proj;

    GridMatch(const std::string& file, const std::string& definition, contest::Points points, PJ_DIRECTION direction,
              bool heights)
        : handle(open(file)), pj(proj_create(projContext(), definition.c_str())), geo(std::move(points)),
          out1(geo.lat.size()), out2(geo.lat.size()), proj(pj, direction, geo.lon, geo.lat, heights) {}
};

using Shift = int(TELLUS_CALL*)(GeodesyHandle, double*, double*, double*);

void addRow(const std::string& name, GridMatch& m, contest::Contender ours) {
    if (!m.handle || !m.pj) {
        contest::addNote(name + ": not run (" + (m.handle ? "PROJ cannot use the grid" : "no handle") + ")");
        return;
    }
    contest::addRow(name, double(m.geo.lat.size()), std::move(ours), m.proj.contender());
}

void addShiftRow(const std::string& name, const Suite& suite, contest::Points points, Shift shift,
                 PJ_DIRECTION direction) {
    static std::vector<std::unique_ptr<GridMatch>> matches;
    if (!suite.haveBeta) return contest::addNote(name + ": not run (BETA2007.gsb is missing: install proj-data)");
    matches.push_back(std::make_unique<GridMatch>(suite.ntv2File, "+proj=hgridshift +grids=" + kProjData + "BETA2007.gsb",
                                                  std::move(points), direction, false));
    GridMatch& m = *matches.back();
    int failures = 0, refused = 0;
    for (size_t i = 0; m.handle && i < m.geo.lat.size(); ++i) {
        double lat = m.geo.lat[i], lon = m.geo.lon[i];
        failures += !shift(m.handle, &lat, &lon, nullptr);
    }
    if (m.pj) {
        m.proj.restore();
        m.proj.transform();
        for (double x : m.proj.x) refused += x == HUGE_VAL;
    }
    if (failures || refused)
        contest::addNote(name + ": " + std::to_string(failures) + " of the library's shifts and " +
                         std::to_string(refused) + " of PROJ's fail");
    addRow(name, m, {[&m, shift] {
               for (size_t i = 0; i < m.geo.lat.size(); ++i) {
                   double lat = m.geo.lat[i], lon = m.geo.lon[i];
                   shift(m.handle, &lat, &lon, nullptr);
                   m.out1[i] = lat;
                   m.out2[i] = lon;
               }
           }});
}

void addSeparationRow(const std::string& name, const Suite& suite, const std::string& file, int surfaces,
                      contest::Points points) {
    static std::vector<std::unique_ptr<GridMatch>> matches;
    if (!suite.haveEgm) return contest::addNote(name + ": not run (egm96_15.gtx is missing: install proj-data)");
    std::string vgrid = "+proj=vgridshift +grids=" + kProjData + "egm96_15.gtx";
    std::string definition = surfaces == 1 ? vgrid : "+proj=pipeline +step " + vgrid + " +step " + vgrid;
    matches.push_back(std::make_unique<GridMatch>(file, definition, std::move(points), PJ_FWD, true));
    GridMatch& m = *matches.back();
    addRow(name, m, {[&m] {
               for (size_t i = 0; i < m.geo.lat.size(); ++i) DatumSeparation(m.handle, m.geo.lat[i], m.geo.lon[i], &m.out1[i]);
           }});
}

}  // namespace

int main(int argc, char** argv) {
    // Large blocks always from the system and back to it when freed, so that resident memory
    // follows what the handles hold (glibc otherwise raises the threshold after a free).
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
    static Suite suite;
    using contest::scattered;
    using contest::track;
    // BETA2007 covers 47..55.3 N, 5.5..15.7 E.
    const contest::Points betaScattered = scattered(kPoints, 47.5, 55.0, 6.0, 15.0);
    const contest::Points betaTrack = track(kPoints, 50.0, 9.0, 5e-5);
    const contest::Points worldScattered = scattered(kPoints, -80, 80, -170, 170);
    const contest::Points worldTrack = track(kPoints, 45.0, 10.0, 5e-5);

    addFigures(suite, scattered(1, 46.8, 46.8, 8.2, 8.2), worldScattered);

    addShiftRow("NTv2 forward inside BETA2007, scattered", suite, betaScattered, WGS84Conv, PJ_FWD);
    addShiftRow("NTv2 forward inside BETA2007, track", suite, betaTrack, WGS84Conv, PJ_FWD);
    addShiftRow("NTv2 inverse inside BETA2007, scattered", suite, betaScattered, InvWGS84Conv, PJ_INV);
    addShiftRow("NTv2 inverse inside BETA2007, track", suite, betaTrack, InvWGS84Conv, PJ_INV);
    addShiftRow("NTv2 forward 2 deg outside BETA2007 (45 N)", suite, scattered(kPoints, 45, 45, 6, 15), WGS84Conv,
                PJ_FWD);
    addSeparationRow("geoid egm96 vs vgridshift, scattered", suite, suite.geoidFile, 1, worldScattered);
    addSeparationRow("geoid egm96 vs vgridshift, track", suite, suite.geoidFile, 1, worldTrack);
    addSeparationRow("VDatum vs two vgridshifts, scattered", suite, suite.vdatumFile, 2, worldScattered);
    addSeparationRow("VDatum vs two vgridshifts, track", suite, suite.vdatumFile, 2, worldTrack);
    contest::addNote("geoid and VDatum rows: like work, not like values. The library joins the four nodes with "
                     "its smoothstep weights, vgridshift bilinearly; on egm96_15 the two differ by up to 0.94 m "
                     "at quarter-cell points");
    return contest::run(argc, argv, "Grid conversions, 4096 points a run");
}
