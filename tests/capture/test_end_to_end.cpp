// Filing end to end with SANE's test scanner (feeder, 10 pages) on the embedded demo
// database: a patient record found in the admission search, an HR record under an employee
// picked in the lookup, and a replacement scan answered Yes.
#include "CaptureFixture.h"

#include "app/Browse.h"
#include "capture/NewRecordDialog.h"
#include "capture/NewRecordOtherDialog.h"
#include "capture/RecordDialog.h"
#include "imaging/controls/ImageEdit.h"
#include "support/TiffInfo.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

namespace capturetest {
namespace {

using testsupport::tiffinfoPages;

// A row of tblRecFiles as filed: every column but date_updated, which is checked against the
// time of the scan.
struct FiledRow {
    QString recfileId, admissionId, fileName, rectypeId, employeeId, description, dateCreated;
};

class EndToEnd : public CaptureFixture {
protected:
    void SetUp() override {
        CaptureFixture::SetUp();
        useSaneScanner();
    }
    // The rows (all columns, in recfile_id order) of one ID and record type.
    std::vector<QStringList> rows(const QString& id, int type) {
        auto rs = t.demo->execute(
            "SELECT recfile_id, admission_id, file_name, rectype_id, EmployeeID, Description, "
            "CONVERT(varchar(10), date_created, 120), CONVERT(varchar(19), date_updated, 120), "
            "file_type FROM dbRecords..tblRecFiles WHERE admission_id = '" + id +
            "' AND rectype_id = " + QString::number(type) + " ORDER BY recfile_id");
        std::vector<QStringList> out;
        for (; !rs->eof(); rs->moveNext()) {
            QStringList r;
            for (int c = 0; c < 9; ++c) r << rs->value(c).toString();
            out.push_back(r);
        }
        return out;
    }
    // Presses Scan (answering the questions) and waits for the filing to end.
    void scan(QPushButton* btnScan, std::deque<int> answers) {
        t.prompter.answers = std::move(answers);
        scanStarted = QDateTime::currentDateTime().addSecs(-1);
        btnScan->click();
        waitJobs();
        EXPECT_TRUE(scanUi->messages.isEmpty()) << scanUi->messages.join("; ").toStdString();
    }
    // The one row of the ID and type is `want`, stamped by the database during the scan, with
    // no file type.
    void checkRow(const FiledRow& want, int type) {
        const auto got = rows(want.admissionId, type);
        ASSERT_EQ(got.size(), 1u);
        const QStringList& r = got[0];
        EXPECT_EQ(r.mid(0, 7), (QStringList{want.recfileId, want.admissionId, want.fileName,
                                            want.rectypeId, want.employeeId, want.description,
                                            want.dateCreated}));
        const QDateTime updated = QDateTime::fromString(r[7], "yyyy-MM-dd HH:mm:ss");
        EXPECT_GE(updated, scanStarted) << r[7].toStdString();
        EXPECT_LE(updated, QDateTime::currentDateTime().addSecs(1)) << r[7].toStdString();
        EXPECT_TRUE(r[8].isEmpty()) << r[8].toStdString();
    }
    // The document shown is `logical` at page 1 of 10, its file 10 pages by tiffinfo, and the
    // record panel shows `panel` (control name, text).
    void checkShown(const QString& logical, const std::vector<std::pair<QString, QString>>& panel) {
        ASSERT_TRUE(QFileInfo::exists(native(logical))) << logical.toStdString();
        EXPECT_EQ(tiffinfoPages(native(logical)), 10);
        EXPECT_EQ(w->doc().FullPathFileName, logical);
        EXPECT_FALSE(w->doc().gblnReadOnly);
        EXPECT_EQ(w->docImgEdit1->page(), 1);
        EXPECT_EQ(w->docImgEdit1->pageCount(), 10);
        EXPECT_EQ(w->ui().txtPages->text(), "1/10");
        for (const auto& [name, text] : panel) {
            auto* box = w->findChild<QLineEdit*>(name);
            ASSERT_NE(box, nullptr) << name.toStdString();
            EXPECT_EQ(box->text(), text) << name.toStdString();
        }
    }
    QDateTime scanStarted;
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
    scan(r->btnScan, {app::mb::OK});
    checkRow({"13", "260045", "\\2026\\2026-01-19\\260045-3.tif", "3", "1001", "CBC, O'Brien",
              "2026-01-19"},
             3);
    checkShown(root + "\\2026\\2026-01-19\\260045-3.tif",
               {{"txtRecID", "13"},
                {"txtAdmID", "260045"},
                {"txtHospNum", "100106"},
                {"txtLastname", "O'Brien, Patrick Sean"},
                {"txtAdmDate", "01/19/2026"},
                {"txtDisDate", "01/24/2026"},
                {"txtType", "LABORATORY RESULTS"},
                {"txtDescription", "CBC, O'Brien"},
                {"txtScanBy", "Santos, Maria Lopez"},
                {"txtScanDate", "01/19/2026"},
                {"txtScanUpdate", "11/25/2008 2:05:00 PM"}});
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
    EXPECT_EQ(f->txtDescription->text(), "O'Neil");
    f->cboScanType->setCurrentIndex(f->cboScanType->findText("EMPLOYMENT CONTRACT"));
    scan(f->btnScan, {app::mb::OK});
    // The department's own root: the row's name is relative to it.
    checkRow({"13", "5017", "\\2008\\2008-11-25\\5017-7.tif", "7", "1001", "O'Neil", "2008-11-25"},
             7);
    checkShown(root + "\\HRD\\2008\\2008-11-25\\5017-7.tif",
               {{"txtRecID", "13"},
                {"txtAdmID", "5017"},
                {"txtType", "EMPLOYMENT CONTRACT"},
                {"txtDescription", "O'Neil"},
                {"txtScanBy", "Santos, Maria Lopez"},
                {"txtScanDate", "11/25/2008"},
                {"txtAdmDate", "11/25/2008"},
                {"txtHospNum", ""},
                {"txtLastname", ""}});
}

TEST_F(EndToEnd, ReplacementScanAnsweredYes) {
    // Two earlier files of 250123's discharge summary: the demo's (4 pages here) and one of an
    // earlier record date filed with a full share path of the older layout (2 pages).
    writeShareFile("2025/2025-03-14/250123-2.tif", 4);
    writeShareFile("2024-02-01/250123-2.tif", 2);
    t.demo->execute("INSERT INTO dbRecords..tblRecFiles (admission_id, file_name, rectype_id, "
                    "EmployeeID, Description, date_created, date_updated) VALUES ('250123', "
                    "'\\\\records-fs\\recfiles\\2024-02-01\\250123-2.tif', 2, '9001', "
                    "'Earlier summary', '2024-02-01 00:00:00.000', '2024-02-02 09:00:00.000')");
    load();
    ASSERT_EQ(rows("250123", 2).size(), 2u);
    const size_t otherTypes = rows("250123", 1).size() + rows("250123", 3).size();
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
    r->txtDesc->setText("Discharge summary, rescanned");
    scan(r->btnScan, {app::mb::Yes, app::mb::OK});
    // Both old files are in the recycle folder with all their pages, the demo's first (filed
    // first); nothing is left at their places.
    const QString recycled = share + "/Recycled/2008-11-25/";
    EXPECT_EQ(tiffinfoPages(recycled + "250123-2-140500.tif"), 4);
    EXPECT_EQ(tiffinfoPages(recycled + "250123-2-140500-2.tif"), 2);
    EXPECT_FALSE(QFileInfo::exists(share + "/2024-02-01/250123-2.tif"));
    for (const QString& old : {root + "\\2025\\2025-03-14\\250123-2.tif",
                               root + "\\2024-02-01\\250123-2.tif"})
        EXPECT_TRUE(std::any_of(t.log.lines.begin(), t.log.lines.end(), [&](const QString& l) {
            return l.startsWith("Moved " + old + " to ");
        })) << old.toStdString();
    // The old rows are gone, the new one stands alone, the admission's other records are kept.
    checkRow({"14", "250123", "\\2025\\2025-03-14\\250123-2.tif", "2", "1001",
              "Discharge summary, rescanned", "2025-03-14"},
             2);
    EXPECT_EQ(rows("250123", 1).size() + rows("250123", 3).size(), otherTypes);
    checkShown(root + "\\2025\\2025-03-14\\250123-2.tif",
               {{"txtRecID", "14"},
                {"txtAdmID", "250123"},
                {"txtType", "DISCHARGE SUMMARY"},
                {"txtDescription", "Discharge summary, rescanned"},
                {"txtAdmDate", "03/14/2025"}});
}

} // namespace
} // namespace capturetest
