#include "viewer/EditCommands.h"

#include "app/Access.h"
#include "app/CurrentUser.h"
#include "app/Failure.h"
#include "app/Prompter.h"
#include "app/Session.h"
#include "imaging/documents/DocumentModel.h"
#include "imaging/controls/ImageAdmin.h"
#include "imaging/controls/ImageEdit.h"
#include "imaging/controls/ImageThumbnail.h"
#include "imaging/pixels/ImagingError.h"
#include "imaging/documents/PageOps.h"
#include "viewer/JobHost.h"
#include "viewer/MainWindow.h"
#include "viewer/History.h"

#include <QAction>
#include <QPushButton>
#include <QStatusBar>
#include <algorithm>

namespace viewer {

std::vector<std::pair<int, int>> pageRunsFromLast(std::vector<int> pages) {
    std::sort(pages.begin(), pages.end(), std::greater<>());
    pages.erase(std::unique(pages.begin(), pages.end()), pages.end());
    std::vector<std::pair<int, int>> runs;
    for (int page : pages) {
        if (!runs.empty() && runs.back().first == page + 1) {
            runs.back().first = page;
            ++runs.back().second;
        } else {
            runs.emplace_back(page, 1);
        }
    }
    return runs;
}

EditCommands::EditCommands(MainWindow& w) : QObject(&w), w_(w) {
    MainWindowUi& ui = w.ui();
    auto on = [this](QAction* a, auto handler) {
        connect(a, &QAction::triggered, this,
                [this, handler] { w_.runCommand([this, handler] { handler(); }); });
    };
    for (int i = 0; i < 6; ++i)
        on(ui.mnuEditActionItem[i], [this, i] { mnuEditActionItem_Click(i); });
    for (int i = 0; i < 3; ++i)
        on(ui.mnuEditSelectItem[i], [this, i] { mnuEditSelectItem_Click(i); });
    for (int i = 0; i < 3; ++i)
        on(ui.mnuPageRotatePageItem[i], [this, i] { mnuPageRotatePageItem_Click(i); });
    on(ui.mDuplicate, [this] { mDuplicate_Click(); });
    // Shown and enabled exactly as Delete Pages (the window's command state).
    on(ui.mnuCtxDel, [this] { mnuCtxDel_Click(); });
    on(ui.mnuCtxFlip, [this] { mnuCtxFlip_Click(); });
    on(ui.mnuCtxRLeft, [this] { mnuCtxRLeft_Click(); });
    on(ui.mnuCtxRRight, [this] { mnuCtxRRight_Click(); });
    connect(ui.cmdDup, &QPushButton::clicked, this,
            [this] { w_.runCommand([this] { cmdDup_Click(); }); });
    for (int i = 0; i < 5; ++i)
        connect(ui.cmdCommands[i], &QPushButton::clicked, this,
                [this, i] { w_.runCommand([this, i] { cmdCommands_Click(i); }); });

    imaging::ImageEdit* edit = w.docImgEdit1;
    connect(edit, &imaging::ImageEdit::selectionRectDrawn, this,
            [this](int left, int top, int width, int height) {
                w_.runCommand([&] { docImgEdit1_SelectionRectDrawn(left, top, width, height); });
            });
    connect(edit, &imaging::ImageEdit::annotationSelected, this,
            [this] { w_.runCommand([this] { docImgEdit1_AnnotationSelected(); }); });
    connect(edit, &imaging::ImageEdit::selectionCleared, this,
            [this] { w_.runCommand([this] { docImgEdit1_SelectionCleared(); }); });
}

// ---- selection notifications ----

void EditCommands::docImgEdit1_SelectionRectDrawn(int, int, int width, int height) {
    if ((width == 0 && height == 0) || CopyingPage) {
        AnnoSelected = false;
        SelectionKind = SelectionKind::None;
        w_.SetSelectionMenus(false, SelectionKind::Rect);
    } else {
        SelectionKind = SelectionKind::Rect;
        w_.SetSelectionMenus(true, SelectionKind::Rect);
    }
}

void EditCommands::docImgEdit1_AnnotationSelected() {
    AnnoSelected = true;
    SelectionKind = SelectionKind::Anno;
    // Cut, Copy and Clear; the rectangle selection stays as it was.
    w_.changeCommandFacts([](CommandFacts& f) { f.selection = true; });
}

void EditCommands::docImgEdit1_SelectionCleared() {
    w_.doc().RectSelected = false;
    AnnoSelected = false;
    PasteDone = false;
    SelectionKind = SelectionKind::None;
    w_.SetSelectionMenus(false, SelectionKind::Rect);
}

// ---- the Edit menu ----

void EditCommands::mnuEditActionItem_Click(int Index) {
    switch (Index) {
    case 0:
        Cut();
        break;
    case 1:
        Copy();
        break;
    case 2:
        CopyPage();
        break;
    case 3:
        Paste();
        break;
    case 4:
        Clear();
        break;
    case 5:
        DeletePages();
        break;
    default:
        break;
    }
}

SelectionKind EditCommands::selectedKind() const {
    return w_.doc().RectSelected ? SelectionKind::Rect : SelectionKind::Anno;
}

void EditCommands::enablePaste() {
    w_.changeCommandFacts([](CommandFacts& f) { f.pasteReady = true; });
}

void EditCommands::Cut() {
    if (!w_.doc().RectSelected && !AnnoSelected) return;
    imaging::ImageEdit& edit = *w_.docImgEdit1;
    edit.clipboardCut();
    edit.drawSelectionRect(0, 0, 0, 0);
    if (edit.isClipboardDataAvailable()) {
        w_.SetSelectionMenus(false, selectedKind());
        enablePaste();
    }
}

void EditCommands::Copy() {
    if (!w_.doc().RectSelected && !AnnoSelected) return;
    imaging::ImageEdit& edit = *w_.docImgEdit1;
    edit.clipboardCopy();
    if (edit.isClipboardDataAvailable()) {
        w_.SetSelectionMenus(true, selectedKind());
        enablePaste();
    }
}

void EditCommands::CopyPage() {
    imaging::ImageEdit& edit = *w_.docImgEdit1;
    CopyingPage = true;
    const double zoom = edit.zoom();
    // However the copy ends, the selection notifications count again and the page is shown
    // at the zoom it had.
    struct Restore {
        EditCommands& c;
        imaging::ImageEdit& edit;
        double zoom;
        ~Restore() {
            c.CopyingPage = false;
            app::Steps steps(app::FailureStyle::Skip);
            steps([&] { edit.drawSelectionRect(0, 0, 0, 0); });
            steps([&] { edit.setZoom(zoom); });
            steps([&] { edit.refresh(); });
        }
    } restore{*this, edit, zoom};
    edit.fitTo(imaging::kFitBest, false);
    edit.drawSelectionRect(0, 0, edit.imageScaleWidth(), edit.imageScaleHeight());
    edit.clipboardCopy();
    if (edit.isClipboardDataAvailable()) enablePaste();
}

void EditCommands::Paste() {
    imaging::ImageEdit& edit = *w_.docImgEdit1;
    if (!edit.isClipboardDataAvailable()) return;
    edit.drawSelectionRect(0, 0, 0, 0);
    edit.clipboardPaste();
    w_.changeCommandFacts([](CommandFacts& f) { f.pasted = true; }); // Clear takes it back
    PasteDone = true;
}

void EditCommands::clearSelectedImageData() {
    w_.docImgEdit1->deleteImageData();
    w_.doc().RectSelected = false;
    w_.SetSelectionMenus(false, SelectionKind::Rect);
}

void EditCommands::clearSelectedAnnotations() {
    w_.docImgEdit1->deleteSelectedAnnotations();
    AnnoSelected = false;
    w_.SetSelectionMenus(false, SelectionKind::Anno);
}

void EditCommands::Clear() {
    if (w_.doc().RectSelected) {
        clearSelectedImageData();
    } else if (AnnoSelected) {
        clearSelectedAnnotations();
    } else if (PasteDone) {
        if (SelectionKind == SelectionKind::Rect)
            clearSelectedImageData();
        else
            clearSelectedAnnotations();
    }
}

// ---- deleting pages ----

void EditCommands::DeletePages() {
    imaging::ImageThumbnail& strip = *w_.docImgThumbnail1;
    std::vector<int> selected;
    for (int i = strip.thumbCount(); i >= 1; --i)
        if (strip.thumbSelected(i)) selected.push_back(i);
    deletePages(std::move(selected), QStringLiteral("Are you sure you want to delete the selected page?"));
}

void EditCommands::deletePages(std::vector<int> selected, const QString& question) {
    app::Session& s = w_.session();
    if (app::refuseWithoutRights(s)) return;
    if (s.svc.prompter->msgBox(question, app::mb::YesNo, app::mb::Question, QString()) !=
        app::mb::Yes)
        return;

    const int lowest = selected.empty() ? 0 : *std::min_element(selected.begin(), selected.end());
    const int afterwards = lowest <= 1 ? 1 : lowest - 1;
    if (selected.empty()) return showPageAfterRewrite(afterwards);

    // Neighbouring pages go in one rewrite of the file instead of one each, from the last
    // run, on a worker thread; the page shown stays on screen and scrollable meanwhile.
    const auto runs = pageRunsFromLast(selected);
    int total = 0;
    for (const auto& run : runs) total += run.second;
    const imaging::DocumentModelPtr model = imaging::DocumentModel::find(w_.docImgAdmin1->image());
    const QString file = w_.docImgAdmin1->image();
    auto done = std::make_shared<std::vector<std::pair<int, int>>>(); // runs deleted so far
    const imaging::PathResolver resolve = w_.imagingEnvironment()->paths;
    auto* job = new jobs::Job(tr("Deleting pages"), [runs, total, model, file, resolve, done](jobs::Progress& p) {
        int deleted = 0;
        p.set(0, total, tr("%1 of %2").arg(0).arg(total));
        for (const auto& [first, count] : runs) {
            p.checkCancel(); // between rewrites: each one is whole or not at all
            deleteRun(model, file, resolve, first, count);
            done->emplace_back(first, count);
            deleted += count;
            p.set(deleted, total, tr("%1 of %2").arg(deleted).arg(total));
        }
    });
    // Several rewrites can be stopped between two of them.
    job->setCancellable(runs.size() > 1);
    const bool started = w_.jobs().start(
        job, JobHost::Scope::Document, [this, done, afterwards](const jobs::Result& r) {
            imaging::ImageThumbnail& strip = *w_.docImgThumbnail1;
            QStringList deleted; // as numbered before the deletion, last first
            for (const auto& [first, count] : *done) {
                app::Steps(app::FailureStyle::Skip)([&] { strip.deleteThumbs(first, count); });
                deleted << pageRange(first, first + count - 1);
            }
            if (!done->empty())
                recordDocumentHistory(w_, history::Action::DeletePages, deleted.join(", "));
            if (r.ok()) return showPageAfterRewrite(afterwards);
            // What was deleted stays deleted; the window shows what is left before the
            // failure is reported.
            showPageAfterRewrite(w_.docImgEdit1->page());
            if (r.failed()) w_.runCommand([&] { std::rethrow_exception(r.error); });
        });
    if (!started) w_.refuseWhileBusy();
}

void EditCommands::showPageAfterRewrite(int page) {
    imaging::ImageEdit& edit = *w_.docImgEdit1;
    app::Steps(app::FailureStyle::Skip)([&] { edit.setPage(page); });
    w_.doc().gblnJustOpened = false;
    w_.EnablePageMenusAndDisplay(edit.page(), false);
}

void EditCommands::deleteRun(const imaging::DocumentModelPtr& model, const QString& file,
                             const imaging::PathResolver& resolve, int first, int count) {
    auto remove = [&](int from, int n) {
        if (model)
            model->deletePages(from, n);
        else
            imaging::deletePages(file, from, n, resolve);
    };
    if (count > 1) {
        try {
            remove(first, count);
            return;
        } catch (const imaging::Error&) {
            // One at a time from the last, so that what can go goes.
        }
    }
    for (int page = first + count - 1; page >= first; --page)
        remove(page, 1);
}

// ---- rotating, flipping, duplicating ----

void EditCommands::mnuPageRotatePageItem_Click(int Index) {
    static constexpr imaging::PageEdit turns[] = {imaging::PageEdit::RotateLeft,
                                                  imaging::PageEdit::RotateRight,
                                                  imaging::PageEdit::Flip};
    if (Index < 0 || Index > 2) return;
    startPageEdit(turns[Index], [this] {
        imaging::ImageThumbnail& strip = *w_.docImgThumbnail1;
        if (strip.isVisible()) {
            strip.clearThumbs();
            strip.generateThumb(imaging::kThumbGenerateVisible);
        }
    });
}

void EditCommands::startPageEdit(imaging::PageEdit edit, std::function<void()> afterwards) {
    // A page is changed on a worker: a large page takes its time to decode, turn or
    // straighten, and the window keeps painting meanwhile.
    if (w_.refuseWhileBusy()) return;
    jobs::Job* job = w_.docImgEdit1->makePageEditJob(edit);
    w_.jobs().start(job, JobHost::Scope::Document,
                    [this, afterwards = std::move(afterwards)](const jobs::Result& r) {
                        if (r.ok()) return afterwards();
                        if (r.failed()) w_.runCommand([&] { std::rethrow_exception(r.error); });
                    });
}

void EditCommands::mDuplicate_Click() {
    app::Session& s = w_.session();
    app::Steps(app::FailureStyle::ShowAndStop, s.svc.log, s.svc.prompter)([this] { Duplicate(); });
}

void EditCommands::cmdDup_Click() {
    mDuplicate_Click();
}

void EditCommands::Duplicate() {
    if (app::refuseWithoutRights(w_.session())) return;
    imaging::ImageEdit& edit = *w_.docImgEdit1;
    const int p = edit.page();
    const imaging::DocumentModelPtr model = edit.model();
    if (model && p >= 1 && p <= model->pageCount() && model->isPageModified(p - 1)) {
        // The page as it is shown, with its unsaved changes, is what the user duplicates.
        const imaging::PageInfo info = model->pageInfo(p - 1);
        model->insertPageSources(
            p, {imaging::PageSource::pixels(model->pageImage(p - 1), info.xDpi, info.yDpi,
                                            model->annotations(p - 1))});
    } else {
        w_.docImgAdmin1->insert(edit.image(), p, p, 1);
    }
    recordDocumentHistory(w_, history::Action::DuplicatePage, pageRange(p, p));
    w_.EnablePageMenusAndDisplay(edit.page(), true);
}

// ---- the image buttons and the mouse modes ----

void EditCommands::cmdCommands_Click(int Index) {
    if (Index < 0 || Index >= int(w_.ui().cmdCommands.size())) return;
    imaging::ImageEdit& edit = *w_.docImgEdit1;
    const QString caption = w_.ui().cmdCommands[Index]->text();
    const auto then = [this] { w_.SelectMouseTool("Drag"); };
    if (caption == "Deskew ")
        return startPageEdit(imaging::PageEdit::Deskew, then);
    if (caption == "Auto Deskew ")
        return startPageEdit(imaging::PageEdit::AutoDeskew, then);
    if (caption == "Smooth") return startPageEdit(imaging::PageEdit::Smooth, then);
    if (caption == "Invert") return startPageEdit(imaging::PageEdit::Invert, then);
    if (caption == "Properties")
        edit.showPageProperties(w_.doc().gblnReadOnly ||
                                app::rightsBarChanges(w_.session().gobjCurrentUser->UserRights()));
    then();
}

void EditCommands::mnuEditSelectItem_Click(int Index) {
    static const char* tools[] = {"Drag", "SelectionRectangle", "SelectAnnoAndZones"};
    if (Index < 0 || Index > 2) return;
    w_.SelectMouseTool(tools[Index]);
}

// ---- the thumbnail strip's context menu ----

void EditCommands::mnuCtxDel_Click() {
    mnuEditActionItem_Click(5);
}
void EditCommands::mnuCtxFlip_Click() {
    mnuPageRotatePageItem_Click(2);
}
void EditCommands::mnuCtxRLeft_Click() {
    mnuPageRotatePageItem_Click(0);
}
void EditCommands::mnuCtxRRight_Click() {
    mnuPageRotatePageItem_Click(1);
}

} // namespace viewer
