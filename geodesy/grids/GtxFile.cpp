// GTX reader. Rows are read on demand, each kept once read. Missing nodes of a cell take the
// value of the first node with data (in the order (row, column), (row, column + 1), (row + 1,
// column), (row + 1, column + 1)), so a coastline cell still gives a value; the four corners are
// then joined by the smoothstep surface of InterpFile (not bilinear).
#include "geodesy/grids/GtxFile.h"

#include <cmath>

#include "common/Platform.h"
#include "geodesy/grids/ByteOrder.h"

namespace {

constexpr size_t kHeaderSize = 40;
constexpr size_t kSouthAt = 0;
constexpr size_t kWestAt = 8;
constexpr size_t kLatSpacingAt = 16;
constexpr size_t kLonSpacingAt = 24;
constexpr size_t kRowsAt = 32;
constexpr size_t kColumnsAt = 36;

// The library's pi for degree conversion: multiply by pi, then divide by 180.
constexpr double kPi = 3.141592653589793;
constexpr double kHalfPi = kPi / 2;
// West longitudes above this are stored as 0..360 and mean value - 360.
constexpr double kHalfTurnDegrees = 180.0;
constexpr double kFullTurnDegrees = 360.0;
// The GTX marker of a node without data.
constexpr float kNoData = -88.8888f;

double toRadians(double degrees) { return degrees * kPi / 180.0; }

}  // namespace

GtxFile::GtxFile(const char* filePath) {
    // The result is not taken: a failure is raised by its facility when it goes out of scope.
    Open(filePath);
}

GtxFile::~GtxFile() = default;

erc GtxFile::Open(const char* filePath) {
    std::shared_ptr<GridRows> shared;
    if (erc opened = OpenShared(filePath, sharedgrids::Format::Gtx, kHeaderSize, shared); opened.getCode() != 0)
        return opened;
    const unsigned char* header = shared->Header();
    if (!header) return gridBadHeader();
    double southDegrees = byteorder::loadBig<double>(header + kSouthAt);
    double westDegrees = byteorder::loadBig<double>(header + kWestAt);
    double latStep = byteorder::loadBig<double>(header + kLatSpacingAt);
    double lonStep = byteorder::loadBig<double>(header + kLonSpacingAt);
    int32_t headerRows = byteorder::loadBig<int32_t>(header + kRowsAt);
    int32_t headerColumns = byteorder::loadBig<int32_t>(header + kColumnsAt);

    double southRad = toRadians(southDegrees);
    if (westDegrees > kHalfTurnDegrees) westDegrees -= kFullTurnDegrees;
    double westRad = toRadians(westDegrees);
    if (!(southRad >= -kHalfPi && southRad <= kHalfPi) || !(westRad >= -kPi && westRad <= kPi))
        return gridBadHeader();
    // Without these no cell exists, and a zero spacing would make every index undefined.
    if (headerRows < 2 || headerColumns < 2) return gridBadHeader();
    // Checked in radians: a spacing finite in degrees may overflow in the conversion, and so may
    // the north or east limit.
    double latRad = toRadians(latStep), lonRad = toRadians(lonStep);
    double northRad = (headerRows - 1) * latRad + southRad, eastRad = (headerColumns - 1) * lonRad + westRad;
    if (!(latRad > 0.0) || !(lonRad > 0.0) || !std::isfinite(northRad) || !std::isfinite(eastRad))
        return gridBadHeader();
    int64_t row = int64_t(headerColumns) * 4;
    if (row > INT32_MAX) return gridBadHeader();
    int64_t size = shared->FileSize();
    if (size < 0 || (size - int64_t(kHeaderSize)) / row < headerRows) return gridBadHeader();

    rows = headerRows;
    columns = headerColumns;
    rowSize = int32_t(row);
    south = southRad;
    west = westRad;
    latSpacing = latRad;
    lonSpacing = lonRad;
    north = northRad;
    east = eastRad;
    shared->Layout(rows, size_t(rowSize), int64_t(kHeaderSize));
    gridRows = std::move(shared);
    SetWrap();
    return gridSuccess();
}

erc GtxFile::Lookup(double latitude, double longitude, int* count, double* values) {
    Cell cell;
    // The cell's four nodes: west and east of its lower row, then of its upper row (the file's
    // bytes, read in place or onto this call's stack).
    unsigned char scratch[4 * 4];
    const unsigned char* nodes[4];
    if (!FindCell(latitude, longitude, gridRows && gridRows->Ready(), cell)) {
        if (count) *count = 0;
        return gridOutside();
    }
    if (!gridRows->ReadCell(cell.row, 4 * size_t(cell.column), 4 * size_t(cell.next), 4, scratch, nodes)) {
        if (count) *count = 0;
        return gridUnreadable();
    }
    const double u = cell.u, v = cell.v;

    auto node = [&](int corner) { return byteorder::loadBig<float>(nodes[corner]); };
    // Scan order of the fill rule: (row, column), (row, column + 1), (row + 1, column),
    // (row + 1, column + 1).
    float scan[4] = {node(0), node(1), node(2), node(3)};
    const float* fill = nullptr;
    for (const float& value : scan) {
        if (value != kNoData) {
            fill = &value;
            break;
        }
    }
    if (!fill) return gridOutside();
    float filled[4];
    for (int k = 0; k < 4; ++k) filled[k] = scan[k] == kNoData ? *fill : scan[k];
    if (!UsableNodes(filled)) {
        if (count) *count = 0;
        return gridOutside();
    }
    // Corner order of the interpolation: (row, column), (row, column + 1), (row + 1, column + 1),
    // (row + 1, column).
    const float corners[4] = {filled[0], filled[1], filled[3], filled[2]};
    values[0] = Interpolate(corners, u, v);
    if (count) *count = 1;
    return gridSuccess();
}

double GtxFile::NullValue() { return double(kNoData); }
