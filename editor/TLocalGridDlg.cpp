// The similarity solved from two control points is the one the library applies after the
// projection: local = scale x R(-rotation) x (world - origin) + translation, with point 1's world
// coordinates as the origin and its local coordinates as the translation, so point 1 maps
// exactly and point 2 maps through the scale and rotation of the segment between them.
#include "editor/TLocalGridDlg.h"

#include "ui_TLocalGridDlg.h"

#include <QMessageBox>

#include <cmath>

#include "editor/Bayrun.h"
#include "editor/NumberText.h"

namespace {

// Radians per degree as the suite has always truncated it (kept so angles match its files).
constexpr double kRadiansPerDegreeTruncated = 0.01745329251994;

constexpr double kHalfTurnDegrees = 180.0;
constexpr double kFullTurnDegrees = 360.0;

// Type word of the record: a similarity.
constexpr int32_t kTypeSimilarity = 1;

// Coordinates to the centimetre, the scale to 1e-7.
const char kCoordinateFormat[] = "%.2lf";
const char kScaleFormat[] = "%.7lf";

// The calculation reads a text that is not a number as 0.
double lenient(const QString& text) {
    double value = 0.0;
    numbertext::parse(text, value);
    return value;
}

// Room for an angle text of the runtime.
constexpr int kAngleTextSize = 64;

}  // namespace

