#include "app/Settings.h"
#include "doubles/TestSession.h"
#include "storage/LocationTools.h"
#include "viewer/MainWindow.h"
#include "viewer/SessionCommands.h"

#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

using namespace viewer;
using app::kAppMain;
using app::kAppPrefs;

namespace {

struct Session : ::testing::Test {
    doubles::TestSession t;
    std::unique_ptr<MainWindow> w;
    QString share;

    void SetUp() override {
        t.useDemoDatabase();
        share = t.dir.file("share");
        QDir().mkpath(share);
        t.settings.write(kAppPrefs, "Shares", "\\\\fs\\recfiles", share);
        t.settings.write(kAppPrefs, "General Preferences", "Default Directory", "\\\\fs\\recfiles");
        t.settings.write(kAppMain, "MAIN", "cboDept 9001", "MEDICAL RECORDS");
        t.signIn();
    }
    MainWindow& load(const QString& employee, bool admin = true) {
        t.user->employeeCode = employee;
        t.s().gblnAdmin = admin;
        w = std::make_unique<MainWindow>(t.s());
        w->Form_Load();
        return *w;
    }
    SessionCommands& cmds() { return w->sessionCommands(); }
    QComboBox* dept() { return w->ui().cboDept; }
    QAction* action(const QString& n) { return w->findChild<QAction*>(n); }
};

} // namespace

TEST_F(Session, AMedicalRecordsClerkGetsTheRecordsDepartmentAndTheRootItself) {
    load("9001");
    EXPECT_EQ(dept()->count(), 1);
    EXPECT_EQ(dept()->currentText(), "MEDICAL RECORDS");
    EXPECT_EQ(t.s().gstrDepartmentID, "");
    EXPECT_EQ(w->ui().fraDept->title(), "Department : ");
    EXPECT_FALSE(w->ui().fraPinfo->isHidden());
    EXPECT_EQ(t.s().gstrDefaultDirectory, "\\\\fs\\recfiles");
    EXPECT_EQ(w->CurrentFolder, "\\\\fs\\recfiles");
    EXPECT_EQ(t.settings.read(kAppMain, "MAIN", "cboDept 9001"), "MEDICAL RECORDS");
    EXPECT_TRUE(t.prompter.shown.empty());
}

TEST_F(Session, TheSavedDepartmentIsChosenAndGivesItsFolder) {
    t.settings.write(kAppMain, "MAIN", "cboDept 1001", "HUMAN RESOURCES");
    load("1001");
    EXPECT_EQ(dept()->count(), 2);
    EXPECT_EQ(dept()->currentText(), "HUMAN RESOURCES");
    EXPECT_EQ(t.s().gstrDepartmentID, "HRD");
    EXPECT_EQ(w->ui().fraDept->title(), "Department : HRD");
    EXPECT_TRUE(w->ui().fraPinfo->isHidden());
    EXPECT_EQ(t.s().gstrDefaultDirectory, "\\\\fs\\recfiles\\HRD");
    // Statements as the department load sends them.
    EXPECT_EQ(t.db->statements[0],
              "select  department from  Password..tbPasswordWoms  where EmployeeID = '1001'");
    EXPECT_TRUE(t.db->statements[1].startsWith("select m.DepartmentID,department from password..tbPasswordMain M"));
}

TEST_F(Session, WithoutAMatchNothingIsChosenAndTheUserIsTold) {
    t.db->execute("DELETE FROM Password..tbPasswordWoms WHERE EmployeeID = '1001'");
    t.settings.write(kAppMain, "MAIN", "cboDept 1001", "GONE");
    load("1001");
    EXPECT_EQ(dept()->currentIndex(), -1);
    EXPECT_EQ(t.s().gstrDepartmentID, "...");
    EXPECT_EQ(w->ui().fraDept->title(), "Department : ...");
    EXPECT_EQ(t.prompter.lastText(), "User has no default department, select in UserManager.");
    // The user can still pick one.
    dept()->setCurrentIndex(1);
    cmds().cboDept_Click();
    EXPECT_EQ(t.s().gstrDepartmentID, "HRD");
    EXPECT_EQ(t.settings.read(kAppMain, "MAIN", "cboDept 1001"), "HUMAN RESOURCES");
}

TEST_F(Session, WithNeitherASavedNameNorASecondAssignmentTheUserChooses) {
    t.db->execute("DELETE FROM Password..tbPasswordWoms WHERE EmployeeID = '1001'");
    load("1001");
    EXPECT_EQ(dept()->count(), 2);
    EXPECT_EQ(dept()->currentIndex(), -1);
    EXPECT_EQ(t.prompter.lastText(), "User has no default department, select in UserManager.");
}

