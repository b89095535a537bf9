// The suite's program folder: the host executable's folder (a trailing "/x64" cut), if it holds
// the suite's marker `pelagix`; otherwise the value of KVT_PELAGIX, made absolute against the
// current folder when it is computed. Empty when neither gives one, in which case no file under
// it can be found.
#pragma once

#include <string>

std::string programFolder();
std::u16string programFolderW();

// The rule itself, for a given executable path and KVT_PELAGIX value.
std::string resolveProgramFolder(const std::string& executablePath, const std::string& suiteVariable);

// Every suite file's path: "<root>/<relative>", or empty when there is no root, so that nothing
// is ever looked for at the file system's root. `suiteFile` takes the program folder as root.
std::string suitePath(const std::string& root, const std::string& relative);
std::string suiteFile(const std::string& relative);

// Forgets the computed folder so the next call computes it again (tests).
void resetProgramFolder();
