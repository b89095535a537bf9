// The editor's string table: its texts by string id, UTF-8, compiled into the program. The
// runtime looks them up through the module handle (IBayrunStrings::LoadString).
#pragma once

#include "bayrun/BayrunInterfaces.h"

// The program's own module: the table of StringTable.cpp.
const BayrunStringModule* editorStringModule();
