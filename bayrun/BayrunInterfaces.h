// The runtime Bayrun as its clients see it: service interfaces handed out by the one export
// `bayrun_getintf`, each named by a GUID. Interfaces are abstract classes whose methods stand in
// their slot order (the slot number is given with each); slots the suite does not use are not
// declared. Wide text is UTF-16 (char16_t), narrow text UTF-8.
//
// Ownership: the held services (strings, environment, angles, notify) and the profiles from
// IBayrunEnvironment::GetProfile belong to the runtime and live as long as it is loaded. Every
// other object from `bayrun_getintf` is new and belongs to the caller, who ends it with Release
// (file dialogs have no Release: the runtime keeps them until it is unloaded).
//
// Everything runs on the window framework's main thread.
#pragma once

#include <cstdint>

struct BayrunGuid {
    uint32_t data1;
    uint16_t data2;
    uint16_t data3;
    uint8_t data4[8];
};

constexpr bool operator==(const BayrunGuid& a, const BayrunGuid& b) {
    if (a.data1 != b.data1 || a.data2 != b.data2 || a.data3 != b.data3) return false;
    for (int i = 0; i < 8; ++i)
        if (a.data4[i] != b.data4[i]) return false;
    return true;
}

// {F08E1777-6964-4114-9CDF-304451404DBF}
inline constexpr BayrunGuid IID_IBayrunStrings = {0xF08E1777, 0x6964, 0x4114, {0x9C, 0xDF, 0x30, 0x44, 0x51, 0x40, 0x4D, 0xBF}};
// {1DA79D59-31DA-4253-A052-74B796309CA8}
inline constexpr BayrunGuid IID_IBayrunEnvironment = {0x1DA79D59, 0x31DA, 0x4253, {0xA0, 0x52, 0x74, 0xB7, 0x96, 0x30, 0x9C, 0xA8}};
// {72479219-97ED-43E7-9531-8D6DA400008F}
inline constexpr BayrunGuid IID_IBayrunAngles = {0x72479219, 0x97ED, 0x43E7, {0x95, 0x31, 0x8D, 0x6D, 0xA4, 0x00, 0x00, 0x8F}};
// {C46A0E40-CE74-11D4-9D64-CA9338DA9F78}
inline constexpr BayrunGuid IID_IBayrunNotify = {0xC46A0E40, 0xCE74, 0x11D4, {0x9D, 0x64, 0xCA, 0x93, 0x38, 0xDA, 0x9F, 0x78}};
// {F4492CB3-F6E2-4591-BD4F-83439F06AC8C}
inline constexpr BayrunGuid IID_IBayrunProfile = {0xF4492CB3, 0xF6E2, 0x4591, {0xBD, 0x4F, 0x83, 0x43, 0x9F, 0x06, 0xAC, 0x8C}};
// {CA0B8A2A-EAE8-4C9E-A8E3-8E0D3EB0075D}
inline constexpr BayrunGuid IID_IBayrunFileDialog = {0xCA0B8A2A, 0xEAE8, 0x4C9E, {0xA8, 0xE3, 0x8E, 0x0D, 0x3E, 0xB0, 0x07, 0x5D}};
// {F452585D-5296-4982-A780-A74549E62912}
inline constexpr BayrunGuid IID_IBayrunVersionInfo = {0xF452585D, 0x5296, 0x4982, {0xA7, 0x80, 0xA7, 0x45, 0x49, 0xE6, 0x29, 0x12}};
// {63786B5D-85A0-4AE2-A02E-4A5BBA1DB7A1}
inline constexpr BayrunGuid IID_IBayrunBorderLoader = {0x63786B5D, 0x85A0, 0x4AE2, {0xA0, 0x2E, 0x4A, 0x5B, 0xBA, 0x1D, 0xB7, 0xA1}};
// {37B1CF78-6D73-4E3E-806B-E5613E03B7FF}
inline constexpr BayrunGuid IID_IBayrunBorder = {0x37B1CF78, 0x6D73, 0x4E3E, {0x80, 0x6B, 0xE5, 0x61, 0x3E, 0x03, 0xB7, 0xFF}};

// A module's string table: the texts of its string ids, UTF-8, sorted by id. A module handle
// given to IBayrunStrings::LoadString points at one of these.
struct BayrunStringEntry {
    int id;
    const char* text;
};
struct BayrunStringModule {
    const BayrunStringEntry* entries;
    int count;
};

