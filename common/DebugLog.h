// The debug log: one line per message, "[<thread id in hex>] " first, at most 1020 bytes of
// prefix and message and then "\n". A longer message is cut, never inside a UTF-8 character.
#pragma once

#include <cstdarg>

void debugLog(const char* format, ...) __attribute__((format(printf, 1, 2)));
void debugLogV(const char* format, va_list args) __attribute__((format(printf, 1, 0)));
// True when debug lines reach a sink; without one, debugLog formats nothing.
bool debugLogActive();

// Limit of prefix and message together, in bytes, before the line end.
inline constexpr int kDebugLineLimit = 1020;
