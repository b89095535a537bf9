// Answers the message boxes that a dialog under test opens: each one is recorded (caption, text,
// icon, buttons) and closed with its default button, so the test runs without a user.
#pragma once

#include <QMessageBox>
#include <QObject>
#include <QString>
#include <QTimer>

#include <vector>

struct SeenMessage {
    QString caption;
    QString text;
    QMessageBox::Icon icon;
    QMessageBox::StandardButtons buttons;
};

class MessageWatcher : public QObject {
public:
    MessageWatcher();
    ~MessageWatcher() override;

    const std::vector<SeenMessage>& messages() const { return seen; }
    void clear() { seen.clear(); }

private:
    void answer();

    QTimer timer;
    std::vector<SeenMessage> seen;
};
