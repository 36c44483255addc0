#include "main/Program.h"
#include "main/HistoryWiring.h"
#include "history/Event.h"
#include "main/Workflows.h"

#include "app/Classes.h"
#include "app/Clock.h"
#include "app/Components.h"
#include "app/Failure.h"
#include "app/Log.h"
#include "app/Paths.h"
#include "app/Prompter.h"
#include "app/Session.h"
#include "app/Settings.h"
#include "app/Shell.h"
#include "app/SignIn.h"
#include "app/SystemInfo.h"
#include "app/TalvorUser.h"
#include "db/EmbeddedDatabase.h"
#include "db/SqliteConnection.h"
#include "db/ServerConfig.h"
#include "imaging/pixels/ImagingError.h"
#include "viewer/MainWindow.h"
#include "viewer/Preferences.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>

namespace program {

namespace {

// The suite's components as this program provides them.
class Components : public app::ComponentFactory {
public:
    Components(const Folders& folders, app::CredentialsPrompt* credentials, app::Prompter* prompter,
               app::SettingsStore* settings, const app::Clock* clock, app::LogSink* log,
               std::function<void(const QString&, const QString&)> signInFailed)
        : folders_(folders), credentials_(credentials), prompter_(prompter), settings_(settings),
          clock_(clock), log_(log), signInFailed_(std::move(signInFailed)) {}

    std::shared_ptr<app::CurrentUser> createCurrentUser(const QString& progId) override {
        if (progId != app::kCurrentUserProgId)
            throw app::ComponentError(("Unknown component " + progId).toStdString());
        app::TalvorUserConfig c;
        const QString dbFolder = folders_.embeddedDatabase();
        const QString configFile = folders_.databaseConfig();
        // The connection settings file chooses the backend; without it the embedded demo
        // database is used. On SQL Server each employee signs in with their own login.
        c.openConnection = [dbFolder, configFile](const QString& login, const QString& password) {
            return db::openConnection(db::loadConnectionSettings(configFile), login, password,
                                      dbFolder);
        };
        try {
            const db::ConnectionSettings settings = db::loadConnectionSettings(configFile);
            if (settings.backend == db::ConnectionSettings::Backend::SqlServer)
                c.kind = settings.server.authentication ==
                                 db::ServerConfig::Authentication::Kerberos
                             ? app::SignInKind::DomainTicket
                             : app::SignInKind::ServerLogin;
            c.connectionNotice =
                db::connectionNotice(settings, settings.embeddedFolder.isEmpty());
        } catch (const db::Error&) {
            // Reported when the connection is opened.
        }
        c.clock = clock_;
        if (log_) c.log = [l = log_](const QString& line) { l->writeLog(line); };
        c.passwordChange = &passwordChange_;
        c.signInFailed = signInFailed_;
        c.credentials = credentials_;
        c.prompter = prompter_;
        c.settings = settings_;
        return std::make_shared<app::TalvorUser>(c);
    }

