// The editor's main window: the geodetic parameters of the current survey project, filled from
// the predefined-parameter database and the project's geodesy parameter file, written back on OK.
//
// State and behaviour: start-up and shut-down (FormCreate, FormDestroy), the database and its
// lists (OpenDatabase, FillLists, AddCustomGrids), loading grids, zones, ellipsoids, projections
// and units (GridChanged ... LoadVDatumSurfaces), reading and writing a parameter file
// (ReadParameters, WriteParameters, ValidateAndWriteParameters), the handlers of the controls and
// menus, custom grids, model files and the export's start. Runs on the main thread only.
// One class, its members spread over files by concern: TmainFrm.cpp (start-up, shut-down),
// TmainFrmDatabase.cpp, TmainFrmLoading.cpp, TmainFrmRead.cpp, TmainFrmWrite.cpp,
// TmainFrmControls.cpp, TmainFrmHandlers.cpp, TmainFrmFiles.cpp and TmainFrmDialogs.cpp.
#pragma once

#include <QMainWindow>

#include <cstdint>
#include <memory>
#include <string>

#include "bayrun/BayrunInterfaces.h"
#include "common/Database.h"
#include "geodesy/Tellus.h"

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QButtonGroup;
class QKeyEvent;
class QWidget;

namespace Ui {
class mainFrm;
}

class TmainFrm : public QMainWindow {
    Q_OBJECT

public:
    // The local grid record the local grid dialog edits in place.
    struct LocalGrid {
        int32_t AdjustType = 0;  // type in the low 16 bits; kReverseX, kReverseY flags
        double OrigX = 0;        // horizontal unit
        double OrigY = 0;
        double Rotation = 0;     // degrees
        double Scale = 1;
        double TransX = 0;       // horizontal unit
        double TransY = 0;
    };
    static constexpr int32_t kAdjustTypeMask = 0xFFFF;
    static constexpr int32_t kReverseX = 0x10000;
    static constexpr int32_t kReverseY = 0x20000;

    // One projection parameter field.
    struct ParameterSlot {
        QLabel* label = nullptr;
        QLineEdit* edit = nullptr;
        int kind = 0;            // 0 number, 1 latitude, 2 longitude
        std::string format;      // printf format of a number, at most kMaxFormatLength characters
    };
    static constexpr int kParameterSlots = 5;
    static constexpr size_t kMaxFormatLength = 9;
    enum ParameterKind { kNumber = 0, kLatitude = 1, kLongitude = 2 };
    enum DisplayMode { kStandard = 1, kSubBottom = 2 };
    // RTK tide methods 0..5, and the seven datum parameters (dx, dy, dz, dscale, drx, dry, drz).
    static constexpr int kRtkModes = 6;
    static constexpr int kDatumParameters = 7;

    // The form's state, in the order the suite documents it.
    int32_t predefinedGridCount = 0;  // grids in cbGrid; also the index of "user defined"
    int32_t gridId = 0;               // gp_crs id; 0 user defined, -1 custom grid
    int32_t zoneId = 0;               // gp_zones id
    int32_t ellipsoidId = 0;          // gp_ellipsoids id; 0 user defined
    double semiMajorAxis = 0;         // metres
    double inverseFlattening = 0;
    int32_t horzUnitId = 1;           // gp_units id = cbHorzUnit index + 1
    int32_t vertUnitIndex = 1;        // cbVertUnit index; 0 same as horizontal
    int32_t projectionId = 0;         // gp_projections id
    double falseEasting = 0;          // horizontal unit
    double falseNorthing = 0;
    double horzFactor = 1;            // metres per unit
    double vertFactor = 1;
    double dx = 0, dy = 0, dz = 0;    // metres
    double dscale = 0;                // ppm
    double drx = 0, dry = 0, drz = 0; // arc-seconds
    std::string datumShiftFile;       // file name; empty: seven-parameter transformation
    LocalGrid localGrid;
    double orthoCorrection = 0;       // vertical unit
    std::string geoidModel;           // base name; empty: none
    double chartDatum = 0;
    int32_t rtkMode = 0;              // 0..5
    std::string ktdFile;              // full path; empty: none
    Database database;
    int32_t libraryVersion = 0;
    ParameterSlot parameterSlots[kParameterSlots];
    int32_t displayMode = kSubBottom;

    explicit TmainFrm(QWidget* owner = nullptr);
    ~TmainFrm() override;

    // Start-up after construction; on a database that cannot be used it asks the application to
    // terminate (terminateRequested() is then true). Failures of the database rescan propagate.
    void FormCreate();
    // The setting back to the settings profile (only when it was read) and the database closed.
    void FormDestroy();
    bool terminateRequested() const { return terminating; }

    // Database and lists.
    bool OpenDatabase();
    void FillLists();
    void AddCustomGrids();

    // Loading predefined parameters.
    void GridChanged();
    void LoadZones();
    void ZoneChanged();
    // False (nothing loaded) for a zone the database does not hold.
    bool SelectZoneById(int zone);
    void LoadZone(int zone);
    void LoadProjection(int id);
    void LoadEllipsoid(int id);
    void UnitsChanged();
    void ApplyUnits(int horizontalUnitId, int verticalUnitIndex);
    // The gp_units id of a factor, to the precision the table states (0 for none).
    int matchUnit(double factor);
    // A unit the table lacks, appended to a unit list as its factor (and the file's name for it);
    // returns its index. removeUnlistedUnits takes every such item off both lists.
    int addUnlistedUnit(QComboBox* list, double factor, const std::string& name);
    void removeUnlistedUnits();
    // The name of the horizontal unit as the parameter file stores it.
    QString unitName() const;
    void UpdateDatumShiftFile();
    void ShowDatumParameters();
    static void SelectItemByObject(QComboBox* list, int id);
    void LoadVDatumSurfaces();

