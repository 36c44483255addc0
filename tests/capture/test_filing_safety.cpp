// Filing never loses a record: a replacement that does not complete leaves the earlier record
// as it was, a new scan never lands behind pages left at the record's name, an unnamed scan is
// asked about and recycled, and while a scan runs nothing changes the record it files.
#include "CaptureFixture.h"
#include "PageMarks.h"

#include "app/Log.h"
#include "capture/NewRecordDialog.h"
#include "capture/RecordDialog.h"
#include "viewer/JobHost.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <deque>

namespace capturetest {
namespace {

using namespace app::mb;

class FilingSafety : public CaptureFixture {
protected:
    capture::RecordDialog& choose(const QString& id) { return chooseAdmission(id); }
    QStringList rows(const QString& id, int type) {
        QStringList out;
        auto rs = t.demo->execute(
            "SELECT recfile_id, file_name FROM dbRecords..tblRecFiles WHERE admission_id = '" + id +
            "' AND rectype_id = " + QString::number(type) + " ORDER BY recfile_id");
        for (; !rs->eof(); rs->moveNext())
            out << rs->value(0).toString() + " " + rs->value(1).toString();
        return out;
    }
    // Files below the share's recycle folder, by name.
    QStringList recycled() {
        QStringList out;
        QDirIterator it(share + "/Recycled", QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) out << QFileInfo(it.next()).fileName();
        out.sort();
        return out;
    }
    bool logHas(const QString& part) {
        return std::any_of(t.log.lines.begin(), t.log.lines.end(),
                           [&](const QString& l) { return l.contains(part); });
    }
};

// The earlier record is replaced only when the new one is filed: every way the filing can end
// before that leaves its file, its pages and its row as they were, says nothing was filed and
// shows the dialog again as it was.
struct Unfinished {
    const char* name;
    std::deque<int> answers; // replace question, Ready?
    bool jam = false;
    bool refuseRows = false;
    bool skipScan = false;
    bool told = true; // "Nothing was filed ..." is said
    friend void PrintTo(const Unfinished& u, std::ostream* os) { *os << u.name; }
};

class UnfinishedReplacement : public FilingSafety,
                              public ::testing::WithParamInterface<Unfinished> {};

TEST_P(UnfinishedReplacement, KeepsTheEarlierRecord) {
    const Unfinished& c = GetParam();
    const QString file = share + "/2025/2025-03-14/250123-1.tif";
    writeMarked(file, {7, 8});
    load();
    const QStringList before = rows("250123", 1);
    ASSERT_EQ(before.size(), 1);
    fake->script().failAfterPages = c.jam ? 0 : -1;
    if (c.refuseRows)
        sqlite("dbRecords", "CREATE TRIGGER refuse BEFORE INSERT ON tblRecFiles BEGIN "
                            "SELECT RAISE(ABORT, 'The records table is full'); END;");
    auto& r = choose("250123");
    selectType(r.cboScanType, "ADMISSION RECORD");
    r.chkSkipScan->setChecked(c.skipScan);
    t.prompter.answers = c.answers;
    r.btnScan->click();
    waitJobs();

    EXPECT_EQ(labelsOf(file), (std::vector<int>{7, 8}));
    EXPECT_EQ(rows("250123", 1), before);
    EXPECT_EQ(recycled(), QStringList());
    auto* again = dialog<capture::RecordDialog>("frmRecords");
    ASSERT_NE(again, nullptr);
    EXPECT_TRUE(again->isVisible());
    EXPECT_EQ(again->txtAdmID->text(), "250123");
    EXPECT_EQ(t.prompter.lastText().startsWith("Nothing was filed for ID 250123: "), c.told)
        << t.prompter.lastText().toStdString();
    if (c.refuseRows && !c.skipScan) {
        // The new pages are kept beside the record, not lost.
        EXPECT_TRUE(t.prompter.lastText().contains("The scanned pages are kept in the file "));
        EXPECT_EQ(labelsOf(share + "/2025/2025-03-14/250123-1.scanning.tif").size(), 3u);
    }
}

INSTANTIATE_TEST_SUITE_P(
    FilingSafety, UnfinishedReplacement,
    ::testing::Values(Unfinished{"CancelAtReady", {Yes, Cancel}, false, false, false, false},
                      Unfinished{"ScanJams", {Yes, OK}, true},
                      Unfinished{"RowRefused", {Yes, OK}, false, true},
                      Unfinished{"RowRefusedSkipScan", {Yes, OK}, false, true, true}),
    [](const auto& info) { return std::string(info.param.name); });

// A replaced record whose first file is already gone: the later files are still recycled and
// every row whose file is out of the way goes, so no file is left without its row.
TEST_F(FilingSafety, AMissingEarlierFileIsSkippedAndTheOthersAreRecycled) {
    writeMarked(share + "/2025/2025-03-15/250123-1.tif", {9});
    load();
    t.demo->execute("INSERT INTO dbRecords..tblRecFiles (admission_id, file_name, rectype_id, "
                    "EmployeeID, Description, date_created, date_updated) VALUES ('250123', "
                    "'\\2025\\2025-03-15\\250123-1.tif', 1, '1001', 'second', '2025-03-15', "
                    "'2025-03-15')");
    ASSERT_EQ(rows("250123", 1).size(), 2);
    auto& r = choose("250123");
    selectType(r.cboScanType, "ADMISSION RECORD");
    t.prompter.answers = {Yes, OK};
    r.btnScan->click();
    waitJobs();
    EXPECT_EQ(recycled(), QStringList{"250123-1-140500.tif"});
    EXPECT_EQ(labelsOf(share + "/Recycled/2008-11-25/250123-1-140500.tif"), std::vector<int>{9});
    const QStringList now = rows("250123", 1);
    ASSERT_EQ(now.size(), 1);
    EXPECT_TRUE(now[0].endsWith(" \\2025\\2025-03-14\\250123-1.tif"));
    EXPECT_EQ(labelsOf(share + "/2025/2025-03-14/250123-1.tif").size(), 3u);
    EXPECT_FALSE(QFileInfo::exists(share + "/2025/2025-03-15/250123-1.tif"));
}

// A new scan always starts a new file: pages left at the record's name without a row (a
// deleted row, a crash) and pages of a scan that jammed are never part of the new record.
TEST_F(FilingSafety, ANewScanNeverContinuesPagesLeftBehind) {
    writeMarked(share + "/2025/2025-06-01/250388-2.tif", {7, 8});
    load();
    auto& r = choose("250388");
    t.prompter.answers = {OK};
    r.btnScan->click();
    waitJobs();
    EXPECT_EQ(labelsOf(share + "/2025/2025-06-01/250388-2.tif"), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(labelsOf(share + "/Recycled/2008-11-25/250388-2-140500.tif"),
              (std::vector<int>{7, 8}));
    EXPECT_TRUE(logHas("had no record"));

    // A scan that jams after its first page files nothing; scanning again files only the
    // pages of the new run.
    auto& r2 = choose("250388");
    selectType(r2.cboScanType, "CONSENT FORMS");
    {
        auto lock = fake->lock();
        fake->script().failAfterPages = 1;
        fake->script().feederSheets = 3;
    }
    t.prompter.answers = {OK};
    r2.btnScan->click();
    waitJobs();
    EXPECT_EQ(rows("250388", 5), QStringList());
    EXPECT_TRUE(t.prompter.lastText().startsWith("Nothing was filed for ID 250388: the scan did "
                                                 "not complete."));
    int next = 0;
    {
        auto lock = fake->lock();
        fake->script().failAfterPages = -1;
        fake->script().feederSheets = 3;
        next = fake->script().nextLabel;
    }
    auto* r3 = dialog<capture::RecordDialog>("frmRecords");
    ASSERT_NE(r3, nullptr);
    ASSERT_TRUE(r3->isVisible());
    t.prompter.answers = {OK};
    r3->btnScan->click();
    waitJobs();
    EXPECT_EQ(rows("250388", 5).size(), 1);
    EXPECT_EQ(labelsOf(share + "/2025/2025-06-01/250388-5.tif"),
              (std::vector<int>{next, next + 1, next + 2}));
}

// Filing a record while an unnamed "S&can New..." document is shown asks what to do with it
// (with scanning access too); a scan the user does not keep goes to the recycle folder.
TEST_F(FilingSafety, AnUnnamedScanIsAskedAboutAndRecycledNotDeleted) {
    load();
    for (int i = 0; i < 3000 && !w->ui().mnuFileScanNew->isEnabled(); ++i) QTest::qWait(10);
    w->ui().mnuFileScanNew->trigger();
    waitJobs();
    ASSERT_TRUE(w->doc().gblnNewDocument);
    const QString scratch = t.paths->toNative(w->doc().FullPathFileName);
    const QString name = QFileInfo(scratch).completeBaseName();
    auto& r = choose("250388");
    fake->script().feederSheets = 3;
    t.prompter.answers = {OK, No}; // Ready?, keep the unnamed scan?
    r.btnScan->click();
    waitJobs();
    ASSERT_GE(t.prompter.shown.size(), 2u);
    EXPECT_EQ(t.prompter.shown.at(1).text, "Do you want to save the changes to Untitled?");
    EXPECT_FALSE(QFileInfo::exists(scratch));
    EXPECT_EQ(recycled(), QStringList{name + "-140500." + QFileInfo(scratch).suffix()});
    EXPECT_EQ(rows("250388", 2).size(), 1); // and the record is filed
}

// While a scan runs, the department box, the new-record commands and the other dialogs'
// filing buttons are off, and the row is written from what was asked when the scan began.
TEST_F(FilingSafety, WhileAScanRunsNothingChangesTheRecordItFiles) {
    load();
    fake->script().readDelayMicros = 2000;
    t.s().rec.gstrDescription = "as asked";
    auto& records = choose("250388");
    w->ui().mnuFileManual->trigger();
    auto* manual = dialog<capture::RecordDialog>("frmManual");
    ASSERT_NE(manual, nullptr);
    selectType(manual->cboScanType, "LABORATORY RESULTS");
    manual->txtAdmDate->setText("12/01/2008");
    manual->txtAdmID->setText("57");
    t.prompter.answers = {OK, OK}; // confirmation, Ready?
    manual->btnScan->click();
    ASSERT_TRUE(w->jobs().documentBusy());
    EXPECT_FALSE(w->ui().cboDept->isEnabled());
    EXPECT_FALSE(w->ui().mnuFileManual->isEnabled());
    EXPECT_FALSE(w->ui().mnuFileNew->isEnabled());
    EXPECT_FALSE(records.cmdResetFile->isEnabled());
    EXPECT_FALSE(records.btnScan->isEnabled());
    t.s().rec.gstrDescription = "changed while scanning";
    waitJobs();
    EXPECT_EQ(scalar("SELECT Description FROM dbRecords..tblRecFiles WHERE admission_id = '57'"),
              "as asked");
    EXPECT_TRUE(w->ui().cboDept->isEnabled());
    EXPECT_TRUE(w->ui().mnuFileManual->isEnabled());
    EXPECT_TRUE(records.cmdResetFile->isEnabled());
    EXPECT_TRUE(records.btnScan->isEnabled());
}

} // namespace
} // namespace capturetest
