// The open file of a grid with fixed-size rows (binary grids, GTX) and its node rows, shared by
// every object that opens the same file (SharedGridFiles): one descriptor and one copy of the rows
// for the whole process. Each row is read once, at the first lookup of any of these objects whose
// cell touches it, so that scattered lookups cost no file access after the first visit of their
// rows. A grid too large to hold keeps only the two rows of each object's last cell, in that
// object's own buffer, read again whenever a lookup moves to another cell. Memory is bounded by
// the size of the grid's rows.
//
// Rows are kept as the file's bytes; the reader converts their byte order. Lookups of rows already
// read take no lock; a row's first read takes the file's own mutex, and the file is read only at
// given positions, so objects on several threads may share it.
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
    // Bytes an object needs for the two rows of a cell: 0 when the rows are held here.
    size_t PairBytes() const { return all ? 0 : 2 * rowSize; }
    // Rows `row` and `row + 1` (0 <= row < rows - 1): their bytes, or false when the file cannot
    // give them (a file cut after opening; nothing of it is kept). `pair`: the object's buffer of
    // PairBytes() bytes.
    bool Fetch(int32_t row, const unsigned char*& lower, const unsigned char*& upper, unsigned char* pair);

private:
    GridRows() = default;
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
