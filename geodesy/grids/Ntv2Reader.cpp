// NTv2 reader. The keys of header records are never compared: records are taken by position,
// as the format fixes their order. Byte order and padding are detected once, from the first
// record (NUM_OREC must read 11), and applied to every number of the file.
//
// Beyond the format's own checks, every sub-file header must describe a grid that can be
// interpolated and read safely: spacings above 0, north not below south, east not below west,
// GS_COUNT equal to rows x columns, and the file long enough to hold every sub-file's nodes. A
// grid of one row (or column) is a line of nodes and must lie exactly on it: north equal to
// south (east to west). A file that fails them is refused at open rather than served wrongly
// later.
#include "geodesy/grids/Ntv2Reader.h"

#include <cmath>
#include <cstring>
#include <new>

#include "common/Platform.h"
#include "geodesy/grids/ByteOrder.h"
#include "geodesy/grids/Ntv2Tree.h"

namespace {

constexpr int32_t kRecordCount = 11;  // NUM_OREC and NUM_SREC of every NTv2 file
constexpr int kKeyLength = kNtv2KeyLength;
constexpr int kIntegerLength = 4;
constexpr int kPaddingLength = 4;
constexpr int kValueLength = 8;
constexpr int kNodeSize = 16;  // four f32: latitude, longitude shift, their accuracies

// Positions of the records in the overview and sub-file headers.
constexpr int kOverviewGsType = 3;
constexpr int kOverviewFirstDouble = 7;  // MAJOR_F, MINOR_F, MAJOR_T, MINOR_T
constexpr int kSubName = 0;
constexpr int kSubParent = kNtv2SubParentRecord;
constexpr int kSubFirstDouble = 4;  // S_LAT, N_LAT, E_LONG, W_LONG, LAT_INC, LONG_INC
constexpr int kSubCount = 10;       // GS_COUNT

// Smallest room a sub-file takes in a file: an unpadded header and one node.
constexpr int64_t kMinSubFileBytes =
    (kNtv2HeaderRecords - 1) * kNtv2RecordSize + kKeyLength + kIntegerLength + kNodeSize;

constexpr char kEndKey[] = "END     ";

struct GsUnit {
    const char* name;
    double toDegrees;
    double toSeconds;
};
constexpr GsUnit kUnits[] = {
    {"SECONDS ", 1.0 / 3600, 1.0},
    {"MINUTES ", 1.0 / 60, 60.0},
    {"DEGREES ", 1.0, 3600.0},
};

// ---- file access with position tracking ----

bool readBytes(ntv2_handle* h, void* buffer, size_t n) {
    return h->file && std::fread(buffer, 1, n, h->file) == n;
}

// 64-bit file positions: std::ftell is a long, so the reader keeps its own count.
struct Cursor {
    ntv2_handle* h;
    int64_t at = 0;
    bool read(void* buffer, size_t n) {
        if (!readBytes(h, buffer, n)) return false;
        at += int64_t(n);
        return true;
    }
    bool seek(int64_t to) {
        if (!platform::seekFile(h->file, to)) return false;
        at = to;
        return true;
    }
    // Moves forward by `n` bytes: a short way by reading through the stream's buffer (a seek
    // costs a system call, which would dominate a file of many small sub-grids), a long way by
    // seeking.
    bool skip(int64_t n) {
        constexpr int64_t kReadThrough = 4096;
        if (n > kReadThrough) return seek(at + n);
        unsigned char scratch[kReadThrough];
        return read(scratch, size_t(n));
    }
};

// Reads one whole 16-byte record.
int ntv2_read_record(Cursor& in, unsigned char* record) {
    return in.read(record, kNtv2RecordSize) ? kNtv2Ok : kNtv2ReadError;
}

// Reads an integer record (key, integer, padding when the file has it) into a kept 16-byte
// record (padding zero) and returns the integer in machine order.
bool readIntegerRecord(Cursor& in, unsigned char* record, int32_t& value) {
    std::memset(record, 0, kNtv2RecordSize);
    if (!in.read(record, kKeyLength + kIntegerLength)) return false;
    if (in.h->padded) {
        unsigned char padding[kPaddingLength];
        if (!in.read(padding, kPaddingLength)) return false;
    }
    value = byteorder::load<int32_t>(record + kKeyLength, in.h->swapped);
    byteorder::store(record + kKeyLength, value);
    return true;
}

// Reads a double record, turning its value into machine order in place.
bool readDoubleRecord(Cursor& in, unsigned char* record, double& value) {
    if (!in.read(record, kNtv2RecordSize)) return false;
    value = byteorder::load<double>(record + kKeyLength, in.h->swapped);
    byteorder::store(record + kKeyLength, value);
    return true;
}

// ---- names ----

enum class NameMode { Keep, UpperCase };

// Normalises an 8-byte name into out (NUL-terminated). Once a byte is rejected every later one
// becomes a blank.
void normaliseName(ntv2_handle* h, const unsigned char* bytes, char* out, NameMode mode) {
    bool rejected = false;
    for (int k = 0; k < kNtv2NameLength; ++k) {
        unsigned char c = bytes[k];
        char result = ' ';
        if (rejected) {
        } else if (c < 0x20 || c > 0x7F) {
            rejected = true;
            h->status |= kNtv2NameByteRejected;
        } else if (c == ' ' || c == '_' || (c >= 'A' && c <= 'Z')) {
            result = char(c);
        } else if (mode == NameMode::Keep) {
            result = char(c);
        } else if (c >= 'a' && c <= 'z') {
            result = char(c - 'a' + 'A');
            h->status |= kNtv2GsTypeUpperCased;
        } else {
            rejected = true;
            h->status |= kNtv2GsTypeRejected;
        }
        out[k] = result;
    }
    out[kNtv2NameLength] = '\0';
}

// ---- overview ----

int readOverview(Cursor& in, unsigned char* kept) {
    ntv2_handle* h = in.h;
    unsigned char* record = kept;
    std::memset(kept, 0, kNtv2KeptHeaderSize);
    if (!in.read(record, kKeyLength + kIntegerLength)) return kNtv2ReadError;
    int32_t numOrec = byteorder::load<int32_t>(record + kKeyLength, false);
    if (numOrec != kRecordCount) {
        h->swapped = true;
        numOrec = byteorder::load<int32_t>(record + kKeyLength, true);
        if (numOrec != kRecordCount) return kNtv2BadNumOrec;
    }
    byteorder::store(record + kKeyLength, numOrec);
    unsigned char padding[kPaddingLength];
    if (!in.read(padding, kPaddingLength)) return kNtv2ReadError;
    static constexpr unsigned char kZero[kPaddingLength] = {};
    if (std::memcmp(padding, kZero, kPaddingLength) != 0) {
        // The bytes belong to the next record's key: integer records have no padding.
        if (!in.seek(kKeyLength + kIntegerLength)) return kNtv2ReadError;
    } else {
        h->padded = true;
    }

    int32_t numSrec = 0, numFile = 0;
    if (!readIntegerRecord(in, kept + 1 * kNtv2RecordSize, numSrec)) return kNtv2ReadError;
    if (numSrec != kRecordCount) return kNtv2BadNumSrec;
    if (!readIntegerRecord(in, kept + 2 * kNtv2RecordSize, numFile)) return kNtv2ReadError;
    if (numFile < 1) return kNtv2BadNumFile;
    h->subFileCount = numFile;
    for (int r = kOverviewGsType; r < kOverviewFirstDouble; ++r)
        if (ntv2_read_record(in, kept + r * kNtv2RecordSize) != kNtv2Ok) return kNtv2ReadError;
    for (int r = kOverviewFirstDouble; r < kNtv2HeaderRecords; ++r) {
        double unused;
        if (!readDoubleRecord(in, kept + r * kNtv2RecordSize, unused)) return kNtv2ReadError;
    }

    normaliseName(h, kept + kOverviewGsType * kNtv2RecordSize + kKeyLength, h->gsType,
                  NameMode::UpperCase);
    for (const GsUnit& unit : kUnits) {
        if (std::strcmp(h->gsType, unit.name) == 0) {
            h->toDegrees = unit.toDegrees;
            h->toSeconds = unit.toSeconds;
            return kNtv2Ok;
        }
    }
    return kNtv2BadGsType;
}

// ---- sub-file headers ----

// Rows or columns of an axis, from its limits: round((high - low) / spacing) + 1, refused
// (false) when the result is not a count that fits, or is one node while the limits differ (a
// span shorter than half a spacing has neither a cell nor a line).
bool nodeCount(double low, double high, double spacing, int32_t& count) {
    double steps = std::round((high - low) / spacing) + 1;
    if (!(steps >= 1 && steps <= double(INT32_MAX))) return false;
    if (steps == 1 && high != low) return false;
    count = int32_t(steps);
    return true;
}

int readSubFile(Cursor& in, int index, unsigned char* kept) {
    ntv2_handle* h = in.h;
    unsigned char* record = kept;
    for (int r = 0; r < kSubFirstDouble; ++r)
        if (ntv2_read_record(in, record + r * kNtv2RecordSize) != kNtv2Ok) return kNtv2ReadError;
    double limits[6];
    for (int r = 0; r < 6; ++r)
        if (!readDoubleRecord(in, record + (kSubFirstDouble + r) * kNtv2RecordSize, limits[r]))
            return kNtv2ReadError;
    int32_t gsCount = 0;
    if (!readIntegerRecord(in, record + kSubCount * kNtv2RecordSize, gsCount)) return kNtv2ReadError;
    if (gsCount < 1) return kNtv2BadSubHeader;

    ntv2_subfile& s = h->subFiles[size_t(index)];
    normaliseName(h, record + kSubName * kNtv2RecordSize + kKeyLength, s.name, NameMode::Keep);
    normaliseName(h, record + kSubParent * kNtv2RecordSize + kKeyLength, s.parentName, NameMode::Keep);
    s.index = index;
    s.active = 1;
    s.dataPosition = in.at;
    s.south = limits[0] * h->toDegrees;
    s.north = limits[1] * h->toDegrees;
    // The file counts longitudes positive west.
    s.east = -limits[2] * h->toDegrees;
    s.west = -limits[3] * h->toDegrees;
    s.latSpacing = limits[4] * h->toDegrees;
    s.lonSpacing = limits[5] * h->toDegrees;
    s.nodeCount = gsCount;

    // A grid that cannot be interpolated, or whose node count disagrees with its limits, would
    // be read outside its nodes.
    if (!(s.latSpacing > 0) || !(s.lonSpacing > 0) || !std::isfinite(s.latSpacing) ||
        !std::isfinite(s.lonSpacing) || !(s.north >= s.south) || !(s.east >= s.west) ||
        !std::isfinite(s.north - s.south) || !std::isfinite(s.east - s.west))
        return kNtv2BadSubHeader;
    if (!nodeCount(s.south, s.north, s.latSpacing, s.rows) ||
        !nodeCount(s.west, s.east, s.lonSpacing, s.columns))
        return kNtv2BadSubHeader;
    if (int64_t(s.rows) * s.columns != gsCount) return kNtv2BadSubHeader;

    if (s.south < h->south) h->south = s.south;
    if (s.north > h->north) h->north = s.north;
    if (s.west < h->west) h->west = s.west;
    if (s.east > h->east) h->east = s.east;

    // Every node must be in the file: a truncated grid is refused here, not served as zeros.
    int64_t nodesBytes = int64_t(gsCount) * kNodeSize;
    if (in.at + nodesBytes > h->fileSize) return kNtv2ReadError;
    if (!in.skip(nodesBytes)) return kNtv2ReadError;
    return kNtv2Ok;
}

int ntv2_read_headers(Cursor& in, const unsigned char* overview) {
    ntv2_handle* h = in.h;
    // A count that the file cannot hold is refused before anything is allocated for it.
    if (h->subFileCount > h->fileSize / kMinSubFileBytes) return kNtv2ReadError;
    try {
        h->subFiles.assign(size_t(h->subFileCount), ntv2_subfile());
        if (h->keep) {
            h->keptOverview.assign(overview, overview + kNtv2KeptHeaderSize);
            h->keptSubHeaders.assign(size_t(h->subFileCount) * kNtv2KeptHeaderSize, 0);
        }
    } catch (const std::bad_alloc&) {
        return kNtv2NoMemory;
    }
    unsigned char scratch[kNtv2KeptHeaderSize];
    for (int i = 0; i < h->subFileCount; ++i) {
        unsigned char* kept = h->keep ? &h->keptSubHeaders[size_t(i) * kNtv2KeptHeaderSize] : scratch;
        if (int e = readSubFile(in, i, kept)) return e;
    }

    unsigned char end[kNtv2RecordSize];
    if (ntv2_read_record(in, end) != kNtv2Ok) {
        h->status |= kNtv2NoEndRecord;
    } else {
        if (std::memcmp(end, kEndKey, kKeyLength) != 0) h->status |= kNtv2EndKeyWrong;
        static constexpr unsigned char kZero[kValueLength] = {};
        if (std::memcmp(end + kKeyLength, kZero, kValueLength) != 0) h->status |= kNtv2EndValueNotZero;
    }
    return ntv2_build_tree(h);
}

// ---- clipping ----

// True when there is no extent, or it has no width or no height.
bool extentIsEmpty(const double* extent) {
    return !extent || extent[0] == extent[2] || extent[1] == extent[3];
}

// Makes a sub-grid and all its descendants inactive; returns how many were active. Walks the
// subtree without recursion (a chain of nested grids may be as deep as the file is long).
int deactivate(ntv2_subfile& top) {
    int dropped = 0;
    ntv2_subfile* s = &top;
    for (;;) {
        if (s->active) {
            s->active = 0;
            ++dropped;
        }
        if (s->firstChild) {
            s = s->firstChild;
            continue;
        }
        // Up to the nearest ancestor (within the subtree) that has a next child.
        while (s != &top && !s->nextSibling) s = s->parent;
        if (s == &top) return dropped;
        s = s->nextSibling;
    }
}

// Whole cells of the parent (or own cells of a top-level grid) to cut over a distance,
// in own nodes; capped at `limit` (more would cut the grid away anyway).
int32_t cutCount(double distance, double parentSpacing, double ownSpacing, int32_t limit) {
    double ratio = std::round(parentSpacing / ownSpacing);
    double n = std::floor(distance / parentSpacing) * ratio;
    if (!(n > 0)) return 0;
    return n >= double(limit) ? limit : int32_t(n);
}

void rewriteKeptLimits(ntv2_handle* h, const ntv2_subfile& s) {
    if (!h->keep || h->keptSubHeaders.empty()) return;
    unsigned char* kept = &h->keptSubHeaders[size_t(s.index) * kNtv2KeptHeaderSize];
    auto put = [&](int record, double value) {
        byteorder::store(kept + record * kNtv2RecordSize + kKeyLength, value);
    };
    put(kSubFirstDouble + 0, s.south / h->toDegrees);
    put(kSubFirstDouble + 1, s.north / h->toDegrees);
    put(kSubFirstDouble + 2, -s.east / h->toDegrees);
    put(kSubFirstDouble + 3, -s.west / h->toDegrees);
    byteorder::store(kept + kSubCount * kNtv2RecordSize + kKeyLength, s.nodeCount);
}

int ntv2_clip(ntv2_handle* h, const double* extent) {
    double xWest = extent[0], xSouth = extent[1], xEast = extent[2], xNorth = extent[3];
    int active = 0;
    for (const ntv2_subfile& s : h->subFiles) active += s.active;
    int total = active;
    for (ntv2_subfile& s : h->subFiles) {
        if (!s.active) continue;
        if (xWest >= s.east || xSouth >= s.north || s.west >= xEast || s.south >= xNorth) {
            active -= deactivate(s);
            continue;
        }
        if (xWest <= s.west && xSouth <= s.south && s.east <= xEast && s.north <= xNorth) continue;
        double latStep = s.parent ? s.parent->latSpacing : s.latSpacing;
        double lonStep = s.parent ? s.parent->lonSpacing : s.lonSpacing;
        int32_t cutWest = 0, cutEast = 0, cutSouth = 0, cutNorth = 0;
        if (xWest > s.west) cutWest = cutCount(xWest - s.west, lonStep, s.lonSpacing, s.columns);
        if (xEast < s.east) cutEast = cutCount(s.east - xEast, lonStep, s.lonSpacing, s.columns);
        if (xSouth > s.south) cutSouth = cutCount(xSouth - s.south, latStep, s.latSpacing, s.rows);
        if (xNorth < s.north) cutNorth = cutCount(s.north - xNorth, latStep, s.latSpacing, s.rows);
        int64_t columnsLeft = int64_t(s.columns) - cutWest - cutEast;
        int64_t rowsLeft = int64_t(s.rows) - cutSouth - cutNorth;
        if (columnsLeft < 1 || rowsLeft < 1) {
            active -= deactivate(s);
            continue;
        }
        if (cutWest + cutEast + cutSouth + cutNorth == 0) continue;
        int64_t fullRow = int64_t(s.columns) * kNodeSize;
        s.skipSouth += fullRow * cutSouth;
        s.skipNorth += fullRow * cutNorth;
        s.skipWest += int64_t(cutWest) * kNodeSize;
        s.skipEast += int64_t(cutEast) * kNodeSize;
        s.west += cutWest * s.lonSpacing;
        s.east -= cutEast * s.lonSpacing;
        s.south += cutSouth * s.latSpacing;
        s.north -= cutNorth * s.latSpacing;
        s.columns = int32_t(columnsLeft);
        s.rows = int32_t(rowsLeft);
        s.nodeCount = s.rows * s.columns;
        rewriteKeptLimits(h, s);
    }
    if (active == total) return kNtv2Ok;
    if (active == 0) return kNtv2ClippedAway;
    h->subFileCount = active;
    if (h->keep && !h->keptOverview.empty())
        byteorder::store(&h->keptOverview[2 * kNtv2RecordSize + kKeyLength], int32_t(active));
    return ntv2_build_tree(h);
}

// ---- loading ----

// Reads the nodes of one sub-grid (its kept part after a clip) into `shifts` and, when given,
// `accuracies`: two floats per node each.
int readNodes(ntv2_handle* h, const ntv2_subfile& s, float* shifts, float* accuracies) {
    Cursor in{h};
    if (!in.seek(s.dataPosition + s.skipSouth)) return kNtv2ReadError;
    size_t k = 0;
    for (int32_t r = 0; r < s.rows; ++r) {
        if (s.skipEast > 0 && !in.seek(in.at + s.skipEast)) return kNtv2ReadError;
        for (int32_t c = 0; c < s.columns; ++c, ++k) {
            unsigned char node[kNodeSize];
            if (!in.read(node, kNodeSize)) return kNtv2ReadError;
            float v[4];
            for (int i = 0; i < 4; ++i) v[i] = byteorder::load<float>(node + 4 * i, h->swapped);
            // The file holds (latitude, longitude); the arrays keep (longitude, latitude).
            shifts[2 * k] = v[1];
            shifts[2 * k + 1] = v[0];
            if (accuracies) {
                accuracies[2 * k] = v[3];
                accuracies[2 * k + 1] = v[2];
            }
        }
        if (s.skipWest > 0 && !in.seek(in.at + s.skipWest)) return kNtv2ReadError;
    }
    return kNtv2Ok;
}

// Whether all `count` node values are usable: a grid that passes needs no check per node.
bool allUsable(const ntv2_handle* h, const float* values, int64_t count) {
    bool usable = true;
    for (int64_t k = 0; k < count; ++k) usable &= ntv2_usable_shift(h, values[k]);
    return usable;
}

int ntv2_load(ntv2_handle* h) {
    for (ntv2_subfile& s : h->subFiles) {
        if (!s.active) continue;
        try {
            s.shifts.assign(size_t(s.nodeCount) * 2, 0.0f);
            if (h->keep) s.accuracies.assign(size_t(s.nodeCount) * 2, 0.0f);
        } catch (const std::bad_alloc&) {
            return kNtv2NoMemory;
        }
        if (int e = readNodes(h, s, s.shifts.data(), h->keep ? s.accuracies.data() : nullptr)) return e;
        s.shiftsUsable = allUsable(h, s.shifts.data(), int64_t(s.shifts.size()));
    }
    return kNtv2Ok;
}

// The largest sub-grid an on-demand handle reads into memory (two floats per node); larger
// ones are read node by node. The 32-bit build keeps to a size its address space can spare.
constexpr int64_t kMaxCachedBytes = sizeof(void*) >= 8 ? int64_t(1) << 30 : int64_t(64) << 20;

void fillCache(ntv2_handle* h, const ntv2_subfile& s, ntv2_node_cache& cache) {
    const int64_t floats = int64_t(s.nodeCount) * 2;
    if (floats * int64_t(sizeof(float)) > kMaxCachedBytes) return;
    std::unique_ptr<float[]> nodes(new (std::nothrow) float[size_t(floats)]);
    if (!nodes) return;
    int e;
    {
        std::lock_guard<std::mutex> guard(h->lock);
        e = h->file ? readNodes(h, s, nodes.get(), nullptr) : kNtv2ReadError;
    }
    // A file cut after opening: its nodes keep being read one by one, and fail as they did.
    if (e != kNtv2Ok) return;
    cache.usable = allUsable(h, nodes.get(), floats);
    cache.storage = std::move(nodes);
    cache.nodes.store(cache.storage.get(), std::memory_order_release);
}

}  // namespace

