// Entry trace lines ("<name> entered"): only the 32-bit library writes them; the 64-bit one
// writes its load line only.
#pragma once

#include "common/DebugLog.h"

inline constexpr bool kTraceBuild = sizeof(void*) == 4;

inline void traceEntered(const char* name) {
    if constexpr (kTraceBuild) debugLog("%s entered", name);
}
