// The editor's dialogs under test: one suite folder for the whole test program (the runtime and
// the geodesy library find their data through KVT_PELAGIX, which the library reads once), and a
// hand for the modal dialogs that the main window opens.
#pragma once

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <string>

// The suite folder of this test program: a copy of the sample suite.
const std::string& suiteFolder();
// Creates a folder and the folders above it.
void makeFolders(const std::string& path);
bool fileExists(const std::string& path);

// While it lives, acts once on the first visible dialog of type Dialog (the main window shows
// it modally): `act` sets its controls and closes it.
template <typename Dialog>
class DialogAnswer {
public:
    explicit DialogAnswer(std::function<void(Dialog*)> act) : action(std::move(act)) {
        QObject::connect(&timer, &QTimer::timeout, [this] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                auto* dialog = qobject_cast<Dialog*>(w);
                if (!dialog || !dialog->isVisible() || answered) continue;
                answered = true;
                action(dialog);
            }
        });
        timer.start(kPollMilliseconds);
    }
    bool done() const { return answered; }

private:
    static constexpr int kPollMilliseconds = 5;
    QTimer timer;
    std::function<void(Dialog*)> action;
    bool answered = false;
};
