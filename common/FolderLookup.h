// Looking a name from data up in a folder. File names are case-sensitive here, while the suite's
// stored names were written for a file system that ignores case.
#pragma once

#include <string>

// `folder`/`name`, or the entry of `folder` equal to `name` without regard to ASCII case when the
// exact one is missing (the exact path is returned when neither exists). An empty folder yields an
// empty path: nothing is ever looked for at the root.
std::string findInFolder(const std::string& folder, const std::string& name);
