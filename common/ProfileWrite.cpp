// Profile's writing: every change as a whole new file put in the old one's place under the
// writers' lock, and the typed setters over writeString.
#include "common/Profile.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <string>
#include <string_view>

#include "common/Platform.h"
#include "common/ProfileFormat.h"
#include "common/Text.h"

namespace Pelagix {

using namespace ini;

namespace {

// A written entry line is at most 1023 bytes with its line end, so the reader takes it whole.
constexpr size_t kMaxKeyBytes = 1020;
constexpr size_t kMaxKeyValueBytes = 1021;
constexpr size_t kMaxSectionNameBytes = 1019;
// writeDouble changes to exponent notation above this magnitude, and keeps every text within
// 79 characters (an 80-byte buffer with its NUL).
constexpr double kExponentThreshold = 9e70;
constexpr size_t kMaxNumberText = 79;
// Decimals of "%.*f" when the precision given is negative.
constexpr int kDefaultDecimals = 6;
// Rewrites of a missing file that another writer created first: each retry finds the file.
constexpr int kCreationRaces = 8;

constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";
constexpr char kNewFileStart[] = "\xEF\xBB\xBF\r\n";

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
