// Runs against libTellus64.so / libTellus32.so itself, with the debug log sent to a file.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <thread>

#include "geodesy/Tellus.h"

namespace {

std::string logPath;

TEST(SharedLibrary, LoadLineWrittenOnce) {
    std::ifstream in(logPath);
    std::string line;
    int loadLines = 0;
    int lines = 0;
    const std::string expected = sizeof(void*) == 4 ? "Tellus32 ver 20.1 loaded" : "Tellus64 ver 20.1 loaded";
    while (std::getline(in, line)) {
        ++lines;
        size_t close = line.find("] ");
        ASSERT_EQ(line[0], '[');
        ASSERT_NE(close, std::string::npos);
        if (line.substr(close + 2) == expected) ++loadLines;
    }
    EXPECT_EQ(loadLines, 1);
    EXPECT_EQ(lines, 1);
}

TEST(SharedLibrary, VersionAndFreshThread) {
    EXPECT_EQ(GetGeodesyVersion(), 2001);
    EXPECT_EQ(GetGeodesyError(), 0);
    int other = -1;
    std::thread t([&] { other = GetGeodesyError(); });
    t.join();
    EXPECT_EQ(other, 0);
}

}  // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    if (argc > 1) logPath = argv[1];
    return RUN_ALL_TESTS();
}
