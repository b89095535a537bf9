// The VDatum to XYZ export dialog: writes the vertical surface of the current VDatum area and
// surface as XYZ text. For every node of the surface's GTX grid that holds data: the node
// projected with the current geodesy parameters and the chart-datum depth the library computes
// there, optionally only inside a border polygon. The geodesy handle belongs to the caller.
#pragma once

#include <QDialog>

#include <memory>
#include <string>

#include "geodesy/Tellus.h"

namespace Ui {
class VDatum2XYZDlg;
}

class TVDatum2XYZDlg : public QDialog {
    Q_OBJECT

public:
    // Asks the library for the VDatum area and surface of `handle` and forms the input path
    // <data root>/datum/vdatum/<area>/<surface>.gtx from them.
    TVDatum2XYZDlg(QWidget* owner, GeodesyHandle handle);
    ~TVDatum2XYZDlg() override;

    // The export from the input path to the output path, with the border when clipping is
    // ticked and the border file exists. False after a failure, which it has reported.
    bool ExportSurface();

    // <data root>/datum/vdatum/<area>/<surface>.gtx; the area folder and the file name are
    // matched without regard to case when the exact name is missing. Empty without a data root.
    static std::string SurfacePath(const std::string& dataRoot, const std::string& area, const std::string& surface);

    const std::string& InputPath() const { return inputPath; }
    // Another GTX file in place of the area's surface (a file of one's own, as tests use).
    void SetInputPath(const std::string& path) { inputPath = path; }
    const std::string& BorderPath() const { return borderPath; }
    const std::string& OutputPath() const { return outputPath; }

    // Handlers.
    void ckClipToBorderClick();
    void btnBrowseClick();
    void btnExportClick();

private:
    void SetCaptions();
    void Fail(const char* message);

    std::unique_ptr<Ui::VDatum2XYZDlg> ui;
    GeodesyHandle handle;
    std::string borderPath;  // UTF-8, empty until chosen
    std::string inputPath;
    std::string outputPath;
};
