// INI files: `Pelagix::Profile` names one file by path and reads and writes typed values in it by
// key and section.
//
// Nothing of the file is kept in memory: every call opens the file, scans it and closes it, so the
// next read sees what anyone wrote. Every change rewrites the whole file into a new temporary
// file of the writer's own beside it ("Harbour.in~" and six characters, readable by this
// process's user alone until it has the target's owner, mode, ACL and other extended attributes)
// and puts that in the target's place with one atomic rename, then syncs the folder. A file
// whose attributes the writer cannot give the new file is not rewritten. Temporaries left by
// killed writers are removed by the next writer.
//
// Links: a write through a symbolic link replaces the file the link names and the link stays
// (a dangling link, and a link that neither this process's user nor the owner of its folder
// made, are refused). A file with several names (hard links) is never written in place, which a
// crash could leave half written: the name written gets the new file and the other names keep
// the old content.
//
// The format as the reader sees it (bytes, UTF-8 by convention, no decoding, no line-end
// translation):
// - lines are read in pieces of at most 1023 bytes; each piece counts as a line;
// - a blank is a byte from 1 to 32; case-insensitive means ASCII letters only;
// - a header is a line whose first non-blank byte is '[' and that holds a ']'; its name is the
//   text between '[' and the first ']', blanks included; a section runs to the next line whose
//   first non-blank byte is '[';
// - an entry has a separator: the first '=', or the first ':' when there is no '='; its key runs
//   from the first non-blank byte to the separator, trailing blanks removed;
// - lines whose first non-blank byte is ';' or '#' are comments;
// - a value starts after the separator and its leading blanks and ends at the first ';' or '#'
//   outside double quotes, trailing blanks removed; quotes and backslashes stay in it;
// - the first matching header and the first matching key win;
// - a byte-order mark is not skipped, so new files start with it and a line end.
//
// Written line ends are "\r\n", except in a file whose first line ends in a bare "\n": a file
// the writer did not create keeps its own style.
//
// Objects are independent; one object may be used from several threads. Writers of one file
// through this class, in any threads or processes, take turns: each holds an advisory lock on the
// file from its first read to the replacement, so none loses another's change, and readers see
// the old file or the new one, never a mix. A program that replaces the file without taking the
// lock can still overtake a change.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace Pelagix {

// A colour as INI files store it: red in bits 0-7, green 8-15, blue 16-23.
using COLORREF = uint32_t;

// A font description with the fields of the Windows LOGFONTW, in their order.
struct LOGFONTW {
    int32_t lfHeight = 0;
    int32_t lfWidth = 0;
    int32_t lfEscapement = 0;
    int32_t lfOrientation = 0;
    int32_t lfWeight = 0;
    uint8_t lfItalic = 0;
    uint8_t lfUnderline = 0;
    uint8_t lfStrikeOut = 0;
    uint8_t lfCharSet = 0;
    uint8_t lfOutPrecision = 0;
    uint8_t lfClipPrecision = 0;
    uint8_t lfQuality = 0;
    uint8_t lfPitchAndFamily = 0;
    char16_t lfFaceName[32] = {};
};

// The fixed description that stands for the system font.
const LOGFONTW& systemFont();

class Profile {
public:
    // Names a file; not temporary. A null path names no file (every read gives defaults, every
    // write fails).
    explicit Profile(const char* file);
    explicit Profile(const char16_t* file);
    explicit Profile(const std::string& file) : Profile(file.c_str()) {}
    // Creates a new empty temporary file "./INIxxxxxx.TMP", removed with the object.
    Profile();
    // The same file as `other`, not temporary.
    Profile(const Profile& other);
    // Copies the other object's FILE over this object's file; the paths stay. Nothing changes
    // when both name the same file or the other file cannot be read.
    Profile& operator=(const Profile& other);
    virtual ~Profile();

    // Sets an entry: 1 on success, 0 on failure. Key, value and section must not be null; text
    // holding CR or LF is refused, as are keys holding '=', starting with '[', ';' or '#' or with
    // blanks at either end, and section names holding ']' (each would write a line that reads
    // back as something else).
    virtual int writeString(const char* key, const char* value, const char* section);
    virtual int writeString(const char16_t* key, const char16_t* value, const char16_t* section);
    virtual int writeString(const char* key, const char16_t* value, const char* section);

    // A temporary file of this object is removed first; a null path gives a new temporary file.
    void setFile(const char* file);
    void setFile(const char16_t* file);
    void setFile(std::nullptr_t) { setFile(static_cast<const char*>(nullptr)); }

