#include "tests/editor/EditorTestSupport.h"

#include <QPushButton>
#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>

#include <cstdlib>
#include <filesystem>

#include <gtest/gtest.h>

#include "common/Profile.h"

namespace fs = std::filesystem;

namespace {

std::string env(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}

void setOrUnset(const char* name, const std::string& value) {
    if (value.empty())
        unsetenv(name);
    else
        setenv(name, value.c_str(), 1);
}

}  // namespace

SuiteCopy::SuiteCopy() {
    suite = temp.file("suite");
    config = temp.file("config");
    const fs::path from = TELLUS_SUITE_DIR;
    fs::create_directories(suite + "/datum");
    fs::create_directories(config);
    fs::copy_file(from / "datum" / "corvane.db", suite + "/datum/corvane.db");
    // The geoid models are small cuts; the large grids of proj-data stay behind.
    for (const fs::directory_entry& e : fs::directory_iterator(from / "datum"))
        if (e.is_regular_file() && e.path().extension() == ".geo") fs::copy_file(e.path(), fs::path(suite) / "datum" / e.path().filename());
    if (fs::exists(from / "datum" / "vdatum"))
        fs::copy(from / "datum" / "vdatum", suite + "/datum/vdatum", fs::copy_options::recursive);
    fs::copy(from / "Projects", suite + "/Projects", fs::copy_options::recursive);
    fs::copy_file(from / "pelagix.ini", suite + "/pelagix.ini");
    writeFile(suite + "/pelagix", "");
    oldSuite = env("KVT_PELAGIX");
    oldConfig = env("XDG_CONFIG_HOME");
    setenv("KVT_PELAGIX", suite.c_str(), 1);
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);
}

SuiteCopy::~SuiteCopy() {
    setOrUnset("KVT_PELAGIX", oldSuite);
    setOrUnset("XDG_CONFIG_HOME", oldConfig);
}

struct MessageBoxWatcher::Impl {
    QTimer timer;
};

MessageBoxWatcher::MessageBoxWatcher() : impl(std::make_unique<Impl>()) {
    impl->timer.setInterval(5);
    QObject::connect(&impl->timer, &QTimer::timeout, [this] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            auto* box = qobject_cast<QMessageBox*>(w);
            if (!box || !box->isVisible()) continue;
            boxes.push_back({box->windowTitle(), box->text(), box->icon(), box->standardButtons()});
            if (QAbstractButton* b = box->defaultButton())
                b->click();
            else
                box->done(0);
        }
    });
    impl->timer.start();
}

MessageBoxWatcher::~MessageBoxWatcher() = default;

namespace {
// Far above any dialog a test answers (message boxes within milliseconds).
constexpr qint64 kStrayModalMilliseconds = 5000;
constexpr int kStrayModalPollMilliseconds = 250;
}  // namespace

struct StrayModalWatchdog::Impl {
    QTimer timer;
    QPointer<QWidget> modal;  // the modal widget last seen, and since when
    QElapsedTimer since;
};

StrayModalWatchdog::StrayModalWatchdog() : impl(std::make_unique<Impl>()) {
    impl->timer.setInterval(kStrayModalPollMilliseconds);
    QObject::connect(&impl->timer, &QTimer::timeout, [this] {
        QWidget* const w = QApplication::activeModalWidget();
        if (w != impl->modal) {
            impl->modal = w;
            impl->since.start();
            return;
        }
        if (!w || impl->since.elapsed() < kStrayModalMilliseconds) return;
        ADD_FAILURE() << "a modal " << w->metaObject()->className() << " \"" << w->windowTitle().toStdString()
                      << "\" stayed open for " << impl->since.elapsed() << " ms; rejected";
        impl->modal = nullptr;
        if (auto* dialog = qobject_cast<QDialog*>(w))
            dialog->reject();
        else
            w->close();
    });
    impl->timer.start();
}

StrayModalWatchdog::~StrayModalWatchdog() = default;

std::vector<std::string> sectionLines(const std::string& path, const std::string& section) {
    std::vector<std::string> lines;
    const std::string text = readFile(path);
    bool in = false;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        start = end + 1;
        if (!line.empty() && line[0] == '[') {
            in = line == "[" + section + "]";
            continue;
        }
        if (in && line.find('=') != std::string::npos) lines.push_back(line);
    }
    return lines;
}

std::string iniValue(const std::string& path, const std::string& section, const std::string& key) {
    Pelagix::Profile p(path.c_str());
    return p.getString(key.c_str(), section.c_str(), "");
}

bool iniHasKey(const std::string& path, const std::string& section, const std::string& key) {
    for (const std::string& line : sectionLines(path, section))
        if (line.substr(0, line.find('=')) == key) return true;
    return false;
}

void expectCaptions(const QObject* window, std::initializer_list<std::pair<const char*, const char*>> captions) {
    for (auto [name, caption] : captions) {
        const QObject* control = window->findChild<QObject*>(name);
        ASSERT_NE(control, nullptr) << name;
        const bool titled = control->inherits("QGroupBox") || control->inherits("QMenu");
        EXPECT_EQ(control->property(titled ? "title" : "text").toString().remove('&').toStdString(), caption) << name;
    }
}

void writeProject(const SuiteCopy& suite, const std::string& lines) {
    std::string text = "\xEF\xBB\xBF\r\n[Geodesy]\r\n";
    size_t start = 0;
    while (start < lines.size()) {
        size_t end = lines.find('\n', start);
        if (end == std::string::npos) end = lines.size();
        text += lines.substr(start, end - start) + "\r\n";
        start = end + 1;
    }
    writeFile(suite.projectFile(), text);
}

const std::string kUserDefinedGrid =
    "Ver=2001\nProjection=TME\nRefLatitude=0\nCentralMeridian=3\nScaleFactor=0.9996\nUnit=1\n"
    "FalseEasting=1000\nFalseNorthing=2000\nSemiMajorAxis=6378137\nFlattening=298.257223563\n";
const std::string kUserDefinedProject = kUserDefinedGrid + "RTKMode=0\nChartDatum=0";