TEST_F(Session, TheSecondAssignmentIsTheFallback) {
    // 1001 is in MEDICAL RECORDS and HUMAN RESOURCES; with the second assignment moved to
    // the latter, it is chosen when the saved name matches nothing.
    t.db->execute("UPDATE Password..tbPasswordWoms SET department = 'HUMAN RESOURCES' "
                  "WHERE EmployeeID = '1001'");
    t.settings.write(kAppMain, "MAIN", "cboDept 1001", "NO SUCH");
    load("1001");
    EXPECT_EQ(dept()->currentText(), "HUMAN RESOURCES");
    EXPECT_EQ(t.s().gstrDepartmentID, "HRD");
}

TEST_F(Session, TraceModeWritesTheThreeFolderLines) {
    load("1001");
    action("mTraceMode")->trigger();
    EXPECT_TRUE(action("mTraceMode")->isChecked());
    dept()->setCurrentIndex(1);
    cmds().cboDept_Click();
    ASSERT_EQ(t.log.lines.size(), 3u);
    EXPECT_EQ(t.log.lines[0], "SubDir HRD");
    EXPECT_EQ(t.log.lines[1], "gstrDefaultDirectoryD \\\\fs\\recfiles");
    EXPECT_EQ(t.log.lines[2], "gstrDefaultDirectory \\\\fs\\recfiles\\HRD");
    action("mTraceMode")->trigger();
    EXPECT_FALSE(action("mTraceMode")->isChecked());
}

TEST_F(Session, ChoosingADepartmentTellsOtherWindowsOnceTheNewOneIsInPlace) {
    load("1001");
    // What a window of the old department sees when it is told to rebuild.
    QStringList seen;
    QObject::connect(w.get(), &MainWindow::departmentChanged, [&] {
        seen << t.s().gstrDepartmentID + "|" + t.s().gstrDefaultDirectory;
    });
    dept()->setCurrentIndex(1);
    cmds().cboDept_Click();
    EXPECT_EQ(seen, QStringList{"HRD|\\\\fs\\recfiles\\HRD"});
}

TEST_F(Session, AdminModeGrantsAccessTheMomentTheCodeIsComplete) {
    load("2001", /*admin=*/false);
    EXPECT_FALSE(action("mnuFileNew")->isVisible());
    action("mAdmin")->trigger();
    EXPECT_FALSE(w->ui().fraAdminMode->isHidden());
    QLineEdit* pw = w->ui().txtAdminPW;
    QTest::keyClicks(pw, "82");
    EXPECT_FALSE(t.s().gblnAdmin);
    QTest::keyClicks(pw, "7");
    EXPECT_TRUE(t.s().gblnAdmin);
    EXPECT_TRUE(w->ui().fraAdminMode->isHidden());
    EXPECT_TRUE(action("mnuFileNew")->isVisible());
    QTest::keyClicks(pw, "9"); // typing on does not take it away
    EXPECT_TRUE(t.s().gblnAdmin);
    EXPECT_EQ(w->windowTitle(), "TALVOR Docuvane v8.0.78 - Standard User"); // until rebuilt

    action("mAdmin")->trigger();
    w->ui().cmdCancelAdmin->click();
    EXPECT_FALSE(t.s().gblnAdmin);
    EXPECT_FALSE(action("mnuFileNew")->isVisible());
}

TEST_F(Session, TheSettingsGateAsksUntilItIsAnsweredYes) {
    load("9001");
    QSignalSpy again(w.get(), &MainWindow::startupWindowRequested);
    t.user->settingsAnswer = false;
    action("mChangeType")->trigger();
    EXPECT_EQ(again.count(), 0);
    EXPECT_EQ(t.settings.read(kAppMain, "MAIN", "StartupType", "<none>"), "<none>");
    t.user->settingsAnswer = true;
    action("mChangeType")->trigger();
    EXPECT_EQ(again.count(), 1);
    EXPECT_EQ(t.settings.read(kAppMain, "MAIN", "StartupType", "<none>"), "");
    action("mOpenLocation")->trigger();
    EXPECT_EQ(t.user->checkSettingsCalls, 2); // asked once more, then never again
    EXPECT_EQ(t.shell.commands.back(), "explorer \\\\fs\\recfiles");
    EXPECT_EQ(t.log.lines.back(), "\\\\fs\\recfiles");
}

