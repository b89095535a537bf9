#include "common/Profile.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstring>
#include <string_view>

#include "common/DebugLog.h"
#include "common/NumberParser.h"
#include "common/Platform.h"
#include "common/Text.h"

namespace Pelagix {

namespace {

// Lines are read into a buffer of this size: at most 1023 bytes a piece, NUL included.
constexpr int kLineBuffer = 1024;
// The typed getters read values of up to 79 bytes, the font getters up to 254.
constexpr int kTypedValueBuffer = 80;
constexpr int kFontValueBuffer = 255;
// Room of hasSection's key listing.
constexpr int kSectionProbeBuffer = 256;
// A written entry line is at most 1023 bytes with its line end, so the reader takes it whole.
constexpr size_t kMaxKeyBytes = 1020;
constexpr size_t kMaxKeyValueBytes = 1021;
constexpr size_t kMaxSectionNameBytes = 1019;
// Face names hold at most 31 characters and a NUL.
constexpr size_t kFaceNameChars = 31;
// writeDouble changes to exponent notation above this magnitude, and keeps every text within
// 79 characters (an 80-byte buffer with its NUL).
constexpr double kExponentThreshold = 9e70;
constexpr size_t kMaxNumberText = 79;
// Decimals of "%.*f" when the precision given is negative.
constexpr int kDefaultDecimals = 6;
// Rewrites of a missing file that another writer created first: each retry finds the file.
constexpr int kCreationRaces = 8;
// Font defaults of the long form.
constexpr int32_t kNormalWeight = 400;
constexpr int32_t kBoldWeight = 700;
constexpr char16_t kDefaultFace[] = u"Courier";

constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";
constexpr char kNewFileStart[] = "\xEF\xBB\xBF\r\n";

// One piece of a line as read: `size` bytes, '\n' included when the piece ends the line.
struct Piece {
    char data[kLineBuffer];
    size_t size = 0;
    size_t textSize = 0;
    // The text the rules look at: bytes up to a NUL byte, which ends a C line.
    std::string_view text() const { return std::string_view(data, textSize); }
};

// Reads up to 1023 bytes or through the next '\n'. False at the end of the file (or on a read
// error) with nothing read.
bool readPiece(FILE* file, Piece& piece) {
    piece.size = 0;
    piece.textSize = SIZE_MAX;
    while (piece.size < size_t(kLineBuffer - 1)) {
        int c = getc_unlocked(file);  // no FILE read here is shared between threads
        if (c == EOF) break;
        if (c == '\0' && piece.textSize == SIZE_MAX) piece.textSize = piece.size;
        piece.data[piece.size++] = char(c);
        if (c == '\n') break;
    }
    piece.data[piece.size] = '\0';
    piece.textSize = std::min(piece.textSize, piece.size);
    return piece.size > 0;
}

bool isBlank(char c) { return c >= 1 && c <= 32; }

size_t firstNonBlank(std::string_view line) {
    size_t i = 0;
    while (i < line.size() && isBlank(line[i])) ++i;
    return i;
}

std::string_view trimTrailingBlanks(std::string_view s) {
    while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
    return s;
}

char firstByte(std::string_view line) {
    size_t i = firstNonBlank(line);
    return i < line.size() ? line[i] : '\0';
}

bool startsSection(std::string_view line) { return firstByte(line) == '['; }

bool isComment(std::string_view line) {
    char c = firstByte(line);
    return c == ';' || c == '#';
}

bool headerMatches(std::string_view line, std::string_view section) {
    size_t open = firstNonBlank(line);
    if (open >= line.size() || line[open] != '[') return false;
    size_t close = line.find(']', open + 1);
    if (close == std::string_view::npos) return false;
    return equalsIgnoringAsciiCase(line.substr(open + 1, close - open - 1), section);
}

// The separator of an entry line: the first '=', else the first ':'; npos when neither.
size_t separatorOf(std::string_view line) {
    size_t sep = line.find('=');
    return sep != std::string_view::npos ? sep : line.find(':');
}

bool keyMatches(std::string_view line, std::string_view key) {
    if (isComment(line)) return false;
    size_t sep = separatorOf(line);
    if (sep == std::string_view::npos) return false;
    size_t start = std::min(firstNonBlank(line), sep);
    return equalsIgnoringAsciiCase(trimTrailingBlanks(line.substr(start, sep - start)), key);
}

// The value of an entry line whose key matched.
std::string_view valueOf(std::string_view line) {
    size_t i = separatorOf(line) + 1;
    while (i < line.size() && isBlank(line[i])) ++i;
    size_t start = i;
    bool quoted = false;
    while (i < line.size()) {
        char c = line[i];
        char next = i + 1 < line.size() ? line[i + 1] : '\0';
        if ((c == '\\' || c == '"') && next == '"') {
            i += 2;  // an escaped or doubled quote does not switch
            continue;
        }
        if (c == '"')
            quoted = !quoted;
        else if (!quoted && (c == ';' || c == '#'))
            break;
        ++i;
    }
    return trimTrailingBlanks(line.substr(start, i - start));
}

// Copies text cut to size - 1 bytes and terminates it; returns the length stored.
int copyCut(std::string_view text, char* out, int size) {
    if (!out || size <= 0) return 0;
    size_t n = std::min(text.size(), size_t(size - 1));
    std::memcpy(out, text.data(), n);
    out[n] = '\0';
    return int(n);
}

void reportPrecondition(const char* what) { debugLog("Profile: precondition failed: %s", what); }

// Closes a FILE when it goes out of scope.
struct FileCloser {
    FILE* file;
    explicit FileCloser(FILE* f) : file(f) {}
    ~FileCloser() {
        if (file) std::fclose(file);
    }
    FileCloser(const FileCloser&) = delete;
    FileCloser& operator=(const FileCloser&) = delete;
};

// Reads a value of up to `size - 1` bytes; false when the file or the entry is missing.
bool readValue(const std::string& path, const char* section, const char* key, char* out, int size) {
    FileCloser in(platform::openForReading(path));
    return in.file && Profile::findValue(in.file, section, key, out, size);
}

// The typed setters' and getters' preconditions: both names given.
bool haveKeyAndSection(const char* key, const char* section) {
    if (key && section) return true;
    reportPrecondition(!key ? "key" : "section");
    return false;
}

// A typed getter's value (up to 79 bytes): false when an argument is null or the entry is
// missing or empty, so the getter gives its default.
bool readTypedValue(const std::string& path, const char* key, const char* section, char (&value)[kTypedValueBuffer]) {
    return haveKeyAndSection(key, section) && readValue(path, section, key, value, kTypedValueBuffer) && *value;
}

void setFaceName(LOGFONTW& font, std::string_view utf8) {
    std::u16string face = toUtf16(std::string(utf8));
    size_t n = std::min(face.size(), kFaceNameChars);
    // Do not keep half of a surrogate pair.
    if (n > 0 && n < face.size() && face[n - 1] >= 0xD800 && face[n - 1] <= 0xDBFF) --n;
    std::fill(std::begin(font.lfFaceName), std::end(font.lfFaceName), u'\0');
    std::copy_n(face.begin(), n, font.lfFaceName);
}

std::string faceNameUtf8(const LOGFONTW& font) {
    const char16_t* end = std::find(std::begin(font.lfFaceName), std::end(font.lfFaceName), u'\0');
    return toUtf8(std::u16string(font.lfFaceName, end));
}

// --- Writing helpers ---

bool hasLineBreak(const char* s) { return s && std::strpbrk(s, "\r\n") != nullptr; }

// Keys and section names that would write a line reading back as another entry, a comment or
// a header, or a header that never matches its own name. A key with blanks at either end reads
// back trimmed, so it would never match again and every write would add a line.
bool isWritableKey(const char* key) {
    if (!key || hasLineBreak(key) || std::strchr(key, '=')) return false;
    const size_t n = std::strlen(key);
    if (n > 0 && (isBlank(key[0]) || isBlank(key[n - 1]))) return false;
    char first = firstByte(key);
    return first != '[' && first != ';' && first != '#';
}

bool isWritableSection(const char* section) {
    return section && !hasLineBreak(section) && !std::strchr(section, ']');
}

// The line end of a file this writer did not create: that of its first line ("\n" or "\r\n");
// "\r\n" for a new file or one without a line end. The file is read from its start again.
std::string_view lineEndOf(FILE* in) {
    if (!in) return "\r\n";
    int previous = EOF, c;
    while ((c = getc_unlocked(in)) != EOF && c != '\n') previous = c;
    std::rewind(in);
    return c == '\n' && previous != '\r' ? "\n" : "\r\n";
}

// The rewritten file: tracks the last byte written and any write error. New line ends follow the
// file's own style, so a hand-edited file never comes back with mixed line ends.
class Output {
public:
    explicit Output(FILE* f, std::string_view lineEnd = "\r\n") : file(f), eol(lineEnd) {}
    void write(std::string_view text) {
        if (text.empty()) return;
        // Collected and written in large blocks: a rewrite writes line by line.
        pending.append(text);
        if (pending.size() >= kBlock) flush();
        last = text.back();
        any = true;
    }
    // Writes what is collected: false when any write failed.
    bool finish() {
        flush();
        return std::fflush(file) == 0 && !failed;
    }
    void copy(const Piece& piece) { write(std::string_view(piece.data, piece.size)); }
    // A line from another file, its line end made this file's.
    void copyLine(const Piece& piece) {
        std::string_view line(piece.data, piece.size);
        if (line.empty() || line.back() != '\n') return write(line);
        line.remove_suffix(line.size() >= 2 && line[line.size() - 2] == '\r' ? 2 : 1);
        write(line);
        write(eol);
    }
    // Starts a new line unless the text written so far ends one.
    void endLine() {
        if (any && last != '\n') write(eol);
    }
    // Names and values too long for one line are cut, never inside a UTF-8 character.
    void header(std::string_view section) {
        if (section.empty()) return;
        endLine();
        write("[");
        write(section.substr(0, utf8CutPoint(section, kMaxSectionNameBytes)));
        write("]");
        write(eol);
    }
    void entry(std::string_view key, std::string_view value) {
        endLine();
        key = key.substr(0, utf8CutPoint(key, kMaxKeyBytes));
        write(key);
        write("=");
        write(value.substr(0, utf8CutPoint(value, kMaxKeyValueBytes - key.size() - 1)));
        write(eol);
    }
    bool failed = false;

private:
    static constexpr size_t kBlock = 65536;
    void flush() {
        if (!pending.empty() && std::fwrite(pending.data(), 1, pending.size(), file) != pending.size()) failed = true;
        pending.clear();
    }
    FILE* file;
    std::string pending;
    char last = '\0';
    bool any = false;
    std::string_view eol;
};

// What a rewrite does after looking at the current file.
enum class Plan { Rewrite, Done };

// Rewrites `target` through a temporary file of this writer's own beside it, holding the writers'
// lock from the first read to the replacement, so that concurrent writers of the file through
// this class (threads or processes) each see the others' changes. `plan(in)` looks at the current
// file (`in` null when there is none): Done ends with 1, writing nothing; `produce(in, out)`
// writes the new content. The target is replaced in one rename, keeping its mode, owner and
// extended attributes; a missing target is created only if nobody created it meanwhile, else the
// rewrite starts again on that file. A failure leaves the target as it was and no temporary file.
template <typename Planner, typename Produce>
int rewrite(const std::string& target, Planner&& plan, Produce&& produce) {
    if (target.empty()) return 0;
    for (int attempt = 0; attempt < kCreationRaces; ++attempt) {
        platform::Rewrite replacement(target);
        if (replacement.state() == platform::RewriteTarget::Unusable) return 0;
        FILE* const in = replacement.current();
        // A file this process may not write still takes a change that changes nothing.
        if (plan(in) == Plan::Done) return 1;
        FILE* const written = replacement.begin();
        if (!written) return 0;
        Output out(written, lineEndOf(in));
        produce(in, out);
        const bool readOk = !in || !std::ferror(in);
        if (!out.finish() || !readOk) return 0;
        switch (replacement.commit()) {
            case platform::Rewrite::Result::Done:
                return 1;
            case platform::Rewrite::Result::Failed:
                return 0;
            case platform::Rewrite::Result::Exists:
                break;
        }
    }
    return 0;
}

enum class Mode { Set, DeleteKey, DeleteSection };

}  // namespace

const LOGFONTW& systemFont() {
    // The metrics of the classic system font: 16 pixels high, bold, variable pitch.
    static const LOGFONTW font = [] {
        LOGFONTW f;
        f.lfHeight = 16;
        f.lfWidth = 7;
        f.lfWeight = kBoldWeight;
        f.lfPitchAndFamily = 34;  // variable pitch, Swiss family
        setFaceName(f, "System");
        return f;
    }();
    return font;
}

// --- Construction and file ---

Profile::Profile(const char* file) { takeFile(file); }

Profile::Profile(const char16_t* file) {
    takeFile(file ? toUtf8(file).c_str() : nullptr);
}

Profile::Profile() { makeTemporary(); }

Profile::Profile(const Profile& other) : path(other.path), wpath(other.wpath), isTemporary(false) {}

Profile& Profile::operator=(const Profile& other) {
    if (this == &other || path == other.path || path.empty()) return *this;
    FileCloser source(platform::openForReading(other.path));
    if (!source.file) return *this;  // a missing source must not wipe this file
    rewrite(
        path, [](FILE*) { return Plan::Rewrite; },
        [&](FILE*, Output& out) {
            std::rewind(source.file);
            Piece piece;
            while (readPiece(source.file, piece)) out.copy(piece);
            if (std::ferror(source.file)) out.failed = true;
        });
    return *this;
}

Profile::~Profile() { dropTemporary(); }

void Profile::takeFile(const char* file) {
    if (!file) reportPrecondition("file");
    path = file ? file : "";
    wpath = toUtf16(path);
    isTemporary = false;
}

void Profile::makeTemporary() {
    path = platform::createTempFile(".", "INI", ".TMP");
    wpath = toUtf16(path);
    isTemporary = true;
}

void Profile::dropTemporary() {
    if (isTemporary) platform::removeFile(path);
    isTemporary = false;
}

void Profile::setFile(const char* file) {
    dropTemporary();
    if (file)
        takeFile(file);
    else
        makeTemporary();
}

void Profile::setFile(const char16_t* file) {
    if (file)
        setFile(toUtf8(file).c_str());
    else
        setFile(static_cast<const char*>(nullptr));
}

// --- Reading ---

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

// --- Writing ---

int Profile::writeString(const char* key, const char* value, const char* section) {
    if (!value || !key || !section) {
        reportPrecondition("value && key && section");
        return 0;
    }
    return writeEntry(key, value, section, path);
}

int Profile::writeString(const char16_t* key, const char16_t* value, const char16_t* section) {
    if (!value || !key || !section) {
        reportPrecondition("value && key && section");
        return 0;
    }
    return writeString(toUtf8(key).c_str(), toUtf8(value).c_str(), toUtf8(section).c_str());
}

int Profile::writeString(const char* key, const char16_t* value, const char* section) {
    if (!value || !key || !section) {
        reportPrecondition("value && key && section");
        return 0;
    }
    return writeString(key, toUtf8(value).c_str(), section);
}

int Profile::deleteKey(const char* key, const char* section) {
    if (!haveKeyAndSection(key, section)) return 0;
    return writeEntry(key, nullptr, section, path);
}

int Profile::deleteSection(const char* section) {
    if (!section) {
        reportPrecondition("section");
        return 0;
    }
    return writeEntry(nullptr, nullptr, section, path);
}

int Profile::writeEntry(const char* key, const char* value, const char* section, const std::string& file) {
    if (!section || hasLineBreak(value) || !isWritableSection(section) || (key && !isWritableKey(key))) return 0;
    const Mode mode = !key ? Mode::DeleteSection : !value ? Mode::DeleteKey : Mode::Set;

    auto plan = [&](FILE* in) {
        if (!in) return mode == Mode::Set ? Plan::Rewrite : Plan::Done;  // nothing to delete, nothing created
        if (mode == Mode::Set) {
            char old[kLineBuffer];
            if (findValue(in, section, key, old, sizeof old) && std::strcmp(old, value) == 0) return Plan::Done;
            std::rewind(in);
        }
        return Plan::Rewrite;
    };

    const std::string_view wantedSection = section, wantedKey = key ? key : "";
    auto produce = [&](FILE* in, Output& out) {
        if (!in) {
            out.write(kNewFileStart);
            out.header(section);
            out.entry(key, value);
            return;
        }
        Piece piece;
        if (*section) {
            bool found = false;
            while (!found && readPiece(in, piece)) {
                found = headerMatches(piece.text(), wantedSection);
                if (!found || mode != Mode::DeleteSection) out.copy(piece);
            }
            if (!found) {
                if (mode == Mode::Set) {
                    out.header(section);
                    out.entry(key, value);
                }
                return;
            }
        }
        // The section's lines up to the stop line: the matching entry or the next header.
        bool stopped = false;
        bool atEntry = false;
        while (readPiece(in, piece)) {
            std::string_view line = piece.text();
            if (startsSection(line)) {
                stopped = true;
                break;
            }
            if (mode != Mode::DeleteSection && keyMatches(line, wantedKey)) {
                stopped = atEntry = true;
                break;
            }
            if (mode != Mode::DeleteSection) out.copy(piece);
        }
        if (mode == Mode::Set) out.entry(key, value);
        if (stopped && !atEntry) out.copy(piece);  // the next header stays
        while (readPiece(in, piece)) out.copy(piece);
    };
    return rewrite(file, plan, produce);
}

int Profile::copySection(const Profile& from, const char* from_sect, const char* to_sect) {
    if (!from_sect) {
        reportPrecondition("from_sect");
        return 0;
    }
    const char* target = to_sect ? to_sect : from_sect;
    // An empty name would write no header, and the copied lines would join the section above.
    if (!isWritableSection(from_sect) || !isWritableSection(target) || !*from_sect || !*target) return 0;
    if (path == from.path && std::strcmp(target, from_sect) == 0) return 0;

    FileCloser source(platform::openForReading(from.path));
    Piece piece;
    // Positions the source after its section's header; false when it has none.
    auto findSource = [&] {
        std::rewind(source.file);
        bool found = false;
        while (!found && readPiece(source.file, piece)) found = headerMatches(piece.text(), from_sect);
        return found;
    };
    if (!source.file || !findSource()) return 0;

    // A missing target reads as a file holding only the byte-order mark; it is created by the
    // replacement, so a failed copy leaves nothing behind.
    auto produce = [&](FILE* current, Output& out) {
        if (!findSource()) out.failed = true;
        if (!current) out.write(kByteOrderMark);
        bool hadTarget = false;
        while (current && !hadTarget && readPiece(current, piece)) {
            hadTarget = headerMatches(piece.text(), target);
            if (!hadTarget) out.copy(piece);
        }
        out.header(target);

        while (readPiece(source.file, piece)) {
            if (startsSection(piece.text())) break;
            out.copyLine(piece);
        }
        if (std::ferror(source.file)) out.failed = true;

        if (hadTarget) {
            bool rest = false;
            while (!rest && readPiece(current, piece)) rest = startsSection(piece.text());
            if (rest) {
                out.endLine();
                out.copy(piece);
                while (readPiece(current, piece)) out.copy(piece);
            }
        }
    };
    return rewrite(path, [](FILE*) { return Plan::Rewrite; }, produce);
}

int Profile::writeInt(const char* key, int value, const char* section) {
    if (!haveKeyAndSection(key, section)) return 0;
    char text[16];
    auto [end, ec] = std::to_chars(text, text + sizeof text - 1, value);
    *end = '\0';
    return writeString(key, text, section);
}

int Profile::writeBool(const char* key, bool value, const char* section) {
    if (!haveKeyAndSection(key, section)) return 0;
    return writeString(key, value ? "On" : "Off", section);
}

int Profile::writeDouble(const char* key, double value, const char* section, int decimals) {
    if (!haveKeyAndSection(key, section)) return 0;
    if (decimals < 0) decimals = kDefaultDecimals;
    char text[kMaxNumberText + 1];
    char* const last = text + kMaxNumberText;
    std::to_chars_result r;
    if (std::fabs(value) > kExponentThreshold)
        r = std::to_chars(text, last, value, std::chars_format::scientific, decimals);
    else
        r = std::to_chars(text, last, value, std::chars_format::fixed, decimals);
    if (r.ec != std::errc())
        r = std::to_chars(text, last, value, std::chars_format::general);  // shortest exact text
    if (r.ec != std::errc()) return 0;
    *r.ptr = '\0';
    return writeString(key, text, section);
}

int Profile::writeColor(const char* key, COLORREF color, const char* section) {
    if (!haveKeyAndSection(key, section)) return 0;
    std::string text = std::to_string(color & 0xFF) + " " + std::to_string((color >> 8) & 0xFF) + " " +
                       std::to_string((color >> 16) & 0xFF);
    return writeString(key, text.c_str(), section);
}

void Profile::writeFont(const char* key, const LOGFONTW* font, const char* section) {
    if (!haveKeyAndSection(key, section)) return;
    if (!font) return;
    std::string text;
    for (long long field : {(long long)font->lfHeight, (long long)font->lfWidth, (long long)font->lfEscapement,
                            (long long)font->lfOrientation, (long long)font->lfWeight, (long long)font->lfItalic,
                            (long long)font->lfUnderline, (long long)font->lfStrikeOut, (long long)font->lfCharSet,
                            (long long)font->lfOutPrecision, (long long)font->lfClipPrecision,
                            (long long)font->lfQuality, (long long)font->lfPitchAndFamily})
        text += std::to_string(field) + ",";
    text += faceNameUtf8(*font);
    writeString(key, text.c_str(), section);
}

void Profile::writeFontShort(const char* key, const LOGFONTW* font, const char* section) {
    if (!haveKeyAndSection(key, section)) return;
    if (!font) return;
    int style = 2 * font->lfItalic + 4 * font->lfUnderline + (font->lfWeight != kNormalWeight ? 1 : 0);
    std::string text = faceNameUtf8(*font) + "," + std::to_string(font->lfHeight) + "," + std::to_string(style);
    writeString(key, text.c_str(), section);
}

}  // namespace Pelagix
