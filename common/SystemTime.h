// A calendar time as the suite stores it: eight 16-bit fields in the order of the Windows
// SYSTEMTIME record, which stored files and the editor's runtime rely on.
#pragma once

#include <cstdint>

struct SYSTEMTIME {
    uint16_t wYear;
    uint16_t wMonth;
    uint16_t wDayOfWeek;
    uint16_t wDay;
    uint16_t wHour;
    uint16_t wMinute;
    uint16_t wSecond;
    uint16_t wMilliseconds;
};
static_assert(sizeof(SYSTEMTIME) == 16, "SYSTEMTIME is eight 16-bit fields");
