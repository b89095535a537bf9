// Shared helpers of the grid tests: real grids from proj-data, raised error codes.
#pragma once

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
