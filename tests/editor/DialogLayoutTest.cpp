// Every caption of the dialogs shows whole at the default font, and no control covers another.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTest>

#include <functional>
#include <memory>

#include "editor/Bayrun.h"
#include "editor/TAboutDlg.h"
#include "editor/TLocalGridDlg.h"
#include "editor/TTimeVarDlg.h"
#include "editor/TVDatum2XYZDlg.h"

namespace {

constexpr int kDesktopPointSize = 10;

// Room a caption needs in its control, or an empty string when it has it.
QString missingRoom(QWidget* w) {
    const QFontMetrics fm = w->fontMetrics();
    if (auto* label = qobject_cast<QLabel*>(w)) {
        if (label->text().isEmpty() || !label->pixmap().isNull()) return {};
        const QRect room = label->contentsRect();
        const int flags = int(label->alignment()) | (label->wordWrap() ? Qt::TextWordWrap : 0);
        const QRect needed = fm.boundingRect(room, flags, label->text());
        if (needed.width() <= room.width() && needed.height() <= room.height()) return {};
        return QString("needs %1 x %2 in %3 x %4")
            .arg(needed.width()).arg(needed.height()).arg(room.width()).arg(room.height());
    }
    if (auto* button = qobject_cast<QAbstractButton*>(w)) {
        // A check box: the style's measure of indicator, spacing and text. A push button: the
        // text within the style's margins (its size hint adds a minimum width of its own).
        const int needed = qobject_cast<QCheckBox*>(w)
                               ? button->sizeHint().width()
                               : fm.horizontalAdvance(button->text()) + 2 * w->style()->pixelMetric(QStyle::PM_ButtonMargin);
        if (needed <= button->width() && fm.height() <= button->height()) return {};
        return QString("needs %1 wide in %2").arg(needed).arg(button->width());
    }
    if (auto* group = qobject_cast<QGroupBox*>(w)) {
        const int needed = group->minimumSizeHint().width();
        if (needed <= group->width()) return {};
        return QString("title needs %1 wide in %2").arg(needed).arg(group->width());
    }
    return {};
}

TEST(DialogLayout, CaptionsShowWholeAndControlsDoNotOverlap) {
    using Make = std::function<std::unique_ptr<QDialog>()>;
    static double block[TTimeVarDlg::kParameterCount];
    static TmainFrm::LocalGrid record{};
    const std::pair<const char*, Make> dialogs[] = {
        {"About",
         [] {
             auto d = std::make_unique<TAboutDlg>(nullptr);
             // The legal texts the runtime gives, on their two lines.
             auto* info = bayrun::make<IBayrunVersionInfo>(IID_IBayrunVersionInfo);
             d->ShowVersions(info, u"/suite");
             info->Release();
             return d;
         }},
        {"Local grid", [] { return std::make_unique<TLocalGridDlg>(nullptr, &record); }},
        {"Time-variable", [] { return std::make_unique<TTimeVarDlg>(nullptr, block); }},
        {"VDatum to XYZ", [] { return std::make_unique<TVDatum2XYZDlg>(nullptr, nullptr); }},
    };
    // The default font here, and 10 points, a common desktop default.
    const QFont standard = QApplication::font();
    QFont desktop = standard;
    desktop.setPointSize(kDesktopPointSize);
    for (const QFont& font : {standard, desktop}) {
        QApplication::setFont(font);
        for (const auto& [name, make] : dialogs) {
            SCOPED_TRACE(testing::Message() << name << " at " << font.pointSizeF() << " pt");
            std::unique_ptr<QDialog> dialog = make();
            dialog->show();
            for (QWidget* w : dialog->findChildren<QWidget*>()) {
                if (!w->isVisibleTo(dialog.get())) continue;
                const QString missing = missingRoom(w);
                EXPECT_TRUE(missing.isEmpty()) << w->objectName().toStdString() << ": " << missing.toStdString();
            }
            // Controls side by side on one parent must not cover one another.
            const QList<QWidget*> all = dialog->findChildren<QWidget*>();
            for (QWidget* a : all) {
                for (QWidget* b : all) {
                    if (a >= b || a->parentWidget() != b->parentWidget() || a->objectName().isEmpty() ||
                        b->objectName().isEmpty() || !a->isVisibleTo(dialog.get()) || !b->isVisibleTo(dialog.get()))
                        continue;
                    EXPECT_FALSE(a->geometry().intersects(b->geometry()))
                        << a->objectName().toStdString() << " covers " << b->objectName().toStdString();
                }
            }
        }
    }
    QApplication::setFont(standard);
}

TEST(DialogKeys, EnterIsOkAndEscapeIsCancel) {
    static double block[TTimeVarDlg::kParameterCount];
    static TmainFrm::LocalGrid record{};
    using Make = std::function<std::unique_ptr<QDialog>()>;
    // The export closes after its button whatever the file dialog gives (here: cancelled).
    setenv("BAYRUN_FILE_DIALOG_ANSWERS", "", 1);
    const struct {
        const char* name;
        Make make;
        const char* ok;
        const char* from;  // the control that has the focus
    } dialogs[] = {
        {"Local grid", [] { return std::make_unique<TLocalGridDlg>(nullptr, &record); }, "btnOk", "worldx"},
        {"Time-variable", [] { return std::make_unique<TTimeVarDlg>(nullptr, block); }, "btnOk", "dx"},
        {"VDatum to XYZ", [] { return std::make_unique<TVDatum2XYZDlg>(nullptr, nullptr); }, "btnExport",
         "ckClipToBorder"},
    };
    for (const auto& d : dialogs) {
        SCOPED_TRACE(d.name);
        for (int key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
            std::unique_ptr<QDialog> dialog = d.make();
            dialog->show();
            EXPECT_TRUE(dialog->findChild<QPushButton*>(d.ok)->isDefault());
            int clicked = 0;
            QObject::connect(dialog->findChild<QPushButton*>(d.ok), &QPushButton::clicked, [&] { ++clicked; });
            QWidget* from = dialog->findChild<QWidget*>(d.from);
            from->setFocus();
            QTest::keyClick(from, Qt::Key(key));
            EXPECT_EQ(clicked, key == Qt::Key_Escape ? 0 : 1) << key;
            EXPECT_EQ(dialog->result(), key == Qt::Key_Escape ? QDialog::Rejected : QDialog::Accepted) << key;
            EXPECT_FALSE(dialog->isVisible()) << key;
        }
    }
    unsetenv("BAYRUN_FILE_DIALOG_ANSWERS");
}

}  // namespace
