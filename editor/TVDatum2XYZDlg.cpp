// The dialog reads the GTX file itself (big-endian header of four doubles and two integers, then
// one float per node, rows from the first latitude on, each row from the first longitude on) and
// asks the library only for positions and separations. The row count is not used: nodes are read
// to the end of the file.
#include "editor/TVDatum2XYZDlg.h"

#include "ui_TVDatum2XYZDlg.h"

#include <QApplication>
#include <QMessageBox>

#include <algorithm>
#include <bit>
#include <cctype>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <numbers>

#include "common/FolderLookup.h"
#include "common/Platform.h"
#include "common/ProgramFolder.h"
#include "common/Text.h"
#include "editor/Bayrun.h"

namespace {

constexpr double kDegreesPerHalfTurn = 180.0;
// A GTX longitude above 180 degrees is counted eastwards past the antimeridian.
constexpr double kDegreesPerTurn = 360.0;
constexpr double kMaxLatitude = 90.0;
constexpr double kMaxLongitude = 180.0;

// Header: latitude and longitude of the first node, their spacings (degrees), rows, columns.
constexpr size_t kHeaderSize = 40;
constexpr size_t kFirstLatitudeOffset = 0;
constexpr size_t kFirstLongitudeOffset = 8;
constexpr size_t kLatitudeSpacingOffset = 16;
constexpr size_t kLongitudeSpacingOffset = 24;
constexpr size_t kColumnsOffset = 36;
constexpr size_t kNodeSize = 4;
// A node without data.
constexpr float kNoData = -88.8888f;

// The progress bar moves once per this many nodes.
constexpr int kNodesPerStep = 100;

// Room for the names the library gives (it writes at most 255 bytes and a NUL).
constexpr size_t kNameBufferSize = 260;
// Room for a folder of the runtime.
constexpr int kFolderBufferSize = 1024;
// Room for a path chosen in a file dialog.
constexpr int kPathBufferSize = 4096;

// Output: "%.2lf %.2lf %.2lf\n", centimetres.
constexpr int kOutputDecimals = 2;
// Room for one line: three numbers of up to 309 digits before the point.
constexpr size_t kLineSize = 1024;

const char kFailureCaption[] = "VDatum2XYZ";

// GTX numbers are big-endian whatever the host.
uint64_t bigEndian64(const unsigned char* p) {
    uint64_t v = 0;
    for (int i = 0; i < 8; ++i) v = (v << 8) | p[i];
    return v;
}
uint32_t bigEndian32(const unsigned char* p) {
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | uint32_t(p[3]);
}
double bigEndianDouble(const unsigned char* p) { return std::bit_cast<double>(bigEndian64(p)); }
float bigEndianFloat(const unsigned char* p) { return std::bit_cast<float>(bigEndian32(p)); }
int32_t bigEndianInt(const unsigned char* p) { return std::bit_cast<int32_t>(bigEndian32(p)); }

std::string runtimeFolder(int id) {
    char16_t folder[kFolderBufferSize] = {};
    bayrun::environment()->GetFolderW(folder, kFolderBufferSize, id);
    return toUtf8(folder);
}

// "x y z\n" as "%.2lf %.2lf %.2lf\n" prints it, in any locale. Returns the length.
size_t formatLine(char* line, size_t size, double x, double y, double z) {
    char* p = line;
    char* const end = line + size;
    for (double v : {x, y, z}) {
        if (p != line) *p++ = ' ';
        // The line has room for any double; a failure would leave the number out, never overrun.
        const std::to_chars_result r = std::to_chars(p, end - 1, v, std::chars_format::fixed, kOutputDecimals);
        if (r.ec == std::errc()) p = r.ptr;
    }
    *p++ = '\n';
    return size_t(p - line);
}

// The hourglass while the export runs; the previous cursor comes back on every path.
struct WaitCursor {
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

// Closes an input file on every path out of the export.
struct FileCloser {
    std::FILE* file;
    ~FileCloser() {
        if (file) std::fclose(file);
    }
};

// The export's output, written under a temporary name beside the target and renamed onto it
// only when everything was written, so a failed export leaves the target as it was; through a
// link, the file it names takes the export. Only a regular file or nothing is replaced: an
// output that is a pipe (whose opening would wait for a reader) or a device is refused before
// anything opens it.
class OutputFile {
public:
    explicit OutputFile(const std::string& target) : replacement(target) {
        if (replacement.state() == platform::RewriteTarget::Locked ||
            replacement.state() == platform::RewriteTarget::Missing)
            file = replacement.begin();
    }

