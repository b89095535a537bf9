// Shared helpers of the grid tests: real grids from proj-data, raised error codes.
#pragma once

#include <dirent.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "common/Platform.h"
#include "common/erc.h"

// Path of a grid shipped by Debian's proj-data, or empty when it is not installed.
inline std::string projGrid(const std::string& name) {
    std::string path = "/usr/share/proj/" + name;
    return platform::isRegularFile(path) ? path : std::string();
}

#define REQUIRE_PROJ_GRID(var, name)                                                  \
    const std::string var = projGrid(name);                                           \
    if (var.empty()) GTEST_SKIP() << name << " is missing: install Debian's proj-data"

// Code of the error raised by `make` (0 when it raises none).
template <typename F>
int raisedCode(F make) {
    try {
        make();
    } catch (erc& e) {
        return e.getCode();
    }
    return 0;
}

// Open file descriptors of this process.
inline int openDescriptors() {
    int n = 0;
    DIR* d = opendir("/proc/self/fd");
    if (!d) return -1;
    while (const dirent* e = readdir(d)) n += e->d_name[0] != '.';
    closedir(d);
    return n - 1;  // the folder's own
}

// Resident memory of this process, bytes.
inline long residentBytes() {
    long size = 0, resident = 0;
    std::FILE* f = std::fopen("/proc/self/statm", "r");
    if (!f) return -1;
    if (std::fscanf(f, "%ld %ld", &size, &resident) != 2) resident = -1;
    std::fclose(f);
    return resident * sysconf(_SC_PAGESIZE);
}
