// Parameter sets: GDA94 from Dawson and Woods (2010), "ITRF to GDA94 coordinate transformations",
// Journal of Applied Geodesy 4 (EPSG transformations 6278, 6277, 6276); ETRS89 from Boucher and
// Altamimi, "Memo: Specifications for reference frame fixing in the analysis of a EUREF GPS
// campaign" (EPSG 7941, 7950, 7951); NAD83 from the ITRF2000 to NAD83(CORS96) set of the US
// National Geodetic Survey (EPSG 6866).
//
// The library applies datum parameters in the coordinate-frame rotation convention. The EUREF
// memo publishes its rotations in the position-vector convention, so the ETRS89 rotations are
// negated on output; the GDA94 and NAD83 sets are coordinate-frame already.
#include "editor/TTimeVarDlg.h"

#include "ui_TTimeVarDlg.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>

#include <array>
#include <chrono>

#include "editor/Bayrun.h"
#include "editor/NumberText.h"

namespace {

// One published set: tx, ty, tz (mm), s (ppb), rx, ry, rz (milli-arc-seconds), then the rate of
// each per year in the same units and order.
constexpr int kRowLength = 2 * TTimeVarDlg::kParameterCount;
using ParameterRow = std::array<double, kRowLength>;

// Rows by (target - 1) x 3 + frame: GDA94 from ITRF2000, 2005, 2008, then ETRS89 likewise.
constexpr std::array<ParameterRow, 6> kParameterTable = {{
    {-45.91, -29.85, -20.37, 7.07, -1.6705, 0.4594, 1.9356,
     -4.66, 3.55, 11.24, 0.249, 1.7454, 1.4868, 1.224},
    {-79.73, -6.86, 38.03, 6.636, -0.0351, 2.1211, 2.141,
     2.25, -0.62, -0.56, 0.294, 1.4707, 1.1443, 1.1701},
    {-84.68, -19.42, 32.01, 9.71, -0.4254, 2.2578, 2.4015,
     1.42, 1.34, 0.9, 0.109, 1.5461, 1.182, 1.1551},
    {54.0, 51.0, -48.0, 0.0, 0.891, 5.39, -8.712,
     0.0, 0.0, 0.0, 0.0, 0.081, 0.49, -0.792},
    {54.1, 50.2, -53.8, 0.4, 0.891, 5.39, -8.712,
     -0.2, 0.1, -1.8, 0.08, 0.081, 0.49, -0.792},
    {52.1, 49.3, -58.5, 1.34, 0.891, 5.39, -8.712,
     0.1, 0.1, -1.8, 0.08, 0.081, 0.49, -0.792},
}};
constexpr int kFramesPerTarget = 3;

// mm -> m, ppb -> ppm, mas -> arc-seconds.
constexpr double kMilliToBlockUnit = 0.001;
// Reference epochs of the sets.
constexpr double kGda94Epoch = 1994.0;
constexpr double kEtrs89Epoch = 2000.0;
constexpr double kNad83Epoch = 1997.0;

// NAD83 (the same from every ITRF): value and rate per year, already in block units and order.
constexpr std::array<double, TTimeVarDlg::kParameterCount> kNad83Value = {
    0.9956, -1.9013, -0.5215, 0.00062, 0.025915, 0.009426, 0.011599};
constexpr std::array<double, TTimeVarDlg::kParameterCount> kNad83Rate = {
    0.0007, -0.0007, 0.0005, -0.00018, 0.000067, -0.000757, -0.000051};

// Block positions of the three rotations.
constexpr int kFirstRotation = 4;

// The year list: 2000.0 to 2020.0 in steps of one year.
constexpr int kFirstListedYear = 2000;
constexpr int kLastListedYear = 2020;

std::chrono::year_month_day utcToday() {
    return std::chrono::year_month_day(std::chrono::floor<std::chrono::days>(std::chrono::system_clock::now()));
}

// Result edits: shifts to 0.1 mm, rotations and scale to 1e-6.
const char kShiftFormat[] = "%.4lf";
const char kAngleFormat[] = "%.6lf";
const char kYearFormat[] = "%.1lf";

}  // namespace