    std::FILE* get() const { return file; }
    // Syncs the file and puts it in the target's place. False when any of that failed; the
    // target then stays as it was.
    bool commit() {
        file = nullptr;
        return replacement.commit() == platform::Rewrite::Result::Done;
    }

private:
    platform::Rewrite replacement;
    std::FILE* file = nullptr;
};

}  // namespace

TVDatum2XYZDlg::TVDatum2XYZDlg(QWidget* owner, GeodesyHandle handle_)
    : QDialog(owner), ui(std::make_unique<Ui::VDatum2XYZDlg>()), handle(handle_) {
    ui->setupUi(this);

    // A null handle leaves both names empty: the input path then names no file.
    char region[kNameBufferSize] = {};
    char surface[kNameBufferSize] = {};
    ChartDatumParams params{};
    params.vdatumRegion = region;
    params.vdatumSurface = surface;
    GetChartDatum(handle, &params);
    inputPath = SurfacePath(runtimeFolder(kBayrunFolderDataRoot), region, surface);

    SetCaptions();

    connect(ui->ckClipToBorder, &QCheckBox::clicked, this, &TVDatum2XYZDlg::ckClipToBorderClick);
    connect(ui->btnBrowse, &QPushButton::clicked, this, &TVDatum2XYZDlg::btnBrowseClick);
    connect(ui->btnExport, &QPushButton::clicked, this, &TVDatum2XYZDlg::btnExportClick);
    connect(ui->btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

TVDatum2XYZDlg::~TVDatum2XYZDlg() = default;

std::string TVDatum2XYZDlg::SurfacePath(const std::string& dataRoot, const std::string& area,
                                        const std::string& surface) {
    const std::string areaFolder = findInFolder(suitePath(dataRoot, "datum/vdatum"), area);
    return findInFolder(areaFolder, surface + ".gtx");
}

void TVDatum2XYZDlg::ckClipToBorderClick() {
    const bool clip = ui->ckClipToBorder->isChecked();
    ui->edBorderName->setEnabled(clip);
    ui->btnBrowse->setEnabled(clip);
}

void TVDatum2XYZDlg::btnBrowseClick() {
    char16_t path[kPathBufferSize] = {};
    const std::u16string start = toUtf16(runtimeFolder(kBayrunFolderProject));
    const std::u16string filter = loadResString(1233);
    const std::u16string title = loadResString(9);
    // File dialogs stay with the runtime until it is unloaded.
    auto* dialog = bayrun::make<IBayrunFileDialog>(IID_IBayrunFileDialog);
    if (!dialog || !dialog->OpenFile(this, start.c_str(), filter.c_str(), title.c_str(), u"brd", path, kPathBufferSize))
        return;
    borderPath = toUtf8(path);
    ui->edBorderName->setText(QString::fromUtf16(path));
}

void TVDatum2XYZDlg::btnExportClick() {
    char16_t path[kPathBufferSize] = {};
    const std::u16string start = toUtf16(runtimeFolder(kBayrunFolderDialogData));
    const std::u16string filter = loadResString(10575);
    const std::u16string title = loadResString(3646);
    auto* dialog = bayrun::make<IBayrunFileDialog>(IID_IBayrunFileDialog);
    const bool chosen =
        dialog && dialog->SaveFile(this, start.c_str(), filter.c_str(), title.c_str(), u"xyz", path, kPathBufferSize);
    if (chosen) {
        const WaitCursor wait;
        outputPath = toUtf8(path);
        // One step per 100 nodes of four bytes.
        std::FILE* input = platform::openForReading(inputPath);
        const int64_t size = input ? platform::fileSize(input) : 0;
        if (input) std::fclose(input);
        const int64_t steps = std::max<int64_t>(size, 0) / int64_t(kNodeSize * kNodesPerStep);
        ui->progress->setMaximum(int(std::min<int64_t>(steps, std::numeric_limits<int>::max())));
        ui->progress->setValue(0);
        ui->progress->setVisible(true);
        ExportSurface();
    }
    // Export closes the dialog after every click, also when no file was chosen.
    accept();
}

void TVDatum2XYZDlg::Fail(const char* message) {
    QMessageBox::critical(this, kFailureCaption, message);
}

bool TVDatum2XYZDlg::ExportSurface() {
    FileCloser input{platform::openForReading(inputPath)};
    if (!input.file) {
        Fail("Failed to open input file");
        return false;
    }
    // Never an output over an input: the grid (or the border) would be gone before it is read.
    // Compared by identity, so that other spellings of a name and links are caught too.
    const bool clip = ui->ckClipToBorder->isChecked() && platform::isRegularFile(borderPath);
    if (platform::sameFile(outputPath, inputPath) || (clip && platform::sameFile(outputPath, borderPath))) {
        Fail("Failed to open output file");
        return false;
    }
    OutputFile output(outputPath);
    if (!output.get()) {
        Fail("Failed to open output file");
        return false;
    }

    unsigned char header[kHeaderSize];
    if (std::fread(header, 1, kHeaderSize, input.file) != kHeaderSize) {
        Fail("Failed to read input file header");
        return false;
    }
    const double firstLatitude = bigEndianDouble(header + kFirstLatitudeOffset);
    double firstLongitude = bigEndianDouble(header + kFirstLongitudeOffset);
    const double latitudeSpacing = bigEndianDouble(header + kLatitudeSpacingOffset);
    const double longitudeSpacing = bigEndianDouble(header + kLongitudeSpacingOffset);
    const int32_t columns = bigEndianInt(header + kColumnsOffset);
    if (firstLongitude > kMaxLongitude) firstLongitude -= kDegreesPerTurn;
    // Written so that a NaN fails too; a grid without columns has no rows to walk.
    if (!(firstLatitude >= -kMaxLatitude && firstLatitude <= kMaxLatitude) ||
        !(firstLongitude >= -kMaxLongitude && firstLongitude <= kMaxLongitude) || columns < 1) {
        Fail("Invalid input file header");
        return false;
    }

    // The runtime hands out a new loader each time: it is ended with the border, so that
    // exports do not pile up loaders until the runtime is unloaded.
    bayrun::Owned<IBayrunBorderLoader> loader;
    bayrun::Owned<IBayrunBorderObject> borderObject;
    IBayrunBorder* border = nullptr;
    if (clip) {
        loader.reset(bayrun::make<IBayrunBorderLoader>(IID_IBayrunBorderLoader));
        IBayrunBorderObject* loaded = nullptr;
        if (loader && loader->Load(borderPath.c_str(), &loaded)) borderObject.reset(loaded);
        void* found = nullptr;
        if (borderObject && borderObject->QueryInterface(&IID_IBayrunBorder, &found))
            border = static_cast<IBayrunBorder*>(found);
    }

    double lat = firstLatitude, lon = firstLongitude;
    int32_t column = 0;
    long long readCount = 0;
    int notSaved = 0;
    bool written = true;
    char line[kLineSize];
    for (;;) {
        if (readCount % kNodesPerStep == 0) ui->progress->setValue(ui->progress->value() + 1);
        ++readCount;
        unsigned char node[kNodeSize];
        if (std::fread(node, 1, kNodeSize, input.file) != kNodeSize) break;
        if (bigEndianFloat(node) != kNoData) {
            const double latRad = lat * std::numbers::pi / kDegreesPerHalfTurn;
            const double lonRad = lon * std::numbers::pi / kDegreesPerHalfTurn;
            double x = 0.0, y = 0.0;
            if (GeoXY(handle, &x, &y, latRad, lonRad)) {
                double separation = 0.0, undulation = 0.0;
                if (border && !border->Contains(x, y)) {
                    ++notSaved;
                } else if (!DatumSeparation1(handle, latRad, lonRad, &separation, &undulation)) {
                    ++notSaved;
                } else {
                    // -(K - N + N) = -K: the chart datum against the geoid, in the vertical unit.
                    double z = -(separation + undulation);
                    VConvert(handle, &z, 0);
                    const size_t length = formatLine(line, sizeof line, x, y, z);
                    if (std::fwrite(line, 1, length, output.get()) != length) written = false;
                }
            }
        }
        lon += longitudeSpacing;
        if (++column == columns) {
            column = 0;
            lon = firstLongitude;
            lat += latitudeSpacing;
        }
    }

    if (!output.commit()) written = false;
    borderObject.reset();
    if (!written) {
        // A full disk must not pass for a finished export.
        Fail("Failed to write output file");
        return false;
    }
    if (notSaved > 0) {
        const QString text = QString("%1. %2 points not saved").arg(resString(6306)).arg(notSaved);
        QMessageBox::information(this, resString(8129), text);
    }
    return true;
}

void TVDatum2XYZDlg::SetCaptions() {
    setWindowTitle(resString(8129));
    ui->ckClipToBorder->setText(resString(1341));
    ui->btnExport->setText(resString(1723));
    ui->btnCancel->setText(resString(1269));
}
