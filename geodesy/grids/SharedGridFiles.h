// Grid files shared by every object that opens them: however many coordinate systems of a process
// name one file, it is open once and its nodes are held once.
//
// A path names a file already open here when it leads to the same device and inode and the file
// still has the size and modification time it had when it was opened; a file rewritten or
// replaced since is another file and is opened anew (objects still using the old one keep it).
// Each shared file is reference-counted and closed with the last object that uses it. The
// registry's mutex is taken only while a grid file object is opened or destroyed, never by a
// lookup.
#pragma once

#include <memory>
#include <string>

#include "common/Platform.h"

namespace sharedgrids {

// How a file is read: one file read in two ways gets one entry for each.
enum class Format : int { Ntv2, BinaryGrid, Gtx };

namespace detail {
struct Key {
    uint64_t device, inode;
    int64_t size, modified;
    Format format;
    auto operator<=>(const Key&) const = default;
};
bool keyOf(const platform::FileStamp& stamp, Format format, Key& key);
std::shared_ptr<void> find(const Key& key);
// Enters `made` unless another thread entered the same file meanwhile; returns the entry's object.
std::shared_ptr<void> enter(const Key& key, const std::shared_ptr<void>& made);
void forget(const Key& key);
}  // namespace detail

// The object for the file that `path` names, read as `format`: the one already open when the file
// is unchanged, else `open(path, stamp)`'s, which returns a new object (null when the file cannot
// be opened) and sets `stamp` to its open file's stamp, or leaves it empty for an object that must
// not be shared (it then serves its caller alone). `close` frees an object.
template <typename T, typename Open>
std::shared_ptr<T> acquire(const std::string& path, Format format, void (*close)(T*), Open&& open) {
    platform::FileStamp stamp;
    detail::Key key;
    if (platform::fileStamp(path, stamp) && detail::keyOf(stamp, format, key))
        if (std::shared_ptr<void> found = detail::find(key)) return std::static_pointer_cast<T>(found);
    platform::FileStamp opened;
    T* made = open(path, opened);
    if (!made) return nullptr;
    if (!detail::keyOf(opened, format, key)) return std::shared_ptr<T>(made, close);
    std::shared_ptr<T> entry(made, [key, close](T* object) {
        detail::forget(key);
        close(object);
    });
    return std::static_pointer_cast<T>(detail::enter(key, entry));
}

}  // namespace sharedgrids
