#include "app/Prompter.h"
#include "app/Settings.h"
#include "app/SignIn.h"
#include "app/SignInThrottle.h"
#include "app/TalvorUser.h"
#include "db/EmbeddedDatabase.h"
#include "records/CurrentUserStatements.h"
#include "db/ServerConfig.h"
#include "db/SqliteConnection.h"
#include "doubles/FixedClock.h"
#include "doubles/MemorySettingsStore.h"
#include "doubles/ScriptedCredentials.h"
#include "doubles/ScriptedPasswordChange.h"
#include "doubles/ScriptedPrompter.h"
#include "doubles/ScriptedTdsServer.h"
#include "support/TempDir.h"

#include <QFile>
#include <algorithm>
#include <map>
#include <gtest/gtest.h>

using namespace app;

namespace {

// The embedded demo database, created once for these tests with cheap password hashes.
struct SignIn : ::testing::Test {
    static testsupport::TempDir* dir;
    static void SetUpTestSuite() {
        dir = new testsupport::TempDir;
        db::EmbeddedDatabase::Options o;
        o.passwordCost = db::PasswordCost::cheapForTests();
        db::EmbeddedDatabase::ensure(dir->path(), o);
    }
    static void TearDownTestSuite() { delete dir; }

    doubles::ScriptedCredentialsPrompt credentials;
    doubles::ScriptedPasswordChange passwordChange;
    doubles::ScriptedPrompter prompter;
    doubles::MemorySettingsStore settings;
    doubles::FixedClock clock{QDateTime(QDate(2026, 12, 10), QTime(8, 0))};
    std::vector<QString> logged;
    std::vector<QString> refused; // what the access history is told: "typed|reason"
    int opened = 0;

    std::unique_ptr<TalvorUser> user() {
        TalvorUserConfig c;
        c.openConnection = [this](const QString&, const QString&) {
            ++opened;
            return std::make_unique<db::SqliteConnection>(dir->path());
        };
        c.credentials = &credentials;
        c.passwordChange = &passwordChange;
        c.prompter = &prompter;
        c.settings = &settings;
        c.clock = &clock;
        c.log = [this](const QString& line) { logged.push_back(line); };
        c.signInFailed = [this](const QString& typed, const QString& reason) {
            refused.push_back(typed + "|" + reason);
        };
        c.passwordCost = db::PasswordCost::cheapForTests();
        return std::make_unique<TalvorUser>(c);
    }
    QString storedHash(const QString& id) {
        db::SqliteConnection c(dir->path());
        return c.open("SELECT PasswordHash FROM Password..tbPasswordMaster WHERE EmployeeID = '" +
                      id + "'")
            ->text("PasswordHash");
    }
};
testsupport::TempDir* SignIn::dir = nullptr;

} // namespace

TEST_F(SignIn, ADemoUserSignsInToTheirDepartment) {
    auto u = user();
    u->setPasswordDeptCode("19");
    credentials.answers.push_back(Credentials{"1001", "records"});
    u->ShowMain();
    ASSERT_TRUE(u->Connected()) << (prompter.shown.empty() ? std::string() : prompter.lastText().toStdString());
    EXPECT_EQ(u->EmployeeCode(), "1001");
    EXPECT_FALSE(u->EmployeeName().isEmpty());
    EXPECT_EQ(u->UserRights(), "ASV");
    ASSERT_NE(u->sqlconnection(), nullptr);
    EXPECT_TRUE(prompter.shown.empty());
}

TEST_F(SignIn, AWrongPasswordIsSaidAndAnotherTryIsOffered) {
    auto u = user();
    u->setPasswordDeptCode("16");
    credentials.answers.push_back(Credentials{"2001", "wrong"});
    credentials.answers.push_back(Credentials{"2001", "nurse"});
    u->ShowMain();
    EXPECT_TRUE(u->Connected());
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.lastText(), "The employee ID or the password is not correct.");
    EXPECT_EQ(credentials.asked.size(), 2u);
    EXPECT_EQ(opened, 1); // one connection for the whole sign-in
    EXPECT_EQ(refused, (std::vector<QString>{"2001|wrong employee ID or password"}));
}

TEST_F(SignIn, CancelLeavesTheUserNotConnected) {
    auto u = user();
    u->setPasswordDeptCode("19");
    credentials.answers.push_back(Credentials{"9999", "x"});
    credentials.answers.push_back(std::nullopt);
    u->ShowMain();
    EXPECT_FALSE(u->Connected());
    EXPECT_EQ(u->EmployeeCode(), "");
}

TEST_F(SignIn, AUserOutsideTheDepartmentIsRefused) {
    auto u = user();
    u->setPasswordDeptCode("16");
    credentials.answers.push_back(Credentials{"1001", "records"});
    credentials.answers.push_back(std::nullopt);
    u->ShowMain();
    EXPECT_FALSE(u->Connected());
    EXPECT_EQ(prompter.lastText(), "Employee 1001 is not registered in department 16.");
}

