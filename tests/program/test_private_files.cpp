// What the program keeps of a user's work on this machine is the user's alone: after a fresh
// start under the usual umask (022) the data folder, the temporary scan folder, the embedded
// database's folder and the settings folder are 0700, the database files (patients, password
// hashes) and the settings files 0600, and a journal SQLite keeps beside a database file is
// as private as the file.
#include "db/SqliteConnection.h"
#include "doubles/ScriptedCredentials.h"
#include "doubles/ScriptedPrompter.h"
#include "main/Program.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>

namespace {

// The permission bits of a file or folder, as octal text ("" when it is missing).
std::string mode(const QString& path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) return "";
    char text[8];
    std::snprintf(text, sizeof text, "%04o", unsigned(st.st_mode & 07777));
    return text;
}

} // namespace

TEST(PrivateFiles, AFreshStartLeavesTheUsersFoldersAndFilesToTheUserAlone) {
    const mode_t before = ::umask(022);
    const auto restore = qScopeGuard([before] { ::umask(before); });
    QTemporaryDir scratch;
    const program::Folders folders{scratch.filePath("config"), scratch.filePath("data")};
    doubles::ScriptedCredentialsPrompt credentials;
    credentials.answers.push_back(app::Credentials{"1001", "records"});
    doubles::ScriptedPrompter prompter;
    {
        program::Program p(folders, &credentials, &prompter);
        ASSERT_TRUE(p.start());
        QApplication::processEvents();
        ASSERT_NE(p.mainWindow(), nullptr);
    }

    const QString db = folders.embeddedDatabase();
    for (const QString& folder : {folders.data, db, folders.data + "/Temp", folders.config})
        EXPECT_EQ(mode(folder), "0700") << folder.toStdString();
    QStringList files;
    for (const QString& name : db::SqliteConnection::databaseNames())
        files << db::SqliteConnection::databaseFile(db, name);
    for (const QString& name : QDir(folders.config).entryList({"*.ini"}, QDir::Files))
        files << folders.config + "/" + name;
    ASSERT_GE(files.size(), 3);
    for (const QString& file : files) EXPECT_EQ(mode(file), "0600") << file.toStdString();
    // Every file in the database folder, whatever its name.
    for (const QFileInfo& f : QDir(db).entryInfoList(QDir::Files | QDir::Hidden))
        EXPECT_EQ(mode(f.filePath()), "0600") << f.filePath().toStdString();

    // A journal kept after a change (persistent journal mode) has the database file's mode.
    const QString records = files.first();
    sqlite3* handle = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(records).constData(), &handle), SQLITE_OK);
    const int rc = sqlite3_exec(handle,
                                "PRAGMA journal_mode = PERSIST; BEGIN; CREATE TABLE journal_probe "
                                "(a INTEGER); COMMIT;",
                                nullptr, nullptr, nullptr);
    sqlite3_close(handle);
    ASSERT_EQ(rc, SQLITE_OK);
    ASSERT_TRUE(QFile::exists(records + "-journal"));
    EXPECT_EQ(mode(records + "-journal"), "0600");
}
