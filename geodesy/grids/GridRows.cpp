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

const unsigned char* GridRows::HeldRow(int32_t r) {
    unsigned char* row = &all[size_t(r) * rowSize];
    if (read[size_t(r)].load(std::memory_order_acquire)) return row;
    std::lock_guard<std::mutex> guard(filling);
    if (read[size_t(r)].load(std::memory_order_relaxed)) return row;
    if (!platform::readAt(file, rowsAt + int64_t(r) * int64_t(rowSize), row, rowSize)) return nullptr;
    read[size_t(r)].store(1, std::memory_order_release);
    return row;
}

bool GridRows::ReadCell(int32_t row, size_t left, size_t right, size_t bytes, unsigned char* scratch,
                        const unsigned char* nodes[4]) {
    if (!file || row < 0 || row + 1 >= rowCount || left + bytes > rowSize || right + bytes > rowSize) return false;
    for (int32_t r : {row, row + 1}) {
        if (all) {
            const unsigned char* held = HeldRow(r);
            if (!held) return false;
            nodes[0] = held + left;
            nodes[1] = held + right;
        } else {
            // Read where the lookup is, into the caller's bytes: nothing of the object changes.
            const int64_t at = rowsAt + int64_t(r) * int64_t(rowSize);
            if (right == left + bytes) {
                if (!platform::readAt(file, at + int64_t(left), scratch, 2 * bytes)) return false;
            } else if (!platform::readAt(file, at + int64_t(left), scratch, bytes) ||
                       !platform::readAt(file, at + int64_t(right), scratch + bytes, bytes)) {
                return false;
            }
            nodes[0] = scratch;
            nodes[1] = scratch + bytes;
            scratch += 2 * bytes;
        }
        nodes += 2;
    }
    return true;
}