    const std::string& getPath() const { return path; }
    const std::u16string& getPathW() const { return wpath; }
    bool temporary() const { return isTemporary; }

    // --- Reading. A file that cannot be opened reads as a file without the section. ---

    // The value, or `def` (null: empty) when the entry is missing, cut to size - 1 bytes; returns
    // the length stored. 0 and `buf` untouched for a null buffer or key or a size below 1.
    int getString(char* buf, int size, const char* key, const char* section, const char* def) const;
    // The same in UTF-16 (at most `size` characters with the NUL); returns the UTF-8 length.
    int getString(char16_t* buf, int size, const char16_t* key, const char16_t* section,
                  const char16_t* def) const;
    // The whole value (at most 1022 bytes, the longest a line holds), or `def`.
    std::string getString(const char* key, const char* section, const char* def = "") const;

    // Typed getters give `def` when the entry is missing or its value is empty.
    // The leading decimal integer ("12abc" is 12), saturated at the int range.
    int getInt(const char* key, const char* section, int def) const;
    // The leading decimal number, '.' as decimal point whatever the locale.
    double getDouble(const char* key, const char* section, double def) const;
    // True for "on", "yes", "true" (any case) or a leading integer 1; false otherwise.
    bool getBool(const char* key, const char* section, bool def) const;
    // "red green blue", each decimal, 0x-hexadecimal or 0-octal; `def` with fewer than three.
    COLORREF getColor(const char* key, const char* section, COLORREF def) const;
    // The long font form of writeFont; `def`, or the system font when `def` is null.
    LOGFONTW getFont(const char* key, const char* section, const LOGFONTW* def = nullptr) const;
    // The short font form "face,height,style" into `out`; the system font when missing, empty or
    // without ','. Returns `out`.
    LOGFONTW* getLogFont(LOGFONTW* out, const char* key, const char* section) const;
    LOGFONTW getFontShort(const char* key, const char* section) const;

    // The entry is present with a non-empty value.
    bool hasKey(const char* key, const char* section) const;
    // The names of the section's "=" lines, each NUL-terminated, closed by one more NUL; returns
    // how many there are, stored or not. 0 for a null buffer or a size below 1.
    int getKeys(char* buf, int size, const char* section) const;
    // The section has at least one "=" line.
    bool hasSection(const char* section) const;
    // The names of every header of the file, in file order, as getKeys lists keys.
    int getSections(char* buf, int size) const;

    // Scans an open file from its position for the section and the key; copies the value, cut to
    // len - 1 bytes, into `out`. False at the end of the file or the end of the section.
    static bool findValue(FILE* file, const char* section, const char* key, char* out, int len);

    // --- Writing. 1 on success, 0 on failure; a failed write leaves the file as it was. A file
    // that exists but is no regular file this process may read and write fails, except for
    // setting a value that it already has. Deleting from a missing file succeeds and creates
    // nothing. ---

    int deleteKey(const char* key, const char* section);
    // Removes the section's header and every line up to the next header.
    int deleteSection(const char* section);
    // Copies the section `from_sect` of `from`'s file into this file as `to_sect` (null: the same
    // name), replacing a section of that name or appending it.
    int copySection(const Profile& from, const char* from_sect, const char* to_sect = nullptr);

    // The typed setters go through the first writeString, so a derived class sees every write.
    int writeInt(const char* key, int value, const char* section);
    int writeBool(const char* key, bool value, const char* section);
    // Fixed notation with `decimals` decimals; exponent notation above 9e70 in magnitude; the
    // shortest text that reads back exactly when the fixed text would not fit 79 characters.
    int writeDouble(const char* key, double value, const char* section, int decimals);
    int writeColor(const char* key, COLORREF color, const char* section);
    // The long form "height,width,...,pitchAndFamily,face"; nothing written for a null font.
    void writeFont(const char* key, const LOGFONTW* font, const char* section);
    // The short form "face,height,style" (style: 1 bold, 2 italic, 4 underline).
    void writeFontShort(const char* key, const LOGFONTW* font, const char* section);

    // Sets (key and value), deletes a key (value null) or deletes a section (key null) in `file`.
    // An empty section name means the lines before the first header.
    static int writeEntry(const char* key, const char* value, const char* section, const std::string& file);

private:
    void takeFile(const char* file);
    void makeTemporary();
    void dropTemporary();

    std::string path;     // UTF-8; every file operation uses it
    std::u16string wpath; // the same path in UTF-16
    bool isTemporary = false;
};

}  // namespace Pelagix
