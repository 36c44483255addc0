// Filing end to end with SANE's test scanner (feeder, 10 pages) on the embedded demo
// database: a patient record found in the admission search, an HR record under an employee
// picked in the lookup, and a replacement scan answered Yes.
#include "CaptureFixture.h"

#include "app/Browse.h"
#include "capture/NewRecordDialog.h"
#include "capture/NewRecordOtherDialog.h"
#include "capture/RecordDialog.h"
#include "imaging/ImageEdit.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

namespace capturetest {
namespace {

// Pages of a TIFF file as libtiff's own tool counts them.
int tiffinfoPages(const QString& file) {
    QProcess p;
    p.start("tiffinfo", {file});
    if (!p.waitForFinished(30000) || p.exitCode() != 0) return -1;
    return int(QString::fromLocal8Bit(p.readAllStandardOutput()).count("TIFF Directory at offset"));
}

class EndToEnd : public CaptureFixture {
protected:
    void SetUp() override {
        CaptureFixture::SetUp();
        useSaneScanner();
    }
    QStringList row(const QString& where) {
        auto rs = t.demo->execute(
            "SELECT admission_id, file_name, rectype_id, EmployeeID, Description, "
            "CONVERT(varchar(10), date_created, 120), date_updated, recfile_id "
            "FROM dbRecords..tblRecFiles WHERE " + where + " ORDER BY recfile_id");
        QStringList out;
        for (; !rs->eof(); rs->moveNext()) {
            QStringList r;
            for (int c = 0; c < 8; ++c) r << rs->value(c).toString();
            out << r.join("|");
        }
        return out;
    }
    // Asserts the document shown is `logical` at page 1 of 10 and its file has 10 pages.
    void checkFiled(const QString& logical) {
        ASSERT_TRUE(QFileInfo::exists(native(logical))) << logical.toStdString();
        EXPECT_EQ(tiffinfoPages(native(logical)), 10);
        EXPECT_EQ(w->doc().FullPathFileName, logical);
        EXPECT_EQ(w->docImgEdit1->page(), 1);
        EXPECT_EQ(w->docImgEdit1->pageCount(), 10);
    }
};

TEST_F(EndToEnd, PatientRecordFromTheAdmissionSearch) {
    load();
    w->ui().mnuFileNew->trigger();
    auto* f = dialog<capture::NewRecordDialog>("frmNewRec");
    ASSERT_NE(f, nullptr);
    f->txtAdmNo->setText("o'brien, patrick");
    f->chkBydate->setChecked(true);
    QTest::keyClick(f->txtAdmNo, Qt::Key_Return);
    waitJobs();
    ASSERT_EQ(f->fgridOpenRec->item(0, 1)->text(), "260045"); // the newest of his admissions
    QTest::keyClick(f->fgridOpenRec, Qt::Key_Return);
    auto* r = dialog<capture::RecordDialog>("frmRecords");
    ASSERT_NE(r, nullptr);
    r->cboScanType->setCurrentIndex(r->cboScanType->findText("LABORATORY RESULTS"));
    r->txtDesc->setText("CBC, O'Brien");
    t.prompter.answers = {app::mb::OK};
    r->btnScan->click();
    waitJobs();
    const QString logical = root + "\\2026\\2026-01-19\\260045-3.tif";
    checkFiled(logical);
    const QStringList rows = row("admission_id = '260045' AND rectype_id = 3");
    ASSERT_EQ(rows.size(), 1);
    const QStringList c = rows[0].split('|');
    EXPECT_EQ(c.mid(0, 6), (QStringList{"260045", "\\2026\\2026-01-19\\260045-3.tif", "3", "1001",
                                        "CBC, O'Brien", "2026-01-19"}));
    EXPECT_FALSE(c[6].isEmpty()); // date_updated: the server's time
    EXPECT_EQ(c[7], "13");        // the demo's first new id
    // The record panel describes the filed record.
    const auto& ui = w->ui();
    EXPECT_EQ(ui.txtRecID->text(), "13");
    EXPECT_EQ(ui.txtAdmID->text(), "260045");
    EXPECT_EQ(ui.txtHospNum->text(), "100106");
    EXPECT_EQ(ui.txtLastname->text(), "O'Brien, Patrick Sean");
    EXPECT_EQ(ui.txtAdmDate->text(), "01/19/2026");
    EXPECT_EQ(ui.txtDisDate->text(), "01/24/2026");
    EXPECT_EQ(ui.txtType->text(), "LABORATORY RESULTS");
    EXPECT_EQ(ui.txtDescription->text(), "CBC, O'Brien");
    EXPECT_EQ(ui.txtScanBy->text(), "Santos, Maria Lopez");
}

TEST_F(EndToEnd, EmployeeRecordThroughTheLookup) {
    load("HUMAN RESOURCES");
    w->ui().mnuFileNew->trigger();
    auto* f = dialog<capture::NewRecordOtherDialog>("frmNewRecOther");
    ASSERT_NE(f, nullptr);
    f->cmdSelectID->click();
    app::BrowseWindow* b = w->findChild<app::BrowseWindow*>("frmBrowse");
    ASSERT_NE(b, nullptr);
    b->txtFind1->setText("O'Neil");
    QTest::keyClick(b->txtFind1, Qt::Key_Return);
    ASSERT_EQ(b->fgridBrowse->rowCount(), 1);
    b->cmdSelect->click();
    EXPECT_EQ(f->txtAdmID->text(), "5017");
    f->cboScanType->setCurrentIndex(f->cboScanType->findText("EMPLOYMENT CONTRACT"));
    t.prompter.answers = {app::mb::OK};
    f->btnScan->click();
    waitJobs();
    EXPECT_TRUE(scanUi->messages.isEmpty()) << scanUi->messages.join("; ").toStdString();
    checkFiled(root + "\\HRD\\2008\\2008-11-25\\5017-7.tif");
    const QStringList rows = row("admission_id = '5017'");
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows[0].split('|').mid(0, 6),
              (QStringList{"5017", "\\2008\\2008-11-25\\5017-7.tif", "7", "1001", "O'Neil",
                           "2008-11-25"}));
    EXPECT_EQ(w->ui().txtAdmID->text(), "5017");
    EXPECT_EQ(w->ui().txtDescription->text(), "O'Neil");
}

TEST_F(EndToEnd, ReplacementScanAnsweredYes) {
    writeShareFile("2025/2025-03-14/250123-2.tif", 4);
    load();
    w->ui().mnuFileNew->trigger();
    auto* f = dialog<capture::NewRecordDialog>("frmNewRec");
    ASSERT_NE(f, nullptr);
    f->txtAdmNo->setText("250123");
    f->btnSearch->click();
    waitJobs();
    f->fgridOpenRec_DblClick();
    auto* r = dialog<capture::RecordDialog>("frmRecords");
    ASSERT_NE(r, nullptr);
    ASSERT_EQ(r->cboScanType->currentText(), "DISCHARGE SUMMARY");
    const QStringList before = row("admission_id = '250123' AND rectype_id = 2");
    ASSERT_EQ(before.size(), 1);
    t.prompter.answers = {app::mb::Yes, app::mb::OK};
    r->btnScan->click();
    waitJobs();
    // The old file is in the recycle folder with all its pages; its row is gone.
    const QString recycled = share + "/Recycled/2008-11-25/250123-2-140500.tif";
    EXPECT_EQ(tiffinfoPages(recycled), 4);
    const QStringList after = row("admission_id = '250123' AND rectype_id = 2");
    ASSERT_EQ(after.size(), 1);
    EXPECT_NE(after[0].split('|')[7], before[0].split('|')[7]);
    checkFiled(root + "\\2025\\2025-03-14\\250123-2.tif");
    EXPECT_TRUE(std::any_of(t.log.lines.begin(), t.log.lines.end(), [&](const QString& l) {
        return l.startsWith("Moved " + root + "\\2025\\2025-03-14\\250123-2.tif to ");
    }));
}

} // namespace
} // namespace capturetest
