// The edit lock through the main window: a filed record opened read-write takes the lock, a
// second window or program instance gets the record read-only with a message naming the
// holder, the lock goes at close, exit, department change and sign-in change, a stale lock is
// taken over with a message, an administrator releases a stuck lock from the Maintenance
// menu, and a confirmation that hangs or fails leaves the window working.
#include "app/DatabaseUpdate.h"
#include "db/SqliteConnection.h"
#include "db/SqliteSession.h"
#include "doubles/ScannerFake.h"
#include "doubles/TestSession.h"
#include "imaging/documents/PageOps.h"
#include "safety/EditLock.h"
#include "safety/LockCommands.h"
#include "viewer/JobHost.h"
#include "viewer/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QImage>
#include <QLineEdit>
#include <QProcess>
#include <QSemaphore>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <memory>

namespace {

const QString kHolderSince = QStringLiteral("since 11/25/2008 2:05 PM");

class LockWindow : public ::testing::Test {
protected:
    void SetUp() override {
        t.useDemoDatabase(true);
        t.signIn();
        record1 = writeRecordFile("rec1.tif");
        record2 = writeRecordFile("rec2.tif");
    }
    void TearDown() override {
        for (auto& w : windows) w.reset();
        QApplication::processEvents();
    }

    QString writeRecordFile(const QString& name) {
        QImage page(200, 100, QImage::Format_Mono);
        page.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
        page.fill(0);
        const QString path = t.dir.file(name);
        imaging::writeDocument(path, {imaging::PageSource::pixels(page, 100, 100, {})});
        return path;
    }

    viewer::MainWindow& newWindow(doubles::TestSession& session) {
        viewer::MainWindowOptions options;
        options.imaging.scanner = std::make_shared<doubles::FakeScanner>();
        windows.push_back(std::make_unique<viewer::MainWindow>(session.s(), options));
        viewer::MainWindow& w = *windows.back();
        safety::installLockCommands(w);
        w.resize(1100, 780);
        w.show();
        w.Form_Load();
        session.prompter.shown.clear();
        return w;
    }

    // Opens a filed record's file as opening its row does: the record context names the row
    // and its file, then the file opens.
    static void openRecord(viewer::MainWindow& w, const QString& recFileId, const QString& path) {
        w.session().rec.gstrRecFileId = recFileId;
        w.session().rec.gstrCurrentFile = path;
        w.PerformFileOpen(false, path, 1);
    }

    std::optional<safety::LockHolder> holder(qint64 id) {
        doubles::FixedClock clock{QDateTime::currentDateTime()};
        return safety::EditLock(*t.demo, clock, {}).holder(id);
    }

    static bool readOnly(viewer::MainWindow& w) {
        return w.doc().gblnReadOnly && w.commandFacts().mode == viewer::DocumentMode::ReadOnly &&
               w.ui().txtReadOnly->isVisible();
    }

    doubles::TestSession t;
    QString record1, record2;
    std::vector<std::unique_ptr<viewer::MainWindow>> windows;
};

// A second session over the same records database: another clerk on another workstation.
struct OtherWorkstation {
    explicit OtherWorkstation(doubles::TestSession& first) {
        s.user->connection = first.db.get();
        s.user->employeeCode = "1002";
        s.user->employeeName = "Cruz, Jose";
        s.system.computer = "RECORDS-PC-2";
        s.signIn();
    }
    doubles::TestSession s;
};

} // namespace

TEST_F(LockWindow, SecondWindowOpensTheRecordReadOnlyNamingTheHolderUntilTheFirstCloses) {
    viewer::MainWindow& first = newWindow(t);
    OtherWorkstation other(t);
    viewer::MainWindow& second = newWindow(other.s);

    openRecord(first, "1", record1);
    EXPECT_FALSE(readOnly(first));
    EXPECT_TRUE(t.prompter.shown.empty());
    ASSERT_TRUE(holder(1));
    EXPECT_EQ(holder(1)->owner.workstation, "WARD-PC-1");

    openRecord(second, "1", record1);
    EXPECT_TRUE(readOnly(second));
    ASSERT_EQ(other.s.prompter.shown.size(), 1u);
    EXPECT_EQ(other.s.prompter.lastText(),
              "Record 1 is being edited by Reyes, Maria Santos (employee 1001) on workstation "
              "WARD-PC-1 " + kHolderSince + ".\r\nIt is opened read-only.");
    EXPECT_EQ(safety::LockCommands::of(second)->heldRecord(), 0);

    // A document that is no filed record takes no lock: a file opened on its own.
    other.s.s().rec = {};
    second.PerformFileOpen(false, record2, 1);
    EXPECT_FALSE(readOnly(second));
    EXPECT_FALSE(holder(2));

    // The first closes: the second gets the record read-write when it opens it again.
    first.mnuFileClose_Click();
    EXPECT_FALSE(holder(1));
    openRecord(second, "1", record1);
    EXPECT_FALSE(readOnly(second));
    EXPECT_EQ(holder(1)->owner.workstation, "RECORDS-PC-2");
    // Opening another record lets go of the first one's lock.
    openRecord(second, "2", record2);
    EXPECT_FALSE(holder(1));
    EXPECT_EQ(holder(2)->owner.employeeId, "1002");
}

