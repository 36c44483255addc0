// Opening a found record into the main window (both stored forms of its file name) and
// deleting the opened record's row.
#include "RetrievalFixture.h"

#include "app/Log.h"
#include "imaging/controls/ImageEdit.h"
#include "retrieval/RecordCommands.h"
#include "retrieval/SearchResultModel.h"
#include "viewer/JobHost.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QTableView>
#include <QTest>

using namespace retrievaltest;

namespace {
class OpenRecord : public RetrievalFixture {
protected:
    const QString root = "\\\\records-fs\\recfiles";

    // Searches one ID and opens the row with `fileName`.
    void openRow(retrieval::OpenRecordWindow& f, const QString& id, const QString& fileName) {
        f.txtAdmNo->setText(id);
        search(f);
        ASSERT_TRUE(selectRow(f, id, fileName)) << fileName.toStdString();
        f.fgridOpenRec_DblClick();
        QApplication::processEvents();
    }
};
} // namespace

TEST_F(OpenRecord, CurrentFormOpensUnderTheRootFillsThePanelAndHidesTheSearch) {
    load();
    writeShareFile("2025/2025-03-14/250123-1.tif", 2);
    auto& f = openSearch();
    w->ui().mTraceMode->setChecked(true);
    openRow(f, "250123", "\\2025\\2025-03-14\\250123-1.tif");
    const QString path = root + "\\2025\\2025-03-14\\250123-1.tif";
    EXPECT_EQ(w->doc().FullPathFileName, path);
    EXPECT_EQ(w->CurrentFolder, root + "\\2025\\2025-03-14\\");
    EXPECT_EQ(t.s().rec.gstrCurrentFile, path);
    EXPECT_EQ(t.log.lines.back(), path);
    EXPECT_FALSE(w->doc().gblnReadOnly);
    EXPECT_FALSE(f.isVisible());
    EXPECT_EQ(f.txtAdmNo->text(), "250123"); // criteria kept
    const auto& u = w->ui();
    EXPECT_EQ(u.txtRecID->text(), "1");
    EXPECT_EQ(u.txtAdmID->text(), "250123");
    EXPECT_EQ(u.txtType->text(), "ADMISSION RECORD");
    EXPECT_EQ(u.txtDescription->text(), "Admission record");
    EXPECT_EQ(u.txtScanDate->text(), "03/14/2025");
    EXPECT_EQ(u.txtHospNum->text(), "100101");
    EXPECT_EQ(u.txtLastname->text(), "Garcia, Maria Santos");
    EXPECT_EQ(u.txtAdmDate->text(), "03/14/2025");
    EXPECT_EQ(u.txtDisDate->text(), "03/19/2025");
    EXPECT_EQ(u.txtScanBy->text(), "Santos, Maria Lopez");
    EXPECT_TRUE(u.mDeleteRecord->isEnabled());
}

TEST_F(OpenRecord, StoredNamesWithAndWithoutLeadingBackslashGiveOneSeparator) {
    load();
    writeShareFile("2025/2025-03-14/250123-9.tif");
    const QString a = addRecord("250123", "2025\\2025-03-14\\250123-9.tif", 1, "no backslash", "2025-03-14");
    const QString b = addRecord("250123", "\\\\2025\\\\2025-03-14\\250123-9.tif", 1, "doubled", "2025-03-14");
    (void)a;
    (void)b;
    auto& f = openSearch();
    for (const QString& stored : {QString("2025\\2025-03-14\\250123-9.tif"),
                                  QString("\\\\2025\\\\2025-03-14\\250123-9.tif")}) {
        openRow(f, "250123", stored);
        EXPECT_EQ(w->doc().FullPathFileName, root + "\\2025\\2025-03-14\\250123-9.tif");
    }
}

