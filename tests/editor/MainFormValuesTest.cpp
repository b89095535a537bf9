// The main window keeps the surveyor's values: refused edits and unit changes leave the form
// consistent, numbers are checked before anything is written, a project saved without edits keeps
// every value, and what a message names can be seen.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <cstdlib>
#include <filesystem>

#include "tests/editor/EditorTestSupport.h"

namespace fs = std::filesystem;

namespace {

const char kNotANumber[] = "'%1' is not a valid floating point value";

QLineEdit* edit(const Form& f, const char* name) { return f.frm->findChild<QLineEdit*>(name); }

double number(const std::string& text) { return std::strtod(text.c_str(), nullptr); }

}  // namespace

TEST(MainFormValues, ARefusedUnitChangeLeavesTheListOnTheFormsUnit) {
    struct Case {
        const char* list;
        const char* field;
        const char* key;
    } cases[] = {{"cbHorzUnit", "edFalseEast", "FalseEasting"}, {"cbVertUnit", "edOrtho", "OrthoHCorr"}};
    for (const Case& c : cases) {
        SuiteCopy suite;
        writeProject(suite, kUserDefinedProject);
        MessageBoxWatcher boxes;
        Form f;
        f.standard();
        auto* list = f.frm->findChild<QComboBox*>(c.list);
        const int before = list->currentIndex();
        edit(f, c.field)->setText("12abc");
        f.choose(list, "foot (int.)");
        ASSERT_EQ(boxes.seen().size(), 1u) << c.list;
        EXPECT_EQ(boxes.seen()[0].text, QString(kNotANumber).arg("12abc"));
        EXPECT_EQ(list->currentIndex(), before) << c.list;
        edit(f, c.field)->setText("1000");
        f.ui->btnOK->click();
        const std::string file = suite.projectFile();
        EXPECT_EQ(iniValue(file, "Geodesy", "Unit"), "1.000000000000") << c.list;
        EXPECT_EQ(iniValue(file, "Geodesy", "UnitsName"), "meter") << c.list;
        EXPECT_EQ(iniValue(file, "Geodesy", "VertUnit"), "0") << c.list;
        EXPECT_EQ(number(iniValue(file, "Geodesy", c.key)), 1000.0) << c.list;
    }
}

TEST(MainFormValues, IdenticalEllipsoidsTakeTheNamedOneThenTheStandard) {
    struct Case {
        const char* lines;
        const char* ellipsoid;
        bool datumEditable;  // WGS 84 takes no transformation
    } cases[] = {
        {"SemiMajorAxis=6378137\nFlattening=298.257223563", "WGS 84", false},
        {"SemiMajorAxis=6378137\nFlattening=298.257223563\nEllipsoid=GEM 10C", "GEM 10C", true},
        {"SemiMajorAxis=6378137\nFlattening=298.257222101", "GRS 1980", true},
        {"SemiMajorAxis=6378137\nFlattening=298.257222101\nEllipsoid=CGCS2000", "CGCS2000", true},
        {"SemiMajorAxis=6378137\nFlattening=298.257222101\nEllipsoid=user defined", "GRS 1980", true},
    };
    for (const Case& c : cases) {
        SuiteCopy suite;
        writeProject(suite, std::string("Ver=2001\nProjection=TME\nRTKMode=0\n") + c.lines);
        Form f;
        EXPECT_EQ(f.ui->cbEllipsoid->currentText().toStdString(), c.ellipsoid) << c.lines;
        EXPECT_EQ(f.ui->edDx->isEnabled(), c.datumEditable) << c.lines;
    }

    // A new project: no file, the WGS 84 defaults.
    SuiteCopy suite;
    fs::remove(suite.projectFile());
    Form f;
    EXPECT_EQ(f.ui->cbEllipsoid->currentText().toStdString(), "WGS 84");
    EXPECT_FALSE(f.ui->edDx->isEnabled());
    f.standard();
    f.ui->rbRTK0->click();
    f.ui->btnOK->click();
    EXPECT_EQ(iniValue(suite.projectFile(), "Geodesy", "Ellipsoid"), "WGS 84");
}

