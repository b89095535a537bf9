#include "tests/TestSupport.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "common/Platform.h"

DebugCapture::DebugCapture() { platform::setDebugCapture(&DebugCapture::receive, this); }

DebugCapture::~DebugCapture() { platform::setDebugCapture(nullptr, nullptr); }

void DebugCapture::receive(const std::string& line, void* self) {
    static_cast<DebugCapture*>(self)->captured.push_back(line);
}

std::string threadPrefix() {
    char buf[32];
    std::snprintf(buf, sizeof buf, "[%x] ", unsigned(platform::threadId()));
    return buf;
}

TempFolder::TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tellus-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) std::abort();
    root = pattern;
}

TempFolder::~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(root, ec);
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void rewriteInPlace(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
}

void writeFile(const std::string& path, const std::string& bytes) {
    // A fresh file each time: a file truncated and rewritten in place is flushed to the disk on
    // close (ext4's replace-by-truncate rule), which made the tests wait on the disk.
    std::error_code ec;
    std::filesystem::remove(path, ec);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
}
