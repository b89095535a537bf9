// IBayrunProfile over the suite's INI files (Pelagix::Profile): every call reads or rewrites the
// file, so what one object writes the next read of any object sees.
#pragma once

#include <optional>
#include <string>

#include "bayrun/BayrunInterfaces.h"
#include "common/Profile.h"

class RuntimeProfile final : public IBayrunProfile {
public:
    // `owned`: made by bayrun_getintf and ended by Release; otherwise the runtime's own.
    explicit RuntimeProfile(bool owned);

    void Release() override;
    bool Open(const char* path) override;
    int ReadString(int size, char* buffer, const char* section, const char* key, const char* def) override;
    bool WriteString(const char* section, const char* key, const char* value) override;
    int ReadInt(const char* section, const char* key, int def) override;
    bool WriteInt(const char* section, const char* key, int value) override;
    bool ReadBool(const char* section, const char* key, bool def) override;
    bool WriteBool(const char* section, const char* key, bool value) override;
    double ReadDouble(const char* section, const char* key, double def) override;
    bool WriteDouble(const char* section, const char* key, double value) override;
    bool DeleteKey(const char* section, const char* key) override;
    bool Create(const char16_t* path) override;
    bool WriteStringW(const char16_t* section, const char16_t* key, const char16_t* value) override;
    bool EraseSectionW(const char16_t* section) override;
    bool KeyExists(const char* section, const char* key) override;
    bool ReplaceSection(const char* section, IBayrunProfile* from) override;

    std::string path() const { return profile ? profile->getPath() : std::string(); }

private:
    bool attached() const { return profile.has_value(); }

    // Attached to a file by Open or Create; none before.
    std::optional<Pelagix::Profile> profile;
    bool owned;
};

// The shortest text that reads back as exactly the same double, in the C locale.
std::string doubleText(double value);
