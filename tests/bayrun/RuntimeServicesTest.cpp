// The runtime's services without the loader: borders, profiles, folders, file dialogs, version
// information.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QTimer>

#include <filesystem>

#include <sys/stat.h>

#include <cstdlib>
#include <vector>

#include "bayrun/BorderPolygon.h"
#include "bayrun/Environment.h"
#include "bayrun/FileDialog.h"
#include "bayrun/RuntimeProfile.h"
#include "bayrun/VersionInfo.h"
#include "common/Text.h"
#include "tests/TestSupport.h"

TEST(BorderPolygon, EvenOddRuleWithEdgesInside) {
    // A square with a square notch cut from its right side.
    BorderPolygon border;
    ASSERT_TRUE(border.loadText("# notched square\n0 0\n10 0\n10 4\n6 4\n6 6\n10 6\n10 10\n0 10\n"));
    struct Case {
        double x, y;
        bool inside;
    } cases[] = {
        {5, 5, true},   {8, 5, false},  {8, 2, true},   {0, 0, true},    {5, 0, true},   {10, 5, false},
        {6, 5, true},   {8, 4, true},   {-1, 5, false}, {11, 11, false}, {0, 10, true},  {5, 10.000001, false},
        {2, 4, true},   {2, 6, true},   {-1, 0, false}, {-1, 4, false},  // level with corners
    };
    for (const Case& c : cases) EXPECT_EQ(border.contains(c.x, c.y), c.inside) << c.x << " " << c.y;
}

TEST(BorderPolygon, RefusesBadFiles) {
    BorderPolygon border;
    EXPECT_FALSE(border.loadText("0 0\n1 1\n"));         // two corners
    EXPECT_FALSE(border.loadText("0 0\n1 x\n2 2\n3 3\n"));  // not a number
    EXPECT_FALSE(border.loadText("0 0 0\n1 0\n1 1\n"));   // three numbers on a line
    EXPECT_FALSE(border.load("/nonexistent/border.txt"));
    EXPECT_FALSE(border.contains(0, 0));
    TempFolder t;
    writeFile(t.file("b.txt"), "0 0\r\n4 0\r\n4 4\r\n");
    ASSERT_TRUE(border.load(t.file("b.txt")));
    EXPECT_TRUE(border.contains(3, 1));
    EXPECT_FALSE(border.contains(1, 3));
}

