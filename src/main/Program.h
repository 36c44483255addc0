#pragma once
// The whole program wired together: the real platform edges, the session, the start-up
// window and the main window. main() only creates a Program and runs it.
#include "app/ProgramFolders.h"
#include "app/StartupWindow.h"
#include "history/DatabaseRecorder.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <memory>
#include <mutex>

namespace app {
class SettingsStore;
class Prompter;
class Clock;
class Shell;
class SystemInfo;
class Logger;
class PathMapper;
class ComponentFactory;
class CredentialsPrompt;
class CurrentUser;
struct Session;
} // namespace app

namespace viewer {
class MainWindow;
}


namespace program {

// The program's folders (app::ProgramFolders, shared with its tools).
using Folders = app::ProgramFolders;

class Program : public QObject, public app::MainWindowHost {
    Q_OBJECT
public:
    // `credentials` and `prompter` replace the real dialogs when given (benchmarks, tests).
    explicit Program(Folders folders, app::CredentialsPrompt* credentials = nullptr,
                     app::Prompter* prompter = nullptr);
    ~Program() override;

    // Prepares the embedded demo database and storage folder on first use, shows the
    // start-up window and runs its Start command. Returns false when the program cannot start.
    bool start();

    void showMainWindow() override;
    bool mainWindowLoaded() const override;

    // Shows a fresh start-up window (changing the program access type); false when the
    // sign-in component cannot be created.
    bool showStartupWindow();

    viewer::MainWindow* mainWindow() const { return main_.get(); }
    app::Session& session() { return *session_; }
    const Folders& folders() const { return folders_; }

signals:
    void ended();

private:
    void prepareDemo();
    Folders folders_;
    std::unique_ptr<app::SettingsStore> settings_;
    std::unique_ptr<app::Prompter> ownPrompter_;
    app::Prompter* prompter_;
    std::unique_ptr<app::CredentialsPrompt> ownCredentials_;
    app::CredentialsPrompt* credentials_;
    std::unique_ptr<app::Clock> clock_;
    std::unique_ptr<app::PathMapper> paths_;
    std::unique_ptr<app::Shell> shell_;
    std::unique_ptr<app::SystemInfo> system_;
    std::unique_ptr<app::Logger> logger_;
    std::unique_ptr<app::ComponentFactory> components_;
    std::unique_ptr<app::Session> session_;
    // The user signed in last, for the history writer's connection.
    struct SignedInUser {
        std::mutex mutex;
        std::shared_ptr<app::CurrentUser> user;
    };
    std::shared_ptr<SignedInUser> historyUser_ = std::make_shared<SignedInUser>();
    std::unique_ptr<history::DatabaseRecorder> history_;
    std::unique_ptr<viewer::MainWindow> main_;
    QPointer<app::StartupWindow> startup_;
};

} // namespace program
