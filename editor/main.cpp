// Corvane, the parameter editor: binds the runtime, runs the main window, unbinds the runtime.
#include <QApplication>
#include <QMessageBox>

#include "editor/Bayrun.h"
#include "editor/StringTable.h"
#include "editor/TmainFrm.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Corvane"));
    // Every later step needs the runtime: without it the editor cannot start.
    if (!LoadBayrun(editorStringModule())) {
        QMessageBox::critical(nullptr, QStringLiteral("Corvane"),
                              QStringLiteral("The runtime libbayrun.so cannot be loaded."));
        return 1;
    }
    bool started = false;
    {
        TmainFrm form;
        try {
            form.FormCreate();
            started = !form.terminateRequested();
        } catch (...) {
            QMessageBox::critical(nullptr, resString(1841), TmainFrm::failureText());
        }
        if (started) {
            form.show();
            QApplication::exec();
        }
    }
    UnloadBayrun();
    // The process's status: 0 after a run of the window, 1 when the start-up failed.
    return started ? 0 : 1;
}