TEST_F(SignIn, HostileEmployeeIdsAreJustWrong) {
    auto u = user();
    u->setPasswordDeptCode("19");
    credentials.answers.push_back(Credentials{"' OR '1'='1", "x"});
    credentials.answers.push_back(Credentials{"1001'; DROP TABLE tbPasswordMaster --", "x"});
    credentials.answers.push_back(Credentials{"1001", "records"});
    u->ShowMain();
    EXPECT_TRUE(u->Connected());
    EXPECT_EQ(prompter.shown.size(), 2u);
}

TEST_F(SignIn, TheSettingsCheckWantsAUserAllowedToChangeSettings) {
    auto u = user();
    u->setPasswordDeptCode("19");
    credentials.answers.push_back(Credentials{"1001", "records"});
    u->ShowMain();
    ASSERT_TRUE(u->Connected());
    credentials.answers.push_back(Credentials{"3001", "hr"}); // rights "AV": no settings
    EXPECT_FALSE(u->CheckUserSettings());
    credentials.answers.push_back(Credentials{"9001", "admin"});
    EXPECT_TRUE(u->CheckUserSettings());
    credentials.answers.push_back(std::nullopt);
    EXPECT_FALSE(u->CheckUserSettings());
}

// The waits and the lock that follow failed sign-ins: none for the first three, then five
// seconds doubling up to a minute, and a quarter of an hour from the tenth.
TEST(SignInPolicy, WaitsGrowThenLock) {
    const QDateTime last(QDate(2026, 12, 10), QTime(9, 0));
    const std::pair<int, qint64> cases[] = {{0, -1}, {1, -1}, {3, -1}, {4, 5},   {5, 10},
                                            {6, 20}, {7, 40}, {8, 60}, {9, 60}, {10, 900},
                                            {25, 900}};
    for (const auto& [failures, seconds] : cases) {
        const QDateTime from = signInAllowedFrom(SignInPolicy{}, failures, last);
        if (seconds < 0)
            EXPECT_FALSE(from.isValid()) << failures;
        else
            EXPECT_EQ(last.secsTo(from), seconds) << failures;
    }
}

// Failed sign-ins of one ID, known or not, are counted in the database: every workstation
// (here: a second component on the same database) sees the wait and the lock; a success ends
// them, and an administrator's unlock too.
TEST_F(SignIn, FailedSignInsAreSlowedThenLockedForEveryWorkstation) {
    for (const QString& id : {QString("1002"), QString("4242")}) {
        SCOPED_TRACE(id.toStdString());
        clock.set(QDateTime(QDate(2026, 12, 10), QTime(8, 0)));
        auto u = user();
        u->setPasswordDeptCode("19");
        for (int i = 0; i < 4; ++i)
            credentials.answers.push_back(Credentials{id, "wrong"});
        credentials.answers.push_back(Credentials{id, "viewer"}); // refused: must wait
        credentials.answers.push_back(std::nullopt);
        prompter.shown.clear();
        u->ShowMain();
        EXPECT_FALSE(u->Connected());
        ASSERT_EQ(prompter.shown.size(), 5u);
        EXPECT_EQ(prompter.texts()[3], "The employee ID or the password is not correct.");
        EXPECT_EQ(prompter.lastText(), "Too many failed sign-ins for employee ID " + id +
                                           ". Try again after 08:00:05.");
        // Another workstation, once each wait has passed: six more failures lock the ID.
        auto other = user();
        other->setPasswordDeptCode("19");
        for (int i = 0; i < 6; ++i) {
            clock.set(clock.now().addSecs(61));
            credentials.answers.push_back(Credentials{id, "wrong"});
            credentials.answers.push_back(std::nullopt);
            other->ShowMain();
        }
        EXPECT_TRUE(prompter.lastText().contains("is locked after too many failed sign-ins"))
            << prompter.lastText().toStdString();
        credentials.answers.push_back(Credentials{id, id == "1002" ? "viewer" : "x"});
        credentials.answers.push_back(std::nullopt);
        other->ShowMain();
        EXPECT_FALSE(other->Connected());
        EXPECT_TRUE(prompter.lastText().contains("An administrator can unlock it sooner"));
        EXPECT_TRUE(std::any_of(logged.begin(), logged.end(), [&](const QString& l) {
            return l.startsWith("Employee ID " + id + " is locked until");
        }));
        if (id == "1002") {
            // A quarter of an hour later the right password signs in and forgets the failures.
            clock.set(clock.now().addSecs(15 * 60));
            credentials.answers.push_back(Credentials{id, "viewer"});
            other->ShowMain();
            EXPECT_TRUE(other->Connected());
            db::SqliteConnection c(dir->path());
            EXPECT_TRUE(c.open(records::selectSignInAttempts(id))->eof());
        } else {
            db::SqliteConnection c(dir->path());
            EXPECT_FALSE(c.open(records::selectSignInAttempts(id))->eof());
            c.execute(records::deleteSignInAttempts(id)); // what the administrator's unlock sends
            EXPECT_EQ(SignInThrottle(c, clock, {}).check(id).lockedUntil, QDateTime());
        }
    }
}

