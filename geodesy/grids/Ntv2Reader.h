// Reader of NTv2 grid-shift files (".gsb"): overview and sub-file headers, the parent/child tree
// of sub-grids, optional clipping to an area, and either all node values loaded into memory or
// the file kept open for reading single nodes on demand.
//
// Free functions over a handle record, with integer error numbers and no exceptions (except the
// platform's system error if the handle's mutex fails). Either byte order and integer records
// with or without their 4 padding bytes are read. All limits inside the handle are degrees with
// longitudes positive EAST (the file's are positive west).
//
// A handle owns its file, node arrays and mutex. After ntv2_open returns, only node reads of an
// on-demand handle change the file position, under the mutex: lookups may run on several threads;
// opening and closing need exclusive use. An on-demand handle reads each sub-grid into memory
// once, at its first use (see ntv2_nodes).
#pragma once

#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "geodesy/grids/GridExtent.h"

// Status flags of a handle (ORed); none of them stops the reading.
enum : int32_t {
    kNtv2NameByteRejected = 1,    // a name held a byte outside 0x20..0x7F; the rest became blanks
    kNtv2GsTypeUpperCased = 2,    // lower-case letters of GS_TYPE became capitals
    kNtv2GsTypeRejected = 4,      // GS_TYPE held another character; the rest became blanks
    kNtv2BlankParent = 8,         // a blank parent name became "NONE    "
    kNtv2BlankName = 16,          // a sub-file name is blank
    kNtv2NoEndRecord = 32,        // no record follows the last sub-file
    kNtv2EndKeyWrong = 64,        // the record after the last sub-file is not "END     "
    kNtv2EndValueNotZero = 128,   // that record's value bytes are not all zero (real files do it)
};

// Error numbers of the reader.
enum : int {
    kNtv2Ok = 0,
    kNtv2NoMemory = 1,
    kNtv2ReadError = 2,          // short read or end of file in a header, or nodes missing
    kNtv2BadNumOrec = 301,
    kNtv2BadNumSrec = 302,
    kNtv2BadNumFile = 303,
    kNtv2BadGsType = 304,
    kNtv2BadSubHeader = 305,     // GS_COUNT < 1, or limits, spacings, counts that disagree
    kNtv2SelfParent = 307,
    kNtv2ParentMissing = 308,
    kNtv2NoTopLevel = 309,
    kNtv2ParentCycle = 310,
    kNtv2ClippedAway = 313,
    kNtv2CannotOpen = 321,
};

// Bytes of one header record and of a kept header (11 records).
inline constexpr int kNtv2RecordSize = 16;
inline constexpr int kNtv2HeaderRecords = 11;
inline constexpr int kNtv2KeptHeaderSize = kNtv2RecordSize * kNtv2HeaderRecords;
inline constexpr int kNtv2NameLength = 8;
// Bytes of a record's key, before its value; the record of a sub-file header that names its parent.
inline constexpr int kNtv2KeyLength = 8;
inline constexpr int kNtv2SubParentRecord = 1;

// One sub-grid. Its extent and resolution (GridExtent) are in degrees, longitudes positive east.
struct ntv2_subfile : GridExtent {
    char name[kNtv2NameLength + 1] = {};
    char parentName[kNtv2NameLength + 1] = {};
    ntv2_subfile* parent = nullptr;
    ntv2_subfile* firstChild = nullptr;
    // Next top-level grid for a top-level grid, next child of the same parent otherwise.
    ntv2_subfile* nextSibling = nullptr;
    uint8_t active = 0;  // 0 once clipped away
    int32_t childCount = 0;
    int32_t index = 0;      // position in the file
    int32_t nodeCount = 0;  // GS_COUNT, rows x columns
    int64_t dataPosition = 0;  // file position of the first node record
    // Bytes skipped by a clip: before the first kept row, after the last, at the end of each row
    // (west columns), at the start of each row (east columns).
    int64_t skipSouth = 0, skipNorth = 0, skipWest = 0, skipEast = 0;
    // A grid without children that serves every point inside it: no grid before it, nor before
    // any of its ancestors, overlaps it, and each ancestor contains it (so a point inside it can
    // keep its cell while it moves inside the grid).
    bool sole = false;
    // Every loaded node holds usable values (see ntv2_usable_shift).
    bool shiftsUsable = false;
    // Loaded nodes: (longitude shift, latitude shift) per node, and with the keep flag
    // (longitude accuracy, latitude accuracy); file units, longitude positive west.
    std::vector<float> shifts;
    std::vector<float> accuracies;
};

