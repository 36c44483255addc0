// "Change Program Access Type" in the whole program, on the embedded demo database: the
// start-up window shown again, its sign-in cancelled, and the window asked for once more.
#include "app/CurrentUser.h"
#include "app/Session.h"
#include "doubles/ScriptedCredentials.h"
#include "doubles/ScriptedPrompter.h"
#include "main/Program.h"
#include "viewer/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

int openStartupWindows() {
    int n = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == "frmSplash" && w->isVisible()) ++n;
    return n;
}

} // namespace

TEST(ChangeAccessType, ACancelledSignInKeepsTheUserAndTheOpenWindowIsShownAgain) {
    QTemporaryDir scratch;
    const program::Folders folders{scratch.filePath("config"), scratch.filePath("data")};
    doubles::ScriptedCredentialsPrompt credentials;
    credentials.answers.push_back(app::Credentials{"1001", "records"}); // the first sign-in
    credentials.answers.push_back(app::Credentials{"9001", "admin"});   // the settings check
    credentials.answers.push_back(std::nullopt); // the sign-in shown again: Cancel
    doubles::ScriptedPrompter prompter;
    program::Program p(folders, &credentials, &prompter);
    ASSERT_TRUE(p.start());
    QApplication::processEvents();
    viewer::MainWindow* w = p.mainWindow();
    ASSERT_NE(w, nullptr);
    app::Session& s = p.session();
    ASSERT_EQ(s.gobjCurrentUser->EmployeeCode(), "1001");
    EXPECT_EQ(openStartupWindows(), 0);

    w->ui().mChangeType->trigger();
    QApplication::processEvents();
    ASSERT_EQ(credentials.asked.size(), 3u);
    EXPECT_EQ(openStartupWindows(), 1);
    // Still signed in as before, with the same rights and connection.
    EXPECT_EQ(s.gobjCurrentUser->EmployeeCode(), "1001");
    EXPECT_EQ(s.gobjCurrentUser->UserRights(), "ASV");
    EXPECT_TRUE(s.gobjCurrentUser->Connected());
    ASSERT_NE(s.gobjCurrentUser->sqlconnection(), nullptr);
    prompter.shown.clear();
    w->ui().mUpdateDatabase->trigger();
    EXPECT_EQ(prompter.lastText(), "Done.");

    // Asked again while the start-up window waits: that one comes forward, no new sign-in.
    w->ui().mChangeType->trigger();
    QApplication::processEvents();
    EXPECT_EQ(openStartupWindows(), 1);
    EXPECT_EQ(credentials.asked.size(), 3u);
}