TEST(RuntimeProfile, WritesAndReadsTheSuitesIniFiles) {
    TempFolder t;
    const std::string path = t.file("p.ini");
    RuntimeProfile p(false);
    EXPECT_EQ(p.ReadInt("Geodesy", "Ver", 5), 5);  // not attached: defaults
    EXPECT_FALSE(p.WriteInt("Geodesy", "Ver", 1));
    ASSERT_TRUE(p.Create(toUtf16(path).c_str()));
    EXPECT_EQ(readFile(path), "\xEF\xBB\xBF\r\n");
    // A written double reads back exactly.
    const double values[] = {0.1, 1.0 / 3, 6378137.0, -0.3048006096, 1e-300};
    for (double v : values) {
        ASSERT_TRUE(p.WriteDouble("Geodesy", "D", v));
        EXPECT_EQ(p.ReadDouble("Geodesy", "D", 0), v);
    }
    ASSERT_TRUE(p.WriteStringW(u"Geodesy", u"Grid", u"Zone \u00e9"));
    char buf[64];
    EXPECT_EQ(p.ReadString(sizeof buf, buf, "Geodesy", "Grid", ""), 7);
    EXPECT_STREQ(buf, "Zone \xC3\xA9");
    EXPECT_EQ(p.ReadString(4, buf, "Geodesy", "Missing", "default"), 3);
    EXPECT_STREQ(buf, "def");
    ASSERT_TRUE(p.WriteBool("Geodesy", "B", true));
    EXPECT_TRUE(p.ReadBool("Geodesy", "B", false));
    EXPECT_TRUE(p.KeyExists("Geodesy", "B"));
    ASSERT_TRUE(p.DeleteKey("Geodesy", "B"));
    EXPECT_FALSE(p.KeyExists("Geodesy", "B"));
    ASSERT_TRUE(p.WriteString("Other", "K", "v"));
    ASSERT_TRUE(p.EraseSectionW(u"Geodesy"));
    EXPECT_FALSE(p.KeyExists("Geodesy", "Grid"));
    EXPECT_TRUE(p.KeyExists("Other", "K"));
    EXPECT_TRUE(p.EraseSectionW(u"Geodesy"));  // already gone
    // A section of another profile replaces this one's whole, the rest of the file kept.
    RuntimeProfile staged(false);
    ASSERT_TRUE(staged.Open(t.file("staged.ini").c_str()));
    EXPECT_FALSE(p.ReplaceSection("Geodesy", &staged));  // it has none
    ASSERT_TRUE(staged.WriteInt("Geodesy", "Ver", 7));
    ASSERT_TRUE(p.ReplaceSection("Geodesy", &staged));
    EXPECT_EQ(readFile(path), "\xEF\xBB\xBF\r\n[Other]\r\nK=v\r\n[Geodesy]\r\nVer=7\r\n");
    std::filesystem::remove(t.file("staged.ini"));

    // Creating through a link makes the file it names a new profile and the link stays; an
    // existing file keeps its mode; anything but a regular file or nothing is refused and stays
    // as it is; no temporary file is left.
    const std::string named = t.file("named.cgeo"), link = t.file("grid.cgeo"), pipe = t.file("pipe.ini");
    writeFile(named, "[Old]\r\nA=1\r\n");
    std::filesystem::create_symlink("named.cgeo", link);
    ASSERT_TRUE(p.Create(toUtf16(link).c_str()));
    EXPECT_EQ(readFile(named), "\xEF\xBB\xBF\r\n");
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    std::filesystem::permissions(path, std::filesystem::perms(0600));
    ASSERT_TRUE(p.Create(toUtf16(path).c_str()));
    EXPECT_EQ(std::filesystem::status(path).permissions(), std::filesystem::perms(0600));
    ASSERT_EQ(mkfifo(pipe.c_str(), 0644), 0);
    EXPECT_FALSE(p.Create(toUtf16(pipe).c_str()));
    EXPECT_TRUE(std::filesystem::is_fifo(pipe));
    EXPECT_EQ(p.path(), path);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(t.path()), std::filesystem::directory_iterator()), 4);
}

namespace {
struct ScopedEnv {
    ScopedEnv(const char* n, const std::string& v) : name(n) {
        if (const char* o = std::getenv(n)) old = o, had = true;
        setenv(n, v.c_str(), 1);
    }
    ~ScopedEnv() {
        if (had)
            setenv(name, old.c_str(), 1);
        else
            unsetenv(name);
    }
    const char* name;
    std::string old;
    bool had = false;
};
}  // namespace

