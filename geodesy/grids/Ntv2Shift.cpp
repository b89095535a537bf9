// NTv2 interpolation and shifts. Bilinear interpolation in each cell, with a fade band one cell
// wide around every top-level grid in which the shift falls linearly to zero.
//
// The cell of a point on a grid's north edge is the last row, on its west edge the last column
// (columns count from the east): truncating the position there would take the neighbouring row
// or column whenever the division lands just below the whole number. Every index is kept inside
// the grid's nodes.
//
// A grid of one row (or one column) is a line of nodes: a point on it is served along the line
// (the north edge rank, or the west edge rank for a column), and around a top-level line the
// shift fades to zero over one spacing on both sides, as it does outside any top-level grid. The
// cell of such a line has the line's nodes on both of its sides.
#include "geodesy/grids/Ntv2Shift.h"

#include <bit>
#include <cmath>
#include <cstdint>

#include "common/Platform.h"
#include "geodesy/grids/ByteOrder.h"

namespace {

constexpr double kSecondsPerDegree = 3600.0;
constexpr int kNodeSize = 16;
constexpr int kFloatSize = 4;

// The inverse settles when a step moves the estimate by at most 2^-49 degrees (about 0.2 nm);
// for larger coordinates that is below one unit in the last place, so a step of at most two
// units (where the iteration may alternate between neighbouring doubles) also counts as settled.
// A return to the estimate before last that is farther apart is a cycle across a discontinuity
// between sub-grids: no point shifts onto the target there, and the point is refused.
constexpr double kInverseTolerance = 1.7763568394002505e-15;
constexpr uint64_t kInverseMaxUlps = 2;
// Evaluations before a point is given up; the shifts are small against the cell size, so a
// point inside a grid settles within a handful.
constexpr int kInverseMaxEvaluations = 50;

// The largest shift a node may hold: 5 degrees, beyond any datum change a grid describes.
constexpr double kMaxShiftSeconds = 5 * 3600.0;

bool withinOneCell(double v, double low, double high, double step) {
    return low - step < v && v < high + step;
}

int rankIn(const ntv2_subfile& s, double lon, double lat, bool topLevel) {
    bool latInside = s.south <= lat && lat < s.north;
    bool lonInside = s.west < lon && lon <= s.east;
    if (latInside && lonInside) return kNtv2RankInside;
    if (lat == s.north && lonInside) return kNtv2RankNorthEdge;
    if (lon == s.west && latInside) return kNtv2RankWestEdge;
    if (lon == s.west && lat == s.north) return kNtv2RankCorner;
    if (topLevel && withinOneCell(lon, s.west, s.east, s.lonSpacing) &&
        withinOneCell(lat, s.south, s.north, s.latSpacing))
        return kNtv2RankFade;
    return kNtv2RankNone;
}

// The last cell along an axis of `nodes` nodes: 0 for a line of one node.
int lastCell(int nodes) { return nodes > 2 ? nodes - 2 : 0; }

// The node after `index` along an axis; a line of one node is its own neighbour.
int nextNode(int index, int nodes) { return index + 1 < nodes ? index + 1 : index; }

// One node's two components (longitude, latitude) read from the file, under the handle's mutex:
// a sub-grid that is not in memory.
[[gnu::noinline]] bool fileNodeValues(ntv2_handle* h, const ntv2_subfile* s, int row, int column, double* value) {
    if (!h->file) return false;
    // Rows of a clipped grid keep their cut columns in the file.
    int64_t rowBytes = s->skipEast + int64_t(s->columns) * kNodeSize + s->skipWest;
    int64_t at = s->dataPosition + s->skipSouth + row * rowBytes + s->skipEast + int64_t(column) * kNodeSize;
    // The file holds the latitude shift first, then the longitude shift.
    unsigned char bytes[2 * kFloatSize];
    bool ok;
    {
        std::lock_guard<std::mutex> guard(h->lock);
        ok = platform::seekFile(h->file, at) && std::fread(bytes, 1, sizeof bytes, h->file) == sizeof bytes;
    }
    if (!ok) return false;
    value[kNtv2Longitude] = byteorder::load<float>(bytes + kFloatSize, h->swapped);
    value[kNtv2Latitude] = byteorder::load<float>(bytes, h->swapped);
    return true;
}

// A node value that is not a number, or a shift no datum could mean, is no value: the points
// around it are not served rather than moved by it.
inline bool usable(const ntv2_handle* h, double v) { return std::fabs(v) * h->toSeconds <= kMaxShiftSeconds; }

// Both components of one node in the file unit (longitude positive west), indexed by component,
// from the sub-grid's nodes in memory (`nodes`, see ntv2_nodes) or else from the file. False when
// the node cannot be read or holds no usable value.
inline bool nodeValues(ntv2_handle* h, const ntv2_subfile* s, const float* nodes, int row, int column,
                       double* value) {
    if (row < 0 || row >= s->rows || column < 0 || column >= s->columns) return false;
    if (!nodes) {
        if (!fileNodeValues(h, s, row, column, value)) return false;
    } else {
        const float* node = nodes + 2 * (size_t(row) * size_t(s->columns) + size_t(column));
        value[kNtv2Longitude] = node[0];
        value[kNtv2Latitude] = node[1];
    }
    return usable(h, value[kNtv2Longitude]) && usable(h, value[kNtv2Latitude]);
}

// A cell of the fade band: the corner pair `from` hands its values (the grid's edge) to the pair
// `to` and becomes 0, so the shift runs from the edge's values to zero across the cell.
inline void fadeAcross(double& to0, double& to1, double& from0, double& from1) {
    to0 = from0;
    to1 = from1;
    from0 = from1 = 0;
}

// Interpolated shift of both components in degrees (longitude positive west), indexed by
// component, from one pass over the cell's nodes. `nodes`: the sub-grid's nodes in memory, or null
// to read them from the file.
bool ntv2_interpolate(ntv2_handle* h, const ntv2_subfile* s, const float* nodes, int rank, int column,
                      int row, int columnFlag, int rowFlag, double x, double y, double* shift) {
    double t00[2] = {}, t10[2] = {}, t01[2] = {}, t11[2] = {};
    bool ok = true;
    const int column1 = nextNode(column, s->columns), row1 = nextNode(row, s->rows);
    switch (rank) {
    case kNtv2RankInside:
    case kNtv2RankFade:
        ok = nodeValues(h, s, nodes, row, column, t00) && nodeValues(h, s, nodes, row, column1, t10) &&
             nodeValues(h, s, nodes, row1, column, t01) && nodeValues(h, s, nodes, row1, column1, t11);
        break;
    case kNtv2RankNorthEdge:
        ok = nodeValues(h, s, nodes, row, column, t00) && nodeValues(h, s, nodes, row, column1, t10);
        for (int c = 0; c < 2; ++c) {
            t01[c] = t00[c];
            t11[c] = t10[c];
        }
        break;
    case kNtv2RankWestEdge:
        ok = nodeValues(h, s, nodes, row, column, t00) && nodeValues(h, s, nodes, row1, column, t01);
        for (int c = 0; c < 2; ++c) {
            t10[c] = t00[c];
            t11[c] = t01[c];
        }
        break;
    case kNtv2RankCorner:
        ok = nodeValues(h, s, nodes, row, column, t00);
        for (int c = 0; c < 2; ++c) t10[c] = t01[c] = t11[c] = t00[c];
        break;
    default:
        shift[0] = shift[1] = 0.0;
        return true;
    }
    if (!ok) return false;
    for (int c = 0; c < 2; ++c) {
        double a = t00[c], b = t10[c], d = t01[c], e = t11[c];
        if (rank == kNtv2RankFade) {
            if (columnFlag < 0)
                fadeAcross(a, d, b, e);
            else if (columnFlag > 0)
                fadeAcross(b, e, a, d);
            if (rowFlag < 0)
                fadeAcross(d, e, a, b);
            else if (rowFlag > 0)
                fadeAcross(a, b, d, e);
        }
        double value = a + (b - a) * x + (d - a) * y + (e - b - d + a) * x * y;
        shift[c] = value * h->toSeconds / kSecondsPerDegree;
    }
    return true;
}

// Keeps a cell index inside the nodes; the fraction is taken again from the kept index.
void keepInside(double t, int nodes, int& index, double& fraction) {
    if (index > lastCell(nodes)) {
        index = lastCell(nodes);
        fraction = t - index;
    }
}

// Order of doubles as integers: adjacent doubles differ by one.
uint64_t orderedBits(double d) {
    uint64_t u = std::bit_cast<uint64_t>(d);
    constexpr uint64_t kSign = uint64_t(1) << 63;
    return (u & kSign) ? ~u : (u | kSign);
}

bool settled(double next, double current) {
    if (std::fabs(next - current) <= kInverseTolerance) return true;
    uint64_t a = orderedBits(next), b = orderedBits(current);
    return (a > b ? a - b : b - a) <= kInverseMaxUlps;
}

double unitFactor(double factor) { return factor > 0 ? factor : 1.0; }

}  // namespace

