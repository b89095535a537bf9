// Files above 2 GiB must open, seek and size in the 32-bit build as well.
#define _FILE_OFFSET_BITS 64

#include "common/Platform.h"

#include <dirent.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <pthread.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/xattr.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <limits>
#include <mutex>

namespace platform {

std::string executablePath() {
    std::string buf(4096, '\0');
    for (;;) {
        ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size());
        if (n < 0) return {};
        if (size_t(n) < buf.size()) {
            buf.resize(size_t(n));
            return buf;
        }
        buf.resize(buf.size() * 2);
    }
}

std::string environment(const char* name) {
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
}

bool hasEnvironment(const char* name) { return std::getenv(name) != nullptr; }

void setEnvironment(const char* name, const char* value) {
    if (value)
        setenv(name, value, 1);
    else
        unsetenv(name);
}

std::vector<std::string> commandLine() {
    std::ifstream in("/proc/self/cmdline", std::ios::binary);
    std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<std::string> out;
    size_t start = 0;
    while (start < all.size()) {
        size_t end = all.find('\0', start);
        if (end == std::string::npos) end = all.size();
        out.emplace_back(all, start, end - start);
        start = end + 1;
    }
    return out;
}

namespace {

// The calling thread's id once read, 0 before. A forked child is another process whose one thread
// has another id: the fork handler makes it read its own.
thread_local uint32_t cachedThreadId = 0;

void forgetThreadId() { cachedThreadId = 0; }

}  // namespace

uint32_t threadId() {
    if (cachedThreadId == 0) {
        static const bool forkHandled = pthread_atfork(nullptr, nullptr, forgetThreadId) == 0;
        (void)forkHandled;
        cachedThreadId = uint32_t(syscall(SYS_gettid));
    }
    return cachedThreadId;
}

std::string absolutePath(const std::string& path) {
    if (path.empty() || path.front() == '/') return path;
    std::vector<char> folder(4096);
    while (!getcwd(folder.data(), folder.size())) {
        if (errno != ERANGE) return path;
        folder.resize(folder.size() * 2);
    }
    return std::string(folder.data()) + "/" + path;
}

bool pathExists(const std::string& path) {
    struct stat st;
    return !path.empty() && stat(path.c_str(), &st) == 0;
}

bool isRegularFile(const std::string& path) {
    struct stat st;
    return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

namespace {

thread_local uint32_t shortages = 0;

}  // namespace

uint32_t descriptorShortages() { return shortages; }

FILE* openForReading(const std::string& path) {
    bool noDescriptor;
    return openForReading(path, &noDescriptor);
}

FILE* openForReading(const std::string& path, bool* noDescriptor) {
    *noDescriptor = false;
    // Opening a pipe or a device may already do something (wake a writer waiting on a pipe), so
    // only what names a regular file is opened.
    if (!isRegularFile(path)) return nullptr;
    // Non-blocking so that a pipe put in its place meanwhile does not wait for a writer.
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        *noDescriptor = errno == EMFILE || errno == ENFILE;
        shortages += *noDescriptor;
        return nullptr;
    }
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return nullptr;
    }
    FILE* file = fdopen(fd, "rb");
    if (!file) close(fd);
    return file;
}

FILE* createForWriting(const std::string& path) {
    if (path.empty()) return nullptr;
    return std::fopen(path.c_str(), "wbe");  // 'e': not inherited by child processes
}

bool closeSynced(FILE* file) {
    if (!file) return false;
    bool ok = std::fflush(file) == 0;
    ok = fsync(fileno(file)) == 0 && ok;
    return std::fclose(file) == 0 && ok;
}

std::string createTempFile(const std::string& folder, const std::string& prefix, const std::string& suffix) {
    std::string name = (folder.empty() ? std::string(".") : folder) + "/" + prefix + "XXXXXX" + suffix;
    int fd = mkstemps(name.data(), int(suffix.size()));
    if (fd < 0) return {};
    close(fd);
    return name;
}

bool removeFile(const std::string& path) { return !path.empty() && unlink(path.c_str()) == 0; }