// The lock goes whenever the record stops being edited here.
TEST_F(LockWindow, ReleasedAtCloseExitDepartmentChangeAndSignInChange) {
    struct Case {
        const char* name;
        std::function<void(viewer::MainWindow&)> event;
        bool stillShownReadOnly;
    };
    const Case cases[] = {
        {"close", [](viewer::MainWindow& w) { w.mnuFileClose_Click(); }, false},
        {"exit", [](viewer::MainWindow& w) { w.Form_Unload(); }, false},
        {"department change", [](viewer::MainWindow& w) { emit w.departmentChanged(); }, false},
        {"sign-in change", [](viewer::MainWindow& w) { emit w.startupWindowRequested(); }, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        viewer::MainWindow& w = newWindow(t);
        openRecord(w, "1", record1);
        ASSERT_TRUE(holder(1));
        c.event(w);
        EXPECT_FALSE(holder(1));
        EXPECT_EQ(safety::LockCommands::of(w)->heldRecord(), 0);
        if (c.stillShownReadOnly) EXPECT_TRUE(readOnly(w));
        windows.clear();
    }
}

// Two program instances on one machine over one database file: the other instance is a
// process of its own holding the lock.
TEST_F(LockWindow, AnotherProcessHoldingTheLockThenReleasingOrStopping) {
    const QString helper = QCoreApplication::applicationDirPath() + "/safety_lock_helper";
    const QString dbFolder = t.dir.file("db");
    const QString at = t.clock.now().toString("yyyy-MM-dd HH:mm:ss");
    viewer::MainWindow& w = newWindow(t);

    QProcess holding;
    holding.start(helper, {dbFolder, "1", at, "hold"});
    ASSERT_TRUE(holding.waitForReadyRead(20000)) << holding.readAllStandardError().toStdString();
    ASSERT_EQ(holding.readLine().trimmed(), "held");

    openRecord(w, "1", record1);
    EXPECT_TRUE(readOnly(w));
    EXPECT_EQ(t.prompter.lastText(),
              "Record 1 is being edited by Santos, Ana (employee 7777) on workstation NURSES-PC " +
                  kHolderSince + ".\r\nIt is opened read-only.");

    holding.write("release\n");
    ASSERT_TRUE(holding.waitForFinished(20000));
    EXPECT_EQ(holding.exitCode(), 0);
    w.mnuFileClose_Click();
    openRecord(w, "1", record1);
    EXPECT_FALSE(readOnly(w));
    EXPECT_EQ(holder(1)->owner.instanceId, safety::LockCommands::of(w)->instanceId());

    // A holder that stopped without letting go: read-only until its lock is 10 minutes old,
    // then taken over, and the user is told whose it was.
    QProcess crashed;
    crashed.start(helper, {dbFolder, "2", at, "crash"});
    ASSERT_TRUE(crashed.waitForFinished(20000));
    ASSERT_EQ(crashed.readAllStandardOutput().trimmed(), "held");
    t.clock.set(t.clock.now().addSecs(9 * 60));
    t.prompter.shown.clear();
    openRecord(w, "2", record2);
    EXPECT_TRUE(readOnly(w));
    EXPECT_TRUE(t.prompter.lastText().startsWith("Record 2 is being edited by Santos, Ana"));
    t.clock.set(t.clock.now().addSecs(60));
    w.mnuFileClose_Click();
    openRecord(w, "2", record2);
    EXPECT_FALSE(readOnly(w));
    EXPECT_EQ(t.prompter.lastText(),
              "Record 2 was locked by Santos, Ana (employee 7777) on workstation NURSES-PC " +
                  kHolderSince +
                  ", but that lock was last confirmed at 11/25/2008 2:05 PM, more than 10 "
                  "minutes ago (the workstation may have stopped).\r\nThe lock is now yours.");
    EXPECT_EQ(holder(2)->owner.employeeName, "Reyes, Maria Santos");
}

TEST_F(LockWindow, AdministratorReleasesAStuckLockFromTheMaintenanceMenu) {
    OtherWorkstation other(t);
    viewer::MainWindow& first = newWindow(other.s);
    openRecord(first, "1", record1);
    viewer::MainWindow& w = newWindow(t);
    openRecord(w, "1", record1);
    ASSERT_TRUE(readOnly(w));
    auto* item = w.findChild<QAction*>("mReleaseRecordLock");
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->text(), "Release Record Lock...");

    // Without settings rights nothing is asked and the lock stays.
    t.user->settingsAnswer = false;
    t.prompter.shown.clear();
    item->trigger();
    EXPECT_TRUE(t.prompter.shown.empty());
    EXPECT_TRUE(holder(1));

    // "No" keeps it; "Yes" removes it.
    t.user->settingsAnswer = true;
    t.prompter.answers = {app::mb::No, app::mb::Yes};
    item->trigger();
    EXPECT_TRUE(t.prompter.lastText().startsWith(
        "Release the lock of record 1, held by Cruz, Jose (employee 1002) on workstation "
        "RECORDS-PC-2 " + kHolderSince + "?"));
    EXPECT_TRUE(holder(1));
    item->trigger();
    EXPECT_FALSE(holder(1));
    EXPECT_EQ(t.prompter.lastText(),
              "The lock of record 1 is released. Open the record again to edit it.");
    w.mnuFileClose_Click();
    openRecord(w, "1", record1);
    EXPECT_FALSE(readOnly(w));

    // The first window learns at its next confirmation that the lock is no longer its own.
    auto* firstLock = safety::LockCommands::of(first);
    ASSERT_TRUE(firstLock->refreshNow());
    QTRY_VERIFY_WITH_TIMEOUT(!firstLock->refreshRunning(), 10000);
    EXPECT_EQ(firstLock->heldRecord(), 0);
    EXPECT_TRUE(other.s.prompter.lastText().startsWith(
        "The lock of record 1 was released from another workstation."));
    EXPECT_EQ(holder(1)->owner.employeeId, "1001");
}

