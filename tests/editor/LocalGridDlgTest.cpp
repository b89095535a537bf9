// The local grid dialog: the two-point solution, its messages, and what OK writes.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>
#include <cmath>
#include <random>

#include "editor/TLocalGridDlg.h"
#include "tests/editor/EditorTestSupport.h"

namespace {

constexpr double kPi = 3.141592653589793;

struct Local {
    double x, y;
};

// World to local as the library applies a type-1 record after the projection (rotation in
// degrees here): x' = dx c + dy s + TransX, y' = dy c - dx s + TransY, s = sin(r) k, c = cos(r) k.
Local toLocal(const TmainFrm::LocalGrid& g, double x, double y) {
    const double r = g.Rotation * kPi / 180;
    const double s = std::sin(r) * g.Scale, c = std::cos(r) * g.Scale;
    const double dx = x - g.OrigX, dy = y - g.OrigY;
    Local l{dx * c + dy * s + g.TransX, dy * c - dx * s + g.TransY};
    if (g.AdjustType & TmainFrm::kReverseX) l.x = -l.x;
    if (g.AdjustType & TmainFrm::kReverseY) l.y = -l.y;
    return l;
}

TEST(LocalGridSolution, WorkedExampleAndCoincidentPoints) {
    using S = TLocalGridDlg::Solution;
    double scale = -1, rotation = -1;
    // World direction 180 degrees, local -90: 270, not brought into -180..180.
    EXPECT_EQ(TLocalGridDlg::SolveFromPoints({0, 0, 0, 0}, {100, 0, 0, 100}, &scale, &rotation), S::Solved);
    EXPECT_EQ(scale, 1.0);
    EXPECT_NEAR(rotation, 270.0, 1e-9);
    // 1 % longer locally: a warning, still solved.
    EXPECT_EQ(TLocalGridDlg::SolveFromPoints({0, 0, 0, 0}, {100, 0, 101, 0}, &scale, &rotation), S::ScaleSuspect);
    EXPECT_NEAR(scale, 1.01, 1e-15);
    // Exactly at the warning's limit: no warning (the limit is strict).
    EXPECT_EQ(TLocalGridDlg::SolveFromPoints({0, 0, 0, 0}, {1000, 0, 1004, 0}, &scale, &rotation), S::Solved);
    scale = rotation = -1;
    EXPECT_EQ(TLocalGridDlg::SolveFromPoints({5, 5, 0, 0}, {5, 5, 10, 0}, &scale, &rotation), S::PointsCoincide);
    EXPECT_EQ(TLocalGridDlg::SolveFromPoints({0, 0, 7, 7}, {10, 0, 7, 7}, &scale, &rotation), S::PointsCoincide);
    EXPECT_EQ(scale, -1);
    EXPECT_EQ(rotation, -1);
}

class LocalGridDialog : public testing::Test {
protected:
    void open(const TmainFrm::LocalGrid& start) {
        record = start;
        dialog = std::make_unique<TLocalGridDlg>(nullptr, &record);
    }
    QLineEdit* edit(const char* name) { return dialog->findChild<QLineEdit*>(name); }
    QCheckBox* box(const char* name) { return dialog->findChild<QCheckBox*>(name); }
    void click(const char* name) { dialog->findChild<QPushButton*>(name)->click(); }
    void enterPoints(const char* const* aw, const char* const* al, const char* const* bw, const char* const* bl) {
        edit("aworldx")->setText(aw[0]);
        edit("aworldy")->setText(aw[1]);
        edit("alocalx")->setText(al[0]);
        edit("alocaly")->setText(al[1]);
        edit("bworldx")->setText(bw[0]);
        edit("bworldy")->setText(bw[1]);
        edit("blocalx")->setText(bl[0]);
        edit("blocaly")->setText(bl[1]);
    }
    QStringList results() {
        QStringList r;
        for (const char* n : {"worldx", "worldy", "scale", "transx", "transy", "rotation"}) r << edit(n)->text();
        return r;
    }

