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
// Puts `from` in the place of `to` in one atomic step (rename): readers see the old file or the
// new one, never a mix.
bool replaceFile(const std::string& from, const std::string& to);

// --- Rewriting a file through a new file beside it ---

enum class RewriteTarget {
    Locked,    // `file` reads the target, and this writer holds the writers' lock on it
    ReadOnly,  // the same, but this process may not write the target
    Missing,   // no file (nor a link) of that name
    Unusable   // a folder, a pipe, a dangling link, or a file this process may not read
};
// Opens `path` for a read-modify-write: a regular file this process may read, locked
// exclusively (flock) so that writers of one file through this layer, in any thread or process,
// take turns. A lock taken on a file that another writer replaced meanwhile is dropped and taken
// again on the file now there. Closing `file` releases the lock.
RewriteTarget lockForRewrite(const std::string& path, FILE*& file);
// Creates a new file for writing named `stem` followed by six random characters, exclusively:
// never an existing path, never through a link. It takes the mode and, where this process may,
// the owner and group of the open file `like`; with `like` null, the mode of any new file.
// Null on failure; `name` receives the path.
FILE* createBeside(const std::string& stem, FILE* like, std::string& name);
enum class Install { Done, Exists, Failed };
// Gives `from` the name `to` only when nothing has that name yet (a rename that never replaces).
Install installNew(const std::string& from, const std::string& to);
bool removeFile(const std::string& path);
// True when both paths name one existing file (the same device and inode), whatever their
// spelling and the links between them.
bool sameFile(const std::string& a, const std::string& b);
// Creates a new file beside `target` (in its folder) and opens it for writing in binary mode,
// under a name no entry had (never an existing path or link), with the target's permissions
// when the target exists and a new file's otherwise. Its path goes to `temporary`; null on
// failure.
FILE* createBeside(const std::string& target, std::string& temporary);
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
