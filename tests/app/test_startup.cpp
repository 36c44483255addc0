#include "app/StartupWindow.h"
#include "doubles/RecordingConnection.h"
#include "doubles/TestSession.h"

#include <QLineEdit>
#include <QRadioButton>
#include <QSignalSpy>
#include <gtest/gtest.h>

using namespace app;

namespace {

struct FakeHost : MainWindowHost {
    void showMainWindow() override {
        ++shown;
        loaded = true;
    }
    bool mainWindowLoaded() const override { return loaded; }
    int shown = 0;
    bool loaded = false;
};

struct Startup : ::testing::Test {
    doubles::TestSession t;
    doubles::RecordingConnection connection;
    FakeHost host;
    QPointer<StartupWindow> w;

    void SetUp() override { t.user->connection = &connection; }
    void TearDown() override { delete w.data(); }

    StartupWindow& load() {
        w = new StartupWindow(t.s(), host);
        w->setAttribute(Qt::WA_DeleteOnClose, false);
        w->Form_Load();
        return *w;
    }
    QRadioButton* option(const char* name) { return w->findChild<QRadioButton*>(name); }
    QString stored(const QString& key) { return t.settings.read(kAppMain, "MAIN", key, "<none>"); }
};

} // namespace

TEST_F(Startup, FirstRunChoosesMedicalRecordsStoresItAndSignsInAtOnce) {
    load();
    EXPECT_EQ(stored("StartupType"), "0");
    EXPECT_TRUE(option("optMedRec")->isChecked());
    EXPECT_TRUE(option("optMedRec")->font().bold());
    EXPECT_FALSE(option("optNurse")->font().bold());
    EXPECT_EQ(t.user->deptCode, "19");
    EXPECT_TRUE(t.s().gblnAdmin);
    EXPECT_EQ(t.user->showMainCalls, 1);
    EXPECT_EQ(connection.commandTimeout(), 120);
    EXPECT_EQ(connection.cursorLocation(), 3);
    EXPECT_EQ(host.shown, 1);
}

TEST_F(Startup, NurseAccessSignsInForNursingWithoutAdministration) {
    t.settings.write(kAppMain, "MAIN", "StartupType", "1");
    t.s().gblnAdmin = true;
    load();
    EXPECT_EQ(t.user->deptCode, "16");
    EXPECT_FALSE(t.s().gblnAdmin);
    EXPECT_TRUE(option("optNurse")->font().bold());
    EXPECT_FALSE(option("optMedRec")->font().bold());
    EXPECT_EQ(host.shown, 1);
}

TEST_F(Startup, OtherDepartmentWithoutAnIdAsksForItAndDoesNotSignIn) {
    t.settings.write(kAppMain, "MAIN", "StartupType", "2");
    load();
    EXPECT_EQ(t.prompter.texts(), std::vector<QString>{"Enter DepartmentID."});
    EXPECT_EQ(t.prompter.shown[0].buttons, mb::OKOnly);
    EXPECT_EQ(t.user->showMainCalls, 0);
    EXPECT_EQ(host.shown, 0);

    // Typing an id and pressing Start signs in for that department; leaving the box stores it.
    auto* id = w->findChild<QLineEdit*>("txtDepartmentID");
    id->setText("HRD");
    w->txtDepartmentID_LostFocus();
    EXPECT_EQ(stored("DepartmentID"), "HRD");
    w->cmdStart_Click();
    EXPECT_EQ(t.user->deptCode, "HRD");
    EXPECT_FALSE(t.s().gblnAdmin);
    EXPECT_EQ(host.shown, 1);
}

TEST_F(Startup, AnUnknownStoredTypeSelectsNothingYetStillSignsIn) {
    t.settings.write(kAppMain, "MAIN", "StartupType", "7");
    load();
    EXPECT_FALSE(option("optMedRec")->isChecked());
    EXPECT_FALSE(option("optNurse")->isChecked());
    EXPECT_FALSE(option("optHR")->isChecked());
    EXPECT_EQ(t.user->deptCode, "");
    EXPECT_FALSE(t.s().gblnAdmin);
    EXPECT_EQ(t.user->showMainCalls, 1);
    EXPECT_EQ(stored("StartupType"), "7");
}

TEST_F(Startup, StoredTypesAreReadByTheirLeadingDigits) {
    t.settings.write(kAppMain, "MAIN", "StartupType", "1abc");
    load();
    EXPECT_EQ(t.s().gintStartupType, 1);
    EXPECT_EQ(stored("StartupType"), "1");
}

TEST_F(Startup, NotConnectedLeavesTheStartupWindowWaiting) {
    t.user->connectOnShowMain = false;
    load();
    EXPECT_EQ(host.shown, 0);
    EXPECT_TRUE(w->isVisible());
    // Choosing another option stores it for the next start and Start tries again.
    option("optNurse")->click();
    EXPECT_EQ(stored("StartupType"), "1");
    t.user->connectOnShowMain = true;
    w->cmdStart_Click();
    EXPECT_EQ(t.user->showMainCalls, 2);
    EXPECT_EQ(host.shown, 1);
}

TEST_F(Startup, ShownAgainItKeepsTheSignedInUserUntilTheNewSignInConnects) {
    t.signIn(); // the user of the running main window, without scanning access
    t.s().gblnAdmin = false;
    auto next = std::make_shared<doubles::FakeCurrentUser>();
    next->connectOnShowMain = false;
    next->connection = &connection;
    t.components.makeUser = [next] { return next; };
    load(); // the empty type chooses medical records, whose sign-in is cancelled
    EXPECT_EQ(next->showMainCalls, 1);
    EXPECT_EQ(t.s().gobjCurrentUser, t.user);
    EXPECT_FALSE(t.s().gblnAdmin);
    EXPECT_EQ(host.shown, 0);

    next->connectOnShowMain = true;
    w->cmdStart_Click();
    EXPECT_EQ(t.s().gobjCurrentUser, next);
    EXPECT_TRUE(t.s().gblnAdmin);
    EXPECT_EQ(host.shown, 1);
}

TEST_F(Startup, AMissingSignInComponentEndsTheProgramWithAMessage) {
    t.components.failCurrentUser = true;
    w = new StartupWindow(t.s(), host);
    w->setAttribute(Qt::WA_DeleteOnClose, false);
    QSignalSpy quit(w.data(), &StartupWindow::quitRequested);
    EXPECT_FALSE(w->Form_Load());
    ASSERT_EQ(t.prompter.shown.size(), 1u);
    EXPECT_TRUE(t.prompter.lastText().contains("Talvor_User.clsCurrentUser"));
    EXPECT_TRUE(t.prompter.lastText().contains("Class not registered"));
    EXPECT_EQ(quit.count(), 1);
}

TEST_F(Startup, ClosingWithoutAMainWindowEndsTheProgram) {
    t.user->connectOnShowMain = false;
    load();
    QSignalSpy quit(w.data(), &StartupWindow::quitRequested);
    w->cmdClose_Click();
    EXPECT_EQ(quit.count(), 1);
}
