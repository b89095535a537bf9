// The Linux layer: every call into the operating system made by the support library, the
// geodesy library and the editor goes through here.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace platform {

// Full path of the running executable (the host program), empty when it cannot be read.
std::string executablePath();

// Value of an environment variable; empty when unset.
std::string environment(const char* name);
bool hasEnvironment(const char* name);
// Sets (or, for a null value, removes) an environment variable of this process.
void setEnvironment(const char* name, const char* value);

// The process's arguments, program name first.
std::vector<std::string> commandLine();

// Identifier of the calling thread, as the debug log shows it; read from the system once per thread.
uint32_t threadId();

// `path` made absolute against the current folder (unchanged when it is absolute or empty, or
// when the current folder cannot be read).
std::string absolutePath(const std::string& path);

// Existence of a path, whatever it is.
bool pathExists(const std::string& path);
// A path that names a regular file (opening a folder "succeeds" on Linux).
bool isRegularFile(const std::string& path);

// Opens a regular file for reading in binary mode; null when it is missing, unreadable or not a
// regular file (a folder or a pipe must not read as an empty file or block the caller).
FILE* openForReading(const std::string& path);
// Creates or truncates a file for writing in binary mode; null on failure.
FILE* createForWriting(const std::string& path);
// Flushes a file opened for writing and its data to the disk, then closes it. False when any of
// that failed (the content may be incomplete).
bool closeSynced(FILE* file);
// Creates a new empty file "<folder>/<prefix>XXXXXX<suffix>" with a unique name (mkstemps) and
// returns its path; empty on failure.
std::string createTempFile(const std::string& folder, const std::string& prefix, const std::string& suffix);
bool removeFile(const std::string& path);
// True when both paths name one existing file (the same device and inode), whatever their
// spelling and the links between them.
bool sameFile(const std::string& a, const std::string& b);

// --- Replacing a file with a new one written beside it ---

enum class RewriteTarget {
    Locked,    // the target is a regular file this process may read; it holds the writers' lock
    ReadOnly,  // the same, but this process may not write the target
    Missing,   // no file (nor a link) of that name
    Unusable   // a folder, a pipe, a device, a dangling or untrusted link, a file this process may
               // not read
};

// One replacement of the file `path` names by new content, written into a temporary file of
// this writer's own beside it and renamed onto it in one step: readers see the old file or the
// new one, never a mix, and a failure leaves the target as it was and no temporary.
// - Links are followed: the file a link names is replaced and the link stays a link. A link is
//   followed only when this process's user or the owner of the folder holding it made it, so a
//   link that someone else put into a shared folder leads nowhere (Unusable).
// - The target is opened, without blocking, only when it is a regular file, and locked
//   exclusively (flock) from then on, so that writers through this class, in any thread or
//   process, take turns. A lock taken on a file that another writer replaced meanwhile is
//   dropped and taken again on the file now there.
// - The temporary is "<target's path with its last character replaced by '~'><6 characters>",
//   created exclusively (never an existing path, never through a link) with mode 0600, then
//   given the target's owner and group (where this process may), mode, ACL and other extended
//   attributes before any content goes in. A target whose attributes cannot all be given to it
//   is not rewritten.
// - The temporary stays locked until it is renamed. Temporaries of that name form that no
//   process holds locked are what killed writers left: each writer removes them.
// - A replacement is synced: the new file before the rename, the folder after it.
// A file with several names (hard links) is replaced under the name written only; its other
// names keep the old content.
class Rewrite {
public:
    explicit Rewrite(const std::string& path);
    ~Rewrite();
    Rewrite(const Rewrite&) = delete;
    Rewrite& operator=(const Rewrite&) = delete;

    RewriteTarget state() const { return target; }
    // The target, open for reading from its start (Locked, ReadOnly); null otherwise.
    FILE* current() const { return in; }
    // Creates the temporary and opens it for writing in binary mode; null on failure, and for a
    // target that is ReadOnly or Unusable.
    FILE* begin();
    enum class Result { Done, Exists, Failed };
    // Syncs the written temporary and puts it in the target's place. Exists: the target was
    // missing and another writer created it meanwhile (nothing was replaced; start again).
    Result commit();

private:
    std::string path;  // the file the given path names, its links followed
    RewriteTarget target = RewriteTarget::Unusable;
    FILE* in = nullptr;
    FILE* out = nullptr;
    std::string temporary;
};

// Positions an open file at a byte offset from its start; false on failure.
bool seekFile(std::FILE* file, int64_t offset);
// Size in bytes of an open file, -1 when unknown.
int64_t fileSize(std::FILE* file);
// Reads `size` bytes at `offset` of an open file without moving its position (pread), so that
// threads may read one file at once without a lock. False unless all of them were read.
bool readAt(std::FILE* file, int64_t offset, void* buffer, size_t size);
// As openForReading; when it fails because the process or the system has no file descriptor left
// (EMFILE, ENFILE), *noDescriptor is set (else cleared): the file may well be there.
FILE* openForReading(const std::string& path, bool* noDescriptor);
// How many opens for reading of the calling thread have failed for lack of a file descriptor: a
// caller that reads several files compares it before and after, since those files only looked
// missing.
uint32_t descriptorShortages();

// A path that names a folder.
bool isDirectory(const std::string& path);
// Whether this process may write the file or folder `path` names; false with errno set otherwise.
bool mayWrite(const std::string& path);
// Creates a folder and the missing folders above it; true when it exists afterwards.
bool makeDirectories(const std::string& path);

// Shared libraries (dlopen): a handle, null on failure (libraryError() says why). A name
// without '/' is looked up on the library path.
void* openLibrary(const std::string& path);
void* librarySymbol(void* library, const char* name);
void closeLibrary(void* library);
std::string libraryError();

// Writes one finished debug line (it ends in "\n") to the debugger-output stand-in: dropped
// unless PELAGIX_DEBUG_LOG is "stderr" or names a file to append to. A capture hook, when set,
// receives every line instead (tests).
void debugOutput(const std::string& line);
// True when debugOutput writes its lines somewhere (a capture hook, or PELAGIX_DEBUG_LOG names a
// sink that could be opened): a line that nobody receives need not be formatted.
bool debugOutputActive();
using DebugCapture = void (*)(const std::string& line, void* context);
void setDebugCapture(DebugCapture capture, void* context);

// Names of the entries of a folder (without "." and ".."), sorted bytewise; empty when the
// folder cannot be read.
std::vector<std::string> folderEntries(const std::string& folder);

// What tells one state of a file from another without reading it: the file itself (device and
// inode, so a file renamed into its place is another) and its size, modification and change times.
struct FileStamp {
    uint64_t device = 0, inode = 0;
    int64_t size = -1, modified = 0, changed = 0;  // times in nanoseconds
    bool operator==(const FileStamp&) const = default;
};
// The stamp of a path; false (and an empty stamp) when it cannot be read.
bool fileStamp(const std::string& path, FileStamp& stamp);
// The stamp of an open file.
bool fileStamp(std::FILE* file, FileStamp& stamp);

}  // namespace platform
