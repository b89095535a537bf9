// UTF-8 <-> UTF-16 conversion. Narrow text is UTF-8 everywhere; wide text is char16_t UTF-16.
// Independent of the locale; invalid input becomes U+FFFD.
#pragma once

#include <string>
#include <string_view>

std::string toUtf8(const char16_t* s);
std::string toUtf8(const std::u16string& s);
std::u16string toUtf16(const char* s);
std::u16string toUtf16(const std::string& s);

// The longest length of at most `limit` bytes at which UTF-8 text can be cut without splitting a
// character (the text's own length when it is no longer).
size_t utf8CutPoint(std::string_view text, size_t limit);

// Copies UTF-8 text into a caller's buffer of `size` bytes, NUL included, cutting only at a
// character boundary. Returns the number of bytes copied (without the NUL).
size_t copyUtf8Bounded(const std::string& text, char* buf, size_t size);

// ASCII letters without regard to case, every other byte exactly; independent of the locale.
inline char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }
bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b);
