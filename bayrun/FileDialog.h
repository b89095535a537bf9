// IBayrunFileDialog: QFileDialog, or scripted answers for tests and unattended runs.
//
// Scripted mode: when the environment variable BAYRUN_FILE_DIALOG_ANSWERS is set, no dialog is
// shown; each call takes the first line of its value as the chosen path and removes that line
// (an empty line, or an empty value, is a cancelled dialog). When BAYRUN_FILE_DIALOG_LOG names a
// file, each call appends one line "title<TAB>start folder<TAB>initial path<TAB>filter<TAB>extension".
#pragma once

#include <string>

#include "bayrun/BayrunInterfaces.h"

class FileDialog final : public IBayrunFileDialog {
public:
    bool OpenFile(void* window, const char16_t* startFolder, const char16_t* filter, const char16_t* title,
                  const char16_t* defaultExtension, char16_t* path, int size) override;
    bool SaveFile(void* window, const char16_t* startFolder, const char16_t* filter, const char16_t* title,
                  const char16_t* defaultExtension, char16_t* path, int size) override;
};

// "Desc|*.x|Desc2|*.y;*.z|" as Qt's name filter "Desc (*.x);;Desc2 (*.y *.z)"; a description
// that already ends in its pattern in parentheses is kept as it is.
std::u16string qtNameFilter(const std::u16string& filter);
