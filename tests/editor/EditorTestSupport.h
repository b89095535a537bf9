// Support of the editor's tests: a Qt application on the offscreen platform with the runtime
// bound for the whole test program, a suite folder per test, a watcher that answers the message
// boxes a form shows, and a watchdog that fails a test left waiting on a modal dialog.
#pragma once

#include <QComboBox>
#include <QMessageBox>
#include <QString>

#include <initializer_list>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "editor/TmainFrm.h"
#include "tests/TestSupport.h"
#include "ui_TmainFrm.h"

// A copy of the sample suite folder (without its large grids, with its geoid models) that a test may change, made the
// data root of the runtime (KVT_PELAGIX) with a working folder of its own (XDG_CONFIG_HOME).
class SuiteCopy {
public:
    SuiteCopy();
    ~SuiteCopy();
    const std::string& root() const { return suite; }
    std::string file(const std::string& relative) const { return suite + "/" + relative; }
    std::string workingFolder() const { return config + "/pelagix"; }
    // The current project's geodesy parameter file.
    std::string projectFile() const { return file("Projects/Harbour/Harbour.ini"); }

private:
    TempFolder temp;
    std::string suite;
    std::string config;
    std::string oldSuite;
    std::string oldConfig;
};

// Answers every message box while it lives: records caption, text and icon, then presses the
// default button (or closes the box).
class MessageBoxWatcher {
public:
    struct Seen {
        QString caption;
        QString text;
        QMessageBox::Icon icon;
        QMessageBox::StandardButtons buttons;
    };
    MessageBoxWatcher();
    ~MessageBoxWatcher();
    const std::vector<Seen>& seen() const { return boxes; }

private:
    struct Impl;
    std::unique_ptr<Impl> impl;
    std::vector<Seen> boxes;
};

// For the whole test program: a modal dialog that stays open longer than a few seconds fails
// the running test, naming the dialog, and is rejected, so a test waiting on a dialog that no
// one answers fails at once instead of waiting for the harness's time limit.
class StrayModalWatchdog {
public:
    StrayModalWatchdog();
    ~StrayModalWatchdog();

private:
    struct Impl;
    std::unique_ptr<Impl> impl;
};

// A whole INI file as "key=value" lines of one section, in file order.
std::vector<std::string> sectionLines(const std::string& path, const std::string& section);
// The value of a key of a section ("" when missing).
std::string iniValue(const std::string& path, const std::string& section, const std::string& key);
bool iniHasKey(const std::string& path, const std::string& section, const std::string& key);

// Each named control of a window shows its caption (a title or a text, without mnemonics).
void expectCaptions(const QObject* window, std::initializer_list<std::pair<const char*, const char*>> captions);

// The parameter file of the current project with the given lines in its section "Geodesy".
void writeProject(const SuiteCopy& suite, const std::string& lines);

// A user-defined Transverse Mercator on WGS 84 in metres; the project adds no vertical reference.
extern const std::string kUserDefinedGrid;
extern const std::string kUserDefinedProject;

// The main window, started, with the user's way of choosing a list item.
struct Form {
    std::unique_ptr<TmainFrm> frm = std::make_unique<TmainFrm>();
    Ui::mainFrm* ui = frm->form();
    Form() { frm->FormCreate(); }
    void choose(QComboBox* list, int index) {
        list->setCurrentIndex(index);
        emit list->activated(index);
    }
    void choose(QComboBox* list, const QString& text) { choose(list, list->findText(text)); }
    void standard() { ui->mnuViewStandard->trigger(); }
};
