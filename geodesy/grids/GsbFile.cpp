#include "geodesy/grids/GsbFile.h"

#include <cstring>

#include "geodesy/grids/ByteOrder.h"
#include "geodesy/grids/Ntv2Shift.h"

namespace {

// The library's degree constant, truncated; kept so lookups agree with the rest of the library.
constexpr double kRadiansPerDegree = 0.01745329251994;
// Its reciprocal for the shifts, as the library has always used it.
constexpr double kDegreesPerRadian = 57.295779513093144;
constexpr double kSecondsPerDegree = 3600.0;
constexpr int kShiftValues = 2;
// Overview records of the source and target ellipsoids (MAJOR_F, MINOR_F, MAJOR_T, MINOR_T).
constexpr int kMajorFrom = 7;
constexpr int kMajorTo = 9;
constexpr int kKeyLength = 8;

}  // namespace

GsbFile::GsbFile(const char* filePath) {
    handle = filePath ? ntv2_open(filePath, true, false, nullptr, nullptr) : nullptr;
    if (!handle) {
        // Raised: the value is not taken.
        erc(1, kSeverityError, &geodesyFacility());
        return;
    }
    path = filePath;
    south = handle->south;
    north = handle->north;
    west = handle->west;
    east = handle->east;
}

GsbFile::~GsbFile() { ntv2_close(handle); }

erc GsbFile::Lookup(double latitude, double longitude, int* count, double* values) {
    if (count) *count = kShiftValues;
    const double point[2] = {longitude / kRadiansPerDegree, latitude / kRadiansPerDegree};
    double latShift, lonShift;
    if (!ntv2_point_shift(handle, point, &latShift, &lonShift)) return gridOutside();
    values[0] = latShift * kSecondsPerDegree;
    values[1] = lonShift * kSecondsPerDegree;
    return gridSuccess();
}

double GsbFile::NullValue() { return double(1e9f); }

void GsbFile::Ellipsoid(int majorRecord, double* a, double* f) {
    if (!handle || handle->keptOverview.empty()) {
        InterpFile::ToEllipsoid(a, f);
        return;
    }
    const unsigned char* kept = handle->keptOverview.data();
    double major = byteorder::load<double>(kept + majorRecord * kNtv2RecordSize + kKeyLength, false);
    double minor =
        byteorder::load<double>(kept + (majorRecord + 1) * kNtv2RecordSize + kKeyLength, false);
    if (a) *a = major;
    if (f) *f = (major - minor) / major;
}

void GsbFile::ToEllipsoid(double* a, double* f) { Ellipsoid(kMajorTo, a, f); }

void GsbFile::FromEllipsoid(double* a, double* f) { Ellipsoid(kMajorFrom, a, f); }

erc GsbFile::Forward(double* latitude, double* longitude) {
    double point[2] = {*longitude, *latitude};
    if (ntv2_forward(handle, kDegreesPerRadian, 1, point) != 1) return gridOutside();
    *longitude = point[0];
    *latitude = point[1];
    return gridSuccess();
}

erc GsbFile::Inverse(double* latitude, double* longitude) {
    double point[2] = {*longitude, *latitude};
    if (ntv2_inverse(handle, kDegreesPerRadian, 1, point) != 1) return gridOutside();
    *longitude = point[0];
    *latitude = point[1];
    return gridSuccess();
}
