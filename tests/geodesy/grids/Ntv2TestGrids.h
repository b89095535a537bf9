// The generated NTv2 samples shared by the NTv2 tests.
#pragma once

#include "tools/GridFileWriter.h"

// A top-level grid over 0..1 degrees east, 0..1 degrees north, 15' spacing (5 x 5 nodes), in
// seconds; longitudes positive west in the file.
inline gridwriter::Ntv2SubGrid parentGrid() {
    gridwriter::Ntv2SubGrid g;
    g.name = "PARENT01";
    g.sLat = 0;
    g.nLat = 3600;
    g.eLong = -3600;
    g.wLong = 0;
    g.latInc = g.lonInc = 900;
    return g;
}

// A child over 0.25..0.5 east, 0.25..0.5 north, 5' spacing (4 x 4 nodes).
inline gridwriter::Ntv2SubGrid childGrid() {
    gridwriter::Ntv2SubGrid g;
    g.name = "CHILD001";
    g.parent = "PARENT01";
    g.sLat = 900;
    g.nLat = 1800;
    g.eLong = -1800;
    g.wLong = -900;
    g.latInc = g.lonInc = 300;
    return g;
}

// The grid with node values 225 times the defaults (multiples of 225/16 seconds, exact in
// minutes and degrees too), in a unit of `secondsPerUnit` seconds.
inline gridwriter::Ntv2SubGrid inUnit(gridwriter::Ntv2SubGrid g, double secondsPerUnit) {
    for (double* v : {&g.sLat, &g.nLat, &g.eLong, &g.wLong, &g.latInc, &g.lonInc}) *v /= secondsPerUnit;
    int rows = g.rows(), columns = g.columns();
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < columns; ++c) {
            auto v = gridwriter::nodeValue(r, c);
            for (float& f : v) f = float(f * 225 / secondsPerUnit);
            g.nodes.push_back(v);
        }
    return g;
}
