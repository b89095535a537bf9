// IBayrunEnvironment: the suite's folders, the runtime's profiles and help.
//
// Folders are computed at every call, so a change of KVT_PELAGIX or of the last project is seen
// at once:
//   16, 3  the data root: the suite's program folder (the executable's folder when it holds the
//          marker `pelagix`, otherwise KVT_PELAGIX), the same rule the geodesy library follows;
//   0      the current project's folder ("LastProject" of pelagix.ini);
//   18, 20 the working folder: $XDG_CONFIG_HOME/pelagix, or $HOME/.config/pelagix, created on
//          first use.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "bayrun/BayrunInterfaces.h"
#include "bayrun/RuntimeProfile.h"

class Environment final : public IBayrunEnvironment {
public:
    const char* GetFolderA(int id, int trailingSeparator) override;
    bool ShowHelp(void* window, const char* file, int command) override;
    IBayrunProfile* GetProfile(int id) override;
    const char16_t* GetFolderW(char16_t* buffer, int size, int id) override;

    // The folder of an id without a trailing separator; empty for an unknown id.
    static std::string folder(int id);
    // The files behind the two profiles.
    static std::string geodesyProfilePath();
    static std::string settingsProfilePath();

private:
    std::string narrowFolder;
    std::u16string wideFolder;
    std::map<int, std::unique_ptr<RuntimeProfile>> profiles;
};
