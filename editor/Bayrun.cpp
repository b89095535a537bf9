#include "editor/Bayrun.h"

#include "common/DebugLog.h"
#include "common/Platform.h"
#include "editor/StringTable.h"

namespace {

struct Binding {
    void* module = nullptr;
    BayrunGetIntf getIntf = nullptr;
    const BayrunStringModule* stringModule = nullptr;
    IBayrunStrings* strings = nullptr;
    IBayrunEnvironment* environment = nullptr;
    IBayrunAngles* angles = nullptr;
    IBayrunNotify* notify = nullptr;
};

Binding binding;

template <typename Interface>
Interface* fetch(const BayrunGuid& id) {
    void* out = nullptr;
    if (!binding.getIntf || !binding.getIntf(&id, &out)) return nullptr;
    return static_cast<Interface*>(out);
}

void* openRuntime() {
    const std::string exe = platform::executablePath();
    const size_t slash = exe.rfind('/');
    if (slash != std::string::npos) {
        const std::string beside = exe.substr(0, slash + 1) + kBayrunLibraryName;
        if (platform::isRegularFile(beside))
            if (void* m = platform::openLibrary(beside)) return m;
    }
    void* m = platform::openLibrary(kBayrunLibraryName);
    if (!m) debugLog("Corvane: cannot load %s: %s", kBayrunLibraryName, platform::libraryError().c_str());
    return m;
}

}  // namespace

bool LoadBayrun(const BayrunStringModule* instance) {
    if (binding.module) return true;
    binding.module = openRuntime();
    if (!binding.module) return false;
    binding.stringModule = instance ? instance : editorStringModule();
    binding.getIntf = reinterpret_cast<BayrunGetIntf>(platform::librarySymbol(binding.module, kBayrunGetIntfName));
    binding.strings = fetch<IBayrunStrings>(IID_IBayrunStrings);
    binding.environment = fetch<IBayrunEnvironment>(IID_IBayrunEnvironment);
    binding.angles = fetch<IBayrunAngles>(IID_IBayrunAngles);
    binding.notify = fetch<IBayrunNotify>(IID_IBayrunNotify);
    if (!binding.strings || !binding.environment || !binding.angles || !binding.notify) {
        UnloadBayrun();
        return false;
    }
    binding.angles->Init(binding.environment->GetFolderW(nullptr, 0, kBayrunFolderSettings));
    return true;
}

void UnloadBayrun() {
    if (!binding.module) return;
    if (auto* loader = fetch<IBayrunBorderLoader>(IID_IBayrunBorderLoader)) loader->Release();
    platform::closeLibrary(binding.module);
    binding = Binding{};
}

namespace bayrun {
IBayrunEnvironment* environment() { return binding.environment; }
IBayrunAngles* angles() { return binding.angles; }
IBayrunNotify* notify() { return binding.notify; }
void* newObject(const BayrunGuid& id) { return fetch<void>(id); }
}  // namespace bayrun

const char16_t* loadResString(int id) {
    if (!binding.strings) return u"";
    return binding.strings->LoadString(binding.stringModule, id);
}

QString resString(int id) { return QString::fromUtf16(loadResString(id)); }