TEST(Environment, FoldersAndProfilesFollowTheSuiteFolder) {
    TempFolder t;
    const std::string suite = t.file("suite");
    const std::string config = t.file("config");
    ScopedEnv s("KVT_PELAGIX", suite);
    ScopedEnv c("XDG_CONFIG_HOME", config);
    Environment env;
    EXPECT_EQ(std::string(env.GetFolderA(kBayrunFolderDataRoot, 0)), suite);
    EXPECT_EQ(std::string(env.GetFolderA(kBayrunFolderDataRoot, 1)), suite + "/");
    EXPECT_EQ(std::string(env.GetFolderA(kBayrunFolderWorking, 1)), config + "/pelagix/");
    EXPECT_EQ(std::string(env.GetFolderA(99, 1)), "");
    char16_t small[6];
    EXPECT_EQ(std::u16string(env.GetFolderW(small, 6, kBayrunFolderDataRoot)), toUtf16(suite.substr(0, 5)));
    EXPECT_EQ(std::u16string(env.GetFolderW(nullptr, 0, kBayrunFolderDataRoot)), toUtf16(suite));

    // Profile 20 is the last project's parameter file, and follows a change of the project.
    ::mkdir(suite.c_str(), 0777);
    writeFile(suite + "/pelagix.ini", "\xEF\xBB\xBF\r\n[General]\r\nLastProject=Bay\r\n");
    IBayrunProfile* geodesy = env.GetProfile(kBayrunProfileGeodesy);
    ASSERT_NE(geodesy, nullptr);
    EXPECT_EQ(static_cast<RuntimeProfile*>(geodesy)->path(), suite + "/Projects/Bay/Bay.ini");
    EXPECT_EQ(std::string(env.GetFolderA(kBayrunFolderProject, 0)), suite + "/Projects/Bay");
    writeFile(suite + "/pelagix.ini", "\xEF\xBB\xBF\r\n[General]\r\nLastProject=C:\\Jobs\\Dock.ini\r\n");
    EXPECT_EQ(env.GetProfile(kBayrunProfileGeodesy), geodesy);
    EXPECT_EQ(static_cast<RuntimeProfile*>(geodesy)->path(), "C:\\Jobs\\Dock.ini");
    IBayrunProfile* settings = env.GetProfile(kBayrunProfileSettings);
    ASSERT_NE(settings, nullptr);
    EXPECT_EQ(static_cast<RuntimeProfile*>(settings)->path(), config + "/pelagix/Corvane.ini");
    EXPECT_EQ(env.GetProfile(21), nullptr);
}

// Without a suite folder there is no project: nothing is looked for at the file system's root.
TEST(Environment, NoSuiteFolderNoProject) {
    ScopedEnv s("KVT_PELAGIX", "");
    Environment env;
    EXPECT_STREQ(env.GetFolderA(kBayrunFolderDataRoot, 1), "");
    EXPECT_STREQ(env.GetFolderA(kBayrunFolderProject, 1), "");
}

TEST(FileDialog, ScriptedAnswersAndTheRequestLog) {
    TempFolder t;
    ScopedEnv answers("BAYRUN_FILE_DIALOG_ANSWERS", "/a/first.lls\n\n/b/third.geo");
    ScopedEnv log("BAYRUN_FILE_DIALOG_LOG", t.file("log"));
    FileDialog dialog;
    char16_t path[64] = u"/start.lls";
    ASSERT_TRUE(dialog.OpenFile(nullptr, u"/suite/datum", u"Shift (*.lls)|*.lls|", u"Pick", u"lls", path, 64));
    EXPECT_EQ(std::u16string(path), u"/a/first.lls");
    EXPECT_FALSE(dialog.OpenFile(nullptr, u"", u"", u"Second", u"", path, 64));  // empty line: cancelled
    char16_t small[5] = {};
    ASSERT_TRUE(dialog.SaveFile(nullptr, u"", u"", u"Third", u"geo", small, 5));
    EXPECT_EQ(std::u16string(small), u"/b/t");
    EXPECT_FALSE(dialog.OpenFile(nullptr, u"", u"", u"Fourth", u"", path, 64));  // no answers left
    EXPECT_EQ(readFile(t.file("log")),
              "Pick\t/suite/datum\t/start.lls\tShift (*.lls)|*.lls|\tlls\n"
              "Second\t\t/a/first.lls\t\t\nThird\t\t\t\tgeo\nFourth\t\t/a/first.lls\t\t\n");
}

