// docuvane-import-shots OUTDIR: starts the program on a scratch folder as the medical-records
// user, opens a record and saves pictures of "Insert Pages" (frmInsPage), of "Import Images"
// (frmAddImages) after an import of a small folder, and of the log window with its lines.
#include "ShotSupport.h"
#include "doubles/RenderWait.h"
#include "app/Log.h"
#include "app/Session.h"
#include "app/Settings.h"
#include "app/SignIn.h"
#include "doubles/ScriptedCredentials.h"
#include "doubles/ScriptedDialogs.h"
#include "doubles/ScriptedPrompter.h"
#include "imaging/controls/ImageAdmin.h"
#include "imaging/controls/ImageEdit.h"
#include "imaging/documents/PageOps.h"
#include "main/Program.h"
#include "viewer/JobHost.h"
#include "viewer/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <cstdio>

namespace {

void settle(viewer::MainWindow& w) {
    QElapsedTimer t;
    t.start();
    do QApplication::processEvents(QEventLoop::AllEvents, 20);
    while (w.jobs().anyRunning() && t.elapsed() < 30000);
    doubles::waitForIdle(*w.docImgEdit1, 5000);
    QApplication::processEvents();
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString out = shots::outputFolder(argc, argv, "docuvane-import-shots");
    if (out.isEmpty()) return 2;
    shots::RecordsClerkProgram clerk;
    viewer::MainWindow* started = clerk.start();
    if (!started) return 1;
    viewer::MainWindow& w = *started;
    QTemporaryDir& scratch = clerk.scratch;
    doubles::ScriptedPrompter& prompter = clerk.prompter;
    w.resize(1100, 780);

    // A record of three pages, a source file of twelve and a folder of scans.
    const QString record = scratch.filePath("record.tif");
    imaging::writeDocument(record, {shots::textPage("ADMISSION NOTES - page 1", 20), shots::textPage("page 2", 20),
                                    shots::textPage("page 3", 20)});
    QDir().mkpath(scratch.filePath("scanned elsewhere"));
    const QString source = scratch.filePath("scanned elsewhere/ward five consultation notes.tif");
    std::vector<imaging::PageSource> twelve;
    for (int i = 1; i <= 12; ++i) twelve.push_back(shots::textPage(QString("CONSULTATION - page %1").arg(i), 8));
    imaging::writeDocument(source, twelve);
    const QString folder = scratch.filePath("import");
    QDir().mkpath(folder);
    imaging::writeDocument(folder + "/Lab results.tif", {shots::textPage("LAB RESULTS", 10)});
    imaging::writeDocument(folder + "/discharge.tif", {shots::textPage("DISCHARGE - 1", 10), shots::textPage("DISCHARGE - 2", 10)});
    QFile notes(folder + "/readme.txt");
    notes.open(QIODevice::WriteOnly);
    notes.write("not a picture\n");
    notes.close();

    w.PerformFileOpen(false, record, 2);
    w.findChild<QAction*>("mnuViewModeItem_2")->trigger();
    settle(w);

    auto files = std::make_shared<doubles::ScriptedFileDialogRunner>();
    files->answer(source);
    w.ImgAdmin1->setFileDialogRunner(files);
    w.findChild<QAction*>("mnuPageInsertItem_1")->trigger();
    if (auto* d = w.findChild<QDialog*>("frmInsPage")) {
        d->findChild<QRadioButton*>("optPage")->click();
        d->findChild<QLineEdit*>("txtFrom")->setText("3");
        d->findChild<QLineEdit*>("txtTo")->setText("5");
        shots::save(d, out, "frmInsPage");
        d->findChild<QPushButton*>("cmdOK")->click();
        settle(w);
    } else {
        std::fprintf(stderr, "frmInsPage did not open\n");
    }

    w.findChild<QAction*>("mAddImages")->trigger();
    auto* add = w.findChild<QDialog*>("frmAddImages");
    if (!add) {
        std::fprintf(stderr, "frmAddImages did not open\n");
        return 1;
    }
    add->findChild<QLineEdit*>("txtPath")->setText(folder);
    add->findChild<QRadioButton*>("optAppend")->setChecked(true);
    add->findChild<QPushButton*>("cmdAdd")->click();
    settle(w);
    shots::save(add, out, "frmAddImages");
    if (auto* log = w.findChild<app::LogWindow*>("frmLog")) shots::save(log, out, "log-import");
    shots::save(&w, out, "main-after-import");
    for (const auto& m : prompter.shown) std::fprintf(stderr, "message: %s\n", qPrintable(m.text));
    return 0;
}
