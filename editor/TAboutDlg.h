// The About dialog: the editor's file and product versions and legal texts, the geodesy
// library's file version, and when the predefined grids of the database were compiled.
#pragma once

#include <QDialog>

#include <memory>
#include <string>

class Database;
class IBayrunVersionInfo;

namespace Ui {
class AboutDlg;
}

class TAboutDlg : public QDialog {
    Q_OBJECT

public:
    explicit TAboutDlg(QWidget* owner);
    ~TAboutDlg() override;

    // The version values of the editor and of the geodesy library in the data root, through the
    // runtime's version service. A value the service does not know leaves its field empty.
    void ShowVersions(IBayrunVersionInfo* info, const std::u16string& dataRoot);
    // The newest `gp_history`.created_at (text order); empty when the table holds no row. An
    // error value of the query is thrown.
    void ShowGridsCompiled(Database& database);

private:
    std::unique_ptr<Ui::AboutDlg> ui;
};
