// The main window's doors to the dialogs: each is shown modally, and only OK hands its result to
// the form.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

#include <sstream>
#include <string>
#include <vector>

#include "common/Database.h"
#include "common/Query.h"
#include "editor/TAboutDlg.h"
#include "editor/TLocalGridDlg.h"
#include "editor/TTimeVarDlg.h"
#include "editor/TVDatum2XYZDlg.h"
#include "editor/TmainFrm.h"
#include "tests/TestSupport.h"
#include "tests/editor/DialogTestSupport.h"
#include "tests/editor/EditorTestSupport.h"
#include "tools/GridFileWriter.h"

namespace {

// Number text of a line of the export: "x y z".
std::vector<double> numbers(const std::string& line) {
    std::istringstream in(line);
    in.imbue(std::locale::classic());
    std::vector<double> v;
    for (double d; in >> d;) v.push_back(d);
    return v;
}

class MainFormDialogs : public testing::Test {
protected:
    MainFormDialogs() { form.FormCreate(); }
    TmainFrm form;
};

template <typename Dialog>
void setText(Dialog* d, const char* name, const char* text) {
    d->template findChild<QLineEdit*>(name)->setText(text);
}
template <typename Dialog>
void click(Dialog* d, const char* name) {
    d->template findChild<QPushButton*>(name)->click();
}

TEST_F(MainFormDialogs, TimeVariableParametersReachTheFormOnlyOnOk) {
    ASSERT_FALSE(form.terminateRequested());
    form.dx = 11.0;
    {
        DialogAnswer<TTimeVarDlg> cancel([](TTimeVarDlg* d) { click(d, "btnCancel"); });
        form.TimeVariableTransformations1Click();
        EXPECT_TRUE(cancel.done());
    }
    EXPECT_EQ(form.dx, 11.0);

    DialogAnswer<TTimeVarDlg> ok([](TTimeVarDlg* d) {
        d->findChild<QComboBox*>("target")->setCurrentIndex(TTimeVarDlg::GDA94);
        d->findChild<QComboBox*>("year")->setEditText("2010.0");
        click(d, "btnCompute");
        click(d, "btnOk");
    });
    form.TimeVariableTransformations1Click();
    ASSERT_TRUE(ok.done());
    // The dialog's edits, as shown: (-84.68 + 1.42 x 16) x 0.001 m to 0.1 mm.
    EXPECT_EQ(form.dx, -0.062);
    EXPECT_EQ(form.drz, 0.020883);
}

TEST_F(MainFormDialogs, LocalGridDialogEditsTheFormsRecord) {
    form.localGrid = {0x20001, 1.0, 2.0, 0.0, 1.0, 3.0, 4.0};
    DialogAnswer<TLocalGridDlg> ok([](TLocalGridDlg* d) {
        setText(d, "worldx", "1500.25");
        click(d, "btnOk");
    });
    form.btnLocalGridClick();
    ASSERT_TRUE(ok.done());
    EXPECT_EQ(form.localGrid.OrigX, 1500.25);
    EXPECT_EQ(form.localGrid.AdjustType, 0x20001);

    DialogAnswer<TLocalGridDlg> cancel([](TLocalGridDlg* d) {
        setText(d, "worldx", "-7");
        click(d, "btnCancel");
    });
    form.btnLocalGridClick();
    ASSERT_TRUE(cancel.done());
    EXPECT_EQ(form.localGrid.OrigX, 1500.25);
}

TEST_F(MainFormDialogs, AboutShowsWhenThePredefinedGridsWereCompiled) {
    Query newest(form.database, "SELECT max(created_at) FROM gp_history;");
    ASSERT_EQ(newest.step().release(), Query::kRow);
    const QString compiled = QString::fromUtf8(newest.getText(0));
    ASSERT_FALSE(compiled.isEmpty());
    QString shown, version;
    DialogAnswer<TAboutDlg> ok([&](TAboutDlg* d) {
        shown = d->findChild<QLineEdit*>("edGrids")->text();
        version = d->findChild<QLineEdit*>("edGvers")->text();
        click(d, "btnOk");
    });
    form.About1Click();
    ASSERT_TRUE(ok.done());
    EXPECT_EQ(shown, compiled);
    EXPECT_FALSE(version.isEmpty());
}

TEST(MainFormExport, SampleBaySurfaceFromTheProjectToXyz) {
    // The current project in mode 3 on the sample area, with a geoid of 20 m over it.
    gridwriter::BinGrid geoid;
    geoid.south = 36;
    geoid.west = -77;
    geoid.nodes.assign(size_t(geoid.rows * geoid.columns), 20.0f);
    writeFile(suiteFolder() + "/datum/bay.geo", gridwriter::binGridBytes(geoid));
    writeFile(suiteFolder() + "/Projects/Harbour/Harbour.ini",
              "\xEF\xBB\xBF\r\n[Geodesy]\r\nVer=2001\r\nProjection=TME\r\nRefLatitude=0\r\n"
              "CentralMeridian=-75\r\nScaleFactor=0.9996\r\nUnit=1\r\nFalseEasting=500000\r\n"
              "FalseNorthing=0\r\nSemiMajorAxis=6378137\r\nFlattening=298.257223563\r\nRTKMode=3\r\n"
              "VDatum=SampleBay\r\nVSurface=mllw\r\nGeoid=bay.geo\r\n");
    TmainFrm form;
    form.FormCreate();
    ASSERT_EQ(form.rtkMode, 3);
    TempFolder work;
    const std::string output = work.file("bay.xyz");
    MessageBoxWatcher boxes;
    DialogAnswer<TVDatum2XYZDlg> answer([&](TVDatum2XYZDlg* d) {
        setenv("BAYRUN_FILE_DIALOG_ANSWERS", output.c_str(), 1);
        click(d, "btnExport");
        unsetenv("BAYRUN_FILE_DIALOG_ANSWERS");
    });
    form.ExportVDatumtoXYZ1Click();
    ASSERT_TRUE(answer.done());

    std::istringstream text(readFile(output));
    std::vector<std::vector<double>> lines;
    for (std::string line; std::getline(text, line);) lines.push_back(numbers(line));
    // Each of the 99 nodes with data projects and lies inside the sample grids, also on their
    // limits: all are written.
    EXPECT_EQ(lines.size(), 99u);
    EXPECT_TRUE(boxes.seen().empty());
    // The south-west node, 36.8 N 76.4 W: made once with PROJ 9.1.1,
    //   echo "-76.4 36.8" | cs2cs -f "%.4f" +proj=longlat +ellps=WGS84 +to +proj=tmerc +lat_0=0
    //   +lon_0=-75 +k=0.9996 +x_0=500000 +y_0=0 +ellps=WGS84
    // and z = surface - tss = -0.45 - (-36.5) from the sample grids (the geoid cancels).
    ASSERT_FALSE(lines.empty());
    ASSERT_EQ(lines[0].size(), 3u);
    EXPECT_NEAR(lines[0][0], 375104.4681, 0.0051);
    EXPECT_NEAR(lines[0][1], 4073600.2415, 0.0051);
    EXPECT_EQ(lines[0][2], 36.05);
}

}  // namespace
