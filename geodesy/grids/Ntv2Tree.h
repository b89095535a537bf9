// The tree of an NTv2 handle's sub-grids, built by the reader after the headers are read and
// again after a clip.
#pragma once

#include "geodesy/grids/Ntv2Reader.h"

// Links the active sub-grids: each to its parent (the first active sub-grid of its parent's name,
// without regard to case), children in file order, top-level grids in file order; a blank parent
// name becomes "NONE    " (kept headers too). kNtv2Ok, or kNtv2NoTopLevel, kNtv2SelfParent,
// kNtv2ParentMissing, kNtv2ParentCycle, kNtv2NoMemory.
int ntv2_build_tree(ntv2_handle* h);
// Marks the sole grids (ntv2_subfile::sole) of a built tree, on the limits as served.
void ntv2_mark_sole(ntv2_handle* h);
