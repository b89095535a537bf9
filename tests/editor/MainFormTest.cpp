// The main window driven on a copy of the sample suite: start-up, the database and its lists,
// reading and writing the project's parameter file, display modes, the RTK methods, units, the
// local grid, degree formats, custom grids and model files.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QTest>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <filesystem>

#include "common/Database.h"
#include "common/Query.h"
#include "editor/TmainFrm.h"
#include "tests/editor/EditorTestSupport.h"
#include "ui_TmainFrm.h"

namespace fs = std::filesystem;

namespace {

// A user-defined Transverse Mercator on Clarke 1880 (IGN), the ellipsoid of NTF.
const std::string kClarkeProject =
    "Ver=2001\nProjection=TME\nRTKMode=0\nSemiMajorAxis=6378249.2\nFlattening=293.4660212936269\n";

}  // namespace


TEST(MainForm, StartsOnTheSampleProject) {
    SuiteCopy suite;
    MessageBoxWatcher boxes;
    {
        Form f;
        ASSERT_FALSE(f.frm->terminateRequested());
        Ui::mainFrm* ui = f.ui;
        EXPECT_EQ(f.frm->windowTitle(), "Verevuzu Deradazavo");
        EXPECT_EQ(f.frm->displayMode, TmainFrm::kSubBottom);
        EXPECT_TRUE(ui->mnuViewSubBottom->isChecked());
        EXPECT_FALSE(ui->mnuViewStandard->isChecked());
        EXPECT_FALSE(ui->rgRTK->isVisibleTo(f.frm.get()));
        EXPECT_EQ(DegFormat, 3);  // no stored setting

        // "Harbour": ZoneId 32618 of "UTM North (WGS 84)".
        EXPECT_EQ(ui->cbGrid->currentText(), "UTM North (WGS 84)");
        EXPECT_EQ(ui->cbZone->currentText(), "UTM zone 18N");
        EXPECT_EQ(f.frm->zoneId, 32618);
        EXPECT_EQ(ui->cbProjection->currentText(), "Transverse Mercator");
        EXPECT_EQ(ui->edParm0->text(), "0°00'00.00000\"N");
        EXPECT_EQ(ui->edParm1->text(), "75°00'00.00000\"W");
        EXPECT_EQ(ui->edParm2->text(), "0.9996000000");
        EXPECT_TRUE(ui->lblParm2->isVisibleTo(f.frm.get()));
        EXPECT_FALSE(ui->edParm3->isVisibleTo(f.frm.get()));
        EXPECT_FALSE(ui->lblParm3->isVisibleTo(f.frm.get()));
        EXPECT_EQ(ui->cbEllipsoid->currentText(), "WGS 84");
        EXPECT_FALSE(ui->edDx->isEnabled());  // WGS 84 takes no transformation
        EXPECT_EQ(ui->edFalseEast->text(), " 500000.0000");
        EXPECT_EQ(ui->cbHorzUnit->currentText(), "meter");
        EXPECT_EQ(ui->cbVertUnit->currentIndex(), 0);
        EXPECT_EQ(f.frm->rtkMode, 0);
        EXPECT_EQ(ui->rgRTK->title(), "RTK Tide Method");
        EXPECT_EQ(ui->rbRTK0->text(), "Not using RTK Tide");
        EXPECT_EQ(ui->cbGrid->itemText(f.frm->predefinedGridCount), "user defined");
        EXPECT_EQ(ui->cbVertUnit->itemText(0), "same as horizontal");
        // Menus carry a mnemonic on a letter of the string table's caption.
        EXPECT_EQ(ui->File1->title().toStdString(), "&File");
        EXPECT_EQ(ui->DecimalDegrees1->text().toStdString(), "&Decimal Degrees");
        // An initial taken before: that of a later word.
        EXPECT_EQ(ui->DecimalMinutes1->text().toStdString(), "Degrees &Minutes");
        EXPECT_EQ(ui->DecimalSeconds1->text().toStdString(), "Degrees Minutes &Seconds");
        // Every caption from its id in the string table.
        expectCaptions(f.frm.get(),
                       {{"File1", "File"}, {"mnuView", "View"}, {"mnuDisplayMode", "Display Mode"},
                        {"mnuViewStandard", "Standard"}, {"mnuViewSubBottom", "Sub Bottom"}, {"Tools1", "Tools"},
                        {"Options1", "Options"}, {"Help1", "Help"}, {"Exit1", "Exit"},
                        {"ExportVDatumtoXYZ1", "Export VDatum to XYZ"},
                        {"TimeVariableTransformations1", "Time-Variable Transformations"},
                        {"SaveCustomGrid1", "Save Custom Grid"}, {"DegreesFormat1", "Degrees Format"},
                        {"DecimalDegrees1", "Decimal Degrees"}, {"DecimalMinutes1", "Degrees Minutes"},
                        {"DecimalSeconds1", "Degrees Minutes Seconds"}, {"HelpTopics1", "Help Topics"},
                        {"About1", "About"}, {"gbPredefined", "Predefined"},
                        {"gbDatumTransformationParameters", "Datum Transformation Parameters"}, {"lblGrids", "Grids"},
                        {"lblZone", "Zone"}, {"lblDistanceUnit", "Distance Unit"}, {"lblDepthUnit", "Depth Unit"},
                        {"ckElevationMode", "Elevation Mode (Z-axis positive going up)"}, {"lblEllipsoid", "Ellipsoid"},
                        {"lblSemiMajorAxis", "Semi-Major Axis"}, {"lblFlattening", "Flattening"}, {"lblDx", "Delta X"},
                        {"lblDy", "Delta Y"}, {"lblDz", "Delta Z"}, {"lblRx", "Delta rX"}, {"lblRy", "Delta rY"},
                        {"lblRz", "Delta rZ"}, {"lblDscale", "Delta Scale"}, {"lblDatumShiftFile", "Datum Shift File"},
                        {"lblProjection", "Projection"}, {"lblFalseEasting", "False Easting"},
                        {"lblFalseNorthing", "False Northing"}, {"ckLocalGrid", "Local Grid Adjustment"},
                        {"btnLocalGrid", "Local Grid"}, {"rgRTK", "RTK Tide Method"}, {"lblGeoModel", "Geoid Model"},
                        {"lblOrtho", "Orthometric Height Correction"}, {"lblKtd", "KTD Files"},
                        {"lblVDatum", "VDatum Zone"}, {"lblDatum", "Chart Datum"}, {"btnOK", "OK"},
                        {"btnCancel", "Cancel"}});
    }
    EXPECT_TRUE(boxes.seen().empty());
    // The setting read at the start is written back at the end.
    EXPECT_EQ(iniValue(suite.workingFolder() + "/Corvane.ini", "Corvane", "DegFormat"), "3");
}

