#include "geodesy/grids/GsbFile.h"

#include <cstring>

#include "geodesy/grids/ByteOrder.h"
#include "geodesy/grids/SharedGridFiles.h"

namespace {

// The library's degree constant, truncated; kept so lookups agree with the rest of the library.
constexpr double kRadiansPerDegree = 0.01745329251994;
constexpr double kSecondsPerDegree = 3600.0;
constexpr int kShiftValues = 2;
// Overview records of the source and target ellipsoids (MAJOR_F, MINOR_F, MAJOR_T, MINOR_T).
constexpr int kMajorFrom = 7;
constexpr int kMajorTo = 9;

}  // namespace

GsbFile::GsbFile(const char* filePath) {
    // Every object of one file shares its handle: its file, its sub-grids and their nodes.
    if (filePath)
        shared = sharedgrids::acquire<ntv2_handle>(
            filePath, sharedgrids::Format::Ntv2, ntv2_close, [](const std::string& p, platform::FileStamp& stamp) {
                ntv2_handle* h = ntv2_open(p.c_str(), true, false, nullptr, nullptr);
                // A handle whose open failed has no file left to tell it by: it is not shared.
                if (h && h->file) platform::fileStamp(h->file, stamp);
                return h;
            });
    handle = shared.get();
    if (!handle) {
        // Raised: the value is not taken.
        erc(1, kSeverityError, &geodesyFacility());
        return;
    }
    path = filePath;
    // The file's extent in degrees; its sub-grids have spacings of their own.
    GridExtent::operator=({.south = handle->south, .north = handle->north, .west = handle->west, .east = handle->east});
}

GsbFile::~GsbFile() = default;

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
    double major = byteorder::load<double>(kept + majorRecord * kNtv2RecordSize + kNtv2KeyLength, false);
    double minor =
        byteorder::load<double>(kept + (majorRecord + 1) * kNtv2RecordSize + kNtv2KeyLength, false);
    if (a) *a = major;
    if (f) *f = (major - minor) / major;
}

void GsbFile::ToEllipsoid(double* a, double* f) { Ellipsoid(kMajorTo, a, f); }

void GsbFile::FromEllipsoid(double* a, double* f) { Ellipsoid(kMajorFrom, a, f); }

