// The editor's dialogs under test: one suite folder for the whole test program (the runtime and
// the geodesy library find their data through KVT_PELAGIX, which the library reads once).
#pragma once

#include <string>

// The suite folder of this test program.
const std::string& suiteFolder();
// Creates a folder and the folders above it.
void makeFolders(const std::string& path);
bool fileExists(const std::string& path);
