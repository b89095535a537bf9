#include "geodesy/grids/SharedGridFiles.h"

#include <map>
#include <mutex>

namespace sharedgrids::detail {

namespace {

struct Registry {
    std::mutex lock;
    std::map<Key, std::weak_ptr<void>> files;
};

// Never destroyed: an object may be released by a host's own static destructors, after ours.
Registry& registry() {
    static Registry* r = new Registry;
    return *r;
}

}  // namespace

bool keyOf(const platform::FileStamp& stamp, Format format, Key& key) {
    if (stamp.size < 0) return false;
    key = Key{stamp.device, stamp.inode, stamp.size, stamp.modified, format};
    return true;
}

std::shared_ptr<void> find(const Key& key) {
    Registry& r = registry();
    std::lock_guard<std::mutex> guard(r.lock);
    auto at = r.files.find(key);
    return at == r.files.end() ? nullptr : at->second.lock();
}

std::shared_ptr<void> enter(const Key& key, const std::shared_ptr<void>& made) {
    Registry& r = registry();
    std::lock_guard<std::mutex> guard(r.lock);
    std::weak_ptr<void>& slot = r.files[key];
    if (std::shared_ptr<void> other = slot.lock()) return other;
    slot = made;
    return made;
}

void forget(const Key& key) {
    Registry& r = registry();
    std::lock_guard<std::mutex> guard(r.lock);
    auto at = r.files.find(key);
    // The entry may already name a newer object of the same file.
    if (at != r.files.end() && at->second.expired()) r.files.erase(at);
}

}  // namespace sharedgrids::detail
