// The runtime's one export and its small services: strings, angles, notifications, borders.
#include <algorithm>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "bayrun/AngleText.h"
#include "bayrun/BayrunInterfaces.h"
#include "bayrun/BorderPolygon.h"
#include "bayrun/Environment.h"
#include "bayrun/FileDialog.h"
#include "bayrun/RuntimeProfile.h"
#include "bayrun/VersionInfo.h"
#include "common/DebugLog.h"
#include "common/Text.h"

namespace {

class Strings final : public IBayrunStrings {
public:
    const char16_t* LoadString(const void* module, int id) override {
        auto key = std::make_pair(module, id);
        auto it = texts.find(key);
        if (it == texts.end()) it = texts.emplace(key, toUtf16(lookUp(module, id))).first;
        return it->second.c_str();
    }

private:
    static const char* lookUp(const void* module, int id) {
        const auto* table = static_cast<const BayrunStringModule*>(module);
        if (!table || !table->entries) return "";
        int lo = 0;
        int hi = table->count;
        while (lo < hi) {
            const int mid = lo + (hi - lo) / 2;
            if (table->entries[mid].id < id)
                lo = mid + 1;
            else
                hi = mid;
        }
        return lo < table->count && table->entries[lo].id == id ? table->entries[lo].text : "";
    }
    // Texts stay where they are for the runtime's life: callers may hold the pointer.
    std::map<std::pair<const void*, int>, std::u16string> texts;
};

class Angles final : public IBayrunAngles {
public:
    void SetFormat(int f) override { format = f; }
    void Init(const char16_t* folder) override { settingsFolder = folder ? folder : u""; }
    const char16_t* FormatLatitude(char16_t* buffer, int size, double degrees) override {
        return copy(angletext::format(degrees, format, angletext::Axis::Latitude), buffer, size);
    }
    const char16_t* FormatLongitude(char16_t* buffer, int size, double degrees) override {
        return copy(angletext::format(degrees, format, angletext::Axis::Longitude), buffer, size);
    }
    bool ParseLatitude(const char16_t* text, double* degrees) override {
        return text && degrees && angletext::parse(text, angletext::Axis::Latitude, *degrees);
    }
    bool ParseLongitude(const char16_t* text, double* degrees) override {
        return text && degrees && angletext::parse(text, angletext::Axis::Longitude, *degrees);
    }

private:
    static const char16_t* copy(const std::u16string& s, char16_t* buffer, int size) {
        if (!buffer || size < 1) return buffer;
        const size_t n = std::min(s.size(), size_t(size - 1));
        s.copy(buffer, n);
        buffer[n] = u'\0';
        return buffer;
    }
    int format = kBayrunNoFormatSetting;
    std::u16string settingsFolder;
};

class Notifier final : public IBayrunNotify {
public:
    int Notify(int code, intptr_t parameter) override {
        debugLog("Bayrun notification %d (%ld)", code, long(parameter));
        return 0;
    }
};

class Border final : public IBayrunBorderObject, public IBayrunBorder {
public:
    explicit Border(BorderPolygon p) : polygon(std::move(p)) {}
    bool QueryInterface(const BayrunGuid* id, void** out) override {
        if (!out) return false;
        *out = nullptr;
        if (!id || !(*id == IID_IBayrunBorder)) return false;
        *out = static_cast<IBayrunBorder*>(this);
        return true;
    }
    void Release() override { delete this; }
    bool Contains(double x, double y) override { return polygon.contains(x, y); }

private:
    BorderPolygon polygon;
};

class BorderLoader final : public IBayrunBorderLoader {
public:
    void Release() override { delete this; }
    bool Load(const char* path, IBayrunBorderObject** out) override {
        if (!out) return false;
        *out = nullptr;
        BorderPolygon polygon;
        if (!path || !polygon.load(path)) return false;
        *out = new Border(std::move(polygon));
        return true;
    }
};

// The held services live as long as the runtime is loaded.
struct Services {
    Strings strings;
    Environment environment;
    Angles angles;
    Notifier notify;
    std::vector<std::unique_ptr<FileDialog>> fileDialogs;
};

Services& services() {
    static Services s;
    return s;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) int bayrun_getintf(const BayrunGuid* id, void** out) {
    if (!out) return 0;
    *out = nullptr;
    if (!id) return 0;
    Services& s = services();
    const BayrunGuid& g = *id;
    if (g == IID_IBayrunStrings)
        *out = static_cast<IBayrunStrings*>(&s.strings);
    else if (g == IID_IBayrunEnvironment)
        *out = static_cast<IBayrunEnvironment*>(&s.environment);
    else if (g == IID_IBayrunAngles)
        *out = static_cast<IBayrunAngles*>(&s.angles);
    else if (g == IID_IBayrunNotify)
        *out = static_cast<IBayrunNotify*>(&s.notify);
    else if (g == IID_IBayrunProfile)
        *out = static_cast<IBayrunProfile*>(new RuntimeProfile(true));
    else if (g == IID_IBayrunFileDialog) {
        s.fileDialogs.push_back(std::make_unique<FileDialog>());
        *out = static_cast<IBayrunFileDialog*>(s.fileDialogs.back().get());
    } else if (g == IID_IBayrunVersionInfo)
        *out = static_cast<IBayrunVersionInfo*>(new VersionInfo);
    else if (g == IID_IBayrunBorderLoader)
        *out = static_cast<IBayrunBorderLoader*>(new BorderLoader);
    return *out ? 1 : 0;
}
