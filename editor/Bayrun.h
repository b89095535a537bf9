// The editor's binding to the runtime Bayrun: loading it, the four services held for the whole
// run, objects made per use, and the string lookup every form uses.
#pragma once

#include <QString>

#include <memory>

#include "bayrun/BayrunInterfaces.h"

// Loads libbayrun.so (beside the executable first, then on the library path), takes the held
// services and initialises the angle service. `instance` is the string module of the editor's
// texts; null takes the program's own table. False when the runtime or a service is missing.
bool LoadBayrun(const BayrunStringModule* instance);
// Releases a border loader as the runtime expects at the end, then unloads it.
void UnloadBayrun();

namespace bayrun {
IBayrunEnvironment* environment();
IBayrunAngles* angles();
IBayrunNotify* notify();
// A new object of the runtime (profile, file dialog, version info, border loader), or null.
void* newObject(const BayrunGuid& id);
template <typename Interface>
Interface* make(const BayrunGuid& id) {
    return static_cast<Interface*>(newObject(id));
}
// Ends an object of the runtime: the deleter of an owned one.
struct Releaser {
    template <typename Object>
    void operator()(Object* object) const {
        object->Release();
    }
};
template <typename Interface>
using Owned = std::unique_ptr<Interface, Releaser>;
}  // namespace bayrun

// The text of a string id of the editor's table; it belongs to the runtime: copy it at once.
const char16_t* loadResString(int id);
// The same as a QString (a copy).
QString resString(int id);
