#include "app/Prompter.h"
#include "app/Settings.h"
#include "app/SignIn.h"
#include "app/TalvorUser.h"
#include "db/EmbeddedDatabase.h"
#include "db/SqliteConnection.h"
#include "doubles/MemorySettingsStore.h"
#include "doubles/ScriptedCredentials.h"
#include "doubles/ScriptedPrompter.h"
#include "support/TempDir.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace app;

namespace {

// The embedded demo database, created once for these tests with cheap password hashes.
struct SignIn : ::testing::Test {
    static testsupport::TempDir* dir;
    static void SetUpTestSuite() {
        dir = new testsupport::TempDir;
        db::EmbeddedDatabase::Options o;
        o.passwordIterations = 1000;
        db::EmbeddedDatabase::ensure(dir->path(), o);
    }
    static void TearDownTestSuite() { delete dir; }

    doubles::ScriptedCredentialsPrompt credentials;
    doubles::ScriptedPrompter prompter;
    doubles::MemorySettingsStore settings;
    int opened = 0;

    std::unique_ptr<TalvorUser> user() {
        TalvorUserConfig c;
        c.openConnection = [this](const QString&) {
            ++opened;
            return std::make_unique<db::SqliteConnection>(dir->path());
        };
        c.credentials = &credentials;
        c.prompter = &prompter;
        c.settings = &settings;
        return std::make_unique<TalvorUser>(c);
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
