// The process's command line as UTF-8 arguments, program name first.
#pragma once

#include <string>
#include <vector>

std::vector<std::string> args();
// An array of *argc malloc'ed NUL-terminated copies (no terminating null pointer); the caller
// frees it with freeArgv.
char** argv(int* argc);
void freeArgv(int argc, char** argv);
