#include "common/Text.h"

#include <cstring>

namespace {

constexpr char32_t kReplacement = 0xFFFD;

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += char(c);
    } else if (c < 0x800) {
        out += char(0xC0 | (c >> 6));
        out += char(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += char(0xE0 | (c >> 12));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    } else {
        out += char(0xF0 | (c >> 18));
        out += char(0x80 | ((c >> 12) & 0x3F));
        out += char(0x80 | ((c >> 6) & 0x3F));
        out += char(0x80 | (c & 0x3F));
    }
}

void appendUtf16(std::u16string& out, char32_t c) {
    if (c < 0x10000) {
        out += char16_t(c);
    } else {
        c -= 0x10000;
        out += char16_t(0xD800 + (c >> 10));
        out += char16_t(0xDC00 + (c & 0x3FF));
    }
}

// Decodes one UTF-8 sequence at s[i]; advances i. Overlong forms, surrogates and values above
// U+10FFFF are invalid.
char32_t decodeUtf8(const unsigned char* s, size_t n, size_t& i) {
    unsigned char b = s[i];
    if (b < 0x80) {
        ++i;
        return b;
    }
    int extra;
    char32_t c;
    char32_t min;
    if ((b & 0xE0) == 0xC0) {
        extra = 1, c = b & 0x1F, min = 0x80;
    } else if ((b & 0xF0) == 0xE0) {
        extra = 2, c = b & 0x0F, min = 0x800;
    } else if ((b & 0xF8) == 0xF0) {
        extra = 3, c = b & 0x07, min = 0x10000;
    } else {
        ++i;
        return kReplacement;
    }
    size_t j = i + 1;
    for (int k = 0; k < extra; ++k, ++j) {
        if (j >= n || (s[j] & 0xC0) != 0x80) {
            i = j;
            return kReplacement;
        }
        c = (c << 6) | (s[j] & 0x3F);
    }
    i = j;
    if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return kReplacement;
    return c;
}

std::string utf16To8(const char16_t* s, size_t n) {
    std::string out;
    out.reserve(n);
    for (size_t i = 0; i < n; ++i) {
        char32_t c = s[i];
        if (c >= 0xD800 && c <= 0xDBFF) {
            if (i + 1 < n && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
                c = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
                ++i;
            } else {
                c = kReplacement;
            }
        } else if (c >= 0xDC00 && c <= 0xDFFF) {
            c = kReplacement;
        }
        appendUtf8(out, c);
    }
    return out;
}

std::u16string utf8To16(const char* s, size_t n) {
    std::u16string out;
    out.reserve(n);
    const auto* u = reinterpret_cast<const unsigned char*>(s);
    size_t i = 0;
    while (i < n) appendUtf16(out, decodeUtf8(u, n, i));
    return out;
}

}  // namespace

std::string toUtf8(const char16_t* s) {
    if (!s) return {};
    return utf16To8(s, std::char_traits<char16_t>::length(s));
}

std::string toUtf8(const std::u16string& s) { return utf16To8(s.data(), s.size()); }

std::u16string toUtf16(const char* s) {
    if (!s) return {};
    return utf8To16(s, std::strlen(s));
}

std::u16string toUtf16(const std::string& s) { return utf8To16(s.data(), s.size()); }

size_t utf8CutPoint(std::string_view text, size_t limit) {
    if (limit >= text.size()) return text.size();
    // Step back over the continuation bytes of the character at the cut: at most three, since
    // more are no character of valid text.
    constexpr size_t kMaxContinuationBytes = 3;
    size_t n = limit;
    while (n > 0 && limit - n < kMaxContinuationBytes && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
    return (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80 ? limit : n;
}

size_t copyUtf8Bounded(const std::string& text, char* buf, size_t size) {
    if (!buf || size == 0) return 0;
    size_t n = utf8CutPoint(text, size - 1);
    std::memcpy(buf, text.data(), n);
    buf[n] = '\0';
    return n;
}

bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
    return true;
}
