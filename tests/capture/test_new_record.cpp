// Filing patient records through the real dialogs on the demo database with the scripted
// scanner: the admission search, the Records and manual dialogs, the already-scanned
// replacement, the mended failures, and the scanner items of the File menu.
#include "CaptureFixture.h"

#include "capture/NewRecordDialog.h"
#include "capture/RecordDialog.h"
#include "imaging/documents/Document.h"
#include "imaging/controls/ImageEdit.h"
#include "viewer/JobHost.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

namespace capturetest {
namespace {

using app::mb::OK;
using app::mb::Yes;
using app::mb::No;
using app::mb::Cancel;

class NewRecord : public CaptureFixture {
protected:
    capture::NewRecordDialog& openSearch() {
        w->ui().mnuFileNew->trigger();
        auto* f = dialog<capture::NewRecordDialog>("frmNewRec");
        EXPECT_NE(f, nullptr);
        return *f;
    }
    void search(capture::NewRecordDialog& f, const QString& text, bool outPatients = false,
                bool byDate = false, const QString& date = {}) {
        f.txtAdmNo->setText(text);
        f.txtAdmDate->setText(date);
        f.chkIncludeOutPatient->setChecked(outPatients);
        f.chkBydate->setChecked(byDate);
        QTest::keyClick(f.txtAdmNo, Qt::Key_Return);
        waitJobs();
    }
    QStringList column(capture::NewRecordDialog& f, int c) {
        QStringList out;
        for (int r = 0; r < f.fgridOpenRec->rowCount(); ++r) {
            auto* item = f.fgridOpenRec->item(r, c);
            out << (item ? item->text() : QString());
        }
        return out;
    }
    capture::RecordDialog& choose(const QString& id) { return chooseAdmission(id); }
    QString rowCount(const QString& id, int type) {
        return scalar("SELECT COUNT(*) FROM dbRecords..tblRecFiles WHERE admission_id = '" + id +
                      "' AND rectype_id = " + QString::number(type));
    }
};

TEST_F(NewRecord, SearchListsAdmissionsByNameNumberAndScope) {
    load();
    auto& f = openSearch();
    EXPECT_EQ(f.windowTitle(), "Scan New Patient Record");
    EXPECT_FALSE(f.isModal());
    // Grid layout: 8 columns, the first hidden, the headings and the widths in twips.
    const QStringList headings = {"", "Adm. No.", "Hosp. No.", "Last Name", "First Name",
                                  "Middle Name", "Admission Date", "Discharge Date"};
    const int twips[] = {0, 1400, 1000, 1800, 1800, 1800, 1500, 1500};
    ASSERT_EQ(f.fgridOpenRec->columnCount(), 8);
    for (int c = 0; c < 8; ++c) {
        EXPECT_EQ(f.fgridOpenRec->horizontalHeaderItem(c)->text(), headings[c]);
        if (c > 0) EXPECT_NEAR(f.fgridOpenRec->columnWidth(c), twips[c] * f.logicalDpiX() / 1440.0, 1);
    }
    EXPECT_TRUE(f.fgridOpenRec->isColumnHidden(0));
    EXPECT_EQ(f.fgridOpenRec->horizontalHeader()->sectionResizeMode(3), QHeaderView::Interactive);

    search(f, "  garcia ");
    EXPECT_EQ(f.txtAdmNo->text(), "garcia"); // trimmed back into the box
    // Garcia admissions of the demo, by first and middle name: Ana, Jose (2), Maria (3), Roberto.
    EXPECT_EQ(column(f, 4), (QStringList{"Ana", "Jose", "Jose", "Maria", "Maria", "Maria", "Roberto"}));
    EXPECT_EQ(f.lblFound->text(), "7 admissions found");

    search(f, "Garcia, Maria", true, true); // with the out-patient visit, newest first
    EXPECT_EQ(column(f, 1), (QStringList{"260633", "31245B", "250123", "230112"}));
    EXPECT_EQ(column(f, 6), (QStringList{"10/12/2026", "11/03/2025", "03/14/2025", "01/09/2023"}));

    search(f, "240456t"); // T in either case: the in-patient number as typed
    EXPECT_EQ(column(f, 1), QStringList{"240456T"});
    search(f, "31245B", false); // B: out-patients, whatever the box says
    EXPECT_EQ(column(f, 3), QStringList{"Garcia"});
    search(f, "O'Brien", false, false, "01/19/2026");
    EXPECT_EQ(column(f, 1), QStringList{"260045"});
    search(f, "261177"); // no hospital number: never listed
    EXPECT_EQ(f.fgridOpenRec->rowCount(), 1);
    EXPECT_FALSE(f.fgridOpenRec->isEnabled());
    EXPECT_EQ(column(f, 1), QStringList{""});
}

TEST_F(NewRecord, ChoosingFillsTheRecordsDialogAndNewSearchShowsTheEarlierSearch) {
    load();
    auto& r = choose("250388"); // Gomez, Sofia, no middle name
    auto* f = dialog<capture::NewRecordDialog>("frmNewRec");
    ASSERT_NE(f, nullptr);
    EXPECT_FALSE(f->isVisible()); // hidden, not destroyed
    EXPECT_EQ(r.txtAdmID->text(), "250388");
    EXPECT_EQ(r.txtHospNum->text(), "100123");
    EXPECT_EQ(r.txtLastname->text(), "Gomez");
    EXPECT_EQ(r.txtFirstname->text(), "Sofia");
    EXPECT_EQ(r.txtAdmDate->text(), "06/01/2025");
    EXPECT_EQ(r.txtDisDate->text(), "06/04/2025");
    EXPECT_EQ(t.s().rec.gstrPatientName, "Gomez, Sofia "); // the blank stays
    EXPECT_EQ(w->ui().txtAdmID->text(), "250388");          // SetExamData ran
    // The medical-records types: the empty and the NULL department; the default pre-selected.
    QStringList types;
    for (int i = 0; i < r.cboScanType->count(); ++i) types << r.cboScanType->itemText(i);
    EXPECT_EQ(types, (QStringList{"ADMISSION RECORD", "CONSENT FORMS", "DISCHARGE SUMMARY",
                                  "LABORATORY RESULTS", "OPERATIVE REPORT", "RADIOLOGY REPORT"}));
    EXPECT_EQ(r.cboScanType->currentText(), "DISCHARGE SUMMARY");
    EXPECT_EQ(r.cboScanType->currentData().toInt(), 2);
    r.btnNewSearch->click();
    EXPECT_TRUE(f->isVisible());
    EXPECT_EQ(f->txtAdmNo->text(), "250388");
    EXPECT_EQ(f->fgridOpenRec->item(0, 1)->text(), "250388");
    QApplication::processEvents();
    EXPECT_EQ(dialog<capture::RecordDialog>("frmRecords"), nullptr);
}

TEST_F(NewRecord, PreSelectionDiffersWithoutADefault) {
    sqlite("dbRecords", "UPDATE tblRecType SET rectype_default = 0");
    load();
    auto& r = choose("250388");
    EXPECT_EQ(r.cboScanType->currentIndex(), -1); // Records dialog: none
    w->ui().mnuFileManual->trigger();
    auto* m = dialog<capture::RecordDialog>("frmManual");
    ASSERT_NE(m, nullptr);
    EXPECT_TRUE(m->isModal());
    EXPECT_EQ(m->cboScanType->currentIndex(), 0); // manual dialog: the first row
    EXPECT_EQ(m->txtAdmDate->text(), "11/25/2008"); // today
    EXPECT_EQ(m->txtDesc, nullptr);
}

TEST_F(NewRecord, ScanFilesTheRecordOpensItAndFillsThePanel) {
    load();
    auto& r = choose("250388");
    r.txtDesc->setText("Dr. O'Brien's notes");
    selectType(r.cboScanType, "CONSENT FORMS");
    t.prompter.answers = {OK}; // Ready?
    r.btnScan->click();
    waitJobs();
    const auto& ready = t.prompter.shown.at(0);
    EXPECT_EQ(ready.text, "Please prepare all documents that will be \r\nscanned for Admission No: "
                          "250388\r\nPress OK when ready.");
    EXPECT_EQ(ready.title, QString("Ready?"));
    const QString logical = root + "\\2025\\2025-06-01\\250388-5.tif";
    ASSERT_TRUE(QFileInfo::exists(native(logical)));
    EXPECT_EQ(imaging::Document::open(logical, w->imagingEnvironment()->paths)->pageCount(), 3);
    auto rs = t.demo->execute(
        "SELECT admission_id, file_name, rectype_id, EmployeeID, Description, "
        "CONVERT(varchar(10), date_created, 120), recfile_id FROM dbRecords..tblRecFiles "
        "WHERE admission_id = '250388'");
    ASSERT_FALSE(rs->eof());
    EXPECT_EQ(rs->value(1).toString(), "\\2025\\2025-06-01\\250388-5.tif");
    EXPECT_EQ(rs->value(2).toInt(), 5);
    EXPECT_EQ(rs->value(3).toString(), "1001");
    EXPECT_EQ(rs->value(4).toString(), "Dr. O'Brien's notes");
    EXPECT_EQ(rs->value(5).toString(), "2025-06-01");
    EXPECT_EQ(w->doc().FullPathFileName, logical);
    EXPECT_EQ(w->docImgEdit1->page(), 1);
    EXPECT_EQ(w->ui().txtRecID->text(), rs->value(6).toString()); // a save stamps this row
    EXPECT_EQ(w->ui().txtDescription->text(), "Dr. O'Brien's notes");
    EXPECT_EQ(w->ui().txtType->text(), "CONSENT FORMS");
    EXPECT_EQ(dialog<capture::RecordDialog>("frmRecords"), nullptr); // unloaded
}

TEST_F(NewRecord, ReplacingAnEarlierScanRecyclesItsFilesAndRows) {
    writeShareFile("2025/2025-03-14/250123-1.tif", 2);
    load();
    auto& r = choose("250123");
    selectType(r.cboScanType, "ADMISSION RECORD");
    t.prompter.answers = {No};
    r.btnScan->click();
    EXPECT_EQ(t.prompter.shown.at(0).text,
              "AdmissionID: 250123 have been scanned already.\r\nPressing YES will delete all the "
              "previous files and newly scanned will be filed!\r\nDo you want to continue?");
    EXPECT_EQ(t.prompter.shown.at(0).title, QString());
    EXPECT_EQ(rowCount("250123", 1), "1");
    EXPECT_TRUE(QFileInfo::exists(share + "/2025/2025-03-14/250123-1.tif"));
    ASSERT_NE(dialog<capture::RecordDialog>("frmRecords"), nullptr); // stays open

    t.prompter.answers = {Yes, OK};
    r.btnScan->click();
    waitJobs();
    EXPECT_TRUE(QFileInfo::exists(share + "/Recycled/2008-11-25/250123-1-140500.tif"));
    EXPECT_EQ(imaging::Document::open(root + "\\2025\\2025-03-14\\250123-1.tif", w->imagingEnvironment()->paths)->pageCount(), 3);
    EXPECT_EQ(rowCount("250123", 1), "1"); // the old row gone, the new one filed
    EXPECT_NE(scalar("SELECT MAX(recfile_id) FROM dbRecords..tblRecFiles WHERE admission_id = "
                     "'250123' AND rectype_id = 1"),
              "1");
}

TEST_F(NewRecord, CancelAtReadyAndMissingInputLeaveTheDialogOpen) {
    load();
    auto& r = choose("250388");
    r.txtAdmID->clear();
    r.btnScan->click();
    EXPECT_EQ(t.prompter.lastText(), "AdmissionID is required!");
    EXPECT_EQ(t.prompter.shown.back().icon, app::mb::Critical);
    r.txtAdmID->setText("250388");
    r.cboScanType->setCurrentIndex(-1);
    r.btnScan->click();
    EXPECT_EQ(t.prompter.lastText(), "Select record type.");
    r.cboScanType->setCurrentIndex(0);
    t.prompter.answers = {Cancel};
    r.btnScan->click();
    EXPECT_EQ(t.prompter.shown.back().title, QString("Ready?"));
    EXPECT_EQ(dialog<capture::RecordDialog>("frmRecords"), &r);
    EXPECT_EQ(rowCount("250388", 1), "0");
    EXPECT_EQ(fake->pagesStarted(), 0);
}

TEST_F(NewRecord, AnIdThatCannotBeAFileNameIsRefusedBeforeAnythingHappens) {
    writeShareFile("2025/2025-03-14/250123-1.tif");
    load();
    w->ui().mnuFileManual->trigger();
    auto* m = dialog<capture::RecordDialog>("frmManual");
    ASSERT_NE(m, nullptr);
    m->txtAdmID->setText("250123/7");
    m->btnScan->click();
    ASSERT_EQ(t.prompter.shown.size(), 1u); // no confirmation, no replacement question
    EXPECT_TRUE(t.prompter.lastText().contains("\"/\"")) << t.prompter.lastText().toStdString();
    // Longer than the records table keeps: refused before the scan, not cut by the insert.
    const QString tooLong = QString(51, QLatin1Char('7'));
    m->txtAdmID->setText(tooLong);
    m->btnScan->click();
    ASSERT_EQ(t.prompter.shown.size(), 2u);
    EXPECT_TRUE(t.prompter.lastText().contains("longer than 50 characters"))
        << t.prompter.lastText().toStdString();
    EXPECT_EQ(fake->pagesStarted(), 0);
    EXPECT_EQ(rowCount("250123/7", 2), "0");
}

TEST_F(NewRecord, ManualDialogConfirmsThenFilesByTypedNumber) {
    load();
    w->ui().mnuFileManual->trigger();
    auto* m = dialog<capture::RecordDialog>("frmManual");
    ASSERT_NE(m, nullptr);
    m->txtAdmID->setText("55");
    m->txtAdmDate->setText("11/25/2008");
    selectType(m->cboScanType, "OPERATIVE REPORT");
    t.prompter.answers = {OK, OK};
    m->btnScan->click();
    waitJobs();
    EXPECT_EQ(t.prompter.shown.at(0).text, "Please confirm that all information is correct.");
    EXPECT_EQ(t.prompter.shown.at(0).buttons, app::mb::OKCancel);
    EXPECT_TRUE(QFileInfo::exists(share + "/2008/2008-11-25/55-4.tif"));
    EXPECT_EQ(scalar("SELECT file_name FROM dbRecords..tblRecFiles WHERE admission_id = '55'"),
              "\\2008\\2008-11-25\\55-4.tif");
    EXPECT_EQ(t.s().rec.gstrHospNum, ""); // the manual dialog sets no record context
}

TEST_F(NewRecord, SkipScanFilesTheRowAndOpensTheRecordsOwnFile) {
    load();
    auto& r = choose("250388");
    r.chkSkipScan->setChecked(true);
    t.prompter.answers = {OK};
    r.btnScan->click();
    EXPECT_EQ(rowCount("250388", 2), "1");
    EXPECT_EQ(fake->pagesStarted(), 0);
    EXPECT_TRUE(w->doc().NoDocument); // no file yet: nothing opened
    // A second skipped filing of a record whose file exists opens that file.
    writeShareFile("2025/2025-06-01/250388-3.tif", 2);
    auto& r2 = choose("250388");
    selectType(r2.cboScanType, "LABORATORY RESULTS");
    r2.chkSkipScan->setChecked(true);
    t.prompter.answers = {OK};
    r2.btnScan->click();
    EXPECT_EQ(w->doc().FullPathFileName, root + "\\2025\\2025-06-01\\250388-3.tif");
}

TEST_F(NewRecord, AFailedScanOrInsertFilesNothingKeepsThePagesAndTheDialog) {
    load();
    fake->script().failAfterPages = 0; // jammed on the first page
    auto& r = choose("250388");
    t.prompter.answers = {OK};
    r.btnScan->click();
    waitJobs();
    EXPECT_EQ(rowCount("250388", 2), "0");
    EXPECT_TRUE(w->doc().NoDocument);
    ASSERT_EQ(scanUi->messages.size(), 1);

    fake->script().failAfterPages = -1;
    fake->script().feederSheets = 3;
    sqlite("dbRecords", "CREATE TRIGGER refuse BEFORE INSERT ON tblRecFiles BEGIN "
                        "SELECT RAISE(ABORT, 'The records table is full'); END;");
    auto& r2 = choose("250388");
    t.prompter.answers = {OK};
    r2.btnScan->click();
    waitJobs();
    const QString logical = root + "\\2025\\2025-06-01\\250388-2.tif";
    EXPECT_TRUE(t.prompter.lastText().startsWith(
        "Nothing was filed for ID 250388: the record could not be written:\r\n"))
        << t.prompter.lastText().toStdString();
    EXPECT_TRUE(t.prompter.lastText().endsWith(
        "The scanned pages are kept in the file " + logical +
        ". File them with Skip Scan when the database can be reached."))
        << t.prompter.lastText().toStdString();
    EXPECT_TRUE(std::any_of(t.log.lines.begin(), t.log.lines.end(), [](const QString& l) {
        return l.contains("The records table is full") && l.endsWith("- ScanStart");
    }));
    EXPECT_EQ(imaging::Document::open(logical, w->imagingEnvironment()->paths)->pageCount(), 3);
    EXPECT_TRUE(w->doc().NoDocument); // nothing filed, nothing opened as a record
    EXPECT_TRUE(r2.isVisible());      // the dialog stays, as it was

    // Filed later with Skip Scan, once rows can be written again.
    sqlite("dbRecords", "DROP TRIGGER refuse;");
    r2.chkSkipScan->setChecked(true);
    t.prompter.answers = {OK};
    r2.btnScan->click();
    EXPECT_EQ(rowCount("250388", 2), "1");
    EXPECT_EQ(w->doc().FullPathFileName, logical);
}

TEST_F(NewRecord, ResetDeleteFileRecyclesTheDateFoldersFileAndOpenFolderShowsIt) {
    writeShareFile("2025/2025-06-01/250388-2.tif");
    load();
    auto& r = choose("250388");
    r.cmdResetFile->click();
    EXPECT_FALSE(QFileInfo::exists(share + "/2025/2025-06-01/250388-2.tif"));
    EXPECT_TRUE(QFileInfo::exists(share + "/Recycled/2008-11-25/250388-2-140500.tif"));
    r.cmdResetFile->click(); // gone now
    EXPECT_EQ(t.prompter.lastText(),
              "File not found-   " + root + "\\2025\\2025-06-01\\250388-2.tif");
    r.txtAdmDate->setText("02/03/2027");
    r.cmdOpenFolder->click();
    EXPECT_TRUE(QDir(share + "/2027/2027-02-03").exists()); // year and date folder made
    EXPECT_EQ(t.shell.commands.back(), "explorer.exe " + root + "\\2027\\2027-02-03");
}

TEST_F(NewRecord, NoRightsAndScanNew) {
    t.user->rights = "BV";
    load();
    w->ui().mnuFileNew->trigger();
    w->ui().mnuFileManual->trigger();
    EXPECT_EQ(messages(), (QStringList{"No Rights", "No Rights"}));
    EXPECT_EQ(dialog<capture::NewRecordDialog>("frmNewRec"), nullptr);

    // The scanner items are enabled once the background look for scanners has finished.
    for (int i = 0; i < 3000 && !w->ui().mnuFileScanNew->isEnabled(); ++i) QTest::qWait(10);
    w->ui().mnuFileScanNew->trigger();
    waitJobs();
    ASSERT_TRUE(w->doc().gblnNewDocument) << messages().join(" / ").toStdString();
    EXPECT_TRUE(w->doc().FullPathFileName.startsWith(t.s().gstrTempDir + "\\Img"));
    EXPECT_EQ(w->doc().Title, "Untitled");
    EXPECT_EQ(imaging::Document::open(w->doc().FullPathFileName, w->imagingEnvironment()->paths)->pageCount(), 3);
}

TEST_F(NewRecord, ScanSettingsFailureNamesTheScanPreferences) {
    fake->script().noDevice = true;
    load();
    w->ui().mnuScanSet->trigger();
    EXPECT_TRUE(t.prompter.lastText().startsWith(
        "Scanner may not support TWAIN Setup, please use Scan Preferences Instead.\r\n\r\n"));
}

} // namespace
} // namespace capturetest
