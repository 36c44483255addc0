#pragma once
// What the benchmarks that start the whole program share: the program signed in as demo user
// 1001 in one department, questions answered OK, waiting for a page to be painted, and the
// texts of the large generated patient databases.
#include "doubles/RenderWait.h"
#include "doubles/ScriptedCredentials.h"
#include "app/Prompter.h"
#include "app/Settings.h"
#include "app/SignIn.h"
#include "imaging/controls/ImageEdit.h"
#include "imaging/controls/ImageThumbnail.h"
#include "main/Program.h"
#include "viewer/FileCommands.h"
#include "viewer/JobHost.h"
#include "viewer/MainWindow.h"
#include "viewer/MainWindowUi.h"
#include "viewer/NavigationCommands.h"
#include "viewer/SessionCommands.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QDir>
#include <QLabel>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>
#include <memory>
#include <stdexcept>

namespace benchsupport {

class AlwaysOk : public app::Prompter {
public:
    int ask(const app::Message& m) override {
        last = m.text;
        return m.buttons == app::mb::OKOnly ? app::mb::OK : questions;
    }
    QString last;             // the last message (a benchmark waiting for a window stops on it)
    int questions = app::mb::OK; // the answer to a question (Yes for a command that asks first)
};

// The settings a benchmark's program starts with (scanner preferences: SANE's test scanner of the
// demo, its feeder, 1-bit gray at 100 dpi), written into the program's settings before it starts.
inline void writeDemoScannerSettings(app::SettingsStore& settings) {
    settings.write(app::kAppPrefs, "Scanner", "Device", "test:0");
    settings.write(app::kAppPrefs, "Scanner", "Source", "Automatic Document Feeder");
    settings.write(app::kAppPrefs, "Scanner", "Mode", "Gray");
    settings.write(app::kAppPrefs, "Scanner", "Depth", "1");
    settings.write(app::kAppPrefs, "Scanner", "Resolution", "100");
}

// The program started on `folder` (config and data below it; the config made afresh, with
// what `prepare` writes into its settings), signed in as 1001, with `department` chosen.
struct SignedInProgram {
    doubles::ScriptedCredentialsPrompt credentials;
    AlwaysOk prompter;
    std::unique_ptr<program::Program> program;

    SignedInProgram(const QString& folder, const QString& department,
                    const std::function<void(app::SettingsStore&)>& prepare = {}) {
        QDir(folder + "/config").removeRecursively();
        if (prepare) {
            QDir().mkpath(folder + "/config");
            app::IniSettingsStore settings(folder + "/config");
            prepare(settings);
        }
        credentials.answers.push_back(app::Credentials{"1001", "records"});
        program = std::make_unique<program::Program>(
            program::Folders{folder + "/config", folder + "/data"}, &credentials, &prompter);
        if (!program->start() || !program->mainWindow())
            throw std::runtime_error("the program did not start");
        viewer::MainWindow& w = window();
        w.ui().cboDept->setCurrentIndex(w.ui().cboDept->findText(department));
        w.sessionCommands().cboDept_Click();
    }
    viewer::MainWindow& window() const { return *program->mainWindow(); }
};

// Until the page on screen is rendered, then painted.
// The program signed in to the medical-records department with its main window loaded and
// the start picture gone, made once per benchmark process.
struct RunningProgram {
    QTemporaryDir scratch;
    SignedInProgram signedIn{scratch.path(), "MEDICAL RECORDS"};

    RunningProgram() {
        window().ui().Picture1->hide();
        QApplication::processEvents();
    }
    viewer::MainWindow& window() { return signedIn.window(); }
};

inline RunningProgram& running() {
    static RunningProgram p;
    return p;
}

// Open Image after its dialog: the document is not new, the file is opened at page 1.
inline void openImage(viewer::MainWindow& w, const QString& path) {
    w.doc().gblnNewDocument = false;
    w.PerformFileOpen(false, path, 1);
}

inline void waitPainted(imaging::ImageEdit& edit) {
    if (!doubles::waitForRendering(edit, 10000)) throw std::runtime_error("rendering timed out");
    edit.viewport()->repaint();
}

// Runs events until the window's jobs are done (a command that finishes on the window thread
// has none).
// Seconds from the Next page command until the new page is painted.
inline double timeNextPage(viewer::MainWindow& w) {
    QElapsedTimer t;
    t.start();
    w.navigation().mnuPageDirectionItem_Click(1);
    waitPainted(*w.docImgEdit1);
    return t.nsecsElapsed() / 1e9;
}

inline void waitJobs(viewer::MainWindow& w) {
    QElapsedTimer waited;
    waited.start();
    while (w.jobs().anyRunning() && waited.elapsed() < 30000)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    if (w.jobs().anyRunning()) throw std::runtime_error("the job did not finish");
}

// Untimed: whatever the last document started (jobs, prefetching, thumbnails) is finished
// first, so it does not run into the next measurement; then the record is closed.
inline void closeRecord(viewer::MainWindow& w) {
    waitJobs(w);
    doubles::waitForIdle(*w.docImgEdit1, 10000);
    QElapsedTimer waited;
    waited.start();
    while (w.docImgThumbnail1->isBusy() && waited.elapsed() < 10000)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    w.files().mnuFileClose_Click();
    QApplication::processEvents();
}

// Puts the values in place of {1}, {2}, ... (the statements hold printf formats, so
// QString::arg's markers cannot be used).
inline QString fill(QString text, const QStringList& values) {
    for (int i = 0; i < values.size(); ++i) text.replace(QString("{%1}").arg(i + 1), values[i]);
    return text;
}

// "(0, 'a'), (1, 'b'), ...": a VALUES list of numbered texts.
inline QString numberedValues(const QStringList& values) {
    QStringList rows;
    for (int i = 0; i < values.size(); ++i)
        rows << QString("(%1, '%2')").arg(i).arg(QString(values[i]).replace("'", "''"));
    return rows.join(", ");
}

// Patient names of the generated databases: 50 surnames, each with 20 endings, and 30 first
// names.
inline QStringList benchSurnames() {
    return {"Garcia", "Santos", "Reyes", "Cruz", "Bautista", "Ocampo", "Mendoza", "Torres",
            "Flores", "Villanueva", "Ramos", "Aquino", "Castillo", "Navarro", "Gomez", "Lim",
            "Tan", "Dela Cruz", "Pascual", "Luna", "Dizon", "Santiago", "Soriano", "Fernandez",
            "Lopez", "Gonzales", "Rivera", "Aguilar", "Salazar", "Valdez", "Castro", "Marquez",
            "Domingo", "Manalo", "Perez", "Rosales", "Padilla", "Mercado", "Francisco",
            "Del Rosario", "Morales", "Diaz", "Hernandez", "Sison", "O'Brien", "D'Souza",
            "Müller", "Nguyễn", "Ortiz", "Chua"};
}
inline QStringList benchSurnameEndings() {
    return {"", "no", "lo", "ez", "a", "on", "ito", "ar", "es", "in",
            "ia", "do", "ro", "ana", "eja", "il", "as", "um", "er", "ay"};
}
inline QStringList benchFirstNames() {
    return {"Maria",  "Jose",   "Ana",     "Pedro",  "Lucia",  "Juan",    "Carmen", "Luis",
            "Rosa",   "Diego",  "Sofia",   "Miguel", "Teresa", "Ramon",   "Elena",  "Mark",
            "Grace",  "Henry",  "Paolo",   "Liza",   "Kevin",  "Isabel",  "Andrea", "Marco",
            "Carmela", "Wei",   "Hans",    "Thi",    "Patrick", "Mary"};
}

} // namespace benchsupport
