#include "editor/TmainFrm.h"

#include <QActionGroup>
#include <QApplication>
#include <QButtonGroup>
#include <QMessageBox>
#include <QMetaObject>
#include <QRadioButton>

#include <charconv>
#include <cstdio>
#include <stdexcept>
#include <vector>

#include "common/FolderLookup.h"
#include "common/Platform.h"
#include "common/Query.h"
#include "common/Text.h"
#include "editor/Bayrun.h"
#include "editor/NumberText.h"
#include "ui_TmainFrm.h"

int32_t DegFormat = kBayrunNoFormatSetting;

namespace {

constexpr char kSection[] = "Geodesy";
constexpr char16_t kSectionW[] = u"Geodesy";
constexpr char kSettingsSection[] = "Corvane";
constexpr char kDegFormatKey[] = "DegFormat";
constexpr char kDatabaseFile[] = "/datum/corvane.db";
constexpr char kDatumFolder[] = "/datum";
constexpr char kCustomGridExtension[] = ".cgeo";
constexpr char kHelpFile[] = "PelagixHelp.chm";
constexpr int kHelpCommand = 34;
constexpr int kStartedNotification = 97;

// Ellipsoid id of WGS 84: no datum transformation applies to it.
constexpr int kWgs84EllipsoidId = 36;
// Defaults of a parameter file without the keys: the WGS 84 axis and inverse flattening.
constexpr double kDefaultSemiMajorAxis = 6378137.0;
constexpr double kDefaultInverseFlattening = 298.257223563;

// Window sizes and the OK/Cancel row of the two display modes.
constexpr int kWindowWidth = 771;
constexpr int kStandardHeight = 585;
constexpr int kSubBottomHeight = 420;
constexpr int kStandardButtonTop = 485;
constexpr int kSubBottomButtonTop = 320;

// Longest value read from a parameter file (a line of an INI file holds at most 1022 bytes).
constexpr int kValueBuffer = 1024;
// Wide path buffers of the file dialogs.
constexpr int kPathBuffer = 4096;
// Angle text buffers.
constexpr int kAngleBuffer = 64;

// String ids.
enum : int {
    kMsgMissingVDatum = 1,
    kMsgMissingGeoid = 2,
    kMsgMissingKtd = 3,
    kCustomGridFilter = 4,
    kKtdTitle = 5,
    kAllFilesFilter = 1138,
    kCaption = 1841,
    kKtdFilter = 1995,
    kUserDefined = 2998,
    kChartDatumLevel = 4381,
    kGeoidFilter = 5384,
    kGeoidTitle = 5385,
    kDatumShiftFilter = 5386,
    kDatumShiftTitle = 5387,
    kSameAsHorizontal = 5378,
    kDatumShiftRefused = 5381,
    kHeightOfGeoid = 8118,
    kHeightOfEllipsoid = 10715,
    kSaveCustomGridTitle = 10771,
};

QString fromUtf8(const std::string& s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }
QString fromUtf8(const char* s) { return QString::fromUtf8(s ? s : ""); }
std::string utf8(const QString& s) { return s.toUtf8().toStdString(); }
std::u16string utf16(const QString& s) { return std::u16string(reinterpret_cast<const char16_t*>(s.utf16()), size_t(s.size())); }

// A step that gives a row: true; done: false; a failure is raised as the SQLite error value.
bool nextRow(Query& q) { return q.next(); }

// The text after the last '\' or '/' of a stored value or path.
std::string fileNameOf(const std::string& path) {
    const size_t sep = path.find_last_of("\\/");
    return sep == std::string::npos ? path : path.substr(sep + 1);
}

// A file name without its extension (up to its last '.').
std::string withoutExtension(const std::string& name) {
    const size_t dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

// The leading decimal number of a text ("1.25 m" is 1.25).
double leadingNumber(const std::string& text) {
    double v = 0;
    std::from_chars(text.data(), text.data() + text.size(), v);
    return v;
}

std::string readText(IBayrunProfile* profile, const char* key, const char* def) {
    char buffer[kValueBuffer];
    profile->ReadString(kValueBuffer, buffer, kSection, key, def);
    return buffer;
}

// A write of the parameter file that did not succeed: the caller must not report success.
void checkWrite(bool written, const char* key) {
    if (!written) throw std::runtime_error(std::string("The parameter file could not be written (key ") + key + ").");
}

struct ProfileRelease {
    void operator()(IBayrunProfile* p) const {
        if (p) p->Release();
    }
};
using OwnedProfile = std::unique_ptr<IBayrunProfile, ProfileRelease>;

OwnedProfile newProfile() {
    OwnedProfile p(bayrun::make<IBayrunProfile>(IID_IBayrunProfile));
    if (!p) throw std::runtime_error("The runtime cannot provide a profile.");
    return p;
}

// One of the runtime's file dialogs, owned by `owner`, starting from `initial`: true and the
// chosen path when a file was chosen. The dialog object stays with the runtime.
bool chooseFile(QWidget* owner, bool save, const std::u16string& start, const QString& filter, const QString& title,
                const char16_t* extension, const std::u16string& initial, std::u16string& chosen) {
    auto* dialog = bayrun::make<IBayrunFileDialog>(IID_IBayrunFileDialog);
    if (!dialog) return false;
    std::vector<char16_t> path(kPathBuffer, u'\0');
    initial.copy(path.data(), std::min(initial.size(), size_t(kPathBuffer - 1)));
    const std::u16string f = utf16(filter);
    const std::u16string t = utf16(title);
    const bool ok = save ? dialog->SaveFile(owner, start.c_str(), f.c_str(), t.c_str(), extension, path.data(), kPathBuffer)
                         : dialog->OpenFile(owner, start.c_str(), f.c_str(), t.c_str(), extension, path.data(), kPathBuffer);
    if (ok) chosen = path.data();
    return ok;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Construction, start-up and shut-down

TmainFrm::TmainFrm(QWidget* owner) : QMainWindow(owner), ui(std::make_unique<Ui::mainFrm>()) {
    ui->setupUi(this);
    resize(kWindowWidth, kStandardHeight);

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

// ---------------------------------------------------------------------------------------------
// The predefined-parameter database and the lists

bool TmainFrm::OpenDatabase() {
    const std::string root = dataRoot();
    bool usable = false;
    try {
        erc opened = database.open(root + kDatabaseFile, Database::kReadWrite);
        if (opened.release() == 0) {
            Query check(database, "SELECT tbl_name FROM sqlite_master WHERE tbl_name = 'gp_history';");
            usable = nextRow(check);
        }
    } catch (erc& e) {
        e.release();  // counted as a failed check, reported below
    }
    if (!usable) {
        QMessageBox::critical(nullptr, QStringLiteral("CORVANE"),
                              QStringLiteral("The predefined parameters database is corrupted or missing.\n"
                                             "Please contact PELAGIX Inc. Technical Support group for an\n"
                                             "updated version."));
        return false;
    }

    database.exec("CREATE TABLE IF NOT EXISTS found_surfaces ( id INTEGER PRIMARY KEY, area_id INTEGER, "
                  "surface_id INTEGER, file_path TEXT );DELETE FROM found_surfaces;");
    database.exec("BEGIN TRANSACTION");
    {
        Query areas(database, "SELECT abrev, id FROM varea;");
        Query update(database, "UPDATE varea SET found=?1 WHERE id=?2;");
        while (nextRow(areas)) {
            const std::string areaAbrev = areas.getString(0);
            const int areaId = areas.getInt(1);
            const std::string areaFolder = findInFolder(root + "/datum/vdatum", areaAbrev);
            const bool found = platform::isDirectory(areaFolder);
            update.bind(1, found ? 1 : 0).bind(2, areaId);
            update.step();
            update.reset().clearBindings();

            Query surfaces(database, "SELECT abrev, id FROM vsurface");
            while (nextRow(surfaces)) {
                const std::string path = findInFolder(areaFolder, surfaces.getString(0) + ".gtx");
                if (!platform::isRegularFile(path)) continue;
                Query insert(database,
                             "INSERT INTO found_surfaces (area_id, surface_id, file_path) VALUES (:aid, :sid, :path)");
                insert.bind(":aid", areaId).bind(":sid", surfaces.getInt(1)).bind(":path", path);
                insert.step();
            }
        }
    }
    database.exec("END TRANSACTION");
    database.close();
    database.open(root + kDatabaseFile, Database::kReadOnly);
    return true;
}

void TmainFrm::FillLists() {
    Query q(database);
    q.prepare("SELECT name, id FROM gp_projections;");
    while (nextRow(q)) ui->cbProjection->addItem(fromUtf8(q.getText(0)), q.getInt(1));

    ui->cbEllipsoid->addItem(resString(kUserDefined), 0);
    q.prepare("SELECT name, id FROM gp_ellipsoids;");
    while (nextRow(q)) ui->cbEllipsoid->addItem(fromUtf8(q.getText(0)), q.getInt(1));

    ui->cbVertUnit->addItem(resString(kSameAsHorizontal));
    q.prepare("SELECT name FROM gp_units;");
    while (nextRow(q)) {
        const QString name = fromUtf8(q.getText(0));
        ui->cbHorzUnit->addItem(name);
        ui->cbVertUnit->addItem(name);
    }

    q.prepare("SELECT name, id FROM gp_crs ORDER BY seq;");
    while (nextRow(q)) ui->cbGrid->addItem(fromUtf8(q.getText(0)), q.getInt(1));
    ui->cbGrid->addItem(resString(kUserDefined), 0);
    predefinedGridCount = ui->cbGrid->count() - 1;

    q.prepare("SELECT name, id FROM vsurface;");
    while (nextRow(q)) ui->cbDatum->addItem(fromUtf8(q.getText(0)), q.getInt(1));

    q.prepare("SELECT id, description FROM varea WHERE (found = 1);");
    while (nextRow(q)) ui->cbVDatum->addItem(fromUtf8(q.getText(1)), q.getInt(0));

    for (QComboBox* list : {ui->cbProjection, ui->cbEllipsoid, ui->cbHorzUnit, ui->cbVertUnit, ui->cbGrid,
                            ui->cbDatum, ui->cbVDatum})
        list->setCurrentIndex(-1);
}

void TmainFrm::AddCustomGrids() {
    const std::string folder = dataRoot() + kDatumFolder;
    const std::string extension = kCustomGridExtension;
    for (const std::string& name : platform::folderEntries(folder)) {
        if (name.size() <= extension.size() ||
            !equalsIgnoringAsciiCase(name.substr(name.size() - extension.size()), extension) ||
            !platform::isRegularFile(folder + "/" + name))
            continue;
        ui->cbGrid->addItem(fromUtf8(withoutExtension(name)), -1);
    }
}

// ---------------------------------------------------------------------------------------------
// Loading grids, zones, ellipsoids, projections and units

void TmainFrm::GridChanged() {
    const int index = ui->cbGrid->currentIndex();
    if (index < 0) return;
    gridId = ui->cbGrid->itemData(index).toInt();
    if (gridId > 0) {
        LoadZones();
        ui->cbZone->setCurrentIndex(0);
        ZoneChanged();
        return;
    }
    if (gridId < 0) ReadParameterFile(dataRoot() + "/datum/" + utf8(ui->cbGrid->itemText(index)) + kCustomGridExtension);
    QWidget* const freeGridSet[] = {ui->cbProjection, ui->cbEllipsoid, ui->edFalseEast, ui->edFalseNorth,
                                    ui->edParm0, ui->edParm1, ui->edParm2, ui->edParm3, ui->edParm4,
                                    ui->ckLocalGrid, nullptr};
    SetControlsEnabled(freeGridSet, true);
    ui->btnLocalGrid->setEnabled((localGrid.AdjustType & kAdjustTypeMask) == 1);
    ui->cbZone->setEnabled(false);
    ui->cbZone->setCurrentIndex(-1);
}

void TmainFrm::LoadZones() {
    ui->cbZone->clear();
    Query q(database, "SELECT name, id FROM gp_zones WHERE crs_id=?;");
    q.bind(1, gridId);
    while (nextRow(q)) ui->cbZone->addItem(fromUtf8(q.getText(0)), q.getInt(1));
    ui->cbZone->setEnabled(ui->cbZone->count() > 1);
    QWidget* const zoneSet[] = {ui->cbProjection, ui->edFalseEast, ui->edFalseNorth, ui->edParm0, ui->edParm1,
                                ui->edParm2, ui->edParm3, ui->edParm4, ui->ckLocalGrid, ui->btnLocalGrid, nullptr};
    SetControlsEnabled(zoneSet, false);
    SelectItemByObject(ui->cbGrid, gridId);
}

void TmainFrm::ZoneChanged() {
    const int index = ui->cbZone->currentIndex();
    if (index < 0) return;
    zoneId = ui->cbZone->itemData(index).toInt();
    LoadZone(zoneId);
}

bool TmainFrm::SelectZoneById(int zone) {
    int crs = 0;
    {
        Query q(database, "SELECT * FROM gp_zones WHERE id=?;");
        q.bind(1, zone);
        // A zone the database does not hold loads nothing (its unit factor would read as 0).
        if (!nextRow(q)) return false;
        crs = q.getInt("crs_id");
    }
    gridId = crs;
    zoneId = zone;
    LoadZones();
    SelectItemByObject(ui->cbZone, zone);
    LoadZone(zone);
    return true;
}

void TmainFrm::LoadZone(int zone) {
    Query q(database,
            "SELECT proj_id, gp_zones.numpar AS numpar, p1, p2, p3, p4, p5, fe, fn, hunit_id,        hunits.factor as hfactor, "
            "ellip_id, ladj_id,        gp_datum_xform.kind AS dt_kind, dx, dy, dz,        drx, dry, drz, dsc, model  "
            "FROM gp_zones     INNER JOIN gp_projections ON proj_id = gp_projections.id     INNER JOIN gp_units AS "
            "hunits ON hunit_id = hunits.id     LEFT JOIN gp_datum_xform ON dt_id = gp_datum_xform.id   WHERE "
            "gp_zones.id=?;");
    q.bind(1, zone);
    if (!nextRow(q)) return;

    projectionId = q.getInt("proj_id");
    LoadProjection(projectionId);
    const int numpar = q.getInt("numpar");
    for (int i = 0; i < numpar && i < kParameterSlots; ++i)
        ShowParameter(i, q.getDouble(("p" + std::to_string(i + 1)).c_str()));

    // The zone's false origin is in the zone's unit. It is handed to ApplyUnits in the current
    // unit, so that the lengths not given by the zone (orthometric correction, local grid) are
    // converted from the unit they were entered in rather than reinterpreted.
    const double zoneFactor = q.getDouble("hfactor");
    falseEasting = q.getDouble("fe") * zoneFactor / horzFactor;
    falseNorthing = q.getDouble("fn") * zoneFactor / horzFactor;
    ApplyUnits(q.getInt("hunit_id"), 0);

    const int ellipsoid = q.getInt("ellip_id");
    if (ellipsoid != 0) {
        ellipsoidId = ellipsoid;
        LoadEllipsoid(ellipsoidId);
        ui->cbEllipsoid->setEnabled(false);
    } else {
        ui->cbEllipsoid->setEnabled(true);
    }

    localGrid.AdjustType = q.getInt("ladj_id");
    ui->ckLocalGrid->setChecked(localGrid.AdjustType != 0);

    if (q.getInt("dt_kind") == 0) {
        datumShiftFile.clear();
        UpdateDatumShiftFile();
        dx = q.getDouble("dx");
        dy = q.getDouble("dy");
        dz = q.getDouble("dz");
        drx = q.getDouble("drx");
        dry = q.getDouble("dry");
        drz = q.getDouble("drz");
        dscale = q.getDouble("dsc");
    } else {
        datumShiftFile = q.getString("model");
        dx = dy = dz = drx = dry = drz = dscale = 0.0;
        UpdateDatumShiftFile();
    }
    ShowDatumParameters();
}

void TmainFrm::LoadProjection(int id) {
    for (const ParameterSlot& slot : parameterSlots) {
        slot.label->setVisible(false);
        slot.edit->setVisible(false);
    }
    Query projection(database, "SELECT * FROM gp_projections WHERE id = ?;");
    projection.bind(1, id);
    if (!nextRow(projection)) return;
    const int numpar = projection.getInt("numpar");
    for (int i = 1; i <= numpar && i <= kParameterSlots; ++i) {
        ParameterSlot& slot = parameterSlots[i - 1];
        Query par(database, "SELECT * FROM gp_projpar WHERE id=?;");
        par.bind(1, projection.getInt(("par" + std::to_string(i)).c_str()));
        // A parameter column naming no gp_projpar row leaves its field hidden.
        if (!nextRow(par)) continue;
        slot.label->setVisible(true);
        slot.edit->setVisible(true);
        slot.label->setText(fromUtf8(par.getText("name")));
        const std::string type = par.getString("type");
        if (type.size() >= 1 && type[0] == 'd') {
            slot.kind = type.size() >= 2 && type[1] == 'n' ? kLatitude : kLongitude;
            slot.format.clear();
        } else {
            slot.kind = kNumber;
            slot.format = par.getString("fmt").substr(0, kMaxFormatLength);
        }
    }
    ui->cbProjection->setCurrentIndex(id - 1);
}

void TmainFrm::LoadEllipsoid(int id) {
    QWidget* const datumSet[] = {ui->edDx, ui->edDy, ui->edDz, ui->edDrx, ui->edDry, ui->edDrz, ui->edDsc,
                                 ui->btnDatumShiftFileBrowse, ui->btnDatumShiftFileClear, nullptr};
    if (id == kWgs84EllipsoidId) {
        dx = dy = dz = drx = dry = drz = dscale = 0.0;
        ShowDatumParameters();
        ui->edDatumShiftFile->clear();
        SetControlsEnabled(datumSet, false);
    } else {
        SetControlsEnabled(datumSet, true);
    }
    if (id == 0) {
        ui->edSemiMajorAxis->setEnabled(true);
        ui->edFlattening->setEnabled(true);
    } else {
        ui->edSemiMajorAxis->setEnabled(false);
        ui->edFlattening->setEnabled(false);
        Query q(database, "SELECT * FROM gp_ellipsoids WHERE id=?;");
        q.bind(1, id);
        if (nextRow(q)) {
            semiMajorAxis = q.getDouble("a");
            inverseFlattening = q.getDouble("one_over_f");
        }
    }
    ui->edSemiMajorAxis->setText(numbertext::general(semiMajorAxis));
    ui->edFlattening->setText(numbertext::general(inverseFlattening));
    SelectItemByObject(ui->cbEllipsoid, ellipsoidId);
}

void TmainFrm::UnitsChanged() {
    // Every text is converted before anything changes: a text that is not a number raises and
    // leaves the state as it was. An edit that still shows the stored value gives that value in
    // full, so changing the unit and back restores the length exactly.
    const auto edited = [](QLineEdit* edit, double stored) {
        return edit->text() == numbertext::general(stored) ? stored : numbertext::strict(edit->text());
    };
    const double easting = ui->edFalseEast->isEnabled() ? edited(ui->edFalseEast, falseEasting) : falseEasting;
    const double northing = ui->edFalseNorth->isEnabled() ? edited(ui->edFalseNorth, falseNorthing) : falseNorthing;
    const double ortho = edited(ui->edOrtho, orthoCorrection);
    falseEasting = easting;
    falseNorthing = northing;
    orthoCorrection = ortho;
    horzUnitId = ui->cbHorzUnit->currentIndex() + 1;
    vertUnitIndex = ui->cbVertUnit->currentIndex();
    ApplyUnits(horzUnitId, vertUnitIndex);
}

void TmainFrm::ApplyUnits(int h, int v) {
    double newHorz = horzFactor;
    double newVert = vertFactor;
    std::string label;
    {
        Query q(database, "SELECT factor,abrev FROM gp_units WHERE id=?;");
        q.bind(1, h);
        // A unit the table lacks keeps the current factor: a factor of 0 would wipe the lengths.
        if (nextRow(q) && q.getDouble(0) > 0) {
            newHorz = q.getDouble(0);
            label = q.getString(1);
        }
    }
    if (v != 0) {
        Query q(database, "SELECT factor, abrev FROM gp_units WHERE id=?;");
        q.bind(1, v);
        if (nextRow(q) && q.getDouble(0) > 0) {
            newVert = q.getDouble(0);
            label = q.getString(1);
        }
    } else {
        newVert = newHorz;
    }
    falseEasting *= horzFactor;
    falseNorthing *= horzFactor;
    localGrid.OrigX *= horzFactor;
    localGrid.OrigY *= horzFactor;
    localGrid.TransX *= horzFactor;
    localGrid.TransY *= horzFactor;
    orthoCorrection *= vertFactor;
    horzFactor = newHorz;
    vertFactor = newVert;
    falseEasting /= horzFactor;
    falseNorthing /= horzFactor;
    localGrid.OrigX /= horzFactor;
    localGrid.OrigY /= horzFactor;
    localGrid.TransX /= horzFactor;
    localGrid.TransY /= horzFactor;
    orthoCorrection /= vertFactor;

    horzUnitId = h;
    vertUnitIndex = v;
    ui->edFalseEast->setText(numbertext::general(falseEasting));
    ui->edFalseNorth->setText(numbertext::general(falseNorthing));
    ui->edOrtho->setText(numbertext::general(orthoCorrection));
    ui->lblOrthoUnits->setText(fromUtf8(label));
    ui->cbHorzUnit->setCurrentIndex(h - 1);
    ui->cbVertUnit->setCurrentIndex(v);
}

void TmainFrm::UpdateDatumShiftFile() {
    if (datumShiftFile.empty()) {
        ui->edDatumShiftFile->clear();
        LoadEllipsoid(ellipsoidId);
        return;
    }
    ui->edDatumShiftFile->setText(fromUtf8(datumShiftFile));
    dx = dy = dz = drx = dry = drz = dscale = 0.0;
    ShowDatumParameters();
    QWidget* const datumEdits[] = {ui->edDx, ui->edDy, ui->edDz, ui->edDrx, ui->edDry, ui->edDrz, ui->edDsc, nullptr};
    SetControlsEnabled(datumEdits, false);
}

void TmainFrm::ShowDatumParameters() {
    ui->edDx->setText(numbertext::formatOr15("%.3lf", dx));
    ui->edDy->setText(numbertext::formatOr15("%.3lf", dy));
    ui->edDz->setText(numbertext::formatOr15("%.3lf", dz));
    ui->edDsc->setText(numbertext::formatOr15("%.5lf", dscale));
    ui->edDrx->setText(numbertext::formatOr15("%.5lf", drx));
    ui->edDry->setText(numbertext::formatOr15("%.5lf", dry));
    ui->edDrz->setText(numbertext::formatOr15("%.5lf", drz));
}

void TmainFrm::SelectItemByObject(QComboBox* list, int id) {
    for (int i = 0; i < list->count(); ++i) {
        if (list->itemData(i).toInt() == id) {
            list->setCurrentIndex(i);
            return;
        }
    }
    list->setCurrentIndex(-1);
}

void TmainFrm::LoadVDatumSurfaces() {
    const int index = ui->cbVDatum->currentIndex();
    const int area = index < 0 ? 0 : ui->cbVDatum->itemData(index).toInt();
    ui->cbDatum->clear();
    Query q(database,
            "SELECT name, vsurface.id FROM vsurface INNER JOIN found_surfaces ON vsurface.id = "
            "found_surfaces.surface_id WHERE area_id=?");
    q.bind(1, area);
    while (nextRow(q)) ui->cbDatum->addItem(fromUtf8(q.getText(0)), q.getInt(1));
    ui->cbDatum->setCurrentIndex(ui->cbDatum->count() > 0 ? 0 : -1);
}

// ---------------------------------------------------------------------------------------------
// Reading a parameter file into the form

void TmainFrm::ReadParameters(IBayrunProfile* profile, bool gridFile) {
    // 1. Ellipsoid: a table ellipsoid of exactly these values, else "user defined".
    semiMajorAxis = profile->ReadDouble(kSection, "SemiMajorAxis", kDefaultSemiMajorAxis);
    inverseFlattening = profile->ReadDouble(kSection, "Flattening", kDefaultInverseFlattening);
    {
        Query q(database, "SELECT id FROM gp_ellipsoids WHERE a=?1 AND one_over_f=?2;");
        q.bind(1, semiMajorAxis).bind(2, inverseFlattening);
        ellipsoidId = nextRow(q) ? q.getInt(0) : 0;
    }
    LoadEllipsoid(ellipsoidId);

    // 2. Zone, by id (current profile only) or by grid and zone name.
    int zone = 0;
    if (!gridFile && profile->KeyExists(kSection, "ZoneId")) {
        zone = profile->ReadInt(kSection, "ZoneId", 0);
    } else if (profile->KeyExists(kSection, "Grid")) {
        const std::string grid = readText(profile, "Grid", "");
        const std::string zoneName = readText(profile, "ZoneName", "");
        Query q(database,
                "SELECT gp_zones.id FROM gp_zones INNER JOIN gp_crs ON gp_zones.crs_id = gp_crs.id  WHERE "
                "gp_crs.name = ?1 and gp_zones.name= ?2 limit 1");
        q.bind(1, grid).bind(2, zoneName);
        if (nextRow(q)) zone = q.getInt(0);
    }

    // 3. A known zone gives projection, parameters, false origin, unit, ellipsoid, local grid
    // type and datum; a zone id the database lacks reads the file's own keys instead.
    const bool zoneLoaded = zone >= 1 && SelectZoneById(zone);
    if (!zoneLoaded) {
        // 4. The grid list (current profile only).
        if (!gridFile) {
            bool custom = false;
            if (profile->KeyExists(kSection, "CustomName")) {
                const QString name = fromUtf8(readText(profile, "CustomName", "User-Defined"));
                for (int i = predefinedGridCount + 1; i < ui->cbGrid->count(); ++i) {
                    if (ui->cbGrid->itemText(i) == name) {
                        gridId = -1;
                        zoneId = 0;
                        ui->cbGrid->setCurrentIndex(i);
                        GridChanged();
                        custom = true;
                        break;
                    }
                }
            }
            if (!custom) {
                gridId = 0;
                zoneId = 0;
                ui->cbGrid->setCurrentIndex(predefinedGridCount);
                GridChanged();
            }
        }

        // 5. Projection and its parameters.
        const std::string abrev = readText(profile, "Projection", "TME");
        int id = 0;
        std::vector<int> parameterIds;
        {
            Query q(database, "SELECT * FROM gp_projections WHERE abrev=?;");
            q.bind(1, abrev);
            if (nextRow(q)) {
                id = q.getInt("id");
                const int numpar = q.getInt("numpar");
                for (int i = 1; i <= numpar && i <= kParameterSlots; ++i)
                    parameterIds.push_back(q.getInt(("par" + std::to_string(i)).c_str()));
            }
        }
        projectionId = id;
        LoadProjection(id);
        for (size_t i = 0; i < parameterIds.size(); ++i) {
            Query q(database, "SELECT abrev FROM gp_projpar WHERE id=?;");
            q.bind(1, parameterIds[i]);
            if (!nextRow(q)) continue;
            const std::string key = q.getString(0);
            ShowParameter(int(i), profile->ReadDouble(kSection, key.c_str(), 0.0));
        }

        // 6. Local grid.
        localGrid.AdjustType = profile->ReadInt(kSection, "AdjustType", 0);
        localGrid.OrigX = profile->ReadDouble(kSection, "AdjustOrigX", 0.0);
        localGrid.OrigY = profile->ReadDouble(kSection, "AdjustOrigY", 0.0);
        localGrid.Rotation = profile->ReadDouble(kSection, "AdjustRotation", 0.0);
        localGrid.Scale = profile->ReadDouble(kSection, "AdjustScale", 0.0);
        if (localGrid.Scale == 0.0) localGrid.Scale = 1.0;
        localGrid.TransX = profile->ReadDouble(kSection, "AdjustX", 0.0);
        localGrid.TransY = profile->ReadDouble(kSection, "AdjustY", 0.0);
        if (profile->ReadBool(kSection, "ReverseX", false)) localGrid.AdjustType |= kReverseX;
        if (profile->ReadBool(kSection, "ReverseY", false)) localGrid.AdjustType |= kReverseY;
    }

    // 7. Horizontal unit: the table unit of exactly this factor, else metres.
    horzFactor = profile->ReadDouble(kSection, "Unit", 1.0);
    int unit = 1;
    {
        Query q(database, "SELECT id FROM gp_units WHERE factor = ?;");
        q.bind(1, horzFactor);
        if (nextRow(q)) {
            unit = q.getInt(0);
        } else {
            horzFactor = 1.0;
        }
    }
    ui->cbHorzUnit->setCurrentIndex(unit - 1);

    // 8. Vertical unit: 0 is "same as horizontal".
    vertFactor = profile->ReadDouble(kSection, "VertUnit", 0.0);
    int vertical = 0;
    if (vertFactor != 0.0) {
        Query q(database, "SELECT id FROM gp_units WHERE factor = ?;");
        q.bind(1, vertFactor);
        if (nextRow(q)) vertical = q.getInt(0);
    }
    if (vertical == 0) vertFactor = horzFactor;
    ui->cbVertUnit->setCurrentIndex(vertical);
    UnitsChanged();

    // 9. False origin, in the horizontal unit as stored.
    falseEasting = profile->ReadDouble(kSection, "FalseEasting", 0.0);
    falseNorthing = profile->ReadDouble(kSection, "FalseNorthing", 0.0);
    ui->edFalseEast->setText(numbertext::formatOr15("%12.4f", falseEasting));
    ui->edFalseNorth->setText(numbertext::formatOr15("%12.4f", falseNorthing));

    // 10. Datum: a datum-shift file (its name only) or the seven parameters.
    if (profile->KeyExists(kSection, "DynDatum")) {
        datumShiftFile = fileNameOf(readText(profile, "DynDatum", ""));
        UpdateDatumShiftFile();
    } else {
        dx = profile->ReadDouble(kSection, "DeltaX", 0.0);
        dy = profile->ReadDouble(kSection, "DeltaY", 0.0);
        dz = profile->ReadDouble(kSection, "DeltaZ", 0.0);
        drx = profile->ReadDouble(kSection, "DeltaRX", 0.0);
        dry = profile->ReadDouble(kSection, "DeltaRY", 0.0);
        drz = profile->ReadDouble(kSection, "DeltaRZ", 0.0);
        dscale = profile->ReadDouble(kSection, "DeltaScale", 0.0);
        ShowDatumParameters();
    }

    // 11. Local grid controls; setting the box keeps the type word as read.
    ui->ckLocalGrid->setChecked(localGrid.AdjustType != 0);
    ui->btnLocalGrid->setEnabled((localGrid.AdjustType & kAdjustTypeMask) == 1);

    // 12. Orthometric correction: metres in the file.
    orthoCorrection = profile->ReadDouble(kSection, "OrthoHCorr", 0.0);
    if (vertFactor != 0.0) orthoCorrection /= vertFactor;
    ui->edOrtho->setText(numbertext::formatOr15("%.3lf", orthoCorrection));

    // 13. Geoid model: the bare file name.
    if (profile->KeyExists(kSection, "Geoid"))
        geoidModel = withoutExtension(fileNameOf(readText(profile, "Geoid", "")));
    else
        geoidModel.clear();
    ui->edGeoModel->setText(fromUtf8(geoidModel));

    // 14.
    ui->ckElevationMode->setChecked(profile->ReadBool(kSection, "Elevation", false));

    // 15. VDatum area and surface.
    ui->cbVDatum->setCurrentIndex(-1);
    ui->cbDatum->setCurrentIndex(-1);
    const std::string area = readText(profile, "VDatum", "");
    if (!area.empty()) {
        Query q(database, "SELECT id, description FROM varea WHERE abrev=?");
        q.bind(1, area);
        if (nextRow(q)) {
            SelectItemByObject(ui->cbVDatum, q.getInt(0));
            LoadVDatumSurfaces();
            const std::string surface = readText(profile, "VSurface", "TSS");
            Query s(database, "SELECT id FROM vsurface WHERE abrev=?;");
            s.bind(1, surface);
            if (nextRow(s)) SelectItemByObject(ui->cbDatum, s.getInt(0));
        }
    }

    // 16. A custom grid file holds no vertical reference.
    if (gridFile) return;

    // 17. RTK mode, or for an older file the mode its "ChartDatum" implies.
    if (profile->KeyExists(kSection, "RTKMode")) {
        rtkMode = profile->ReadInt(kSection, "RTKMode", 0);
        ktdFile = readText(profile, "KTDFile", "");
        chartDatum = profile->ReadDouble(kSection, "ChartDatum", 0.0);
    } else {
        const std::string text = readText(profile, "ChartDatum", "");
        if (!text.empty() && text[0] >= '0' && text[0] <= '9') {
            chartDatum = leadingNumber(text);
            rtkMode = geoidModel.empty() ? 0 : 4;
        } else {
            rtkMode = 3;
            Query s(database, "SELECT id FROM vsurface WHERE abrev=?;");
            s.bind(1, text);
            if (nextRow(s)) SelectItemByObject(ui->cbDatum, s.getInt(0));
        }
    }
    ui->edDatumLevel->setText(numbertext::formatOr15("%.2lf", chartDatum));
    setRtkIndex(rtkMode);
    UpdateRtkControls(rtkMode);
    ui->ExportVDatumtoXYZ1->setEnabled(rtkMode == 3);
}

void TmainFrm::ReadCurrentParameters() {
    ReadParameters(bayrun::environment()->GetProfile(kBayrunProfileGeodesy), false);
}

void TmainFrm::ReadParameterFile(const std::string& path) {
    OwnedProfile profile = newProfile();
    profile->Open(path.c_str());
    ReadParameters(profile.get(), true);
}

// ---------------------------------------------------------------------------------------------
// Validating and writing the parameter file

void TmainFrm::WriteParameters(IBayrunProfile* profile) {
    // Every number is taken from its edit before the section is erased, so a text that is not a
    // number stops the writing with the file as it was.
    const double transformation[kDatumParameters] = {
        numbertext::strict(ui->edDx->text()),  numbertext::strict(ui->edDy->text()),
        numbertext::strict(ui->edDz->text()),  numbertext::strict(ui->edDrx->text()),
        numbertext::strict(ui->edDry->text()), numbertext::strict(ui->edDrz->text()),
        numbertext::strict(ui->edDsc->text())};
    const double ortho = numbertext::strict(ui->edOrtho->text());

    struct Parameter {
        std::string key;
        std::string text;
    };
    std::vector<Parameter> parameters;
    std::string projectionAbrev;
    {
        Query projection(database, "SELECT * FROM gp_projections WHERE id=?;");
        projection.bind(1, ui->cbProjection->currentIndex() + 1);
        if (nextRow(projection)) {
            projectionAbrev = projection.getString("abrev");
            const int numpar = projection.getInt("numpar");
            for (int i = 0; i < numpar && i < kParameterSlots; ++i) {
                Query par(database, "SELECT * FROM gp_projpar WHERE id=?;");
                par.bind(1, projection.getInt(("par" + std::to_string(i + 1)).c_str()));
                if (!nextRow(par)) continue;
                // A field that does not read as its kind of value is refused like any other
                // number: writing the previous parameter's value in its place would be wrong.
                const QString fieldText = parameterSlots[i].edit->text();
                double value = 0;
                bool parsed = false;
                if (parameterSlots[i].kind == kNumber)
                    parsed = numbertext::parse(fieldText, value);
                else if (parameterSlots[i].kind == kLatitude)
                    parsed = bayrun::angles()->ParseLatitude(utf16(fieldText).c_str(), &value);
                else
                    parsed = bayrun::angles()->ParseLongitude(utf16(fieldText).c_str(), &value);
                if (!parsed) throw ConversionError(fieldText);
                QString text;
                // A missing or unusable stored format writes the exact shortest text.
                if (!numbertext::format(par.getString("fmt"), value, text)) {
                    char buf[64];
                    auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value);
                    text = QString::fromLatin1(buf, int(end - buf));
                }
                parameters.push_back({par.getString("abrev"), utf8(text)});
            }
        }
    }

    checkWrite(profile->EraseSectionW(kSectionW), "Geodesy");
    checkWrite(profile->WriteInt(kSection, "Ver", libraryVersion), "Ver");
    const int gridIndex = ui->cbGrid->currentIndex();
    if (gridIndex >= 0 && gridIndex < predefinedGridCount) {
        checkWrite(profile->WriteInt(kSection, "ZoneId", ui->cbZone->currentData().toInt()), "ZoneId");
        checkWrite(profile->WriteStringW(kSectionW, u"Grid", utf16(ui->cbGrid->currentText()).c_str()), "Grid");
        checkWrite(profile->WriteStringW(kSectionW, u"ZoneName", utf16(ui->cbZone->currentText()).c_str()), "ZoneName");
    }
    checkWrite(profile->WriteStringW(kSectionW, u"Unit", utf16(numbertext::formatOr15("%.12lf", horzFactor)).c_str()),
               "Unit");
    checkWrite(profile->WriteStringW(kSectionW, u"UnitsName", utf16(ui->cbHorzUnit->currentText()).c_str()),
               "UnitsName");
    checkWrite(profile->WriteDouble(kSection, "VertUnit", ui->cbVertUnit->currentIndex() >= 1 ? vertFactor : 0.0),
               "VertUnit");
    if (!projectionAbrev.empty()) checkWrite(profile->WriteString(kSection, "Projection", projectionAbrev.c_str()), "Projection");
    for (const Parameter& p : parameters)
        checkWrite(profile->WriteString(kSection, p.key.c_str(), p.text.c_str()), p.key.c_str());
    checkWrite(profile->WriteStringW(kSectionW, u"Ellipsoid", utf16(ui->cbEllipsoid->currentText()).c_str()),
               "Ellipsoid");
    checkWrite(profile->WriteStringW(kSectionW, u"SemiMajorAxis", utf16(ui->edSemiMajorAxis->text()).c_str()),
               "SemiMajorAxis");
    checkWrite(profile->WriteStringW(kSectionW, u"Flattening", utf16(ui->edFlattening->text()).c_str()), "Flattening");
    checkWrite(profile->WriteStringW(kSectionW, u"FalseEasting", utf16(ui->edFalseEast->text()).c_str()),
               "FalseEasting");
    checkWrite(profile->WriteStringW(kSectionW, u"FalseNorthing", utf16(ui->edFalseNorth->text()).c_str()),
               "FalseNorthing");
    const char* transformationKeys[kDatumParameters] = {"DeltaX", "DeltaY", "DeltaZ", "DeltaRX", "DeltaRY", "DeltaRZ", "DeltaScale"};
    for (int i = 0; i < kDatumParameters; ++i)
        checkWrite(profile->WriteDouble(kSection, transformationKeys[i], transformation[i]), transformationKeys[i]);

    if (!datumShiftFile.empty()) {
        const std::string name = datumShiftFile.find('.') == std::string::npos ? datumShiftFile + ".lls" : datumShiftFile;
        checkWrite(profile->WriteString(kSection, "DynDatum", name.c_str()), "DynDatum");
    } else {
        profile->DeleteKey(kSection, "DynDatum");
    }

    if (localGrid.AdjustType != 0) {
        checkWrite(profile->WriteInt(kSection, "AdjustType", localGrid.AdjustType & kAdjustTypeMask), "AdjustType");
        const std::pair<const char*, double> values[] = {
            {"AdjustOrigX", localGrid.OrigX}, {"AdjustOrigY", localGrid.OrigY}, {"AdjustRotation", localGrid.Rotation},
            {"AdjustScale", localGrid.Scale}, {"AdjustX", localGrid.TransX},    {"AdjustY", localGrid.TransY}};
        for (const auto& [key, value] : values) checkWrite(profile->WriteDouble(kSection, key, value), key);
        if (localGrid.AdjustType & kReverseX) checkWrite(profile->WriteBool(kSection, "ReverseX", true), "ReverseX");
        if (localGrid.AdjustType & kReverseY) checkWrite(profile->WriteBool(kSection, "ReverseY", true), "ReverseY");
    } else {
        for (const char* key : {"AdjustType", "AdjustOrigX", "AdjustOrigY", "AdjustRotation", "AdjustScale", "AdjustX",
                                "AdjustY", "ReverseX", "ReverseY"})
            profile->DeleteKey(kSection, key);
    }

    checkWrite(profile->WriteDouble(kSection, "OrthoHCorr", ortho * vertFactor), "OrthoHCorr");
    if (!geoidModel.empty())
        checkWrite(profile->WriteString(kSection, "Geoid", (geoidModel + ".geo").c_str()), "Geoid");
    else
        profile->DeleteKey(kSection, "Geoid");
    checkWrite(profile->WriteBool(kSection, "Elevation", ui->ckElevationMode->isChecked()), "Elevation");
}

bool TmainFrm::ValidateAndWriteParameters(IBayrunProfile* profile) {
    int message = 0;
    if (rtkMode == 3 && (ui->cbDatum->currentIndex() < 0 || ui->cbVDatum->currentIndex() < 0))
        message = kMsgMissingVDatum;
    else if ((rtkMode == 2 || rtkMode == 3 || rtkMode == 4) && geoidModel.empty())
        message = kMsgMissingGeoid;
    else if ((rtkMode == 1 || rtkMode == 2) && ktdFile.empty())
        message = kMsgMissingKtd;
    if (message != 0) {
        showError(resString(message), resString(kCaption));
        return false;
    }
    const double level = numbertext::strict(ui->edDatumLevel->text());

    WriteParameters(profile);

    profile->DeleteKey(kSection, "VDatum");
    if (rtkMode == 3) {
        {
            Query q(database, "SELECT abrev FROM varea WHERE id=?;");
            q.bind(1, ui->cbVDatum->currentData().toInt());
            if (nextRow(q)) checkWrite(profile->WriteString(kSection, "VDatum", q.getText(0)), "VDatum");
        }
        Query q(database, "SELECT abrev FROM vsurface WHERE id=?;");
        q.bind(1, ui->cbDatum->currentData().toInt());
        if (nextRow(q))
            checkWrite(profile->WriteString(kSection, "VSurface", q.getText(0)), "VSurface");
        else
            profile->DeleteKey(kSection, "VSurface");
    }
    checkWrite(profile->WriteDouble(kSection, "ChartDatum", level), "ChartDatum");
    checkWrite(profile->WriteInt(kSection, "RTKMode", rtkMode), "RTKMode");
    if (!ktdFile.empty()) checkWrite(profile->WriteString(kSection, "KTDFile", ktdFile.c_str()), "KTDFile");
    if (ui->cbGrid->currentIndex() > predefinedGridCount)
        checkWrite(profile->WriteStringW(kSectionW, u"CustomName", utf16(ui->cbGrid->currentText()).c_str()),
                   "CustomName");
    return true;
}

// ---------------------------------------------------------------------------------------------
// Controls

void TmainFrm::SetControlsVisible(QWidget* const* list, bool visible) {
    for (; *list; ++list) (*list)->setVisible(visible);
}

void TmainFrm::SetControlsEnabled(QWidget* const* list, bool enabled) {
    for (; *list; ++list) (*list)->setEnabled(enabled);
}

void TmainFrm::ClearGeoidModel() {
    geoidModel.clear();
    ui->edGeoModel->clear();
}

void TmainFrm::ClearKtdFile() {
    ktdFile.clear();
    ui->edKtd->clear();
}

int TmainFrm::rtkIndex() const { return rtkGroup->checkedId(); }

void TmainFrm::setRtkIndex(int index) {
    if (QAbstractButton* button = rtkGroup->button(index)) {
        button->setChecked(true);
        return;
    }
    // No item: the exclusive group would keep its checked button.
    rtkGroup->setExclusive(false);
    for (QAbstractButton* b : rtkGroup->buttons()) b->setChecked(false);
    rtkGroup->setExclusive(true);
}

void TmainFrm::UpdateRtkControls(int mode) {
    if (displayMode == kSubBottom) return;
    rtkMode = mode;
    QWidget* const vertical[] = {ui->lblGeoModel, ui->edGeoModel, ui->btnGeoModelBrowse, ui->btnGeoModelClear,
                                 ui->lblOrtho,    ui->edOrtho,    ui->lblOrthoUnits,     ui->lblKtd,
                                 ui->edKtd,       ui->btnKtdBrowse, ui->btnKtdClear,     ui->lblVDatum,
                                 ui->cbVDatum,    ui->lblDatum,   ui->cbDatum,           ui->lblDatumLevel,
                                 ui->edDatumLevel, nullptr};
    QWidget* const geoid[] = {ui->lblGeoModel, ui->edGeoModel, ui->btnGeoModelBrowse, ui->btnGeoModelClear,
                              ui->lblOrtho,    ui->edOrtho,    ui->lblOrthoUnits,     nullptr};
    QWidget* const ktd[] = {ui->lblKtd, ui->edKtd, ui->btnKtdBrowse, ui->btnKtdClear, nullptr};
    QWidget* const vdatum[] = {ui->lblVDatum, ui->cbVDatum, ui->lblDatum, ui->cbDatum, nullptr};
    QWidget* const level[] = {ui->lblDatumLevel, ui->edDatumLevel, nullptr};
    SetControlsVisible(vertical, false);
    switch (mode) {
    case 0:
        SetControlsVisible(level, true);
        ClearGeoidModel();
        ClearKtdFile();
        ui->cbVDatum->setCurrentIndex(-1);
        ui->cbDatum->setCurrentIndex(-1);
        ui->lblDatumLevel->setText(resString(kChartDatumLevel));
        break;
    case 1:
        SetControlsVisible(ktd, true);
        ClearGeoidModel();
        chartDatum = 0.0;
        ui->edKtd->setText(fromUtf8(ktdFile));
        break;
    case 2:
        SetControlsVisible(geoid, true);
        SetControlsVisible(ktd, true);
        chartDatum = 0.0;
        ui->edKtd->setText(fromUtf8(ktdFile));
        break;
    case 3:
        SetControlsVisible(geoid, true);
        SetControlsVisible(vdatum, true);
        chartDatum = 0.0;
        break;
    case 4:
        SetControlsVisible(geoid, true);
        SetControlsVisible(level, true);
        ui->edDatumLevel->setEnabled(true);
        ui->cbVDatum->setCurrentIndex(-1);
        ui->cbDatum->setCurrentIndex(-1);
        ui->lblDatumLevel->setText(resString(kHeightOfGeoid));
        break;
    case 5:
        SetControlsVisible(level, true);
        ClearGeoidModel();
        ClearKtdFile();
        ui->cbVDatum->setCurrentIndex(-1);
        ui->cbDatum->setCurrentIndex(-1);
        ui->lblDatumLevel->setText(resString(kHeightOfEllipsoid));
        break;
    default:
        break;
    }
    ui->edDatumLevel->setText(numbertext::formatOr15("%.2lf", chartDatum));
}

void TmainFrm::SetDisplayMode(QAction* sender) {
    if (!sender) return;
    ui->mnuViewStandard->setChecked(false);
    ui->mnuViewSubBottom->setChecked(false);
    sender->setChecked(true);
    QWidget* const modeControls[] = {ui->Bevel1,      ui->rgRTK,         ui->lblGeoModel,   ui->edGeoModel,
                                     ui->btnGeoModelBrowse, ui->btnGeoModelClear, ui->lblKtd, ui->edKtd,
                                     ui->btnKtdBrowse, ui->btnKtdClear,  ui->lblVDatum,     ui->cbVDatum,
                                     ui->lblDatum,    ui->cbDatum,       ui->lblDatumLevel, ui->edDatumLevel,
                                     ui->lblOrtho,    ui->edOrtho,       ui->lblOrthoUnits, nullptr};
    if (sender == ui->mnuViewStandard) {
        displayMode = kStandard;
        resize(kWindowWidth, kStandardHeight);
        SetControlsVisible(modeControls, true);
        ui->ExportVDatumtoXYZ1->setVisible(true);
        ui->ExportVDatumtoXYZ1->setEnabled(rtkMode == 3);
        ui->btnOK->move(ui->btnOK->x(), kStandardButtonTop);
        ui->btnCancel->move(ui->btnCancel->x(), kStandardButtonTop);
    } else if (sender == ui->mnuViewSubBottom) {
        displayMode = kSubBottom;
        ui->btnOK->move(ui->btnOK->x(), kSubBottomButtonTop);
        ui->btnCancel->move(ui->btnCancel->x(), kSubBottomButtonTop);
        SetControlsVisible(modeControls, false);
        ui->ExportVDatumtoXYZ1->setVisible(false);
        resize(kWindowWidth, kSubBottomHeight);
    }
}

void TmainFrm::ShowParameter(int slot, double value) {
    if (slot < 0 || slot >= kParameterSlots) return;
    ParameterSlot& s = parameterSlots[slot];
    char16_t buffer[kAngleBuffer];
    switch (s.kind) {
    case kNumber:
        s.edit->setText(s.format.empty() ? numbertext::general(value) : numbertext::formatOr15(s.format, value));
        break;
    case kLatitude:
        bayrun::angles()->SetFormat(DegFormat);
        s.edit->setText(QString::fromUtf16(bayrun::angles()->FormatLatitude(buffer, kAngleBuffer, value)));
        break;
    case kLongitude:
        bayrun::angles()->SetFormat(DegFormat);
        s.edit->setText(QString::fromUtf16(bayrun::angles()->FormatLongitude(buffer, kAngleBuffer, value)));
        break;
    default:
        break;
    }
}

void TmainFrm::ParseParameter(int slot, double* value) {
    if (slot < 0 || slot >= kParameterSlots || !value) return;
    ParameterSlot& s = parameterSlots[slot];
    const QString text = s.edit->text();
    switch (s.kind) {
    case kNumber:
        numbertext::parse(text, *value);
        break;
    case kLatitude:
        if (!bayrun::angles()->ParseLatitude(utf16(text).c_str(), value)) ShowParameter(slot, *value);
        break;
    case kLongitude:
        if (!bayrun::angles()->ParseLongitude(utf16(text).c_str(), value)) ShowParameter(slot, *value);
        break;
    default:
        break;
    }
}

void TmainFrm::SetCaptions() {
    setWindowTitle(resString(1841));
    ui->File1->setTitle(resString(1039));
    ui->mnuView->setTitle(resString(10));
    ui->mnuDisplayMode->setTitle(resString(11));
    ui->mnuViewStandard->setText(resString(12));
    ui->mnuViewSubBottom->setText(resString(13));
    ui->Tools1->setTitle(resString(2934));
    ui->Options1->setTitle(resString(2316));
    ui->Help1->setTitle(resString(1045));
    ui->Exit1->setText(resString(1660));
    ui->ExportVDatumtoXYZ1->setText(resString(8129));
    ui->TimeVariableTransformations1->setText(resString(8130));
    ui->SaveCustomGrid1->setText(resString(10771));
    ui->DegreesFormat1->setTitle(resString(5366));
    ui->DecimalDegrees1->setText(resString(1490));
    ui->DecimalMinutes1->setText(resString(5074));
    ui->DecimalSeconds1->setText(resString(5077));
    ui->HelpTopics1->setText(resString(5150));
    ui->About1->setText(resString(1101));
    ui->gbPredefined->setTitle(resString(5339));
    ui->gbDatumTransformationParameters->setTitle(resString(5348));
    ui->lblGrids->setText(resString(3940));
    ui->lblZone->setText(resString(3073));
    ui->lblDistanceUnit->setText(resString(5340));
    ui->lblDepthUnit->setText(resString(5341));
    ui->ckElevationMode->setText(resString(5342));
    ui->lblEllipsoid->setText(resString(1681));
    ui->lblSemiMajorAxis->setText(resString(2672));
    ui->lblFlattening->setText(resString(5343));
    ui->lblDx->setText(resString(7427));
    ui->lblDy->setText(resString(7428));
    ui->lblDz->setText(resString(7429));
    ui->lblRx->setText(resString(7423));
    ui->lblRy->setText(resString(7424));
    ui->lblRz->setText(resString(7425));
    ui->lblDscale->setText(resString(7430));
    ui->lblDatumShiftFile->setText(resString(5349));
    ui->lblProjection->setText(resString(2469));
    ui->lblFalseEasting->setText(resString(5346));
    ui->lblFalseNorthing->setText(resString(5347));
    ui->ckLocalGrid->setText(resString(5350));
    ui->btnLocalGrid->setText(resString(5352));
    ui->rgRTK->setTitle(resString(5530));
    for (int i = 0; i < kRtkModes; ++i) rtkGroup->button(i)->setText(resString(8111 + i));
    ui->lblGeoModel->setText(resString(5344));
    ui->lblOrtho->setText(resString(5345));
    ui->lblKtd->setText(resString(1996));
    ui->lblVDatum->setText(resString(8117));
    ui->lblDatum->setText(resString(4488));
    ui->btnOK->setText(resString(2285));
    ui->btnCancel->setText(resString(1269));
}

// ---------------------------------------------------------------------------------------------
// Custom grids, model files and the export's start

void TmainFrm::saveCustomGrid(const std::u16string& chosenPath) {
    const std::string path = toUtf8(chosenPath);
    const std::string name = withoutExtension(fileNameOf(path));
    OwnedProfile profile = newProfile();
    if (!profile->Create(chosenPath.c_str()))
        throw std::runtime_error("The custom grid file cannot be created: " + path);
    WriteParameters(profile.get());
    ui->cbGrid->addItem(fromUtf8(name), -1);
    ui->cbGrid->setCurrentIndex(ui->cbGrid->count() - 1);
}

void TmainFrm::takeGeoidModel(const std::string& chosenPath) {
    geoidModel = withoutExtension(fileNameOf(chosenPath));
    ui->edGeoModel->setText(fromUtf8(geoidModel));
}

void TmainFrm::takeKtdFile(const std::string& chosenPath) {
    ktdFile = chosenPath;
    ui->edKtd->setText(fromUtf8(ktdFile));
}

void TmainFrm::takeTimeVariableParameters(const double block[kDatumParameters]) {
    dx = block[0];
    dy = block[1];
    dz = block[2];
    dscale = block[3];
    drx = block[4];
    dry = block[5];
    drz = block[6];
    datumShiftFile.clear();
    ui->edDatumShiftFile->clear();
    QWidget* const datumEdits[] = {ui->edDx, ui->edDy, ui->edDz, ui->edDrx, ui->edDry, ui->edDrz, ui->edDsc, nullptr};
    SetControlsEnabled(datumEdits, true);
    ShowDatumParameters();
}

std::string TmainFrm::writeExportParameters() {
    const std::string path = std::string(bayrun::environment()->GetFolderA(kBayrunFolderWorking, 1)) + "tmpgeo.ini";
    OwnedProfile profile = newProfile();
    profile->Open(path.c_str());
    return ValidateAndWriteParameters(profile.get()) ? path : std::string();
}

// ---------------------------------------------------------------------------------------------
// Handlers

template <typename Work>
void TmainFrm::guarded(Work&& work) {
    try {
        work();
    } catch (erc& e) {
        char text[512] = {};
        if (errfac* f = e.getFacility()) f->format(e, text, int(sizeof text));
        e.release();
        reportFailure(QString::fromUtf8(text));
    } catch (const ConversionError& e) {
        reportFailure(e.text());
    } catch (const std::exception& e) {
        reportFailure(QString::fromUtf8(e.what()));
    } catch (...) {
        reportFailure(QStringLiteral("Unexpected failure."));
    }
}

void TmainFrm::reportFailure(const QString& text) { showError(text, resString(kCaption)); }

void TmainFrm::showError(const QString& text, const QString& caption) {
    QMessageBox::critical(this, caption, text);
}

void TmainFrm::rgRTKClick(int index) {
    guarded([&] {
        UpdateRtkControls(index);
        ui->ExportVDatumtoXYZ1->setEnabled(rtkMode == 3);
    });
}

void TmainFrm::ckLocalGridClick(bool checked) {
    localGrid.AdjustType = checked ? 1 : 0;
    ui->btnLocalGrid->setEnabled(checked);
}

void TmainFrm::DecimalDegrees1Click() {
    auto* item = qobject_cast<QAction*>(sender());
    if (!item) return;
    guarded([&] {
        DegFormat = item->data().toInt();
        double v = 0.0;
        for (int slot = 0; slot < kParameterSlots; ++slot) {
            ParseParameter(slot, &v);
            ShowParameter(slot, v);
        }
    });
}

void TmainFrm::displayModeClick() { SetDisplayMode(qobject_cast<QAction*>(sender())); }

void TmainFrm::cbEllipsoidChange(int index) {
    guarded([&] {
        ellipsoidId = ui->cbEllipsoid->itemData(index).toInt();
        LoadEllipsoid(ellipsoidId);
    });
}

void TmainFrm::cbProjectionChange(int index) {
    guarded([&] {
        projectionId = index + 1;
        LoadProjection(projectionId);
    });
}

void TmainFrm::cbGridChange(int) { guarded([&] { GridChanged(); }); }
void TmainFrm::cbZoneChange(int) { guarded([&] { ZoneChanged(); }); }
void TmainFrm::cbHorzUnitChange(int) { guarded([&] { UnitsChanged(); }); }
void TmainFrm::cbVertUnitChange(int) { guarded([&] { UnitsChanged(); }); }
void TmainFrm::cbVDatumChange(int) { guarded([&] { LoadVDatumSurfaces(); }); }

void TmainFrm::btnDatumShiftFileClearClick() {
    guarded([&] {
        datumShiftFile.clear();
        UpdateDatumShiftFile();
    });
}

void TmainFrm::btnGeoModelClearClick() { ClearGeoidModel(); }
void TmainFrm::btnKtdClearClick() { ClearKtdFile(); }

void TmainFrm::HelpTopics1Click() { bayrun::environment()->ShowHelp(this, kHelpFile, kHelpCommand); }

void TmainFrm::btnOKClick() {
    guarded([&] {
        if (ValidateAndWriteParameters(bayrun::environment()->GetProfile(kBayrunProfileGeodesy))) close();
    });
}

void TmainFrm::Exit1Click() { close(); }

void TmainFrm::SaveCustomGrid1Click() {
    guarded([&] {
        std::u16string chosen;
        if (chooseFile(this, true, dataRootW() + u"/datum/", resString(kCustomGridFilter),
                       resString(kSaveCustomGridTitle), u"cgeo", u"", chosen))
            saveCustomGrid(chosen);
    });
}

void TmainFrm::btnGeoModelBrowseClick() {
    guarded([&] {
        const std::u16string start = dataRootW() + u"/datum";
        const std::u16string initial = geoidModel.empty() ? u"" : start + u"/" + toUtf16(geoidModel) + u".geo";
        std::u16string chosen;
        if (chooseFile(this, false, start, resString(kGeoidFilter), resString(kGeoidTitle), u"geo", initial, chosen))
            takeGeoidModel(toUtf8(chosen));
    });
}

void TmainFrm::btnKtdBrowseClick() {
    guarded([&] {
        const std::u16string start = bayrun::environment()->GetFolderW(nullptr, 0, kBayrunFolderProject);
        std::u16string chosen;
        if (chooseFile(this, false, start, resString(kKtdFilter) + resString(kAllFilesFilter), resString(kKtdTitle),
                       u"ktd", toUtf16(ktdFile), chosen))
            takeKtdFile(toUtf8(chosen));
    });
}

void TmainFrm::TimeVariableTransformations1Click() {
    guarded([&] {
        double block[kDatumParameters] = {};
        if (showTimeVarDialog(block)) takeTimeVariableParameters(block);
    });
}

void TmainFrm::btnLocalGridClick() { guarded([&] { showLocalGridDialog(); }); }
void TmainFrm::About1Click() { guarded([&] { showAboutDialog(); }); }

void TmainFrm::btnDatumShiftFileBrowseClick() {
    guarded([&] {
        // The initial path is the file name alone, relative to the start folder.
        std::u16string initial;
        if (!datumShiftFile.empty())
            initial = u"/" + toUtf16(datumShiftFile) + (datumShiftFile.find('.') == std::string::npos ? u".lls" : u"");
        std::u16string chosen;
        if (chooseFile(this, false, dataRootW() + u"/datum", resString(kDatumShiftFilter), resString(kDatumShiftTitle),
                       u"lls", initial, chosen))
            takeDatumShiftFile(toUtf8(chosen));
    });
}

bool TmainFrm::takeDatumShiftFile(const std::string& chosenPath) {
    const double a = numbertext::strict(ui->edSemiMajorAxis->text());
    const double f = numbertext::strict(ui->edFlattening->text());
    if (IsValidModel(chosenPath.c_str(), a, f) == 0) {
        showError(resString(kDatumShiftRefused), resString(kDatumShiftTitle));
        return false;
    }
    datumShiftFile = fileNameOf(chosenPath);
    UpdateDatumShiftFile();
    return true;
}

void TmainFrm::ExportVDatumtoXYZ1Click() {
    guarded([&] {
        const std::string path = writeExportParameters();
        if (path.empty()) return;
        GeodesyHandle handle = CreateFileGeodesy(path.c_str(), kSection);
        // The handle is released whatever the dialog does.
        struct Release {
            GeodesyHandle h;
            ~Release() { DestroyGeodesy(h); }
        } release{handle};
        showVDatum2XYZDialog(handle);
    });
}
