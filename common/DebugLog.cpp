#include "common/DebugLog.h"

#include <cstdio>
#include <string>
#include <string_view>

#include "common/Platform.h"
#include "common/Text.h"

bool debugLogActive() { return platform::debugOutputActive(); }

void debugLogV(const char* format, va_list args) {
    // A line that nobody receives is not formatted.
    if (!debugLogActive()) return;
    // Room for the longest line and the start of the character at the cut, which decides where
    // the cut may fall.
    constexpr size_t kLookAhead = 4;
    char line[kDebugLineLimit + kLookAhead + 1];
    int prefix = std::snprintf(line, sizeof line, "[%x] ", unsigned(platform::threadId()));
    if (prefix < 0) prefix = 0;
    int n = format ? std::vsnprintf(line + prefix, sizeof line - size_t(prefix), format, args) : 0;
    size_t stored = size_t(prefix) + (n > 0 ? std::min(size_t(n), sizeof line - size_t(prefix) - 1) : 0);
    std::string_view text(line, stored);
    std::string out(line, utf8CutPoint(text, size_t(kDebugLineLimit)));
    out += '\n';
    platform::debugOutput(out);
}

void debugLog(const char* format, ...) {
    va_list ap;
    va_start(ap, format);
    debugLogV(format, ap);
    va_end(ap);
}
