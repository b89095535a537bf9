#include <gtest/gtest.h>

#include <clocale>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "common/Profile.h"
#include "common/Text.h"
#include "tests/TestSupport.h"

using Pelagix::Profile;

namespace {

const std::string kBom = "\xEF\xBB\xBF";

// The NUL-separated list of getKeys/getSections as strings.
std::vector<std::string> listOf(const char* buf) {
    std::vector<std::string> out;
    for (const char* p = buf; *p; p += std::strlen(p) + 1) out.emplace_back(p);
    return out;
}

class ProfileRead : public ::testing::Test {
protected:
    TempFolder folder;
    std::string file(const std::string& bytes, const std::string& name = "p.ini") {
        std::string path = folder.file(name);
        writeFile(path, bytes);
        return path;
    }
};

TEST_F(ProfileRead, FormatRules) {
    Profile p(file(kBom + "\r\n[geodesy] ; note\r\n   ProjectionType = 3 ; c\r\nName: Harbour\r\na:b=c\r\n"
                          "Q=\"a;b\" ; n\r\nR=a;b\r\nEmpty=\r\nE2=\"x\"\"y;z\" ; d\r\nE3=\"x\\\";y\r\n"
                          "; Hidden=1\r\n# Also=1\r\nTwice=first\r\nTwice=second\r\n"
                          "[Other]\r\nR=other\r\n[Geodesy]\r\nLater=1\r\n"));
    EXPECT_EQ(p.getInt("projectiontype", "Geodesy", 0), 3);
    EXPECT_EQ(p.getString("Name", "Geodesy"), "Harbour");
    EXPECT_EQ(p.getString("a:b", "Geodesy"), "c");
    EXPECT_EQ(p.getString("Q", "Geodesy"), "\"a;b\"");
    EXPECT_EQ(p.getString("R", "Geodesy"), "a");
    // A doubled quote and an escaped quote do not switch quoting.
    EXPECT_EQ(p.getString("E2", "Geodesy"), "\"x\"\"y;z\"");
    EXPECT_EQ(p.getString("E3", "Geodesy"), "\"x\\\";y");
    EXPECT_EQ(p.getString("Empty", "Geodesy", "def"), "");
    EXPECT_EQ(p.getString("Hidden", "Geodesy", "none"), "none");
    EXPECT_EQ(p.getString("Also", "Geodesy", "none"), "none");
    EXPECT_EQ(p.getString("Twice", "Geodesy"), "first");
    // The section ends at the next header; a second "Geodesy" section is never read.
    EXPECT_EQ(p.getString("Later", "Geodesy", "none"), "none");
    EXPECT_EQ(p.getString("R", "other"), "other");

    char buf[4] = {'x', 'x', 'x', 'x'};
    EXPECT_EQ(p.getString(buf, 4, "Name", "Geodesy", ""), 3);
    EXPECT_STREQ(buf, "Har");
    EXPECT_EQ(p.getString(buf, 4, "Missing", "Geodesy", "Default"), 3);
    EXPECT_STREQ(buf, "Def");
    // A null default reads as empty; null buffers and keys and sizes below 1 give 0.
    EXPECT_EQ(p.getString(buf, 4, "Missing", "Geodesy", nullptr), 0);
    EXPECT_STREQ(buf, "");
    EXPECT_EQ(p.getString(nullptr, 4, "Name", "Geodesy", ""), 0);
    EXPECT_EQ(p.getString(buf, 0, "Name", "Geodesy", ""), 0);
    EXPECT_EQ(p.getString(buf, 4, static_cast<const char*>(nullptr), "Geodesy", ""), 0);
}

TEST_F(ProfileRead, HeaderRules) {
    Profile blanks(file("[ Geodesy ]\r\nA=1\r\n"));
    EXPECT_EQ(blanks.getInt("A", "Geodesy", 0), 0);
    EXPECT_EQ(blanks.getInt("A", " Geodesy ", 0), 1);
    // The byte-order mark is not skipped: a header on the first line behind it is not seen.
    Profile firstLine(file(kBom + "[Geodesy]\r\nA=1\r\n[Geodesy]\r\nA=2\r\n"));
    EXPECT_EQ(firstLine.getInt("A", "Geodesy", 0), 2);
    Profile secondLine(file(kBom + "\r\n[Geodesy]\r\nA=1\r\n"));
    EXPECT_EQ(secondLine.getInt("A", "Geodesy", 0), 1);
    // A '[' line without ']' is no header but still ends the section.
    Profile open(file("[S]\r\nA=1\r\n[broken\r\nB=2\r\n"));
    EXPECT_EQ(open.getInt("B", "S", 0), 0);
    Profile missing(folder.file("absent.ini"));
    EXPECT_EQ(missing.getInt("A", "S", 7), 7);
}

TEST_F(ProfileRead, TypedGetters) {
    Profile p(file("[S]\r\nEmpty=\r\nInt=12abc\r\nNeg= -42\r\nBig=99999999999\r\nD=12.5\r\nDx=-1.25e3x\r\n"
                   "Huge=1e999\r\nTiny=1e-999\r\nYes=Yes\r\nOne=1\r\nTwo=2\r\nOff=Off\r\nTRUE=TRUE\r\n"
                   "On=on\r\nC=255 128 0\r\nC2=255 128\r\nC3=0x10 010 -1\r\nWord=abc\r\n"));
    EXPECT_EQ(p.getInt("Missing", "S", 7), 7);
    EXPECT_EQ(p.getInt("Empty", "S", 7), 7);
    EXPECT_EQ(p.getInt("Int", "S", 7), 12);
    EXPECT_EQ(p.getInt("Neg", "S", 7), -42);
    EXPECT_EQ(p.getInt("Big", "S", 7), 2147483647);
    EXPECT_EQ(p.getInt("Word", "S", 7), 0);
    EXPECT_EQ(p.getDouble("D", "S", 0), 12.5);
    EXPECT_EQ(p.getDouble("Dx", "S", 0), -1250.0);
    EXPECT_EQ(p.getDouble("Huge", "S", 0), HUGE_VAL);
    EXPECT_EQ(p.getDouble("Tiny", "S", 1), 0.0);
    EXPECT_EQ(p.getDouble("Word", "S", 1), 0.0);
    EXPECT_EQ(p.getDouble("Empty", "S", 3.5), 3.5);

    struct BoolCase {
        const char* key;
        bool def;
        bool expected;
    } bools[] = {{"Yes", false, true}, {"One", false, true},  {"Two", true, false},    {"Off", true, false},
                 {"TRUE", false, true}, {"On", false, true}, {"Empty", true, true}, {"Missing", true, true},
                 {"Word", true, false}};
    for (const BoolCase& c : bools) EXPECT_EQ(p.getBool(c.key, "S", c.def), c.expected) << c.key;

    EXPECT_EQ(p.getColor("C", "S", 1), 0x0080FFu);
    EXPECT_EQ(p.getColor("C2", "S", 1), 1u);
    // Hexadecimal and octal parts; a negative part spills into the other bytes (no masking).
    EXPECT_EQ(p.getColor("C3", "S", 1), 0x10u | 8u << 8 | 0xFFFFFFFFu << 16);
    // Null keys give the default instead of crashing.
    EXPECT_EQ(p.getInt(nullptr, "S", 5), 5);
    EXPECT_EQ(p.getDouble("D", nullptr, 5), 5);
    EXPECT_FALSE(p.hasKey(nullptr, "S"));
    EXPECT_TRUE(p.hasKey("Int", "S"));
    EXPECT_FALSE(p.hasKey("Empty", "S"));
    EXPECT_FALSE(p.hasKey("Missing", "S"));
}

TEST_F(ProfileRead, NumbersIgnoreTheProcessLocale) {
    // The test command builds a decimal-comma locale into LOCPATH.
    const char* old = std::setlocale(LC_ALL, nullptr);
    std::string saved = old ? old : "C";
    if (!std::setlocale(LC_ALL, "de_DE.UTF-8")) GTEST_SKIP() << "no decimal-comma locale (de_DE.UTF-8) available";
    struct Restore {
        std::string name;
        ~Restore() { std::setlocale(LC_ALL, name.c_str()); }
    } restore{saved};
    ASSERT_STREQ(std::localeconv()->decimal_point, ",");
    Profile p(file("[S]\r\nD=12.5\r\n"));
    EXPECT_EQ(p.getDouble("D", "S", 0), 12.5);
    ASSERT_EQ(p.writeDouble("W", 12.5, "S", 2), 1);
    EXPECT_EQ(p.getString("W", "S"), "12.50");
    ASSERT_EQ(p.writeDouble("X", -1e71, "S", 3), 1);
    EXPECT_EQ(p.getString("X", "S"), "-1.000e+71");
}

TEST_F(ProfileRead, KeysAndSections) {
    Profile p(file("[S]\r\nA=1\r\n; B=2\r\nK : 3\r\nD = 4\r\n\r\n[Empty]\r\nJust text\r\nK: v\r\n[S]\r\nZ=1\r\n"
                   "  [Last] trailing\r\nLongName=1\r\n"));
    char buf[64];
    EXPECT_EQ(p.getKeys(buf, sizeof buf, "S"), 2);
    EXPECT_EQ(listOf(buf), (std::vector<std::string>{"A", "D "}));
    EXPECT_EQ(p.getKeys(buf, sizeof buf, "Empty"), 0);
    EXPECT_EQ(buf[0], '\0');
    EXPECT_EQ(p.getKeys(buf, sizeof buf, "Nowhere"), 0);
    std::strcpy(buf, "untouched");
    EXPECT_EQ(Profile(folder.file("absent.ini")).getKeys(buf, sizeof buf, "S"), 0);
    EXPECT_STREQ(buf, "untouched");
    EXPECT_TRUE(p.hasSection("s"));
    EXPECT_FALSE(p.hasSection("Empty"));  // no "=" line
    EXPECT_TRUE(p.hasSection("Last"));
    // A small buffer: names are cut to the room left, every key is counted.
    char small[5];
    std::memset(small, 'x', sizeof small);
    EXPECT_EQ(p.getKeys(small, sizeof small, "Last"), 1);
    EXPECT_EQ(std::string(small, 5), std::string("Lon\0\0x", 5));
    EXPECT_EQ(p.getKeys(nullptr, 64, "S"), 0);
    EXPECT_EQ(p.getKeys(buf, 0, "S"), 0);

    EXPECT_EQ(p.getSections(buf, sizeof buf), 4);
    EXPECT_EQ(listOf(buf), (std::vector<std::string>{"S", "Empty", "S", "Last"}));
    char tiny[7];
    EXPECT_EQ(p.getSections(tiny, sizeof tiny), 4);
    EXPECT_EQ(std::string(tiny, 7), std::string("S\0Emp\0\0", 7));
    EXPECT_EQ(p.getSections(nullptr, 10), 0);
    EXPECT_EQ(p.getSections(tiny, 0), 0);
    Profile none(folder.file("absent.ini"));
    EXPECT_EQ(none.getSections(buf, sizeof buf), 0);
    EXPECT_EQ(buf[0], '\0');
}

TEST_F(ProfileRead, WidePathsAndText) {
    std::string path = folder.file("m\xC3\xA8tre.ini");  // mètre.ini
    writeFile(path, kBom + "\r\n[Sect]\r\nName=Caf\xC3\xA9 du port\r\n");
    Profile p(toUtf16(path).c_str());
    EXPECT_EQ(p.getPath(), path);
    char16_t buf[6];
    // The result is the UTF-8 length; the wide text is cut to the buffer.
    EXPECT_EQ(p.getString(buf, 6, u"name", u"sect", u""), 5);
    EXPECT_EQ(std::u16string(buf), u"Caf\u00e9");
    char16_t whole[32];
    EXPECT_EQ(p.getString(whole, 32, u"Name", u"Sect", nullptr), 13);
    EXPECT_EQ(std::u16string(whole), u"Caf\u00e9 du port");
    EXPECT_EQ(p.getString(whole, 32, u"Missing", u"Sect", u"d\u00e9faut"), 7);
    EXPECT_EQ(std::u16string(whole), u"d\u00e9faut");
}

TEST_F(ProfileRead, PathsAreNotCut) {
    // Deep folders make a path far above 255 bytes.
    std::string dir = folder.path();
    for (int i = 0; i < 6; ++i) dir += "/" + std::string(60, char('a' + i));
    std::filesystem::create_directories(dir);
    std::string path = dir + "/settings.ini";
    ASSERT_GT(path.size(), 360u);
    Profile p(path.c_str());
    ASSERT_EQ(p.writeInt("Key", 5, "S"), 1);
    EXPECT_EQ(readFile(path), kBom + "\r\n[S]\r\nKey=5\r\n");
    EXPECT_EQ(p.getInt("Key", "S", 0), 5);
}

TEST_F(ProfileRead, HostileFiles) {
    std::mt19937 random(20261208);
    std::string binary(4096, '\0');
    for (char& c : binary) c = char(random());
    const std::string longLine = "[S]\r\nX=" + std::string(100000, 'a') + "\r\nKey=1\r\n";
    struct Case {
        const char* name;
        std::string bytes;
        int key;  // getInt("Key", "S", -1)
    } cases[] = {
        {"empty", "", -1},
        {"binary", binary, -1},
        {"binary with a section", "[S]\r\n" + binary + "\r\n[T]\r\n", -1},
        {"100000-byte line", longLine, 1},
        {"no final line end", "[S]\r\nKey=1", 1},
        {"only brackets", std::string(3000, '['), -1},
        {"quotes without end", "[S]\r\nKey=1\"" + std::string(2000, ';') + "\r\n", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = file(c.bytes, "hostile.ini");
        Profile p(path.c_str());
        EXPECT_EQ(p.getInt("Key", "S", -1), c.key);
        char buf[256];
        p.getString(buf, sizeof buf, "X", "S", "");
        p.getKeys(buf, sizeof buf, "S");
        p.getSections(buf, sizeof buf);
        p.getColor("Key", "S", 0);
        p.getFont("Key", "S");
        Pelagix::LOGFONTW font;
        p.getLogFont(&font, "Key", "S");
        // Rewriting keeps every other byte, long lines included.
        ASSERT_EQ(p.writeString("New", "v", "T"), 1);
        std::string after = readFile(path);
        EXPECT_EQ(after.substr(0, c.bytes.size()), c.bytes);
        EXPECT_EQ(p.getString("New", "T"), "v");
    }
}

TEST_F(ProfileRead, TruncatedAtEveryByte) {
    const std::string sample = kBom + "\r\n[Geodesy] ; note\r\nProjection = TME\r\nName: Harbour\r\nQ=\"a;b\" ; n\r\n"
                                      "[Fonts]\r\nF=-13,0,0,0,700,1,0,0,0,3,2,1,34,Arial\r\n";
    for (size_t n = 0; n <= sample.size(); ++n) {
        SCOPED_TRACE(n);
        Profile p(file(sample.substr(0, n), "cut.ini").c_str());
        // Whatever the cut, a value read is a beginning of the full value.
        std::string name = p.getString("Name", "Geodesy", "");
        EXPECT_EQ(std::string("Harbour").substr(0, name.size()), name);
        std::string q = p.getString("Q", "Geodesy", "");
        EXPECT_EQ(std::string("\"a;b\"").substr(0, q.size()), q);
        char buf[64];
        EXPECT_LE(p.getSections(buf, sizeof buf), 2);
        p.getKeys(buf, sizeof buf, "Geodesy");
        std::u16string face = p.getFont("F", "Fonts").lfFaceName;
        EXPECT_TRUE(face == u"System" || face == u"Courier" || std::u16string(u"Arial").starts_with(face)) << toUtf8(face);
    }
}

}  // namespace
