#include "common/NumberParser.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <climits>
#include <cmath>

namespace {

// The blanks that the C conversions skip.
bool isCSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// Decimal exponent of the first significant digit of a decimal number text, for telling an
// overflow from an underflow.
long long decimalMagnitude(std::string_view s) {
    size_t i = 0;
    long long magnitude = 0;
    bool seenDigit = false, afterPoint = false;
    for (; i < s.size(); ++i) {
        char c = s[i];
        if (c == '.') {
            afterPoint = true;
        } else if (c >= '0' && c <= '9') {
            if (!seenDigit && c == '0') {
                if (afterPoint) --magnitude;
                continue;
            }
            if (!seenDigit) seenDigit = true;
            if (!afterPoint) ++magnitude;
        } else {
            break;
        }
    }
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) magnitude += leadingInt(s.substr(i + 1));
    return magnitude;
}

}  // namespace

int leadingInt(std::string_view s) {
    size_t i = 0;
    while (i < s.size() && isCSpace(s[i])) ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    long long value = 0;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
        value = value * 10 + (s[i] - '0');
        if (value > -(long long)INT_MIN) value = -(long long)INT_MIN;  // saturate, keep scanning
    }
    if (negative) value = -value;
    return int(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

double leadingDouble(std::string_view s) {
    size_t i = 0;
    while (i < s.size() && isCSpace(s[i])) ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) return 0.0;
    double value = 0.0;
    auto [end, ec] = std::from_chars(s.data() + i, s.data() + s.size(), value, std::chars_format::general);
    if (ec == std::errc::result_out_of_range)
        value = decimalMagnitude(std::string_view(s.data() + i, size_t(end - (s.data() + i)))) > 0 ? HUGE_VAL : 0.0;
    else if (ec != std::errc())
        value = 0.0;
    return negative ? -value : value;
}

bool scanInteger(std::string_view s, size_t& pos, long long& out) {
    size_t i = pos;
    while (i < s.size() && isCSpace(s[i])) ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    int base = 10;
    if (i < s.size() && s[i] == '0') {
        base = 8;
        if (i + 2 < s.size() && (s[i + 1] == 'x' || s[i + 1] == 'X') && std::isxdigit((unsigned char)s[i + 2])) {
            base = 16;
            i += 2;
        }
    }
    unsigned long long magnitude = 0;
    auto [end, ec] = std::from_chars(s.data() + i, s.data() + s.size(), magnitude, base);
    if (end == s.data() + i) return false;
    if (ec == std::errc::result_out_of_range) magnitude = ULLONG_MAX;
    long long limited = (long long)std::min<unsigned long long>(magnitude, (unsigned long long)INT_MAX + 1);
    out = std::clamp<long long>(negative ? -limited : limited, INT_MIN, INT_MAX);
    pos = size_t(end - s.data());
    return true;
}
