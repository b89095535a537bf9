// The time-variable transformation dialog: the seven parameters of the datum transformation from
// a dynamic frame (ITRF2000, ITRF2005, ITRF2008) to a plate-fixed datum (NAD83, GDA94, ETRS89) at
// an epoch, from published parameter sets with yearly rates. The user may edit the results
// before OK; the caller takes the block only when the dialog closed with OK.
#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class TimeVarDlg;
}

class TTimeVarDlg : public QDialog {
    Q_OBJECT

public:
    // Order of the result block: dx, dy, dz (metres), dscale (ppm), drx, dry, drz (arc-seconds).
    static constexpr int kParameterCount = 7;
    enum Frame { ITRF2000 = 0, ITRF2005 = 1, ITRF2008 = 2 };
    enum Target { NAD83 = 0, GDA94 = 1, ETRS89 = 2 };
    // Epochs the parameter sets are used for (decimal years, bounds included): from the first
    // epoch of the sets to a few years after the clock's year, as the sets are linear in time
    // and a survey may be planned ahead.
    static constexpr double kFirstYear = 2000.0;
    static constexpr int kYearsAhead = 5;
    static double LastYear();

    // Keeps the block (seven doubles owned by the caller) and clears it, fills the lists, sets
    // the default year from the clock and computes once.
    TTimeVarDlg(QWidget* owner, double* block);
    ~TTimeVarDlg() override;

    // The epoch the dialog opens with, from a UTC calendar date (month 1..12): January to May
    // give Y.0, June to November Y.5, December Y+1.0.
    static double DefaultYear(int year, int month);
    // The seven parameters (block order and units) from `frame` to `target` at epoch t. False,
    // and `out` untouched, when t lies outside kFirstYear..LastYear() or the target is unknown.
    static bool ComputeParameters(int frame, int target, double t, double* out);

    // Computes from the lists and the year text into the block and shows it; false (nothing
    // changed) when the year is refused.
    bool Compute();
    // Converts the seven edits strictly into the block, all or nothing: a text that is not a
    // number throws ConversionError and leaves the block as it was.
    void StoreEdits();

    // Handlers.
    void itrfChange();
    void yearChange();
    void btnOkClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // `activated` of the year list: computes only for a choice from the list.
    void yearActivated();
    bool IsYearListChoice(QObject* watched, QEvent* event) const;

    void ShowBlock();
    void SetCaptions();

    std::unique_ptr<Ui::TimeVarDlg> ui;
    double* block;
    // Set while an event that chooses from the year list is delivered.
    bool yearListChoice = false;
};
