// The INI line format of `Pelagix::Profile` as its reader and its writer both apply it (the rules
// are in Profile.h), and the small helpers their sources share. Internal to Profile's sources.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "common/Profile.h"
#include "common/Text.h"

namespace Pelagix::ini {

// Lines are read into a buffer of this size: at most 1023 bytes a piece, NUL included.
constexpr int kLineBuffer = 1024;
// Font weights of the long and the short form.
constexpr int32_t kNormalWeight = 400;
constexpr int32_t kBoldWeight = 700;

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
inline bool readPiece(FILE* file, Piece& piece) {
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

inline bool isBlank(char c) { return c >= 1 && c <= 32; }

inline size_t firstNonBlank(std::string_view line) {
    size_t i = 0;
    while (i < line.size() && isBlank(line[i])) ++i;
    return i;
}

inline std::string_view trimTrailingBlanks(std::string_view s) {
    while (!s.empty() && isBlank(s.back())) s.remove_suffix(1);
    return s;
}

inline char firstByte(std::string_view line) {
    size_t i = firstNonBlank(line);
    return i < line.size() ? line[i] : '\0';
}

inline bool startsSection(std::string_view line) { return firstByte(line) == '['; }

inline bool isComment(std::string_view line) {
    char c = firstByte(line);
    return c == ';' || c == '#';
}

inline bool headerMatches(std::string_view line, std::string_view section) {
    size_t open = firstNonBlank(line);
    if (open >= line.size() || line[open] != '[') return false;
    size_t close = line.find(']', open + 1);
    if (close == std::string_view::npos) return false;
    return equalsIgnoringAsciiCase(line.substr(open + 1, close - open - 1), section);
}

// The separator of an entry line: the first '=', else the first ':'; npos when neither.
inline size_t separatorOf(std::string_view line) {
    size_t sep = line.find('=');
    return sep != std::string_view::npos ? sep : line.find(':');
}

inline bool keyMatches(std::string_view line, std::string_view key) {
    if (isComment(line)) return false;
    size_t sep = separatorOf(line);
    if (sep == std::string_view::npos) return false;
    size_t start = std::min(firstNonBlank(line), sep);
    return equalsIgnoringAsciiCase(trimTrailingBlanks(line.substr(start, sep - start)), key);
}

// The value of an entry line whose key matched.
inline std::string_view valueOf(std::string_view line) {
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

void reportPrecondition(const char* what);
// The typed setters' and getters' preconditions: both names given.
bool haveKeyAndSection(const char* key, const char* section);

// A face name as a font holds it: at most 31 UTF-16 characters, never half a surrogate pair.
void setFaceName(LOGFONTW& font, std::string_view utf8);
std::string faceNameUtf8(const LOGFONTW& font);

}  // namespace Pelagix::ini