// Node values of one sub-grid of an on-demand handle, read into memory the first time a point
// needs them: afterwards its shifts cost no file access and no lock. Laid out as
// ntv2_subfile::shifts. A sub-grid that cannot be read whole, or that is larger than the cache
// takes, keeps being read node by node.
struct ntv2_node_cache {
    std::once_flag once;
    std::atomic<const float*> nodes{nullptr};
    std::unique_ptr<float[]> storage;
    bool usable = false;  // every node holds usable values; written before nodes is published
};

// One open NTv2 file.
struct ntv2_handle {
    std::string path;
    int32_t subFileCount = 0;  // NUM_FILE (active count after a clip)
    int32_t topLevelCount = 0;
    bool keep = false;     // keep the raw headers and read accuracies
    bool padded = false;   // integer records carry their 4 padding bytes
    bool swapped = false;  // the file's byte order is the reverse of the machine's
    int32_t status = 0;
    double toDegrees = 0;  // factor of the GS_TYPE unit to degrees
    double toSeconds = 0;  // and to arc-seconds
    char gsType[kNtv2NameLength + 1] = {};
    // Extent of the file, degrees, longitudes positive east.
    double south = 90, north = -90, west = 360, east = -360;
    std::vector<ntv2_subfile> subFiles;
    ntv2_subfile* firstTopLevel = nullptr;
    std::FILE* file = nullptr;  // open only in on-demand mode
    std::mutex lock;            // guards every read of the file after opening
    // On-demand mode: one per sub-file, in file order (none when it could not be allocated).
    std::unique_ptr<ntv2_node_cache[]> caches;
    // The overview and sub-file headers as 16-byte records in machine byte order, integer padding
    // zero (keep flag only; the overview is empty when it was not read whole).
    std::vector<unsigned char> keptOverview;
    std::vector<unsigned char> keptSubHeaders;
    int64_t fileSize = 0;
    int openError = 0;  // the error number ntv2_open reported
};

// The largest shift a node may hold: 5 degrees, beyond any datum change a grid describes.
inline constexpr double kNtv2MaxShiftSeconds = 5 * 3600.0;

// A node value (file unit) that is a number and a shift a datum could mean; the points around
// any other value are not served rather than moved by it.
inline bool ntv2_usable_shift(const ntv2_handle* h, double v) {
    return std::fabs(v) * h->toSeconds <= kNtv2MaxShiftSeconds;
}

// Opens a file. extent: west, south, east, north (degrees, positive east) to clip to, or null.
// Returns null when memory fails or the file cannot be opened (the error word is then not
// written). Otherwise the error word (when given) receives the error number and the handle is
// returned also when it is not 0: its file is then closed, it serves no point, and the caller
// closes it.
ntv2_handle* ntv2_open(const char* path, bool keep, bool load, const double* extent, int* error);
// The node values of a sub-grid in memory, (longitude shift, latitude shift) per node in file
// units, or null when they are read node by node. A loaded handle has them from opening; an
// on-demand handle reads a sub-grid whole at its first use here (thread-safe; the caller that
// comes first reads, the others wait for it). `allUsable` tells whether every node holds usable
// values (false when null is returned).
const float* ntv2_nodes(ntv2_handle* h, const ntv2_subfile* s, bool& allUsable);
// The part of ntv2_nodes that reads: the first use of an on-demand sub-grid.
const float* ntv2_read_nodes(ntv2_handle* h, const ntv2_subfile* s, bool& allUsable);
inline const float* ntv2_nodes(ntv2_handle* h, const ntv2_subfile* s, bool& allUsable) {
    // An on-demand handle has caches and no loaded shifts; a loaded one the reverse.
    if (h->caches) {
        const ntv2_node_cache& cache = h->caches[size_t(s->index)];
        if (const float* nodes = cache.nodes.load(std::memory_order_acquire)) {
            allUsable = cache.usable;
            return nodes;
        }
    } else if (!s->shifts.empty()) {
        allUsable = s->shiftsUsable;
        return s->shifts.data();
    }
    return ntv2_read_nodes(h, s, allUsable);
}

// Closes the file and frees everything of the handle; null is ignored.
void ntv2_close(ntv2_handle* handle);
// 1 for a name ending in ".gsb", 2 for ".gsa" (case-insensitive), else 0.
int ntv2_file_type(const char* path);
