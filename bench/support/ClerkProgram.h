#pragma once
// The whole program started on a benchmark's own folders, as a user starts it: the embedded
// backend on <benchFolder>/data/db, a fresh configuration, demo user 1001 signed in with the
// medical records department chosen. Messages are answered with OK; the last one is kept (a
// benchmark that waits for a window stops on it).
#include "doubles/ScriptedCredentials.h"
#include "app/Prompter.h"
#include "main/Program.h"
#include "viewer/MainWindow.h"
#include "viewer/SessionCommands.h"

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <memory>
#include <stdexcept>

namespace benchsupport {

class AlwaysOk : public app::Prompter {
public:
    int ask(const app::Message& m) override {
        last = m.text;
        return app::mb::OK;
    }
    QString last;
};

struct ClerkProgram {
    doubles::ScriptedCredentialsPrompt credentials;
    AlwaysOk prompter;
    std::unique_ptr<program::Program> program;

    explicit ClerkProgram(const QString& benchFolder) {
        QDir(benchFolder + "/config").removeRecursively();
        credentials.answers.push_back(app::Credentials{"1001", "records"});
        program = std::make_unique<program::Program>(
            program::Folders{benchFolder + "/config", benchFolder + "/data"}, &credentials,
            &prompter);
        if (!program->start() || !program->mainWindow())
            throw std::runtime_error("the program did not start");
        viewer::MainWindow& w = *program->mainWindow();
        w.ui().cboDept->setCurrentIndex(w.ui().cboDept->findText("MEDICAL RECORDS"));
        w.sessionCommands().cboDept_Click();
    }
    viewer::MainWindow& window() const { return *program->mainWindow(); }
};

// Marks a database folder as fully built, so later runs reuse it.
inline void markComplete(const QString& folder) {
    QFile done(folder + "/complete");
    if (!done.open(QIODevice::WriteOnly)) throw std::runtime_error("cannot mark the database");
}

} // namespace benchsupport
