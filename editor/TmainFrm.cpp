// The main window: construction, start-up and shut-down.
#include "editor/TmainFrm.h"

#include <QActionGroup>
#include <QApplication>
#include <QButtonGroup>
#include <QMetaObject>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>

#include "editor/TmainFrmShared.h"
#include "ui_TmainFrm.h"

using namespace mainform;

int32_t DegFormat = kBayrunNoFormatSetting;

TmainFrm::TmainFrm(QWidget* owner) : QMainWindow(owner), ui(std::make_unique<Ui::mainFrm>()) {
    ui->setupUi(this);
    // A number field never hides digits of its value: the layouts may shrink it no further.
    const int digits = ui->edFalseEast->fontMetrics().horizontalAdvance(QString(kNumberFieldDigits, QLatin1Char('0')));
    for (QLineEdit* edit : {ui->edSemiMajorAxis, ui->edFlattening, ui->edFalseEast, ui->edFalseNorth, ui->edDx, ui->edDy,
                            ui->edDz, ui->edDrx, ui->edDry, ui->edDrz, ui->edDsc, ui->edParm0, ui->edParm1, ui->edParm2,
                            ui->edParm3, ui->edParm4, ui->edOrtho, ui->edDatumLevel})
        edit->setMinimumWidth(digits + edit->textMargins().left() + edit->textMargins().right() + kFieldFrame);
    // A list is as wide as the layout gives it, not as its longest item: the popup shows them whole.
    for (QComboBox* list : {ui->cbGrid, ui->cbZone, ui->cbHorzUnit, ui->cbVertUnit, ui->cbEllipsoid, ui->cbProjection,
                            ui->cbVDatum, ui->cbDatum}) {
        list->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        list->setMinimumContentsLength(kListCharacters);
    }

    rtkGroup = new QButtonGroup(this);
    QRadioButton* rtkButtons[] = {ui->rbRTK0, ui->rbRTK1, ui->rbRTK2, ui->rbRTK3, ui->rbRTK4, ui->rbRTK5};
    for (int i = 0; i < kRtkModes; ++i) rtkGroup->addButton(rtkButtons[i], i);

    auto* degrees = new QActionGroup(this);
    QAction* degreeItems[] = {ui->DecimalDegrees1, ui->DecimalMinutes1, ui->DecimalSeconds1};
    for (int tag = 0; tag < 3; ++tag) {
        degreeItems[tag]->setData(tag);
        degrees->addAction(degreeItems[tag]);
        connect(degreeItems[tag], &QAction::triggered, this, &TmainFrm::DecimalDegrees1Click);
    }

    connect(rtkGroup, &QButtonGroup::idClicked, this, &TmainFrm::rgRTKClick);
    connect(ui->ckLocalGrid, &QCheckBox::clicked, this, &TmainFrm::ckLocalGridClick);
    connect(ui->cbEllipsoid, &QComboBox::activated, this, &TmainFrm::cbEllipsoidChange);
    connect(ui->cbProjection, &QComboBox::activated, this, &TmainFrm::cbProjectionChange);
    connect(ui->cbGrid, &QComboBox::activated, this, &TmainFrm::cbGridChange);
    connect(ui->cbZone, &QComboBox::activated, this, &TmainFrm::cbZoneChange);
    connect(ui->cbHorzUnit, &QComboBox::activated, this, &TmainFrm::cbHorzUnitChange);
    connect(ui->cbVertUnit, &QComboBox::activated, this, &TmainFrm::cbVertUnitChange);
    connect(ui->cbVDatum, &QComboBox::activated, this, &TmainFrm::cbVDatumChange);
    connect(ui->btnDatumShiftFileClear, &QPushButton::clicked, this, &TmainFrm::btnDatumShiftFileClearClick);
    connect(ui->btnGeoModelClear, &QPushButton::clicked, this, &TmainFrm::btnGeoModelClearClick);
    connect(ui->btnKtdClear, &QPushButton::clicked, this, &TmainFrm::btnKtdClearClick);
    connect(ui->HelpTopics1, &QAction::triggered, this, &TmainFrm::HelpTopics1Click);
    connect(ui->btnOK, &QPushButton::clicked, this, &TmainFrm::btnOKClick);
    connect(ui->btnCancel, &QPushButton::clicked, this, &TmainFrm::Exit1Click);
    connect(ui->Exit1, &QAction::triggered, this, &TmainFrm::Exit1Click);
    connect(ui->SaveCustomGrid1, &QAction::triggered, this, &TmainFrm::SaveCustomGrid1Click);
    connect(ui->btnDatumShiftFileBrowse, &QPushButton::clicked, this, &TmainFrm::btnDatumShiftFileBrowseClick);
    connect(ui->btnGeoModelBrowse, &QPushButton::clicked, this, &TmainFrm::btnGeoModelBrowseClick);
    connect(ui->btnKtdBrowse, &QPushButton::clicked, this, &TmainFrm::btnKtdBrowseClick);
    connect(ui->ExportVDatumtoXYZ1, &QAction::triggered, this, &TmainFrm::ExportVDatumtoXYZ1Click);
    connect(ui->TimeVariableTransformations1, &QAction::triggered, this,
            &TmainFrm::TimeVariableTransformations1Click);
    connect(ui->btnLocalGrid, &QPushButton::clicked, this, &TmainFrm::btnLocalGridClick);
    connect(ui->About1, &QAction::triggered, this, &TmainFrm::About1Click);
    connect(ui->mnuViewStandard, &QAction::triggered, this, &TmainFrm::displayModeClick);
    connect(ui->mnuViewSubBottom, &QAction::triggered, this, &TmainFrm::displayModeClick);

    // The window starts in Sub Bottom mode with both Display Mode items present.
    SetDisplayMode(ui->mnuViewSubBottom);
}

