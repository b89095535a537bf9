// The time-variable transformation dialog against PROJ's time-dependent Helmert transformations of
// the EPSG dataset, its worked examples, and its controls.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

#include <array>
#include <chrono>
#include <cmath>

#include "editor/TTimeVarDlg.h"
#include "tests/editor/EditorTestSupport.h"

namespace {

constexpr double kArcSecond = 3.141592653589793 / 648000;

struct Ecef {
    double x, y, z;
};

// WGS 84 (ITRF) to the target datum with the block's parameters, as the library applies them:
// coordinate-frame rotations in small-angle form, X' = dX + s (X + rZ Y - rY Z), ...
Ecef applyForward(const double* block, const Ecef& p) {
    const double s = 1.0 + block[3] * 1e-6;
    const double rx = block[4] * kArcSecond, ry = block[5] * kArcSecond, rz = block[6] * kArcSecond;
    return {block[0] + s * (p.x + rz * p.y - ry * p.z), block[1] + s * (-rz * p.x + p.y + rx * p.z),
            block[2] + s * (ry * p.x - rx * p.y + p.z)};
}

struct HelmertCase {
    int frame, target;
    double epoch;
    Ecef from, to;  // to: PROJ's result
};

// Made once with PROJ 9.1.1:
//   echo "<X> <Y> <Z> <epoch>" | cct -d 4 EPSG:<op>
// with the EPSG time-dependent Helmert transformations 6278, 6277, 6276 (ITRF2000, 2005, 2008 to
// GDA94), 7941, 7950, 7951 (ITRF2000, 2005, 2008 to ETRF2000) and 6866 (ITRF2000 to
// NAD83(CORS96)).
constexpr Ecef kSydney = {-4052052.7, 4212836.0, -2545105.2};
constexpr Ecef kParis = {4027894.0, 307045.6, 4919474.9};
const HelmertCase kHelmertCases[] = {
    {TTimeVarDlg::ITRF2000, TTimeVarDlg::GDA94, 2010.0, kSydney, {-4052052.1265, 4212836.1723, -2545106.0813}},
    {TTimeVarDlg::ITRF2005, TTimeVarDlg::GDA94, 2010.0, kSydney, {-4052052.1115, 4212836.1509, -2545106.0810}},
    {TTimeVarDlg::ITRF2008, TTimeVarDlg::GDA94, 2010.0, kSydney, {-4052052.1206, 4212836.1605, -2545106.0952}},
    {TTimeVarDlg::ITRF2000, TTimeVarDlg::GDA94, 2021.0, kSydney, {-4052051.7121, 4212836.2505, -2545106.6780}},
    {TTimeVarDlg::ITRF2005, TTimeVarDlg::GDA94, 2021.0, kSydney, {-4052051.6816, 4212836.2110, -2545106.6731}},
    {TTimeVarDlg::ITRF2008, TTimeVarDlg::GDA94, 2021.0, kSydney, {-4052051.6899, 4212836.2201, -2545106.6911}},
    {TTimeVarDlg::ITRF2000, TTimeVarDlg::ETRS89, 2010.0, kParis, {4027894.3242, 307045.2856, 4919474.6536}},
    {TTimeVarDlg::ITRF2005, TTimeVarDlg::ETRS89, 2010.0, kParis, {4027894.3271, 307045.2862, 4919474.6357}},
    {TTimeVarDlg::ITRF2008, TTimeVarDlg::ETRS89, 2010.0, kParis, {4027894.3319, 307045.2856, 4919474.6356}},
    {TTimeVarDlg::ITRF2000, TTimeVarDlg::ETRS89, 2021.0, kParis, {4027894.4657, 307045.0943, 4919474.5497}},
    {TTimeVarDlg::ITRF2005, TTimeVarDlg::ETRS89, 2021.0, kParis, {4027894.4700, 307045.0962, 4919474.5163}},
    {TTimeVarDlg::ITRF2008, TTimeVarDlg::ETRS89, 2021.0, kParis, {4027894.4781, 307045.0956, 4919474.5162}},
    // NAD83 does not depend on the frame chosen.
    {TTimeVarDlg::ITRF2000, TTimeVarDlg::NAD83, 2010.0, kSydney, {-4052051.4701, 4212833.9667, -2545106.2496}},
    {TTimeVarDlg::ITRF2008, TTimeVarDlg::NAD83, 2010.0, kSydney, {-4052051.4701, 4212833.9667, -2545106.2496}},
    {TTimeVarDlg::ITRF2005, TTimeVarDlg::NAD83, 2021.0, kParis, {4027895.2214, 307044.1346, 4919474.1606}},
};
// cct prints 0.1 mm; the small-angle forms agree far below that.
constexpr double kEcefTolerance = 0.00006;

TEST(TimeVarParameters, MoveAPointAsProjDoes) {
    for (const HelmertCase& c : kHelmertCases) {
        SCOPED_TRACE(testing::Message() << "frame " << c.frame << " target " << c.target << " epoch " << c.epoch);
        double block[TTimeVarDlg::kParameterCount];
        ASSERT_TRUE(TTimeVarDlg::ComputeParameters(c.frame, c.target, c.epoch, block));
        const Ecef moved = applyForward(block, c.from);
        EXPECT_NEAR(moved.x, c.to.x, kEcefTolerance);
        EXPECT_NEAR(moved.y, c.to.y, kEcefTolerance);
        EXPECT_NEAR(moved.z, c.to.z, kEcefTolerance);
    }
}

// The sets are linear in time: they serve the epochs of today's surveys, and refuse those far
// beyond them.
double thisYear() {
    return int(std::chrono::year_month_day(std::chrono::floor<std::chrono::days>(std::chrono::system_clock::now())).year());
}

TEST(TimeVarParameters, EpochsOutsideTheSetsAreRefused) {
    const double refused[] = {1997.0, 1999.9999, thisYear() + 50, 0.0, std::nan("")};
    for (double t : refused) {
        for (int target : {TTimeVarDlg::NAD83, TTimeVarDlg::GDA94, TTimeVarDlg::ETRS89}) {
            std::array<double, TTimeVarDlg::kParameterCount> block;
            block.fill(42.0);
            EXPECT_FALSE(TTimeVarDlg::ComputeParameters(TTimeVarDlg::ITRF2008, target, t, block.data())) << t;
            for (double v : block) EXPECT_EQ(v, 42.0);
        }
    }
    double block[TTimeVarDlg::kParameterCount];
    EXPECT_TRUE(TTimeVarDlg::ComputeParameters(TTimeVarDlg::ITRF2008, TTimeVarDlg::GDA94, 2000.0, block));
    for (double t : {2021.5, thisYear(), thisYear() + 3.5})
        EXPECT_TRUE(TTimeVarDlg::ComputeParameters(TTimeVarDlg::ITRF2008, TTimeVarDlg::ETRS89, t, block)) << t;
    EXPECT_FALSE(TTimeVarDlg::ComputeParameters(TTimeVarDlg::ITRF2008, 3, 2010.0, block));
}

TEST(TimeVarParameters, DefaultYearByHalfYears) {
    const struct {
        int year, month;
        double expected;
    } cases[] = {{2019, 1, 2019.0}, {2019, 5, 2019.0}, {2019, 6, 2019.5}, {2019, 11, 2019.5}, {2019, 12, 2020.0}};
    for (const auto& c : cases) EXPECT_EQ(TTimeVarDlg::DefaultYear(c.year, c.month), c.expected) << c.month;
}

class TimeVarDialog : public testing::Test {
protected:
    TimeVarDialog() {
        block.fill(99.0);
        dialog = std::make_unique<TTimeVarDlg>(nullptr, block.data());
        itrf = dialog->findChild<QComboBox*>("itrf");
        target = dialog->findChild<QComboBox*>("target");
        year = dialog->findChild<QComboBox*>("year");
        compute = dialog->findChild<QPushButton*>("btnCompute");
        ok = dialog->findChild<QPushButton*>("btnOk");
        for (const char* name : {"dx", "dy", "dz", "dscale", "drx", "dry", "drz"})
            edits.push_back(dialog->findChild<QLineEdit*>(name));
    }
    QStringList texts() const {
        QStringList t;
        for (QLineEdit* e : edits) t << e->text();
        return t;
    }
    void choose(QComboBox* box, int index) {
        box->setCurrentIndex(index);
        emit box->activated(index);
    }

