// Cuts a box out of a GTX geoid (such as proj-data's egm96_15.gtx) and writes it as a binary
// geoid model of the suite (".geo"), the format the "Geoid" key of a parameter file names.
//
//   make_geoid <in.gtx> <out.geo> <south> <west> <north> <east>
//
// The box is in degrees (west negative) and its corners must be nodes of the GTX grid. The
// output holds one value per node, the geoid height over WGS 84 (the writer's default
// ellipsoid) in metres, as the GTX gives it. Numbers are read independently of the locale.
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>

#include "tools/GridFileWriter.h"
#include "tools/ToolArgument.h"

using toolargument::parse;

namespace {

constexpr size_t kGtxHeaderBytes = 40;
constexpr size_t kGeoHeaderBytes = 96;
constexpr double kDegreesPerTurn = 360.0;
// A box corner may miss a node by this much of a spacing (decimal text of the box).
constexpr double kNodeTolerance = 1e-6;

template <typename T>
T bigEndian(const std::string& bytes, size_t offset) {
    unsigned char b[sizeof(T)];
    for (size_t i = 0; i < sizeof(T); ++i) b[i] = static_cast<unsigned char>(bytes[offset + sizeof(T) - 1 - i]);
    T value;
    std::memcpy(&value, b, sizeof(T));
    return value;
}

// Index of `value` on the axis first + i x spacing; -1 when it is not a node.
long nodeIndex(double value, double first, double spacing) {
    const double i = (value - first) / spacing;
    const double whole = std::round(i);
    return std::fabs(i - whole) <= kNodeTolerance ? long(whole) : -1;
}

}  // namespace

int main(int argc, char** argv) {
    double south, west, north, east;
    if (argc != 7 || !parse(argv[3], south) || !parse(argv[4], west) || !parse(argv[5], north) ||
        !parse(argv[6], east) || !(south < north) || !(west < east)) {
        std::fprintf(stderr, "usage: make_geoid in.gtx out.geo south west north east\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    const std::string gtx((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (gtx.size() < kGtxHeaderBytes) {
        std::fprintf(stderr, "make_geoid: %s is no GTX grid\n", argv[1]);
        return 1;
    }
    const double gtxSouth = bigEndian<double>(gtx, 0), gtxWest = bigEndian<double>(gtx, 8);
    const double latSpacing = bigEndian<double>(gtx, 16), lonSpacing = bigEndian<double>(gtx, 24);
    const int32_t gtxRows = bigEndian<int32_t>(gtx, 32), gtxColumns = bigEndian<int32_t>(gtx, 36);
    if (gtxRows < 1 || gtxColumns < 1 || !(latSpacing > 0) || !(lonSpacing > 0) ||
        gtx.size() < kGtxHeaderBytes + 4 * size_t(gtxRows) * size_t(gtxColumns)) {
        std::fprintf(stderr, "make_geoid: bad GTX header in %s\n", argv[1]);
        return 1;
    }
    // A global grid wraps: the box's west is counted from the grid's west, a turn at most.
    const bool global = std::fabs(gtxColumns * lonSpacing - kDegreesPerTurn) <= kNodeTolerance * lonSpacing;
    double westFromGrid = west;
    while (global && westFromGrid < gtxWest) westFromGrid += kDegreesPerTurn;
    const long row0 = nodeIndex(south, gtxSouth, latSpacing), row1 = nodeIndex(north, gtxSouth, latSpacing);
    const long col0 = nodeIndex(westFromGrid, gtxWest, lonSpacing);
    const long columns = col0 < 0 ? -1 : nodeIndex(east, west, lonSpacing) + 1;
    if (row0 < 0 || row1 >= gtxRows || col0 < 0 || columns < 2 || (!global && col0 + columns > gtxColumns)) {
        std::fprintf(stderr, "make_geoid: the box is not made of nodes inside the grid\n");
        return 1;
    }
    const long rows = row1 - row0 + 1;
    const size_t record = 4 * size_t(columns) + 4;
    // Row 0 is record 1: a record shorter than the header would start inside it.
    if (record < kGeoHeaderBytes) {
        std::fprintf(stderr, "make_geoid: the box needs at least %zu columns\n", (kGeoHeaderBytes - 4) / 4);
        return 1;
    }
    gridwriter::BinGrid geo;
    geo.columns = int32_t(columns);
    geo.rows = int32_t(rows);
    geo.west = float(west);
    geo.lonSpacing = float(lonSpacing);
    geo.south = float(south);
    geo.latSpacing = float(latSpacing);
    for (long r = 0; r < rows; ++r)
        for (long c = 0; c < columns; ++c) {
            const size_t node = size_t(row0 + r) * size_t(gtxColumns) + size_t((col0 + c) % gtxColumns);
            geo.nodes.push_back(bigEndian<float>(gtx, kGtxHeaderBytes + 4 * node));
        }
    const std::string bytes = gridwriter::binGridBytes(geo);
    std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
    return out ? 0 : 1;
}