TEST(MainForm, EndsWithItsMessageWithoutAUsableDatabase) {
    for (const char* damage : {"missing", "no history table"}) {
        SuiteCopy suite;
        fs::remove(suite.file("datum/corvane.db"));
        if (std::string(damage) != "missing") {
            Database db;
            ASSERT_EQ(db.open(suite.file("datum/corvane.db"), 6).release(), 0);  // read-write, create
            db.exec("CREATE TABLE gp_crs (id INTEGER);");
        }
        MessageBoxWatcher boxes;
        {
            Form f;
            EXPECT_TRUE(f.frm->terminateRequested()) << damage;
        }
        ASSERT_EQ(boxes.seen().size(), 1u) << damage;
        EXPECT_EQ(boxes.seen()[0].caption, "CORVANE");
        EXPECT_EQ(boxes.seen()[0].text,
                  "The predefined parameters database is corrupted or missing.\nPlease contact PELAGIX Inc. "
                  "Technical Support group for an\nupdated version.");
        EXPECT_EQ(boxes.seen()[0].icon, QMessageBox::Critical);
        // The setting was never read, so it is not written either.
        EXPECT_FALSE(fs::exists(suite.workingFolder() + "/Corvane.ini")) << damage;
    }
}

TEST(MainForm, RecordsTheVDatumSurfacesOnDisk) {
    SuiteCopy suite;
    // The second area of the table gets a folder holding one surface of the first.
    fs::create_directories(suite.file("datum/vdatum/NoSuchArea"));
    fs::copy_file(suite.file("datum/vdatum/SampleBay/mllw.gtx"), suite.file("datum/vdatum/NoSuchArea/mllw.gtx"));
    Form f;
    ASSERT_FALSE(f.frm->terminateRequested());
    EXPECT_EQ(f.ui->cbVDatum->count(), 2);
    Query q(f.frm->database,
            "SELECT varea.abrev, vsurface.abrev FROM found_surfaces JOIN varea ON varea.id = area_id "
            "JOIN vsurface ON vsurface.id = surface_id ORDER BY 1, 2;");
    std::vector<std::string> rows;
    while (q.step().release() == Query::kRow) rows.push_back(q.getString(0) + "/" + q.getString(1));
    EXPECT_EQ(rows, (std::vector<std::string>{"NoSuchArea/mllw", "SampleBay/mhw", "SampleBay/mllw"}));

    // Choosing an area lists its surfaces and selects the first.
    f.choose(f.ui->cbVDatum, "Sample Bay (synthetic)");
    ASSERT_EQ(f.ui->cbDatum->count(), 2);
    EXPECT_EQ(f.ui->cbDatum->currentIndex(), 0);
}

TEST(MainForm, AnAreaWithoutFolderIsNotListed) {
    SuiteCopy suite;
    Form f;
    ASSERT_EQ(f.ui->cbVDatum->count(), 1);
    EXPECT_EQ(f.ui->cbVDatum->itemText(0), "Sample Bay (synthetic)");
    Query q(f.frm->database, "SELECT found FROM varea WHERE abrev = 'NoSuchArea';");
    ASSERT_EQ(q.step().release(), Query::kRow);
    EXPECT_EQ(q.getInt(0), 0);
}

TEST(MainForm, ListsCustomGridsAfterUserDefined) {
    SuiteCopy suite;
    writeFile(suite.file("datum/Harbour.cgeo"), "");
    writeFile(suite.file("datum/site.v2.cgeo"), "");
    writeFile(suite.file("datum/notes.txt"), "");
    fs::create_directories(suite.file("datum/folder.cgeo"));
    Form f;
    const int n = f.frm->predefinedGridCount;
    ASSERT_EQ(f.ui->cbGrid->count(), n + 3);
    EXPECT_EQ(f.ui->cbGrid->itemText(n + 1), "Harbour");
    EXPECT_EQ(f.ui->cbGrid->itemText(n + 2), "site.v2");
    EXPECT_EQ(f.ui->cbGrid->itemData(n + 2).toInt(), -1);
}

TEST(MainForm, OkWritesTheProjectAndTheFormReadsItBack) {
    SuiteCopy suite;
    {
        Form f;
        f.ui->btnOK->click();
    }
    const std::string file = suite.projectFile();
    const std::vector<std::string> expected = {
        "Ver=2001", "ZoneId=32618", "Grid=UTM North (WGS 84)", "ZoneName=UTM zone 18N", "Unit=1.000000000000",
        "UnitsName=meter", "VertUnit=0", "Projection=TME"};
    const std::vector<std::string> lines = sectionLines(file, "Geodesy");
    ASSERT_GE(lines.size(), expected.size());
    EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + long(expected.size())), expected);
    EXPECT_EQ(iniValue(file, "Geodesy", "ScaleFactor"), "0.9996000000");
    EXPECT_EQ(iniValue(file, "Geodesy", "CentralMeridian"), "-75");
    EXPECT_EQ(iniValue(file, "Geodesy", "Ellipsoid"), "WGS 84");
    EXPECT_EQ(iniValue(file, "Geodesy", "RTKMode"), "0");
    // The sample project's geoid model is kept in the form, not written for a method without it.
    for (const char* absent : {"VDatum", "VSurface", "CustomName", "AdjustType", "DynDatum", "KTDFile", "Geoid"})
        EXPECT_FALSE(iniHasKey(file, "Geodesy", absent)) << absent;

    Form again;
    EXPECT_EQ(again.frm->zoneId, 32618);
    EXPECT_EQ(again.ui->edParm1->text(), "75°00'00.00000\"W");
}

TEST(MainForm, FailedChecksShowTheirMessageAndWriteNothing) {
    struct Case {
        int mode;
        const char* extra;
        const char* message;
    } cases[] = {
        {3, "", "Missing VDatum zone or surface"},
        {2, "KTDFile=/tide.ktd", "Missing geoid model"},
        {1, "", "Missing KTD file"},
        {4, "", "Missing geoid model"},
    };
    for (const Case& c : cases) {
        SuiteCopy suite;
        writeProject(suite, std::string(kUserDefinedProject) + "\n" + c.extra);
        const std::string before = readFile(suite.projectFile());
        MessageBoxWatcher boxes;
        Form f;
        f.standard();
        qobject_cast<QRadioButton*>(f.ui->rgRTK->findChild<QRadioButton*>("rbRTK" + QString::number(c.mode)))->click();
        ASSERT_EQ(f.frm->rtkMode, c.mode);
        f.ui->btnOK->click();
        ASSERT_EQ(boxes.seen().size(), 1u) << c.mode;
        EXPECT_EQ(boxes.seen()[0].text, c.message);
        EXPECT_EQ(boxes.seen()[0].caption, "Verevuzu Deradazavo");
        EXPECT_EQ(boxes.seen()[0].icon, QMessageBox::Critical);
        EXPECT_EQ(readFile(suite.projectFile()), before) << c.mode;
    }
}