ntv2_handle* ntv2_open(const char* path, bool keep, bool load, const double* extent, int* error) {
    if (!path) return nullptr;
    ntv2_handle* h = new (std::nothrow) ntv2_handle;
    if (!h) return nullptr;
    try {
        h->path = path;
    } catch (const std::bad_alloc&) {
        delete h;
        return nullptr;
    }
    h->file = platform::openForReading(h->path);
    if (!h->file) {
        delete h;
        return nullptr;
    }
    h->keep = keep;
    h->fileSize = platform::fileSize(h->file);

    Cursor in{h};
    unsigned char overview[kNtv2KeptHeaderSize];
    int e = readOverview(in, overview);
    if (e == kNtv2Ok) e = ntv2_read_headers(in, overview);
    if (e == kNtv2Ok && !extentIsEmpty(extent)) e = ntv2_clip(h, extent);
    // On the limits as served: a clip moves them.
    if (e == kNtv2Ok) ntv2_mark_sole(h);
    if (e == kNtv2Ok && !load) {
        // Without room for the caches every node is read on demand.
        h->caches.reset(new (std::nothrow) ntv2_node_cache[h->subFiles.size()]);
        if (error) *error = kNtv2Ok;
        return h;
    }
    if (e == kNtv2Ok) e = ntv2_load(h);
    std::fclose(h->file);
    h->file = nullptr;
    if (e != kNtv2Ok) {
        // A file that failed serves no point: nothing half-read may be taken for a grid.
        h->firstTopLevel = nullptr;
        h->topLevelCount = 0;
    }
    h->openError = e;
    if (error) *error = e;
    return h;
}

const float* ntv2_read_nodes(ntv2_handle* h, const ntv2_subfile* s, bool& allUsable) {
    allUsable = false;
    if (!s->shifts.empty()) return ntv2_nodes(h, s, allUsable);
    if (!h->caches) return nullptr;
    ntv2_node_cache& cache = h->caches[size_t(s->index)];
    std::call_once(cache.once, [&] { fillCache(h, *s, cache); });
    const float* nodes = cache.nodes.load(std::memory_order_acquire);
    if (nodes) allUsable = cache.usable;
    return nodes;
}

void ntv2_close(ntv2_handle* handle) {
    if (!handle) return;
    if (handle->file) std::fclose(handle->file);
    delete handle;
}

int ntv2_file_type(const char* path) {
    if (!path || !*path) return 0;
    const char* dot = std::strrchr(path, '.');
    if (!dot) return 0;
    char extension[4] = {};
    size_t n = std::strlen(dot + 1);
    if (n != 3) return 0;
    for (int k = 0; k < 3; ++k) {
        char c = dot[1 + k];
        extension[k] = (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
    }
    if (std::strcmp(extension, "gsb") == 0) return 1;
    if (std::strcmp(extension, "gsa") == 0) return 2;
    return 0;
}
