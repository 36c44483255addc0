#pragma once
// A session wired to doubles of every platform edge, over a scratch folder.
#include "app/Clock.h"
#include "app/Log.h"
#include "app/Paths.h"
#include "app/Session.h"
#include "app/Settings.h"
#include "app/Shell.h"
#include "app/SystemInfo.h"
#include "doubles/FakeCurrentUser.h"
#include "doubles/FakeSystemInfo.h"
#include "doubles/FixedClock.h"
#include "doubles/MemorySettingsStore.h"
#include "doubles/RecordingConnection.h"
#include "doubles/RecordingShell.h"
#include "doubles/ScriptedPrompter.h"
#include "support/TempDir.h"

#include <memory>

namespace doubles {

struct TestSession {
    TestSession();
    testsupport::TempDir dir;
    MemorySettingsStore settings;
    ScriptedPrompter prompter;
    FixedClock clock{QDateTime(QDate(2008, 11, 25), QTime(14, 5, 0))};
    RecordingShell shell;
    FakeSystemInfo system;
    app::MemoryLog log;
    std::unique_ptr<app::PathMapper> paths;
    FakeComponentFactory components;
    std::unique_ptr<app::Session> session;
    // The current user the session signed in with (owned by the session).
    std::shared_ptr<FakeCurrentUser> user;
    // The user's connection: records every statement; answers from scripted results, or
    // from the embedded demo database after useDemoDatabase().
    std::unique_ptr<db::Connection> demo;
    std::unique_ptr<RecordingConnection> db;

    app::Session& s() { return *session; }
    // Makes `user` the session's signed-in component.
    void signIn();
    // Creates the embedded demo database in the scratch folder and connects `db` to it;
    // `filedRecords` adds the program's larger set of filed records.
    void useDemoDatabase(bool filedRecords = false);
};

} // namespace doubles
