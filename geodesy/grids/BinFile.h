// Binary grid files: geoid models (".geo", one value per node, metres) and datum-shift grids
// (".lls", up to three values per node).
//
// Layout, little-endian: a 96-byte header in record 0 (a and inverse flattening of the target
// ellipsoid at 30 and 38; columns, rows, values per node at 64, 68, 72; west, longitude spacing,
// south, latitude spacing as f32 degrees at 76 to 88); then one record per row from the south,
// each 4 x values x columns + 4 bytes: a leading f32 that is not used and the nodes from west to
// east, each node's values together.
//
// Its file stays open for the object's life, shared with every object of the same file; lookups
// read rows into memory as they first need them (GridRows). Lookups change nothing of the object:
// threads may share it. A grid whose columns span 360 degrees wraps across 180 degrees.
#pragma once

#include <cstdint>
#include <memory>

#include "geodesy/grids/GridRows.h"
#include "geodesy/grids/InterpFile.h"

class BinFile : public InterpFile {
public:
    // An empty object with no file (Lookup answers code 4).
    BinFile() = default;
    // Opens the file; a failure of Open is raised. `westPositive` mirrors the longitude limits.
    BinFile(const char* path, bool westPositive);
    ~BinFile() override;

    // Code 1: no path or the file cannot be opened. Code 2: the header is short or out of range
    // (south outside -pi/2..pi/2, west outside -pi..pi, fewer than 2 rows or columns, values per
    // node outside 1..3, a spacing that snaps to 0) or the file is shorter than its records.
    erc Open(const char* path, bool westPositive);

    // Latitude and longitude in radians; writes values-per-node values.
    erc Lookup(double latitude, double longitude, int* count, double* values) override;
    double NullValue() override;
    // The header's a and 1 / inverse flattening.
    void ToEllipsoid(double* a, double* f) override;

    int ValuesPerNode() const { return valuesPerNode; }

private:
    // The file's rows (records in the file's byte order), shared with every object of the same file.
    std::shared_ptr<GridRows> gridRows;
    int32_t valuesPerNode = 0;
    int32_t recordSize = 0;
    double semiMajor = 0.0;
    double inverseFlattening = 0.0;
};
