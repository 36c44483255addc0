// The access history of the program's actions: each action leaves one row with the right
// columns (who, where, which record and patient, which pages, what was typed) in the records
// database, written by the real background writer; actions on the record are done through
// the windows. The Record History window then lists the record's rows newest first, exports
// them as CSV and prints them.
#include "RetrievalFixture.h"

#include "db/SqliteConnection.h"
#include "doubles/ScriptedDialogs.h"
#include "history/DatabaseRecorder.h"
#include "imaging/controls/ImageEdit.h"
#include "imaging/controls/ImageThumbnail.h"
#include "imaging/controls/Print.h"
#include "maintenance/RecordHistoryWindow.h"
#include "retrieval/RecordCommands.h"
#include "viewer/EditCommands.h"
#include "viewer/FileCommands.h"
#include "viewer/JobHost.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDateEdit>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

using namespace retrievaltest;

namespace {

class AccessHistory : public RetrievalFixture {
protected:
    void SetUp() override {
        RetrievalFixture::SetUp();
        fileDialog = std::make_shared<doubles::ScriptedFileDialogRunner>();
        printDialog = std::make_shared<doubles::ScriptedPrintDialogRunner>();
        adjustOptions = [this](viewer::MainWindowOptions& o) {
            o.imaging.printer = std::make_shared<imaging::PdfPrinterProvider>(t.dir.file("printed.pdf"));
            o.imaging.fileDialog = fileDialog;
            o.imaging.printDialog = printDialog;
        };
        history::DatabaseRecorder::Options options;
        options.spoolFile = t.dir.file("data/history/spool.jsonl");
        const QString folder = t.dir.file("db");
        recorder = std::make_unique<history::DatabaseRecorder>(
            [folder] { return std::make_unique<db::SqliteConnection>(folder); }, options);
        t.s().history = recorder.get();
    }
    void TearDown() override {
        if (w) w->jobs().cancelAllAndWait();
        RetrievalFixture::TearDown();
        t.s().history = nullptr;
        recorder.reset();
    }
    void waitForJobs() {
        QElapsedTimer timer;
        timer.start();
        while (w->jobs().anyRunning() && timer.elapsed() < 20000) QTest::qWait(5);
    }
    // The history rows after `firstId`, oldest first: the columns after history_id and at.
    std::vector<QStringList> rowsAfter(int firstId) {
        EXPECT_TRUE(recorder->waitUntilIdle(std::chrono::seconds(10)));
        auto rs = t.demo->execute(
            "SELECT employee, workstation, access_type, department, action, recfile_id, "
            "admission_id, hosp_num, file_name, pages, details FROM dbRecords..tblRecHistory "
            "WHERE history_id > " + QString::number(firstId) + " ORDER BY history_id");
        std::vector<QStringList> out;
        for (const auto& row : rs->rows()) {
            QStringList l;
            for (const QVariant& v : row) l << (v.isNull() ? QStringLiteral("NULL") : v.toString());
            out.push_back(l);
        }
        return out;
    }
    int lastId() {
        EXPECT_TRUE(recorder->waitUntilIdle(std::chrono::seconds(10)));
        return scalar("SELECT ISNULL(MAX(history_id), 0) FROM dbRecords..tblRecHistory").toInt();
    }

