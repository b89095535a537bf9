// Library load, the per-thread code, the version.
#include "common/DebugLog.h"
#include "geodesy/ExportFrame.h"
#include "geodesy/Tellus.h"
#include "geodesy/Trace.h"

namespace {

constexpr int kVersionMajor = 20;
constexpr int kVersionMinor = 1;
constexpr int kGeodesyVersion = TELLUS_VERSION;

// Runs when the shared object is loaded, before any host call.
__attribute__((constructor)) void onLibraryLoad() {
    geodesyFacility();
    if constexpr (kTraceBuild)
        debugLog("Tellus32 ver %d.%d loaded", kVersionMajor, kVersionMinor);
    else
        debugLog("Tellus64 ver %d.%d loaded", kVersionMajor, kVersionMinor);
}

}  // namespace

namespace exportframe {

thread_local constinit int threadError = 0;

}  // namespace exportframe

TELLUS_API int TELLUS_CALL GetGeodesyError(void) { return exportframe::error(); }

TELLUS_API int TELLUS_CALL GetGeodesyVersion(void) { return kGeodesyVersion; }
