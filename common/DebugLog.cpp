#include "common/DebugLog.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <string>

#include "common/Platform.h"

void debugLog(const char* format, ...) {
    char line[kDebugLineLimit + 2];
    int prefix = std::snprintf(line, sizeof line, "[%x] ", unsigned(platform::threadId()));
    if (prefix < 0) prefix = 0;
    va_list ap;
    va_start(ap, format);
    int n = std::vsnprintf(line + prefix, size_t(kDebugLineLimit - prefix), format ? format : "", ap);
    va_end(ap);
    size_t length = size_t(prefix);
    if (n > 0) length += std::min(size_t(n), size_t(kDebugLineLimit - prefix - 1));
    std::string out(line, length);
    out += '\n';
    platform::debugOutput(out);
}
