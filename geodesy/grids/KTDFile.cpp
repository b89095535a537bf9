// KTD reader. Numbers are parsed with std::from_chars, so a host that set a decimal-comma
// locale reads the same table. A table that does not parse whole, or holds a value no separation
// could mean ("nan", "inf", beyond 10 km), is refused rather than left with values that were
// never read or served wrongly.
#include "geodesy/grids/KTDFile.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>

#include "common/Platform.h"

namespace {

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

// Whitespace-separated numbers of a text held in memory.
class NumberReader {
public:
    explicit NumberReader(const std::string& text) : at(text.data()), end(text.data() + text.size()) {}

    template <typename T>
    bool next(T& value) {
        while (at < end && isSpace(*at)) ++at;
        // The C formats accept a leading '+', from_chars does not.
        if (at < end && *at == '+') ++at;
        auto [stop, ec] = std::from_chars(at, end, value);
        if (ec != std::errc() || (stop < end && !isSpace(*stop))) return false;
        at = stop;
        return true;
    }

    // True while text is left after the last number read.
    bool more() const { return at < end; }

private:
    const char* at;
    const char* end;
};

// The counts of a table lie in its first bytes, and no value takes more than a line of text.
constexpr int64_t kHeaderBytes = 4096;
constexpr int64_t kMaxValueBytes = 80;

// Reads the table's text: its first bytes, then the rest only when the file is no larger than a
// table of the size its header declares can be, so that a file of gigabytes is refused unread.
bool readTable(std::FILE* f, std::string& text) {
    int64_t size = platform::fileSize(f);
    if (size < 0) return false;
    text.resize(size_t(std::min(size, kHeaderBytes)));
    if (std::fread(text.data(), 1, text.size(), f) != text.size()) return false;
    if (int64_t(text.size()) == size) return true;
    NumberReader header(text);
    int32_t tableRows = 0, tableColumns = 0;
    bool whole = header.next(tableRows) && header.next(tableColumns);
    // Only the counts bound the size; one cut by the end of the first bytes could read short.
    // The limits may lie beyond them.
    if (!whole || !header.more() || tableRows < 1 || tableColumns < 1) return false;
    // In doubles: the product of two counts and the line length may pass the 64-bit range.
    if (double(size) > double(kHeaderBytes) + double(tableRows) * double(tableColumns) * double(kMaxValueBytes) ||
        uint64_t(size) > text.max_size())
        return false;
    size_t first = text.size();
    text.resize(size_t(size));
    return std::fread(text.data() + first, 1, text.size() - first, f) == text.size() - first;
}

}  // namespace

KTDFile::KTDFile(const char* filePath) {
    // The result is not taken: a failure is raised by its facility when it goes out of scope.
    Read(filePath);
}

KTDFile::~KTDFile() = default;

erc KTDFile::Read(const char* filePath) {
    if (erc opened = OpenFile(filePath); opened.getCode() != 0) return opened;
    std::string text;
    bool readOk = readTable(file, text);
    CloseFile();
    if (!readOk) return gridBadHeader();

    NumberReader in(text);
    int32_t tableRows = 0, tableColumns = 0;
    double minQ = 0, minP = 0, maxQ = 0, maxP = 0;
    if (!in.next(tableRows) || !in.next(tableColumns) || !in.next(minQ) || !in.next(minP) ||
        !in.next(maxQ) || !in.next(maxP))
        return gridBadHeader();
    if (tableRows < 2 || tableColumns < 2) return gridBadHeader();
    if (!std::isfinite(minQ) || !std::isfinite(minP) || !std::isfinite(maxQ) || !std::isfinite(maxP) ||
        !(maxQ > minQ) || !(maxP > minP))
        return gridBadHeader();
    // Every value takes at least two characters of text: a table larger than that cannot be whole.
    int64_t nodes = int64_t(tableRows) * tableColumns;
    if (nodes > int64_t(text.size())) return gridBadHeader();
    block.assign(size_t(nodes), 0.0);
    for (double& value : block)
        if (!in.next(value) || !UsableValue(value)) {
            block.clear();
            return gridBadHeader();
        }

    GridExtent::operator=({.south = minP, .north = maxP, .west = minQ, .east = maxQ,
                           .latSpacing = (maxP - minP) / tableRows, .lonSpacing = (maxQ - minQ) / tableColumns,
                           .rows = tableRows, .columns = tableColumns});
    return gridSuccess();
}

erc KTDFile::Lookup(double p, double q, int* count, double* values) {
    if (!(south <= p && p < north && west <= q && q < east) || block.empty()) return gridOutside();
    double a = (q - west) / (east - west) * (rows - 1);
    double b = (p - south) / (north - south) * (columns - 1);
    int i = CellIndex(a, rows);
    int j = CellIndex(b, columns);
    double fr = a - i;
    double fc = b - j;
    double sum = 0.0;
    sum += SmoothWeight(fr, fc) * Value(i + 1, j + 1);
    sum += SmoothWeight(1.0 - fr, fc) * Value(i, j + 1);
    sum += SmoothWeight(1.0 - fr, 1.0 - fc) * Value(i, j);
    sum += SmoothWeight(fr, 1.0 - fc) * Value(i + 1, j);
    values[0] = sum;
    if (count) *count = 1;
    return gridSuccess();
}

double KTDFile::NullValue() { return double(1e9f); }