TEST_F(OpenRecord, FullSharePathsFindTheYearFolderThenTheOlderLayoutElseLogTheLastTried) {
    load();
    const QString year = "\\\\old-fs\\records\\2025\\2025-03-14\\250123-2.tif";
    const QString older = "\\\\old-fs\\records\\2024-05-02\\240311-3.tif";
    const QString none = "\\\\old-fs\\records\\2023-01-09\\230112-4.tif";
    const QString nodate = "\\\\old-fs\\records\\scans\\230112-5.tif";
    addRecord("250123", year, 2, "full path, year folders", "2025-03-14");
    addRecord("240311", older, 3, "full path, older layout", "2024-05-02");
    addRecord("230112", none, 4, "full path, nothing there", "2023-01-09");
    addRecord("230112", nodate, 5, "full path, no date", "2023-01-09");
    writeShareFile("2025/2025-03-14/250123-2.tif");
    writeShareFile("2024-05-02/240311-3.tif");
    auto& f = openSearch();

    openRow(f, "250123", year);
    EXPECT_EQ(w->doc().FullPathFileName, root + "\\2025\\2025-03-14\\250123-2.tif");
    EXPECT_EQ(w->CurrentFolder, root + "\\2025\\2025-03-14\\");

    openRow(f, "240311", older);
    EXPECT_EQ(w->doc().FullPathFileName, root + "\\2024-05-02\\240311-3.tif");
    EXPECT_EQ(w->CurrentFolder, root + "\\2024-05-02\\");

    openRow(f, "230112", none);
    EXPECT_EQ(t.log.lines.back(), "Cannot acccess target folder. " + root + "\\2023-01-09\\");
    EXPECT_TRUE(w->doc().NoDocument); // the earlier record's document is not left under it
    EXPECT_EQ(w->ui().txtDescription->text(), "full path, nothing there");
    EXPECT_FALSE(f.isVisible());

    // No date component: the last component stands for the date folder; nothing opens.
    openRow(f, "230112", nodate);
    EXPECT_EQ(t.log.lines.back(), "Cannot acccess target folder. " + root + "\\230112-5.tif\\");
    EXPECT_TRUE(w->doc().NoDocument);
}

TEST_F(OpenRecord, ReadOnlyFilesOpenReadOnlyAndDepartmentRowsHaveNoPatient) {
    load(true, "HUMAN RESOURCES");
    const QString file = writeShareFile("HRD/2025/2025-06-02/5012-7.tif");
    QFile::setPermissions(file, QFileDevice::ReadOwner);
    auto& f = openSearch();
    f.txtAdmNo->setText("5012");
    search(f);
    ASSERT_TRUE(selectRow(f, "5012", "\\2025\\2025-06-02\\5012-7.tif"));
    QTest::keyClick(f.fgridOpenRec, Qt::Key_Return); // Enter opens, as a double click does
    QApplication::processEvents();
    EXPECT_EQ(w->doc().FullPathFileName, root + "\\HRD\\2025\\2025-06-02\\5012-7.tif");
    EXPECT_TRUE(w->doc().gblnReadOnly);
    EXPECT_EQ(t.s().rec.gstrPatientName, ",  ");
    EXPECT_EQ(w->ui().txtScanDate->text(), "06/02/2025");
}

TEST_F(OpenRecord, ARowDeletedMeanwhileSaysSoAndOpensNothing) {
    load();
    auto& f = openSearch();
    f.txtAdmNo->setText("250123");
    search(f);
    ASSERT_TRUE(selectRow(f, "250123", "\\2025\\2025-03-14\\250123-3.tif"));
    t.demo->execute("DELETE FROM dbRecords..tblRecFiles WHERE recfile_id = 3");
    f.fgridOpenRec_DblClick();
    ASSERT_FALSE(t.prompter.shown.empty());
    const auto& m = t.prompter.shown.back();
    EXPECT_EQ(m.text, "Record does not contain a file!");
    EXPECT_EQ(m.icon, app::mb::Information);
    EXPECT_EQ(m.title, QString());
    EXPECT_EQ(w->ui().txtRecID->text(), "3");
    EXPECT_TRUE(w->doc().FullPathFileName.isEmpty());
    EXPECT_FALSE(f.isVisible());
}

