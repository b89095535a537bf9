// GTX vertical-datum grids: one f32 per node (a separation in metres), big-endian.
//
// Header (40 bytes): south latitude, west longitude (degrees, above 180 means value - 360),
// latitude and longitude spacing (degrees) as f64; rows and columns as i32. Then the nodes row
// by row from the south, each row from west to east; -88.8888 marks a node without data.
//
// Its file stays open for the object's life, shared with every object of the same file; lookups
// read rows into memory as they first need them (GridRows). Lookups change nothing of the object:
// threads may share it.
#pragma once

#include <cstdint>
#include <memory>

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

    // Latitude and longitude in radians; one value in metres. A grid whose columns span 360
    // degrees wraps across 180 degrees; others take no longitude outside their extent. A cell
    // whose four nodes have no data gives code 4 and leaves the count.
    erc Lookup(double latitude, double longitude, int* count, double* values) override;
    // -88.8888 as a 32-bit float.
    double NullValue() override;

private:
    erc Open(const char* path);

    // The file's rows (big-endian bytes), shared with every object of the same file.
    std::shared_ptr<GridRows> gridRows;
    int32_t rowSize = 0;
};
