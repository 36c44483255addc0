// The demo users of the README: each one's first sign-in on a fresh embedded database
// lands in the department the README gives, without being asked to pick one.
#include "app/SignIn.h"
#include "app/TalvorUser.h"
#include "db/SqliteConnection.h"
#include "doubles/ScriptedCredentials.h"
#include "doubles/TestSession.h"
#include "support/TempDir.h"
#include "viewer/MainWindow.h"
#include "viewer/MainWindowUi.h"

#include <QComboBox>
#include <QFile>
#include <gtest/gtest.h>

namespace {

struct DemoUser {
    QString id, password, department;
};

// The rows of the README's table of demo users.
std::vector<DemoUser> readmeDemoUsers() {
    QFile f(testsupport::sourceDir() + "/README.md");
    if (!f.open(QIODevice::ReadOnly)) return {};
    std::vector<DemoUser> users;
    bool inTable = false;
    for (const QString& line : QString::fromUtf8(f.readAll()).split('\n')) {
        if (line.startsWith("| Employee ID | Password |")) {
            inTable = true;
            continue;
        }
        if (!inTable) continue;
        if (!line.startsWith('|')) break;
        const QStringList cells = line.split('|');
        if (cells.size() < 6 || cells[1].trimmed().startsWith("---")) continue;
        users.push_back({cells[1].trimmed(), cells[2].trimmed(), cells[4].trimmed()});
    }
    return users;
}

} // namespace

TEST(DemoUsers, EachFirstSignInLandsInTheReadmesDepartment) {
    const std::vector<DemoUser> users = readmeDemoUsers();
    ASSERT_EQ(users.size(), 5u) << "the README's table of demo users was not found";
    for (const DemoUser& u : users) {
        SCOPED_TRACE(u.id.toStdString());
        doubles::TestSession t; // a fresh embedded database, no department saved yet
        t.useDemoDatabase();
        doubles::ScriptedCredentialsPrompt credentials;
        credentials.answers.push_back(app::Credentials{u.id, u.password});
        app::TalvorUserConfig c;
        const QString folder = t.dir.file("db");
        c.openConnection = [folder](const QString&, const QString&) {
            return std::make_unique<db::SqliteConnection>(folder);
        };
        c.credentials = &credentials;
        c.prompter = &t.prompter;
        c.settings = &t.settings;
        c.passwordCost = db::PasswordCost::cheapForTests();
        auto user = std::make_shared<app::TalvorUser>(c);
        // The start-up window's department code: 19 medical records, 16 nurses, else the id.
        user->setPasswordDeptCode(u.department);
        user->ShowMain();
        ASSERT_TRUE(user->Connected()) << qPrintable(t.prompter.lastText());
        t.s().gobjCurrentUser = user;
        t.s().gblnAdmin = u.department == "19";

        viewer::MainWindow w(t.s());
        w.Form_Load();
        for (const QString& text : t.prompter.texts())
            EXPECT_NE(text, "User has no default department, select in UserManager.");
        // The medical-records department (19) is kept as the empty id.
        EXPECT_EQ(t.s().gstrDepartmentID, u.department == "19" ? QString() : u.department);
        EXPECT_NE(w.ui().cboDept->currentIndex(), -1);
    }
}