// The confirmation runs as a background job: while the database does not answer the window
// goes on; a failure is logged and the next confirmation tries again.
TEST_F(LockWindow, AConfirmationThatHangsThenFailsLeavesTheWindowWorking) {
    viewer::MainWindow& w = newWindow(t);
    openRecord(w, "1", record1);
    auto* lock = safety::LockCommands::of(w);
    ASSERT_EQ(lock->heldRecord(), 1);

    auto gate = std::make_shared<QSemaphore>(0);
    t.db->failWhen = [gate](const QString& text) {
        if (!text.contains("SET refreshed")) return false;
        gate->acquire(); // the database is gone and the statement waits
        return true;
    };
    ASSERT_TRUE(lock->refreshNow());
    EXPECT_FALSE(lock->refreshNow()); // one at a time
    bool ticked = false;
    QTimer::singleShot(50, &w, [&] { ticked = true; });
    QTRY_VERIFY_WITH_TIMEOUT(ticked, 5000);
    EXPECT_TRUE(lock->refreshRunning());
    // No document job: the document's commands stay available while it waits.
    EXPECT_FALSE(w.jobs().documentBusy());

    gate->release();
    QTRY_VERIFY_WITH_TIMEOUT(!lock->refreshRunning(), 10000);
    ASSERT_FALSE(t.log.lines.empty());
    EXPECT_TRUE(t.log.lines.back().startsWith("The lock of record 1 could not be confirmed: "));
    EXPECT_EQ(lock->heldRecord(), 1);

    // The database is back: the next confirmation moves the lock's time on.
    t.db->failWhen = {};
    t.clock.set(t.clock.now().addSecs(60));
    ASSERT_TRUE(lock->refreshNow());
    QTRY_VERIFY_WITH_TIMEOUT(!lock->refreshRunning(), 10000);
    EXPECT_EQ(holder(1)->refreshed, t.clock.now());
    EXPECT_EQ(lock->heldRecord(), 1);
}

// A records database from before the edit lock: records open read-write as before (the log
// says why there is no lock) until "Update Database" adds the lock table.
TEST_F(LockWindow, ADatabaseWithoutTheLockTableGetsItFromUpdateDatabase) {
    {
        db::SqliteSession file(db::SqliteConnection::databaseFile(t.dir.file("db"), "dbRecords"));
        file.runScript("DROP TABLE tblRecLocks;");
    }
    t.demo = std::make_unique<db::SqliteConnection>(t.dir.file("db"));
    t.db = std::make_unique<doubles::RecordingConnection>(t.demo.get());
    t.user->connection = t.db.get();
    viewer::MainWindow& w = newWindow(t);
    openRecord(w, "1", record1);
    EXPECT_FALSE(readOnly(w));
    EXPECT_TRUE(t.prompter.shown.empty());
    EXPECT_EQ(t.log.lines.back(),
              "Record 1 is opened without an edit lock: the records database has no lock table "
              "(Maintenance, Update Database adds it).");
    w.mnuFileClose_Click();

    app::UpdateDatabase(t.s());
    EXPECT_EQ(t.prompter.lastText(), "Done.");
    openRecord(w, "1", record1);
    EXPECT_FALSE(readOnly(w));
    ASSERT_TRUE(holder(1));
    EXPECT_EQ(holder(1)->owner.instanceId, safety::LockCommands::of(w)->instanceId());
    OtherWorkstation other(t);
    viewer::MainWindow& second = newWindow(other.s);
    openRecord(second, "1", record1);
    EXPECT_TRUE(readOnly(second));
}