TTimeVarDlg::TTimeVarDlg(QWidget* owner, double* block_)
    : QDialog(owner), ui(std::make_unique<Ui::TimeVarDlg>()), block(block_) {
    ui->setupUi(this);
    for (int i = 0; i < kParameterCount; ++i) block[i] = 0.0;

    ui->itrf->addItems({"ITRF2000", "ITRF2005", "ITRF2008"});
    ui->itrf->setCurrentIndex(ITRF2008);
    ui->target->addItems({"NAD83", "GDA94", "ETRS89"});
    ui->target->setCurrentIndex(NAD83);
    for (int y = kFirstListedYear; y <= kLastListedYear; ++y) ui->year->addItem(numbertext::formatOr15(kYearFormat, y));

    const std::chrono::year_month_day today = utcToday();
    ui->year->setEditText(
        numbertext::formatOr15(kYearFormat, DefaultYear(int(today.year()), int(unsigned(today.month())))));

    itrfChange();
    SetCaptions();

    connect(ui->btnCompute, &QPushButton::clicked, this, &TTimeVarDlg::itrfChange);
    connect(ui->itrf, &QComboBox::activated, this, &TTimeVarDlg::itrfChange);
    connect(ui->target, &QComboBox::activated, this, &TTimeVarDlg::itrfChange);
    connect(ui->year, &QComboBox::activated, this, &TTimeVarDlg::yearActivated);
    ui->year->installEventFilter(this);
    ui->year->lineEdit()->installEventFilter(this);
    ui->year->view()->parentWidget()->installEventFilter(this);
    connect(ui->year, &QComboBox::editTextChanged, this, &TTimeVarDlg::yearChange);
    connect(ui->btnOk, &QPushButton::clicked, this, &TTimeVarDlg::btnOkClick);
    connect(ui->btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

TTimeVarDlg::~TTimeVarDlg() = default;

double TTimeVarDlg::LastYear() { return int(utcToday().year()) + kYearsAhead; }

double TTimeVarDlg::DefaultYear(int year, int month) {
    // Half-year steps, rounded to the nearer: (month div 6) / 2.
    return year + (month / 6) / 2.0;
}

bool TTimeVarDlg::ComputeParameters(int frame, int target, double t, double* out) {
    if (!(t >= kFirstYear && t <= LastYear())) return false;
    if (target == NAD83) {
        for (int j = 0; j < kParameterCount; ++j) out[j] = kNad83Value[j] + kNad83Rate[j] * (t - kNad83Epoch);
        return true;
    }
    if ((target != GDA94 && target != ETRS89) || frame < ITRF2000 || frame > ITRF2008) return false;
    const ParameterRow& row = kParameterTable[(target - 1) * kFramesPerTarget + frame];
    const double epoch = target == GDA94 ? kGda94Epoch : kEtrs89Epoch;
    for (int j = 0; j < kParameterCount; ++j)
        out[j] = (row[j] + row[kParameterCount + j] * (t - epoch)) * kMilliToBlockUnit;
    if (target == ETRS89)
        for (int j = kFirstRotation; j < kParameterCount; ++j) out[j] = -out[j];
    return true;
}

bool TTimeVarDlg::Compute() {
    double t = 0.0;  // a text that is not a number is refused as a year
    numbertext::parse(ui->year->currentText(), t);
    if (!ComputeParameters(ui->itrf->currentIndex(), ui->target->currentIndex(), t, block)) return false;
    ShowBlock();
    return true;
}

void TTimeVarDlg::ShowBlock() {
    ui->dx->setText(numbertext::formatOr15(kShiftFormat, block[0]));
    ui->dy->setText(numbertext::formatOr15(kShiftFormat, block[1]));
    ui->dz->setText(numbertext::formatOr15(kShiftFormat, block[2]));
    ui->dscale->setText(numbertext::formatOr15(kAngleFormat, block[3]));
    ui->drx->setText(numbertext::formatOr15(kAngleFormat, block[4]));
    ui->dry->setText(numbertext::formatOr15(kAngleFormat, block[5]));
    ui->drz->setText(numbertext::formatOr15(kAngleFormat, block[6]));
}

void TTimeVarDlg::StoreEdits() {
    // Block order; the edits are read in the order dx, dy, dz, drx, dry, drz, dscale.
    QLineEdit* edits[kParameterCount] = {ui->dx, ui->dy, ui->dz, ui->dscale, ui->drx, ui->dry, ui->drz};
    const QLabel* labels[kParameterCount] = {ui->lblDeltaX,  ui->lblDeltaY,  ui->lblDeltaZ, ui->lblDeltaScale,
                                             ui->lblDeltaRx, ui->lblDeltaRy, ui->lblDeltaRz};
    const int readOrder[kParameterCount] = {0, 1, 2, 4, 5, 6, 3};
    double values[kParameterCount];
    for (int j : readOrder) values[j] = numbertext::strict(edits[j], numbertext::fieldName(labels[j]));
    for (int j = 0; j < kParameterCount; ++j) block[j] = values[j];
}

void TTimeVarDlg::itrfChange() {
    if (!Compute()) QApplication::beep();
}

// QComboBox emits `activated` for a choice from the list (in its popup, by the arrow keys or the
// wheel) and also when typing ends on a listed year (Return, the focus leaving, the completer).
// A typed year must wait for Compute, so only the list's own choices count. The popup is hidden
// just before it reports its choice; a popup closed without one leaves nothing to report.
bool TTimeVarDlg::IsYearListChoice(QObject* watched, QEvent* event) const {
    if (watched == ui->year->view()->parentWidget()) return event->type() == QEvent::Hide;
    if (watched != ui->year) return false;
    if (event->type() == QEvent::Wheel) return true;
    if (event->type() != QEvent::KeyPress) return false;
    const int key = static_cast<QKeyEvent*>(event)->key();
    return key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_PageUp || key == Qt::Key_PageDown;
}

bool TTimeVarDlg::eventFilter(QObject* watched, QEvent* event) {
    // Enter in the year field takes the typed year, as Compute does; passed on, it would press
    // OK and close the dialog with the values of the year computed before.
    if (watched == ui->year->lineEdit() && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            itrfChange();
            return true;
        }
    }
    if (IsYearListChoice(watched, event)) {
        // The combo box emits `activated` while it handles this event (or just after the popup
        // hid); the flag ends when control is back in the event loop.
        yearListChoice = true;
        QTimer::singleShot(0, this, [this] { yearListChoice = false; });
    }
    return QDialog::eventFilter(watched, event);
}

void TTimeVarDlg::yearActivated() {
    if (yearListChoice) itrfChange();
}

void TTimeVarDlg::yearChange() {
    // A typed year takes effect on Compute or on a choice from the lists.
}

void TTimeVarDlg::btnOkClick() {
    try {
        StoreEdits();
    } catch (const ConversionError& e) {
        // The caller takes the block as confirmed once the dialog closes with OK: stay open.
        QMessageBox::critical(this, resString(1841), e.text());
        if (QWidget* field = e.field()) field->setFocus(Qt::OtherFocusReason);
        return;
    }
    accept();
}

void TTimeVarDlg::SetCaptions() {
    ui->lblEpoch->setText(resString(8119));
    ui->lblTargetSystem->setText(resString(8120));
    ui->lblTargetYear->setText(resString(8121));
    ui->btnOk->setText(resString(2285));
    ui->btnCancel->setText(resString(1269));
    ui->btnCompute->setText(resString(8332));
    ui->lblDeltaX->setText(resString(7427));
    ui->lblDeltaY->setText(resString(7428));
    ui->lblDeltaZ->setText(resString(7429));
    ui->lblDeltaRx->setText(resString(7423));
    ui->lblDeltaRy->setText(resString(7424));
    ui->lblDeltaRz->setText(resString(7425));
    ui->lblDeltaScale->setText(resString(7430));
}
