// The debug log: one line per message, "[<thread id in hex>] " first, at most 1020 bytes of
// prefix and message and then "\n".
#pragma once

void debugLog(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Limit of prefix and message together, in bytes, before the line end.
inline constexpr int kDebugLineLimit = 1020;
