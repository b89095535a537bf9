#include "tools/GridFileWriter.h"

#include <bit>
#include <cmath>
#include <cstring>
#include <stdexcept>

namespace gridwriter {

namespace {

template <typename T>
void put(std::string& out, T value, bool bigEndian) {
    unsigned char bytes[sizeof(T)];
    std::memcpy(bytes, &value, sizeof(T));
    bool machineBig = std::endian::native == std::endian::big;
    if (bigEndian != machineBig)
        for (size_t i = 0; i < sizeof(T) / 2; ++i) std::swap(bytes[i], bytes[sizeof(T) - 1 - i]);
    out.append(reinterpret_cast<const char*>(bytes), sizeof(T));
}

template <typename T>
T get(const std::string& in, size_t at) {
    if (at + sizeof(T) > in.size()) throw std::runtime_error("short NTv2 input");
    T value;
    std::memcpy(&value, in.data() + at, sizeof(T));
    return value;
}

std::string text8(const std::string& s) {
    std::string t = s.substr(0, 8);
    t.resize(8, ' ');
    return t;
}

void textRecord(std::string& out, const char* key, const std::string& value) {
    out += text8(key);
    out += text8(value);
}

void intRecord(std::string& out, const char* key, int32_t value, const Ntv2Layout& l) {
    out += text8(key);
    put(out, value, l.bigEndian);
    if (l.padded) out.append(4, '\0');
}

void doubleRecord(std::string& out, const char* key, double value, const Ntv2Layout& l) {
    out += text8(key);
    put(out, value, l.bigEndian);
}

}  // namespace

namespace {
// Nodes written along one axis; a header that describes no grid still gets one row or column.
int axisNodes(double span, double step) {
    double n = std::round(span / step) + 1;
    return (n >= 1 && n < 1e6) ? int(n) : 1;
}
}  // namespace

int Ntv2SubGrid::rows() const { return axisNodes(nLat - sLat, latInc); }
int Ntv2SubGrid::columns() const { return axisNodes(wLong - eLong, lonInc); }

std::array<float, 4> nodeValue(int row, int column) {
    // Multiples of 1/16 stay exact in seconds, minutes and degrees alike when scaled by 225.
    return {float(0.5 + 0.0625 * row - 0.125 * column), float(-1.0 + 0.25 * row + 0.0625 * column),
            0.25f, 0.5f};
}

std::string ntv2Bytes(const Ntv2Layout& l, const std::vector<Ntv2SubGrid>& grids) {
    std::string out;
    intRecord(out, "NUM_OREC", l.numOrec, l);
    intRecord(out, "NUM_SREC", l.numSrec, l);
    intRecord(out, "NUM_FILE", l.numFile < 0 ? int32_t(grids.size()) : l.numFile, l);
    textRecord(out, "GS_TYPE", l.gsType);
    textRecord(out, "VERSION", "TEST1.0");
    textRecord(out, "SYSTEM_F", "FROM");
    textRecord(out, "SYSTEM_T", "TO");
    doubleRecord(out, "MAJOR_F", l.majorF, l);
    doubleRecord(out, "MINOR_F", l.minorF, l);
    doubleRecord(out, "MAJOR_T", l.majorT, l);
    doubleRecord(out, "MINOR_T", l.minorT, l);
    for (const Ntv2SubGrid& g : grids) {
        textRecord(out, "SUB_NAME", g.name);
        textRecord(out, "PARENT", g.parent);
        textRecord(out, "CREATED", "20260101");
        textRecord(out, "UPDATED", "20260101");
        doubleRecord(out, "S_LAT", g.sLat, l);
        doubleRecord(out, "N_LAT", g.nLat, l);
        doubleRecord(out, "E_LONG", g.eLong, l);
        doubleRecord(out, "W_LONG", g.wLong, l);
        doubleRecord(out, "LAT_INC", g.latInc, l);
        doubleRecord(out, "LONG_INC", g.lonInc, l);
        int rows = g.rows(), columns = g.columns();
        intRecord(out, "GS_COUNT", g.gsCount < 0 ? int32_t(rows * columns) : g.gsCount, l);
        if (!g.writeNodes) continue;
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < columns; ++c) {
                std::array<float, 4> v =
                    g.nodes.empty() ? nodeValue(r, c) : g.nodes.at(size_t(r * columns + c));
                for (float f : v) put(out, f, l.bigEndian);
            }
    }
    if (l.endRecord) {
        out += text8(l.endKey);
        out.append(8, '\0');
    }
    return out;
}