bool sameFile(const std::string& a, const std::string& b) {
    struct stat sa, sb;
    if (a.empty() || b.empty() || stat(a.c_str(), &sa) != 0 || stat(b.c_str(), &sb) != 0) return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

namespace {

std::string folderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// A chain of links longer than this is taken for a loop, as the kernel does.
constexpr int kMaxLinks = 40;

// The path of the file `path` names, its links followed; `path` itself when it is no link or
// nothing is there. False for a dangling link, a loop, and a link that neither this process's
// user nor the owner of its folder made: such a link may lead a privileged writer anywhere.
bool followLinks(const std::string& path, std::string& resolved) {
    resolved = path;
    for (int depth = 0; depth <= kMaxLinks; ++depth) {
        struct stat link;
        if (lstat(resolved.c_str(), &link) != 0) return depth == 0 && errno == ENOENT;
        if (!S_ISLNK(link.st_mode)) return true;
        if (depth == kMaxLinks) return false;
        const std::string folder = folderOf(resolved);
        struct stat holder;
        if (stat(folder.c_str(), &holder) != 0) return false;
        if (link.st_uid != geteuid() && link.st_uid != holder.st_uid) return false;
        std::string to(size_t(link.st_size > 0 ? link.st_size : 255) + 1, '\0');
        ssize_t n;
        while ((n = readlink(resolved.c_str(), to.data(), to.size())) >= ssize_t(to.size())) to.resize(to.size() * 2);
        if (n <= 0) return false;
        to.resize(size_t(n));
        resolved = to.front() == '/' ? to : folder + "/" + to;
    }
    return false;
}

// Opens a regular file for a read-modify-write and locks it (see Rewrite).
RewriteTarget lockForRewrite(const std::string& path, FILE*& file) {
    file = nullptr;
    if (path.empty()) return RewriteTarget::Unusable;
    // Every turn of the loop follows a replacement by another writer, so it ends.
    for (;;) {
        // Opening a pipe or a device may already do something: only a regular file is opened.
        struct stat named;
        if (stat(path.c_str(), &named) == 0 && !S_ISREG(named.st_mode)) return RewriteTarget::Unusable;
        // Non-blocking so that a pipe put in its place meanwhile does not wait for a reader.
        constexpr int kFlags = O_CLOEXEC | O_NONBLOCK | O_NOCTTY;
        int fd = open(path.c_str(), O_RDWR | kFlags);
        bool readOnly = false;
        if (fd < 0 && (errno == EACCES || errno == EROFS)) {
            fd = open(path.c_str(), O_RDONLY | kFlags);
            readOnly = true;
        }
        if (fd < 0) {
            if (errno != ENOENT) return RewriteTarget::Unusable;
            struct stat link;
            if (lstat(path.c_str(), &link) != 0) return errno == ENOENT ? RewriteTarget::Missing : RewriteTarget::Unusable;
            // A dangling link is refused; a file another writer created since the open is opened.
            if (S_ISLNK(link.st_mode)) return RewriteTarget::Unusable;
            continue;
        }
        struct stat locked, now;
        if (fstat(fd, &locked) != 0 || !S_ISREG(locked.st_mode)) {
            close(fd);
            return RewriteTarget::Unusable;
        }
        int r;
        while ((r = flock(fd, LOCK_EX)) != 0 && errno == EINTR) {
        }
        // A file system without locks is written unlocked, as it always was.
        bool current = r != 0 || (stat(path.c_str(), &now) == 0 && now.st_dev == locked.st_dev &&
                                  now.st_ino == locked.st_ino);
        if (current) {
            file = fdopen(fd, "rb");
            if (!file) {
                close(fd);
                return RewriteTarget::Unusable;
            }
            return readOnly ? RewriteTarget::ReadOnly : RewriteTarget::Locked;
        }
        close(fd);
    }
}

constexpr char kNameChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
constexpr size_t kNameSuffixSize = 6;

// Six characters for a new file name: not secret, only unlikely to be taken; O_EXCL settles the
// rest.
std::string randomNameSuffix() {
    static std::atomic<uint64_t> counter{0};
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    uint64_t x = uint64_t(now.tv_nsec) ^ uint64_t(now.tv_sec) << 30 ^ uint64_t(getpid()) << 40 ^
                 uint64_t(threadId()) << 20 ^ counter.fetch_add(1) * 0x9E3779B97F4A7C15ull;
    // splitmix64's finaliser spreads every input bit over the name.
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    x ^= x >> 31;
    std::string s(kNameSuffixSize, ' ');
    for (char& c : s) {
        c = kNameChars[x % (sizeof kNameChars - 1)];
        x /= sizeof kNameChars - 1;
    }
    return s;
}

// Tries of new names before giving up; each taken name is a collision of 62^6 to one.
constexpr int kNameTries = 100;

// The name of a writer's temporary file beside a target, before its random part: the target's
// path with its last character replaced by '~' ("Harbour.ini" gives "Harbour.in~").
std::string temporaryStem(const std::string& target) {
    size_t last = target.size() - 1;
    while (last > 0 && (static_cast<unsigned char>(target[last]) & 0xC0) == 0x80) --last;
    return target.substr(0, last) + "~";
}

bool isTemporaryName(const std::string& name, const std::string& stemName) {
    return name.size() == stemName.size() + kNameSuffixSize && name.compare(0, stemName.size(), stemName) == 0 &&
           name.find_first_not_of(kNameChars, stemName.size()) == std::string::npos;
}

bool sameInode(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// Removes the temporaries of `stem` that no writer holds locked: a live writer keeps its own
// locked from its creation to its rename, so one whose lock can be taken is left from a writer
// that died.
void removeStaleTemporaries(const std::string& stem) {
    const std::string folder = folderOf(stem);
    const std::string stemName = stem.substr(stem.rfind('/') + 1);
    for (const std::string& name : folderEntries(folder)) {
        if (!isTemporaryName(name, stemName)) continue;
        const std::string candidate = folder + "/" + name;
        const int fd = open(candidate.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd < 0) continue;
        struct stat held, named;
        if (fstat(fd, &held) == 0 && S_ISREG(held.st_mode) && flock(fd, LOCK_EX | LOCK_NB) == 0 &&
            lstat(candidate.c_str(), &named) == 0 && sameInode(held, named))
            unlink(candidate.c_str());
        close(fd);
    }
}

// Reads an extended attribute list or value of any size into `buffer`; false on failure.
template <typename Read>
bool readAll(std::vector<char>& buffer, Read&& read) {
    for (;;) {
        const ssize_t size = read(nullptr, 0);
        if (size < 0) return false;
        buffer.resize(size_t(size));
        const ssize_t n = size == 0 ? 0 : read(buffer.data(), buffer.size());
        if (n >= 0) {
            buffer.resize(size_t(n));
            return true;
        }
        if (errno != ERANGE) return false;  // grown since the size was asked: again
    }
}

constexpr char kAccessAcl[] = "system.posix_acl_access";

// Gives `to` every extended attribute of `from`, the access ACL included; false when one cannot
// be read or set. An attribute that `to` already has with the same value (a label that every
// new file in the folder gets) needs no setting.
bool copyAttributes(int from, int to) {
    std::vector<char> names, value, present;
    if (!readAll(names, [&](char* b, size_t n) { return flistxattr(from, b, n); }))
        return errno == ENOTSUP;  // a file system without extended attributes
    bool acl = false;
    for (size_t at = 0; at < names.size(); at += std::strlen(names.data() + at) + 1) {
        const char* name = names.data() + at;
        if (!*name) continue;
        acl = acl || std::strcmp(name, kAccessAcl) == 0;
        if (!readAll(value, [&](char* b, size_t n) { return fgetxattr(from, name, b, n); })) return false;
        if (readAll(present, [&](char* b, size_t n) { return fgetxattr(to, name, b, n); }) && present == value)
            continue;
        if (fsetxattr(to, name, value.data(), value.size(), 0) != 0) return false;
    }
    // An ACL the new file inherited from its folder is not the target's.
    if (!acl && fremovexattr(to, kAccessAcl) != 0 && errno != ENODATA && errno != ENOTSUP) return false;
    return true;
}

// Syncs a folder, so that a rename in it outlasts a power loss. Nothing to do where the folder
// cannot be opened for it: the rename has happened either way.
void syncFolder(const std::string& folder) {
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    (void)!fsync(fd);
    close(fd);
}

enum class Install { Done, Exists, Failed };

// Gives `from` the name `to` only when nothing has that name yet (a rename that never replaces).
Install installNew(const std::string& from, const std::string& to) {
    if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return Install::Done;
    if (errno == EEXIST) return Install::Exists;
    if (errno != EINVAL && errno != ENOSYS) return Install::Failed;
    // A file system without the no-replace rename: a hard link does not replace either.
    if (link(from.c_str(), to.c_str()) == 0) {
        unlink(from.c_str());
        return Install::Done;
    }
    if (errno == EEXIST) return Install::Exists;
    // Nor hard links: a plain rename, which a writer creating the same file may overtake.
    return std::rename(from.c_str(), to.c_str()) == 0 ? Install::Done : Install::Failed;
}

}  // namespace

Rewrite::Rewrite(const std::string& given) {
    if (!given.empty() && followLinks(given, path)) target = lockForRewrite(path, in);
}

Rewrite::~Rewrite() {
    if (out) std::fclose(out);
    if (!temporary.empty()) unlink(temporary.c_str());
    if (in) std::fclose(in);
}

FILE* Rewrite::begin() {
    if (out || (target != RewriteTarget::Locked && target != RewriteTarget::Missing)) return nullptr;
    const std::string stem = temporaryStem(path);
    removeStaleTemporaries(stem);
    struct stat model;
    const bool like = in && fstat(fileno(in), &model) == 0;
    for (int attempt = 0; attempt < kNameTries; ++attempt) {
        std::string candidate = stem + randomNameSuffix();
        // Only this process's user may read it until it has the target's owner and mode, and it
        // holds nothing before then.
        int fd = open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, like ? 0600 : 0666);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return nullptr;
        }
        // Locked for its whole life, so that no writer takes it for a dead writer's. A writer that
        // removed it before the lock was taken leaves this one without a name: try another.
        while (flock(fd, LOCK_EX) != 0 && errno == EINTR) {
        }
        struct stat opened, named;
        if (fstat(fd, &opened) != 0 || lstat(candidate.c_str(), &named) != 0 || !sameInode(opened, named)) {
            close(fd);
            continue;
        }
        bool ok = true;
        if (like) {
            // The owner first, since changing it may clear set-id bits that the mode then restores.
            // Kept only where this process may: else the group alone, else neither.
            if (fchown(fd, model.st_uid, model.st_gid) != 0) (void)!fchown(fd, uid_t(-1), model.st_gid);
            ok = fchmod(fd, model.st_mode & 07777) == 0 && copyAttributes(fileno(in), fd);
        }
        out = ok ? fdopen(fd, "wb") : nullptr;
        if (!out) {
            close(fd);
            unlink(candidate.c_str());
            return nullptr;
        }
        temporary = std::move(candidate);
        return out;
    }
    return nullptr;
}

