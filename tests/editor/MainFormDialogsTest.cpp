// The main window's doors to the dialogs: each is shown modally, and only OK hands its result to
// the form.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

#include "common/Database.h"
#include "common/Query.h"
#include "editor/TAboutDlg.h"
#include "editor/TLocalGridDlg.h"
#include "editor/TTimeVarDlg.h"
#include "editor/TmainFrm.h"
#include "tests/editor/DialogTestSupport.h"

namespace {

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

}  // namespace
