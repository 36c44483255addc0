#include "capture/PageCommands.h"

#include "app/Access.h"
#include "app/Failure.h"
#include "app/General.h"
#include "app/Prompter.h"
#include "app/Session.h"
#include "capture/CaptureState.h"
#include "capture/Filing.h"
#include "capture/ImportImagesDialog.h"
#include "capture/InsertPagesDialog.h"
#include "imaging/documents/DocumentModel.h"
#include "imaging/controls/ImageAdmin.h"
#include "imaging/controls/ImageEdit.h"
#include "imaging/controls/ImageScan.h"
#include "imaging/controls/ImageThumbnail.h"
#include "imaging/pixels/ImagingError.h"
#include "jobs/Job.h"
#include "viewer/BlankPages.h"
#include "viewer/JobHost.h"
#include "viewer/MainWindow.h"
#include "viewer/History.h"

#include <QAction>
#include <QPointer>

namespace capture {

namespace {

// Sets the scanner as the page command's row of the settings table says, writing into the
// page display's file.
void setScanner(viewer::MainWindow& w, const PageScanSettings& s) {
    imaging::ImageScan& scan = *w.docImgScan1;
    scan.setShowSetupBeforeScan(s.showSetup);
    scan.setScanTo(s.destination);
    scan.setMultiPage(s.severalPages);
    scan.setImage(w.docImgEdit1->image());
    if (s.atCurrentPage) scan.setPage(w.docImgEdit1->page());
    scan.setPageOption(s.placement);
}

// After a scan into the document: the thumbnails read it again and the window shows the page.
void showAfterScan(viewer::MainWindow& w) {
    w.docImgThumbnail1->setImage(w.docImgScan1->image());
    w.doc().gblnJustOpened = false;
    w.EnablePageMenusAndDisplay(w.docImgEdit1->page(), true);
}

// Starts the configured scan as the window's document job; `then` runs when it is over, also
// when it ended before any paper moved (a cancelled setup), so the window redisplays.
void scanThen(viewer::MainWindow& w, std::function<void(viewer::MainWindow&)> then) {
    QPointer<viewer::MainWindow> window(&w);
    auto after = [window, then](int) {
        if (window) then(*window);
    };
    if (!startScanJob(w, after)) after(w.docImgScan1->lastError());
}

// Insert's failure style: the error's description, a blank and the step number.
app::Steps insertSteps(viewer::MainWindow& w, const int& step) {
    app::Steps steps(app::FailureStyle::ShowAndStop, w.session().svc.log, w.session().svc.prompter);
    steps.format([&step](const app::ErrorInfo& e) { return e.description + " " + QString::number(step); });
    return steps;
}

void insertScan(viewer::MainWindow& w) {
    if (!windowFree(w)) return;
    const int step = 0;
    app::Steps steps = insertSteps(w, step);
    if (!steps([&] { setScanner(w, kInsertScan); })) return;
    const int before = w.docImgEdit1->pageCount(), at = w.docImgEdit1->page();
    scanThen(w, [before, at](viewer::MainWindow& w) {
        const int step = 0;
        insertSteps(w, step)([&] { showAfterScan(w); });
        if (const int added = w.docImgEdit1->pageCount() - before; added > 0) {
            viewer::recordDocumentHistory(w, history::Action::InsertPages,
                                          viewer::pageRange(at, at + added - 1), "scanned");
            viewer::checkBlankPages(w, at, added);
        }
    });
}

void appendScan(viewer::MainWindow& w) {
    if (!windowFree(w)) return;
    app::Steps steps(app::FailureStyle::Skip);
    steps([&] { setScanner(w, kAppendScan); });
    int n = 0;
    steps([&] { n = w.docImgEdit1->pageCount(); });
    scanThen(w, [n](viewer::MainWindow& w) {
        app::Steps steps(app::FailureStyle::Skip);
        steps([&] { w.docImgThumbnail1->setImage(w.docImgScan1->image()); });
        // The first appended page; when nothing was appended the page stays.
        steps([&] {
            if (w.docImgEdit1->pageCount() > n) w.docImgEdit1->setPage(n + 1);
        });
        if (w.docImgEdit1->pageCount() > n) {
            viewer::recordDocumentHistory(w, history::Action::AppendPages,
                                          viewer::pageRange(n + 1, w.docImgEdit1->pageCount()),
                                          "scanned");
            viewer::checkBlankPages(w, n + 1, w.docImgEdit1->pageCount() - n);
        }
        steps([&] {
            w.doc().gblnJustOpened = false;
            w.EnablePageMenusAndDisplay(w.docImgEdit1->page(), true);
        });
    });
}

// Insert or Append, Existing Page: the source file from the file dialog of ImgAdmin1, then
// the "Insert Pages" / "Append Pages" dialog.
void existingPage(viewer::MainWindow& w, bool insert) {
    if (!windowFree(w)) return;
    app::Session& s = w.session();
    CaptureState& state = CaptureState::of(w);
    imaging::ImageAdmin& admin = *w.ImgAdmin1;
    int step = 0;
    app::Steps steps = insert ? insertSteps(w, step) : app::Steps(app::FailureStyle::Skip);
    bool cancelled = false;
    auto run = [&](int n, const std::function<void()>& f) {
        step = n;
        return !steps.stopped() && steps(f);
    };
    run(1, [&] { admin.setImage(QString()); });
    run(2, [&] { admin.setInitDir(s.gstrDefaultDirectory); });
    run(3, [&] {
        admin.setFlags(4);
        admin.setCancelError(true);
    });
    run(4, [&] {
        try {
            admin.showFileDialog(imaging::kFileDialogOpen, &w);
        } catch (const imaging::Error& e) {
            if (e.number() != imaging::kCancelError) throw;
            cancelled = true;
        }
    });
    if (cancelled || steps.stopped()) return;
    auto statusMessage = [&](const QString& description) {
        s.svc.prompter->msgBox(description + " (ImgAdmin error " +
                                   QString::number(admin.statusCode(), 16).toUpper() + ")",
                               app::mb::OKOnly, app::mb::Critical);
    };
    if (admin.statusCode() != 0) {
        statusMessage(steps.lastError().description);
        return;
    }
    if (admin.image().isEmpty()) return; // nothing chosen (a failing dialog that was skipped)
    state.strInsertSource = admin.image();
    state.strInsertSourceName = app::GetFileNameFromPath(state.strInsertSource);
    state.strInsertMode = insert ? "Insert" : "Append";
    auto* dialog = new InsertPagesDialog(w, state);
    try {
        dialog->Form_Load(); // reads the source's page count: a file that is no image stops here
    } catch (const imaging::Error& e) {
        delete dialog;
        statusMessage(e.description());
        admin.setImage(w.docImgEdit1->image());
        return;
    }
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}

} // namespace

bool startPageJob(viewer::MainWindow& w, const QString& title,
                  std::function<void(imaging::DocumentModel&, jobs::Progress&)> work,
                  std::function<void(const jobs::Result&)> then, bool cancellable) {
    app::Prompter& prompter = *w.session().svc.prompter;
    if (app::refuseRecordFileChange(w.session())) return false;
    const imaging::DocumentModelPtr model = w.docImgEdit1->model();
    if (!model) {
        prompter.msgBox("Open a document first: the pages go into the document shown.",
                        app::mb::OKOnly, app::mb::Exclamation);
        return false;
    }
    if (!windowFree(w)) return false;
    // The work keeps the model alive even if the document is closed meanwhile, and lets go
    // of it when it is over (the job object itself goes later).
    auto held = std::make_shared<imaging::DocumentModelPtr>(model);
    auto* job = new jobs::Job(title, [held, work = std::move(work)](jobs::Progress& p) {
        const imaging::DocumentModelPtr m = std::move(*held);
        work(*m, p);
    });
    job->setCancellable(cancellable);
    QPointer<viewer::MainWindow> window(&w);
    const bool started = w.jobs().start(job, viewer::JobHost::Scope::Document,
                                        [window, then = std::move(then)](const jobs::Result& r) {
                                            if (window && then) then(r);
                                        });
    if (!started)
        prompter.msgBox("Another operation is still running on the document; try again when it "
                        "has finished.",
                        app::mb::OKOnly, app::mb::Exclamation);
    return started;
}

// Every command below rewrites the open record's file.
void mnuPageInsertItem_Click(viewer::MainWindow& w, int Index) {
    if (app::refuseRecordFileChange(w.session())) return;
    if (Index == 0) insertScan(w);
    if (Index == 1) existingPage(w, true);
}

void mnuPageAppendItem_Click(viewer::MainWindow& w, int Index) {
    if (app::refuseRecordFileChange(w.session())) return;
    if (Index == 0) appendScan(w);
    if (Index == 1) existingPage(w, false);
}

void mnuPageRescan_Click(viewer::MainWindow& w) {
    if (app::refuseRecordFileChange(w.session()) || !windowFree(w)) return;
    // No handler of its own: a failure ends the command. The scanned page replaces the
    // current page only once it is completely scanned; a failed or cancelled scan leaves it.
    setScanner(w, kRescan);
    const int page = w.docImgEdit1->page();
    scanThen(w, [page](viewer::MainWindow& w) {
        showAfterScan(w);
        if (w.docImgScan1->lastError() == 0) {
            viewer::recordDocumentHistory(w, history::Action::RescanPages, viewer::pageRange(page, page));
            viewer::checkBlankPages(w, page, 1);
        }
    });
}

void mAddImages_Click(viewer::MainWindow& w) {
    if (app::refuseRecordFileChange(w.session())) return;
    CaptureState& state = CaptureState::of(w);
    if (!state.addImages) {
        state.addImages = new ImportImagesDialog(w, state);
        state.addImages->Form_Load();
    }
    state.addImages->show();
    state.addImages->raise();
    state.addImages->activateWindow();
}

void installPageCommands(viewer::MainWindow& w) {
    auto& ui = w.ui();
    for (int i = 0; i < 2; ++i) {
        QObject::connect(ui.mnuPageInsertItem[i], &QAction::triggered, &w,
                         [&w, i] { w.runCommand([&] { mnuPageInsertItem_Click(w, i); }); });
        QObject::connect(ui.mnuPageAppendItem[i], &QAction::triggered, &w,
                         [&w, i] { w.runCommand([&] { mnuPageAppendItem_Click(w, i); }); });
    }
    QObject::connect(ui.mnuPageRescan, &QAction::triggered, &w,
                     [&w] { w.runCommand([&] { mnuPageRescan_Click(w); }); });
    QObject::connect(ui.mAddImages, &QAction::triggered, &w,
                     [&w] { w.runCommand([&] { mAddImages_Click(w); }); });
}

} // namespace capture
