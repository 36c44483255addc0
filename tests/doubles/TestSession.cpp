#include "doubles/TestSession.h"

#include "db/EmbeddedDatabase.h"
#include "db/SqliteConnection.h"

#include <QDir>

namespace doubles {

TestSession::TestSession() {
    system.folder = dir.file("data");
    QDir().mkpath(system.folder);
    paths = std::make_unique<app::PathMapper>(&settings, dir.file("home"), dir.file("gvfs"));
    app::Services svc;
    svc.settings = &settings;
    svc.prompter = &prompter;
    svc.clock = &clock;
    svc.shell = &shell;
    svc.system = &system;
    svc.log = &log;
    svc.paths = paths.get();
    svc.components = &components;
    svc.programFolder = dir.file("bin");
    session = std::make_unique<app::Session>(svc);
    user = std::make_shared<FakeCurrentUser>();
    db = std::make_unique<RecordingConnection>();
    user->connection = db.get();
    components.makeUser = [this] { return user; };
}

void TestSession::useDemoDatabase(bool filedRecords) {
    db::EmbeddedDatabase::Options o;
    o.filedRecords = filedRecords;
    o.passwordCost = db::PasswordCost::cheapForTests(); // cheap hashes: tests sign in often
    const QString folder = dir.file("db");
    db::EmbeddedDatabase::ensure(folder, o);
    demo = std::make_unique<db::SqliteConnection>(folder);
    db = std::make_unique<RecordingConnection>(demo.get());
    user->connection = db.get();
}

void TestSession::signIn() {
    session->gobjCurrentUser = user;
    user->connected = true;
}

} // namespace doubles
