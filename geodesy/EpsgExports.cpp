// EPSG exports: a Geodesy from a projected system's code, the code of a handle, the kind and
// ellipsoid of any code, read from the predefined-parameter database.
#include "geodesy/EpsgResolver.h"
#include "geodesy/ExportFrame.h"
#include "geodesy/Geodesy.h"
#include "geodesy/Tellus.h"
#include "geodesy/Trace.h"

TELLUS_API GeodesyHandle TELLUS_CALL CreateEpsgGeodesy(int crsCode) {
    trace("CreateEpsgGeodesy entered");
    Geodesy* created = nullptr;
    int code = exportframe::runCaught([&] { return CreateEpsgGeodesyObject(crsCode, created); });
    exportframe::setError(code);
    return code == 0 ? created : nullptr;
}

TELLUS_API int TELLUS_CALL GetEpsgCode(GeodesyHandle h, int* code) {
    trace("GetEpsgCode entered");
    return exportframe::statusExport(h, [&] {
        if (!code) return exportframe::nullPointer();
        int found = 0;
        erc status = EpsgCodeOf(exportframe::geodesyOf(h), found);
        if (!status) *code = found;
        return status;
    });
}

TELLUS_API int TELLUS_CALL GetEpsgParams(int crsCode, EpsgParams* record) {
    trace("GetEpsgParams entered");
    if (!record || record->size != sizeof(EpsgParams)) {
        exportframe::setError(TELLUS_E_GENERAL);
        return 0;
    }
    int code = exportframe::runCaught([&] { return DescribeEpsg(crsCode, *record); });
    // Success leaves the thread's code as it was: an earlier failure stays visible.
    if (code != 0) exportframe::setError(code);
    return code == 0 ? 1 : 0;
}
