// Binary grid reader. Rows are read on demand, each kept once read (GridRows), and interpolated with the
// smoothstep surface of InterpFile. Spacings are snapped to whole arc-seconds because the f32
// header cannot hold 30" exactly (0.0083333 degrees must act as 30").
#include "geodesy/grids/BinFile.h"

#include <cmath>

#include "common/Platform.h"
#include "geodesy/grids/ByteOrder.h"

namespace {

constexpr size_t kHeaderSize = 96;
constexpr size_t kSemiMajorAt = 30;
constexpr size_t kInverseFlatteningAt = 38;
constexpr size_t kColumnsAt = 64;
constexpr size_t kRowsAt = 68;
constexpr size_t kValuesAt = 72;
constexpr size_t kWestAt = 76;
constexpr size_t kLonSpacingAt = 80;
constexpr size_t kSouthAt = 84;
constexpr size_t kLatSpacingAt = 88;

// The library's pi for degree conversion: multiply by pi, then divide by 180.
constexpr double kPi = 3.141592653589793;
constexpr double kHalfPi = kPi / 2;
constexpr double kSecondsPerDegree = 3600.0;
constexpr int kMaxValuesPerNode = 3;
// Each record starts with one f32 that carries nothing we use.
constexpr int kLeadingFloats = 1;

double toRadians(double degrees) { return degrees * kPi / 180.0; }

// Whole arc-seconds, in degrees.
double snapToSeconds(float degrees) {
    return std::trunc(double(degrees) * kSecondsPerDegree + 0.5) / kSecondsPerDegree;
}

}  // namespace

BinFile::BinFile(const char* filePath, bool westPositive) {
    // The result is not taken: a failure is raised by its facility when it goes out of scope.
    Open(filePath, westPositive);
}

BinFile::~BinFile() = default;

erc BinFile::Open(const char* filePath, bool westPositive) {
    path.clear();
    gridRows.reset();
    CloseFile();
    rows = columns = 0;
    valuesPerNode = recordSize = 0;
    wraps = false;

    std::shared_ptr<GridRows> shared;
    if (erc opened = OpenShared(filePath, sharedgrids::Format::BinaryGrid, kHeaderSize, shared); opened.getCode() != 0)
        return opened;
    const unsigned char* header = shared->Header();
    if (!header) return gridBadHeader();

    int32_t headerColumns = byteorder::loadLittle<int32_t>(header + kColumnsAt);
    int32_t headerRows = byteorder::loadLittle<int32_t>(header + kRowsAt);
    int32_t values = byteorder::loadLittle<int32_t>(header + kValuesAt);
    double southRad = toRadians(byteorder::loadLittle<float>(header + kSouthAt));
    double westRad = toRadians(byteorder::loadLittle<float>(header + kWestAt));
    if (!(southRad >= -kHalfPi && southRad <= kHalfPi) || !(westRad >= -kPi && westRad <= kPi))
        return gridBadHeader();
    if (headerRows < 2 || headerColumns < 2 || values < 1 || values > kMaxValuesPerNode)
        return gridBadHeader();
    double latStep = snapToSeconds(byteorder::loadLittle<float>(header + kLatSpacingAt));
    double lonStep = snapToSeconds(byteorder::loadLittle<float>(header + kLonSpacingAt));
    if (!(latStep > 0.0) || !(lonStep > 0.0) || !std::isfinite(latStep) ||
        !std::isfinite(lonStep))
        return gridBadHeader();

    // The whole file must hold every record: no lookup may read past its end.
    int64_t record = int64_t(values) * headerColumns * 4 + 4;
    if (record > INT32_MAX) return gridBadHeader();
    int64_t size = shared->FileSize();
    if (size < 0 || (size - record) / record < headerRows) return gridBadHeader();

    rows = headerRows;
    columns = headerColumns;
    valuesPerNode = values;
    recordSize = int32_t(record);
    south = southRad;
    west = westRad;
    latSpacing = toRadians(latStep);
    lonSpacing = toRadians(lonStep);
    north = south + (rows - 1) * latSpacing;
    east = west + (columns - 1) * lonSpacing;
    // Row r is record r + 1.
    shared->Layout(rows, size_t(recordSize), recordSize);
    gridRows = std::move(shared);
    semiMajor = byteorder::loadLittle<double>(header + kSemiMajorAt);
    inverseFlattening = byteorder::loadLittle<double>(header + kInverseFlatteningAt);
    if (westPositive) {
        double oldWest = west;
        west = -east;
        east = -oldWest;
    }
    SetWrap();
    return gridSuccess();
}

erc BinFile::Lookup(double latitude, double longitude, int* count, double* values) {
    // A regional grid that runs past 180 degrees takes western longitudes as their eastern
    // equivalents; a grid around the earth takes every longitude.
    if (!wraps && east > kPi && longitude < 0.0) longitude += 2 * kPi;
    Cell cell;
    // The cell's four nodes, each node's values together: west and east of its lower row, then
    // of its upper row (the file's bytes, read in place or onto this call's stack).
    unsigned char scratch[4 * kMaxValuesPerNode * 4];
    const unsigned char* nodes[4];
    const size_t nodeBytes = size_t(4 * valuesPerNode);
    auto offset = [&](int column) { return size_t(4 * (kLeadingFloats + valuesPerNode * column)); };
    if (!FindCell(latitude, longitude, gridRows && gridRows->Ready(), cell)) {
        if (count) *count = 0;
        return gridOutside();
    }
    if (!gridRows->ReadCell(cell.row, offset(cell.column), offset(cell.next), nodeBytes, scratch, nodes)) {
        if (count) *count = 0;
        return gridUnreadable();
    }
    const double u = cell.u, v = cell.v;
    auto node = [&](int corner, int k) { return byteorder::loadLittle<float>(nodes[corner] + 4 * size_t(k)); };
    double found[kMaxValuesPerNode];
    for (int k = 0; k < valuesPerNode; ++k) {
        // Corner order of the interpolation: lower west, lower east, upper east, upper west.
        const float corners[4] = {node(0, k), node(1, k), node(3, k), node(2, k)};
        if (!UsableNodes(corners)) {
            if (count) *count = 0;
            return gridOutside();
        }
        found[k] = Interpolate(corners, u, v);
    }
    for (int k = 0; k < valuesPerNode; ++k) values[k] = found[k];
    if (count) *count = valuesPerNode;
    return gridSuccess();
}

double BinFile::NullValue() { return double(1e9f); }

void BinFile::ToEllipsoid(double* a, double* f) {
    if (a) *a = semiMajor;
    if (f) *f = 1.0 / inverseFlattening;
}
