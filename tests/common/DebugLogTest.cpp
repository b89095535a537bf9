#include <gtest/gtest.h>

#include <string>

#include "common/DebugLog.h"
#include "tests/TestSupport.h"

namespace {

TEST(DebugLog, PrefixAndLineEnd) {
    DebugCapture capture;
    debugLog("value %d", 42);
    ASSERT_EQ(capture.lines().size(), 1u);
    EXPECT_EQ(capture.lines()[0], threadPrefix() + "value 42\n");
}

TEST(DebugLog, LongMessageIsCut) {
    DebugCapture capture;
    std::string big(3000, 'x');
    debugLog("%s", big.c_str());
    ASSERT_EQ(capture.lines().size(), 1u);
    const std::string& line = capture.lines()[0];
    EXPECT_LE(line.size(), 1021u);
    EXPECT_GE(line.size(), 1000u);
    EXPECT_EQ(line.back(), '\n');
}

}  // namespace