// A hash of the earlier form signs its user in once and is replaced by an Argon2id hash of
// the same password.
TEST_F(SignIn, AnOlderHashIsRenewedAtTheNextSignIn) {
    {
        db::SqliteConnection c(dir->path());
        c.execute(records::updatePasswordHash("3001", db::hashPasswordPbkdf2("hr", 1000)));
    }
    auto u = user();
    u->setPasswordDeptCode("HRD");
    credentials.answers.push_back(Credentials{"3001", "hr"});
    u->ShowMain();
    ASSERT_TRUE(u->Connected());
    const QString renewed = storedHash("3001");
    EXPECT_TRUE(renewed.startsWith("$argon2id$")) << renewed.toStdString();
    EXPECT_TRUE(db::verifyPassword("hr", renewed));
}

// Change Password: the confirmation, the length and the current password are checked before
// anything changes; then the new password signs in and the old one does not.
TEST_F(SignIn, ChangePasswordChecksThenStoresTheNewHash) {
    auto u = user();
    u->setPasswordDeptCode("16");
    credentials.answers.push_back(Credentials{"2001", "nurse"});
    u->ShowMain();
    ASSERT_TRUE(u->Connected());
    const QString before = storedHash("2001");
    const struct {
        PasswordChange answer;
        QString message;
    } refused[] = {
        {{"nurse", "Longer-Secret-1", "Longer-Secret-2"},
         "The new password and its confirmation differ. The password is unchanged."},
        {{"nurse", "short", "short"},
         "The new password must have at least 8 characters. The password is unchanged."},
        {{"wrong", "Longer-Secret-1", "Longer-Secret-1"},
         "The current password is not correct. The password is unchanged."},
    };
    for (const auto& r : refused) {
        passwordChange.answers.push_back(r.answer);
        EXPECT_FALSE(u->ChangePassword());
        EXPECT_EQ(prompter.lastText(), r.message);
        EXPECT_EQ(storedHash("2001"), before);
    }
    passwordChange.answers.push_back(PasswordChange{"nurse", "Longer-Secret-1", "Longer-Secret-1"});
    EXPECT_TRUE(u->ChangePassword());
    EXPECT_TRUE(u->Reauthenticate("Longer-Secret-1"));
    EXPECT_FALSE(u->Reauthenticate("nurse"));
    // Back to the documented demo password for the other tests.
    db::SqliteConnection c(dir->path());
    c.execute(records::updatePasswordHash(
        "2001", db::hashPassword("nurse", db::PasswordCost::cheapForTests())));
}

