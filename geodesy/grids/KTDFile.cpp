// KTD reader. Numbers are parsed with std::from_chars, so a host that set a decimal-comma
// locale reads the same table. A table that does not parse whole is refused rather than left
// with values that were never read.
#include "geodesy/grids/KTDFile.h"

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

private:
    const char* at;
    const char* end;
};

bool readWholeFile(std::FILE* f, std::string& text) {
    char chunk[4096];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) text.append(chunk, n);
    return !std::ferror(f);
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
    bool readOk = readWholeFile(file, text);
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
        if (!in.next(value)) {
            block.clear();
            return gridBadHeader();
        }

    rows = tableRows;
    columns = tableColumns;
    south = minP;
    north = maxP;
    west = minQ;
    east = maxQ;
    latSpacing = (north - south) / rows;
    lonSpacing = (east - west) / columns;
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
