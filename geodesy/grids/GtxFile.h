// GTX vertical-datum grids: one f32 per node (a separation in metres), big-endian.
//
// Header (40 bytes): south latitude, west longitude (degrees, above 180 means value - 360),
// latitude and longitude spacing (degrees) as f64; rows and columns as i32. Then the nodes row
// by row from the south, each row from west to east; -88.8888 marks a node without data.
//
// Its file stays open for the object's life, shared with every object of the same file; lookups
// read rows into memory as they first need them (GridRows). One object serves one thread at a
// time.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "geodesy/grids/GridRows.h"
#include "geodesy/grids/InterpFile.h"

class GtxFile : public InterpFile {
public:
    // An empty object with no file (Lookup answers code 4).
    GtxFile() = default;
    // Raises code 1 (no path, cannot be opened) or code 2 (short header, south outside
    // -pi/2..pi/2, west outside -pi..pi, fewer than 2 rows or columns, a spacing not above 0,
    // file shorter than its nodes).
    explicit GtxFile(const char* path);
    ~GtxFile() override;

    // Latitude and longitude in radians (no longitude wrap); one value in metres. A cell whose
    // four nodes have no data gives code 4 and leaves the count.
    erc Lookup(double latitude, double longitude, int* count, double* values) override;
    // -88.8888 as a 32-bit float.
    double NullValue() override;

private:
    erc Open(const char* path);

    // The file's rows, shared with every object of the same file, and the rows of the cell last
    // looked up (the file's bytes, big-endian; `pair` holds them for a grid too large to hold).
    std::shared_ptr<GridRows> gridRows;
    std::vector<unsigned char> pair;
    const unsigned char* row0 = nullptr;
    const unsigned char* row1 = nullptr;
    int32_t rowSize = 0;
    int32_t cachedRow = -1;
    int32_t cachedColumn = -1;
};