// On SQL Server each employee signs in with their own login: the server checks the password,
// and the employee is the one the login is linked to (a nurse, a clerk, an administrator). A
// login linked to nobody, and a wrong password, are refused; the program's configuration holds
// no login or password.
TEST_F(SignIn, OnTheServerEachEmployeeSignsInWithTheirOwnLogin) {
    using namespace doubles::tds;
    struct Account {
        std::string login, password;
        std::vector<std::string> employee; // EmployeeID, names, UserRights
        std::string department;
    };
    const std::vector<Account> accounts = {
        {"ana.santos", "Secret-1", {"2001", "Santos", "Ana", "", "V"}, "16"},
        {"msantos", "Secret-2", {"1001", "Santos", "Maria", "Lopez", "ASV"}, "19"},
        {"acruz", "Secret-3", {"9001", "Cruz", "Antonio", "Martin", "ASVX"}, "19"},
        {"ghost", "Ghost-1", {}, ""},
    };
    std::map<std::string, std::string> passwords;
    for (const auto& a : accounts)
        passwords[a.login] = a.password;
    ScriptedServer server(passwords, [&](const std::string& login, const std::string& sql) -> Bytes {
        const auto a = std::find_if(accounts.begin(), accounts.end(),
                                    [&](const Account& x) { return x.login == login; });
        if (sql.find("tbPasswordLogins") != std::string::npos &&
            sql.find("SUSER_SNAME()") != std::string::npos)
            return a->employee.empty()
                       ? rows({"EmployeeID"}, {})
                       : rows({"EmployeeID", "Lastname", "FirstName", "MiddleName", "UserRights"},
                              {a->employee});
        if (sql.find("SUSER_SNAME() AS LoginName") != std::string::npos)
            return rows({"LoginName"}, {{login}});
        if (sql.find("tbPasswordMain") != std::string::npos)
            return rows({"EmployeeID"},
                        sql.find("'" + a->department + "'") != std::string::npos
                            ? std::vector<std::vector<std::string>>{{a->employee[0]}}
                            : std::vector<std::vector<std::string>>{});
        return done();
    });
    db::ConnectionSettings cs;
    cs.backend = db::ConnectionSettings::Backend::SqlServer;
    cs.server.server = "127.0.0.1";
    cs.server.port = server.port();
    cs.server.encrypt = false; // the scripted server offers no encryption
    cs.server.loginTimeoutSeconds = 3;
    std::vector<QString> loginsTried;
    TalvorUserConfig c;
    c.openConnection = [&](const QString& login, const QString& password) {
        loginsTried.push_back(login);
        return db::openConnection(cs, login, password);
    };
    c.kind = SignInKind::ServerLogin;
    c.credentials = &credentials;
    c.prompter = &prompter;
    c.settings = &settings;
    c.clock = &clock;
    c.signInFailed = [this](const QString& typed, const QString& reason) {
        refused.push_back(typed + "|" + reason);
    };
    for (const auto& a : std::vector<Account>(accounts.begin(), accounts.begin() + 3)) {
        SCOPED_TRACE(a.login);
        TalvorUser u(c);
        u.setPasswordDeptCode(QString::fromStdString(a.department));
        EXPECT_EQ(u.OpenAnotherConnection(), nullptr); // nobody signed in yet
        prompter.shown.clear();
        loginsTried.clear();
        refused.clear();
        credentials.answers.push_back(Credentials{QString::fromStdString(a.login), "wrong"});
        credentials.answers.push_back(Credentials{"ghost", "Ghost-1"});
        credentials.answers.push_back(
            Credentials{QString::fromStdString(a.login), QString::fromStdString(a.password)});
        u.ShowMain();
        ASSERT_TRUE(u.Connected()) << prompter.lastText().toStdString();
        EXPECT_EQ(u.EmployeeCode().toStdString(), a.employee[0]);
        EXPECT_EQ(u.UserRights().toStdString(), a.employee[4]);
        EXPECT_EQ(u.EmployeeName().toStdString(), a.employee[1] + ", " + a.employee[2] +
                                                      (a.employee[3].empty() ? "" : " " + a.employee[3]));
        const QString login = QString::fromStdString(a.login);
        EXPECT_EQ(loginsTried, (std::vector<QString>{login, "ghost", login}));
        ASSERT_EQ(prompter.shown.size(), 2u);
        EXPECT_EQ(prompter.texts()[0], "The login or the password is not correct.");
        EXPECT_EQ(prompter.texts()[1], "The login ghost is not linked to an employee. Ask IT to "
                                       "link it to your employee ID.");
        EXPECT_EQ(credentials.idLabel, "&Login:");
        EXPECT_EQ(refused, (std::vector<QString>{QString::fromStdString(a.login) +
                                                     "|login refused by the server",
                                                 "ghost|login linked to no employee"}));
        // The idle lock's question goes to the server too.
        EXPECT_TRUE(u.Reauthenticate(QString::fromStdString(a.password)));
        EXPECT_FALSE(u.Reauthenticate("wrong"));
        // Work of its own (the access history's writer) connects as the same login.
        const auto second = u.OpenAnotherConnection();
        ASSERT_NE(second, nullptr);
        EXPECT_TRUE(second->isOpen());
        EXPECT_EQ(loginsTried.back(), login);
    }
}

TEST_F(SignIn, RightsLettersAreCaseSensitive) {
    EXPECT_TRUE(rightsBarChanges("BV"));
    EXPECT_TRUE(rightsBarChanges("AVB"));
    EXPECT_FALSE(rightsBarChanges("bv"));
    EXPECT_FALSE(rightsBarChanges(""));
    EXPECT_TRUE(rightsAllowSettings("ASV"));
    EXPECT_FALSE(rightsAllowSettings("asv"));
}

TEST(UpdateCheck, SaysWhetherTheUpdateFolderHoldsANewerBuild) {
    testsupport::TempDir dir;
    UpdateCheck c = checkForUpdate(dir.path(), "Docuvane");
    EXPECT_EQ(c.installed, "8.0.78");
    EXPECT_TRUE(c.available.isEmpty());
    QFile f(dir.file("Docuvane.version"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("8.0.79\n");
    f.close();
    EXPECT_EQ(checkForUpdate(dir.path(), "Docuvane").available, "8.0.79");
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write("8.0.9\n");
    f.close();
    EXPECT_TRUE(checkForUpdate(dir.path(), "Docuvane").available.isEmpty());
    EXPECT_TRUE(checkForUpdate({}, "Docuvane").available.isEmpty());
}
