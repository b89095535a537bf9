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

TEST(DebugLog, LongMessageIsCutBetweenCharacters) {
    // The whole line, "\n" included, takes at most 1021 bytes; a character at the cut is left out
    // whole. Each message is padded so that the cut falls at the given byte of a character.
    const std::string prefix = threadPrefix();
    const std::string euro = "\xE2\x82\xAC";  // three bytes
    struct Case {
        const char* name;
        size_t pad;       // ASCII bytes before the euro signs
        size_t expected;  // line length with "\n"
    } cases[] = {
        {"ASCII only", 3000, 1021},
        {"cut before a character", 1020 - prefix.size(), 1021},
        {"cut after its first byte", 1019 - prefix.size(), 1020},
        {"cut after its second byte", 1018 - prefix.size(), 1019},
    };
    for (const Case& c : cases) {
        DebugCapture capture;
        std::string message = std::string(c.pad, 'x');
        for (int i = 0; i < 10; ++i) message += euro;
        debugLog("%s", message.c_str());
        ASSERT_EQ(capture.lines().size(), 1u) << c.name;
        const std::string& line = capture.lines()[0];
        EXPECT_EQ(line.size(), c.expected) << c.name;
        EXPECT_EQ(line, prefix + message.substr(0, c.expected - 1 - prefix.size()) + "\n") << c.name;
    }
}

}  // namespace