std::string ntv2Reencode(const std::string& in, bool bigEndian, bool padded) {
    Ntv2Layout l;
    l.bigEndian = bigEndian;
    l.padded = padded;
    std::string out;
    size_t at = 0;
    auto intRec = [&] {
        out += in.substr(at, 8);
        int32_t v = get<int32_t>(in, at + 8);
        put(out, v, bigEndian);
        if (padded) out.append(4, '\0');
        at += 16;
        return v;
    };
    auto textRec = [&] {
        out += in.substr(at, 16);
        at += 16;
    };
    auto doubleRec = [&] {
        out += in.substr(at, 8);
        put(out, get<double>(in, at + 8), bigEndian);
        at += 16;
    };
    intRec();
    intRec();
    int32_t files = intRec();
    for (int i = 0; i < 4; ++i) textRec();
    for (int i = 0; i < 4; ++i) doubleRec();
    for (int32_t f = 0; f < files; ++f) {
        for (int i = 0; i < 4; ++i) textRec();
        for (int i = 0; i < 6; ++i) doubleRec();
        int32_t count = intRec();
        for (int64_t n = 0; n < int64_t(count) * 4; ++n) {
            put(out, get<float>(in, at), bigEndian);
            at += 4;
        }
    }
    out += in.substr(at);  // the end record
    return out;
}

float binValue(int row, int column, int k) { return float(10 * k + 0.5 * row + 0.25 * column); }

std::string binGridBytes(const BinGrid& g) {
    size_t record = size_t(g.values) * size_t(g.columns) * 4 + 4;
    std::string out;
    out.append(30, '\0');
    put(out, g.a, false);
    put(out, g.inverseFlattening, false);
    out.append(18, '\0');
    put(out, g.columns, false);
    put(out, g.rows, false);
    put(out, g.values, false);
    put(out, g.west, false);
    put(out, g.lonSpacing, false);
    put(out, g.south, false);
    put(out, g.latSpacing, false);
    out.append(4, '\0');
    // Rows start at whole records, so a record shorter than the header would overlap it.
    if (record < out.size()) throw std::runtime_error("binary grid record shorter than its header");
    out.resize(record, '\0');
    for (int r = 0; r < g.rows; ++r) {
        put(out, float(0), false);
        for (int c = 0; c < g.columns; ++c)
            for (int k = 0; k < g.values; ++k) {
                size_t i = (size_t(r) * size_t(g.columns) + size_t(c)) * size_t(g.values) + size_t(k);
                put(out, g.nodes.empty() ? binValue(r, c, k) : g.nodes.at(i), false);
            }
    }
    return out;
}

float gtxValue(int row, int column) { return float(20 + 1.5 * row - 0.75 * column); }

std::string gtxHeader(const GtxGrid& g) {
    std::string out;
    put(out, g.south, true);
    put(out, g.west, true);
    put(out, g.latSpacing, true);
    put(out, g.lonSpacing, true);
    put(out, g.rows, true);
    put(out, g.columns, true);
    return out;
}

std::string bigEndianFloat(float value) {
    std::string out;
    put(out, value, true);
    return out;
}

std::string gtxBytes(const GtxGrid& g) {
    std::string out = gtxHeader(g);
    for (int r = 0; r < g.rows; ++r)
        for (int c = 0; c < g.columns; ++c)
            put(out, g.nodes.empty() ? gtxValue(r, c) : g.nodes.at(size_t(r * g.columns + c)), true);
    return out;
}

}  // namespace gridwriter
