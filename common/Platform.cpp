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
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
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
    if (path.empty()) return nullptr;
    // Non-blocking so that opening a pipe does not wait for a writer; a regular file ignores it.
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

bool replaceFile(const std::string& from, const std::string& to) {
    return !from.empty() && !to.empty() && std::rename(from.c_str(), to.c_str()) == 0;
}

RewriteTarget lockForRewrite(const std::string& path, FILE*& file) {
    file = nullptr;
    if (path.empty()) return RewriteTarget::Unusable;
    // Every turn of the loop follows a replacement by another writer, so it ends.
    for (;;) {
        // Non-blocking so that a pipe does not wait for a reader; a regular file ignores it.
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

namespace {

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
    static constexpr char kChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::string s(6, ' ');
    for (char& c : s) {
        c = kChars[x % (sizeof kChars - 1)];
        x /= sizeof kChars - 1;
    }
    return s;
}

// Tries of new names before giving up; each taken name is a collision of 62^6 to one.
constexpr int kNameTries = 100;

// The work of both createBeside forms: the new file takes the mode and, where this process may,
// the owner and group of `model`; with `model` null, the mode of any new file.
FILE* createNamed(const std::string& stem, const struct stat* model, std::string& name) {
    name.clear();
    for (int attempt = 0; attempt < kNameTries; ++attempt) {
        std::string candidate = stem + randomNameSuffix();
        int fd = open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return nullptr;
        }
        bool ok = true;
        if (model) {
            // The owner first, since changing it may clear set-id bits that the mode then restores.
            // Kept only where this process may: else the group alone, else neither.
            if (fchown(fd, model->st_uid, model->st_gid) != 0) (void)!fchown(fd, uid_t(-1), model->st_gid);
            ok = fchmod(fd, model->st_mode & 07777) == 0;
        }
        FILE* file = ok ? fdopen(fd, "wb") : nullptr;
        if (!file) {
            close(fd);
            unlink(candidate.c_str());
            return nullptr;
        }
        name = std::move(candidate);
        return file;
    }
    return nullptr;
}

}  // namespace

FILE* createBeside(const std::string& stem, FILE* like, std::string& name) {
    struct stat model;
    return createNamed(stem, like && fstat(fileno(like), &model) == 0 ? &model : nullptr, name);
}

Install installNew(const std::string& from, const std::string& to) {
    if (from.empty() || to.empty()) return Install::Failed;
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

bool removeFile(const std::string& path) { return !path.empty() && unlink(path.c_str()) == 0; }

bool sameFile(const std::string& a, const std::string& b) {
    struct stat sa, sb;
    if (a.empty() || b.empty() || stat(a.c_str(), &sa) != 0 || stat(b.c_str(), &sb) != 0) return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

FILE* createBeside(const std::string& target, std::string& temporary) {
    const size_t slash = target.rfind('/');
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    if (base.empty()) return nullptr;
    const std::string folder = slash == std::string::npos ? std::string(".") : target.substr(0, slash);
    // An existing regular target lends its mode and owner; nothing is opened to learn them, so
    // nothing waits for a reader of a pipe.
    struct stat model;
    const bool regular = stat(target.c_str(), &model) == 0 && S_ISREG(model.st_mode);
    return createNamed(folder + "/." + base + ".", regular ? &model : nullptr, temporary);
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
