// Trace lines ("CreateGeodesy entered", the EPSG resolver's messages): only the 32-bit library
// writes them; the 64-bit one writes its load line only.
#pragma once

#include <cstdarg>

#include "common/DebugLog.h"

inline constexpr bool kTraceBuild = sizeof(void*) == 4;

// A printf-style debug line in the 32-bit library; nothing in the 64-bit one.
inline void trace(const char* format, ...) __attribute__((format(printf, 1, 2)));

inline void trace(const char* format, ...) {
    if constexpr (kTraceBuild) {
        va_list ap;
        va_start(ap, format);
        debugLogV(format, ap);
        va_end(ap);
    } else {
        (void)format;
    }
}
