#include "editor/TAboutDlg.h"

#include "ui_TAboutDlg.h"

#include "bayrun/BayrunInterfaces.h"
#include "common/Database.h"
#include "common/Query.h"
#include "common/Text.h"
#include "editor/Bayrun.h"

namespace {

// Version values are short; the runtime cuts longer ones to the buffer.
constexpr int kValueSize = 256;

// The editor and the geodesy library it links (the native build), in the data root.
constexpr char16_t kEditorFile[] = u"/corvane";
constexpr char16_t kLibraryFile[] = u"/libTellus64.so";

QString versionValue(IBayrunVersionInfo* info, const char16_t* key) {
    char16_t value[kValueSize] = {};
    info->GetValue(value, kValueSize, key);
    return QString::fromUtf16(value);
}

}  // namespace

TAboutDlg::TAboutDlg(QWidget* owner) : QDialog(owner), ui(std::make_unique<Ui::AboutDlg>()) {
    // The picture lives in the editor's static library, whose resources register on demand.
    Q_INIT_RESOURCE(TAboutDlg);
    ui->setupUi(this);
    ui->Label6->setText(resString(1841));
    ui->Label1->setText(resString(1762));
    ui->btnOk->setText(resString(2285));
    connect(ui->btnOk, &QPushButton::clicked, this, &QDialog::accept);
}

TAboutDlg::~TAboutDlg() = default;

void TAboutDlg::ShowVersions(IBayrunVersionInfo* info, const std::u16string& dataRoot) {
    info->Load((dataRoot + kEditorFile).c_str());
    ui->edFvers->setText(versionValue(info, u"FileVersion"));
    ui->edPvers->setText(versionValue(info, u"ProductVersion"));
    ui->lblLegal->setText(versionValue(info, u"LegalCopyright") + "\n" + versionValue(info, u"LegalTrademarks"));
    info->Load((dataRoot + kLibraryFile).c_str());
    ui->edGvers->setText(versionValue(info, u"FileVersion"));
}

void TAboutDlg::ShowGridsCompiled(Database& database) {
    Query query(database, "SELECT created_at FROM gp_history ORDER BY created_at DESC;");
    // A failing step is raised as its SQLite error, never taken for "no row".
    const bool row = query.next();
    ui->edGrids->setText(row ? QString::fromUtf8(query.getText(0)) : QString());
}
