// Profile's reading: the lookup of one value, the typed getters and the key and section lists.
#include "common/Profile.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "common/NumberParser.h"
#include "common/Platform.h"
#include "common/ProfileFormat.h"
#include "common/Text.h"

namespace Pelagix {

using namespace ini;

namespace {

// The typed getters read values of up to 79 bytes, the font getters up to 254.
constexpr int kTypedValueBuffer = 80;
constexpr int kFontValueBuffer = 255;
// Room of hasSection's key listing.
constexpr int kSectionProbeBuffer = 256;
// The face of the long form when the value names none.
constexpr char16_t kDefaultFace[] = u"Courier";

// Copies text cut to size - 1 bytes and terminates it; returns the length stored.
int copyCut(std::string_view text, char* out, int size) {
    if (!out || size <= 0) return 0;
    size_t n = std::min(text.size(), size_t(size - 1));
    std::memcpy(out, text.data(), n);
    out[n] = '\0';
    return int(n);
}

// Reads a value of up to `size - 1` bytes; false when the file or the entry is missing.
bool readValue(const std::string& path, const char* section, const char* key, char* out, int size) {
    FileCloser in(platform::openForReading(path));
    return in.file && Profile::findValue(in.file, section, key, out, size);
}

// A typed getter's value (up to 79 bytes): false when an argument is null or the entry is
// missing or empty, so the getter gives its default.
bool readTypedValue(const std::string& path, const char* key, const char* section, char (&value)[kTypedValueBuffer]) {
    return haveKeyAndSection(key, section) && readValue(path, section, key, value, kTypedValueBuffer) && *value;
}

}  // namespace

bool Profile::findValue(FILE* file, const char* section, const char* key, char* out, int len) {
    if (!file || !section || !key) return false;
    const std::string_view wantedSection = section, wantedKey = key;
    Piece piece;
    bool inSection = false;
    while (readPiece(file, piece)) {
        std::string_view line = piece.text();
        if (!inSection) {
            inSection = headerMatches(line, wantedSection);
            continue;
        }
        if (startsSection(line)) return false;
        if (keyMatches(line, wantedKey)) {
            copyCut(valueOf(line), out, len);
            return true;
        }
    }
    return false;
}

int Profile::getString(char* buf, int size, const char* key, const char* section, const char* def) const {
    if (!buf || size <= 0 || !key) return 0;
    if (readValue(path, section, key, buf, size)) return int(std::strlen(buf));
    return copyCut(def ? def : "", buf, size);
}

int Profile::getString(char16_t* buf, int size, const char16_t* key, const char16_t* section,
                       const char16_t* def) const {
    if (!buf || size <= 0 || !key) return 0;
    std::string narrow(size_t(size), '\0');
    std::string sectionUtf8 = section ? toUtf8(section) : std::string();
    int length = getString(narrow.data(), size, toUtf8(key).c_str(), section ? sectionUtf8.c_str() : nullptr,
                           def ? toUtf8(def).c_str() : "");
    narrow.resize(size_t(length));
    std::u16string wide = toUtf16(narrow);
    size_t n = std::min(wide.size(), size_t(size - 1));
    std::copy_n(wide.begin(), n, buf);
    buf[n] = u'\0';
    return length;
}

std::string Profile::getString(const char* key, const char* section, const char* def) const {
    char value[kLineBuffer];
    if (key && readValue(path, section, key, value, sizeof value)) return value;
    return def ? def : "";
}

int Profile::getInt(const char* key, const char* section, int def) const {
    char value[kTypedValueBuffer];
    if (!readTypedValue(path, key, section, value)) return def;
    return leadingInt(value);
}

double Profile::getDouble(const char* key, const char* section, double def) const {
    char value[kTypedValueBuffer];
    if (!readTypedValue(path, key, section, value)) return def;
    return leadingDouble(value);
}

bool Profile::getBool(const char* key, const char* section, bool def) const {
    char value[kTypedValueBuffer];
    if (!readTypedValue(path, key, section, value)) return def;
    std::string_view v = value;
    return equalsIgnoringAsciiCase(v, "on") || equalsIgnoringAsciiCase(v, "yes") || equalsIgnoringAsciiCase(v, "true") || leadingInt(v) == 1;
}

COLORREF Profile::getColor(const char* key, const char* section, COLORREF def) const {
    char value[kTypedValueBuffer];
    if (!readTypedValue(path, key, section, value)) return def;
    std::string_view v = value;
    size_t pos = 0;
    long long red = 0, green = 0, blue = 0;
    if (!scanInteger(v, pos, red) || !scanInteger(v, pos, green) || !scanInteger(v, pos, blue)) return def;
    // Joined without masking: out-of-range parts spill into the neighbouring bytes.
    return COLORREF(red) | COLORREF(green) << 8 | COLORREF(blue) << 16;
}

LOGFONTW Profile::getFont(const char* key, const char* section, const LOGFONTW* def) const {
    char value[kFontValueBuffer];
    if (!haveKeyAndSection(key, section) || !readValue(path, section, key, value, sizeof value) || !*value)
        return def ? *def : systemFont();
    std::string_view v = value;
    LOGFONTW font;
    size_t pos = 0;
    bool more = true;
    // Each further field is the integer after the next ','; once a ',' is missing, every later
    // field keeps its default.
    auto next = [&](long long fallback) -> long long {
        if (!more) return fallback;
        size_t comma = v.find(',', pos);
        if (comma == std::string_view::npos) {
            more = false;
            return fallback;
        }
        pos = comma + 1;
        return leadingInt(v.substr(pos));
    };
    font.lfHeight = leadingInt(v);
    font.lfWidth = int32_t(next(0));
    font.lfEscapement = int32_t(next(0));
    font.lfOrientation = int32_t(next(0));
    font.lfWeight = int32_t(next(kNormalWeight));
    for (uint8_t* field : {&font.lfItalic, &font.lfUnderline, &font.lfStrikeOut, &font.lfCharSet,
                           &font.lfOutPrecision, &font.lfClipPrecision, &font.lfQuality,
                           &font.lfPitchAndFamily})
        *field = uint8_t(next(0));
    size_t comma = more ? v.find(',', pos) : std::string_view::npos;
    if (comma != std::string_view::npos)
        setFaceName(font, v.substr(comma + 1));
    else
        std::copy(std::begin(kDefaultFace), std::end(kDefaultFace), font.lfFaceName);
    return font;
}

LOGFONTW* Profile::getLogFont(LOGFONTW* out, const char* key, const char* section) const {
    if (!out) {
        reportPrecondition("out");
        return out;
    }
    char value[kFontValueBuffer];
    const char* comma = nullptr;
    if (!key || !section || !readValue(path, section, key, value, sizeof value) || !(comma = std::strchr(value, ','))) {
        *out = systemFont();
        return out;
    }
    LOGFONTW font;
    setFaceName(font, std::string_view(value, size_t(comma - value)));
    font.lfHeight = leadingInt(comma + 1);
    const char* second = std::strchr(comma + 1, ',');
    int style = second ? leadingInt(second + 1) : 0;
    font.lfWeight = (style & 1) ? kBoldWeight : kNormalWeight;
    font.lfItalic = (style & 2) ? 1 : 0;
    font.lfUnderline = (style & 4) ? 1 : 0;
    *out = font;
    return out;
}

LOGFONTW Profile::getFontShort(const char* key, const char* section) const {
    LOGFONTW font;
    getLogFont(&font, key, section);
    return font;
}

bool Profile::hasKey(const char* key, const char* section) const {
    char value[kTypedValueBuffer];
    return readTypedValue(path, key, section, value);
}

int Profile::getKeys(char* buf, int size, const char* section) const {
    if (!section) reportPrecondition("section");
    if (!buf || size < 1 || !section) return 0;
    FileCloser in(platform::openForReading(path));
    if (!in.file) return 0;
    Piece piece;
    bool found = false;
    while (!found && readPiece(in.file, piece)) found = headerMatches(piece.text(), section);
    if (!found) return 0;
    int count = 0;
    long room = long(size) - 2;
    char* at = buf;
    while (readPiece(in.file, piece)) {
        std::string_view line = piece.text();
        if (startsSection(line)) break;
        if (isComment(line)) continue;
        size_t eq = line.find('=');
        if (eq == std::string_view::npos) continue;
        ++count;
        if (room <= 1) continue;
        // The name runs from the first non-blank byte to the '=', trailing blanks kept.
        size_t start = std::min(firstNonBlank(line), eq);
        size_t n = std::min(eq - start, size_t(room));
        std::memcpy(at, line.data() + start, n);
        at[n] = '\0';
        at += n + 1;
        room -= long(n) + 1;
    }
    *at = '\0';
    return count;
}

bool Profile::hasSection(const char* section) const {
    char keys[kSectionProbeBuffer];
    return getKeys(keys, sizeof keys, section) != 0;
}

int Profile::getSections(char* buf, int size) const {
    // A size of 0 leaves no room even for the closing NUL.
    if (!buf || size < 1) {
        if (!buf) reportPrecondition("buf");
        return 0;
    }
    char* at = buf;
    long room = long(size) - 1;
    int count = 0;
    FileCloser in(platform::openForReading(path));
    Piece piece;
    while (in.file && readPiece(in.file, piece)) {
        std::string_view line = piece.text();
        size_t open = firstNonBlank(line);
        if (open >= line.size() || line[open] != '[') continue;
        size_t close = line.find(']', open + 1);
        if (close == std::string_view::npos) continue;
        ++count;
        if (room < 2) continue;
        size_t n = std::min(close - open - 1, size_t(room - 1));
        std::memcpy(at, line.data() + open + 1, n);
        at[n] = '\0';
        at += n + 1;
        room -= long(n) + 1;
    }
    *at = '\0';
    return count;
}

}  // namespace Pelagix
