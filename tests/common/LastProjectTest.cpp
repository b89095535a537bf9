#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "common/LastProject.h"
#include "common/ProgramFolder.h"
#include "common/Text.h"
#include "tests/TestSupport.h"

namespace {

TEST(LastProject, Rule) {
    const std::string longPath = "/jobs/" + std::string(300, 'p') + "/Harbour.ini";
    struct Case {
        const char* value;
        std::string folder, file, name;
    } cases[] = {
        {"Harbour", "/suite/Projects/Harbour", "/suite/Projects/Harbour/Harbour.ini", "Harbour"},
        {"D:\\Jobs\\Harbour\\Harbour.ini", "D:\\Jobs\\Harbour", "D:\\Jobs\\Harbour\\Harbour.ini", "Harbour"},
        {"/jobs/h/Harbour.ini", "/jobs/h", "/jobs/h/Harbour.ini", "Harbour"},
        {"D:\\Jobs/mixed\\Bay.v2.ini", "D:\\Jobs/mixed", "D:\\Jobs/mixed\\Bay.v2.ini", "Bay.v2"},
        {"C:\\Jobs\\NoExtension", "C:\\Jobs", "C:\\Jobs\\NoExtension", "NoExtension"},
        {"", "/suite/Projects/", "/suite/Projects/.ini", ""},
        {longPath.c_str(), "/jobs/" + std::string(300, 'p'), longPath, "Harbour"},
    };
    for (const Case& c : cases) {
        LastProject p = lastProjectOf(c.value, "/suite");
        EXPECT_EQ(p.folder, c.folder) << c.value;
        EXPECT_EQ(p.file, c.file) << c.value;
        EXPECT_EQ(p.name, c.name) << c.value;
    }
}

// Points the program folder at a suite folder of the test through KVT_PELAGIX (the test program's
// own folder holds no suite marker).
class SuiteFolder {
public:
    SuiteFolder() {
        const char* old = std::getenv("KVT_PELAGIX");
        hadOld = old != nullptr;
        if (old) saved = old;
        setenv("KVT_PELAGIX", suite.path().c_str(), 1);
        resetProgramFolder();
    }
    ~SuiteFolder() {
        if (hadOld)
            setenv("KVT_PELAGIX", saved.c_str(), 1);
        else
            unsetenv("KVT_PELAGIX");
        resetProgramFolder();
    }
    TempFolder suite;

private:
    bool hadOld = false;
    std::string saved;
};

TEST(LastProject, FromTheSuiteConfiguration) {
    SuiteFolder s;
    const std::string root = s.suite.path();
    ASSERT_EQ(programFolder(), root);
    // Missing file: an empty name.
    EXPECT_EQ(projectFolder(), root + "/Projects/");
    EXPECT_EQ(projectName(), "");

    writeFile(root + "/pelagix.ini", "\xEF\xBB\xBF\r\n[General]\r\nLastProject=Harbour\r\n");
    EXPECT_EQ(projectFolder(), root + "/Projects/Harbour");
    EXPECT_EQ(projectFile(), root + "/Projects/Harbour/Harbour.ini");
    EXPECT_EQ(projectName(), "Harbour");
    EXPECT_EQ(projectFolderW(), toUtf16(root + "/Projects/Harbour"));
    EXPECT_EQ(projectFileW(), toUtf16(root + "/Projects/Harbour/Harbour.ini"));
    EXPECT_EQ(projectNameW(), u"Harbour");

    // Nothing is cached: the next call sees a changed file.
    writeFile(root + "/pelagix.ini", "[General]\r\nLastProject=D:\\Jobs\\Baie\\Baie.ini\r\n");
    EXPECT_EQ(projectFolder(), "D:\\Jobs\\Baie");
    EXPECT_EQ(projectNameW(), u"Baie");

    // Several host threads at once each get a whole, right answer.
    std::vector<std::thread> threads;
    std::vector<std::string> results(8);
    for (size_t i = 0; i < results.size(); ++i)
        threads.emplace_back([&results, i] {
            for (int n = 0; n < 20; ++n) results[i] = projectFile();
        });
    for (std::thread& t : threads) t.join();
    for (const std::string& r : results) EXPECT_EQ(r, "D:\\Jobs\\Baie\\Baie.ini");
}

// Suite paths are composed one way: without a program folder there is no suite file at all (not
// one at the file system's root), and a relative KVT_PELAGIX is taken from the current folder
// once, so later folder changes do not move the suite.
TEST(LastProject, SuitePathsNeedAProgramFolder) {
    LastProject none = lastProjectOf("Harbour", "");
    EXPECT_EQ(none.folder, "");
    EXPECT_EQ(none.file, "");
    EXPECT_EQ(none.name, "Harbour");
    EXPECT_EQ(suitePath("", "datum/corvane.db"), "");
    EXPECT_EQ(suitePath("/suite", "datum/corvane.db"), "/suite/datum/corvane.db");

    const char* old = std::getenv("KVT_PELAGIX");
    const std::string saved = old ? old : "";
    unsetenv("KVT_PELAGIX");
    resetProgramFolder();
    EXPECT_EQ(programFolder(), "");
    EXPECT_EQ(suiteFile("pelagix.ini"), "");
    EXPECT_EQ(projectFolder(), "");
    EXPECT_EQ(projectFile(), "");

    setenv("KVT_PELAGIX", "relative/suite", 1);
    resetProgramFolder();
    EXPECT_EQ(programFolder(), std::filesystem::current_path().string() + "/relative/suite");
    EXPECT_EQ(resolveProgramFolder("/nowhere/host", "/abs/suite"), "/abs/suite");

    if (old)
        setenv("KVT_PELAGIX", saved.c_str(), 1);
    else
        unsetenv("KVT_PELAGIX");
    resetProgramFolder();
}

}  // namespace