Rewrite::Result Rewrite::commit() {
    if (!out) return Result::Failed;
    Result result = Result::Failed;
    // The temporary stays open, and so locked, until it has the target's name.
    if (std::fflush(out) == 0 && fsync(fileno(out)) == 0) {
        if (in) {
            result = std::rename(temporary.c_str(), path.c_str()) == 0 ? Result::Done : Result::Failed;
        } else {
            const Install installed = installNew(temporary, path);
            result = installed == Install::Done ? Result::Done : installed == Install::Exists ? Result::Exists : Result::Failed;
        }
    }
    if (result == Result::Done) {
        temporary.clear();
        syncFolder(folderOf(path));
    }
    std::fclose(out);
    out = nullptr;
    if (!temporary.empty()) {
        unlink(temporary.c_str());
        temporary.clear();
    }
    return result;
}

bool seekFile(std::FILE* file, int64_t offset) {
    if (!file || offset < 0 || offset > int64_t(std::numeric_limits<off_t>::max())) return false;
    return fseeko(file, off_t(offset), SEEK_SET) == 0;
}

int64_t fileSize(std::FILE* file) {
    struct stat st;
    if (!file || fstat(fileno(file), &st) != 0) return -1;
    return int64_t(st.st_size);
}

bool readAt(std::FILE* file, int64_t offset, void* buffer, size_t size) {
    if (!file || offset < 0 || offset > int64_t(std::numeric_limits<off_t>::max())) return false;
    const int fd = fileno(file);
    auto* at = static_cast<unsigned char*>(buffer);
    while (size > 0) {
        ssize_t n = pread(fd, at, size, off_t(offset));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        at += n;
        offset += n;
        size -= size_t(n);
    }
    return true;
}

