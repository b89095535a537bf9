// What the files of the main window share: the parameter file's section, the settings, window
// sizes, string ids and small text, database and profile helpers. Internal to the editor.
#pragma once

#include <QMessageBox>
#include <QString>

#include <algorithm>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/Query.h"
#include "common/erc.h"
#include "editor/Bayrun.h"
#include "editor/NumberText.h"
#include "editor/TmainFrm.h"

namespace mainform {

constexpr char kSection[] = "Geodesy";
constexpr char16_t kSectionW[] = u"Geodesy";
constexpr char kSettingsSection[] = "Corvane";
constexpr char kDegFormatKey[] = "DegFormat";
constexpr char kDatabaseFile[] = "datum/corvane.db";
constexpr char kDatumFolder[] = "datum";
constexpr char kCustomGridExtension[] = ".cgeo";
constexpr char kHelpFile[] = "PelagixHelp.chm";
constexpr int kHelpCommand = 34;
constexpr int kStartedNotification = 97;

// Ellipsoid id of WGS 84: no datum transformation applies to it.
constexpr int kWgs84EllipsoidId = 36;
// Defaults of a parameter file without the keys: the WGS 84 axis and inverse flattening.
constexpr double kDefaultSemiMajorAxis = 6378137.0;
constexpr double kDefaultInverseFlattening = 298.257223563;

// Digits a number field shows at least (-100000.0000); a longer value widens its field.
constexpr int kNumberFieldDigits = 12;
// Characters a list shows at least.
constexpr int kListCharacters = 16;
// A line edit's frame and inner margins, both sides.
constexpr int kFieldFrame = 8;

// Longest value read from a parameter file (a line of an INI file holds at most 1022 bytes).
constexpr int kValueBuffer = 1024;
// Wide path buffers of the file dialogs.
constexpr int kPathBuffer = 4096;
// Angle text buffers.
constexpr int kAngleBuffer = 64;

// String ids.
enum : int {
    kMsgMissingVDatum = 1,
    kMsgMissingGeoid = 2,
    kMsgMissingKtd = 3,
    kCustomGridFilter = 4,
    kKtdTitle = 5,
    kAllFilesFilter = 1138,
    kCaption = 1841,
    kKtdFilter = 1995,
    kUserDefined = 2998,
    kChartDatumLevel = 4381,
    kGeoidFilter = 5384,
    kGeoidTitle = 5385,
    kDatumShiftFilter = 5386,
    kDatumShiftTitle = 5387,
    kSameAsHorizontal = 5378,
    kDatumShiftRefused = 5381,
    kHeightOfGeoid = 8118,
    kHeightOfEllipsoid = 10715,
    kSaveCustomGridTitle = 10771,
};

// The RTK methods that take a geoid model, and those that take a KTD table.
inline bool usesGeoid(int rtkMode) { return rtkMode == 2 || rtkMode == 3 || rtkMode == 4; }
inline bool usesKtd(int rtkMode) { return rtkMode == 1 || rtkMode == 2; }
// Characters of a name or path a message shows: a box stays narrower than a 1024-pixel screen.
constexpr int kLongestNameShown = 80;
// A name or path cut in its middle to at most `length` characters.
QString elided(const QString& text, int length = kLongestNameShown);
// The text after the last '\' or '/' of a stored value or path.
std::string fileNameOf(const std::string& path);
// A file name without its extension (up to its last '.').
std::string withoutExtension(const std::string& name);
// A datum-shift file's name as stored: ".lls" added to a name without an extension.
std::string datumShiftFileName(const std::string& name);
// A text value of the parameter file's section (`def` when the key is missing).
std::string readText(IBayrunProfile* profile, const char* key, const char* def);

using OwnedProfile = bayrun::Owned<IBayrunProfile>;

// A new profile of the runtime; throws when the runtime cannot provide one.
OwnedProfile newProfile();

// Puts a whole new section "Geodesy" into `target` at once: `write` fills a file of its own in
// the working folder, which then replaces the target's section in one rewrite, so that a failure
// at any step (a full disk, a quota, a kill) leaves the target as it was. Throws on failure.
// `targetPath` names the target in a failure's message.
void replaceSection(IBayrunProfile* target, const std::function<void(IBayrunProfile*)>& write,
                    const std::string& targetPath);
// Why a file could not be written at `path`, as far as the file system tells: its folder is
// missing, the file or its folder may not be written, or the last error seen.
std::string writeFailureReason(const std::string& path, int lastError);
// "The parameter file <path> could not be written: <reason>."
std::string writeFailure(const std::string& path, int lastError);

}  // namespace mainform

// Runs a handler's work; a failure becomes a message box, never an exception in the loop.
template <typename Work>
void TmainFrm::guarded(Work&& work) {
    try {
        work();
    } catch (const ConversionError& e) {
        reportFailure(e.text());
        focusField(e.field());
    } catch (...) {
        reportFailure(failureText());
    }
}
