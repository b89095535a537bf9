// Runs the dialog tests headless, on one copy of the sample suite folder for the whole program
// (the geodesy library reads KVT_PELAGIX once), with the runtime loaded as the editor loads it and
// a watchdog on modal dialogs left open.
#include <gtest/gtest.h>

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "editor/Bayrun.h"
#include "tests/editor/DialogTestSupport.h"
#include "tests/editor/EditorTestSupport.h"

namespace {

std::string suitePath;

}  // namespace

const std::string& suiteFolder() { return suitePath; }

void makeFolders(const std::string& path) { std::filesystem::create_directories(path); }

bool fileExists(const std::string& path) { return std::filesystem::exists(path); }

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    unsetenv("BAYRUN_FILE_DIALOG_ANSWERS");
    unsetenv("BAYRUN_FILE_DIALOG_LOG");
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    const SuiteCopy suite;
    suitePath = suite.root();
    makeFolders(suitePath + "/datum/vdatum");
    if (!LoadBayrun(nullptr)) {
        std::fprintf(stderr, "the runtime libbayrun.so cannot be loaded\n");
        return 1;
    }
    const StrayModalWatchdog watchdog;
    const int result = RUN_ALL_TESTS();
    UnloadBayrun();
    return result;
}
