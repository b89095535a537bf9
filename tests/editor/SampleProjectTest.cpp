// The sample suite as delivered: its project builds in the geoid modes with the geoid model the
// build lays out, and the main window writes a valid project in each of them.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QMainWindow>
#include <QPushButton>
#include <QRadioButton>

#include <string>

#include "editor/TmainFrm.h"
#include "geodesy/Tellus.h"
#include "tests/TestSupport.h"
#include "tests/editor/DialogTestSupport.h"
#include "tests/editor/EditorTestSupport.h"
#include "ui_TmainFrm.h"

namespace {

constexpr double kRadiansPerDegree = 3.141592653589793 / 180;

// The project file of the suite with its RTK mode (and the keys that mode needs) replaced.
std::string projectInMode(const std::string& project, int mode) {
    std::string text;
    for (const std::string& line : sectionLines(project, "Geodesy"))
        if (line.rfind("RTKMode=", 0) != 0) text += line + "\r\n";
    text += "RTKMode=" + std::to_string(mode) + "\r\n";
    if (mode == 3) text += "VDatum=SampleBay\r\nVSurface=mllw\r\n";
    return "[Geodesy]\r\n" + text;
}

// The sample project as the build delivers it (the suite copy's may hold another test's).
const std::string kDelivered = std::string(TELLUS_SUITE_DIR) + "/Projects/Harbour/Harbour.ini";

TEST(SampleProject, BuildsInTheGeoidModesWithEgm96) {
    const std::string& project = kDelivered;
    ASSERT_FALSE(iniValue(project, "Geodesy", "Geoid").empty());
    // Geoid heights of EGM96 at nodes of the grid (between nodes the library's smooth
    // interpolation departs from PROJ's bilinear one), made once with PROJ 9.1.1:
    //   printf -- "-76 37 0\n-76.25 36.75 0\n-74 38.5 0\n" |
    //   cct -d 4 +proj=vgridshift +grids=egm96_15.gtx +multiplier=1
    const struct {
        double lat, lon, height;
    } heights[] = {{37.0, -76.0, -39.0085}, {36.75, -76.25, -38.7333}, {38.5, -74.0, -37.6959}};
    for (int mode : {3, 4}) {
        SCOPED_TRACE(mode);
        const std::string file = suiteFolder() + "/mode.ini";
        writeFile(file, projectInMode(project, mode));
        GeodesyHandle h = CreateFileGeodesy(file.c_str(), nullptr);
        ASSERT_NE(h, nullptr) << "code " << GetGeodesyError();
        EXPECT_EQ(GetGeodesyError(), 0);
        for (const auto& p : heights) {
            double n = 0;
            EXPECT_NE(Undulation(h, p.lat * kRadiansPerDegree, p.lon * kRadiansPerDegree, &n), 0) << GetGeodesyError();
            // cct prints 0.1 mm; the file keeps EGM96's float values.
            EXPECT_NEAR(n, p.height, 0.0001) << p.lat << " " << p.lon;
        }
        DestroyGeodesy(h);
    }
}

TEST(SampleProject, OkWritesAValidProjectInTheGeoidModes) {
    const std::string project = suiteFolder() + "/Projects/Harbour/Harbour.ini";
    const std::string before = readFile(project);
    for (int mode : {3, 4}) {
        SCOPED_TRACE(mode);
        writeFile(project, readFile(kDelivered));
        MessageBoxWatcher boxes;
        {
            TmainFrm form;
            form.FormCreate();
            Ui::mainFrm* ui = form.form();
            ui->mnuViewStandard->trigger();
            (mode == 3 ? ui->rbRTK3 : ui->rbRTK4)->click();
            if (mode == 3) {
                ui->cbVDatum->setCurrentIndex(0);
                emit ui->cbVDatum->activated(0);
            }
            ui->btnOK->click();
        }
        EXPECT_TRUE(boxes.seen().empty()) << boxes.seen()[0].text.toStdString();
        EXPECT_EQ(iniValue(project, "Geodesy", "RTKMode"), std::to_string(mode));
        GeodesyHandle h = CreateFileGeodesy(project.c_str(), nullptr);
        EXPECT_NE(h, nullptr) << "code " << GetGeodesyError();
        DestroyGeodesy(h);
    }
    writeFile(project, before);
}

}  // namespace
