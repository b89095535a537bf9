#include <dlfcn.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/inotify.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "common/Profile.h"
#include "tests/TestSupport.h"

using Pelagix::Profile;
namespace fs = std::filesystem;

namespace {
std::mutex syncedLock;
std::vector<std::string> synced;
}  // namespace

// Every fsync of this program, recorded by the path of what it syncs (the folder's sync after a
// rename leaves no other trace), then passed on.
extern "C" int fsync(int fd) {
    static const auto next = reinterpret_cast<int (*)(int)>(dlsym(RTLD_NEXT, "fsync"));
    char target[4096];
    const ssize_t n = readlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), target, sizeof target);
    {
        std::lock_guard<std::mutex> hold(syncedLock);
        synced.emplace_back(target, size_t(std::max<ssize_t>(n, 0)));
    }
    return next(fd);
}

// 1: a file system without the no-replace rename; 2: without hard links either, as vfat.
std::atomic<int> plainFileSystem{0};

extern "C" int renameat2(int fromDir, const char* from, int toDir, const char* to, unsigned flags) noexcept {
    static const auto next =
        reinterpret_cast<int (*)(int, const char*, int, const char*, unsigned)>(dlsym(RTLD_NEXT, "renameat2"));
    if (plainFileSystem > 0 && (flags & RENAME_NOREPLACE)) {
        errno = EINVAL;
        return -1;
    }
    return next(fromDir, from, toDir, to, flags);
}

extern "C" int link(const char* from, const char* to) noexcept {
    static const auto next = reinterpret_cast<int (*)(const char*, const char*)>(dlsym(RTLD_NEXT, "link"));
    if (plainFileSystem > 1) {
        errno = EPERM;
        return -1;
    }
    return next(from, to);
}

namespace {

const std::string kBom = "\xEF\xBB\xBF";
const std::string kNewFile = kBom + "\r\n";

class ProfileWrite : public ::testing::Test {
protected:
    TempFolder folder;
    std::string path = folder.file("Harbour.ini");
    std::string file(const std::string& bytes) {
        writeFile(path, bytes);
        return path;
    }
    // Files in the folder other than the target: a left temporary file shows up here.
    std::vector<std::string> others() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(folder.path()))
            if (e.path() != path) names.push_back(e.path().filename().string());
        return names;
    }
};

