#include "bayrun/VersionInfo.h"

#include <algorithm>

#include "bayrun/BuildVersion.h"

namespace {

constexpr char16_t kCompany[] = u"PELAGIX Inc.";
constexpr char16_t kCopyright[] = u"Copyright (C) PELAGIX Inc.";
constexpr char16_t kTrademarks[] = u"Corvane and Tellus are trademarks of PELAGIX Inc.";

std::u16string lowerBaseName(const std::u16string& path) {
    const size_t sep = path.find_last_of(u"\\/");
    std::u16string name = sep == std::u16string::npos ? path : path.substr(sep + 1);
    for (auto& c : name)
        if (c >= u'A' && c <= u'Z') c = char16_t(c - u'A' + u'a');
    return name;
}

bool startsWith(const std::u16string& s, const std::u16string& prefix) {
    return s.size() >= prefix.size() && s.compare(0, prefix.size(), prefix) == 0;
}

}  // namespace

bool VersionInfo::Load(const char16_t* path) {
    values.clear();
    if (!path) return false;
    const std::u16string name = lowerBaseName(path);
    std::u16string description;
    if (startsWith(name, u"corvane"))
        description = u"Verevuzu Deradazavo";
    else if (startsWith(name, u"libtellus") || startsWith(name, u"tellus"))
        description = u"Tellus geodesy library";
    else
        return false;
    values = {{u"FileVersion", BAYRUN_FILE_VERSION},
              {u"ProductVersion", BAYRUN_PRODUCT_VERSION},
              {u"FileDescription", description},
              {u"CompanyName", kCompany},
              {u"LegalCopyright", kCopyright},
              {u"LegalTrademarks", kTrademarks},
              {u"BuildDate", BAYRUN_BUILD_DATE}};
    return true;
}

bool VersionInfo::GetValue(char16_t* buffer, int size, const char16_t* key) {
    if (!buffer || size < 1 || !key) return false;
    auto it = values.find(key);
    if (it == values.end()) return false;
    const size_t n = std::min(it->second.size(), size_t(size - 1));
    it->second.copy(buffer, n);
    buffer[n] = u'\0';
    return true;
}
