// Profile's file: naming it, the temporary file, and the font face helpers both halves use.
#include "common/Profile.h"

#include <algorithm>
#include <string_view>

#include "common/DebugLog.h"
#include "common/Platform.h"
#include "common/ProfileFormat.h"
#include "common/Text.h"

namespace Pelagix {

namespace ini {

namespace {

// Face names hold at most 31 characters and a NUL.
constexpr size_t kFaceNameChars = 31;

}  // namespace

void reportPrecondition(const char* what) { debugLog("Profile: precondition failed: %s", what); }

bool haveKeyAndSection(const char* key, const char* section) {
    if (key && section) return true;
    reportPrecondition(!key ? "key" : "section");
    return false;
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

}  // namespace ini

using namespace ini;

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

// operator= rewrites this file, so it is with the writer (ProfileWrite.cpp).

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

}  // namespace Pelagix