TEST(MainFormValues, EveryNumberIsCheckedBeforeAnythingIsWritten) {
    // A user-defined ellipsoid, so that its two edits are open.
    const std::string project =
        "Ver=2001\nProjection=TME\nRTKMode=0\nSemiMajorAxis=6378000\nFlattening=299\nFalseEasting=1000\nFalseNorthing=2000";
    for (const char* field : {"edSemiMajorAxis", "edFlattening", "edFalseEast", "edFalseNorth"}) {
        for (const char* text : {"abc", "", "500 000"}) {
            SuiteCopy suite;
            writeProject(suite, project);
            const std::string before = readFile(suite.projectFile());
            MessageBoxWatcher boxes;
            Form f;
            ASSERT_TRUE(edit(f, field)->isEnabled()) << field;
            edit(f, field)->setText(text);
            f.ui->btnOK->click();
            ASSERT_EQ(boxes.seen().size(), 1u) << field << " '" << text << "'";
            EXPECT_EQ(boxes.seen()[0].text, QString(kNotANumber).arg(text));
            EXPECT_EQ(readFile(suite.projectFile()), before) << field << " '" << text << "'";
        }
    }
}

TEST(MainFormValues, AProjectSavedWithoutEditsKeepsEveryValue) {
    const std::vector<std::pair<std::string, std::string>> keys = {
        {"Ver", "2001"},
        {"Projection", "TME"},
        {"RefLatitude", "12.3456789012345"},
        {"CentralMeridian", "-75.123456789012"},
        {"ScaleFactor", "0.99961234567891"},
        {"Unit", "0.3048"},
        {"VertUnit", "0.3048"},
        {"FalseEasting", "500000.123456789"},
        {"FalseNorthing", "-1234.56789012345"},
        {"SemiMajorAxis", "6378000.123456789"},
        {"Flattening", "299.123456789012"},
        {"DeltaX", "1.23456"},
        {"DeltaY", "-2.3456789"},
        {"DeltaZ", "0.0001234"},
        {"DeltaScale", "1.2345678"},
        {"DeltaRX", "0.1234567"},
        {"DeltaRY", "-0.0000012"},
        {"DeltaRZ", "3.3333333"},
        {"OrthoHCorr", "1.23456789"},
        {"RTKMode", "5"},
        {"ChartDatum", "1.23456"},
    };
    std::string lines;
    for (const auto& [key, value] : keys) lines += key + "=" + value + "\n";
    SuiteCopy suite;
    writeProject(suite, lines);
    {
        Form f;
        f.ui->btnOK->click();
    }
    const std::string file = suite.projectFile();
    for (const auto& [key, value] : keys) {
        if (key == "Projection")
            EXPECT_EQ(iniValue(file, "Geodesy", key), value);
        else
            EXPECT_EQ(number(iniValue(file, "Geodesy", key)), number(value)) << key;
    }

    // Metres in feet and back: the value converted, not the four decimals it was shown with.
    writeProject(suite, "Ver=2001\nProjection=TME\nRTKMode=0\nFalseEasting=500000.123456789\nOrthoHCorr=10");
    Form f;
    f.standard();
    f.choose(f.ui->cbHorzUnit, "foot (int.)");
    f.ui->btnOK->click();
    EXPECT_DOUBLE_EQ(number(iniValue(file, "Geodesy", "FalseEasting")), 500000.123456789 / 0.3048);
    f.choose(f.ui->cbVertUnit, "foot (int.)");
    f.ui->btnOK->click();
    EXPECT_EQ(number(iniValue(file, "Geodesy", "OrthoHCorr")), 10.0);
}

TEST(MainFormValues, UnknownProjectionIsRefusedAtOk) {
    SuiteCopy suite;
    writeProject(suite, "Ver=2001\nProjection=XYZ\nRTKMode=0");
    const std::string before = readFile(suite.projectFile());
    MessageBoxWatcher boxes;
    Form f;
    f.ui->btnOK->click();
    ASSERT_EQ(boxes.seen().size(), 1u);
    EXPECT_EQ(boxes.seen()[0].text, "No projection is chosen: choose one in the Projection list.");
    EXPECT_EQ(readFile(suite.projectFile()), before);
}

