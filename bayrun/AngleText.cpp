#include "bayrun/AngleText.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "bayrun/BayrunInterfaces.h"
#include "common/Text.h"

namespace angletext {

namespace {

constexpr int kDecimalDegrees = 0;
constexpr int kDegreesMinutes = 1;

constexpr double kMinutesPerDegree = 60;
constexpr double kSecondsPerMinute = 60;
constexpr double kMaxLatitude = 90;
constexpr double kMaxLongitude = 180;

// Decimals of the last field of each format, and the scale they give to the integer count of
// the smallest unit shown (rounding once on that count makes 59.999999" carry into the minute).
constexpr int kDegreeDecimals = 9;
constexpr int kMinuteDecimals = 7;
constexpr int kSecondDecimals = 5;

constexpr char16_t kDegreeSign = u'\u00B0';

// Beyond this magnitude the count of the smallest unit shown (1e-9 degree, 1e-7 minute, 1e-5
// second) would pass 2^53, where a double no longer holds every integer, and further on the
// range of int64_t: such an angle is no position or rotation of a survey and is shown as
// invalid rather than as wrong digits. A million degrees keeps every count below 3.6e14.
constexpr double kMaxShownDegrees = 1e6;

int64_t powerOfTen(int n) {
    int64_t p = 1;
    while (n-- > 0) p *= 10;
    return p;
}

std::string digits(int64_t value, int width) {
    std::string s = std::to_string(value);
    if (int(s.size()) < width) s.insert(0, size_t(width - int(s.size())), '0');
    return s;
}

// "whole.fraction" from a count in units of 10^-decimals.
std::string fixed(int64_t count, int decimals, int wholeWidth) {
    const int64_t scale = powerOfTen(decimals);
    return digits(count / scale, wholeWidth) + "." + digits(count % scale, decimals);
}

char16_t hemisphere(double degrees, Axis axis) {
    const bool negative = std::signbit(degrees) && degrees != 0.0;
    if (axis == Axis::Latitude) return negative ? u'S' : u'N';
    return negative ? u'W' : u'E';
}

bool isBlank(char16_t c) { return c == u' ' || c == u'\t'; }
bool isSeparator(char16_t c) {
    return isBlank(c) || c == kDegreeSign || c == u'\'' || c == u'"' || c == u':' || c == u'd' || c == u'D' ||
           c == u'm' || c == u'M' || c == u's' || c == u'S' || c == u'\u2032' || c == u'\u2033';
}

bool isDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
bool isMinutesMark(char16_t c) { return c == u'm' || c == u'M' || c == u'\'' || c == u'\u2032'; }

// True for a text ending in 's' or 'S' right after a digit, with a minutes mark right after a
// digit before it: that letter stands where the seconds' unit belongs. Elsewhere ("36.5S",
// "36 30 15S") a final 'S' is the southern hemisphere.
bool endsWithSecondsMark(const std::u16string& text) {
    const size_t n = text.size();
    if (n < 2 || (text[n - 1] != u's' && text[n - 1] != u'S') || !isDigit(text[n - 2])) return false;
    for (size_t i = 1; i + 2 < n; ++i)
        if (isMinutesMark(text[i]) && isDigit(text[i - 1])) return true;
    return false;
}

}  // namespace

std::u16string format(double degrees, int format, Axis axis) {
    if (!(std::fabs(degrees) <= kMaxShownDegrees)) return kBayrunInvalidAngle;  // NaN too
    const char16_t letter = hemisphere(degrees, axis);
    const double magnitude = std::fabs(degrees);
    std::string text;
    if (format == kDecimalDegrees) {
        const int64_t count = std::llround(magnitude * double(powerOfTen(kDegreeDecimals)));
        text = fixed(count, kDegreeDecimals, 1);
        return toUtf16(text) + kDegreeSign + letter;
    }
    if (format == kDegreesMinutes) {
        const int64_t perDegree = int64_t(kMinutesPerDegree) * powerOfTen(kMinuteDecimals);
        const int64_t count = std::llround(magnitude * double(perDegree));
        return toUtf16(std::to_string(count / perDegree)) + kDegreeSign +
               toUtf16(fixed(count % perDegree, kMinuteDecimals, 2)) + u'\'' + letter;
    }
    const int64_t perMinute = int64_t(kSecondsPerMinute) * powerOfTen(kSecondDecimals);
    const int64_t perDegree = int64_t(kMinutesPerDegree) * perMinute;
    const int64_t count = std::llround(magnitude * double(perDegree));
    const int64_t inDegree = count % perDegree;
    return toUtf16(std::to_string(count / perDegree)) + kDegreeSign + toUtf16(digits(inDegree / perMinute, 2)) +
           u'\'' + toUtf16(fixed(inDegree % perMinute, kSecondDecimals, 2)) + u'"' + letter;
}

bool parse(const std::u16string& input, Axis axis, double& degrees) {
    // Hemisphere letter at either end. 'S' is also the seconds mark: a final 's' right after the
    // digits of seconds that follow marked minutes is their unit ("36d30m15s" is north).
    std::u16string text = input;
    auto trim = [&text] {
        while (!text.empty() && isBlank(text.front())) text.erase(0, 1);
        while (!text.empty() && isBlank(text.back())) text.pop_back();
    };
    trim();
    int sign = 1;
    bool haveLetter = false;
    auto takeLetter = [&](char16_t c) {
        const char16_t u = (c >= u'a' && c <= u'z') ? char16_t(c - u'a' + u'A') : c;
        const bool lat = axis == Axis::Latitude;
        if ((lat && u == u'N') || (!lat && u == u'E')) return 1;
        if ((lat && u == u'S') || (!lat && u == u'W')) return -1;
        return 0;
    };
    if (!text.empty()) {
        if (int s = takeLetter(text.front()); s != 0) {
            sign = s;
            haveLetter = true;
            text.erase(0, 1);
        } else if (int e = takeLetter(text.back()); e != 0 && !endsWithSecondsMark(text)) {
            sign = e;
            haveLetter = true;
            text.pop_back();
        }
    }
    trim();
    if (!text.empty() && (text.front() == u'-' || text.front() == u'+')) {
        if (haveLetter) return false;  // "-36 N" says two things
        if (text.front() == u'-') sign = -sign;
        text.erase(0, 1);
    }
    // Up to three unsigned numbers separated by separators.
    std::vector<double> fields;
    size_t i = 0;
    const std::u16string& t = text;
    std::string number;
    while (i < t.size()) {
        if (isSeparator(t[i])) {
            ++i;
            continue;
        }
        number.clear();
        while (i < t.size() && ((t[i] >= u'0' && t[i] <= u'9') || t[i] == u'.')) number += char(t[i++]);
        if (number.empty()) return false;
        double v = 0;
        auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), v);
        if (ec != std::errc() || end != number.data() + number.size()) return false;
        fields.push_back(v);
        if (fields.size() > 3) return false;
    }
    if (fields.empty()) return false;
    // Only the last field may hold a fraction, and minutes and seconds stay below 60.
    for (size_t f = 0; f + 1 < fields.size(); ++f)
        if (fields[f] != std::floor(fields[f])) return false;
    for (size_t f = 1; f < fields.size(); ++f)
        if (fields[f] >= kMinutesPerDegree) return false;
    double value = fields[0];
    if (fields.size() > 1) value += fields[1] / kMinutesPerDegree;
    if (fields.size() > 2) value += fields[2] / (kMinutesPerDegree * kSecondsPerMinute);
    const double limit = axis == Axis::Latitude ? kMaxLatitude : kMaxLongitude;
    if (!(value <= limit)) return false;
    degrees = sign * value;
    return true;
}

}  // namespace angletext