TEST(MainForm, DisplayModesShowAndHideTheVerticalReference) {
    SuiteCopy suite;
    Form f;
    const char* controls[] = {"Bevel1",    "rgRTK",       "lblGeoModel", "edGeoModel",  "btnGeoModelBrowse",
                              "btnGeoModelClear", "lblKtd", "edKtd",     "btnKtdBrowse", "btnKtdClear",
                              "lblVDatum", "cbVDatum",    "lblDatum",    "cbDatum",     "lblDatumLevel",
                              "edDatumLevel", "lblOrtho", "edOrtho",     "lblOrthoUnits"};
    f.standard();
    // It fits a 1024x768 screen at 125 % with a title bar of 30 pixels.
    const QSize standard = f.frm->size();
    EXPECT_LE(standard.width() * 1.25, 1024);
    EXPECT_LE(standard.height() * 1.25 + 30, 768);
    EXPECT_TRUE(f.ui->ExportVDatumtoXYZ1->isVisible());
    for (const char* name : controls)
        EXPECT_TRUE(f.frm->findChild<QWidget*>(name)->isVisibleTo(f.frm.get())) << name;
    // Shrunk, the window still shows every control.
    const auto shrink = [&] {
        f.frm->show();
        f.frm->resize(300, 200);
        QApplication::processEvents();
        QWidget* central = f.frm->centralWidget();
        for (QWidget* w : central->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (!w->isVisibleTo(f.frm.get())) continue;
            EXPECT_TRUE(central->rect().contains(w->geometry())) << w->objectName().toStdString();
        }
    };
    shrink();
    // Added space goes to the fields and lists.
    const int field = f.ui->edFalseEast->width(), list = f.ui->cbGrid->width();
    f.frm->resize(1400, 1000);
    QApplication::processEvents();
    EXPECT_GT(f.ui->edFalseEast->width(), field + 100);
    EXPECT_GT(f.ui->cbGrid->width(), list + 100);
    EXPECT_GT(f.ui->edGeoModel->width(), 300);
    f.ui->mnuViewSubBottom->trigger();
    EXPECT_LT(f.frm->height(), standard.height());
    shrink();
    EXPECT_TRUE(f.ui->btnOK->isVisibleTo(f.frm.get()));
    EXPECT_FALSE(f.ui->ExportVDatumtoXYZ1->isVisible());
    for (const char* name : controls)
        EXPECT_FALSE(f.frm->findChild<QWidget*>(name)->isVisibleTo(f.frm.get())) << name;
    // In Sub Bottom an RTK click changes nothing.
    f.ui->rbRTK5->click();
    EXPECT_EQ(f.frm->rtkMode, 0);
    EXPECT_FALSE(f.ui->edDatumLevel->isVisibleTo(f.frm.get()));
}

TEST(MainForm, RtkMethodsShowTheirControls) {
    SuiteCopy suite;
    writeProject(suite, std::string(kUserDefinedProject) + "\nGeoid=C:\\Models\\geoid99.geo\nKTDFile=/k.ktd");
    Form f;
    f.standard();
    f.frm->chartDatum = 1.5;
    f.ui->rbRTK5->click();
    const auto visible = [&](const char* n) { return f.frm->findChild<QWidget*>(n)->isVisibleTo(f.frm.get()); };
    for (const char* n : {"lblGeoModel", "edGeoModel", "lblKtd", "edKtd", "lblVDatum", "cbVDatum", "lblOrtho"})
        EXPECT_FALSE(visible(n)) << n;
    EXPECT_TRUE(visible("lblDatumLevel"));
    EXPECT_TRUE(visible("edDatumLevel"));
    EXPECT_EQ(f.ui->lblDatumLevel->text(), "Height of ellipsoid above chart datum");
    EXPECT_EQ(f.ui->edDatumLevel->text(), "1.50");
    f.ui->edDatumLevel->setText("2.25");
    EXPECT_FALSE(f.ui->ExportVDatumtoXYZ1->isEnabled());

    // Clicking through the methods loses nothing chosen or typed.
    f.ui->rbRTK2->click();
    for (const char* n : {"lblGeoModel", "edGeoModel", "btnGeoModelBrowse", "edOrtho", "lblKtd", "edKtd"})
        EXPECT_TRUE(visible(n)) << n;
    for (const char* n : {"cbVDatum", "edDatumLevel"}) EXPECT_FALSE(visible(n)) << n;
    EXPECT_EQ(f.ui->edGeoModel->text(), "geoid99");
    EXPECT_EQ(f.ui->edKtd->text(), "/k.ktd");

    f.ui->rbRTK3->click();
    f.ui->rbRTK0->click();
    EXPECT_EQ(f.ui->edDatumLevel->text(), "2.25");
    EXPECT_EQ(f.frm->geoidModel, "geoid99");
    EXPECT_EQ(f.frm->ktdFile, "/k.ktd");
    f.ui->rbRTK3->click();
    EXPECT_TRUE(visible("cbVDatum"));
    EXPECT_TRUE(visible("edGeoModel"));
    EXPECT_TRUE(f.ui->ExportVDatumtoXYZ1->isEnabled());
    f.ui->rbRTK4->click();
    EXPECT_EQ(f.ui->lblDatumLevel->text(), "Height of geoid above chart datum");
}

TEST(MainForm, OlderFilesTakeTheModeFromChartDatum) {
    struct Case {
        const char* lines;
        int mode;
        const char* level;
        const char* surface;
    } cases[] = {
        {"ChartDatum=1.25\nGeoid=g.geo", 4, "1.25", ""},
        {"ChartDatum=1.25", 0, "1.25", ""},
        {"ChartDatum=mllw", 3, "0.00", "Mean Lower Low Water"},
        {"ChartDatum=-0.5", 3, "0.00", ""},
        {"", 0, "0.00", ""},  // a new project: its first OK succeeds
        {"Geoid=g.geo", 4, "0.00", ""},
    };
    for (const Case& c : cases) {
        SuiteCopy suite;
        writeProject(suite, std::string("Ver=1500\nProjection=TME\n") + c.lines);
        Form f;
        EXPECT_EQ(f.frm->rtkMode, c.mode) << c.lines;
        EXPECT_EQ(f.ui->edDatumLevel->text(), c.level) << c.lines;
        EXPECT_EQ(f.ui->rgRTK->findChild<QRadioButton*>("rbRTK" + QString::number(c.mode))->isChecked(), true);
        EXPECT_EQ(f.ui->cbDatum->currentText(), c.surface) << c.lines;
        if (!*c.lines) {
            MessageBoxWatcher boxes;
            f.ui->btnOK->click();
            EXPECT_TRUE(boxes.seen().empty());
            EXPECT_EQ(iniValue(suite.projectFile(), "Geodesy", "RTKMode"), "0");
        }
    }
}

