#include "bayrun/RuntimeProfile.h"

#include <charconv>
#include <cstdio>

#include "common/Platform.h"
#include "common/Text.h"

namespace {
// A new INI file starts with the byte-order mark and a line end, as the suite's files do.
constexpr char kNewFileBytes[] = "\xEF\xBB\xBF\r\n";
}  // namespace

std::string doubleText(double value) {
    char text[64];
    auto [end, ec] = std::to_chars(text, text + sizeof text, value);
    return ec == std::errc() ? std::string(text, end) : std::string("0");
}

RuntimeProfile::RuntimeProfile(bool owned) : owned(owned) {}

void RuntimeProfile::Release() {
    if (owned) delete this;
}

bool RuntimeProfile::Open(const char* path) {
    if (!path || !*path) return false;
    profile.emplace(path);
    return true;
}

int RuntimeProfile::ReadString(int size, char* buffer, const char* section, const char* key, const char* def) {
    if (!buffer || size < 1) return 0;
    if (!attached()) {
        return int(copyUtf8Bounded(def ? def : "", buffer, size_t(size)));
    }
    return profile->getString(buffer, size, key, section, def);
}

bool RuntimeProfile::WriteString(const char* section, const char* key, const char* value) {
    return attached() && value && profile->writeString(key, value, section) == 1;
}

int RuntimeProfile::ReadInt(const char* section, const char* key, int def) {
    return attached() ? profile->getInt(key, section, def) : def;
}

bool RuntimeProfile::WriteInt(const char* section, const char* key, int value) {
    return attached() && profile->writeInt(key, value, section) == 1;
}

bool RuntimeProfile::ReadBool(const char* section, const char* key, bool def) {
    return attached() ? profile->getBool(key, section, def) : def;
}

bool RuntimeProfile::WriteBool(const char* section, const char* key, bool value) {
    return attached() && profile->writeBool(key, value, section) == 1;
}

double RuntimeProfile::ReadDouble(const char* section, const char* key, double def) {
    return attached() ? profile->getDouble(key, section, def) : def;
}

bool RuntimeProfile::WriteDouble(const char* section, const char* key, double value) {
    return attached() && profile->writeString(key, doubleText(value).c_str(), section) == 1;
}

bool RuntimeProfile::DeleteKey(const char* section, const char* key) {
    return attached() && key && profile->deleteKey(key, section) == 1;
}

bool RuntimeProfile::Create(const char16_t* path) {
    if (!path || !*path) return false;
    const std::string narrow = toUtf8(path);
    // Written beside and renamed over the old file: never through a link, never half-written,
    // and an existing file keeps its mode.
    std::string temporary;
    FILE* f = platform::createBeside(narrow, temporary);
    if (!f) return false;
    const bool written = std::fwrite(kNewFileBytes, 1, sizeof kNewFileBytes - 1, f) == sizeof kNewFileBytes - 1;
    if (!platform::closeSynced(f) || !written || !platform::replaceFile(temporary, narrow)) {
        platform::removeFile(temporary);
        return false;
    }
    profile.emplace(narrow.c_str());
    return true;
}

bool RuntimeProfile::WriteStringW(const char16_t* section, const char16_t* key, const char16_t* value) {
    return attached() && section && key && value && profile->writeString(key, value, section) == 1;
}

bool RuntimeProfile::EraseSectionW(const char16_t* section) {
    if (!attached() || !section) return false;
    const std::string name = toUtf8(section);
    // Erasing a section that is not there leaves the file as it is and succeeds.
    return profile->deleteSection(name.c_str()) == 1 || !profile->hasSection(name.c_str());
}

bool RuntimeProfile::KeyExists(const char* section, const char* key) {
    return attached() && key && profile->hasKey(key, section);
}

bool RuntimeProfile::ReplaceSection(const char* section, IBayrunProfile* from) {
    const auto* source = dynamic_cast<const RuntimeProfile*>(from);
    if (!attached() || !section || !source || !source->attached()) return false;
    return profile->copySection(*source->profile, section) == 1;
}
