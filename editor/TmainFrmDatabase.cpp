// The main window: the predefined-parameter database at start-up and the lists it fills.
#include "editor/TmainFrm.h"

#include "common/FolderLookup.h"
#include "common/Platform.h"
#include "common/ProgramFolder.h"
#include "common/Text.h"
#include "editor/TmainFrmShared.h"
#include "ui_TmainFrm.h"

using namespace mainform;

bool TmainFrm::OpenDatabase() {
    const std::string root = dataRoot();
    bool usable = false;
    try {
        erc opened = database.open(suitePath(root, kDatabaseFile), Database::kReadWrite);
        if (opened.release() == 0) {
            Query check(database, "SELECT tbl_name FROM sqlite_master WHERE tbl_name = 'gp_history';");
            usable = check.next();
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
        while (areas.next()) {
            const std::string areaAbrev = areas.getString(0);
            const int areaId = areas.getInt(1);
            const std::string areaFolder = findInFolder(suitePath(root, "datum/vdatum"), areaAbrev);
            const bool found = platform::isDirectory(areaFolder);
            update.bind(1, found ? 1 : 0).bind(2, areaId);
            update.step();
            update.reset().clearBindings();

            Query surfaces(database, "SELECT abrev, id FROM vsurface");
            while (surfaces.next()) {
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
    database.open(suitePath(root, kDatabaseFile), Database::kReadOnly);
    return true;
}

void TmainFrm::FillLists() {
    Query q(database);
    q.prepare("SELECT name, id FROM gp_projections;");
    while (q.next()) ui->cbProjection->addItem(QString::fromUtf8(q.getText(0)), q.getInt(1));

    ui->cbEllipsoid->addItem(resString(kUserDefined), 0);
    q.prepare("SELECT name, id FROM gp_ellipsoids;");
    while (q.next()) ui->cbEllipsoid->addItem(QString::fromUtf8(q.getText(0)), q.getInt(1));

    ui->cbVertUnit->addItem(resString(kSameAsHorizontal));
    q.prepare("SELECT name FROM gp_units;");
    while (q.next()) {
        const QString name = QString::fromUtf8(q.getText(0));
        ui->cbHorzUnit->addItem(name);
        ui->cbVertUnit->addItem(name);
    }

    q.prepare("SELECT name, id FROM gp_crs ORDER BY seq;");
    while (q.next()) ui->cbGrid->addItem(QString::fromUtf8(q.getText(0)), q.getInt(1));
    ui->cbGrid->addItem(resString(kUserDefined), 0);
    predefinedGridCount = ui->cbGrid->count() - 1;

    q.prepare("SELECT name, id FROM vsurface;");
    while (q.next()) ui->cbDatum->addItem(QString::fromUtf8(q.getText(0)), q.getInt(1));

    q.prepare("SELECT id, description FROM varea WHERE (found = 1);");
    while (q.next()) ui->cbVDatum->addItem(QString::fromUtf8(q.getText(1)), q.getInt(0));

    for (QComboBox* list : {ui->cbProjection, ui->cbEllipsoid, ui->cbHorzUnit, ui->cbVertUnit, ui->cbGrid,
                            ui->cbDatum, ui->cbVDatum})
        list->setCurrentIndex(-1);
}

void TmainFrm::AddCustomGrids() {
    const std::string folder = suitePath(dataRoot(), kDatumFolder);
    if (folder.empty()) return;
    const std::string extension = kCustomGridExtension;
    for (const std::string& name : platform::folderEntries(folder)) {
        if (name.size() <= extension.size() ||
            !equalsIgnoringAsciiCase(name.substr(name.size() - extension.size()), extension) ||
            !platform::isRegularFile(folder + "/" + name))
            continue;
        ui->cbGrid->addItem(QString::fromStdString(withoutExtension(name)), -1);
    }
}
