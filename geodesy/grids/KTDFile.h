// KTD tide-separation tables: a text table of separations over a rectangle of grid coordinates
// (projection units), read whole at construction.
//
// Text: rows, columns (integers); minimum x, minimum y, maximum x, maximum y; then rows x
// columns values row by row. Rows step along x (the second lookup coordinate), columns along y
// (the first); the first and last row and column sit on the minima and maxima.
//
// Holds no file after construction; lookups only read, so one object may serve several threads.
#pragma once

#include <vector>

#include "geodesy/grids/InterpFile.h"

class KTDFile : public InterpFile {
public:
    // Raises code 1 (no path, cannot be opened) or code 2 (the numbers do not parse or run
    // short, fewer than 2 rows or columns, a maximum not above its minimum, a limit not finite).
    explicit KTDFile(const char* path);
    ~KTDFile() override;

    // p: the first coordinate (grid y, northing), q: the second (grid x, easting). Inside when
    // south <= p < north and west <= q < east; outside gives code 4 and leaves the count.
    erc Lookup(double p, double q, int* count, double* values) override;
    double NullValue() override;

private:
    erc Read(const char* path);
    double Value(int row, int column) const { return block[size_t(row) * size_t(columns) + size_t(column)]; }

    std::vector<double> block;
};