TmainFrm::~TmainFrm() { FormDestroy(); }

void TmainFrm::FormCreate() {
    if (!OpenDatabase()) {
        terminating = true;
        QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
        return;
    }
    DegFormat = bayrun::environment()->GetProfile(kBayrunProfileSettings)
                    ->ReadInt(kSettingsSection, kDegFormatKey, kBayrunNoFormatSetting);
    degFormatRead = true;

    horzUnitId = 1;
    vertUnitIndex = 1;
    horzFactor = vertFactor = 1.0;
    falseEasting = falseNorthing = 0.0;
    orthoCorrection = 0.0;
    localGrid = LocalGrid{};
    localGrid.Scale = 1.0;
    datumShiftFile.clear();
    geoidModel.clear();
    ktdFile.clear();

    QLabel* labels[] = {ui->lblParm0, ui->lblParm1, ui->lblParm2, ui->lblParm3, ui->lblParm4};
    QLineEdit* edits[] = {ui->edParm0, ui->edParm1, ui->edParm2, ui->edParm3, ui->edParm4};
    for (int i = 0; i < kParameterSlots; ++i) {
        parameterSlots[i].label = labels[i];
        parameterSlots[i].edit = edits[i];
    }

    libraryVersion = GetGeodesyVersion();
    FillLists();
    AddCustomGrids();
    ReadCurrentParameters();
    SetCaptions();
    bayrun::notify()->Notify(kStartedNotification, 0);
}

void TmainFrm::FormDestroy() {
    // A run that ended at the database check never read the setting: leave it as stored.
    if (degFormatRead) {
        if (IBayrunEnvironment* env = bayrun::environment())
            if (IBayrunProfile* settings = env->GetProfile(kBayrunProfileSettings))
                settings->WriteInt(kSettingsSection, kDegFormatKey, DegFormat);
        degFormatRead = false;
    }
    database.close();
}

std::string TmainFrm::dataRoot() {
    std::string root = bayrun::environment()->GetFolderA(kBayrunFolderDataRoot, 0);
    while (root.size() > 1 && root.back() == '/') root.pop_back();
    return root;
}

std::u16string TmainFrm::dataRootW() {
    std::u16string root = bayrun::environment()->GetFolderW(nullptr, 0, kBayrunFolderDataRoot);
    while (root.size() > 1 && root.back() == u'/') root.pop_back();
    return root;
}
