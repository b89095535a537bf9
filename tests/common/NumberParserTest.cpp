#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <string>

#include "common/NumberParser.h"

namespace {

TEST(NumberParser, LeadingNumbersAsTheCLibraryReadsThem) {
    struct IntCase {
        const char* text;
        int value;
    } ints[] = {
        {"12abc", 12}, {" \t-42", -42}, {"+7", 7}, {"abc", 0}, {"", 0}, {"- 5", 0},
        {"99999999999", INT_MAX}, {"-99999999999999999999999", INT_MIN}, {"2147483648", INT_MAX},
    };
    for (const IntCase& c : ints) EXPECT_EQ(leadingInt(c.text), c.value) << c.text;

    struct DoubleCase {
        const char* text;
        double value;
    } doubles[] = {
        {"12.5", 12.5}, {" -1.25e3x", -1250.0}, {"+.5", 0.5}, {"1e", 1.0}, {"12,5", 12.0},
        {"abc", 0.0}, {"+-1", 0.0}, {"1e999", HUGE_VAL}, {"-0.1e400", -HUGE_VAL}, {"1e-999", 0.0},
        {"0.000001e-400", 0.0}, {"inf", HUGE_VAL},
    };
    for (const DoubleCase& c : doubles) EXPECT_EQ(leadingDouble(c.text), c.value) << c.text;
    EXPECT_TRUE(std::isnan(leadingDouble("nan")));

    struct ScanCase {
        const char* text;
        bool found;
        long long value;
        size_t end;
    } scans[] = {
        {" 255 x", true, 255, 4}, {"0x1F", true, 31, 4}, {"010", true, 8, 3}, {"-0x10", true, -16, 5},
        {"0xg", true, 0, 1}, {"08", true, 0, 1}, {"x", false, 0, 0}, {"-", false, 0, 0},
        {"99999999999", true, INT_MAX, 11}, {"-0xFFFFFFFFFFFFFFFFFF", true, INT_MIN, 21},
    };
    for (const ScanCase& c : scans) {
        size_t pos = 0;
        long long value = 0;
        EXPECT_EQ(scanInteger(c.text, pos, value), c.found) << c.text;
        EXPECT_EQ(value, c.value) << c.text;
        EXPECT_EQ(pos, c.end) << c.text;
    }
}

}  // namespace