TEST(MainFormValues, ChoosingACustomGridReadsItWhole) {
    struct Case {
        const char* fileName;
        const char* junkField;
    } cases[] = {{"Upper.CGEO", ""}, {"site.cgeo", "edFalseEast"}, {"site.cgeo", "edOrtho"}};
    for (const Case& c : cases) {
        SuiteCopy suite;
        writeFile(suite.file(std::string("datum/") + c.fileName),
                  "\xEF\xBB\xBF\r\n[Geodesy]\r\nProjection=MER\r\nFalseEasting=777\r\nOrthoHCorr=3\r\n");
        writeProject(suite, kUserDefinedProject);
        MessageBoxWatcher boxes;
        Form f;
        f.standard();
        if (*c.junkField) edit(f, c.junkField)->setText("12abc");
        f.choose(f.ui->cbGrid, fs::path(c.fileName).stem().c_str());
        EXPECT_TRUE(boxes.seen().empty()) << c.fileName << c.junkField;
        EXPECT_EQ(f.ui->cbProjection->currentText(), "Mercator") << c.fileName;
        f.ui->btnOK->click();
        const std::string file = suite.projectFile();
        EXPECT_EQ(iniValue(file, "Geodesy", "Projection"), "MER") << c.fileName << c.junkField;
        EXPECT_EQ(number(iniValue(file, "Geodesy", "FalseEasting")), 777.0) << c.fileName << c.junkField;
        EXPECT_EQ(number(iniValue(file, "Geodesy", "OrthoHCorr")), 3.0) << c.fileName << c.junkField;
    }

    // A grid file gone since it was listed: its message, the form and its grid as they were.
    SuiteCopy suite;
    writeFile(suite.file("datum/gone.cgeo"), "\xEF\xBB\xBF\r\n[Geodesy]\r\nProjection=MER\r\n");
    writeProject(suite, kUserDefinedProject);
    MessageBoxWatcher boxes;
    Form f;
    const int before = f.ui->cbGrid->currentIndex();
    fs::remove(suite.file("datum/gone.cgeo"));
    f.choose(f.ui->cbGrid, "gone");
    ASSERT_EQ(boxes.seen().size(), 1u);
    EXPECT_EQ(boxes.seen()[0].text.toStdString(),
              "The custom grid file cannot be read: " + suite.file("datum/gone.cgeo"));
    EXPECT_EQ(f.ui->cbGrid->currentIndex(), before);
    EXPECT_EQ(f.ui->cbProjection->currentText().toStdString(), "Transverse Mercator");
    EXPECT_EQ(f.ui->edFalseEast->text().toStdString(), "   1000.0000");
}

TEST(MainFormValues, ADegreeSwitchKeepsTheValueOfAFieldThatDoesNotParse) {
    struct Case {
        int slot;
        const char* latitude;
        const char* longitude;
    } cases[] = {{0, "12.500000000°N", "75.000000000°W"}, {1, "12.500000000°N", "75.000000000°W"}};
    for (const Case& c : cases) {
        SuiteCopy suite;
        writeProject(suite, "Ver=2001\nProjection=TME\nRTKMode=0\nRefLatitude=12.5\nCentralMeridian=-75");
        Form f;
        f.frm->parameterSlots[c.slot].edit->setText("xyz");
        f.ui->DecimalDegrees1->trigger();
        EXPECT_EQ(f.ui->edParm0->text(), c.latitude) << c.slot;
        EXPECT_EQ(f.ui->edParm1->text(), c.longitude) << c.slot;
    }
}

TEST(MainFormValues, AValidationMessageShowsTheControlsItNames) {
    struct Case {
        const char* lines;  // nullptr: no project file
        const char* message;
        const char* control;
    } cases[] = {
        {nullptr, "Missing VDatum zone or surface", "cbVDatum"},
        {"Ver=2001\nProjection=TME\nRTKMode=1", "Missing KTD file", "edKtd"},
    };
    for (const Case& c : cases) {
        SuiteCopy suite;
        if (c.lines)
            writeProject(suite, c.lines);
        else
            fs::remove(suite.projectFile());
        MessageBoxWatcher boxes;
        Form f;
        ASSERT_EQ(f.frm->displayMode, TmainFrm::kSubBottom);
        f.ui->btnOK->click();
        ASSERT_EQ(boxes.seen().size(), 1u) << c.message;
        EXPECT_EQ(boxes.seen()[0].text, c.message);
        EXPECT_TRUE(f.frm->findChild<QWidget*>(c.control)->isVisibleTo(f.frm.get())) << c.message;
    }
}

TEST(MainFormValues, EveryCaptionShowsWhole) {
    SuiteCopy suite;
    writeProject(suite, "Ver=2001\nProjection=LCC\nRTKMode=0");  // four parameter captions
    Form f;
    for (QLabel* label : f.frm->findChildren<QLabel*>()) {
        if (label->text().isEmpty()) continue;
        EXPECT_LE(label->fontMetrics().horizontalAdvance(label->text()), label->contentsRect().width())
            << label->objectName().toStdString() << " \"" << label->text().toStdString() << "\"";
    }
    for (QAbstractButton* button : f.frm->findChildren<QAbstractButton*>()) {
        if (!qobject_cast<QCheckBox*>(button) && !qobject_cast<QRadioButton*>(button)) continue;
        EXPECT_LE(button->sizeHint().width(), button->width()) << button->objectName().toStdString();
    }
    for (QGroupBox* box : f.frm->findChildren<QGroupBox*>())
        EXPECT_LT(box->fontMetrics().horizontalAdvance(box->title()), box->width()) << box->objectName().toStdString();
}
