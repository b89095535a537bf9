// The node rows of a grid file with fixed-size rows (binary grids, GTX), held in memory as they
// are first needed: each row is read once, at the first lookup whose cell touches it, so that
// scattered lookups cost no file access after the first visit of their rows. A grid too large to
// hold keeps only the two rows of the last cell, read again whenever a lookup moves to another
// cell. Memory is bounded by the size of the grid's rows.
//
// Rows are kept as the file's bytes; the reader converts their byte order. No lock: the owning
// grid file serves one thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

class GridRows {
public:
    // `rows` rows of `rowBytes` bytes each; row r begins at `firstRow + r * rowBytes` in the file.
    void Reset(int32_t rows, size_t rowBytes, int64_t firstRow);
    // Rows `row` and `row + 1` (0 <= row < rows - 1): their bytes, or false when the file cannot
    // give them (a file cut after opening; nothing of it is kept).
    bool Fetch(std::FILE* file, int32_t row, const unsigned char*& lower, const unsigned char*& upper);
    bool Ready() const { return rowCount > 0; }

private:
    bool ReadRow(std::FILE* file, int32_t row, unsigned char* into);

    int32_t rowCount = 0;
    size_t rowSize = 0;
    int64_t rowsAt = 0;
    // Every row, and which of them are read (empty when the grid is too large to hold).
    std::unique_ptr<unsigned char[]> all;
    std::vector<uint8_t> read;
    // The two rows of the last cell, for a grid too large to hold.
    std::vector<unsigned char> pair;
};