// Folder ids of IBayrunEnvironment.
enum BayrunFolder : int {
    kBayrunFolderProject = 0,    // the current project's folder (a dialog start folder)
    kBayrunFolderDialogData = 3, // the data root (a dialog start folder)
    kBayrunFolderDataRoot = 16,  // the suite's program folder: datum/, Projects/, pelagix.ini
    kBayrunFolderWorking = 18,   // a writable per-user folder (temporary files, settings)
    kBayrunFolderSettings = 20,  // where the angle service keeps its settings (the working folder)
};

// Profile ids of IBayrunEnvironment::GetProfile.
enum BayrunProfileId : int {
    kBayrunProfileGeodesy = 20,  // the current project's geodesy parameter file
    kBayrunProfileSettings = 25, // the editor's own settings file
};

// Degree formats of IBayrunAngles::SetFormat.
enum BayrunDegreeFormat : int {
    kBayrunDecimalDegrees = 0,
    kBayrunDegreesMinutes = 1,
    kBayrunDegreesMinutesSeconds = 2,
    kBayrunNoFormatSetting = 3,  // no stored setting: degrees, minutes and seconds
};

// The text FormatLatitude and FormatLongitude give for an angle no format can show (NaN, an
// infinity, or a magnitude beyond a million degrees). The parse functions refuse it.
inline constexpr char16_t kBayrunInvalidAngle[] = u"invalid";

class IBayrunStrings {
public:
    // 13: the text of a string id of `module` (a BayrunStringModule); an empty text for an id the
    // module lacks. The text belongs to the runtime and stays valid while it is loaded.
    virtual const char16_t* LoadString(const void* module, int id) = 0;

protected:
    ~IBayrunStrings() = default;
};

class IBayrunProfile;

class IBayrunEnvironment {
public:
    // 4: a folder as narrow text, with a trailing '/' when `trailingSeparator` is not 0; empty
    // for an unknown id. Valid until the next call.
    virtual const char* GetFolderA(int id, int trailingSeparator) = 0;
    // 9: opens a help file of the data root with the desktop's handler, or tells the user that
    // help is not available. False when it could not be opened.
    virtual bool ShowHelp(void* window, const char* file, int command) = 0;
    // 16: a profile of the runtime (BayrunProfileId), null for an unknown id.
    virtual IBayrunProfile* GetProfile(int id) = 0;
    // 23: a folder as wide text without a trailing separator. With a buffer, copied into it
    // (cut to size - 1 characters) and the buffer returned; with a null buffer the runtime's own
    // text is returned, valid until the next call.
    virtual const char16_t* GetFolderW(char16_t* buffer, int size, int id) = 0;

protected:
    ~IBayrunEnvironment() = default;
};

class IBayrunAngles {
public:
    // 22: the degree format of the next format calls (BayrunDegreeFormat).
    virtual void SetFormat(int format) = 0;
    // 30: the folder of the service's settings.
    virtual void Init(const char16_t* folder) = 0;
    // 34, 35: the angle in degrees as text with its hemisphere letter, or kBayrunInvalidAngle,
    // cut to size - 1 characters. Returns the buffer.
    virtual const char16_t* FormatLatitude(char16_t* buffer, int size, double degrees) = 0;
    virtual const char16_t* FormatLongitude(char16_t* buffer, int size, double degrees) = 0;
    // 36, 37: reads any of the three formats, or a signed decimal number; false (and `degrees`
    // untouched) for a text that is none of them or lies outside the angle's range.
    virtual bool ParseLatitude(const char16_t* text, double* degrees) = 0;
    virtual bool ParseLongitude(const char16_t* text, double* degrees) = 0;

protected:
    ~IBayrunAngles() = default;
};

class IBayrunNotify {
public:
    // 8: tells the suite about an event of a program; the result is the suite's.
    virtual int Notify(int code, intptr_t parameter) = 0;

protected:
    ~IBayrunNotify() = default;
};

