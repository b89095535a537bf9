// The main window keeps the surveyor's values: refused edits and unit changes leave the form
// consistent, numbers are checked before anything is written, a project saved without edits keeps
// every value, and what a message names can be seen.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

#include <sys/resource.h>

#include <cmath>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <functional>

#include "common/Text.h"
#include "editor/NumberText.h"
#include "geodesy/Tellus.h"
#include "tests/editor/EditorTestSupport.h"

namespace fs = std::filesystem;

namespace {

const char kNotANumber[] = "'%1' is not a valid floating point value";

QLineEdit* edit(const Form& f, const char* name) { return f.frm->findChild<QLineEdit*>(name); }

double number(const std::string& text) { return std::strtod(text.c_str(), nullptr); }

// While it lives, no file of this process may grow beyond `bytes`: a write past it fails (EFBIG)
// as on a full disk or an exhausted quota, instead of raising SIGXFSZ.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &old);
        oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = old;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);
    }

private:
    rlimit old{};
    void (*oldHandler)(int) = nullptr;
};

// 10 N 3.5 E through the section of a parameter file as the library converts it (as a project
// without a vertical reference when the file names none, as a custom grid does); NaN when it
// refuses the section.
std::pair<double, double> converted(const std::string& file) {
    constexpr double kRadiansPerDegree = 3.141592653589793 / 180;
    TempFolder t;
    std::string project = "[Geodesy]\r\n";
    for (const std::string& line : sectionLines(file, "Geodesy")) project += line + "\r\n";
    writeFile(t.file("p.ini"), project + "RTKMode=0\r\n");
    double x = std::nan(""), y = std::nan("");
    if (GeodesyHandle h = CreateFileGeodesy(t.file("p.ini").c_str(), nullptr)) {
        GeoXY(h, &x, &y, 10 * kRadiansPerDegree, 3.5 * kRadiansPerDegree);
        DestroyGeodesy(h);
    }
    return {x, y};
}

