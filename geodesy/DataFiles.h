// Where the library finds the suite's data files, and how names taken from stored values are
// read. Stored values may hold Windows paths ("C:\Jobs\tide.ktd"): both '\' and '/' separate.
// File names are case-sensitive here, so a name from data that misses exactly is matched
// without regard to case in its folder.
#pragma once

#include <string>

#include "common/FolderLookup.h"

namespace datafiles {

bool hasSeparator(const std::string& value);
// The file name of a stored value (after its last separator) without its extension (up to its
// last '.').
std::string stem(const std::string& value);
// The text before the last separator (empty when there is none).
std::string folderOf(const std::string& path);

// "<program folder>/datum/<name>" by the rule above; empty without a program folder.
std::string datumFile(const std::string& name);
// "<program folder>/datum/vdatum/<region>" by the rule above; empty without a program folder.
std::string vdatumFolder(const std::string& region);

// A regular file that opens for reading: the only kind of file a probe accepts (a folder opens
// on Linux, and a pipe would block).
bool isReadableFile(const std::string& path);

}  // namespace datafiles
