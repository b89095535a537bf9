#include "geodesy/grids/GridRows.h"

#include <new>

#include "common/Platform.h"

namespace {

// The largest grid held whole. The 32-bit build keeps to a size its address space can spare;
// larger grids (a national geoid at 1" spacing) read two rows per cell change, as they always did.
constexpr int64_t kMaxHeldBytes = sizeof(void*) >= 8 ? int64_t(1) << 30 : int64_t(64) << 20;

}  // namespace

void GridRows::Reset(int32_t rows, size_t rowBytes, int64_t firstRow) {
    rowCount = rows;
    rowSize = rowBytes;
    rowsAt = firstRow;
    all.reset();
    read.clear();
    pair.clear();
    if (rows <= 0) return;
    // The block is not touched until rows are read into it, so an unvisited part costs no memory.
    if (int64_t(rows) * int64_t(rowBytes) <= kMaxHeldBytes) {
        all.reset(new (std::nothrow) unsigned char[size_t(rows) * rowBytes]);
        if (all) read.assign(size_t(rows), 0);
    }
    if (!all) pair.resize(2 * rowBytes);
}

bool GridRows::ReadRow(std::FILE* file, int32_t row, unsigned char* into) {
    return platform::seekFile(file, rowsAt + int64_t(row) * int64_t(rowSize)) &&
           std::fread(into, 1, rowSize, file) == rowSize;
}

bool GridRows::Fetch(std::FILE* file, int32_t row, const unsigned char*& lower, const unsigned char*& upper) {
    if (!file || row < 0 || row + 1 >= rowCount) return false;
    if (!all) {
        // Both rows in one read: they follow each other in the file.
        if (!platform::seekFile(file, rowsAt + int64_t(row) * int64_t(rowSize)) ||
            std::fread(pair.data(), 1, pair.size(), file) != pair.size())
            return false;
        lower = pair.data();
        upper = pair.data() + rowSize;
        return true;
    }
    for (int32_t r : {row, row + 1}) {
        if (read[size_t(r)]) continue;
        if (!ReadRow(file, r, &all[size_t(r) * rowSize])) return false;
        read[size_t(r)] = 1;
    }
    lower = &all[size_t(row) * rowSize];
    upper = lower + rowSize;
    return true;
}
