// The About dialog: its captions, the version values it asks the runtime for, and the date of
// the newest history entry of the predefined-parameter database.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <map>
#include <string>
#include <vector>

#include "bayrun/BayrunInterfaces.h"
#include "common/Database.h"
#include "common/Text.h"
#include "editor/Bayrun.h"
#include "editor/TAboutDlg.h"
#include "tests/TestSupport.h"

namespace {

// SQLite's flag that creates a missing database file.
constexpr int kCreate = 4;

// Version values by file name; keys it lacks are left unanswered, as the runtime does.
class FakeVersionInfo final : public IBayrunVersionInfo {
public:
    std::map<std::string, std::map<std::u16string, std::u16string>> files;
    std::vector<std::string> loaded;

    void Release() override {}
    bool Load(const char16_t* path) override {
        loaded.push_back(toUtf8(path));
        const std::string name = loaded.back().substr(loaded.back().rfind('/') + 1);
        current = files.count(name) ? &files[name] : nullptr;
        return current != nullptr;
    }
    bool GetValue(char16_t* buffer, int size, const char16_t* key) override {
        if (!current || !current->count(key)) return false;
        const std::u16string& v = current->at(key);
        const size_t n = std::min(v.size(), size_t(size - 1));
        v.copy(buffer, n);
        buffer[n] = u'\0';
        return true;
    }

private:
    std::map<std::u16string, std::u16string>* current = nullptr;
};

QString text(TAboutDlg& dialog, const char* name) {
    if (auto* edit = dialog.findChild<QLineEdit*>(name)) return edit->text();
    if (auto* label = dialog.findChild<QLabel*>(name)) return label->text();
    return dialog.findChild<QPushButton*>(name)->text();
}

TEST(AboutDialog, CaptionsFromTheStringTable) {
    TAboutDlg dialog(nullptr);
    EXPECT_EQ(text(dialog, "Label6"), "Verevuzu Deradazavo");
    EXPECT_EQ(text(dialog, "Label1"), "File Version");
    EXPECT_EQ(text(dialog, "btnOk"), "OK");
    EXPECT_EQ(text(dialog, "lblEpsg"), "EPSG data © IOGP, used under the EPSG dataset's terms of use");
    EXPECT_EQ(dialog.windowTitle(), "About Verevuzu Deradazavo");
}

TEST(AboutDialog, VersionsOfTheEditorAndTheLibrary) {
    FakeVersionInfo info;
    info.files["corvane"] = {{u"FileVersion", u"20.1.0.7"},
                             {u"ProductVersion", u"20.1"},
                             {u"LegalCopyright", u"Copyright PELAGIX"},
                             {u"LegalTrademarks", u"Corvane is a trademark"}};
    info.files["libTellus64.so"] = {{u"FileVersion", u"2001.3"}, {u"ProductVersion", u"9"}};
    TAboutDlg dialog(nullptr);
    dialog.ShowVersions(&info, u"/suite");
    EXPECT_EQ(info.loaded, (std::vector<std::string>{"/suite/corvane", "/suite/libTellus64.so"}));
    EXPECT_EQ(text(dialog, "edFvers"), "20.1.0.7");
    EXPECT_EQ(text(dialog, "edPvers"), "20.1");
    EXPECT_EQ(text(dialog, "lblLegal"), "Copyright PELAGIX\nCorvane is a trademark");
    EXPECT_EQ(text(dialog, "edGvers"), "2001.3");
}

TEST(AboutDialog, VersionsFromTheRuntime) {
    auto* info = bayrun::make<IBayrunVersionInfo>(IID_IBayrunVersionInfo);
    ASSERT_NE(info, nullptr);
    TAboutDlg dialog(nullptr);
    dialog.ShowVersions(info, toUtf16("/anywhere"));
    info->Release();
    EXPECT_FALSE(text(dialog, "edFvers").isEmpty());
    EXPECT_FALSE(text(dialog, "edGvers").isEmpty());
    EXPECT_TRUE(text(dialog, "lblLegal").contains('\n'));
}

TEST(AboutDialog, NewestHistoryEntryInTextOrder) {
    TempFolder folder;
    Database db(folder.file("history.db"), Database::kReadWrite | kCreate);
    db.exec("CREATE TABLE gp_history (id INTEGER PRIMARY KEY, created_at TEXT);").release();
    TAboutDlg dialog(nullptr);
    dialog.ShowGridsCompiled(db);
    EXPECT_EQ(text(dialog, "edGrids"), "");  // no row, no date

    db.exec("INSERT INTO gp_history (created_at) VALUES ('2019-03-01 08:00:00'), ('2021-11-30'),"
            " ('2020-12-31 23:59:59');")
        .release();
    dialog.ShowGridsCompiled(db);
    EXPECT_EQ(text(dialog, "edGrids"), "2021-11-30");

    // The error value is thrown to the caller, who takes its code.
    db.exec("DROP TABLE gp_history;").release();
    int code = 0;
    try {
        dialog.ShowGridsCompiled(db);
    } catch (erc& e) {
        code = e.release();
    }
    EXPECT_NE(code, 0);
}

}  // namespace
