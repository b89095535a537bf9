// The main window on the sample suite: start-up, lists, display modes and captions.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "editor/TmainFrm.h"
#include "tests/editor/EditorTestSupport.h"
#include "ui_TmainFrm.h"

TEST(MainForm, OpensOnTheSampleSuiteInSubBottomMode) {
    SuiteCopy suite;
    TmainFrm form;
    form.FormCreate();
    ASSERT_FALSE(form.terminateRequested());
    Ui::mainFrm* ui = form.form();
    EXPECT_EQ(form.windowTitle(), "Verevuzu Deradazavo");
    EXPECT_EQ(form.displayMode, TmainFrm::kSubBottom);
    EXPECT_TRUE(ui->mnuViewSubBottom->isChecked());
    EXPECT_FALSE(ui->mnuViewStandard->isChecked());
    EXPECT_EQ(form.width(), 771);
    EXPECT_EQ(form.height(), 420);
    EXPECT_EQ(ui->btnOK->y(), 320);
}