    TmainFrm::LocalGrid record;
    std::unique_ptr<TLocalGridDlg> dialog;
    MessageBoxWatcher watcher;
};

TEST_F(LocalGridDialog, WorkedExampleShowsTheSolutionWithoutMessage) {
    DegFormat = 0;
    open({});
    const char* aw[2] = {"0", "0"};
    const char* al[2] = {"0", "0"};
    const char* bw[2] = {"100", "0"};
    const char* bl[2] = {"0", "100"};
    enterPoints(aw, al, bw, bl);
    click("btnCalculate");
    EXPECT_TRUE(watcher.seen().empty());
    // 270 degrees is shown as the same rotation a turn back, which the angle service reads.
    EXPECT_EQ(results(), QStringList({"0.00", "0.00", "1.0000000", "0.00", "0.00", QString::fromUtf8("90.000000000°W")}));
    EXPECT_EQ(record.Rotation, 0.0);  // nothing written before OK
    click("btnOk");
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_NEAR(record.Rotation, -90.0, 1e-9);
    EXPECT_EQ(record.AdjustType, 1);
    const Local b = toLocal(record, 100, 0);
    EXPECT_NEAR(b.x, 0.0, 1e-9);
    EXPECT_NEAR(b.y, 100.0, 1e-9);
}

TEST_F(LocalGridDialog, SolutionCarriesPointTwoOntoItsLocalCoordinates) {
    // A site grid turned about 32 degrees against the projection, 20 ppm larger.
    const struct {
        int degFormat;
        const char* aw[2];
        const char* al[2];
        const char* bw[2];
        const char* bl[2];
    } cases[] = {
        {2, {"500123.45", "5761038.21"}, {"1000.00", "2000.00"}, {"500923.45", "5761638.21"}, {"1996.49", "1974.35"}},
        {1, {"500123.45", "5761038.21"}, {"1000.00", "2000.00"}, {"499323.45", "5760438.21"}, {"3.51", "2025.65"}},
        {0, {"-1200.5", "300.25"}, {"-5", "-5"}, {"-1500.5", "-100.75"}, {"-505.01", "-5"}},
    };
    for (const auto& c : cases) {
        DegFormat = c.degFormat;
        open({});
        enterPoints(c.aw, c.al, c.bw, c.bl);
        click("btnCalculate");
        click("btnOk");
        const Local a = toLocal(record, std::stod(c.aw[0]), std::stod(c.aw[1]));
        const Local b = toLocal(record, std::stod(c.bw[0]), std::stod(c.bw[1]));
        // Shown texts: the scale to 1e-7 over about 1 km, the angle to 0.3 mm on the ground.
        EXPECT_NEAR(a.x, std::stod(c.al[0]), 1e-6);
        EXPECT_NEAR(a.y, std::stod(c.al[1]), 1e-6);
        EXPECT_NEAR(b.x, std::stod(c.bl[0]), 1e-3);
        EXPECT_NEAR(b.y, std::stod(c.bl[1]), 1e-3);
    }
}

TEST_F(LocalGridDialog, RandomPairsMapBackWithEitherAxisReversed) {
    // Both points map back onto their own local coordinates whatever the boxes say, within the
    // shown rounding: the scale to 1e-7 and the angle to 1e-9 degrees over up to 14 km.
    DegFormat = 0;
    std::mt19937_64 rng(20261209);
    std::uniform_real_distribution<double> world(-1e6, 1e6), offset(-1e4, 1e4), local(-1e5, 1e5), turn(-kPi, kPi),
        scale(0.996, 1.004);
    const auto text = [](double v) { return QString::asprintf("%.2f", v).toStdString(); };
    double worst = 0;
    for (int i = 0; i < 2000; ++i) {
        const double wx = world(rng), wy = world(rng), dx = offset(rng), dy = offset(rng), lx = local(rng),
                     ly = local(rng), t = turn(rng), k = scale(rng);
        const std::string aw[2] = {text(wx), text(wy)}, bw[2] = {text(wx + dx), text(wy + dy)};
        const std::string al[2] = {text(lx), text(ly)},
                          bl[2] = {text(lx + k * (dx * std::cos(t) - dy * std::sin(t))),
                                   text(ly + k * (dx * std::sin(t) + dy * std::cos(t)))};
        open({});
        // Half of them tick the boxes after the calculation: the shown solution follows them.
        const auto tick = [&] {
            box("xreversed")->setChecked(i & 1);
            box("yreversed")->setChecked(i & 2);
        };
        if (i & 4) tick();
        const char* awc[2] = {aw[0].c_str(), aw[1].c_str()}, *alc[2] = {al[0].c_str(), al[1].c_str()};
        const char* bwc[2] = {bw[0].c_str(), bw[1].c_str()}, *blc[2] = {bl[0].c_str(), bl[1].c_str()};
        enterPoints(awc, alc, bwc, blc);
        click("btnCalculate");
        if (!(i & 4)) tick();
        click("btnOk");
        ASSERT_EQ(dialog->result(), QDialog::Accepted);
        const Local a = toLocal(record, std::stod(aw[0]), std::stod(aw[1]));
        const Local b = toLocal(record, std::stod(bw[0]), std::stod(bw[1]));
        worst = std::max({worst, std::fabs(a.x - std::stod(al[0])), std::fabs(a.y - std::stod(al[1])),
                          std::fabs(b.x - std::stod(bl[0])), std::fabs(b.y - std::stod(bl[1]))});
    }
    EXPECT_LT(worst, 2e-3);
}

TEST_F(LocalGridDialog, SuspectScaleWarnsThenShows) {
    open({});
    const char* aw[2] = {"0", "0"};
    const char* al[2] = {"0", "0"};
    const char* bw[2] = {"100", "0"};
    const char* bl[2] = {"101", "0"};
    enterPoints(aw, al, bw, bl);
    click("btnCalculate");
    ASSERT_EQ(watcher.seen().size(), 1u);
    const MessageBoxWatcher::Seen& m = watcher.seen()[0];
    EXPECT_EQ(m.caption, "Verevuzu Deradazavo");
    EXPECT_EQ(m.text, "Calculated scale factor is HUGE!\nPlease check points coordinates.");
    EXPECT_EQ(m.icon, QMessageBox::Question);
    EXPECT_EQ(m.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    EXPECT_EQ(edit("scale")->text(), "1.0100000");
}

TEST_F(LocalGridDialog, CoincidentPointsChangeNothing) {
    open({0x10001, 10, 20, 5, 1.5, 30, 40});
    const QStringList before = results();
    const char* aw[2] = {"10", "10"};
    const char* al[2] = {"0", "0"};
    const char* bw[2] = {"10", "10"};
    const char* bl[2] = {"0", "50"};
    enterPoints(aw, al, bw, bl);
    click("btnCalculate");
    ASSERT_EQ(watcher.seen().size(), 1u);
    EXPECT_EQ(watcher.seen()[0].text, "Coordinates for points must be different");
    EXPECT_EQ(watcher.seen()[0].caption, "Verevuzu Deradazavo");
    EXPECT_EQ(watcher.seen()[0].icon, QMessageBox::Critical);
    EXPECT_EQ(results(), before);
}

TEST_F(LocalGridDialog, OkWritesTypeOneWithTheFlagsAndTheShownPrecision) {
    DegFormat = 3;
    open({0x30001, 1234.567, -89.994, 12.5, 1.000012345, 0.125, 99.999});
    EXPECT_TRUE(box("xreversed")->isChecked());
    EXPECT_TRUE(box("yreversed")->isChecked());
    click("btnOk");
    EXPECT_EQ(record.AdjustType, 0x30001);
    EXPECT_EQ(record.OrigX, 1234.57);
    EXPECT_EQ(record.OrigY, -89.99);
    EXPECT_EQ(record.Scale, 1.0000123);
    EXPECT_EQ(record.TransX, 0.12);  // "%.2lf" of 0.125 (exact in binary) rounds to even
    EXPECT_EQ(record.TransY, 100.0);
    EXPECT_NEAR(record.Rotation, 12.5, 1e-9);

    // Whatever type the record held, OK writes a similarity, flags from the boxes.
    open({0x10005, 0, 0, 0, 1, 0, 0});
    EXPECT_TRUE(box("xreversed")->isChecked());
    EXPECT_FALSE(box("yreversed")->isChecked());
    box("xreversed")->setChecked(false);
    box("yreversed")->setChecked(true);
    click("btnOk");
    EXPECT_EQ(record.AdjustType, 0x20001);
}

TEST_F(LocalGridDialog, RefusedRotationTextKeepsTheRotation) {
    open({1, 0, 0, 33.25, 1, 0, 0});
    edit("rotation")->setText("north-east");
    click("btnOk");
    EXPECT_EQ(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(record.Rotation, 33.25);
}

TEST_F(LocalGridDialog, OkRefusesATextThatIsNotANumber) {
    const TmainFrm::LocalGrid start{0x10001, 10, 20, 5, 1.5, 30, 40};
    open(start);
    edit("worldx")->setText("11");
    edit("transx")->setText("3O.5");  // a letter O for a zero
    click("btnOk");
    ASSERT_EQ(watcher.seen().size(), 1u);
    EXPECT_EQ(watcher.seen()[0].text, "Translation X: '3O.5' is not a valid floating point value");
    EXPECT_EQ(dialog->focusWidget(), edit("transx"));
    EXPECT_EQ(watcher.seen()[0].icon, QMessageBox::Critical);
    EXPECT_NE(dialog->result(), QDialog::Accepted);
    EXPECT_EQ(record.AdjustType, start.AdjustType);
    EXPECT_EQ(record.OrigX, start.OrigX);
    EXPECT_EQ(record.TransX, start.TransX);
}

TEST_F(LocalGridDialog, UnshowableRotationIsShownInvalidAndRefusedOnOk) {
    for (double rotation : {1e30, -1e11, std::nan("")}) {
        SCOPED_TRACE(rotation);
        open({0x10001, 10, 20, rotation, 1.5, 30, 40});
        EXPECT_EQ(edit("rotation")->text(), "invalid");
        const size_t boxes = watcher.seen().size();
        click("btnOk");
        ASSERT_EQ(watcher.seen().size(), boxes + 1);
        EXPECT_EQ(watcher.seen().back().icon, QMessageBox::Critical);
        EXPECT_NE(dialog->result(), QDialog::Accepted);
        EXPECT_EQ(record.AdjustType, 0x10001);
        // A rotation typed over it is taken.
        edit("rotation")->setText("12.5");
        click("btnOk");
        EXPECT_EQ(dialog->result(), QDialog::Accepted);
        EXPECT_EQ(record.Rotation, 12.5);
    }
}

}  // namespace
