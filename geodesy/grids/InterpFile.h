// Common base of the grid and model files: binary grids, GTX grids, KTD tables and NTv2 grids.
//
// A grid file is created on the heap by its owner with a path, is ready for lookups when its
// constructor returns (a failure to open or a bad header is raised as an `erc`: code 1 cannot be
// opened, code 2 bad header or extent), and is deleted through the virtual destructor.
// Lookups report failures only through the returned `erc` (code 4: outside the grid; code 1: the
// file no longer gives the nodes, cut short or gone after it was opened).
//
// Thread use: lookups change nothing of the object, so any number of threads may share one
// (BinFile, GtxFile, KTDFile and GsbFile alike); opening and deleting it are the owner's alone.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "common/erc.h"
#include "geodesy/grids/GridRows.h"

class InterpFile {
public:
    InterpFile() = default;
    InterpFile(const InterpFile&) = delete;
    InterpFile& operator=(const InterpFile&) = delete;
    // Closes the file when one is still open.
    virtual ~InterpFile();

    // The value(s) at a point: latitude and longitude in the unit of the subclass (radians for
    // binary and GTX grids, degrees-in-radians for NTv2, the table's two coordinates for KTD).
    // On success: code 0 and *count (when given) = the number of values written. Outside: code 4,
    // severity 4, and *count = 0 (KTDFile leaves it; GsbFile sets it to 2 before it looks).
    // `values` must hold as many values as the file gives per node (at most 3).
    virtual erc Lookup(double latitude, double longitude, int* count, double* values) = 0;
    // The value that stands for "none" in this file type.
    virtual double NullValue() = 0;
    // The ellipsoid a shift grid leads to: semi-major axis (metres) and flattening. Grids
    // without one answer their NullValue for both.
    virtual void ToEllipsoid(double* a, double* f);
    // The ellipsoid a shift grid comes from; WGS 84 for grids without one.
    virtual void FromEllipsoid(double* a, double* f);
    // Four-corner smoothstep interpolation. corners: (row, column), (row, column + 1),
    // (row + 1, column + 1), (row + 1, column); u across the columns, v across the rows, 0..1.
    virtual double Interpolate(const float corners[4], double u, double v);

    // Weight of one corner: s^2 t^2 (9 - 6s - 6t + 4st) = (3s^2 - 2s^3)(3t^2 - 2t^3). The four
    // weights of a cell add up to 1 and the surface is flat across every node.
    static double SmoothWeight(double s, double t);

    // Extent, in the unit that Lookup takes.
    double south = 0.0;
    double north = 0.0;
    double west = 0.0;
    double east = 0.0;
    // Node spacings, same unit (0 in a GsbFile).
    double latSpacing = 0.0;
    double lonSpacing = 0.0;
    // The open file, owned; null when everything was read at construction or the file is shared
    // with other objects (binary, GTX and NTv2 grids).
    std::FILE* file = nullptr;
    // The file name (UTF-8) given to the constructor.
    std::string path;
    int rows = 0;
    int columns = 0;

protected:
    // A cell of a regular grid: its lower (south-west) node, the column of its east nodes and the
    // fractions across it.
    struct Cell {
        int row;
        int column;
        int next;  // column + 1, or 0 across 180 degrees in a grid that wraps
        double u;  // across the columns
        double v;  // across the rows
    };
    // The cell of (latitude, longitude); false when the point is outside the extent or the grid
    // is not ready. Reads nothing and changes nothing, so threads may share the object.
    bool FindCell(double latitude, double longitude, bool ready, Cell& cell) const;
    // After the extent is set: a grid whose columns span 360 degrees of longitude (the last node
    // one spacing short of the first, or on it again) takes every longitude, its last cell joining
    // its last column to its first.
    void SetWrap();
    bool wraps = false;

    // The lower node of the cell holding the position `t` (in node steps from the first node)
    // along an axis of `nodes` nodes (at least 2). The index never passes nodes - 2, so a point on
    // the last node uses the last cell at fraction 1 and no node beyond the grid is ever read.
    static int CellIndex(double t, int nodes);
    // True for a value a grid can mean: finite, and no height, separation or shift beyond 10 km
    // (or 10000 arc-seconds). A cell with a node holding another is no value.
    static bool UsableValue(double value);
    static bool UsableNodes(const float nodes[4]);
    // Opens `filePath` (a regular file) as this object's file: code 1 when there is none or it
    // cannot be opened.
    erc OpenFile(const char* filePath);
    // Takes `filePath` as this object's path and opens its rows shared with every object of the
    // same file (GridRows), `headerSize` bytes of header read: code 1 when there is no path or the
    // file cannot be opened.
    erc OpenShared(const char* filePath, sharedgrids::Format format, size_t headerSize,
                   std::shared_ptr<GridRows>& rows);
    void CloseFile();
};

// Results of a lookup, with the library's facility.
erc gridSuccess();
erc gridOutside();
// Code 1: the nodes of a cell cannot be read.
erc gridUnreadable();
// Code 2: a header or table that cannot be used.
erc gridBadHeader();