    std::shared_ptr<app::ClassesComponent> createClasses(const QString& progId) override {
        if (progId != app::kClassesProgId)
            throw app::ComponentError(("Unknown component " + progId).toStdString());
        return std::make_shared<app::BasicClassesComponent>();
    }

private:
    Folders folders_;
    app::CredentialsPrompt* credentials_;
    app::Prompter* prompter_;
    app::SettingsStore* settings_;
    const app::Clock* clock_;
    app::LogSink* log_;
    app::DialogPasswordChangePrompt passwordChange_;
    std::function<void(const QString&, const QString&)> signInFailed_;
};

void registerErrorNumbers() {
    static bool done = false;
    if (done) return;
    done = true;
    app::registerErrorNumberReader([](const std::exception& e, int* n) {
        if (auto* d = dynamic_cast<const db::Error*>(&e)) {
            *n = d->number();
            return true;
        }
        return false;
    });
    app::registerErrorNumberReader([](const std::exception& e, int* n) {
        if (auto* i = dynamic_cast<const imaging::Error*>(&e)) {
            *n = i->number();
            return true;
        }
        return false;
    });
}

} // namespace

Program::Program(Folders folders, app::CredentialsPrompt* credentials, app::Prompter* prompter)
    : folders_(std::move(folders)) {
    registerErrorNumbers();
    QDir().mkpath(folders_.config);
    QDir().mkpath(folders_.data);
    settings_ = std::make_unique<app::IniSettingsStore>(folders_.config);
    if (!prompter) {
        ownPrompter_ = std::make_unique<app::MessageBoxPrompter>();
        prompter = ownPrompter_.get();
    }
    prompter_ = prompter;
    if (!credentials) {
        ownCredentials_ = std::make_unique<app::DialogCredentialsPrompt>();
        credentials = ownCredentials_.get();
    }
    credentials_ = credentials;
    clock_ = std::make_unique<app::SystemClock>();
    paths_ = std::make_unique<app::PathMapper>(settings_.get(), QDir::homePath(),
                                               app::PathMapper::defaultGvfsRoot());
    shell_ = std::make_unique<app::LinuxShell>(*paths_);
    system_ = std::make_unique<app::LinuxSystemInfo>(folders_.data);
    logger_ = std::make_unique<app::Logger>();
    // A setting that could not be stored is never passed over in silence: the log window
    // opens with the reason (commands that confirm a change show it themselves).
    settings_->setFailureReporter([l = logger_.get()](const QString& why) { l->writeLog(why); });
    components_ =
        std::make_unique<Components>(folders_, credentials_, prompter_, settings_.get(),
                                     clock_.get(), logger_.get(),
                                     [this](const QString& typed, const QString& reason) {
                                         // The access history: who tried, and why it failed.
                                         history::Event e;
                                         e.action = history::Action::SignInFailed;
                                         e.employee = typed;
                                         e.details = reason;
                                         if (session_) session_->recordHistory(e);
                                     });

    app::Services svc;
    svc.settings = settings_.get();
    svc.prompter = prompter_;
    svc.clock = clock_.get();
    svc.shell = shell_.get();
    svc.system = system_.get();
    svc.log = logger_.get();
    svc.paths = paths_.get();
    svc.components = components_.get();
    svc.programFolder = QCoreApplication::applicationDirPath();
    session_ = std::make_unique<app::Session>(svc);
}

Program::~Program() {
    delete startup_.data();
    main_.reset();
}

void Program::prepareDemo() {
    // The demo run without a scanner of its own offers SANE's test scanner (scripts/run.sh sets
    // DOCUVANE_DEMO_SCANNER then): its document feeder is the demo's source, so a scan gives
    // the feeder's pages rather than the flatbed's one. A source chosen in "Scan
    // Pre&ferences..." stays; other runs keep the device's own default.
    if (qEnvironmentVariable("DOCUVANE_DEMO_SCANNER") == QLatin1String("1") &&
        settings_->read(app::kAppPrefs, "Scanner", "Source").isEmpty())
        settings_->write(app::kAppPrefs, "Scanner", "Source", "Automatic Document Feeder");
    // The embedded database is the default: create it, and a storage folder standing for the
    // default share, the first time the program runs.
    const db::ConnectionSettings cs = db::loadConnectionSettings(folders_.databaseConfig());
    if (cs.backend != db::ConnectionSettings::Backend::Embedded) return;
    const QString dbFolder =
        cs.embeddedFolder.isEmpty() ? folders_.embeddedDatabase() : cs.embeddedFolder;
    db::EmbeddedDatabase::Options demo;
    demo.filedRecords = true;
    const QStringList created = db::EmbeddedDatabase::ensure(dbFolder, demo);
    const QString shareKey = viewer::kDefaultStorageShare;
    const bool newShare = settings_->read(app::kAppPrefs, "Shares", shareKey).isEmpty();
    if (newShare) {
        QDir().mkpath(folders_.demoShare());
        settings_->write(app::kAppPrefs, "Shares", shareKey, folders_.demoShare());
    }
    // The demo records' files, once, when the records were just made.
    if (created.contains("dbRecords")) {
        db::SqliteConnection connection(dbFolder);
        fillDemoShare(connection, newShare ? folders_.demoShare()
                                           : settings_->read(app::kAppPrefs, "Shares", shareKey));
    }
}

bool Program::start() {
    try {
        prepareDemo();
    } catch (const std::exception& e) {
        prompter_->msgBox(QString("Docuvane cannot prepare its database: ") + e.what(),
                          app::mb::OKOnly, app::mb::Critical);
        return false;
    }
    // The history writer's server connection is the signed-in employee's own: opened through
    // the user the last sign-in gave (kept here under a lock, as the writer asks from its
    // thread).
    history_ = makeHistoryRecorder(folders_, logger_.get(), this, [source = historyUser_] {
        std::shared_ptr<app::CurrentUser> user;
        {
            std::lock_guard<std::mutex> lock(source->mutex);
            user = source->user;
        }
        return user ? user->OpenAnotherConnection() : nullptr;
    });
    session_->history = history_.get();
    // The start-up window may already be gone: it unloads itself once the main window is up.
    return showStartupWindow();
}

bool Program::showStartupWindow() {
    if (startup_) {
        // Already open (a sign-in shown again and not finished): it comes to the front; a
        // second window would sign in a second time.
        startup_->show();
        startup_->raise();
        startup_->activateWindow();
        return true;
    }
    auto* w = new app::StartupWindow(*session_, *this);
    startup_ = w;
    connect(w, &app::StartupWindow::quitRequested, this, &Program::ended);
    return w->Form_Load();
}

void Program::showMainWindow() {
    {
        std::lock_guard<std::mutex> lock(historyUser_->mutex);
        historyUser_->user = session_->gobjCurrentUser;
    }
    if (!main_) {
        main_ = std::make_unique<viewer::MainWindow>(*session_);
        installWorkflows(*main_);
        connect(main_.get(), &viewer::MainWindow::programEnded, this, [this] {
            // The preferences are stored last, as the log window closes: say it here.
            if (!settings_->lastWriteError().isEmpty())
                prompter_->msgBox("Docuvane could not save its preferences.\r\n" +
                                      settings_->lastWriteError(),
                                  app::mb::OKOnly, app::mb::Exclamation);
        });
        connect(main_.get(), &viewer::MainWindow::programEnded, this, &Program::ended);
        connect(main_.get(), &viewer::MainWindow::startupWindowRequested, this,
                [this] { showStartupWindow(); });
        main_->setUnloadStartupWindow([this] {
            if (startup_) startup_->close();
        });
        logger_->setOwner(main_.get());
        if (auto* mbp = dynamic_cast<app::MessageBoxPrompter*>(prompter_)) mbp->setOwner(main_.get());
        main_->show();
        main_->Form_Load();
        return;
    }
    main_->show();
    main_->raise();
}

bool Program::mainWindowLoaded() const { return main_ && main_->loaded(); }

} // namespace program
