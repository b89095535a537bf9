// Number arguments of the file generators, read whole and independently of the locale.
#pragma once

#include <charconv>
#include <cstring>
#include <system_error>

namespace toolargument {

// True when the whole text is a number of type T.
template <typename T>
bool parse(const char* text, T& out) {
    const char* end = text + std::strlen(text);
    auto r = std::from_chars(text, end, out);
    return r.ec == std::errc() && r.ptr == end;
}

}  // namespace toolargument
