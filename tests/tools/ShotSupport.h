#pragma once
// What the screenshot tools share: the output folder from the command line, saving a
// window's picture, and choosing a department in the main window.
#include "app/Session.h"
#include "app/Settings.h"
#include "app/SignIn.h"
#include "doubles/ScriptedCredentials.h"
#include "doubles/ScriptedPrompter.h"
#include "imaging/documents/PageOps.h"
#include "main/Program.h"
#include "viewer/MainWindow.h"
#include "viewer/MainWindowUi.h"
#include "viewer/SessionCommands.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
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