TLocalGridDlg::TLocalGridDlg(QWidget* owner, TmainFrm::LocalGrid* record_)
    : QDialog(owner), ui(std::make_unique<Ui::LocalGridDlg>()), record(record_) {
    ui->setupUi(this);

    ui->worldx->setText(numbertext::formatOr15(kCoordinateFormat, record->OrigX));
    ui->worldy->setText(numbertext::formatOr15(kCoordinateFormat, record->OrigY));
    ui->scale->setText(numbertext::formatOr15(kScaleFormat, record->Scale));
    ui->transx->setText(numbertext::formatOr15(kCoordinateFormat, record->TransX));
    ui->transy->setText(numbertext::formatOr15(kCoordinateFormat, record->TransY));
    ShowRotation(record->Rotation);
    ui->xreversed->setChecked((record->AdjustType & TmainFrm::kReverseX) != 0);
    ui->yreversed->setChecked((record->AdjustType & TmainFrm::kReverseY) != 0);
    SetCaptions();

    connect(ui->btnCalculate, &QPushButton::clicked, this, &TLocalGridDlg::btnCalculateClick);
    connect(ui->btnOk, &QPushButton::clicked, this, &TLocalGridDlg::btnOkClick);
    connect(ui->btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(ui->xreversed, &QCheckBox::toggled, this, &TLocalGridDlg::reversalChanged);
    connect(ui->yreversed, &QCheckBox::toggled, this, &TLocalGridDlg::reversalChanged);
}

TLocalGridDlg::~TLocalGridDlg() = default;

TLocalGridDlg::Solution TLocalGridDlg::SolveFromPoints(const ControlPoint& a, const ControlPoint& b,
                                                       double* scale, double* rotationDegrees) {
    const double worldDy = a.worldY - b.worldY, worldDx = a.worldX - b.worldX;
    const double localDy = a.localY - b.localY, localDx = a.localX - b.localX;
    const double worldDistance = std::hypot(worldDy, worldDx);
    const double localDistance = std::hypot(localDy, localDx);
    if (worldDistance == 0.0 || localDistance == 0.0) return Solution::PointsCoincide;
    *scale = localDistance / worldDistance;
    *rotationDegrees = (std::atan2(worldDy, worldDx) - std::atan2(localDy, localDx)) / kRadiansPerDegreeTruncated;
    return std::fabs(*scale - 1.0) > kScaleWarning ? Solution::ScaleSuspect : Solution::Solved;
}

void TLocalGridDlg::ReadPoints(ControlPoint* a, ControlPoint* b) const {
    *a = {lenient(ui->aworldx->text()), lenient(ui->aworldy->text()), lenient(ui->alocalx->text()),
          lenient(ui->alocaly->text())};
    *b = {lenient(ui->bworldx->text()), lenient(ui->bworldy->text()), lenient(ui->blocalx->text()),
          lenient(ui->blocaly->text())};
}

void TLocalGridDlg::ShowSolution(const ControlPoint& a, double scale, double rotationDegrees) {
    ui->worldx->setText(numbertext::formatOr15(kCoordinateFormat, a.worldX));
    ui->worldy->setText(numbertext::formatOr15(kCoordinateFormat, a.worldY));
    ui->scale->setText(numbertext::formatOr15(kScaleFormat, scale));
    ui->transx->setText(numbertext::formatOr15(kCoordinateFormat, a.localX));
    ui->transy->setText(numbertext::formatOr15(kCoordinateFormat, a.localY));
    // The difference of two directions spans -360..360 degrees, the angle service's texts only
    // -180..180: a rotation beyond would be shown but refused on OK, and the calculated value
    // lost. The same rotation a turn away keeps the transformation.
    if (rotationDegrees > kHalfTurnDegrees)
        rotationDegrees -= kFullTurnDegrees;
    else if (rotationDegrees < -kHalfTurnDegrees)
        rotationDegrees += kFullTurnDegrees;
    ShowRotation(rotationDegrees);
}

void TLocalGridDlg::btnCalculateClick() { calculate(true); }

void TLocalGridDlg::calculate(bool withMessages) {
    ControlPoint a{}, b{};
    ReadPoints(&a, &b);
    // The library negates a reversed axis after the similarity: solve for the local coordinates
    // before that negation, so that the record as stored carries both points onto their own.
    // (0.0 - v: a local 0 stays "0.00", not "-0.00".)
    if (ui->xreversed->isChecked()) a.localX = 0.0 - a.localX, b.localX = 0.0 - b.localX;
    if (ui->yreversed->isChecked()) a.localY = 0.0 - a.localY, b.localY = 0.0 - b.localY;
    double scale = 0.0, rotation = 0.0;
    switch (SolveFromPoints(a, b, &scale, &rotation)) {
    case Solution::PointsCoincide:
        if (withMessages) QMessageBox::critical(this, resString(1841), resString(6));
        return;
    case Solution::ScaleSuspect:
        // A warning only: the values are still shown.
        if (withMessages)
            QMessageBox::question(this, resString(1841), resString(7), QMessageBox::StandardButtons(QMessageBox::Ok));
        break;
    case Solution::Solved:
        break;
    }
    ShowSolution(a, scale, rotation);
    calculated = shownParameters();
}

QStringList TLocalGridDlg::shownParameters() const {
    QStringList texts;
    for (const QLineEdit* e : {ui->worldx, ui->worldy, ui->scale, ui->transx, ui->transy, ui->rotation}) texts << e->text();
    return texts;
}

void TLocalGridDlg::reversalChanged() {
    // A solution still shown as calculated follows the boxes; typed parameters are left alone.
    if (!calculated.isEmpty() && calculated == shownParameters()) calculate(false);
}

void TLocalGridDlg::StoreRecord() {
    // Every number first, so that a bad one leaves the whole record as it was.
    const QString origin = ui->GroupBox6->title() + QStringLiteral(" ");
    const double origX = numbertext::strict(ui->worldx, origin + numbertext::fieldName(ui->worldxLabel));
    const double origY = numbertext::strict(ui->worldy, origin + numbertext::fieldName(ui->worldyLabel));
    const double scale = numbertext::strict(ui->scale, numbertext::fieldName(ui->scaleLabel));
    // The library refuses a local grid of scale 0.
    if (scale == 0)
        throw ConversionError(numbertext::fieldName(ui->scaleLabel), ui->scale->text().trimmed(),
                              QStringLiteral("scale: it must not be 0"))
            .at(ui->scale);
    const double transX = numbertext::strict(ui->transx, numbertext::fieldName(ui->transxLabel));
    const double transY = numbertext::strict(ui->transy, numbertext::fieldName(ui->transyLabel));
    // A refused rotation text keeps the record's rotation, unless that rotation is one the
    // angle service could not show: keeping it would write a value the user never saw.
    double rotation = record->Rotation;
    const std::u16string rotationText = ui->rotation->text().toStdU16String();
    if (!bayrun::angles()->ParseLongitude(rotationText.c_str(), &rotation) && rotationText == kBayrunInvalidAngle)
        throw ConversionError(numbertext::fieldName(ui->rotationLabel), ui->rotation->text()).at(ui->rotation);
    record->OrigX = origX;
    record->OrigY = origY;
    record->Rotation = rotation;
    record->Scale = scale;
    record->TransX = transX;
    record->TransY = transY;
    record->AdjustType = kTypeSimilarity | (ui->xreversed->isChecked() ? TmainFrm::kReverseX : 0) |
                         (ui->yreversed->isChecked() ? TmainFrm::kReverseY : 0);
}

void TLocalGridDlg::btnOkClick() {
    try {
        StoreRecord();
    } catch (const ConversionError& e) {
        // Closing would pass the typo over in silence: the user corrects it or cancels.
        QMessageBox::critical(this, resString(1841), e.text());
        if (QWidget* field = e.field()) field->setFocus(Qt::OtherFocusReason);
        return;
    }
    accept();
}

void TLocalGridDlg::ShowRotation(double degrees) {
    char16_t text[kAngleTextSize] = {};
    bayrun::angles()->SetFormat(DegFormat);
    bayrun::angles()->FormatLongitude(text, kAngleTextSize, degrees);
    ui->rotation->setText(QString::fromUtf16(text));
}

void TLocalGridDlg::SetCaptions() {
    setWindowTitle(resString(5356));
    ui->Label1->setText(resString(8124));
    ui->GroupBox2->setTitle(resString(8125));
    ui->GroupBox3->setTitle(resString(8127));
    ui->GroupBox4->setTitle(resString(8126));
    ui->GroupBox5->setTitle(resString(8128));
    const QString east = resString(1661), north = resString(2248);
    for (QLabel* label : {ui->aworldxLabel, ui->alocalxLabel, ui->bworldxLabel, ui->blocalxLabel, ui->worldxLabel})
        label->setText(east);
    for (QLabel* label : {ui->aworldyLabel, ui->alocalyLabel, ui->bworldyLabel, ui->blocalyLabel, ui->worldyLabel})
        label->setText(north);
    ui->btnCalculate->setText(resString(1261));
    ui->GroupBox6->setTitle(resString(5357));
    ui->xreversed->setText(resString(5358));
    ui->yreversed->setText(resString(5359));
    ui->GroupBox1->setTitle(resString(5360));
    const QString translation = resString(5361);
    ui->transxLabel->setText(translation + " X");
    ui->transyLabel->setText(translation + " Y");
    ui->rotationLabel->setText(resString(2572));
    ui->scaleLabel->setText(resString(2626));
    ui->btnOk->setText(resString(2285));
    ui->btnCancel->setText(resString(1269));
}
