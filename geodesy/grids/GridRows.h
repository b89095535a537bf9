// The open file of a grid with fixed-size rows (binary grids, GTX) and its node rows, shared by
// every object that opens the same file (SharedGridFiles): one descriptor and one copy of the rows
// for the whole process. Each row is read once, at the first lookup of any of these objects whose
// cell touches it, so that scattered lookups cost no file access after the first visit of their
// rows. A grid too large to hold is read node by node at each lookup. Memory is bounded by the
// size of the grid's rows.
//
// Rows are kept as the file's bytes; the reader converts their byte order. Lookups of rows already
// read take no lock; a row's first read takes the file's own mutex, and the file is read only at
// given positions, so any number of threads may read through one object or many.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "geodesy/grids/SharedGridFiles.h"

class GridRows {
public:
    // The shared rows of the regular file `path`, with its first `headerSize` bytes read; null when
    // it cannot be opened.
    static std::shared_ptr<GridRows> Open(const std::string& path, sharedgrids::Format format, size_t headerSize);
    ~GridRows();
    GridRows(const GridRows&) = delete;
    GridRows& operator=(const GridRows&) = delete;

    // The header, or null when the file is shorter.
    const unsigned char* Header() const { return headerRead ? header.data() : nullptr; }
    int64_t FileSize() const { return fileSize; }

    // `rows` rows of `rowBytes` bytes each; row r begins at `firstRow + r * rowBytes` in the file.
    // The first call fixes them (every object of one file derives the same from its header).
    void Layout(int32_t rows, size_t rowBytes, int64_t firstRow);
    bool Ready() const { return rowCount > 0; }
    // The nodes of a cell: `bytes` bytes at `left` and at `right` (offsets in a row) of row `row`,
    // then the same of row `row + 1` (0 <= row < rows - 1), as four pointers into the held rows,
    // or into `scratch` (4 x `bytes`, the caller's) for a grid too large to hold; false when the
    // file cannot give them (a file cut after opening; nothing of it is kept).
    bool ReadCell(int32_t row, size_t left, size_t right, size_t bytes, unsigned char* scratch,
                  const unsigned char* nodes[4]);

private:
    GridRows() = default;
    // Row `r`, read into the held rows when it is not there yet; null when it cannot be read.
    const unsigned char* HeldRow(int32_t r);
    static void Close(GridRows* rows) { delete rows; }

    std::FILE* file = nullptr;
    std::vector<unsigned char> header;
    bool headerRead = false;
    int64_t fileSize = -1;

    std::once_flag laidOut;
    int32_t rowCount = 0;
    size_t rowSize = 0;
    int64_t rowsAt = 0;
    // Every row, and which of them are read (none when the grid is too large to hold). A row is
    // written only under `filling`, before its flag is set, and read only after.
    std::unique_ptr<unsigned char[]> all;
    std::unique_ptr<std::atomic<uint8_t>[]> read;
    std::mutex filling;
};