TEST(MainForm, ReadsLocalGridUnitsAndModelsFromTheFile) {
    SuiteCopy suite;
    writeProject(suite, std::string(kUserDefinedProject) +
                            "\nAdjustType=2\nReverseY=On\nAdjustScale=0\nVertUnit=0.3048\nOrthoHCorr=1.2\n"
                            "DynDatum=C:\\Grids\\ntv2_0.gsb\nDeltaX=5\nGeoid=D:\\geoids\\g2012a.us.geo");
    Form f;
    EXPECT_EQ(f.frm->localGrid.AdjustType, 2 | TmainFrm::kReverseY);
    EXPECT_EQ(f.frm->localGrid.Scale, 1.0);
    EXPECT_TRUE(f.ui->ckLocalGrid->isChecked());
    EXPECT_FALSE(f.ui->btnLocalGrid->isEnabled());
    EXPECT_EQ(f.ui->cbVertUnit->currentText(), "foot (int.)");
    EXPECT_EQ(f.ui->edOrtho->text(), "3.937");  // 1.2 m / 0.3048
    EXPECT_EQ(f.frm->datumShiftFile, "ntv2_0.gsb");
    EXPECT_EQ(f.ui->edDatumShiftFile->text(), "ntv2_0.gsb");
    EXPECT_EQ(f.frm->geoidModel, "g2012a.us");
    EXPECT_EQ(f.ui->edFalseEast->text(), "   1000.0000");
    EXPECT_EQ(f.ui->cbGrid->currentIndex(), f.frm->predefinedGridCount);  // "user defined"
}

TEST(MainForm, LocalGridBoxAndItsKeys) {
    SuiteCopy suite;
    writeProject(suite, std::string(kUserDefinedProject) + "\nAdjustType=1\nReverseX=On\nAdjustOrigX=10");
    Form f;
    EXPECT_EQ(f.frm->localGrid.AdjustType, 0x10001);
    EXPECT_TRUE(f.ui->btnLocalGrid->isEnabled());
    f.ui->btnOK->click();
    const std::string file = suite.projectFile();
    EXPECT_EQ(iniValue(file, "Geodesy", "AdjustType"), "1");
    EXPECT_EQ(iniValue(file, "Geodesy", "ReverseX"), "On");
    EXPECT_EQ(iniValue(file, "Geodesy", "AdjustOrigX"), "10");
    EXPECT_FALSE(iniHasKey(file, "Geodesy", "ReverseY"));

    f.ui->ckLocalGrid->click();  // untick
    EXPECT_EQ(f.frm->localGrid.AdjustType, 0);
    EXPECT_FALSE(f.ui->btnLocalGrid->isEnabled());
    f.ui->ckLocalGrid->click();  // tick again: type 1 without flags
    EXPECT_EQ(f.frm->localGrid.AdjustType, 1);
    EXPECT_TRUE(f.ui->btnLocalGrid->isEnabled());
    f.ui->ckLocalGrid->click();
    f.ui->btnOK->click();
    for (const char* key : {"AdjustType", "AdjustOrigX", "ReverseX", "AdjustScale"})
        EXPECT_FALSE(iniHasKey(file, "Geodesy", key)) << key;
}

TEST(MainForm, UnitsConvertTheLengthsBothWays) {
    SuiteCopy suite;
    writeProject(suite, kUserDefinedProject);
    Form f;
    f.standard();
    f.ui->edOrtho->setText("10");
    f.choose(f.ui->cbHorzUnit, "foot (int.)");
    // 1000 m / 0.3048 m per foot, 2000 m likewise, shown with 15 significant digits.
    EXPECT_EQ(f.ui->edFalseEast->text(), "3280.83989501312");
    EXPECT_EQ(f.ui->edFalseNorth->text(), "6561.67979002625");
    EXPECT_EQ(f.ui->edOrtho->text(), "32.8083989501312");
    EXPECT_EQ(f.ui->lblOrthoUnits->text(), "ft");
    f.choose(f.ui->cbHorzUnit, "meter");
    EXPECT_EQ(f.ui->edFalseEast->text(), "1000");
    EXPECT_EQ(f.ui->edFalseNorth->text(), "2000");
    EXPECT_EQ(f.ui->edOrtho->text(), "10");

    // An orthometric correction of 10 in feet is written as metres, the unit as "%.12lf".
    f.choose(f.ui->cbVertUnit, "foot (int.)");
    f.ui->edOrtho->setText("10");
    f.ui->btnOK->click();
    EXPECT_NEAR(std::stod(iniValue(suite.projectFile(), "Geodesy", "OrthoHCorr")), 3.048, 1e-12);
    EXPECT_EQ(iniValue(suite.projectFile(), "Geodesy", "VertUnit"), "0.3048");
    EXPECT_EQ(iniValue(suite.projectFile(), "Geodesy", "Unit"), "1.000000000000");
}

TEST(MainForm, ATextThatIsNotANumberStopsBeforeAnythingIsWritten) {
    SuiteCopy suite;
    writeProject(suite, kUserDefinedProject);
    const std::string before = readFile(suite.projectFile());
    MessageBoxWatcher boxes;
    Form f;
    f.frm->show();
    f.ui->edDy->setText("12,5");
    f.ui->btnOK->click();
    ASSERT_EQ(boxes.seen().size(), 1u);
    EXPECT_EQ(boxes.seen()[0].text, "Delta Y: '12,5' is not a valid floating point value");
    EXPECT_EQ(f.frm->focusWidget(), f.ui->edDy);
    EXPECT_EQ(readFile(suite.projectFile()), before);
}

TEST(MainForm, ZonesLoadTheirUnitAndParameters) {
    SuiteCopy suite;
    writeProject(suite, kUserDefinedProject);
    Form f;
    f.choose(f.ui->cbGrid, "State Plane NAD83 (US feet)");
    EXPECT_TRUE(f.ui->cbZone->isEnabled());
    EXPECT_FALSE(f.ui->cbProjection->isEnabled());
    EXPECT_FALSE(f.ui->cbEllipsoid->isEnabled());  // the zone fixes it (EPSG 2225: GRS 1980)
    EXPECT_EQ(f.ui->cbEllipsoid->currentText(), "GRS 1980");
    EXPECT_EQ(f.ui->cbHorzUnit->currentText(), "foot (US)");
    EXPECT_EQ(f.ui->cbProjection->currentText(), "Lambert Conformal Conic");
    EXPECT_EQ(f.frm->zoneId, f.ui->cbZone->itemData(0).toInt());
    EXPECT_EQ(f.ui->cbZone->currentText(), "California zone 1 (ftUS)");
    EXPECT_EQ(f.ui->edFalseNorth->text(), "1640416.667");  // the project had 2000
    // Another predefined grid lists its own zones only.
    f.choose(f.ui->cbGrid, "UTM South (WGS 84)");
    EXPECT_EQ(f.ui->cbZone->count(), 60);
    EXPECT_EQ(f.ui->cbZone->findText("California zone 1 (ftUS)"), -1);
    EXPECT_EQ(f.ui->edFalseNorth->text(), "10000000");
    // Back to "user defined": the free controls open again, the zone list closes.
    f.choose(f.ui->cbGrid, f.frm->predefinedGridCount);
    EXPECT_TRUE(f.ui->cbProjection->isEnabled());
    EXPECT_TRUE(f.ui->cbEllipsoid->isEnabled());
    EXPECT_FALSE(f.ui->cbZone->isEnabled());
    EXPECT_EQ(f.ui->cbZone->currentIndex(), -1);
}