    // Parameter files.
    void ReadParameters(IBayrunProfile* profile, bool gridFile);
    void ReadCurrentParameters();
    void ReadParameterFile(const std::string& path);
    void WriteParameters(IBayrunProfile* profile);
    // `path` names the file in a failure's message.
    bool ValidateAndWriteParameters(IBayrunProfile* profile, const std::string& path);

    // Controls.
    static void SetControlsVisible(QWidget* const* list, bool visible);
    static void SetControlsEnabled(QWidget* const* list, bool enabled);
    void ClearGeoidModel();
    void ClearKtdFile();
    void UpdateRtkControls(int mode);
    void SetDisplayMode(QAction* sender);
    void ShowParameter(int slot, double value);
    void ParseParameter(int slot, double* value);
    // The value of a parameter field without side effects; false when its text does not parse.
    bool readParameter(int slot, double& value) const;
    void SetCaptions();
    void setRtkIndex(int index);

    // Custom grids, model files, export (the dialog steps of the handlers).
    void saveCustomGrid(const std::u16string& chosenPath);
    bool takeDatumShiftFile(const std::string& chosenPath);
    // False (its message shown) unless the file is in the datum folder, or the surveyor let it
    // be copied there (never over a different file of that name).
    bool placeInDatumFolder(const std::string& chosenPath, const QString& title);
    static std::string datumFolder();
    void takeGeoidModel(const std::string& chosenPath);
    void takeKtdFile(const std::string& chosenPath);
    void takeTimeVariableParameters(const double block[kDatumParameters]);
    // Writes the form into the working folder's "tmpgeo.ini" and returns its path; empty when
    // validation failed (its message shown).
    std::string writeExportParameters();

    // The dialogs, each made on demand, shown modally and deleted when it closes.
    void showLocalGridDialog();
    // Fills `block` (dx, dy, dz, dscale, drx, dry, drz) and returns true when closed with OK.
    bool showTimeVarDialog(double block[kDatumParameters]);
    void showVDatum2XYZDialog(GeodesyHandle handle);
    void showAboutDialog();

    Ui::mainFrm* form() const { return ui.get(); }
    // The text of the failure being handled (called inside a catch block).
    static QString failureText();
    // The data root (folder 16) narrow and wide, without a trailing separator.
    static std::string dataRoot();
    static std::u16string dataRootW();

public slots:
    // Handlers of the controls and menus (user actions only).
    void rgRTKClick(int index);
    void ckLocalGridClick(bool checked);
    void DecimalDegrees1Click();
    void cbEllipsoidChange(int index);
    void cbProjectionChange(int index);
    void cbGridChange(int index);
    void cbZoneChange(int index);
    void cbHorzUnitChange(int index);
    void cbVertUnitChange(int index);
    void cbVDatumChange(int index);
    void btnDatumShiftFileClearClick();
    void btnGeoModelClearClick();
    void btnKtdClearClick();
    void HelpTopics1Click();
    void btnOKClick();
    void Exit1Click();
    void SaveCustomGrid1Click();
    void btnDatumShiftFileBrowseClick();
    void btnGeoModelBrowseClick();
    void btnKtdBrowseClick();
    void ExportVDatumtoXYZ1Click();
    void TimeVariableTransformations1Click();
    void btnLocalGridClick();
    void About1Click();
    void displayModeClick();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    // What ValidateAndWriteParameters writes once its checks passed: the section of
    // WriteParameters and the vertical reference, with `level` the chart datum level.
    void writeSection(IBayrunProfile* profile, double level);

    // The steps of ReadParameters.
    void readEllipsoid(IBayrunProfile* profile);
    int readZone(IBayrunProfile* profile, bool gridFile, QString& named);
    void readGridSelection(IBayrunProfile* profile);
    void readProjection(IBayrunProfile* profile);
    void readLocalGrid(IBayrunProfile* profile);
    void readUnits(IBayrunProfile* profile);
    void readLengthsAndDatum(IBayrunProfile* profile);
    void readVerticalDatum(IBayrunProfile* profile);
    void readRtkMode(IBayrunProfile* profile);

    // Runs a handler's work; a failure becomes a message box, never an exception in the loop.
    template <typename Work>
    void guarded(Work&& work);
    void reportFailure(const QString& text);
    // Puts the focus on a refused field, the display mode switched to show it where needed.
    void focusField(QWidget* field);
    void showError(const QString& text, const QString& caption);

    std::unique_ptr<Ui::mainFrm> ui;
    int gridIndex = -1;  // the cbGrid item the form's values belong to
    QButtonGroup* rtkGroup = nullptr;
    bool terminating = false;
    bool degFormatRead = false;
};

// Two unit factors name the same unit: equal to the precision of the unit table.
bool sameUnitFactor(double a, double b);

// The degree format of the run (0 decimal degrees, 1 degrees minutes, 2 degrees minutes seconds,
// 3 no setting), handed as is to the runtime's angle formatting.
extern int32_t DegFormat;
