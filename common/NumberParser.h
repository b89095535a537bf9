// Number text as the C library's atoi, atof and "%i" read it, but independent of the process
// locale ('.' is always the decimal point) and without undefined behaviour on overflow.
#pragma once

#include <cstddef>
#include <string_view>

// The leading decimal integer: blanks, a sign, digits ("12abc" is 12, "abc" 0), saturated at the
// int range.
int leadingInt(std::string_view s);

// The leading decimal number: blanks, a sign, digits with an optional point and exponent, or
// "inf"/"nan"; 0 when there is none. An overflow gives an infinity, an underflow 0.
double leadingDouble(std::string_view s);

// One integer by the "%i" rule from `pos`: blanks, a sign, then 0x-hexadecimal, 0-octal or
// decimal digits, saturated at the int range. Advances `pos` past it; false when no digit follows.
bool scanInteger(std::string_view s, size_t& pos, long long& out);
