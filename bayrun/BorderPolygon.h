// A border: one closed polygon read from a text file of ours, one "x y" pair a line (numbers in
// the C locale; blank lines and lines starting with '#' are skipped). The last corner joins the
// first. A point is inside by the even-odd rule; a point on an edge or a corner counts as inside.
// Read-only after loading, so one object may answer several threads.
#pragma once

#include <string>
#include <vector>

class BorderPolygon {
public:
    struct Point {
        double x;
        double y;
    };
    // Fewer than three corners: no polygon (false).
    bool load(const std::string& path);
    bool loadText(const std::string& text);
    bool contains(double x, double y) const;
    const std::vector<Point>& corners() const { return points; }

private:
    std::vector<Point> points;
};
