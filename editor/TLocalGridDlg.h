// The local grid dialog: edits the main form's local grid record, the similarity transformation
// from world (grid) coordinates to a local grid (origin, rotation, scale, translation, reversed
// axes), typed in or computed from two points known in both systems. Only OK writes the record.
#pragma once

#include <QDialog>
#include <QStringList>

#include <memory>

#include "editor/TmainFrm.h"

namespace Ui {
class LocalGridDlg;
}

class TLocalGridDlg : public QDialog {
    Q_OBJECT

public:
    // Keeps the record (owned by the main form) and shows its values.
    TLocalGridDlg(QWidget* owner, TmainFrm::LocalGrid* record);
    ~TLocalGridDlg() override;

    // A point in world and in local coordinates.
    struct ControlPoint {
        double worldX, worldY, localX, localY;
    };
    enum class Solution { Solved, ScaleSuspect, PointsCoincide };
    // Scale (local over world distance) and rotation (degrees, world direction minus local
    // direction, not normalised) of the similarity that carries a to b in both systems.
    // PointsCoincide (outputs untouched) when the two points coincide in either system;
    // ScaleSuspect when the scale differs from 1 by more than kScaleWarning.
    static Solution SolveFromPoints(const ControlPoint& a, const ControlPoint& b, double* scale,
                                    double* rotationDegrees);
    // A site grid is a near-conformal copy of the projection: a larger scale difference points
    // to mistyped coordinates.
    static constexpr double kScaleWarning = 0.005;

    // The two points from their edits, 0 for a text that is not a number.
    void ReadPoints(ControlPoint* a, ControlPoint* b) const;
    // Shows a solution: point a's world coordinates as the origin, its local ones as the
    // translation, the rotation brought into -180..180 degrees. The record is not touched.
    void ShowSolution(const ControlPoint& a, double scale, double rotationDegrees);
    // Converts the edits into the record, all numbers or none: a text that is not a number
    // throws ConversionError and leaves the record as it was. A rotation text that the angle
    // service refuses keeps the record's rotation; the invalid-angle text shown for a rotation
    // the service cannot show throws ConversionError like a bad number.
    void StoreRecord();

    // Handlers.
    void btnCalculateClick();
    void btnOkClick();

private:
    // Solves from the two points for the reverse boxes as they stand and shows the result.
    void calculate(bool withMessages);
    QStringList shownParameters() const;
    void reversalChanged();
    void ShowRotation(double degrees);
    void SetCaptions();

    std::unique_ptr<Ui::LocalGridDlg> ui;
    TmainFrm::LocalGrid* record;
    QStringList calculated;  // the parameter texts of the last calculation
};
