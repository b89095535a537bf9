#include "editor/StringTable.h"

#include <iterator>

namespace {

// Sorted by id, each id once (checked below at compile time).
constexpr BayrunStringEntry kStrings[] = {
    {1, "Missing VDatum zone or surface"},
    {2, "Missing geoid model"},
    {3, "Missing KTD file"},
    {4, "Custom Grid (*.cgeo)|*.cgeo|"},
    {5, "Select KTD File"},
    {10, "View"},
    {11, "Display Mode"},
    {12, "Standard"},
    {13, "Sub Bottom"},
    {1039, "File"},
    {1045, "Help"},
    {1101, "About"},
    {1138, "All Files (*.*)|*.*|"},
    {1269, "Cancel"},
    {1490, "Decimal Degrees"},
    {1660, "Exit"},
    {1681, "Ellipsoid"},
    {1841, "Verevuzu Deradazavo"},
    {1995, "KTD Files (*.ktd)|*.ktd|"},
    {1996, "KTD Files"},
    {2285, "OK"},
    {2316, "Options"},
    {2469, "Projection"},
    {2672, "Semi-Major Axis"},
    {2934, "Tools"},
    {2998, "user defined"},
    {3073, "Zone"},
    {3940, "Grids"},
    {4381, "Chart Datum Level"},
    {4488, "Chart Datum"},
    {5074, "Degrees Minutes"},
    {5077, "Degrees Minutes Seconds"},
    {5150, "Help Topics"},
    {5339, "Predefined"},
    {5340, "Distance Unit"},
    {5341, "Depth Unit"},
    {5342, "Elevation Mode (Z-axis positive going up)"},
    {5343, "Flattening"},
    {5344, "Geoid Model"},
    {5345, "Orthometric Height Correction"},
    {5346, "False Easting"},
    {5347, "False Northing"},
    {5348, "Datum Transformation Parameters"},
    {5349, "Datum Shift File"},
    {5350, "Local Grid Adjustment"},
    {5352, "Local Grid"},
    {5366, "Degrees Format"},
    {5378, "same as horizontal"},
    {5381, "Datum shift file does not apply to current ellipsoid"},
    {5384, "Geoid Files (*.geo)|*.geo|All Files (*.*)|*.*|"},
    {5385, "Select Geoid Model File"},
    {5386, "Combined Shift Files (*.lls)|*.lls|All Files (*.*)|*.*|"},
    {5387, "Select Dynamic Datum Shift File"},
    {5530, "RTK Tide Method"},
    {7423, "Delta rX"},
    {7424, "Delta rY"},
    {7425, "Delta rZ"},
    {7427, "Delta X"},
    {7428, "Delta Y"},
    {7429, "Delta Z"},
    {7430, "Delta Scale"},
    {8111, "Not using RTK Tide"},
    {8112, "(K-N) from KTD file"},
    {8113, "N from geoid model, K from KTD file"},
    {8114, "N from geoid model, K from VDatum"},
    {8115, "N from geoid model, K from user value"},
    {8116, "(K-N) from user value"},
    {8117, "VDatum Zone"},
    {8118, "Height of geoid above chart datum"},
    {8129, "Export VDatum to XYZ"},
    {8130, "Time-Variable Transformations"},
    {10715, "Height of ellipsoid above chart datum"},
    {10771, "Save Custom Grid"},
};

constexpr bool strictlyIncreasing() {
    for (size_t i = 1; i < std::size(kStrings); ++i)
        if (kStrings[i - 1].id >= kStrings[i].id) return false;
    return true;
}
static_assert(strictlyIncreasing(), "string ids must be sorted and unique");

constexpr BayrunStringModule kModule = {kStrings, int(std::size(kStrings))};

}  // namespace

const BayrunStringModule* editorStringModule() { return &kModule; }