size_t entries(const std::string& folder) {
    return size_t(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

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
    const char* names[] = {"Semi-Major Axis", "Flattening", "False Easting", "False Northing"};
    int n = 0;
    for (const char* field : {"edSemiMajorAxis", "edFlattening", "edFalseEast", "edFalseNorth"}) {
        const QString name = names[n++];
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
            EXPECT_EQ(boxes.seen()[0].text, name + ": " + QString(kNotANumber).arg(text));
            EXPECT_EQ(f.frm->focusWidget(), edit(f, field));
            EXPECT_EQ(readFile(suite.projectFile()), before) << field << " '" << text << "'";
        }
    }
    // What the library refuses, OK refuses, naming the field and its range.
    const struct {
        const char* field;
        const char* text;
        const char* message;
    } outside[] = {
        {"edFlattening", "0", "Flattening: '0' is not a valid inverse flattening (290 to 1000000000000)"},
        {"edSemiMajorAxis", "637813.7", "Semi-Major Axis: '637813.7' is not a valid semi-major axis (6000000 to 7000000 m)"},
        {"edFalseNorth", "-4.5e8", "False Northing: '-4.5e8' is not a valid false origin (-400000000 to 400000000 meter)"},
    };
    for (const auto& c : outside) {
        SuiteCopy suite;
        writeProject(suite, project);
        MessageBoxWatcher boxes;
        Form f;
        edit(f, c.field)->setText(c.text);
        f.ui->btnOK->click();
        ASSERT_EQ(boxes.seen().size(), 1u) << c.field;
        EXPECT_EQ(boxes.seen()[0].text.toStdString(), c.message);
        EXPECT_EQ(f.frm->focusWidget(), edit(f, c.field));
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
    // ... and takes the typed value of one that does.
    struct Case {
        int slot;
        const char* typed;
        const char* latitude;
        const char* longitude;
    } cases[] = {{0, "xyz", "12.500000000°N", "75.000000000°W"},
                 {1, "xyz", "12.500000000°N", "75.000000000°W"},
                 {0, "-12.25", "12.250000000°S", "75.000000000°W"},
                 {1, "3.25", "12.500000000°N", "3.250000000°E"}};
    for (const Case& c : cases) {
        SuiteCopy suite;
        writeProject(suite, "Ver=2001\nProjection=TME\nRTKMode=0\nRefLatitude=12.5\nCentralMeridian=-75");
        Form f;
        f.frm->parameterSlots[c.slot].edit->setText(c.typed);
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
        {nullptr, nullptr, nullptr},  // a new project: its first OK succeeds
        {"Ver=2001\nProjection=TME\nRTKMode=3", "Missing VDatum zone or surface", "cbVDatum"},
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
        if (!c.message) {
            EXPECT_TRUE(boxes.seen().empty());
            EXPECT_EQ(iniValue(suite.projectFile(), "Geodesy", "RTKMode"), "0");
            continue;
        }
        ASSERT_EQ(boxes.seen().size(), 1u) << c.message;
        EXPECT_EQ(boxes.seen()[0].text, c.message);
        EXPECT_TRUE(f.frm->findChild<QWidget*>(c.control)->isVisibleTo(f.frm.get())) << c.message;
    }
}

TEST(MainFormValues, AFailedWriteNamesTheFileAndWhyAndLongNamesAreElided) {
    SuiteCopy suite;
    writeProject(suite, kUserDefinedProject + "\nZoneName=" + std::string(70000, 'Z') + "\nGrid=G");
    MessageBoxWatcher boxes;
    Form f;
    ASSERT_EQ(boxes.seen().size(), 1u);  // the unknown zone, its name cut to fit the screen
    EXPECT_LT(boxes.seen()[0].text.size(), 300);
    const std::string folder = suite.file("Projects/Harbour");
    fs::remove_all(folder);
    f.ui->btnOK->click();
    ASSERT_EQ(boxes.seen().size(), 2u);
    EXPECT_EQ(boxes.seen()[1].text.toStdString(), "The parameter file " + suite.projectFile() +
                                                      " could not be written: its folder " + folder + " does not exist.");
}

TEST(MainFormValues, AHandEditedLfFileKeepsItsLineEnds) {
    SuiteCopy suite;
    writeFile(suite.projectFile(), "[Job]\nName=Bay\n[Geodesy]\n" + kUserDefinedProject + "\n[Tail]\nT=1\n");
    Form f;
    f.ui->btnOK->click();
    const std::string text = readFile(suite.projectFile());
    EXPECT_EQ(iniValue(suite.projectFile(), "Geodesy", "Projection"), "TME");
    EXPECT_EQ(text.find('\r'), std::string::npos);
}

TEST(MainFormValues, EveryCaptionShowsWhole) {
    SuiteCopy suite;
    writeProject(suite, "Ver=2001\nProjection=LCC\nRTKMode=0");  // four parameter captions
    Form f;
    f.standard();
    f.frm->show();
    // At the least size, no field hides digits of its value: California zone 3 in US feet, and
    // British National Grid's false origin in a user-defined project.
    const auto fieldsShowWhole = [&](const char* zone) {
        f.frm->resize(f.frm->minimumSize());
        QApplication::processEvents();
        for (QLineEdit* e : f.frm->findChildren<QLineEdit*>()) {
            if (!e->isVisibleTo(f.frm.get()) || e->isReadOnly()) continue;
            EXPECT_LE(e->fontMetrics().horizontalAdvance(e->text()), e->contentsRect().width() - 4)
                << zone << " " << e->objectName().toStdString() << " \"" << e->text().toStdString() << "\"";
        }
    };
    f.choose(f.ui->cbGrid, "State Plane NAD83 (US feet)");
    f.choose(f.ui->cbZone, "California zone 3 (ftUS)");
    EXPECT_EQ(f.ui->edFalseNorth->text(), "1640416.667");
    fieldsShowWhole("California 3");
    writeProject(suite, "Ver=2001\nProjection=TME\nFalseEasting=400000\nFalseNorthing=-100000\nRTKMode=0");
    f.frm->ReadCurrentParameters();
    EXPECT_EQ(f.ui->edFalseNorth->text(), "-100000.0000");
    fieldsShowWhole("British National Grid, user defined");
    writeProject(suite, "Ver=2001\nProjection=LCC\nRTKMode=0");
    f.frm->ReadCurrentParameters();
    QApplication::processEvents();
    for (QLabel* label : f.frm->findChildren<QLabel*>()) {
        if (label->text().isEmpty() || !label->isVisibleTo(f.frm.get()) || label->wordWrap()) continue;
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

// A save that fails at any of its steps (here: the disk refuses to let a file grow past a limit)
// leaves the old file byte for byte, with its message and the window open; one that succeeds
// writes the whole new file. Either converts as a whole file does.
TEST(MainFormValues, AnInterruptedSaveLeavesTheOldFileOrTheNewOne) {
    SuiteCopy suite;
    const std::string cgeo = suite.file("datum/Site.cgeo");
    writeProject(suite, kUserDefinedGrid);
    fs::copy_file(suite.projectFile(), cgeo);
    const std::string export_ = suite.workingFolder() + "/tmpgeo.ini";
    writeProject(suite, kUserDefinedProject + "\n[Other]\nKeep=1");
    fs::create_directories(suite.workingFolder());
    writeFile(export_, readFile(suite.projectFile()));
    MessageBoxWatcher boxes;
    Form f;
    f.frm->show();
    f.ui->edFalseEast->setText("1500");
    const struct {
        const char* name;
        std::string file;
        std::function<bool()> save;  // true: saved; false: refused, with or without a message
    } writers[] = {
        {"OK", suite.projectFile(),
         [&] {
             f.ui->btnOK->click();
             const bool saved = !f.frm->isVisible();
             f.frm->show();
             return saved;
         }},
        {"custom grid", cgeo,
         [&] {
             try {
                 f.frm->saveCustomGrid(toUtf16(cgeo));
                 return true;
             } catch (const std::exception&) {
                 return false;
             }
         }},
        {"export", export_,
         [&] {
             try {
                 return !f.frm->writeExportParameters().empty();
             } catch (const std::exception&) {
                 return false;
             }
         }},
    };
    for (const auto& w : writers) {
        SCOPED_TRACE(w.name);
        const std::string old = readFile(w.file);
        const auto oldPoint = converted(w.file);
        ASSERT_TRUE(w.save());
        const std::string saved = readFile(w.file);
        const auto newPoint = converted(w.file);
        ASSERT_NE(saved, old);
        ASSERT_FALSE(std::isnan(oldPoint.first) || std::isnan(newPoint.first));
        ASSERT_NE(newPoint.first, oldPoint.first);  // the false easting typed
        const size_t project = entries(suite.file("Projects/Harbour")), datum = entries(suite.file("datum")),
                     working = entries(suite.workingFolder());
        for (rlim_t limit = 0; limit <= saved.size() + 16; limit += 13) {
            SCOPED_TRACE(limit);
            writeFile(w.file, old);
            const size_t shown = boxes.seen().size();
            bool done;
            {
                FileSizeLimit l(limit);
                done = w.save();
            }
            const std::string now = readFile(w.file);
            if (done) {
                EXPECT_EQ(now, saved);
            } else {
                EXPECT_EQ(now, old);
                if (std::string(w.name) == "OK") {
                    EXPECT_EQ(boxes.seen().size(), shown + 1);
                }
            }
            const auto point = converted(w.file);
            EXPECT_EQ(point, done ? newPoint : oldPoint);
        }
        // No temporary file stays behind.
        EXPECT_EQ(entries(suite.file("Projects/Harbour")), project);
        EXPECT_EQ(entries(suite.file("datum")), datum);
        EXPECT_EQ(entries(suite.workingFolder()), working);
    }
}

// A value read from the file that is not finite is shown as it is and refused like a typed one.
TEST(MainFormValues, ANumberThatIsNotFiniteIsNeverWrittenBack) {
    // Clarke 1880 (IGN): the datum edits are open.
    const std::string project = "Ver=2001\nProjection=TME\nScaleFactor=0.9996\nRTKMode=0\n";
    const std::string clarke = "SemiMajorAxis=6378249.2\nFlattening=293.4660212936269\n";
    const struct {
        std::string lines;
        const char* shown;
    } cases[] = {
        {"SemiMajorAxis=nan\nFlattening=293.4660212936269", "Semi-Major Axis: 'nan'"},
        {clarke + "FalseEasting=nan", "False Easting: 'nan'"},
        {clarke + "DeltaX=inf", "Delta X: 'inf'"},
        {"DeltaX=1e999", "Delta X: 'inf'"},  // WGS 84: the datum edits are closed, but for this one
        {clarke + "AdjustType=1\nAdjustScale=nan", "AdjustScale: 'nan'"},
        {clarke + "AdjustType=1\nAdjustOrigX=-inf", "AdjustOrigX: '-inf'"},
        {clarke + "ChartDatum=nan", "Chart Datum Level: 'nan'"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.lines);
        SuiteCopy suite;
        writeProject(suite, project + c.lines);
        const std::string before = readFile(suite.projectFile());
        MessageBoxWatcher boxes;
        Form f;
        f.frm->show();
        f.ui->btnOK->click();
        EXPECT_TRUE(f.frm->isVisible());
        ASSERT_EQ(boxes.seen().size(), 1u);
        EXPECT_EQ(boxes.seen()[0].text.toStdString(), std::string(c.shown) + " is not a valid floating point value");
        EXPECT_EQ(readFile(suite.projectFile()), before);
        // The field that holds it can be corrected.
        if (QWidget* field = f.frm->focusWidget(); field && c.shown[0] != 'A') {
            EXPECT_TRUE(field->isEnabled());
            qobject_cast<QLineEdit*>(field)->setText(c.lines.find("SemiMajor") == 0 ? "6378137" : "0");
            f.ui->btnOK->click();
            EXPECT_EQ(boxes.seen().size(), 1u);
            EXPECT_FALSE(f.frm->isVisible());
        }
    }
}

// Opened and saved, a project keeps its unit factor whether or not the unit table has it to the
// last digit, and the library converts with it as before.
TEST(MainFormValues, AStoredUnitFactorIsKeptAndConvertsTheSame) {
    const struct {
        const char* unit;
        const char* name;
    } cases[] = {{"0.304800609601219", "foot (US)"}, {"0.5", "half metre"}, {"0.3048", "foot (int.)"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.unit);
        SuiteCopy suite;
        // A false easting of 500 km in the unit, as a State Plane zone in US feet holds it.
        writeProject(suite, std::string("Ver=2001\nProjection=TME\nCentralMeridian=3\nScaleFactor=0.9996\n"
                                        "SemiMajorAxis=6378137\nFlattening=298.257223563\nChartDatum=0\nUnit=") +
                                c.unit + "\nUnitsName=" + c.name + "\nFalseEasting=" +
                                numbertext::exact(500000 / std::strtod(c.unit, nullptr)).toStdString() +
                                "\nRTKMode=0");
        const auto before = converted(suite.projectFile());
        ASSERT_FALSE(std::isnan(before.first));
        {
            Form f;
            f.ui->btnOK->click();
        }
        EXPECT_EQ(number(iniValue(suite.projectFile(), "Geodesy", "Unit")), number(c.unit));
        EXPECT_EQ(iniValue(suite.projectFile(), "Geodesy", "UnitsName"), c.name);
        EXPECT_EQ(converted(suite.projectFile()), before);
    }
}

// A zone the database does not hold is reported; the projection read in its place has the scale
// factor the library takes for a missing one, and OK refuses a scale factor of 0.
TEST(MainFormValues, AnUnknownZoneIsReportedAndAScaleFactorOf0Refused) {
    for (const char* lines : {"ZoneId=99999999\nRTKMode=0", "Projection=TME\nScaleFactor=0.9996\nRTKMode=0"}) {
        SCOPED_TRACE(lines);
        SuiteCopy suite;
        writeProject(suite, std::string("Ver=2001\n") + lines);
        const std::string before = readFile(suite.projectFile());
        MessageBoxWatcher boxes;
        Form f;
        f.frm->show();
        const bool unknown = std::string(lines).find("ZoneId") != std::string::npos;
        if (unknown) {
            ASSERT_EQ(boxes.seen().size(), 1u);
            EXPECT_TRUE(boxes.seen()[0].text.contains("99999999")) << boxes.seen()[0].text.toStdString();
            EXPECT_EQ(f.ui->edParm2->text().toStdString(), "1.0000000000");
        }
        f.ui->edParm2->setText("0");
        const size_t shown = boxes.seen().size();
        f.ui->btnOK->click();
        EXPECT_TRUE(f.frm->isVisible());
        ASSERT_EQ(boxes.seen().size(), shown + 1);
        EXPECT_EQ(boxes.seen().back().text.toStdString(),
                  "Scale factor: '" + f.ui->edParm2->text().toStdString() + "' is not a valid scale factor (0.1 to 10)");
        EXPECT_EQ(readFile(suite.projectFile()), before);
    }
}

TEST(MainFormValues, AnAngleOutOfRangeIsRefusedNamingItsFieldAndRange) {
    const struct {
        const char* field;
        const char* text;
        const char* message;
    } cases[] = {
        {"edParm1", "200", "Central meridian: '200' is not a valid longitude (-180 to 180 degrees)"},
        {"edParm0", "95", "Latitude of origin: '95' is not a valid latitude (-90 to 90 degrees)"},
    };
    for (const auto& c : cases) {
        SuiteCopy suite;
        writeProject(suite, kUserDefinedProject);
        const std::string before = readFile(suite.projectFile());
        MessageBoxWatcher boxes;
        Form f;
        edit(f, c.field)->setText(c.text);
        f.ui->btnOK->click();
        ASSERT_EQ(boxes.seen().size(), 1u) << c.field;
        EXPECT_EQ(boxes.seen()[0].text.toStdString(), c.message);
        EXPECT_EQ(readFile(suite.projectFile()), before);
    }
}
