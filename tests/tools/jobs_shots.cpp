// docuvane-jobs-shots OUTDIR: starts the program on a scratch folder as the medical-records
// user, opens a document of 1000 pages with its thumbnails, deletes 200 pages spread over it
// (200 rewrites of the file) and saves pictures of the window while that runs: the status
// bar's progress, then the page scrolled down meanwhile. The deletion is cancelled at the end.
#include "ShotSupport.h"
#include "doubles/RenderWait.h"
#include "doubles/ScriptedCredentials.h"
#include "doubles/ScriptedPrompter.h"
#include "app/Session.h"
#include "app/Prompter.h"
#include "app/Settings.h"
#include "app/SignIn.h"
#include "imaging/controls/ImageEdit.h"
#include "imaging/controls/ImageThumbnail.h"
#include "imaging/documents/PageOps.h"
#include "main/Program.h"
#include "viewer/JobHost.h"
#include "viewer/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <cstdio>

namespace {

// Turns the event loop until `done` holds or `ms` have passed.
template <class Done> bool turnUntil(Done done, int ms) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString out = shots::outputFolder(argc, argv, "docuvane-jobs-shots");
    if (out.isEmpty()) return 2;
    shots::RecordsClerkProgram clerk;
    viewer::MainWindow* started = clerk.start();
    if (!started) return 1;
    viewer::MainWindow& w = *started;
    QTemporaryDir& scratch = clerk.scratch;
    doubles::ScriptedPrompter& prompter = clerk.prompter;
    w.resize(1100, 800);

    const QString path = scratch.filePath("progress notes.tif");
    std::vector<imaging::PageSource> pages;
    for (int i = 1; i <= 1000; ++i) pages.push_back(shots::textPage(QString("PROGRESS NOTES - page %1").arg(i), 24));
    imaging::writeDocument(path, pages);
    pages.clear();

    w.PerformFileOpen(false, path, 1);
    w.findChild<QAction*>("mnuViewModeItem_2")->trigger();
    doubles::waitForIdle(*w.docImgEdit1, 10000);
    QApplication::processEvents();

    // Every fifth page from 2 to 996: 200 runs of one page, each its own rewrite.
    imaging::ImageThumbnail& strip = *w.docImgThumbnail1;
    for (int page = 2; page <= 996; page += 5) strip.setThumbSelected(page, true);
    prompter.answers.push_back(app::mb::Yes);
    w.findChild<QAction*>("mnuEditActionItem_5")->trigger();

    viewer::JobHost& jobs = w.jobs();
    if (!turnUntil([&] { return jobs.documentJob() && jobs.documentJob()->value() >= 3; }, 60000)) {
        std::fprintf(stderr, "the deletion did not start\n");
        return 1;
    }
    shots::save(&w, out, "main-deleting-pages");
    std::printf("status: %s, %d of %d\n", qPrintable(jobs.label()->text()),
                jobs.progressBar()->value(), jobs.progressBar()->maximum());

    // The page is still scrolled while the rewrites go on.
    const int before = jobs.documentJob() ? int(jobs.documentJob()->value()) : -1;
    for (int i = 0; i < 6; ++i) {
        w.docImgEdit1->scrollImage(imaging::kScrollDown, 120);
        turnUntil([] { return false; }, 60);
    }
    shots::save(&w, out, "main-deleting-pages-scrolled");
    const bool running = jobs.documentJob() != nullptr;
    std::printf("scrolled while running: %s (pages deleted %d before, %lld after)\n",
                running ? "yes" : "no", before,
                running ? jobs.documentJob()->value() : -1LL);

    if (jobs.cancelButton()->isVisible()) jobs.cancelButton()->click();
    turnUntil([&] { return !jobs.anyRunning(); }, 60000);
    doubles::waitForIdle(*w.docImgEdit1, 10000);
    shots::save(&w, out, "main-after-cancelled-deletion");
    std::printf("pages left: %d\n", w.docImgEdit1->pageCount());
    for (const auto& m : prompter.shown) std::fprintf(stderr, "message: %s\n", qPrintable(m.text));
    return 0;
}