TEST(MainForm, DegreeFormatReshowsAngles) {
    SuiteCopy suite;
    Form f;
    f.ui->DecimalDegrees1->trigger();
    EXPECT_EQ(DegFormat, 0);
    EXPECT_EQ(f.ui->edParm1->text(), "75.000000000°W");
    EXPECT_EQ(f.ui->edParm2->text(), "0.9996000000");
    f.ui->DecimalMinutes1->trigger();
    EXPECT_EQ(f.ui->edParm1->text(), "75°00.0000000'W");
}

TEST(MainForm, SavesCustomGridsThroughTheFileDialog) {
    SuiteCopy suite;
    const std::string path = suite.file("datum/Mine.cgeo");
    setenv("BAYRUN_FILE_DIALOG_ANSWERS", (path + "\n" + path).c_str(), 1);
    Form f;
    const int before = f.ui->cbGrid->count();
    f.ui->SaveCustomGrid1->trigger();
    f.ui->SaveCustomGrid1->trigger();
    unsetenv("BAYRUN_FILE_DIALOG_ANSWERS");
    ASSERT_EQ(f.ui->cbGrid->count(), before + 2);
    EXPECT_EQ(f.ui->cbGrid->itemText(before), "Mine");
    EXPECT_EQ(f.ui->cbGrid->itemText(before + 1), "Mine");
    EXPECT_EQ(f.ui->cbGrid->currentIndex(), before + 1);
    EXPECT_EQ(iniValue(path, "Geodesy", "Projection"), "TME");
    for (const char* absent : {"VDatum", "VSurface", "ChartDatum", "RTKMode", "KTDFile", "CustomName"})
        EXPECT_FALSE(iniHasKey(path, "Geodesy", absent)) << absent;

    // OK on the custom grid names it in the project.
    f.ui->btnOK->click();
    EXPECT_EQ(iniValue(suite.projectFile(), "Geodesy", "CustomName"), "Mine");
    EXPECT_FALSE(iniHasKey(suite.projectFile(), "Geodesy", "ZoneId"));
    Form again;
    EXPECT_EQ(again.ui->cbGrid->currentText(), "Mine");
    EXPECT_EQ(again.frm->gridId, -1);

    // An existing target is replaced whole; a file that is not a parameter file is never touched.
    std::string noise(5000, '\0');
    for (size_t i = 0; i < noise.size(); ++i) noise[i] = char((i * 2654435761u) >> 13);
    const std::string other = suite.file("datum/Noise.cgeo");
    writeFile(other, noise);
    writeFile(path, "\xEF\xBB\xBF\r\n[Other]\r\nKept=1\r\n[Geodesy]\r\nStale=1\r\n");
    setenv("BAYRUN_FILE_DIALOG_ANSWERS", (other + "\n" + path).c_str(), 1);
    MessageBoxWatcher boxes;
    again.ui->SaveCustomGrid1->trigger();
    again.ui->SaveCustomGrid1->trigger();
    unsetenv("BAYRUN_FILE_DIALOG_ANSWERS");
    ASSERT_EQ(boxes.seen().size(), 1u);
    EXPECT_EQ(boxes.seen()[0].text.toStdString(), other + " is not a parameter file: it was not replaced.");
    EXPECT_EQ(readFile(other), noise);
    EXPECT_FALSE(iniHasKey(path, "Geodesy", "Stale"));
    EXPECT_FALSE(iniHasKey(path, "Other", "Kept"));
    EXPECT_EQ(iniValue(path, "Geodesy", "Projection"), "TME");
}

TEST(MainForm, DatumShiftFileMustFitTheEllipsoid) {
    const std::string grid = std::string(TELLUS_SUITE_DIR) + "/datum/ntf_r93.gsb";
    if (!fs::exists(grid)) GTEST_SKIP() << "ntf_r93.gsb of proj-data is not installed";
    SuiteCopy suite;
    // Clarke 1880 (IGN), the ellipsoid of NTF, the source of ntf_r93.gsb (EPSG 7011).
    writeProject(suite, std::string(kClarkeProject) + "DeltaX=-168");
    MessageBoxWatcher boxes;
    Form f;
    ASSERT_TRUE(f.ui->edDx->isEnabled());
    // Kept outside the copy's datum folder: copied in after asking.
    EXPECT_TRUE(f.frm->takeDatumShiftFile(grid));
    EXPECT_EQ(f.frm->datumShiftFile, "ntf_r93.gsb");
    EXPECT_FALSE(f.ui->edDx->isEnabled());
    EXPECT_EQ(f.ui->edDx->text(), "0.000");
    ASSERT_EQ(boxes.seen().size(), 1u);
    EXPECT_EQ(boxes.seen()[0].icon, QMessageBox::Question);
    EXPECT_EQ(fs::file_size(suite.file("datum/ntf_r93.gsb")), fs::file_size(grid));

    // Clear: no file, the seven edits open again.
    f.ui->btnDatumShiftFileClear->click();
    EXPECT_TRUE(f.ui->edDatumShiftFile->text().isEmpty());
    for (QLineEdit* e : {f.ui->edDx, f.ui->edDy, f.ui->edDz, f.ui->edDrx, f.ui->edDry, f.ui->edDrz, f.ui->edDsc})
        EXPECT_TRUE(e->isEnabled()) << e->objectName().toStdString();
    // Airy 1830 does not fit: refused with its message, the form unchanged.
    f.choose(f.ui->cbEllipsoid, "Airy 1830");
    EXPECT_FALSE(f.frm->takeDatumShiftFile(grid));
    EXPECT_TRUE(f.frm->datumShiftFile.empty());
    ASSERT_EQ(boxes.seen().size(), 2u);
    EXPECT_EQ(boxes.seen()[1].text, "Datum shift file does not apply to current ellipsoid");
    EXPECT_EQ(boxes.seen()[1].caption, "Select Dynamic Datum Shift File");
}

