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

bool withinOneCell(double v, double low, double high, double step) {
    return low - step < v && v < high + step;
}

inline bool inside(const ntv2_subfile& s, double lon, double lat) {
    return s.south <= lat && lat < s.north && s.west < lon && lon <= s.east;
}

inline int rankIn(const ntv2_subfile& s, double lon, double lat, bool topLevel) {
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

// The two components of a node (longitude, latitude) as one pair of doubles: an operation on a
// pair is that operation on each component alone.
typedef double Pair __attribute__((vector_size(2 * sizeof(double))));

inline Pair nodePair(const float* node) { return Pair{node[kNtv2Longitude], node[kNtv2Latitude]}; }

// Both components of one node in the file unit (longitude positive west), from the sub-grid's
// nodes in memory (`nodes`, see ntv2_nodes) or else from the file. False when the node cannot be
// read or holds no usable value.
inline bool nodeValues(ntv2_handle* h, const ntv2_subfile* s, const float* nodes, int row, int column,
                       Pair& value) {
    if (row < 0 || row >= s->rows || column < 0 || column >= s->columns) return false;
    if (!nodes) {
        double read[2];
        if (!fileNodeValues(h, s, row, column, read)) return false;
        value = Pair{read[kNtv2Longitude], read[kNtv2Latitude]};
    } else {
        value = nodePair(nodes + 2 * (size_t(row) * size_t(s->columns) + size_t(column)));
    }
    return ntv2_usable_shift(h, value[kNtv2Longitude]) && ntv2_usable_shift(h, value[kNtv2Latitude]);
}

// A cell of the fade band: the corner pair `from` hands its values (the grid's edge) to the pair
// `to` and becomes 0, so the shift runs from the edge's values to zero across the cell.
inline void fadeAcross(Pair& to0, Pair& to1, Pair& from0, Pair& from1) {
    to0 = from0;
    to1 = from1;
    from0 = from1 = Pair{0.0, 0.0};
}

// The bilinear surface over a cell, in the file unit: a + ab x + ad y + abde x y at the fractions
// (x, y) across the cell, from the corners a at (column, row), b at the next column, d at the
// next row and e at both; the same terms in the same order as a + (b - a) x + (d - a) y +
// (e - b - d + a) x y.
struct Surface {
    Pair a, ab, ad, abde;
};

inline Surface surfaceOf(Pair a, Pair b, Pair d, Pair e) { return {a, b - a, d - a, e - b - d + a}; }

// The shift in degrees on a surface at (x, y): longitude (positive east) and latitude.
inline void shiftOn(const ntv2_handle* h, const Surface& f, double x, double y, double& dLon, double& dLat) {
    const Pair value = f.a + f.ab * x + f.ad * y + f.abde * x * y;
    // A file in seconds takes no product by its unit: one by 1 is the value itself.
    const Pair shift = (h->toSeconds == 1.0 ? value : value * h->toSeconds) / kSecondsPerDegree;
    dLon = -shift[kNtv2Longitude];  // the file counts longitude shifts positive west
    dLat = shift[kNtv2Latitude];
}

// Where a point falls in a sub-grid and the surface over its cell: the cell (column from the
// east, row from the south), the point's fractions across it, the fade band's side flags, and the
// surface from the cell's corners.
struct Cell {
    const ntv2_subfile* grid = nullptr;
    int rank = kNtv2RankNone;
    // Set by locate.
    int column, row;
    int columnFlag, rowFlag;
    double x, y;
    // Set by fetch.
    Surface surface;
};

// Keeps a cell index inside the nodes; the fraction is taken again from the kept index.
inline void keepInside(double t, int nodes, int& index, double& fraction) {
    if (index > lastCell(nodes)) {
        index = lastCell(nodes);
        fraction = t - index;
    }
}

// The cell of (lon, lat) in `s`, served at `rank`, and the point's fractions in it.
inline void locate(const ntv2_subfile* s, int rank, double lon, double lat, Cell& c) {
    c.grid = s;
    c.rank = rank;
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
    c.column = column;
    c.row = row;
    c.columnFlag = columnFlag;
    c.rowFlag = rowFlag;
    c.x = x;
    c.y = y;
}

// The surface of a located cell from `nodes` (see ntv2_nodes), one pass over its nodes with every
// check. False when a node cannot be read or holds no usable value.
[[gnu::noinline]] bool fetchChecked(ntv2_handle* h, Cell& c, const float* nodes) {
    const ntv2_subfile* s = c.grid;
    const int column = c.column, row = c.row;
    const int column1 = nextNode(column, s->columns), row1 = nextNode(row, s->rows);
    Pair a{0.0, 0.0}, b = a, d = a, e = a;
    switch (c.rank) {
    case kNtv2RankInside:
    case kNtv2RankFade:
        if (!nodeValues(h, s, nodes, row, column, a) || !nodeValues(h, s, nodes, row, column1, b) ||
            !nodeValues(h, s, nodes, row1, column, d) || !nodeValues(h, s, nodes, row1, column1, e))
            return false;
        break;
    case kNtv2RankNorthEdge:
        if (!nodeValues(h, s, nodes, row, column, a) || !nodeValues(h, s, nodes, row, column1, b)) return false;
        d = a;
        e = b;
        break;
    case kNtv2RankWestEdge:
        if (!nodeValues(h, s, nodes, row, column, a) || !nodeValues(h, s, nodes, row1, column, d)) return false;
        b = a;
        e = d;
        break;
    case kNtv2RankCorner:
        if (!nodeValues(h, s, nodes, row, column, a)) return false;
        b = d = e = a;
        break;
    default: break;
    }
    if (c.rank == kNtv2RankFade) {
        if (c.columnFlag < 0)
            fadeAcross(a, d, b, e);
        else if (c.columnFlag > 0)
            fadeAcross(b, e, a, d);
        if (c.rowFlag < 0)
            fadeAcross(d, e, a, b);
        else if (c.rowFlag > 0)
            fadeAcross(a, b, d, e);
    }
    c.surface = surfaceOf(a, b, d, e);
    return true;
}

// The surface over the cell whose corners are the nodes at (column, row) and (column1, row1), read
// from `nodes` in memory without a check.
inline Surface cornerSurface(const ntv2_subfile* s, const float* nodes, int column, int row, int column1, int row1) {
    const float* south = nodes + 2 * size_t(row) * size_t(s->columns);
    const float* north = nodes + 2 * size_t(row1) * size_t(s->columns);
    return surfaceOf(nodePair(south + 2 * column), nodePair(south + 2 * column1), nodePair(north + 2 * column),
                     nodePair(north + 2 * column1));
}

// The surface of a located cell. The common case, a point inside a grid whose nodes are in memory
// and all usable, takes the four nodes without a check; any other goes through fetchChecked.
inline bool fetch(ntv2_handle* h, Cell& c) {
    const ntv2_subfile* s = c.grid;
    bool allUsable;
    const float* nodes = ntv2_nodes(h, s, allUsable);
    const int column = c.column, row = c.row;
    const int column1 = nextNode(column, s->columns), row1 = nextNode(row, s->rows);
    if (c.rank != kNtv2RankInside || !allUsable || column < 0 || column1 >= s->columns || row < 0 ||
        row1 >= s->rows)
        return fetchChecked(h, c, nodes);
    c.surface = cornerSurface(s, nodes, column, row, column1, row1);
    return true;
}

// The first top-level grid when it is sole and (lon, lat) lies inside it, else null: the search
// would take that grid first and find no child.
inline const ntv2_subfile* soleFirstServing(const ntv2_handle* h, double lon, double lat) {
    const ntv2_subfile* first = h->firstTopLevel;
    return first && first->sole && inside(*first, lon, lat) ? first : nullptr;
}

// The sub-grid serving (lon, lat) and its rank.
inline const ntv2_subfile* findGrid(const ntv2_handle* h, int& rank, double lon, double lat) {
    if (const ntv2_subfile* first = soleFirstServing(h, lon, lat)) {
        rank = kNtv2RankInside;
        return first;
    }
    return ntv2_find_grid(h, &rank, lon, lat);
}

// The located and fetched cell that serves (lon, lat); false when none does or a node of it
// cannot be read or is not usable.
inline bool cellAt(ntv2_handle* h, double lon, double lat, Cell& c) {
    int rank;
    const ntv2_subfile* s = findGrid(h, rank, lon, lat);
    if (!s) return false;
    // The rank as a constant for the common case, so that its cell takes the short way.
    if (rank == kNtv2RankInside)
        locate(s, kNtv2RankInside, lon, lat, c);
    else
        locate(s, rank, lon, lat, c);
    return fetch(h, c);
}

// Shift at (lon, lat) in degrees, inside `s` at rank inside, the short way: nodes in memory that
// are all usable, the cell (as locate finds it for that rank) kept in registers. False when that
// way does not serve the point (the checked way then decides).
[[gnu::always_inline]] inline bool insideShift(ntv2_handle* h, const ntv2_subfile* s, double lon, double lat,
                                               double& dLon, double& dLat) {
    bool allUsable;
    const float* nodes = ntv2_nodes(h, s, allUsable);
    // Lines of nodes take the checked way; in a grid of two rows and columns or more the last
    // cell is the one before the last node and every cell has a next node.
    const int columns = s->columns, rows = s->rows;
    if (!allUsable || columns < 2 || rows < 2) return false;
    // Columns count from the east edge.
    double u = (s->east - lon) / s->lonSpacing;
    double v = (lat - s->south) / s->latSpacing;
    int column = int(u), row = int(v);
    double x = u - column, y = v - row;
    keepInside(u, columns, column, x);
    keepInside(v, rows, row, y);
    if (column < 0 || row < 0) return false;
    const int column1 = column + 1, row1 = row + 1;
    shiftOn(h, cornerSurface(s, nodes, column, row, column1, row1), x, y, dLon, dLat);
    return true;
}

// Shift at (lon, lat) in degrees in `s`, served at `rank`, through its located and fetched cell.
inline bool cellShift(ntv2_handle* h, const ntv2_subfile* s, int rank, double lon, double lat, double& dLon,
                      double& dLat) {
    Cell c;
    locate(s, rank, lon, lat, c);
    if (!fetch(h, c)) return false;
    shiftOn(h, c.surface, c.x, c.y, dLon, dLat);
    return true;
}

// Shift at (lon, lat) by the search and the cell it finds; see pointShift.
[[gnu::noinline]] bool searchedShift(ntv2_handle* h, double lon, double lat, double& dLon, double& dLat) {
    int rank;
    const ntv2_subfile* s = ntv2_find_grid(h, &rank, lon, lat);
    if (!s) return false;
    if (rank == kNtv2RankInside && insideShift(h, s, lon, lat, dLon, dLat)) return true;
    return cellShift(h, s, rank, lon, lat, dLon, dLat);
}

// Shift at (lon, lat) in degrees: longitude (positive east) and latitude. False when no grid
// serves the point or a node of its cell cannot be read or is not usable. A point inside the
// first top-level grid, when that is sole, is its at once (the search would take it first and
// find no child).
[[gnu::always_inline]] inline bool pointShift(ntv2_handle* h, double lon, double lat, double& dLon,
                                              double& dLat) {
    const ntv2_subfile* first = soleFirstServing(h, lon, lat);
    if (first && insideShift(h, first, lon, lat, dLon, dLat)) return true;
    return searchedShift(h, lon, lat, dLon, dLat);
}

// Moves a cell's point to (lon, lat) when the cell serves it: a cell inside a sole grid that the
// point is still inside, at the same column and row (the search would find the same grid, the
// nodes are those already fetched). False otherwise (the cell is then unchanged).
inline bool moveInside(Cell& c, double lon, double lat) {
    if (c.rank != kNtv2RankInside || !c.grid->sole || !inside(*c.grid, lon, lat)) return false;
    Cell moved;
    locate(c.grid, kNtv2RankInside, lon, lat, moved);
    if (moved.column != c.column || moved.row != c.row) return false;
    c.x = moved.x;
    c.y = moved.y;
    return true;
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

// One point (value x factor = degrees) shifted forward in place; false when no grid serves it
// (it is then unchanged).
[[gnu::always_inline]] inline bool forwardPoint(ntv2_handle* h, double factor, double& pointLon,
                                                double& pointLat) {
    double lon = pointLon * factor, lat = pointLat * factor;
    double dLon, dLat;
    if (!pointShift(h, lon, lat, dLon, dLat)) return false;
    pointLon = (lon + dLon) / factor;
    pointLat = (lat + dLat) / factor;
    return true;
}

// One point (value x factor = degrees) shifted back in place by fixed-point iteration; false when
// it does not settle (it is then unchanged).
inline bool inversePoint(ntv2_handle* h, double factor, double& pointLon, double& pointLat) {
    double targetLon = pointLon * factor, targetLat = pointLat * factor;
    double x = targetLon, y = targetLat;
    double previousX = NAN, previousY = NAN;
    Cell cell;
    for (int evaluations = 0; evaluations < kInverseMaxEvaluations; ++evaluations) {
        if (!moveInside(cell, x, y) && !cellAt(h, x, y, cell)) return false;
        double dLon, dLat;
        shiftOn(h, cell.surface, cell.x, cell.y, dLon, dLat);
        double nextX = targetLon - dLon, nextY = targetLat - dLat;
        if (settled(nextX, x) && settled(nextY, y)) {
            pointLon = nextX / factor;
            pointLat = nextY / factor;
            return true;
        }
        if (nextX == previousX && nextY == previousY) return false;
        previousX = x;
        previousY = y;
        x = nextX;
        y = nextY;
    }
    return false;
}

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
    return cellShift(h, s, rank, lon, lat, *lonShift, *latShift);
}

int ntv2_point_shift(ntv2_handle* h, const double* point, double* latShift, double* lonShift) {
    if (!h || !point || !latShift || !lonShift) return 0;
    double dLon, dLat;
    if (!pointShift(h, point[0], point[1], dLon, dLat)) return 0;
    *latShift = dLat;
    *lonShift = dLon;
    return 1;
}

int ntv2_forward(ntv2_handle* h, double factor, int n, double* points) {
    if (!h || !points || n < 1) return 0;
    factor = unitFactor(factor);
    int shifted = 0;
    for (int i = 0; i < n; ++i) shifted += forwardPoint(h, factor, points[2 * i], points[2 * i + 1]);
    return shifted;
}

int ntv2_inverse(ntv2_handle* h, double factor, int n, double* points) {
    if (!h || !points || n < 1) return 0;
    factor = unitFactor(factor);
    int shifted = 0;
    for (int i = 0; i < n; ++i) shifted += inversePoint(h, factor, points[2 * i], points[2 * i + 1]);
    return shifted;
}

ntv2_point ntv2_shifted(ntv2_handle* h, double factor, bool forward, double lon, double lat) {
    factor = unitFactor(factor);
    if (!h) return {NAN, NAN};
    // Copies of their own for each way, so that the forward one stays in registers.
    if (forward) {
        double x = lon, y = lat;
        if (forwardPoint(h, factor, x, y)) return {x, y};
    } else {
        double x = lon, y = lat;
        if (inversePoint(h, factor, x, y)) return {x, y};
    }
    return {NAN, NAN};
}

int ntv2_transform(ntv2_handle* h, int n, double* points, int forward, double factor) {
    return forward ? ntv2_forward(h, factor, n, points) : ntv2_inverse(h, factor, n, points);
}
