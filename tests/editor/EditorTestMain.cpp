// The editor's test programs: one offscreen application and one binding of the runtime for the
// whole run, as in the editor itself, and a watchdog on modal dialogs left open.
#include <QApplication>

#include <gtest/gtest.h>

#include "editor/Bayrun.h"
#include "editor/StringTable.h"
#include "tests/editor/EditorTestSupport.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    if (!LoadBayrun(editorStringModule())) {
        std::fprintf(stderr, "libbayrun.so cannot be loaded\n");
        return 1;
    }
    const StrayModalWatchdog watchdog;
    const int result = RUN_ALL_TESTS();
    UnloadBayrun();
    return result;
}
