#pragma once
// What the screenshot tools share: the output folder from the command line, saving a
// window's picture, and choosing a department in the main window.
#include "app/Session.h"
#include "app/Settings.h"
#include "app/SignIn.h"
#include "doubles/ScriptedCredentials.h"
#include "doubles/ScriptedPrompter.h"
#include "doubles/TestSession.h"
#include "imaging/documents/PageOps.h"
#include "imaging/scanning/ScannerUi.h"
#include "main/Program.h"
#include "viewer/JobHost.h"
#include "viewer/MainWindow.h"
#include "viewer/MainWindowUi.h"
#include "viewer/SessionCommands.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFont>
#include <QImage>
#include <QPainter>
#include <QString>
#include <QTemporaryDir>
#include <memory>
#include <QWidget>
#include <cstdio>

namespace shots {

// The output folder given as the first argument (made when missing), or an empty string
// after the usage line was printed.
inline QString outputFolder(int argc, char** argv, const char* usage) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUTDIR\n", usage);
        return {};
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(out);
    return out;
}

// Saves the window's picture as OUT/NAME.png and prints where.
inline void save(QWidget* w, const QString& out, const QString& name) {
    QApplication::processEvents();
    const QString file = out + "/" + name + ".png";
    w->grab().save(file);
    std::printf("%s\n", qPrintable(file));
}

// Lets the window's events run for `ms` milliseconds (paints, queued notices).
inline void settle(int ms = 200) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 20);
}

// Waits (at most two minutes) until the window's jobs have finished and their
// continuations have run.
inline void waitJobs(viewer::MainWindow& w) {
    QElapsedTimer t;
    t.start();
    settle(50);
    while (w.jobs().anyRunning() && t.elapsed() < 120000)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    settle(50);
}

// The scanner's dialogs for tools that scan with the scanner double: messages printed,
// setup accepted, nothing else shown.
class QuietScanUi : public imaging::ScanUi {
public:
    void showMessage(const QString& text) override {
        std::printf("  scanner: %s\n", qPrintable(text));
    }
    bool runSetup(imaging::ScannerDevice&) override { return true; }
    bool runPreferences(imaging::ScannerDevice&, imaging::ScanPreferences&) override { return false; }
    bool runSelectScanner(const std::vector<imaging::ScanDeviceInfo>&, QString&) override {
        return false;
    }
    std::unique_ptr<imaging::ScanProgressView> createProgress() override { return nullptr; }
};

// A signed-in session over the demo database with scanning access, its share in the scratch
// folder under `root` (\\records-fs\recfiles), the scanner's feeder at `dpi`.
inline void scanningSession(doubles::TestSession& t, const QString& root, int dpi) {
    t.useDemoDatabase(false);
    t.signIn();
    t.s().gblnAdmin = true;
    const QString share = t.dir.file("share");
    QDir().mkpath(share);
    t.settings.write(app::kAppPrefs, "Shares", root, share);
    t.settings.write(app::kAppPrefs, "General Preferences", "Default Directory", root);
    t.settings.write(app::kAppPrefs, "Scanner", "Source", "Automatic Document Feeder");
    t.settings.write(app::kAppPrefs, "Scanner", "Resolution", QString::number(dpi));
}

inline void chooseDepartment(viewer::MainWindow& w, const QString& name) {
    w.ui().cboDept->setCurrentIndex(w.ui().cboDept->findText(name));
    w.sessionCommands().cboDept_Click();
}

// A bitonal Letter page at 100 dpi: a title and `lines` lines of nursing notes.
inline imaging::PageSource textPage(const QString& title, int lines) {
    QImage page(850, 1100, QImage::Format_RGB32);
    page.fill(Qt::white);
    QPainter painter(&page);
    QFont f("DejaVu Sans");
    f.setPixelSize(30);
    painter.setFont(f);
    painter.drawText(80, 120, title);
    f.setPixelSize(18);
    painter.setFont(f);
    for (int y = 200, i = 0; i < lines; y += 36, ++i)
        painter.drawText(80, y, "Nursing notes: patient resting comfortably, observations stable.");
    painter.end();
    return imaging::PageSource::pixels(page.convertToFormat(QImage::Format_Mono, Qt::ThresholdDither),
                                       100, 100, {});
}

// The program started on a scratch folder, signed in as the medical-records clerk (demo user
// 1001) with the department chosen; messages go to the scripted prompter.
struct RecordsClerkProgram {
    QTemporaryDir scratch;
    doubles::ScriptedCredentialsPrompt credentials;
    doubles::ScriptedPrompter prompter;
    std::unique_ptr<program::Program> program;

    // The main window, or null after saying why there is none.
    viewer::MainWindow* start() {
        credentials.answers.push_back(app::Credentials{"1001", "records"});
        program = std::make_unique<program::Program>(
            program::Folders{scratch.filePath("config"), scratch.filePath("data")}, &credentials,
            &prompter);
        program->session().svc.settings->write("TALVORDocuvane", "MAIN", "StartupType", "0");
        program->session().svc.settings->write("TALVORDocuvane", "MAIN", "cboDept 1001",
                                               "MEDICAL RECORDS");
        if (!program->start() || !program->mainWindow()) {
            std::fprintf(stderr, "the program did not reach the main window\n");
            return nullptr;
        }
        return program->mainWindow();
    }
};

} // namespace shots
