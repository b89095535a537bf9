#include "common/CommandLine.h"

#include <cstdlib>
#include <cstring>

#include "common/Platform.h"

std::vector<std::string> args() { return platform::commandLine(); }

char** argv(int* argc) {
    std::vector<std::string> all = args();
    *argc = 0;
    char** out = static_cast<char**>(std::malloc(sizeof(char*) * (all.empty() ? 1 : all.size())));
    if (!out) return nullptr;
    for (const std::string& a : all) {
        // One spare byte beyond the terminating NUL, as callers of the original expect.
        char* copy = static_cast<char*>(std::malloc(a.size() + 2));
        if (!copy) break;
        std::memcpy(copy, a.c_str(), a.size() + 1);
        out[(*argc)++] = copy;
    }
    return out;
}

void freeArgv(int argc, char** argv) {
    if (!argv) return;
    for (int i = 0; i < argc; ++i) std::free(argv[i]);
    std::free(argv);
}