TEST_F(OpenRecord, OverAChangedDocumentTheSaveQuestionIsAskedOnceAndOnlyItsOwnRowIsStamped) {
    load();
    writeShareFile("2025/2025-03-14/250123-1.tif", 2);
    // A stored full share path whose date folder is nowhere under the root.
    const QString lost = "\\\\old-fs\\records\\2023-01-09\\230112-4.tif";
    const QString lostId = addRecord("230112", lost, 4, "full path, nothing there", "2023-01-09");
    struct Case {
        const char* what;
        QString id, fileName, recFileId;
        int answer;
    };
    const Case cases[] = {
        {"file missing, No", "250123", "\\2025\\2025-03-14\\250123-2.tif", "2", app::mb::No},
        {"file missing, Yes", "250123", "\\2025\\2025-03-14\\250123-2.tif", "2", app::mb::Yes},
        {"date folder missing, No", "230112", lost, lostId, app::mb::No},
        {"date folder missing, Yes", "230112", lost, lostId, app::mb::Yes},
    };
    auto stamped = [&](const QString& recFileId) {
        return scalar("SELECT EmployeeID FROM dbRecords..tblRecFiles WHERE recfile_id = " +
                      recFileId) != "before";
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        t.demo->execute("UPDATE dbRecords..tblRecFiles SET EmployeeID = 'before'");
        auto& f = openSearch();
        openRow(f, "250123", "\\2025\\2025-03-14\\250123-1.tif");
        ASSERT_EQ(w->doc().FullPathFileName, root + "\\2025\\2025-03-14\\250123-1.tif");
        w->docImgEdit1->rotateLeft();
        ASSERT_TRUE(w->docImgEdit1->imageModified());
        t.prompter.shown.clear();
        // A second question would be answered Yes.
        t.prompter.answers = {c.answer, app::mb::Yes, app::mb::Yes};
        openSearch();
        openRow(f, c.id, c.fileName);
        QElapsedTimer clock;
        clock.start();
        while (w->jobs().anyRunning() && clock.elapsed() < 20000) QApplication::processEvents();
        QApplication::processEvents();
        const QStringList asked = messages().filter("Do you want to save");
        EXPECT_EQ(asked, QStringList{"Do you want to save the changes to 250123-1.tif?"});
        EXPECT_EQ(stamped("1"), c.answer == app::mb::Yes); // the saved file's own row
        EXPECT_FALSE(stamped(c.recFileId));                // never the row opened after it
        EXPECT_EQ(t.s().rec.gstrRecFileId, c.recFileId);
        EXPECT_TRUE(w->doc().NoDocument);
        t.prompter.answers.clear();
    }
}

// ---- Delete Record -----------------------------------------------------------------------

namespace {
class DeleteRecord : public OpenRecord {
protected:
    QString count(const QString& id) {
        return scalar("SELECT count(*) FROM dbRecords..tblRecFiles WHERE recfile_id = " + id);
    }
    void openFirst() {
        writeShareFile("2025/2025-03-14/250123-1.tif");
        auto& f = openSearch();
        openRow(f, "250123", "\\2025\\2025-03-14\\250123-1.tif");
        ASSERT_EQ(w->ui().txtRecID->text(), "1");
        t.prompter.shown.clear();
    }
};
} // namespace

TEST_F(DeleteRecord, RemovesTheOpenedRowAfterYesOnlyAndKeepsTheFileAndPanel) {
    load();
    openFirst();
    t.prompter.answers = {app::mb::No};
    w->ui().mDeleteRecord->trigger();
    EXPECT_EQ(messages(), QStringList{"Are you sure you want to delete this record? (1)"});
    EXPECT_EQ(count("1"), "1");

    t.prompter.answers = {app::mb::Yes};
    w->ui().mDeleteRecord->trigger();
    EXPECT_EQ(messages().back(), "Deleted.");
    EXPECT_EQ(count("1"), "0");
    EXPECT_TRUE(QFile::exists(share + "/2025/2025-03-14/250123-1.tif"));
    EXPECT_EQ(w->ui().txtRecID->text(), "1");

    // Again: the row is gone, and the message says so instead of "Deleted.".
    t.prompter.answers = {app::mb::Yes};
    w->ui().mDeleteRecord->trigger();
    EXPECT_TRUE(messages().back().contains("was not found")) << messages().back().toStdString();
}