const ntv2_subfile* ntv2_find_grid(const ntv2_handle* h, int* rank, double lon, double lat) {
    if (rank) *rank = kNtv2RankNone;
    if (!h || !h->firstTopLevel) return nullptr;
    const ntv2_subfile* taken = nullptr;
    int takenRank = kNtv2RankNone;
    for (const ntv2_subfile* s = h->firstTopLevel; s; s = s->nextSibling) {
        int r = rankIn(*s, lon, lat, true);
        if (r == kNtv2RankInside) {
            taken = s;
            takenRank = r;
            break;
        }
        if (r >= kNtv2RankNorthEdge && r <= kNtv2RankCorner &&
            (takenRank == kNtv2RankNone || r < takenRank)) {
            taken = s;
            takenRank = r;
        } else if (r == kNtv2RankFade && !taken) {
            taken = s;
            takenRank = r;
        }
    }
    if (!taken) return nullptr;
    if (takenRank != kNtv2RankFade) {
        // A child serves before its parent, even on the child's edge.
        const ntv2_subfile* parent = taken;
        while (parent->firstChild) {
            int bound = kNtv2RankFade + 1;
            const ntv2_subfile* child = nullptr;
            for (const ntv2_subfile* c = parent->firstChild; c; c = c->nextSibling) {
                int r = rankIn(*c, lon, lat, false);
                if (r == kNtv2RankInside) {
                    child = c;
                    bound = r;
                    break;
                }
                if (r >= kNtv2RankNorthEdge && r <= kNtv2RankCorner && r <= bound) {
                    child = c;
                    bound = r;
                }
            }
            if (!child) break;
            taken = child;
            takenRank = bound;
            parent = child;
        }
    }
    if (rank) *rank = takenRank;
    return taken;
}