TEST(MainForm, AModelOutsideTheDatumFolderIsCopiedInOnlyAfterAsking) {
    SuiteCopy suite;
    writeProject(suite, kUserDefinedProject);
    fs::create_directories(suite.file("elsewhere"));
    fs::create_directories(suite.file("other"));
    writeFile(suite.file("elsewhere/g.geo"), "one");
    writeFile(suite.file("other/g.geo"), "two");
    writeFile(suite.file("other/bad.gsb"), "not a grid");
    MessageBoxWatcher boxes;
    Form f;
    f.frm->takeGeoidModel(suite.file("elsewhere/g.geo"));
    ASSERT_EQ(boxes.seen().size(), 1u);
    EXPECT_EQ(boxes.seen()[0].text, "The library looks for g.geo only in the datum folder " + QString::fromStdString(suite.file("datum")) +
                                        ".\n\nCopy it into the datum folder?");
    EXPECT_EQ(readFile(suite.file("datum/g.geo")), "one");
    EXPECT_EQ(f.frm->geoidModel, "g");
    // The same bytes under that name: taken without asking, both files closed again.
    const auto descriptors = [] { return std::distance(fs::directory_iterator("/proc/self/fd"), {}); };
    const auto open = descriptors();
    f.frm->takeGeoidModel(suite.file("elsewhere/g.geo"));
    EXPECT_EQ(boxes.seen().size(), 1u);
    EXPECT_EQ(descriptors(), open);
    // A different file of that name: refused, naming the folder; the folder's file stays.
    f.ui->btnGeoModelClear->click();
    EXPECT_TRUE(f.ui->edGeoModel->text().isEmpty());
    f.frm->takeGeoidModel(suite.file("other/g.geo"));
    ASSERT_EQ(boxes.seen().size(), 2u);
    EXPECT_TRUE(boxes.seen()[1].text.startsWith("A different file named g.geo is already in the datum folder " +
                                                QString::fromStdString(suite.file("datum"))));
    EXPECT_EQ(readFile(suite.file("datum/g.geo")), "one");
    EXPECT_TRUE(f.frm->geoidModel.empty());
    // A datum-shift file that cannot be read is not called one for another ellipsoid.
    EXPECT_FALSE(f.frm->takeDatumShiftFile(suite.file("other/bad.gsb")));
    ASSERT_EQ(boxes.seen().size(), 3u);
    EXPECT_EQ(boxes.seen()[2].text, QString::fromStdString(suite.file("other/bad.gsb")) + " cannot be read as a datum shift file.");

    // OK on a model the folder lacks asks first; No (the default) writes nothing.
    f.frm->takeGeoidModel(suite.file("elsewhere/g.geo"));
    fs::remove(suite.file("datum/g.geo"));
    f.standard();
    f.ui->rbRTK4->click();
    const std::string before = readFile(suite.projectFile());
    f.ui->btnOK->click();
    ASSERT_EQ(boxes.seen().size(), 4u);
    EXPECT_TRUE(boxes.seen()[3].text.startsWith("g.geo is not in the datum folder ")) << boxes.seen()[3].text.toStdString();
    EXPECT_EQ(readFile(suite.projectFile()), before);
    // So does one on a KTD table that can be found neither by its path nor in the project's folder.
    f.frm->takeKtdFile(suite.file("elsewhere/tide.ktd"));
    f.ui->rbRTK1->click();
    f.ui->btnOK->click();
    ASSERT_EQ(boxes.seen().size(), 5u);
    EXPECT_TRUE(boxes.seen()[4].text.startsWith("The KTD table " + QString::fromStdString(suite.file("elsewhere/tide.ktd"))));
    EXPECT_EQ(readFile(suite.projectFile()), before);
    f.ui->btnKtdClear->click();
    EXPECT_TRUE(f.frm->ktdFile.empty());
    EXPECT_TRUE(f.ui->edKtd->text().isEmpty());
}

TEST(MainForm, ExportStartWritesTheTemporaryFileOnlyWhenValid) {
    SuiteCopy suite;
    writeProject(suite, kUserDefinedProject);
    MessageBoxWatcher boxes;
    Form f;
    f.standard();
    f.ui->rbRTK3->click();
    const std::string temp = suite.workingFolder() + "/tmpgeo.ini";
    f.ui->ExportVDatumtoXYZ1->trigger();
    ASSERT_EQ(boxes.seen().size(), 1u);
    EXPECT_EQ(boxes.seen()[0].text, "Missing VDatum zone or surface");
    EXPECT_FALSE(fs::exists(temp));

    f.ui->rbRTK0->click();
    EXPECT_EQ(f.frm->writeExportParameters(), temp);
    EXPECT_EQ(iniValue(temp, "Geodesy", "Projection"), "TME");
    EXPECT_EQ(iniValue(temp, "Geodesy", "RTKMode"), "0");
}

TEST(MainForm, TimeVariableParametersReplaceTheDatumShiftFile) {
    SuiteCopy suite;
    writeProject(suite, std::string(kClarkeProject) + "DynDatum=ntf_r93.gsb");
    Form f;
    ASSERT_FALSE(f.ui->edDx->isEnabled());
    const double block[7] = {0.9956, -1.9013, -0.5215, 0.00062, 0.025915, 0.009426, 0.011599};
    f.frm->takeTimeVariableParameters(block);
    EXPECT_TRUE(f.frm->datumShiftFile.empty());
    EXPECT_TRUE(f.ui->edDatumShiftFile->text().isEmpty());
    EXPECT_TRUE(f.ui->edDx->isEnabled());
    EXPECT_EQ(f.ui->edDx->text(), "0.996");
    EXPECT_EQ(f.ui->edDsc->text(), "0.00062");
    EXPECT_EQ(f.ui->edDrx->text(), "0.02592");
    EXPECT_EQ(f.frm->dscale, 0.00062);
}

