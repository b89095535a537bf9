#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <thread>

#include "common/DebugLog.h"
#include "common/Platform.h"
#include "tests/TestSupport.h"

namespace {

TEST(DebugLog, PrefixAndLineEnd) {
    DebugCapture capture;
    EXPECT_TRUE(debugLogActive());
    debugLog("value %d", 42);
    ASSERT_EQ(capture.lines().size(), 1u);
    EXPECT_EQ(capture.lines()[0], threadPrefix() + "value 42\n");
}

// The thread id is read once per thread: another thread has its own, and so has a forked child's
// one thread (the process id), though it inherits the parent's cached value.
TEST(DebugLog, ThreadIdOfEachThreadAndOfAForkedChild) {
    const uint32_t main = platform::threadId();
    EXPECT_EQ(main, uint32_t(gettid()));
    uint32_t other = 0, otherRead = 0;
    std::thread([&] {
        other = platform::threadId();
        otherRead = uint32_t(gettid());
    }).join();
    EXPECT_EQ(other, otherRead);
    EXPECT_NE(other, main);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) _exit(platform::threadId() == uint32_t(getpid()) ? 0 : 1);
    int status = -1;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(platform::threadId(), main);
}

// Two file systems may hold files of one inode number, size and time: the device tells them apart.
TEST(Platform, FileStampNamesTheDeviceAndTheInode) {
    TempFolder folder;
    const std::string path = folder.file("f");
    writeFile(path, "abc");
    struct stat64 st;
    ASSERT_EQ(stat64(path.c_str(), &st), 0);
    platform::FileStamp byPath, byFile;
    ASSERT_TRUE(platform::fileStamp(path, byPath));
    std::FILE* file = std::fopen(path.c_str(), "rb");
    ASSERT_TRUE(platform::fileStamp(file, byFile));
    std::fclose(file);
    EXPECT_EQ(byPath.device, uint64_t(st.st_dev));
    EXPECT_EQ(byPath.inode, uint64_t(st.st_ino));
    EXPECT_EQ(byPath.size, 3);
    EXPECT_EQ(byFile, byPath);
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
