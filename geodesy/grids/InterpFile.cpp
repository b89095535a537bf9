#include "geodesy/grids/InterpFile.h"

#include <cmath>

#include "common/Platform.h"
#include "geodesy/projections/Angles.h"

namespace {

// WGS 84, the source ellipsoid of grids that name none. The flattening is the library's
// rounded value, kept as it is.
constexpr double kWgs84SemiMajor = 6378137.0;
constexpr double kWgs84Flattening = 0.003352810664747;

// Beyond the deepest ocean and the highest mountain, and 2.8 degrees as an angular shift.
constexpr double kMaxNodeValue = 10000.0;
// A turn in radians.
constexpr double kFullTurn = kTwoPi;

}  // namespace

erc gridSuccess() { return erc(0, 0, &geodesyFacility()); }

erc gridOutside() { return erc(4, kSeverityError, &geodesyFacility()); }

erc gridUnreadable() { return erc(1, kSeverityError, &geodesyFacility()); }

erc gridBadHeader() { return erc(2, kSeverityError, &geodesyFacility()); }

erc InterpFile::OpenFile(const char* filePath) {
    if (!filePath) return erc(1, kSeverityError, &geodesyFacility());
    path = filePath;
    file = platform::openForReading(path);
    if (!file) return erc(1, kSeverityError, &geodesyFacility());
    return gridSuccess();
}

InterpFile::~InterpFile() { CloseFile(); }

erc InterpFile::OpenShared(const char* filePath, sharedgrids::Format format, size_t headerSize,
                           std::shared_ptr<GridRows>& rows) {
    if (!filePath) return erc(1, kSeverityError, &geodesyFacility());
    path = filePath;
    rows = GridRows::Open(path, format, headerSize);
    if (!rows) return erc(1, kSeverityError, &geodesyFacility());
    return gridSuccess();
}

void InterpFile::CloseFile() {
    if (file) std::fclose(file);
    file = nullptr;
}

void InterpFile::ToEllipsoid(double* a, double* f) {
    double none = NullValue();
    if (a) *a = none;
    if (f) *f = none;
}

void InterpFile::FromEllipsoid(double* a, double* f) {
    if (a) *a = kWgs84SemiMajor;
    if (f) *f = kWgs84Flattening;
}

double InterpFile::SmoothWeight(double s, double t) {
    return s * s * t * t * (9.0 - 6.0 * s - 6.0 * t + 4.0 * s * t);
}

double InterpFile::Interpolate(const float corners[4], double u, double v) {
    double sum = 0.0;
    sum += SmoothWeight(1.0 - u, 1.0 - v) * corners[0];
    sum += SmoothWeight(u, 1.0 - v) * corners[1];
    sum += SmoothWeight(u, v) * corners[2];
    sum += SmoothWeight(1.0 - u, v) * corners[3];
    return sum;
}

void InterpFile::SetWrap() {
    // The spacing comes from degrees: a millionth of it absorbs the rounding to radians.
    wraps = columns >= 2 && double(columns) * lonSpacing >= kFullTurn - lonSpacing * 1e-6;
}

bool InterpFile::FindCell(double latitude, double longitude, bool ready, Cell& cell) const {
    if (!ready || !(south <= latitude && latitude <= north)) return false;
    const int row = CellIndex((latitude - south) / latSpacing, rows);
    const double v = (latitude - (row * latSpacing + south)) / latSpacing;
    if (!wraps) {
        if (!(west <= longitude && longitude <= east)) return false;
        const int column = CellIndex((longitude - west) / lonSpacing, columns);
        cell = {row, column, column + 1, (longitude - (column * lonSpacing + west)) / lonSpacing, v};
        return true;
    }
    // Distance east of the first column, within one turn (a longitude within a turn of the grid's
    // needs no division).
    double d = longitude - west;
    if (d < 0.0) d += kFullTurn;
    else if (d >= kFullTurn) d -= kFullTurn;
    if (!(d >= 0.0 && d < kFullTurn)) {
        d = std::fmod(longitude - west, kFullTurn);
        if (d < 0.0) d += kFullTurn;
        // A distance just short of zero rounds up to a whole turn: the first column.
        if (d == kFullTurn) d = 0.0;
        if (std::isnan(d)) return false;  // an infinite longitude, or none
    }
    const double t = d / lonSpacing;
    const int column = t >= double(columns - 1) ? columns - 1 : int(t);
    cell = {row, column, column + 1 < columns ? column + 1 : 0, (d - column * lonSpacing) / lonSpacing, v};
    return true;
}

int InterpFile::CellIndex(double t, int nodes) {
    // Compared as doubles first: the conversion of an out-of-range double is undefined.
    double last = double(nodes - 2);
    if (!(t > 0.0)) return 0;
    if (t >= last) return nodes - 2;
    return int(t);
}

bool InterpFile::UsableValue(double value) {
    // The negated form also refuses a NaN.
    return std::fabs(value) <= kMaxNodeValue;
}

bool InterpFile::UsableNodes(const float nodes[4]) {
    return UsableValue(nodes[0]) && UsableValue(nodes[1]) && UsableValue(nodes[2]) && UsableValue(nodes[3]);
}