TEST(MainForm, BrowseButtonsTakeTheChosenFiles) {
    SuiteCopy suite;
    writeProject(suite, std::string(kClarkeProject) + "DynDatum=ntf_r93\nGeoid=old.geo");
    const std::string log = suite.workingFolder() + "/dialogs.log";
    // ntf_r93.gsb of proj-data fits Clarke 1880 (IGN); without it the last dialog is cancelled.
    const std::string grid = std::string(TELLUS_SUITE_DIR) + "/datum/ntf_r93.gsb";
    const bool haveGrid = fs::exists(grid);
    setenv("BAYRUN_FILE_DIALOG_LOG", log.c_str(), 1);
    // A model kept outside the datum folder is copied in (the watcher answers Yes).
    const std::string model = suite.file("g2012a.us.geo");
    writeFile(model, "model");
    setenv("BAYRUN_FILE_DIALOG_ANSWERS",
           (model + "\n/jobs/bay/tide.ktd\n" + (haveGrid ? grid + "\n" : "")).c_str(), 1);
    MessageBoxWatcher boxes;
    {
        Form f;
        f.ui->btnGeoModelBrowse->click();
        EXPECT_EQ(f.frm->geoidModel, "g2012a.us");
        EXPECT_EQ(f.ui->edGeoModel->text(), "g2012a.us");
        f.ui->btnKtdBrowse->click();
        EXPECT_EQ(f.frm->ktdFile, "/jobs/bay/tide.ktd");
        EXPECT_EQ(f.ui->edKtd->text(), "/jobs/bay/tide.ktd");
        f.ui->btnDatumShiftFileBrowse->click();
        EXPECT_EQ(f.frm->datumShiftFile, haveGrid ? "ntf_r93.gsb" : "ntf_r93");
        EXPECT_EQ(f.ui->edDatumShiftFile->text().toStdString(), f.frm->datumShiftFile);
        f.ui->btnDatumShiftFileBrowse->click();  // no answer left: cancelled, nothing changes
        EXPECT_EQ(f.frm->datumShiftFile, haveGrid ? "ntf_r93.gsb" : "ntf_r93");
    }
    unsetenv("BAYRUN_FILE_DIALOG_ANSWERS");
    unsetenv("BAYRUN_FILE_DIALOG_LOG");
    EXPECT_EQ(boxes.seen().size(), haveGrid ? 2u : 1u);
    EXPECT_EQ(readFile(suite.file("datum/g2012a.us.geo")), "model");
    const std::string datum = suite.root() + "/datum";
    EXPECT_EQ(readFile(log),
              "Select Geoid Model File\t" + datum + "\t" + datum +
                  "/old.geo\tGeoid Files (*.geo)|*.geo|All Files (*.*)|*.*|\tgeo\n"
                  "Select KTD File\t" + suite.root() + "/Projects/Harbour\t\tKTD Files (*.ktd)|*.ktd|All Files (*.*)|*.*|\tktd\n"
                  "Select Dynamic Datum Shift File\t" + datum +
                  "\t/ntf_r93.lls\tCombined Shift Files (*.lls)|*.lls|All Files (*.*)|*.*|\tlls\n"
                  "Select Dynamic Datum Shift File\t" + datum + "\t/" + (haveGrid ? "ntf_r93.gsb" : "ntf_r93.lls") +
                  "\tCombined Shift Files (*.lls)|*.lls|All Files (*.*)|*.*|\tlls\n");
}

TEST(MainForm, ZonesByIdOrByGridAndZoneName) {
    struct Case {
        const char* lines;
        int zone;  // 0: no zone, the file's own keys
        const char* projection;
        const char* message;  // the zone the surveyor is told is unknown, or null
    } cases[] = {
        // An id wins over the names, and the file's projection keys are not read.
        {"ZoneId=32618\nGrid=UTM North (WGS 84)\nZoneName=UTM zone 19N\nProjection=LCC", 32618, "Transverse Mercator",
         nullptr},
        {"Grid=UTM North (WGS 84)\nZoneName=UTM zone 19N\nProjection=LCC", 32619, "Transverse Mercator", nullptr},
        {"Grid=UTM North (WGS 84)\nZoneName=No such zone\nProjection=LCC", 0, "Lambert Conformal Conic",
         "The zone \"No such zone\" of \"UTM North (WGS 84)\" is not in the predefined-parameter database: the "
         "parameter file's own projection is shown."},
        // A zone id the database does not hold reads the file's own keys.
        {"ZoneId=999999\nProjection=MER", 0, "Mercator",
         "The zone 999999 is not in the predefined-parameter database: the parameter file's own projection is "
         "shown."},
    };
    for (const Case& c : cases) {
        SuiteCopy suite;
        writeProject(suite, std::string("Ver=2001\nRTKMode=0\n") + c.lines);
        MessageBoxWatcher boxes;
        Form f;
        if (c.message) {
            ASSERT_EQ(boxes.seen().size(), 1u) << c.lines;
            EXPECT_EQ(boxes.seen()[0].text.toStdString(), c.message);
            EXPECT_EQ(boxes.seen()[0].icon, QMessageBox::Warning);
        } else {
            EXPECT_TRUE(boxes.seen().empty()) << c.lines;
        }
        EXPECT_EQ(f.ui->cbProjection->currentText(), c.projection) << c.lines;
        if (c.zone != 0) {
            EXPECT_EQ(f.frm->zoneId, c.zone) << c.lines;
            EXPECT_EQ(f.ui->cbZone->currentData().toInt(), c.zone) << c.lines;
        } else {
            EXPECT_EQ(f.ui->cbGrid->currentIndex(), f.frm->predefinedGridCount) << c.lines;
            EXPECT_TRUE(f.ui->cbProjection->isEnabled()) << c.lines;
        }
    }
}

TEST(MainForm, CustomNameSelectsItsGridAndTheProjectKeysWin) {
    SuiteCopy suite;
    const auto grid = [&](const char* name, const char* lines) {
        writeFile(suite.file(std::string("datum/") + name + ".cgeo"), std::string("\xEF\xBB\xBF\r\n[Geodesy]\r\n") + lines);
    };
    grid("A", "Projection=TME\r\n");
    // A custom grid's "ZoneId" without "Grid" is ignored: its own keys are read.
    grid("B", "ZoneId=32618\r\nProjection=MER\r\nAdjustType=1\r\nAdjustOrigX=5\r\n");
    grid("C", "Projection=CAS\r\n");
    writeProject(suite, "Ver=2001\nCustomName=B\nRTKMode=5\nChartDatum=2.5");
    Form f;
    EXPECT_EQ(f.ui->cbGrid->currentText(), "B");
    EXPECT_EQ(f.frm->gridId, -1);
    // The project's own keys are read after the grid file: its default projection and no local
    // grid replace the grid file's.
    EXPECT_EQ(f.ui->cbProjection->currentText(), "Transverse Mercator");
    EXPECT_EQ(f.frm->localGrid.AdjustType, 0);
    EXPECT_EQ(f.frm->rtkMode, 5);
    EXPECT_EQ(f.ui->edDatumLevel->text(), "2.50");

    // Choosing a custom grid reads its file, which leaves the RTK mode alone.
    f.choose(f.ui->cbGrid, "B");
    EXPECT_EQ(f.ui->cbProjection->currentText(), "Mercator");
    EXPECT_EQ(f.frm->localGrid.AdjustType, 1);
    EXPECT_EQ(f.frm->localGrid.OrigX, 5.0);
    EXPECT_TRUE(f.ui->btnLocalGrid->isEnabled());
    EXPECT_FALSE(f.ui->cbZone->isEnabled());
    EXPECT_EQ(f.frm->rtkMode, 5);

    // A name no custom grid bears selects "user defined".
    writeProject(suite, "Ver=2001\nCustomName=D\nRTKMode=0");
    Form g;
    EXPECT_EQ(g.ui->cbGrid->currentIndex(), g.frm->predefinedGridCount);
}