bool isDirectory(const std::string& path) {
    struct stat st;
    return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool mayWrite(const std::string& path) { return !path.empty() && access(path.c_str(), W_OK) == 0; }

namespace {

void fillStamp(const struct stat64& st, FileStamp& stamp) {
    constexpr int64_t kNanoseconds = 1000000000;
    stamp.device = uint64_t(st.st_dev);
    stamp.inode = uint64_t(st.st_ino);
    stamp.size = int64_t(st.st_size);
    stamp.modified = int64_t(st.st_mtim.tv_sec) * kNanoseconds + st.st_mtim.tv_nsec;
    stamp.changed = int64_t(st.st_ctim.tv_sec) * kNanoseconds + st.st_ctim.tv_nsec;
}

}  // namespace

bool fileStamp(const std::string& path, FileStamp& stamp) {
    stamp = FileStamp{};
    // The 64-bit form, so the 32-bit library stamps files on file systems with large inodes too.
    struct stat64 st;
    if (path.empty() || stat64(path.c_str(), &st) != 0) return false;
    fillStamp(st, stamp);
    return true;
}

bool fileStamp(std::FILE* file, FileStamp& stamp) {
    stamp = FileStamp{};
    struct stat64 st;
    if (!file || fstat64(fileno(file), &st) != 0) return false;
    fillStamp(st, stamp);
    return true;
}

bool makeDirectories(const std::string& path) {
    if (path.empty()) return false;
    if (isDirectory(path)) return true;
    const size_t slash = path.find_last_of('/');
    if (slash != std::string::npos && slash > 0) makeDirectories(path.substr(0, slash));
    return mkdir(path.c_str(), 0777) == 0 || isDirectory(path);
}

void* openLibrary(const std::string& path) { return dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL); }

