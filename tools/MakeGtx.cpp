// Writes a small GTX grid for the sample VDatum area and for tests: a plane of values over a
// regular grid, optionally with one node without data.
//
//   make_gtx <out> <south> <west> <dlat> <dlon> <rows> <cols> <base> <perLat> <perLon> [<row> <col>]
//
// value(row, col) = base + perLat * row * dlat + perLon * col * dlon (metres). The west
// longitude is written as given (a value above 180 stands for value - 360). Numbers are read
// independently of the locale.
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <system_error>

#include "tools/ToolArgument.h"

using toolargument::parse;

namespace {

// Marks a node without data, as in the VDatum grids.
constexpr float kNoData = -88.8888f;
constexpr size_t kHeaderBytes = 40;

// GTX numbers are big-endian.
template <typename T>
void putBigEndian(std::string& out, T value) {
    unsigned char bytes[sizeof(T)];
    std::memcpy(bytes, &value, sizeof(T));
    for (size_t i = sizeof(T); i-- > 0;) out.push_back(char(bytes[i]));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 11 && argc != 13) {
        std::fprintf(stderr, "usage: make_gtx out south west dlat dlon rows cols base perLat perLon [row col]\n");
        return 2;
    }
    double south, west, dlat, dlon, base, perLat, perLon;
    int32_t rows, cols, holeRow = -1, holeCol = -1;
    bool ok = parse(argv[2], south) && parse(argv[3], west) && parse(argv[4], dlat) &&
              parse(argv[5], dlon) && parse(argv[6], rows) && parse(argv[7], cols) &&
              parse(argv[8], base) && parse(argv[9], perLat) && parse(argv[10], perLon);
    if (argc == 13) ok = ok && parse(argv[11], holeRow) && parse(argv[12], holeCol);
    if (!ok || rows <= 0 || cols <= 0) {
        std::fprintf(stderr, "make_gtx: bad argument\n");
        return 2;
    }
    std::string bytes;
    bytes.reserve(kHeaderBytes + size_t(rows) * size_t(cols) * sizeof(float));
    putBigEndian(bytes, south);
    putBigEndian(bytes, west);
    putBigEndian(bytes, dlat);
    putBigEndian(bytes, dlon);
    putBigEndian(bytes, rows);
    putBigEndian(bytes, cols);
    for (int32_t r = 0; r < rows; ++r)
        for (int32_t c = 0; c < cols; ++c) {
            float v = (r == holeRow && c == holeCol) ? kNoData
                                                     : float(base + perLat * r * dlat + perLon * c * dlon);
            putBigEndian(bytes, v);
        }
    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
    return out ? 0 : 1;
}