TEST(MainForm, UnitsMatchTheTableToItsPrecision) {
    struct Case {
        const char* lines;
        const char* horizontal;
        const char* vertical;
    } cases[] = {
        {"Unit=0.3048", "foot (int.)", "same as horizontal"},
        // 1200/3937 in full: the table's US foot to its ten digits.
        {"Unit=0.304800609601219", "foot (US)", "same as horizontal"},
        // No unit of this factor: shown as it is, with the file's name when it has one.
        {"Unit=0.3048006", "0.3048006 m", "same as horizontal"},
        {"Unit=0.5\nUnitsName=half metre", "half metre (0.5 m)", "same as horizontal"},
        {"Unit=1\nVertUnit=1", "meter", "meter"},  // the horizontal unit's factor still names a vertical unit
        {"Unit=0.3048006096\nVertUnit=1.8288", "foot (US)", "fathom"},
        {"Unit=1\nVertUnit=0.25", "meter", "0.25 m"},
    };
    for (const Case& c : cases) {
        SuiteCopy suite;
        writeProject(suite, std::string("Ver=2001\nProjection=TME\nRTKMode=0\n") + c.lines);
        Form f;
        EXPECT_EQ(f.ui->cbHorzUnit->currentText().toStdString(), c.horizontal) << c.lines;
        EXPECT_EQ(f.ui->cbVertUnit->currentText().toStdString(), c.vertical) << c.lines;
    }
}

TEST(MainForm, VDatumAreaAndSurfaceRoundTrip) {
    SuiteCopy suite;
    writeProject(suite, std::string(kUserDefinedGrid) + "RTKMode=3\nVDatum=SampleBay\nVSurface=mhw\nGeoid=egm96_harbour.geo");
    Form f;
    EXPECT_EQ(f.frm->rtkMode, 3);
    EXPECT_EQ(f.ui->cbVDatum->currentText(), "Sample Bay (synthetic)");
    EXPECT_EQ(f.ui->cbDatum->currentText(), "Mean High Water");
    f.ui->btnOK->click();
    const std::string file = suite.projectFile();
    EXPECT_EQ(iniValue(file, "Geodesy", "VDatum"), "SampleBay");
    EXPECT_EQ(iniValue(file, "Geodesy", "VSurface"), "mhw");
    EXPECT_EQ(iniValue(file, "Geodesy", "Geoid"), "egm96_harbour.geo");
    EXPECT_EQ(iniValue(file, "Geodesy", "RTKMode"), "3");

    // Another mode leaves neither key in the section.
    f.standard();
    f.ui->rbRTK4->click();
    f.ui->edDatumLevel->setText("1.75");
    f.ui->btnOK->click();
    EXPECT_FALSE(iniHasKey(file, "Geodesy", "VDatum"));
    EXPECT_FALSE(iniHasKey(file, "Geodesy", "VSurface"));
    EXPECT_EQ(iniValue(file, "Geodesy", "ChartDatum"), "1.75");
    EXPECT_EQ(iniValue(file, "Geodesy", "RTKMode"), "4");
}

TEST(MainForm, CancelNeverWritesAndTheStoredDegreeFormatIsUsed) {
    SuiteCopy suite;
    fs::create_directories(suite.workingFolder());
    writeFile(suite.workingFolder() + "/Corvane.ini", "\xEF\xBB\xBF\r\n[Corvane]\r\nDegFormat=0\r\n");
    const std::string before = readFile(suite.projectFile());
    {
        Form f;
        EXPECT_EQ(DegFormat, 0);
        EXPECT_EQ(f.ui->edParm1->text(), "75.000000000°W");
        f.ui->DecimalMinutes1->trigger();
        f.ui->edDx->setText("12");
        f.ui->btnCancel->click();
        f.ui->Exit1->trigger();
    }
    EXPECT_EQ(readFile(suite.projectFile()), before);
    EXPECT_EQ(iniValue(suite.workingFolder() + "/Corvane.ini", "Corvane", "DegFormat"), "1");
}

TEST(MainForm, HelpSaysWhenItIsNotAvailable) {
    SuiteCopy suite;  // the sample suite carries no help file
    MessageBoxWatcher boxes;
    Form f;
    f.ui->HelpTopics1->trigger();
    ASSERT_EQ(boxes.seen().size(), 1u);
    EXPECT_EQ(boxes.seen()[0].text, "Help is not available: PelagixHelp.chm cannot be opened.");
}

TEST(MainForm, DataNamesMatchFoldersAndFilesWithoutRegardToCase) {
    SuiteCopy suite;
    fs::rename(suite.file("datum/vdatum/SampleBay"), suite.file("datum/vdatum/samplebay"));
    fs::rename(suite.file("datum/vdatum/samplebay/mllw.gtx"), suite.file("datum/vdatum/samplebay/MLLW.GTX"));
    Form f;
    ASSERT_EQ(f.ui->cbVDatum->count(), 1);
    Query q(f.frm->database, "SELECT file_path FROM found_surfaces ORDER BY 1;");
    std::vector<std::string> paths;
    while (q.step().release() == Query::kRow) paths.push_back(q.getString(0));
    EXPECT_EQ(paths, (std::vector<std::string>{suite.file("datum/vdatum/samplebay/MLLW.GTX"),
                                               suite.file("datum/vdatum/samplebay/mhw.gtx")}));
}

TEST(MainForm, OkClosesTheWindowOnlyAfterWriting) {
    SuiteCopy suite;
    writeProject(suite, kUserDefinedProject);
    MessageBoxWatcher boxes;
    Form f;
    f.frm->show();
    f.standard();
    f.ui->rbRTK1->click();  // needs a KTD file
    f.ui->btnOK->click();
    EXPECT_TRUE(f.frm->isVisible());
    EXPECT_EQ(boxes.seen().size(), 1u);
    f.ui->rbRTK0->click();
    f.ui->btnOK->click();
    EXPECT_FALSE(f.frm->isVisible());
    EXPECT_EQ(iniValue(suite.projectFile(), "Geodesy", "RTKMode"), "0");
}

TEST(MainForm, KeyboardReachesTheMenusAndTheButtons) {
    SuiteCopy suite;
    writeProject(suite, kClarkeProject + "ScaleFactor=0.9996");
    const std::string before = readFile(suite.projectFile());
    MessageBoxWatcher boxes;
    Form f;
    f.frm->show();
    f.frm->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(f.frm.get()));
    QTest::keyClick(f.frm.get(), Qt::Key_F, Qt::AltModifier);
    EXPECT_TRUE(f.ui->File1->isVisible());
    f.ui->File1->close();
    // Escape is Cancel: closed, nothing written.
    f.ui->edDx->setFocus();
    f.ui->edDx->setText("12");
    QTest::keyClick(f.ui->edDx, Qt::Key_Escape);
    EXPECT_FALSE(f.frm->isVisible());
    EXPECT_EQ(readFile(suite.projectFile()), before);
    // Enter is OK, from an edit or a list.
    for (QWidget* from : std::initializer_list<QWidget*>{f.ui->edDx, f.ui->cbEllipsoid}) {
        f.frm->show();
        f.frm->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(f.frm.get()));
        from->setFocus();
        QTest::keyClick(from, Qt::Key_Return);
        EXPECT_FALSE(f.frm->isVisible()) << from->objectName().toStdString();
        EXPECT_EQ(iniValue(suite.projectFile(), "Geodesy", "DeltaX"), "12");
    }
    EXPECT_TRUE(boxes.seen().empty());
}
