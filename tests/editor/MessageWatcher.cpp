#include "tests/editor/MessageWatcher.h"

#include <QAbstractButton>
#include <QApplication>
#include <QPushButton>

namespace {

// Often enough that a test never waits noticeably for its message box to be answered.
constexpr int kPollMilliseconds = 5;

}  // namespace

MessageWatcher::MessageWatcher() {
    QObject::connect(&timer, &QTimer::timeout, this, &MessageWatcher::answer);
    timer.start(kPollMilliseconds);
}

MessageWatcher::~MessageWatcher() { timer.stop(); }

void MessageWatcher::answer() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        auto* box = qobject_cast<QMessageBox*>(w);
        if (!box || !box->isVisible()) continue;
        seen.push_back({box->windowTitle(), box->text(), box->icon(), box->standardButtons()});
        QAbstractButton* button = box->defaultButton();
        if (!button && !box->buttons().isEmpty()) button = box->buttons().front();
        if (button)
            button->click();
        else
            box->done(0);
    }
}