bool ntv2_shift_at(ntv2_handle* h, const ntv2_subfile* s, int rank, double* lonShift,
                   double* latShift, double lon, double lat) {
    // Columns count from the east edge.
    double u = (s->east - lon) / s->lonSpacing;
    double v = (lat - s->south) / s->latSpacing;
    int column = int(u);
    int row = int(v);
    if (rank == kNtv2RankFade) {
        if (u < 0) column = -1;
        if (v < 0) row = -1;
    }
    double x = u - column;
    double y = v - row;
    int columnFlag = 0, rowFlag = 0;
    int lastColumn = s->columns - 1, lastRow = s->rows - 1;
    switch (rank) {
    case kNtv2RankFade:
        columnFlag = column < 0 ? 1 : (column > s->columns - 2 ? -1 : 0);
        rowFlag = row < 0 ? -1 : (row > s->rows - 2 ? 1 : 0);
        column = column < 0 ? 0 : (column > lastCell(s->columns) ? lastCell(s->columns) : column);
        row = row < 0 ? 0 : (row > lastCell(s->rows) ? lastCell(s->rows) : row);
        break;
    case kNtv2RankNorthEdge:
        row = lastRow;
        keepInside(u, s->columns, column, x);
        break;
    case kNtv2RankWestEdge:
        column = lastColumn;
        keepInside(v, s->rows, row, y);
        break;
    case kNtv2RankCorner:
        row = lastRow;
        column = lastColumn;
        break;
    default:
        keepInside(u, s->columns, column, x);
        keepInside(v, s->rows, row, y);
        break;
    }
    double shift[2];
    if (!ntv2_interpolate(h, s, ntv2_nodes(h, s), rank, column, row, columnFlag, rowFlag, x, y, shift))
        return false;
    *lonShift = -shift[kNtv2Longitude];  // the file counts longitude shifts positive west
    *latShift = shift[kNtv2Latitude];
    return true;
}