    std::shared_ptr<doubles::ScriptedFileDialogRunner> fileDialog;
    std::shared_ptr<doubles::ScriptedPrintDialogRunner> printDialog;
    std::unique_ptr<history::DatabaseRecorder> recorder;
};

// What every row of the signed-in clerk at the demo session's workstation starts with.
QStringList who(const QString& department = QString()) {
    return {"1001", "WARD-PC-1", "medical records", department.isEmpty() ? "NULL" : department};
}

TEST_F(AccessHistory, EveryActionLeavesARowWithItsColumns) {
    load();
    const QString dept = t.s().gstrDepartmentID;
    writeShareFile("2025/2025-03-14/250123-1.tif", 3);
    const QString path = "\\\\records-fs\\recfiles\\2025\\2025-03-14\\250123-1.tif";
    const int before = lastId();
    // The ID's files, as the records table has them: what the search finds.
    const QString files = scalar("SELECT COUNT(*) FROM dbRecords..tblRecFiles WHERE admission_id = '250123'");

    struct Step {
        const char* name;
        std::function<void()> act;
        QStringList expected; // action, recfile_id, ID, hosp. number, file, pages, details
    };
    retrieval::OpenRecordWindow* f = nullptr;
    const std::vector<Step> throughWindows = {
        {"record search",
         [&] {
             f = &openSearch();
             f->txtAdmNo->setText("250123");
             search(*f);
         },
         {"record search", "NULL", "250123", "100101", "NULL", "NULL",
          "ID = 250123 (" + files + " found)"}},
        {"open record",
         [&] {
             ASSERT_TRUE(selectRow(*f, "250123"));
             f->fgridOpenRec_DblClick();
             QApplication::processEvents();
         },
         {"open record", "1", "250123", "100101", path, "NULL", "NULL"}},
        {"duplicate page",
         [&] {
             w->docImgEdit1->setPage(2);
             w->editing().mDuplicate_Click();
         },
         {"duplicate page", "1", "250123", "100101", path, "2", "NULL"}},
        {"save",
         [&] {
             w->files().mnuFileSave_Click();
             waitForJobs();
         },
         {"save", "1", "250123", "100101", path, "NULL", "NULL"}},
        {"print page",
         [&] {
             w->docImgEdit1->setPage(3);
             w->files().mnuPagePrintPage_Click();
             waitForJobs();
         },
         {"print page", "1", "250123", "100101", path, "3", "NULL"}},
        {"print",
         [&] {
             printDialog->answer({1, 2, 0, false});
             w->files().mnuFilePrint_Click();
             waitForJobs();
         },
         {"print", "1", "250123", "100101", path, "1-2", "NULL"}},
        {"delete pages",
         [&] {
             // Pages 2 and 3 (the duplicate) of four, and page 4: runs named as numbered.
             for (int p : {2, 3, 4}) w->docImgThumbnail1->setThumbSelected(p, true);
             t.prompter.answers = {app::mb::Yes};
             w->editing().mnuEditActionItem_Click(5); // Edit > Delete Pages
             waitForJobs();
         },
         {"delete pages", "1", "250123", "100101", path, "2-4", "NULL"}},
        {"delete record",
         [&] {
             t.prompter.answers = {app::mb::Yes};
             retrieval::deleteRecord(*w);
         },
         {"delete record", "1", "250123", "100101", path, "NULL", "NULL"}},
        {"save as",
         [&] {
             fileDialog->answer(t.dir.file("copy.tif"), 1);
             w->files().mnuFileSaveAs_Click();
             waitForJobs();
         },
         {"save as", "1", "250123", "100101", path, "NULL", "to " + t.dir.file("copy.tif")}},
    };
    for (const Step& s : throughWindows) {
        SCOPED_TRACE(s.name);
        const int mark = lastId();
        s.act();
        const auto rows = rowsAfter(mark);
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_EQ(rows[0], who(dept) + s.expected);
    }

    // The other actions, each as its command records it: the record context of the session
    // names the record, the event the pages and the details.
    t.s().rec.gstrRecFileId = "7";
    t.s().rec.gstrAdmissionID = "A-7";
    t.s().rec.gstrHospNum = "H-7";
    t.s().rec.gstrCurrentFile = "\\\\fs\\r\\7.tif";
    const QStringList rec = {"7", "A-7", "H-7", "\\\\fs\\r\\7.tif"};
    const QStringList none = {"NULL", "NULL", "NULL", "NULL"};
    struct Other {
        history::Action action;
        bool ofRecord;
        QString pages, details;
        QString name; // the stored text
    };
    const std::vector<Other> others = {
        {history::Action::SignIn, false, {}, {}, "sign-in"},
        {history::Action::SignOut, false, {}, {}, "sign-out"},
        {history::Action::SignInFailed, false, {}, "wrong password", "failed sign-in"},
        {history::Action::AdmissionSearch, false, {}, "ID = 250123 (1 found)", "admission search"},
        {history::Action::OpenImage, true, {}, {}, "open image"},
        {history::Action::InsertPages, true, "2-3", "scanned", "insert pages"},
        {history::Action::AppendPages, true, "4", "from /x.tif", "append pages"},
        {history::Action::RescanPages, true, "1", {}, "rescan pages"},
        {history::Action::ImportPages, true, "5-9", "from C:\\in\\", "import pages"},
        {history::Action::BurnIn, true, "1-3", {}, "burn in annotations"},
        {history::Action::RecordTypeChange, false, {}, "type 3 deleted", "record type change"},
        {history::Action::MaintenanceSave, true, {}, "rectype_id: '1' -> '2'", "maintenance save"},
        {history::Action::ExportPdf, true, "1-3", "to /home/u/r.pdf", "export pdf"},
        {history::Action::VersionRestore, true, {}, "from v1.tif", "restore version"},
        {history::Action::Undo, true, {}, {}, "undo"},
        {history::Action::Redo, true, {}, {}, "redo"},
    };
    // Between them, the two tables cover every action there is.
    QStringList covered, all;
    for (const Step& s : throughWindows) covered << s.expected[0];
    for (const Other& o : others) covered << o.name;
    for (history::Action a : history::allActions()) all << history::actionName(a);
    covered.sort();
    all.sort();
    EXPECT_EQ(covered, all);
    for (const Other& o : others) {
        SCOPED_TRACE(o.name.toStdString());
        const int mark = lastId();
        if (o.ofRecord) {
            t.s().recordRecordHistory(o.action, o.pages, o.details);
        } else {
            history::Event e;
            e.action = o.action;
            e.details = o.details;
            t.s().recordHistory(e);
        }
        const auto rows = rowsAfter(mark);
        ASSERT_EQ(rows.size(), 1u);
        const QStringList expected = who(dept) + QStringList{o.name} + (o.ofRecord ? rec : none) +
                                     QStringList{o.pages.isEmpty() ? "NULL" : o.pages,
                                                 o.details.isEmpty() ? "NULL" : o.details};
        EXPECT_EQ(rows[0], expected);
    }
    EXPECT_GT(lastId(), before);
}

TEST_F(AccessHistory, TheRecordHistoryWindowListsNewestFirstExportsAndPrints) {
    load();
    writeShareFile("2025/2025-03-14/250123-1.tif", 2);
    auto& f = openSearch();
    f.txtAdmNo->setText("250123");
    search(f);
    ASSERT_TRUE(selectRow(f, "250123"));
    f.fgridOpenRec_DblClick();
    QApplication::processEvents();
    w->files().mnuPagePrintPage_Click();
    waitForJobs();
    // Another record's row and another patient's are not listed.
    history::Event other;
    other.action = history::Action::OpenRecord;
    other.recFileId = 2;
    other.hospitalNumber = "999";
    t.s().recordHistory(other);
    ASSERT_TRUE(recorder->waitUntilIdle(std::chrono::seconds(10)));

    t.user->settingsAnswer = true;
    w->findChild<QAction*>("mnuRecordHistory")->trigger();
    auto* h = w->findChild<maintenance::RecordHistoryWindow*>("frmRecordHistory");
    ASSERT_NE(h, nullptr);
    EXPECT_TRUE(h->chkOpenRecord->isChecked());
    // The session's clock says 2008; the rows were written today.
    h->dtFrom->setDate(QDate::currentDate().addDays(-1));
    h->dtTo->setDate(QDate::currentDate());
    h->cmdSearch->click();
    waitForJobs();
    QApplication::processEvents();
    ASSERT_EQ(h->rows().size(), 2u) << qPrintable(h->lblSummary->text());
    EXPECT_EQ(h->rows()[0][5], "print page");
    EXPECT_EQ(h->rows()[1][5], "open record");
    EXPECT_EQ(h->fgridHistory->rowCount(), 2);
    EXPECT_EQ(h->fgridHistory->item(0, 8)->text(), "100101");
    EXPECT_TRUE(h->rows()[0][0] >= h->rows()[1][0]);

    // By hospital number instead: the other patient's row alone.
    h->chkOpenRecord->setChecked(false);
    h->txtHospNum->setText("999");
    h->cmdSearch->click();
    waitForJobs();
    QApplication::processEvents();
    ASSERT_EQ(h->rows().size(), 1u);
    EXPECT_EQ(h->rows()[0][6], "2");

    // CSV: a heading line and one line per row; a comma or a quote is quoted.
    h->txtHospNum->clear();
    h->chkOpenRecord->setChecked(true);
    h->cmdSearch->click();
    waitForJobs();
    QApplication::processEvents();
    fileDialog->answer(t.dir.file("history"));
    ASSERT_TRUE(h->cmdExport_Click());
    QFile csv(t.dir.file("history.csv"));
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(csv.readAll()).split("\r\n", Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0], "When,Employee,Workstation,Access,Department,Action,Record,ID,Hosp.#,"
                        "File,Pages,Details");
    EXPECT_TRUE(lines[1].contains(",print page,1,250123,100101,")) << qPrintable(lines[1]);
    EXPECT_EQ(maintenance::RecordHistoryWindow::toCsv({{"a,b", "say \"hi\"", "x"}}),
              QByteArray("When,Employee,Workstation,Access,Department,Action,Record,ID,Hosp.#,"
                         "File,Pages,Details\r\n\"a,b\",\"say \"\"hi\"\"\",x\r\n"));

    // Printed through the engine's printer: a PDF with the rows.
    printDialog->answer({1, 1, 0, false});
    ASSERT_TRUE(h->cmdPrint_Click());
    EXPECT_GT(QFileInfo(t.dir.file("printed.pdf")).size(), 1000);
    if (const QString out = qEnvironmentVariable("DOCUVANE_SHOT_DIR"); !out.isEmpty()) {
        h->resize(1200, 420);
        h->grab().save(out + "/record-history.png");
        QFile::copy(t.dir.file("printed.pdf"), out + "/record-history.pdf");
    }
}

} // namespace
