#include "geodesy/grids/GridRows.h"

#include <new>

#include "common/Platform.h"

namespace {

// The largest grid held whole. The 32-bit build keeps to a size its address space can spare;
// larger grids (a national geoid at 1" spacing) read two rows per cell change, as they always did.
constexpr int64_t kMaxHeldBytes = sizeof(void*) >= 8 ? int64_t(1) << 30 : int64_t(64) << 20;

}  // namespace

std::shared_ptr<GridRows> GridRows::Open(const std::string& path, sharedgrids::Format format, size_t headerSize) {
    return sharedgrids::acquire<GridRows>(path, format, Close, [&](const std::string& p, platform::FileStamp& stamp) {
        std::FILE* file = platform::openForReading(p);
        if (!file) return static_cast<GridRows*>(nullptr);
        GridRows* rows = new GridRows;
        rows->file = file;
        rows->header.resize(headerSize);
        rows->headerRead = platform::readAt(file, 0, rows->header.data(), headerSize);
        rows->fileSize = platform::fileSize(file);
        platform::fileStamp(file, stamp);
        return rows;
    });
}

GridRows::~GridRows() {
    if (file) std::fclose(file);
}

void GridRows::Layout(int32_t rows, size_t rowBytes, int64_t firstRow) {
    std::call_once(laidOut, [&] {
        if (rows <= 0) return;
        rowSize = rowBytes;
        rowsAt = firstRow;
        // The block is not touched until rows are read into it, so an unvisited part costs no memory.
        if (int64_t(rows) * int64_t(rowBytes) <= kMaxHeldBytes) {
            all.reset(new (std::nothrow) unsigned char[size_t(rows) * rowBytes]);
            read.reset(new (std::nothrow) std::atomic<uint8_t>[size_t(rows)]());
            if (!read) all.reset();
        }
        rowCount = rows;
    });
}

bool GridRows::Fetch(int32_t row, const unsigned char*& lower, const unsigned char*& upper, unsigned char* pair) {
    if (!file || row < 0 || row + 1 >= rowCount) return false;
    const int64_t at = rowsAt + int64_t(row) * int64_t(rowSize);
    if (!all) {
        // Both rows in one read: they follow each other in the file.
        if (!pair || !platform::readAt(file, at, pair, 2 * rowSize)) return false;
        lower = pair;
        upper = pair + rowSize;
        return true;
    }
    for (int32_t r : {row, row + 1}) {
        if (read[size_t(r)].load(std::memory_order_acquire)) continue;
        std::lock_guard<std::mutex> guard(filling);
        if (read[size_t(r)].load(std::memory_order_relaxed)) continue;
        unsigned char* into = &all[size_t(r) * rowSize];
        if (!platform::readAt(file, rowsAt + int64_t(r) * int64_t(rowSize), into, rowSize)) return false;
        read[size_t(r)].store(1, std::memory_order_release);
    }
    lower = &all[size_t(row) * rowSize];
    upper = lower + rowSize;
    return true;
}