// An INI file. Section and key names are narrow unless the method ends in W.
class IBayrunProfile {
public:
    // 3: ends an object from bayrun_getintf (the environment's profiles ignore it).
    virtual void Release() = 0;
    // 4: attaches the object to an existing or new file; false when the path is empty.
    virtual bool Open(const char* path) = 0;
    // 5: the value, or `def`, cut to size - 1 bytes; returns its length.
    virtual int ReadString(int size, char* buffer, const char* section, const char* key, const char* def) = 0;
    // 6: false when the value could not be written.
    virtual bool WriteString(const char* section, const char* key, const char* value) = 0;
    // 7, 8
    virtual int ReadInt(const char* section, const char* key, int def) = 0;
    virtual bool WriteInt(const char* section, const char* key, int value) = 0;
    // 9, 10
    virtual bool ReadBool(const char* section, const char* key, bool def) = 0;
    virtual bool WriteBool(const char* section, const char* key, bool value) = 0;
    // 11, 12: numbers in the C locale; a written double reads back exactly.
    virtual double ReadDouble(const char* section, const char* key, double def) = 0;
    virtual bool WriteDouble(const char* section, const char* key, double value) = 0;
    // 14
    virtual bool DeleteKey(const char* section, const char* key) = 0;
    // 17: attaches the object to a new empty file at the path (an existing one is emptied).
    virtual bool Create(const char16_t* path) = 0;
    // 19
    virtual bool WriteStringW(const char16_t* section, const char16_t* key, const char16_t* value) = 0;
    // 26
    virtual bool EraseSectionW(const char16_t* section) = 0;
    // 32: the key is present with a value.
    virtual bool KeyExists(const char* section, const char* key) = 0;
    // 33: puts the section of `from` (a profile of this runtime) in the place of this file's
    // section of that name, or appends it, in one rewrite: readers and a failure see the old
    // file or the new one, never a mix. False, and the file as it was, when `from` has no such
    // section or the file cannot be written.
    virtual bool ReplaceSection(const char* section, IBayrunProfile* from) = 0;

protected:
    ~IBayrunProfile() = default;
};

class IBayrunFileDialog {
public:
    // 6, 8: a modal file dialog owned by `window` (a QWidget, may be null). `filter` is
    // "Description|*.ext|..."; `path` holds the initial path on entry and the chosen one on
    // return (cut to size - 1 characters). True when a file was chosen.
    virtual bool OpenFile(void* window, const char16_t* startFolder, const char16_t* filter, const char16_t* title,
                          const char16_t* defaultExtension, char16_t* path, int size) = 0;
    virtual bool SaveFile(void* window, const char16_t* startFolder, const char16_t* filter, const char16_t* title,
                          const char16_t* defaultExtension, char16_t* path, int size) = 0;

protected:
    ~IBayrunFileDialog() = default;
};

class IBayrunVersionInfo {
public:
    // 3
    virtual void Release() = 0;
    // 5: the version information of a file of the suite (the editor or the geodesy library);
    // false for any other file.
    virtual bool Load(const char16_t* path) = 0;
    // 7: the value of a key ("FileVersion", "ProductVersion", "LegalCopyright",
    // "LegalTrademarks", ...) into the buffer (cut to size - 1 characters); false and the buffer
    // untouched when it is not known.
    virtual bool GetValue(char16_t* buffer, int size, const char16_t* key) = 0;

protected:
    ~IBayrunVersionInfo() = default;
};

class IBayrunBorder {
public:
    // 5: the point lies inside the polygon or on its edge (even-odd rule).
    virtual bool Contains(double x, double y) = 0;

protected:
    ~IBayrunBorder() = default;
};

// A loaded border file.
class IBayrunBorderObject {
public:
    // 0: the object's IBayrunBorder for IID_IBayrunBorder; false and null for any other id.
    virtual bool QueryInterface(const BayrunGuid* id, void** out) = 0;
    // 3: ends the object and its border.
    virtual void Release() = 0;

protected:
    ~IBayrunBorderObject() = default;
};

class IBayrunBorderLoader {
public:
    // 3
    virtual void Release() = 0;
    // 5: reads a border file (one "x y" pair a line, the polygon's corners in order); false and
    // null for a file that cannot be read or holds fewer than three corners.
    virtual bool Load(const char* path, IBayrunBorderObject** out) = 0;

protected:
    ~IBayrunBorderLoader() = default;
};

// The export: 1 and the interface in *out for a known id, 0 and null otherwise.
extern "C" {
using BayrunGetIntf = int (*)(const BayrunGuid* id, void** out);
}
inline constexpr char kBayrunGetIntfName[] = "bayrun_getintf";
inline constexpr char kBayrunLibraryName[] = "libbayrun.so";