void* librarySymbol(void* library, const char* name) { return library ? dlsym(library, name) : nullptr; }

void closeLibrary(void* library) {
    if (library) dlclose(library);
}

std::string libraryError() {
    const char* e = dlerror();
    return e ? std::string(e) : std::string();
}

namespace {

std::atomic<DebugCapture> captureHook{nullptr};
std::atomic<void*> captureContext{nullptr};

// The sink is chosen once, from the environment at the first line.
struct DebugSink {
    int fd = -1;
    bool toStderr = false;
    DebugSink() {
        const char* v = std::getenv("PELAGIX_DEBUG_LOG");
        if (!v || !*v) return;
        if (std::string(v) == "stderr") {
            toStderr = true;
            return;
        }
        fd = open(v, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    }
};

void writeAll(int fd, const std::string& line) {
    const char* p = line.data();
    size_t left = line.size();
    while (left > 0) {
        ssize_t n = write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            return;
        }
        p += n;
        left -= size_t(n);
    }
}

DebugSink& debugSink() {
    static DebugSink sink;
    return sink;
}

}  // namespace

bool debugOutputActive() {
    if (captureHook.load(std::memory_order_relaxed)) return true;
    const DebugSink& sink = debugSink();
    return sink.toStderr || sink.fd >= 0;
}

void setDebugCapture(DebugCapture capture, void* context) {
    captureContext.store(context);
    captureHook.store(capture);
}

void debugOutput(const std::string& line) {
    if (DebugCapture hook = captureHook.load()) {
        hook(line, captureContext.load());
        return;
    }
    const DebugSink& sink = debugSink();
    // O_APPEND makes each line one write, so lines of several threads do not interleave.
    if (sink.toStderr)
        writeAll(STDERR_FILENO, line);
    else if (sink.fd >= 0)
        writeAll(sink.fd, line);
}

std::vector<std::string> folderEntries(const std::string& folder) {
    std::vector<std::string> names;
    if (folder.empty()) return names;
    DIR* dir = opendir(folder.c_str());
    if (!dir) return names;
    while (const dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(std::move(name));
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace platform