    std::array<double, TTimeVarDlg::kParameterCount> block;
    std::unique_ptr<TTimeVarDlg> dialog;
    QComboBox *itrf, *target, *year;
    QPushButton *compute, *ok;
    std::vector<QLineEdit*> edits;
};

TEST_F(TimeVarDialog, OpensWithListsAndAComputedOrClearedBlock) {
    ASSERT_EQ(itrf->count(), 3);
    EXPECT_EQ(itrf->currentText(), "ITRF2008");
    ASSERT_EQ(target->count(), 3);
    EXPECT_EQ(target->currentText(), "NAD83");
    ASSERT_EQ(year->count(), 21);
    EXPECT_EQ(year->itemText(0), "2000.0");
    EXPECT_EQ(year->itemText(20), "2020.0");
    // The default year, from the clock, is one the dialog computes for.
    const double t = year->currentText().toDouble();
    EXPECT_GE(t, thisYear());
    std::array<double, TTimeVarDlg::kParameterCount> expected{};
    ASSERT_TRUE(TTimeVarDlg::ComputeParameters(TTimeVarDlg::ITRF2008, TTimeVarDlg::NAD83, t, expected.data()));
    EXPECT_EQ(block, expected);
    EXPECT_EQ(edits[0]->text(), QString::asprintf("%.4f", expected[0]));
    expectCaptions(dialog.get(), {{"lblEpoch", "ITRF/WGS84 Epoch"}, {"lblTargetSystem", "Target System"},
                                  {"lblTargetYear", "Target Year"}, {"btnOk", "OK"}, {"btnCancel", "Cancel"},
                                  {"btnCompute", "Compute"}, {"lblDeltaX", "Delta X"}, {"lblDeltaY", "Delta Y"},
                                  {"lblDeltaZ", "Delta Z"}, {"lblDeltaRx", "Delta rX"}, {"lblDeltaRy", "Delta rY"},
                                  {"lblDeltaRz", "Delta rZ"}, {"lblDeltaScale", "Delta Scale"}});
}

TEST_F(TimeVarDialog, WorkedExampleGda94In2010) {
    choose(target, TTimeVarDlg::GDA94);
    year->setEditText("2010.0");
    compute->click();
    // dx = (-84.68 + 1.42 x 16) x 0.001; rz = (2.4015 + 1.1551 x 16) x 0.001.
    EXPECT_NEAR(block[0], -0.06196, 1e-15);
    EXPECT_NEAR(block[6], 0.0208831, 1e-15);
    EXPECT_EQ(edits[0]->text(), "-0.0620");
    EXPECT_EQ(edits[6]->text(), "0.020883");
    EXPECT_EQ(edits[3]->text(), "0.011454");  // (9.71 + 0.109 x 16) x 0.001
}

TEST_F(TimeVarDialog, RefusedYearKeepsBlockAndEdits) {
    choose(target, TTimeVarDlg::GDA94);
    year->setEditText("2010.0");
    compute->click();
    const auto before = block;
    const QStringList shown = texts();
    for (const char* t : {"1997.0", "9999.0", "not a year"}) {
        year->setEditText(t);
        compute->click();
        EXPECT_EQ(block, before) << t;
        EXPECT_EQ(texts(), shown) << t;
    }
    // The list ends at 2020.0, the sets at 2021.0.
    year->setEditText("2021.0");
    compute->click();
    EXPECT_NE(block, before);
}

// A typed year takes effect on Compute, on Enter in the year field (which does not close the
// dialog with the previous year's values) or on a choice from the list; the focus leaving it
// computes nothing.
TEST_F(TimeVarDialog, TypedYearWaitsForComputeOrAListChoice) {
    dialog->show();
    choose(target, TTimeVarDlg::GDA94);
    year->setEditText("2005.0");
    compute->click();
    std::array<double, TTimeVarDlg::kParameterCount> in2010;
    ASSERT_TRUE(TTimeVarDlg::ComputeParameters(TTimeVarDlg::ITRF2008, TTimeVarDlg::GDA94, 2010.0, in2010.data()));
    QLineEdit* typing = year->lineEdit();
    const auto key = [](QWidget* to, int k, const QString& text = {}) {
        QKeyEvent press(QEvent::KeyPress, k, Qt::NoModifier, text);
        QApplication::sendEvent(to, &press);
        QKeyEvent release(QEvent::KeyRelease, k, Qt::NoModifier, text);
        QApplication::sendEvent(to, &release);
    };
    const struct {
        const char* typed;
        int endKey;  // 0: typing ends as the focus leaves
    } endings[] = {{"2010.0", Qt::Key_Return}, {"2010", Qt::Key_Return}, {"2010.0", Qt::Key_Enter}, {"2010.0", 0}};
    for (const auto& e : endings) {
        SCOPED_TRACE(testing::Message() << e.typed << " key " << e.endKey);
        year->setCurrentIndex(5);  // 2005.0
        compute->click();
        const auto before = block;
        typing->setFocus();
        typing->selectAll();
        for (QChar c : QString(e.typed)) key(typing, c.unicode(), QString(c));
        if (e.endKey)
            key(typing, e.endKey);
        else
            compute->setFocus();
        QApplication::processEvents();
        EXPECT_EQ(block, e.endKey ? in2010 : before);
        EXPECT_TRUE(dialog->isVisible());
        compute->click();
        EXPECT_EQ(block, in2010);
    }
    // A choice from the list, in the popup or by stepping through it, computes at once.
    year->setEditText("2005.0");
    compute->click();
    year->showPopup();
    year->view()->setCurrentIndex(year->model()->index(10, 0));  // 2010.0
    key(year->view(), Qt::Key_Return);
    EXPECT_EQ(year->currentText(), "2010.0");
    EXPECT_EQ(block, in2010);
    key(year, Qt::Key_Down);
    EXPECT_EQ(year->currentText(), "2011.0");
    EXPECT_NE(block, in2010);
    // Only that choice: once control was back in the event loop (its posted events delivered), a
    // listed year typed afterwards still waits as the focus leaves.
    QCoreApplication::sendPostedEvents();
    const auto chosen = block;
    typing->selectAll();
    for (QChar c : QString("2010.0")) key(typing, c.unicode(), QString(c));
    QFocusEvent leave(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(typing, &leave);
    EXPECT_EQ(year->currentText(), "2010.0");
    EXPECT_EQ(block, chosen);
}

TEST_F(TimeVarDialog, FrameChoiceDoesNotChangeNad83) {
    year->setEditText("2012.5");
    compute->click();
    const auto before = block;
    choose(itrf, TTimeVarDlg::ITRF2000);
    EXPECT_EQ(block, before);
    choose(target, TTimeVarDlg::ETRS89);
    EXPECT_NE(block, before);
}

TEST_F(TimeVarDialog, OkStoresEveryEditInItsPlace) {
    const char* typed[] = {"1.5", "-2.25", "+3", "0.125", " 4e-3 ", "5", "-6.5"};
    for (size_t i = 0; i < edits.size(); ++i) edits[i]->setText(typed[i]);
    ok->click();
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    const std::array<double, TTimeVarDlg::kParameterCount> expected = {1.5, -2.25, 3.0, 0.125, 0.004, 5.0, -6.5};
    EXPECT_EQ(block, expected);
}

TEST_F(TimeVarDialog, OkRefusesATextThatIsNotANumber) {
    year->setEditText("2010.0");
    compute->click();
    const auto before = block;
    edits[0]->setText("7.0");
    edits[5]->setText("1,5");  // dry: a decimal comma is not a number here
    MessageBoxWatcher watcher;
    ok->click();
    ASSERT_EQ(watcher.seen().size(), 1u);
    EXPECT_EQ(watcher.seen()[0].text, "Delta rY: '1,5' is not a valid floating point value");
    EXPECT_EQ(dialog->focusWidget(), edits[5]);
    EXPECT_EQ(watcher.seen()[0].caption, "Verevuzu Deradazavo");
    EXPECT_EQ(watcher.seen()[0].icon, QMessageBox::Critical);
    // Nothing stored, and the dialog stays open for a correction.
    EXPECT_EQ(block, before);
    EXPECT_NE(dialog->result(), QDialog::Accepted);
}

}  // namespace
