// Writes small grid files for the cases no public sample covers: NTv2 variants (byte order,
// padding, units, sub-grid trees, broken parents, missing end record), binary grids, GTX grids.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace gridwriter {

// One NTv2 sub-file, in the file's own units and conventions (longitudes positive west).
struct Ntv2SubGrid {
    std::string name = "GRID1";
    std::string parent = "NONE";
    double sLat = 0, nLat = 0, eLong = 0, wLong = 0, latInc = 0, lonInc = 0;
    // GS_COUNT as written; -1 writes rows x columns.
    int32_t gsCount = -1;
    // Four floats per node (latitude shift, longitude shift, their accuracies), south row first,
    // each row from east to west. Empty: nodeValue(row, column) is written.
    std::vector<std::array<float, 4>> nodes;
    // False: only the header is written (the caller supplies the node records).
    bool writeNodes = true;
    int rows() const;
    int columns() const;
};

struct Ntv2Layout {
    bool bigEndian = false;
    bool padded = true;
    std::string gsType = "SECONDS ";
    int32_t numOrec = 11;
    int32_t numSrec = 11;
    int32_t numFile = -1;  // -1: the number of sub-grids
    bool endRecord = true;
    std::string endKey = "END     ";
    // Source and target ellipsoids: Bessel 1841 and GRS 80.
    double majorF = 6377397.155, minorF = 6356078.963;
    double majorT = 6378137.0, minorT = 6356752.314;
};

// Default node values in file units: smooth, distinct per node, exact in every unit.
std::array<float, 4> nodeValue(int row, int column);

std::string ntv2Bytes(const Ntv2Layout& layout, const std::vector<Ntv2SubGrid>& grids);

// Rewrites a little-endian padded NTv2 file in another byte order and/or without padding.
std::string ntv2Reencode(const std::string& littlePadded, bool bigEndian, bool padded);

// Binary grid (little-endian, 96-byte header, records of 4 x values x columns + 4 bytes).
struct BinGrid {
    double a = 6378137.0, inverseFlattening = 298.257223563;
    int32_t columns = 24, rows = 3, values = 1;
    float west = 0, lonSpacing = 1, south = 0, latSpacing = 1;  // degrees
    // values x columns x rows floats, south row first, west to east; empty: binValue.
    std::vector<float> nodes;
};
float binValue(int row, int column, int k);
std::string binGridBytes(const BinGrid& grid);

// GTX grid (big-endian, 40-byte header).
struct GtxGrid {
    double south = 0, west = 0, latSpacing = 1, lonSpacing = 1;  // degrees
    int32_t rows = 3, columns = 3;
    std::vector<float> nodes;  // south row first, west to east; empty: gtxValue
};
float gtxValue(int row, int column);
std::string gtxHeader(const GtxGrid& grid);
std::string gtxBytes(const GtxGrid& grid);

// A float in big-endian bytes.
std::string bigEndianFloat(float value);

}  // namespace gridwriter