TEST_F(DeleteRecord, RefusedWithoutRightsWithoutARecordOrForAnotherDocument) {
    load();
    // No record opened in this session: nothing is asked or sent.
    const size_t sent = t.db->statements.size();
    retrieval::deleteRecord(*w);
    EXPECT_TRUE(messages().back().startsWith("No filed record is open"));
    EXPECT_EQ(t.db->statements.size(), sent);

    openFirst();
    t.user->rights = "ASVb"; // a lower-case b does not bar
    t.prompter.answers = {app::mb::No};
    w->ui().mDeleteRecord->trigger();
    EXPECT_TRUE(messages().back().startsWith("Are you sure"));
    t.user->rights = "ABV";
    w->ui().mDeleteRecord->trigger();
    EXPECT_EQ(messages().back(), "No Rights");

    // An image opened with Open Image after the record: the record is not deleted.
    t.user->rights = "ASV";
    const QString other = writeShareFile("elsewhere/scan.tif");
    w->doc().gblnNewDocument = false;
    w->PerformFileOpen(false, other, 1);
    t.prompter.shown.clear();
    w->ui().mDeleteRecord->trigger();
    ASSERT_EQ(messages().size(), 1);
    EXPECT_TRUE(messages()[0].contains("record 1")) << messages()[0].toStdString();
    EXPECT_EQ(count("1"), "1");
}

namespace {
// The server with SET NOCOUNT ON: no statement's row count is known (-1). `keepRows` makes
// the delete change nothing.
class UncountedConnection : public doubles::RecordingConnection {
public:
    using RecordingConnection::RecordingConnection;
    db::RecordsetPtr execute(const QString& text, long* rowsAffected = nullptr) override {
        db::RecordsetPtr rs;
        if (keepRows && text.startsWith("delete FROM")) {
            statements.push_back(text);
            rs = std::make_unique<db::Recordset>(QStringList{}, std::vector<db::Row>{});
        } else {
            rs = RecordingConnection::execute(text, rowsAffected);
        }
        if (rowsAffected) *rowsAffected = -1;
        return rs;
    }
    bool keepRows = false;
};
} // namespace

TEST_F(DeleteRecord, AnUncountedDeleteIsReportedByWhetherTheRowIsStillThere) {
    load();
    openFirst();
    UncountedConnection nocount(t.demo.get());
    t.user->connection = &nocount;
    struct Case {
        const char* what;
        bool keepRows;
        QString message, left;
    };
    const Case cases[] = {
        {"the row stays", true,
         "Record 1 was not deleted: it is still in the records table.", "1"},
        {"the row goes", false, "Deleted.", "0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        nocount.keepRows = c.keepRows;
        t.prompter.shown.clear();
        t.prompter.answers = {app::mb::Yes};
        w->ui().mDeleteRecord->trigger();
        EXPECT_EQ(messages(), (QStringList{"Are you sure you want to delete this record? (1)",
                                           c.message}));
        EXPECT_EQ(count("1"), c.left);
    }
}

TEST_F(DeleteRecord, AFailingStatementIsReportedNotDeleted) {
    load();
    openFirst();
    t.db->failWhen = [](const QString& s) { return s.startsWith("delete FROM"); };
    t.prompter.answers = {app::mb::Yes};
    w->ui().mDeleteRecord->trigger();
    EXPECT_EQ(messages().back(), "Scripted failure\r\nRecord 1 was not deleted.");
    EXPECT_FALSE(messages().contains("Deleted."));
}