TEST_F(ProfileWrite, SetCases) {
    struct Case {
        const char* name;
        std::string before;  // "" with missing = true: no file
        bool missing;
        const char* key;
        const char* value;
        const char* section;
        std::string after;
    } cases[] = {
        {"missing file", "", true, "Key", "6", "S", kNewFile + "[S]\r\nKey=6\r\n"},
        {"old line replaced", "[S]\r\nKey = 5 ; note\r\nB=1\r\n", false, "Key", "6", "S", "[S]\r\nKey=6\r\nB=1\r\n"},
        {"key as the caller writes it", "[S]\r\n  KEY=5\r\n", false, "key", "6", "s", "[S]\r\nkey=6\r\n"},
        {"new key after blank and comment lines", "[S]\r\nA=1\r\n\r\n; c\r\n[T]\r\nA=2\r\n", false, "B", "2", "S",
         "[S]\r\nA=1\r\n\r\n; c\r\nB=2\r\n[T]\r\nA=2\r\n"},
        {"last section without line end", "[S]\r\nA=1", false, "B", "2", "S", "[S]\r\nA=1\r\nB=2\r\n"},
        {"new section without line end", "[S]\r\nA=1", false, "B", "2", "T", "[S]\r\nA=1\r\n[T]\r\nB=2\r\n"},
        {"only the first of two keys", "[S]\r\nA=1\r\nA=2\r\n", false, "A", "3", "S", "[S]\r\nA=3\r\nA=2\r\n"},
        {"first of two sections", "[S]\r\nA=1\r\n[S]\r\nB=1\r\n", false, "B", "2", "S",
         "[S]\r\nA=1\r\nB=2\r\n[S]\r\nB=1\r\n"},
        {"empty section name: before the first header", "X=1\r\n[S]\r\nA=1\r\n", false, "Y", "2", "",
         "X=1\r\nY=2\r\n[S]\r\nA=1\r\n"},
        {"value with ';' unchanged", "[S]\r\n", false, "V", "a;b", "S", "[S]\r\nV=a;b\r\n"},
        {"an LF file stays LF", "[S]\nA=1", false, "B", "2", "T", "[S]\nA=1\n[T]\nB=2\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(path);
        if (!c.missing) file(c.before);
        Profile p(path.c_str());
        EXPECT_EQ(p.writeString(c.key, c.value, c.section), 1);
        EXPECT_EQ(readFile(path), c.after);
        EXPECT_TRUE(others().empty());
    }
    // A new file on a file system without the no-replace rename, with or without hard links.
    for (const int plain : {1, 2}) {
        SCOPED_TRACE(plain);
        fs::remove(path);
        plainFileSystem = plain;
        EXPECT_EQ(Profile(path.c_str()).writeString("Key", "6", "S"), 1);
        plainFileSystem = 0;
        EXPECT_EQ(readFile(path), kNewFile + "[S]\r\nKey=6\r\n");
        EXPECT_TRUE(others().empty());
    }
}

TEST_F(ProfileWrite, SameValueLeavesFileUntouched) {
    const std::string before = "[S]\r\nKey = 5 ; note\r\nV=a;b\r\n";
    file(before);
    const auto old = fs::file_time_type::clock::now() - std::chrono::hours(24 * 365);
    fs::last_write_time(path, old);
    Profile p(path.c_str());
    EXPECT_EQ(p.writeString("key", "5", "s"), 1);
    EXPECT_EQ(p.writeInt("Key", 5, "S"), 1);
    EXPECT_EQ(readFile(path), before);
    EXPECT_EQ(fs::last_write_time(path), old);
    // A value that reads back cut never takes the shortcut.
    EXPECT_EQ(p.writeString("V", "a;b", "S"), 1);
    EXPECT_NE(fs::last_write_time(path), old);
    EXPECT_EQ(readFile(path), "[S]\r\nKey = 5 ; note\r\nV=a;b\r\n");
}

TEST_F(ProfileWrite, Deletes) {
    const std::string before = "[S]\r\nA=1\r\nB=2\r\nA=3\r\n[T]\r\nC=1\r\n; c\r\n[U]\r\nD=1";
    struct Case {
        const char* name;
        const char* key;  // null: delete the section
        const char* section;
        std::string after;
    } cases[] = {
        {"missing key", "Z", "S", before},
        {"missing section", nullptr, "Z", before},
        {"first of two keys", "a", "S", "[S]\r\nB=2\r\nA=3\r\n[T]\r\nC=1\r\n; c\r\n[U]\r\nD=1"},
        {"section", nullptr, "t", "[S]\r\nA=1\r\nB=2\r\nA=3\r\n[U]\r\nD=1"},
        {"last section", nullptr, "U", "[S]\r\nA=1\r\nB=2\r\nA=3\r\n[T]\r\nC=1\r\n; c\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        file(before);
        Profile p(path.c_str());
        EXPECT_EQ(c.key ? p.deleteKey(c.key, c.section) : p.deleteSection(c.section), 1);
        EXPECT_EQ(readFile(path), c.after);
    }
    fs::remove(path);
    Profile p(path.c_str());
    EXPECT_EQ(p.deleteKey("A", "S"), 1);
    EXPECT_EQ(p.deleteSection("S"), 1);
    EXPECT_FALSE(fs::exists(path));
}

TEST_F(ProfileWrite, TypedSetters) {
    Profile p(path.c_str());
    struct DoubleCase {
        double value;
        int decimals;
        const char* text;
    } doubles[] = {
        {1e71, 3, "1.000e+71"},
        {-1e71, 3, "-1.000e+71"},  // negative values change form too
        {12.5, 2, "12.50"},
        {0.125, 2, "0.12"},  // an exact tie rounds to even, as printf does
        {5e70, 10, "5e+70"},  // the fixed text (82 characters) would not fit
        {0.1, 200, "0.1"},
        {3.0, -1, "3.000000"},
    };
    for (const DoubleCase& c : doubles) {
        EXPECT_EQ(p.writeDouble("D", c.value, "S", c.decimals), 1);
        EXPECT_EQ(p.getString("D", "S"), c.text) << c.value;
    }
    EXPECT_EQ(p.getDouble("D", "S", 0), 3.0);
    EXPECT_EQ(p.writeInt("I", -2147483647 - 1, "S"), 1);
    EXPECT_EQ(p.getString("I", "S"), "-2147483648");
    EXPECT_EQ(p.writeBool("B", true, "S"), 1);
    EXPECT_EQ(p.getString("B", "S"), "On");
    EXPECT_TRUE(p.getBool("B", "S", false));
    EXPECT_EQ(p.writeBool("B", false, "S"), 1);
    EXPECT_EQ(p.getString("B", "S"), "Off");
    EXPECT_FALSE(p.getBool("B", "S", true));
    EXPECT_EQ(p.writeColor("C", 0xAA0080FFu, "S"), 1);
    EXPECT_EQ(p.getString("C", "S"), "255 128 0");
    EXPECT_EQ(p.getColor("C", "S", 0), 0x0080FFu);
}

TEST_F(ProfileWrite, Fonts) {
    Profile p(path.c_str());
    Pelagix::LOGFONTW font;
    font.lfHeight = -13;
    font.lfWeight = 700;
    font.lfItalic = 1;
    font.lfCharSet = 238;
    font.lfQuality = 5;
    font.lfPitchAndFamily = 34;
    std::u16string face = u"Caf\u00e9 Sans";
    std::copy(face.begin(), face.end(), font.lfFaceName);
    p.writeFont("Long", &font, "F");
    EXPECT_EQ(p.getString("Long", "F"), "-13,0,0,0,700,1,0,0,238,0,0,5,34,Caf\xC3\xA9 Sans");
    Pelagix::LOGFONTW back = p.getFont("Long", "F");
    EXPECT_EQ(std::u16string(back.lfFaceName), face);
    EXPECT_EQ(back.lfHeight, -13);
    EXPECT_EQ(back.lfWeight, 700);
    EXPECT_EQ(back.lfCharSet, 238);
    EXPECT_EQ(back.lfPitchAndFamily, 34);

    // A height whose last digit differs from the style, so that neither is read for the other.
    font.lfHeight = -16;
    p.writeFontShort("Short", &font, "F");
    EXPECT_EQ(p.getString("Short", "F"), "Caf\xC3\xA9 Sans,-16,3");
    Pelagix::LOGFONTW shortBack = p.getFontShort("Short", "F");
    EXPECT_EQ(std::u16string(shortBack.lfFaceName), face);
    EXPECT_EQ(shortBack.lfHeight, -16);
    EXPECT_EQ(shortBack.lfWeight, 700);
    EXPECT_EQ(shortBack.lfItalic, 1);
    EXPECT_EQ(shortBack.lfUnderline, 0);

    // Missing fields take their defaults; missing values the given default or the system font.
    ASSERT_EQ(p.writeString("Partial", "12,3", "F"), 1);
    Pelagix::LOGFONTW partial = p.getFont("Partial", "F");
    EXPECT_EQ(partial.lfWidth, 3);
    EXPECT_EQ(partial.lfWeight, 400);
    EXPECT_EQ(std::u16string(partial.lfFaceName), u"Courier");
    EXPECT_EQ(std::u16string(p.getFont("Missing", "F").lfFaceName), u"System");
    EXPECT_EQ(p.getFont("Missing", "F", &font).lfCharSet, 238);
    EXPECT_EQ(std::u16string(p.getFontShort("Partial", "F").lfFaceName), u"12");
    ASSERT_EQ(p.writeString("NoComma", "Arial", "F"), 1);
    EXPECT_EQ(std::u16string(p.getFontShort("NoComma", "F").lfFaceName), u"System");
    p.writeFont("Null", nullptr, "F");
    EXPECT_FALSE(p.hasKey("Null", "F"));
}

TEST_F(ProfileWrite, RefusesTextThatWouldInjectLines) {
    const std::string before = kNewFile + "[S]\r\nA=1\r\n";
    file(before);
    Profile p(path.c_str());
    struct Case {
        const char* key;
        const char* value;
        const char* section;
    } cases[] = {
        {"K\r\n[Evil]", "1", "S"}, {"K", "1\r\nInjected=1", "S"}, {"K", "1\n", "S"}, {"K", "1", "S]\r\n[T"},
        {"K", "1", "S\r"},         {"K=V", "1", "S"},             {"[T]", "1", "S"},   {"; K", "1", "S"},
        {"K", "1", "S]"},          {nullptr, "1", "S"},           {"K", nullptr, "S"}, {"K", "1", nullptr},
        // Blank-edged keys read back trimmed and would never match again.
        {"K ", "1", "S"},          {" L", "1", "S"},              {"\tK", "1", "S"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(p.writeString(c.key, c.value, c.section), 0) << (c.key ? c.key : "null");
    }
    EXPECT_EQ(p.deleteKey("A\r\n", "S"), 0);
    EXPECT_EQ(p.deleteKey("A ", "S"), 0);
    EXPECT_EQ(p.deleteSection("S\n"), 0);
    EXPECT_EQ(p.deleteSection(nullptr), 0);
    EXPECT_EQ(readFile(path), before);
    // Nothing is created for a refused write to a missing file either.
    Profile absent(folder.file("absent.ini").c_str());
    EXPECT_EQ(absent.writeString("K", "a\nb", "S"), 0);
    EXPECT_FALSE(fs::exists(folder.file("absent.ini")));
}

TEST_F(ProfileWrite, TemporaryFileBesideTheTarget) {
    // A target ending in '~' must not be its own temporary file.
    std::string tilde = folder.file("notes.in~");
    writeFile(tilde, "[S]\r\nA=1\r\n");
    Profile p(tilde.c_str());
    EXPECT_EQ(p.writeString("B", "2", "S"), 1);
    EXPECT_EQ(readFile(tilde), "[S]\r\nA=1\r\nB=2\r\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()), 1);

    // A target that is a folder is neither read nor replaced.
    fs::create_directory(folder.file("dir.ini"));
    Profile dir(folder.file("dir.ini").c_str());
    EXPECT_EQ(dir.writeString("A", "1", "S"), 0);
    EXPECT_TRUE(fs::is_directory(folder.file("dir.ini")));
    EXPECT_EQ(dir.getInt("A", "S", 9), 9);
}

TEST_F(ProfileWrite, LongValuesAreCutToOneLine) {
    Profile p(path.c_str());
    std::string value(3000, 'v');
    ASSERT_EQ(p.writeString("Key", value.c_str(), "S"), 1);
    std::string text = readFile(path);
    size_t start = text.find("Key=");
    ASSERT_NE(start, std::string::npos);
    // Key, '=' and value take 1021 bytes, so the line with its end fits one 1023-byte read.
    EXPECT_EQ(text.substr(start), "Key=" + std::string(1017, 'v') + "\r\n");
    EXPECT_EQ(p.getString("Key", "S"), std::string(1017, 'v'));
    // A character at the cut is left out whole.
    std::string accents;
    for (int i = 0; i < 600; ++i) accents += "\xC3\xA9";
    ASSERT_EQ(p.writeString("Key", accents.c_str(), "S"), 1);
    EXPECT_EQ(p.getString("Key", "S"), accents.substr(0, 1016));
}

TEST_F(ProfileWrite, CopySection) {
    TempFolder other;
    std::string sourcePath = other.file("source.ini");
    writeFile(sourcePath, kNewFile + "[GeodesyOld]\r\nA=old\r\n[ geodesy]\r\nNo=1\r\n[geodesy]\r\nA=1\r\nB=2\r\n"
                                     "[Next]\r\nC=3");
    Profile source(sourcePath.c_str());
    struct Case {
        const char* name;
        std::string before;
        bool missing;
        const char* to;
        std::string after;
    } cases[] = {
        {"into a missing file", "", true, nullptr, kNewFile + "[Geodesy]\r\nA=1\r\nB=2\r\n"},
        {"replaces the exact section only",
         "[GeodesyOld]\r\nX=1\r\n[Geodesy]\r\nX=2\r\n[Geodesy2]\r\nX=3", false, nullptr,
         "[GeodesyOld]\r\nX=1\r\n[Geodesy]\r\nA=1\r\nB=2\r\n[Geodesy2]\r\nX=3"},
        {"appended to a file without line end", "[Other]\r\nX=1", false, "Copy",
         "[Other]\r\nX=1\r\n[Copy]\r\nA=1\r\nB=2\r\n"},
        {"last section replaced", "[Geodesy]\r\nX=1\r\n", false, nullptr, "[Geodesy]\r\nA=1\r\nB=2\r\n"},
        {"into an LF file, in its style", "[Geodesy]\nX=1\n[T]\nY=1\n", false, nullptr, "[Geodesy]\nA=1\nB=2\n[T]\nY=1\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove(path);
        if (!c.missing) file(c.before);
        Profile target(path.c_str());
        EXPECT_EQ(target.copySection(source, "Geodesy", c.to), 1);
        EXPECT_EQ(readFile(path), c.after);
        EXPECT_TRUE(others().empty());
    }
    // A source section at the end of a file without line end is closed before what follows.
    file("[Next]\r\nOld=1\r\n[Keep]\r\nK=1\r\n");
    Profile target(path.c_str());
    EXPECT_EQ(target.copySection(source, "next"), 1);
    EXPECT_EQ(readFile(path), "[next]\r\nC=3\r\n[Keep]\r\nK=1\r\n");

    // Failures leave the target as it was and create nothing.
    const std::string before = readFile(path);
    EXPECT_EQ(target.copySection(source, "Missing"), 0);
    EXPECT_EQ(target.copySection(target, "Keep"), 0);
    EXPECT_EQ(target.copySection(source, "Geodesy", "A]B"), 0);
    EXPECT_EQ(target.copySection(source, nullptr), 0);
    EXPECT_EQ(readFile(path), before);
    Profile absent(folder.file("absent.ini").c_str());
    EXPECT_EQ(absent.copySection(source, "Missing"), 0);
    EXPECT_FALSE(fs::exists(folder.file("absent.ini")));
    // Within one file, to another name.
    EXPECT_EQ(target.copySection(target, "Keep", "Kept"), 1);
    EXPECT_EQ(target.getInt("K", "Kept", 0), 1);
}

TEST_F(ProfileWrite, AssignmentCopiesTheFile) {
    file("[S]\r\nA=1\r\n");
    Profile target(path.c_str());
    Profile& self = target;
    target = self;
    Profile samePath(path.c_str());
    target = samePath;
    Profile missing(folder.file("absent.ini").c_str());
    target = missing;
    EXPECT_EQ(readFile(path), "[S]\r\nA=1\r\n");

    std::string otherPath = folder.file("other.ini");
    writeFile(otherPath, "[T]\r\nB=2");
    Profile other(otherPath.c_str());
    target = other;
    EXPECT_EQ(readFile(path), "[T]\r\nB=2");
    EXPECT_EQ(target.getPath(), path);
}

TEST_F(ProfileWrite, TemporaryProfiles) {
    std::string first;
    {
        Profile temp;
        ASSERT_TRUE(temp.temporary());
        first = temp.getPath();
        std::string name = fs::path(first).filename().string();
        EXPECT_EQ(name.substr(0, 3), "INI");
        EXPECT_EQ(name.substr(name.size() - 4), ".TMP");
        EXPECT_TRUE(fs::is_regular_file(first));
        EXPECT_EQ(fs::file_size(first), 0u);
        EXPECT_EQ(temp.writeInt("A", 1, "S"), 1);
        EXPECT_EQ(temp.getInt("A", "S", 0), 1);
        Profile copy(temp);
        EXPECT_FALSE(copy.temporary());
        EXPECT_EQ(copy.getPath(), first);

        temp.setFile(nullptr);  // the old temporary file goes, a new one comes
        EXPECT_FALSE(fs::exists(first));
        std::string second = temp.getPath();
        EXPECT_NE(second, first);
        temp.setFile(path.c_str());
        EXPECT_FALSE(fs::exists(second));
        EXPECT_FALSE(temp.temporary());
        first = temp.getPath();
    }
    EXPECT_EQ(first, path);
}

// A derived profile sees every typed write through the first writeString.
class RecordingProfile : public Profile {
public:
    using Profile::Profile;
    using Profile::writeString;
    int writeString(const char* key, const char* value, const char* section) override {
        seen += std::string(section) + "/" + key + "=" + value + ";";
        return Profile::writeString(key, value, section);
    }
    std::string seen;
};

TEST_F(ProfileWrite, TypedSettersGoThroughTheVirtualSetter) {
    RecordingProfile p(path.c_str());
    p.writeInt("I", 3, "S");
    p.writeBool("B", true, "S");
    p.writeDouble("D", 1.5, "S", 1);
    p.writeColor("C", 0x010203, "S");
    p.writeString(u"W", u"\u00e9", u"S");
    EXPECT_EQ(p.seen, "S/I=3;S/B=On;S/D=1.5;S/C=3 2 1;S/W=\xC3\xA9;");
}

// Runs `body` in a child process and gives its exit status (-1 when it did not exit normally).
int inChild(const std::function<int()>& body) {
    pid_t pid = fork();
    if (pid == 0) _exit(body());
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

// The lines of a file written with "\r\n" line ends.
std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
}

TEST(ProfileWriters, ConcurrentWritersLoseNothing) {
    // Two writers that start together, each setting 1,000 keys of its own in a fresh copy of one
    // file, 20 times over: after every run both writers' keys, the untouched sections and the
    // header are all there. Every write rewrites the whole file, so the sanitized tree, several
    // times slower, runs it fewer times.
    constexpr int kKeys = 1000;
#ifdef __SANITIZE_ADDRESS__
    constexpr int kRuns = 3;
#else
    constexpr int kRuns = 20;
#endif
    // fsync costs milliseconds on a disk, nothing on a memory file system.
    std::string base = fs::is_directory("/dev/shm") ? "/dev/shm/tellus-writers-XXXXXX"
                                                     : (fs::temp_directory_path() / "tellus-writers-XXXXXX").string();
    ASSERT_NE(mkdtemp(base.data()), nullptr);
    struct Remove {
        std::string dir;
        ~Remove() { fs::remove_all(dir); }
    } remove{base};
    const std::string path = base + "/Harbour.ini";
    const std::string start = kNewFile + "[Head]\r\nH = 1 ; kept as written\r\n[Work]\r\nW=0\r\n[Keep]\r\nK=1\r\n";
    // A writer's keys of one run, each set once; the number of writes that failed.
    auto writer = [&](char prefix, int run) {
        Profile p(path.c_str());
        int failed = 0;
        for (int i = 0; i < kKeys; ++i) {
            std::string key = prefix + std::to_string(run * kKeys + i);
            failed += p.writeInt(key.c_str(), i, "Work") != 1;
        }
        return failed;
    };
    // The section's new lines come in either writer's order: compare them as a set.
    auto normalised = [](std::vector<std::string> lines) {
        auto work = std::find(lines.begin(), lines.end(), "[Work]");
        auto next = std::find(work, lines.end(), "[Keep]");
        if (work != lines.end()) std::sort(work + 1, next);
        return lines;
    };

    // Checks the file after a run in which the writers failed `failedA` and `failedB` writes.
    std::vector<std::string> expected;
    auto check = [&](const char* way, int run, int failedA, int failedB) {
        expected = linesOf(start);
        auto keep = std::find(expected.begin(), expected.end(), "[Keep]");
        for (char prefix : {'A', 'B'})
            for (int i = 0; i < kKeys; ++i)
                keep = expected.insert(keep, prefix + std::to_string(run * kKeys + i) + "=" + std::to_string(i)) + 1;
        expected = normalised(expected);
        EXPECT_EQ(failedA, 0) << way << " run " << run;
        EXPECT_EQ(failedB, 0) << way << " run " << run;
        EXPECT_EQ(normalised(linesOf(readFile(path))), expected) << way << " run " << run;
        EXPECT_EQ(std::distance(fs::directory_iterator(base), fs::directory_iterator()), 1) << way;
        return !::testing::Test::HasFailure();
    };

    for (int run = 0; run < kRuns; ++run) {
        writeFile(path, start);
        int failedA = -1;
        std::thread t([&] { failedA = writer('A', run); });
        int failedB = writer('B', run);
        t.join();
        if (!check("threads", run, failedA, failedB)) return;
    }

    // Two processes, forked once and started on each run through a pipe; each answers with its
    // number of failed writes.
    struct Child {
        int start[2];
        int done[2];
        pid_t pid;
    } children[2];
    for (int c = 0; c < 2; ++c) {
        Child& child = children[c];
        ASSERT_EQ(pipe(child.start), 0);
        ASSERT_EQ(pipe(child.done), 0);
        child.pid = fork();
        ASSERT_GE(child.pid, 0);
        if (child.pid == 0) {
            char go;
            for (int run = 0; run < kRuns && read(child.start[0], &go, 1) == 1; ++run) {
                char failed = char(std::min(writer(c == 0 ? 'A' : 'B', run), 127));
                if (write(child.done[1], &failed, 1) != 1) break;
            }
            _exit(0);
        }
    }
    bool ok = true;
    for (int run = 0; run < kRuns && ok; ++run) {
        writeFile(path, start);
        char failed[2] = {-1, -1};
        for (Child& child : children) ok = ok && write(child.start[1], "g", 1) == 1;
        for (int c = 0; c < 2; ++c) ok = ok && read(children[c].done[0], &failed[c], 1) == 1;
        ok = check("processes", run, ok ? failed[0] : -1, ok ? failed[1] : -1) && ok;
    }
    for (Child& child : children) {
        for (int fd : {child.start[0], child.start[1], child.done[0], child.done[1]}) close(fd);
        waitpid(child.pid, nullptr, 0);
    }
    ASSERT_TRUE(ok);

    // Two writers creating the missing file: the later one adds to the earlier one's file.
    for (int run = 0; run < kRuns; ++run) {
        fs::remove(path);
        int a = 0;
        std::thread t([&] { a = Profile(path.c_str()).writeString("A", "1", "Work"); });
        int b = Profile(path.c_str()).writeString("B", "2", "Work");
        t.join();
        ASSERT_EQ(a + b, 2);
        Profile p(path.c_str());
        ASSERT_EQ(p.getString("A", "Work") + p.getString("B", "Work"), "12") << "run " << run;
    }
}

TEST_F(ProfileWrite, NeverWritesThroughALinkAtTheTemporaryName) {
    const std::string victim = folder.file("victim.txt");
    writeFile(victim, "not an INI file");
    fs::create_symlink(victim, folder.file("Harbour.in~"));
    file("[S]\r\nA=1\r\n");
    Profile p(path.c_str());
    EXPECT_EQ(p.writeString("B", "2", "S"), 1);
    EXPECT_EQ(p.deleteKey("A", "S"), 1);
    EXPECT_EQ(readFile(path), "[S]\r\nB=2\r\n");
    EXPECT_EQ(readFile(victim), "not an INI file");
    EXPECT_TRUE(fs::is_symlink(folder.file("Harbour.in~")));
}

TEST_F(ProfileWrite, KeepsModeAndOwnerAndRefusesWhatItMayNotWrite) {
    const std::string before = "[S]\r\nA=1\r\n";
    for (mode_t mode : {0600, 0640, 0604}) {
        file(before);
        ASSERT_EQ(chmod(path.c_str(), mode), 0);
        EXPECT_EQ(Profile(path.c_str()).writeString("A", "2", "S"), 1);
        EXPECT_EQ(fs::status(path).permissions(), fs::perms(mode)) << std::oct << mode;
    }
    if (geteuid() == 0) {
        // Only root may give a file away; the rewrite keeps its owner and group.
        file(before);
        ASSERT_EQ(chown(path.c_str(), 65534, 65534), 0);
        EXPECT_EQ(Profile(path.c_str()).writeString("A", "2", "S"), 1);
        struct stat st;
        ASSERT_EQ(stat(path.c_str(), &st), 0);
        EXPECT_EQ(st.st_uid, 65534u);
        EXPECT_EQ(st.st_gid, 65534u);
    }
    // A read-only target in a writable folder: rename() could replace it, but it is refused.
    // Root may write any file, so the writer is then an unprivileged child process.
    file(before);
    ASSERT_EQ(chmod(path.c_str(), 0444), 0);
    ASSERT_EQ(chmod(folder.path().c_str(), 0777), 0);
    const int refused = inChild([&] {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) return 2;
        Profile p(path.c_str());
        bool all = p.writeString("A", "2", "S") == 0 && p.deleteKey("A", "S") == 0 && p.deleteSection("S") == 0 &&
                   p.writeString("A", "1", "S") == 1;  // the value it has: nothing to write
        Profile other(folder.file("other.ini").c_str());
        other.writeString("X", "1", "T");
        p = other;
        all = all && p.copySection(other, "T") == 0;
        return all ? 0 : 1;
    });
    if (refused == 2) GTEST_SKIP() << "cannot drop root privileges here";
    EXPECT_EQ(refused, 0);
    EXPECT_EQ(readFile(path), before);
    EXPECT_EQ(fs::status(path).permissions(), fs::perms(0444));
}

TEST_F(ProfileWrite, RestrictedContentIsNeverInAWiderFile) {
    // A watcher looks at each new file of the folder the moment it appears, as another user
    // could: with no umask to narrow it, a temporary opened wider than its 0600 target before
    // its mode is set would show.
    file("[S]\r\nSecret=0\r\n");
    ASSERT_EQ(chmod(path.c_str(), 0600), 0);
    const int watch = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    ASSERT_GE(watch, 0);
    ASSERT_GE(inotify_add_watch(watch, folder.path().c_str(), IN_CREATE), 0);
    std::atomic<bool> done{false};
    std::atomic<int> seen{0}, wider{0};
    std::thread watcher([&] {
        alignas(inotify_event) char events[4096];
        pollfd ready{watch, POLLIN, 0};
        while (!done) {
            if (poll(&ready, 1, 5) <= 0) continue;
            const ssize_t n = read(watch, events, sizeof events);
            for (ssize_t at = 0; at < n;) {
                const auto* e = reinterpret_cast<const inotify_event*>(events + at);
                struct stat st;
                if (e->len && stat(folder.file(e->name).c_str(), &st) == 0) {
                    ++seen;
                    if (st.st_mode & 077) ++wider;
                }
                at += ssize_t(sizeof(inotify_event) + e->len);
            }
        }
    });
    const mode_t mask = umask(0);
    Profile p(path.c_str());
    int failed = 0;
    // Until the watcher has caught a few temporaries alive (on a fast disk most are gone first).
    for (int i = 1; i <= 2000 && seen < 20; ++i) failed += p.writeInt("Secret", i, "S") != 1;
    umask(mask);
    done = true;
    watcher.join();
    close(watch);
    EXPECT_EQ(failed, 0);
    EXPECT_GT(seen, 0);
    EXPECT_EQ(wider, 0) << "of " << seen;
    EXPECT_EQ(fs::status(path).permissions(), fs::perms(0600));
}

TEST_F(ProfileWrite, WritesThroughLinksIntoTheFileTheyName) {
    // Two links, one relative, into another folder: the links stay links, the file they name
    // gets every change, and nothing is left in either folder.
    TempFolder elsewhere;
    const std::string named = elsewhere.file("named.ini"), step = folder.file("step.ini");
    writeFile(named, "[S]\r\nA=1\r\n");
    ASSERT_EQ(chmod(named.c_str(), 0640), 0);
    fs::create_symlink(named, step);
    fs::create_symlink("step.ini", path);
    TempFolder sources;
    writeFile(sources.file("from.ini"), "[T]\r\nC=3\r\n");
    Profile p(path.c_str());
    EXPECT_EQ(p.writeString("B", "2", "S"), 1);
    EXPECT_EQ(p.deleteKey("A", "S"), 1);
    EXPECT_EQ(p.copySection(Profile(sources.file("from.ini")), "T"), 1);
    EXPECT_EQ(p.deleteSection("T"), 1);
    EXPECT_EQ(readFile(named), "[S]\r\nB=2\r\n");
    EXPECT_TRUE(fs::is_symlink(path));
    EXPECT_TRUE(fs::is_symlink(step));
    EXPECT_EQ(fs::status(named).permissions(), fs::perms(0640));
    EXPECT_EQ(others(), std::vector<std::string>{"step.ini"});
    EXPECT_EQ(std::distance(fs::directory_iterator(elsewhere.path()), fs::directory_iterator()), 1);

    // A hard link is another name of the same file: the name written gets a new file and the
    // other name keeps the old content.
    fs::create_hard_link(named, elsewhere.file("hard.ini"));
    EXPECT_EQ(p.writeString("B", "3", "S"), 1);
    EXPECT_EQ(readFile(named), "[S]\r\nB=3\r\n");
    EXPECT_EQ(readFile(elsewhere.file("hard.ini")), "[S]\r\nB=2\r\n");

    // A link the kernel gives no length (a process's open file) naming a path of over 255 bytes.
    const std::string deep = elsewhere.file(std::string(100, 'd') + "/" + std::string(100, 'e') + "/" +
                                            std::string(100, 'f') + ".ini");
    fs::create_directories(fs::path(deep).parent_path());
    writeFile(deep, "[S]\r\n");
    const int fd = open(deep.c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(Profile(("/proc/self/fd/" + std::to_string(fd)).c_str()).writeString("B", "2", "S"), 1);
    close(fd);
    EXPECT_EQ(readFile(deep), "[S]\r\nB=2\r\n");

    // A dangling link, and a link that another user made in a folder not theirs (which a
    // privileged writer would otherwise follow wherever it points), are refused.
    fs::remove(named);
    EXPECT_EQ(p.writeString("B", "4", "S"), 0);
    EXPECT_FALSE(fs::exists(named));
    if (geteuid() == 0) {
        writeFile(named, "[S]\r\nB=3\r\n");
        ASSERT_EQ(lchown(path.c_str(), 65534, 65534), 0);
        EXPECT_EQ(p.writeString("B", "5", "S"), 0);
        EXPECT_EQ(readFile(named), "[S]\r\nB=3\r\n");
        EXPECT_TRUE(fs::is_symlink(path));
    }
}

// The named extended attribute of a file, empty when it has none.
std::string attribute(const std::string& path, const char* name) {
    std::string value(4096, '\0');
    const ssize_t n = getxattr(path.c_str(), name, value.data(), value.size());
    value.resize(size_t(std::max<ssize_t>(n, 0)));
    return value;
}

TEST_F(ProfileWrite, KeepsExtendedAttributesAndTheAcl) {
    file("[S]\r\nA=1\r\n");
    ASSERT_EQ(chmod(path.c_str(), 0644), 0);
    if (setxattr(path.c_str(), "user.tellus.origin", "survey", 6, 0) != 0)
        GTEST_SKIP() << "the file system here refuses extended attributes";
    // The access ACL in the kernel's form (version 2; tag, permissions, id per entry): the owner
    // rw, user 65534 rw, the group r, mask rw, others r; the mode then shows 0664.
    std::string acl("\x02\0\0\0", 4);
    const struct {
        uint16_t tag, perm;
        uint32_t id;
    } entries[] = {{0x01, 6, ~0u}, {0x02, 6, 65534}, {0x04, 4, ~0u}, {0x10, 6, ~0u}, {0x20, 4, ~0u}};
    for (const auto& e : entries)
        for (uint32_t v : {uint32_t(e.tag | e.perm << 16), e.id})
            for (int b = 0; b < 4; ++b) acl += char(v >> (8 * b));
    const bool withAcl = setxattr(path.c_str(), "system.posix_acl_access", acl.data(), acl.size(), 0) == 0;
    const fs::perms mode = fs::status(path).permissions();
    EXPECT_EQ(Profile(path.c_str()).writeString("A", "2", "S"), 1);
    EXPECT_EQ(attribute(path, "user.tellus.origin"), "survey");
    if (withAcl) {
        EXPECT_EQ(attribute(path, "system.posix_acl_access"), acl);
    }
    EXPECT_EQ(fs::status(path).permissions(), mode);

    // What the writer may not give the new file is not dropped: the rewrite is refused.
    if (geteuid() != 0 || setxattr(path.c_str(), "security.tellus", "1", 1, 0) != 0) return;
    ASSERT_EQ(chown(path.c_str(), 65534, 65534), 0);
    ASSERT_EQ(chmod(folder.path().c_str(), 0777), 0);
    const int result = inChild([&] {
        if (setgid(65534) != 0 || setuid(65534) != 0) return 2;
        return Profile(path.c_str()).writeString("A", "3", "S");
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(readFile(path), "[S]\r\nA=2\r\n");
    EXPECT_TRUE(others().empty());
}

TEST_F(ProfileWrite, SyncsTheFolderAfterTheRename) {
    // The rename is in the folder: it survives a power loss only when the folder is synced too.
    const std::string where = fs::canonical(folder.path()).string();
    for (bool existing : {true, false}) {
        SCOPED_TRACE(existing ? "existing file" : "new file");
        fs::remove(path);
        if (existing) file("[S]\r\nA=1\r\n");
        {
            std::lock_guard<std::mutex> hold(syncedLock);
            synced.clear();
        }
        ASSERT_EQ(Profile(path.c_str()).writeString("A", "2", "S"), 1);
        std::lock_guard<std::mutex> hold(syncedLock);
        ASSERT_EQ(synced.size(), 2u);
        EXPECT_EQ(synced[0].rfind(where + "/Harbour.in~", 0), 0u) << synced[0];
        EXPECT_EQ(synced[1], where);
    }
}

TEST_F(ProfileWrite, RemovesTemporariesThatNoWriterHolds) {
    file("[S]\r\nA=1\r\n");
    // Full copies that killed writers left, and one of a writer still at work, which holds it.
    for (const char* name : {"Harbour.in~Ab3dE9", "Harbour.in~zzzzzz", "Harbour.in~Held01"})
        writeFile(folder.file(name), "[S]\r\nA=0\r\n");
    const int held = open(folder.file("Harbour.in~Held01").c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(held, 0);
    ASSERT_EQ(flock(held, LOCK_EX), 0);
    // Names of another form are not a writer's temporaries.
    const std::vector<std::string> kept = {"Harbour.in~", "Harbour.in~Held01", "Harbour.in~a-b_cd",
                                           "Harbour.in~long007", "Harbour.in~short", "Other.in~Ab3dE9"};
    for (const std::string& name : kept)
        if (!fs::exists(folder.file(name))) writeFile(folder.file(name), "keep");
    EXPECT_EQ(Profile(path.c_str()).writeString("A", "2", "S"), 1);
    std::vector<std::string> left = others();
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, kept);
    EXPECT_EQ(readFile(path), "[S]\r\nA=2\r\n");
    close(held);
}

TEST_F(ProfileWrite, UnusableTargetIsNeitherChangedNorReportedDone) {
    const std::string fifo = folder.file("pipe.ini");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    const std::string dir = folder.file("dir.ini");
    fs::create_directory(dir);
    for (const std::string& target : {fifo, dir}) {
        Profile p(target.c_str());
        EXPECT_EQ(p.deleteKey("A", "S"), 0) << target;
        EXPECT_EQ(p.deleteSection("S"), 0) << target;
        EXPECT_EQ(p.writeString("A", "1", "S"), 0) << target;
    }
    EXPECT_TRUE(fs::is_fifo(fifo));
    EXPECT_TRUE(fs::is_directory(dir));
    EXPECT_TRUE(fs::is_empty(dir));
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()), 2);
}

TEST_F(ProfileWrite, WriteFailingHalfwayLeavesTheTarget) {
    // A file larger than the file size limit: the rewrite fails while writing the new content.
    std::string before = "[S]\r\n";
    for (int i = 0; i < 1000; ++i) before += "Key" + std::to_string(i) + "=" + std::to_string(i) + "\r\n";
    file(before);
    const int result = inChild([&] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlim_t limit = 4096;
        rlimit r{limit, limit};
        if (setrlimit(RLIMIT_FSIZE, &r) != 0) return 2;
        return Profile(path.c_str()).writeString("New", "1", "S");
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(readFile(path), before);
    EXPECT_TRUE(others().empty());
}

}  // namespace