TEST_F(Session, UpdateDatabaseLogsEveryChangeAlreadyMadeAndSaysDone) {
    load("9001");
    t.log.lines.clear();
    action("mUpdateDatabase")->trigger();
    EXPECT_EQ(t.prompter.lastText(), "Done.");
    // The demo database is up to date: the indexes, the added columns, the record lock
    // table and the access history's table and three indexes exist already.
    EXPECT_EQ(t.log.lines.size(), 10u);
    EXPECT_EQ(t.db->currentDatabase().toLower(), "dbrecords");
    const size_t n = t.log.lines.size();
    action("mUpdateDatabase")->trigger();
    EXPECT_EQ(t.log.lines.size(), 2 * n);
}

TEST_F(Session, UpdateModuleAsksANewComponentInstance) {
    load("9001");
    const size_t before = t.components.created.size();
    action("mUpdateModule")->trigger();
    EXPECT_EQ(t.components.created.size(), before + 1);
    ASSERT_EQ(t.user->updates.size(), 1u);
    EXPECT_TRUE(t.user->updates[0].endsWith("|Docuvane|Docuvane.exe|True"));
}

TEST_F(Session, TestWriteWritesADatedFileAndShowsIt) {
    load("9001");
    action("mTestWrite")->trigger();
    const QString file = share + "/test write20081125.txt";
    ASSERT_TRUE(QFile::exists(file));
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(QString::fromUtf8(f.readAll()).trimmed().endsWith(" OK."));
    EXPECT_EQ(t.shell.commands.back(), "explorer.exe \\\\fs\\recfiles\\test write20081125.txt");
    EXPECT_EQ(t.shell.styles.back(), 2);
    EXPECT_EQ(t.prompter.lastText(), "Done.");
}

TEST_F(Session, TestWriteOnAnUnreachableRootShowsWhyAndCreatesTheFolder) {
    load("9001");
    t.s().gstrDefaultDirectory = "\\\\fs\\recfiles\\NEWDEPT";
    action("mTestWrite")->trigger();
    // The failure's own description in a plain box, never "Done.", and no file shown.
    ASSERT_EQ(t.prompter.shown.size(), 1u);
    EXPECT_FALSE(t.prompter.lastText().trimmed().isEmpty());
    EXPECT_NE(t.prompter.lastText(), "Done.");
    EXPECT_EQ(t.prompter.shown.back().icon, app::mb::NoIcon);
    EXPECT_FALSE(QFile::exists(share + "/NEWDEPT/test write20081125.txt"));
    EXPECT_TRUE(t.shell.commands.empty());
    EXPECT_TRUE(QDir(share + "/NEWDEPT").exists());
}

TEST_F(Session, FileLocationRefusesAnEmptyLocationAndStoresAGoodOne) {
    load("1001");
    t.s().gstrDeptFolder = "HRD";
    storage::FileLocationDialog d(t.s());
    d.setAttribute(Qt::WA_DeleteOnClose, false);
    auto* loc = d.findChild<QLineEdit*>("txtFileLocation");
    EXPECT_EQ(loc->text(), "\\\\fs\\recfiles");
    EXPECT_EQ(d.findChild<QLineEdit*>("txtUSERID")->text(), "mrdshare");
    loc->clear();
    d.cmdOK_Click();
    EXPECT_EQ(t.prompter.lastText(), "Please enter the Location where the Files will be stored!");
    EXPECT_EQ(t.prompter.shown.back().icon, app::mb::Critical);
    EXPECT_EQ(t.settings.read(kAppPrefs, "General Preferences", "Default Directory"), "\\\\fs\\recfiles");

    loc->setText("\\\\fs2\\records");
    d.findChild<QLineEdit*>("txtUSERID")->setText("scanner");
    d.cmdNetUse_Click();
    EXPECT_EQ(t.shell.commands.back(), "net use  \\\\fs2\\records /user:scanner mrdshare");
    d.cmdOK_Click();
    EXPECT_EQ(t.s().gstrDefaultDirectoryD, "\\\\fs2\\records");
    EXPECT_EQ(t.s().gstrDefaultDirectory, "\\\\fs2\\records\\HRD");
    EXPECT_EQ(t.settings.read(kAppPrefs, "General Preferences", "Default Directory"), "\\\\fs2\\records");
    EXPECT_EQ(t.prompter.lastText(), "File Location updated successfully!");
    EXPECT_EQ(t.settings.read(kAppPrefs, "Server", "txtUSERID"), "scanner");
}

TEST_F(Session, ConnectRunsTheShareCommandWithoutShowingTheDialog) {
    load("1001");
    t.settings.write(kAppPrefs, "Server", "txtUSERID", "u1");
    t.settings.write(kAppPrefs, "Server", "txtPW", "p w");
    action("mConnect")->trigger();
    EXPECT_EQ(t.shell.commands.back(), "net use  \\\\fs\\recfiles /user:u1 p w");
    EXPECT_EQ(w->findChild<storage::FileLocationDialog*>(), nullptr);
}
