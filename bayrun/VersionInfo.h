// IBayrunVersionInfo: version information of the suite's own files, generated at build time.
// The editor ("corvane", "Corvane.exe") and the geodesy library ("libTellus64.so",
// "Tellus32.dll", ...) are known by their base name without regard to case.
#pragma once

#include <map>
#include <string>

#include "bayrun/BayrunInterfaces.h"

class VersionInfo final : public IBayrunVersionInfo {
public:
    void Release() override { delete this; }
    bool Load(const char16_t* path) override;
    bool GetValue(char16_t* buffer, int size, const char16_t* key) override;

private:
    std::map<std::u16string, std::u16string> values;
};
