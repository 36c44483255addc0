// The automatic lock: after the idle time every patient datum and page is hidden, other
// windows too; the signed-in user's password brings everything back as it was, unsaved edits
// included; another user may sign in once the document is closed with its save question.
#include "ViewerFixture.h"

#include "viewer/IdleLock.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>

using namespace viewertest;

namespace {

class IdleLockTest : public ViewerFixture {
protected:
    viewer::IdleLock& lock() { return *w->idleLock(); }
    QWidget* panel() const { return w->findChild<QWidget*>("frmLocked"); }
    void type(const QString& password) {
        panel()->findChild<QLineEdit*>("txtPassword")->setText(password);
        panel()->findChild<QPushButton*>("cmdUnlock")->click();
    }
    void idleFor(int seconds) {
        t.clock.set(t.clock.now().addSecs(seconds));
        lock().checkIdle();
    }
};

} // namespace

TEST_F(IdleLockTest, HidesEverythingUntilThePasswordAndKeepsUnsavedEdits) {
    load();
    w->show();
    const QString file = makeDocument("chart.tif", 2);
    open(file);
    ui().txtLastname->setText("Garcia");
    ui().mnuPageRotatePageItem[0]->trigger(); // an edit not yet saved
    settle();
    ASSERT_TRUE(edit().imageModified());
    QWidget search; // another window of the program, showing patients
    search.setObjectName("frmRecords");
    search.show();
    const QString title = w->windowTitle();

    idleFor(14 * 60 + 59); // the default is a quarter of an hour
    EXPECT_FALSE(lock().locked());
    idleFor(1);
    ASSERT_TRUE(lock().locked());
    EXPECT_FALSE(w->centralWidget()->isVisible()); // record panel and pages
    EXPECT_TRUE(panel()->isVisible());
    EXPECT_FALSE(search.isVisible());
    EXPECT_FALSE(w->windowTitle().contains(title));
    EXPECT_TRUE(panel()->findChild<QLabel*>("lblLocked")->text().contains("(employee 1001)"));

    type("wrong");
    EXPECT_TRUE(lock().locked());
    EXPECT_EQ(panel()->findChild<QLabel*>("lblMessage")->text(), "The password is not correct.");
    type("records");
    EXPECT_FALSE(lock().locked());
    EXPECT_TRUE(w->centralWidget()->isVisible());
    EXPECT_FALSE(panel()->isVisible());
    EXPECT_TRUE(search.isVisible());
    EXPECT_EQ(w->windowTitle(), title);
    EXPECT_EQ(edit().image(), file);
    EXPECT_TRUE(edit().imageModified()); // the edit is still there, still unsaved
    EXPECT_EQ(ui().txtLastname->text(), "Garcia");

    // Input restarts the idle time.
    t.clock.set(t.clock.now().addSecs(10 * 60));
    QKeyEvent key(QEvent::KeyPress, Qt::Key_Shift, Qt::NoModifier);
    QApplication::sendEvent(w.get(), &key);
    idleFor(10 * 60);
    EXPECT_FALSE(lock().locked());
}

TEST_F(IdleLockTest, AnotherUserSignsInAfterTheSaveQuestionAndACancelStaysLocked) {
    load();
    w->show();
    const QString file = makeDocument("chart.tif", 2);
    open(file);
    ui().mnuPageRotatePageItem[0]->trigger();
    settle();
    QSignalSpy startup(w.get(), &viewer::MainWindow::startupWindowRequested);
    QWidget search;
    search.setObjectName("frmRecords");
    search.show();
    idleFor(15 * 60);
    ASSERT_TRUE(lock().locked());

    auto other = [&](int answer) {
        t.prompter.shown.clear();
        t.prompter.answers.push_back(answer);
        panel()->findChild<QPushButton*>("cmdSignInOther")->click();
        settle();
    };
    other(app::mb::Cancel);
    EXPECT_EQ(t.prompter.shown.size(), 1u); // the save question
    EXPECT_TRUE(lock().locked());
    EXPECT_TRUE(edit().imageModified());
    EXPECT_EQ(startup.count(), 0);

    other(app::mb::No);
    EXPECT_FALSE(lock().locked());
    EXPECT_TRUE(w->doc().NoDocument);
    EXPECT_EQ(startup.count(), 1);
    EXPECT_FALSE(search.isVisible()); // the last user's windows are not shown to the next
    EXPECT_EQ(labelsOnDisk(file), (std::vector<int>{1, 2})); // No: the file as it was
}

TEST_F(IdleLockTest, ASettingOfZeroTurnsTheLockOff) {
    t.settings.write(app::kAppPrefs, "Security", "IdleLockMinutes", "0");
    load();
    idleFor(24 * 60 * 60);
    EXPECT_FALSE(lock().locked());
    t.settings.write(app::kAppPrefs, "Security", "IdleLockMinutes", "2");
    idleFor(2 * 60);
    EXPECT_TRUE(lock().locked());
}
