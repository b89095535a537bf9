// Corvane, the parameter editor: binds the runtime, runs the main window, unbinds the runtime.
#include <QApplication>
#include <QMessageBox>

#include <exception>

#include "common/erc.h"
#include "editor/Bayrun.h"
#include "editor/NumberText.h"
#include "editor/StringTable.h"
#include "editor/TmainFrm.h"

namespace {

// Text of a failure that ended the start-up.
QString failureText() {
    try {
        throw;
    } catch (erc& e) {
        char text[512] = {};
        if (errfac* f = e.getFacility()) f->format(e, text, int(sizeof text));
        e.release();
        return QString::fromUtf8(text);
    } catch (const ConversionError& e) {
        return e.text();
    } catch (const std::exception& e) {
        return QString::fromUtf8(e.what());
    } catch (...) {
        return QStringLiteral("Unexpected failure.");
    }
}

}  // namespace

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
            QMessageBox::critical(nullptr, resString(1841), failureText());
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
