// The main window on parameters whose angles no degree format can show: it starts, shows them as
// invalid, and refuses OK rather than writing a value the user never saw.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

#include "editor/TmainFrm.h"
#include "tests/editor/EditorTestSupport.h"
#include "ui_TmainFrm.h"

namespace {

const std::string kBom = "\xEF\xBB\xBF\r\n";
// A user-defined Transverse Mercator on WGS 84 whose central meridian is far beyond any angle.
const std::string kHugeMeridian =
    "[Geodesy]\r\nVer=2001\r\nProjection=TME\r\nRefLatitude=0\r\nCentralMeridian=1e11\r\nScaleFactor=0.9996\r\n"
    "Unit=1\r\nFalseEasting=0\r\nFalseNorthing=0\r\nSemiMajorAxis=6378137\r\nFlattening=298.257223563\r\n";

TEST(UnshowableAngle, StartsPicksAndRefusesOk) {
    enum class Where { Project, CustomGrid };
    for (Where where : {Where::Project, Where::CustomGrid}) {
        SCOPED_TRACE(where == Where::Project ? "project" : "custom grid");
        SuiteCopy suite;
        if (where == Where::Project)
            writeFile(suite.projectFile(), kBom + kHugeMeridian + "RTKMode=0\r\n");
        else
            writeFile(suite.file("datum/Huge.cgeo"), kBom + kHugeMeridian);
        const std::string before = readFile(suite.projectFile());
        MessageBoxWatcher boxes;
        TmainFrm frm;
        frm.FormCreate();
        ASSERT_FALSE(frm.terminateRequested());
        frm.show();
        Ui::mainFrm* ui = frm.form();
        if (where == Where::CustomGrid) {
            const int index = ui->cbGrid->findText("Huge");
            ASSERT_GE(index, 0);
            ui->cbGrid->setCurrentIndex(index);
            emit ui->cbGrid->activated(index);
        }
        EXPECT_TRUE(frm.isVisible());
        EXPECT_EQ(ui->edParm1->text(), "invalid");
        ui->btnOK->click();
        EXPECT_TRUE(frm.isVisible());
        ASSERT_EQ(boxes.seen().size(), 1u);
        EXPECT_TRUE(boxes.seen()[0].text.contains("invalid")) << boxes.seen()[0].text.toStdString();
        EXPECT_EQ(readFile(suite.projectFile()), before);
    }
}

}  // namespace