TEST(FileDialog, TheRealDialogSavesAndOpens) {
    unsetenv("BAYRUN_FILE_DIALOG_ANSWERS");
    int argc = 1;
    char program[] = "test_bayrun";
    char* argv[] = {program, nullptr};
    QApplication app(argc, argv);
    TempFolder t;
    writeFile(t.file("west.brd"), "0 0\n");
    struct Shown {
        QFileDialog::AcceptMode accept;
        QFileDialog::FileMode mode;
        QString title, suffix, filter;
    };
    std::vector<Shown> shown;
    // Notes the dialog and ends it: a dialog for opening takes the existing border file, one for
    // saving is cancelled (it would ask before overwriting).
    QTimer answer;
    answer.setInterval(5);
    QObject::connect(&answer, &QTimer::timeout, [&] {
        auto* d = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!d) return;
        shown.push_back({d->acceptMode(), d->fileMode(), d->windowTitle(), d->defaultSuffix(), d->selectedNameFilter()});
        if (d->acceptMode() == QFileDialog::AcceptOpen) {
            d->selectFile(QString::fromStdString(t.file("west.brd")));
            static_cast<QDialog*>(d)->accept();  // public in QDialog
        }
        if (d->isVisible()) d->reject();
    });
    answer.start();
    FileDialog dialog;
    const std::u16string folder = toUtf16(t.path());
    char16_t path[256] = {};
    EXPECT_FALSE(dialog.SaveFile(nullptr, folder.c_str(), u"XYZ Files (*.xyz)|*.xyz|", u"Save XYZ File", u"xyz", path, 256));
    ASSERT_TRUE(dialog.OpenFile(nullptr, folder.c_str(), u"Border Files (*.brd)|*.brd|", u"Select Border File", u"brd",
                                path, 256));
    EXPECT_EQ(toUtf8(path), t.file("west.brd"));
    ASSERT_EQ(shown.size(), 2u);
    // Saving takes a new name; opening only a file that exists.
    EXPECT_EQ(shown[0].accept, QFileDialog::AcceptSave);
    EXPECT_EQ(shown[0].mode, QFileDialog::AnyFile);
    EXPECT_EQ(shown[0].title, "Save XYZ File");
    EXPECT_EQ(shown[0].suffix, "xyz");
    EXPECT_EQ(shown[0].filter, "XYZ Files (*.xyz)");
    EXPECT_EQ(shown[1].accept, QFileDialog::AcceptOpen);
    EXPECT_EQ(shown[1].mode, QFileDialog::ExistingFile);
    EXPECT_EQ(shown[1].title, "Select Border File");
}

TEST(FileDialog, FiltersBecomeQtNameFilters) {
    EXPECT_EQ(qtNameFilter(u"Custom Grid (*.cgeo)|*.cgeo|"), u"Custom Grid (*.cgeo)");
    EXPECT_EQ(qtNameFilter(u"KTD Files (*.ktd)|*.ktd|All Files (*.*)|*.*|"), u"KTD Files (*.ktd);;All Files (*.*)");
    EXPECT_EQ(qtNameFilter(u"Grids|*.gsb;*.lls|"), u"Grids (*.gsb *.lls)");
    EXPECT_EQ(qtNameFilter(u""), u"");
}

TEST(VersionInfo, KnowsTheSuitesOwnFiles) {
    VersionInfo info;
    char16_t buf[64] = u"untouched";
    ASSERT_TRUE(info.Load(u"/opt/suite/Corvane.exe"));
    ASSERT_TRUE(info.GetValue(buf, 64, u"FileVersion"));
    EXPECT_EQ(std::u16string(buf).rfind(u"20.1.", 0), 0u);
    // A shorter buffer takes the value's beginning and the terminator, nothing beyond them.
    char16_t cut[] = u"xxxxx";
    ASSERT_TRUE(info.GetValue(cut, 4, u"FileVersion"));
    EXPECT_EQ(std::u16string(cut, 5), std::u16string(u"20.\0x", 5));
    ASSERT_TRUE(info.GetValue(buf, 64, u"LegalCopyright"));
    EXPECT_FALSE(std::u16string(buf).empty());
    EXPECT_TRUE(info.Load(u"C:\\Pelagix\\Tellus32.dll"));
    EXPECT_TRUE(info.Load(u"/build/geodesy/libTellus64.so"));
    std::u16string before = buf;
    EXPECT_FALSE(info.GetValue(buf, 64, u"NoSuchKey"));
    EXPECT_EQ(std::u16string(buf), before);
    EXPECT_FALSE(info.Load(u"/usr/bin/other"));
    EXPECT_FALSE(info.GetValue(buf, 64, u"FileVersion"));
}
