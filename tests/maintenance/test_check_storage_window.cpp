// "Check Storage..." of the Maintenance menu on the embedded demo database: behind the
// settings gate, the check runs as a job of the window, its findings are listed, and a
// double-click opens the finding's file, or the row in the maintenance dialog.
#include "doubles/TestSession.h"
#include "imaging/documents/PageOps.h"
#include "maintenance/CheckStorageWindow.h"
#include "maintenance/MaintenanceDialog.h"
#include "maintenance/Workflow.h"
#include "viewer/JobHost.h"
#include "viewer/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <gtest/gtest.h>

namespace {

const QString kRoot = QStringLiteral("\\\\records-fs\\recfiles");

class CheckStorageWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        t.useDemoDatabase();
        t.signIn();
        share = t.dir.file("share");
        t.settings.write(app::kAppPrefs, "Shares", kRoot, share);
        t.s().gstrDefaultDirectoryD = t.s().gstrDefaultDirectory = kRoot;
        t.s().gstrDepartmentID.clear(); // medical records
        w = std::make_unique<viewer::MainWindow>(t.s());
        maintenance::Options options;
        options.runDialog = [this](QDialog& d) {
            opened << d.findChild<QLineEdit*>("txtRecFileID")->text();
        };
        maintenance::install(*w, options);
    }
    void TearDown() override {
        w->jobs().cancelAllAndWait();
        w.reset();
        QApplication::processEvents();
    }
    void write(const QString& relative, const QByteArray& bytes) {
        QDir().mkpath(QFileInfo(share + "/" + relative).absolutePath());
        QFile f(share + "/" + relative);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    maintenance::CheckStorageWindow* window() {
        return w->findChild<maintenance::CheckStorageWindow*>("frmCheckStorage");
    }
    void trigger() { w->findChild<QAction*>("mnuCheckStorage")->trigger(); }

    doubles::TestSession t;
    QString share;
    std::unique_ptr<viewer::MainWindow> w;
    QStringList opened; // record numbers the maintenance dialog was opened with
};

TEST_F(CheckStorageWindowTest, ListsTheFindingsAndOpensWhatOneNames) {
    // A record's file that is no TIFF, a file no row names, and a file in the recycle folder.
    write("2025/2025-03-14/250123-1.tif", QByteArray("II*\0", 4));
    QImage page(80, 40, QImage::Format_Mono);
    page.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    page.fill(0);
    imaging::writeDocument(share + "/2025/2025-03-14/999-1.tif",
                           {imaging::PageSource::pixels(page, 100, 100, {})});
    write("Recycled/2008-11-25/250123-1-140500.tif", QByteArray("II*\0", 4));

    // Without settings rights nothing opens.
    t.user->settingsAnswer = false;
    trigger();
    EXPECT_EQ(window(), nullptr);
    t.user->settingsAnswer = true;
    trigger();
    ASSERT_NE(window(), nullptr);

    window()->cmdCheck->click();
    EXPECT_FALSE(window()->cmdCheck->isEnabled()); // one check at a time
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w->jobs().anyRunning(); }, 30000));
    QApplication::processEvents();
    const auto& findings = window()->findings();
    ASSERT_EQ(window()->fgridFindings->rowCount(), int(findings.size()));
    int orphanRow = -1, missingRow = -1, damaged = 0;
    for (int r = 0; r < int(findings.size()); ++r) {
        const auto& f = findings[size_t(r)];
        EXPECT_FALSE(f.path.contains("Recycled")) << f.path.toStdString();
        if (f.kind == storage::FindingKind::OrphanFile) {
            EXPECT_TRUE(f.path.endsWith("999-1.tif")) << f.path.toStdString();
            orphanRow = r;
        }
        if (f.kind == storage::FindingKind::DamagedFile) {
            EXPECT_TRUE(f.path.endsWith("250123-1.tif"));
            ++damaged;
        }
        if (f.kind == storage::FindingKind::MissingFile && missingRow < 0) missingRow = r;
        EXPECT_EQ(window()->fgridFindings->item(r, 0)->text(), storage::kindName(f.kind));
    }
    EXPECT_GE(orphanRow, 0);
    EXPECT_EQ(damaged, 1);
    ASSERT_GE(missingRow, 0); // the demo's other rows have no files here
    EXPECT_TRUE(window()->lblSummary->text().startsWith("Checked "))
        << window()->lblSummary->text().toStdString();

    // The orphan opens in the main window; a row without its file opens in the dialog.
    window()->fgridFindings_DblClick(orphanRow);
    EXPECT_TRUE(w->doc().FullPathFileName.endsWith("999-1.tif"))
        << w->doc().FullPathFileName.toStdString();
    window()->fgridFindings_DblClick(missingRow);
    EXPECT_EQ(opened, QStringList{findings[size_t(missingRow)].recfileId});
}

} // namespace
