// The suite's program folder: the host executable's folder (a trailing "/x64" cut), if it holds
// the suite's marker `pelagix`; otherwise the value of KVT_PELAGIX. Empty when neither gives one,
// in which case no file under it can be found.
#pragma once

#include <string>

std::string programFolder();
std::u16string programFolderW();

// The rule itself, for a given executable path and KVT_PELAGIX value.
std::string resolveProgramFolder(const std::string& executablePath, const std::string& suiteVariable);

// Forgets the computed folder so the next call computes it again (tests).
void resetProgramFolder();
