// Helpers for the tests: capture of debug lines, temporary folders.
#pragma once

#include <string>
#include <vector>

// Captures every debug line written while it lives.
class DebugCapture {
public:
    DebugCapture();
    ~DebugCapture();
    DebugCapture(const DebugCapture&) = delete;
    DebugCapture& operator=(const DebugCapture&) = delete;

    const std::vector<std::string>& lines() const { return captured; }
    void clear() { captured.clear(); }

private:
    static void receive(const std::string& line, void* self);
    std::vector<std::string> captured;
};

// The "[<tid>] " prefix of the calling thread.
std::string threadPrefix();

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::string& path() const { return root; }
    std::string file(const std::string& name) const { return root + "/" + name; }

private:
    std::string root;
};

// Whole-file helpers.
std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& bytes);
// The same file (same inode) cut or rewritten in place, as under a handle that has it open.
void rewriteInPlace(const std::string& path, const std::string& bytes);