int ntv2_point_shift(ntv2_handle* h, const double* point, double* latShift, double* lonShift) {
    if (!h || !point || !latShift || !lonShift) return 0;
    int rank = kNtv2RankNone;
    const ntv2_subfile* s = ntv2_find_grid(h, &rank, point[0], point[1]);
    if (!s) return 0;
    double dLon, dLat;
    if (!ntv2_shift_at(h, s, rank, &dLon, &dLat, point[0], point[1])) return 0;
    *latShift = dLat;
    *lonShift = dLon;
    return 1;
}

int ntv2_forward(ntv2_handle* h, double factor, int n, double* points) {
    if (!h || !points || n < 1) return 0;
    factor = unitFactor(factor);
    int shifted = 0;
    for (int i = 0; i < n; ++i) {
        double* p = points + 2 * i;
        double lon = p[0] * factor, lat = p[1] * factor;
        int rank;
        const ntv2_subfile* s = ntv2_find_grid(h, &rank, lon, lat);
        double dLon, dLat;
        if (!s || !ntv2_shift_at(h, s, rank, &dLon, &dLat, lon, lat)) continue;
        p[0] = (lon + dLon) / factor;
        p[1] = (lat + dLat) / factor;
        ++shifted;
    }
    return shifted;
}

int ntv2_inverse(ntv2_handle* h, double factor, int n, double* points) {
    if (!h || !points || n < 1) return 0;
    factor = unitFactor(factor);
    int shifted = 0;
    for (int i = 0; i < n; ++i) {
        double* p = points + 2 * i;
        double targetLon = p[0] * factor, targetLat = p[1] * factor;
        double x = targetLon, y = targetLat;
        double previousX = NAN, previousY = NAN;
        for (int evaluations = 0; evaluations < kInverseMaxEvaluations; ++evaluations) {
            int rank;
            const ntv2_subfile* s = ntv2_find_grid(h, &rank, x, y);
            double dLon, dLat;
            if (!s || !ntv2_shift_at(h, s, rank, &dLon, &dLat, x, y)) break;
            double nextX = targetLon - dLon, nextY = targetLat - dLat;
            if (settled(nextX, x) && settled(nextY, y)) {
                p[0] = nextX / factor;
                p[1] = nextY / factor;
                ++shifted;
                break;
            }
            if (nextX == previousX && nextY == previousY) break;
            previousX = x;
            previousY = y;
            x = nextX;
            y = nextY;
        }
    }
    return shifted;
}

int ntv2_transform(ntv2_handle* h, int n, double* points, int forward, double factor) {
    return forward ? ntv2_forward(h, factor, n, points) : ntv2_inverse(h, factor, n, points);
}
