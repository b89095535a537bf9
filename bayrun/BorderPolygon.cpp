#include "bayrun/BorderPolygon.h"

#include <charconv>
#include <algorithm>
#include <cstdio>

#include "common/Platform.h"

namespace {

constexpr size_t kMinCorners = 3;
// Longest line read; a longer one is not a pair of numbers.
constexpr size_t kMaxLine = 4096;

bool readNumber(const char*& p, const char* end, double& v) {
    while (p < end && (*p == ' ' || *p == '\t' || *p == ',')) ++p;
    auto [next, ec] = std::from_chars(p, end, v);
    if (ec != std::errc()) return false;
    p = next;
    return true;
}

}  // namespace

bool BorderPolygon::load(const std::string& path) {
    points.clear();
    FILE* f = platform::openForReading(path);
    if (!f) return false;
    std::string text;
    char buf[kMaxLine];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, n);
    std::fclose(f);
    return loadText(text);
}

bool BorderPolygon::loadText(const std::string& text) {
    points.clear();
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) line.pop_back();
        size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos || line[first] == '#') continue;
        const char* p = line.data() + first;
        const char* e = line.data() + line.size();
        Point pt{};
        if (!readNumber(p, e, pt.x) || !readNumber(p, e, pt.y) || p != e) {
            points.clear();
            return false;
        }
        points.push_back(pt);
        if (end == text.size()) break;
    }
    if (points.size() < kMinCorners) {
        points.clear();
        return false;
    }
    return true;
}

bool BorderPolygon::contains(double x, double y) const {
    if (points.size() < kMinCorners) return false;
    bool inside = false;
    for (size_t i = 0, j = points.size() - 1; i < points.size(); j = i++) {
        const Point& a = points[i];
        const Point& b = points[j];
        // On the edge a-b: collinear and within its bounding box. The cross product is exact
        // zero only on the line, so no tolerance widens the border.
        const double cross = (b.x - a.x) * (y - a.y) - (b.y - a.y) * (x - a.x);
        if (cross == 0.0 && x >= std::min(a.x, b.x) && x <= std::max(a.x, b.x) && y >= std::min(a.y, b.y) &&
            y <= std::max(a.y, b.y))
            return true;
        if ((a.y > y) != (b.y > y)) {
            const double xCross = a.x + (y - a.y) * (b.x - a.x) / (b.y - a.y);
            if (x < xCross) inside = !inside;
        }
    }
    return inside;
}
