#include "viewer/EditCommands.h"

#include "app/Access.h"
#include "app/CurrentUser.h"
#include "app/Failure.h"
#include "app/Prompter.h"
#include "app/Session.h"
#include "imaging/DocumentModel.h"
#include "imaging/ImageAdmin.h"
#include "imaging/ImageEdit.h"
#include "imaging/ImageThumbnail.h"
#include "viewer/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <algorithm>

namespace viewer {

namespace {

// Progress of a page operation that rewrites the document several times, shown in the
// status bar; the window is repainted between the steps.
class StatusProgress {
public:
    StatusProgress(QMainWindow& window, const QString& format, int total)
        : bar_(new QProgressBar(&window)) {
        bar_->setObjectName("prgPageOperation");
        bar_->setRange(0, total);
        bar_->setValue(0);
        bar_->setFormat(format);
        bar_->setMaximumWidth(260);
        window.statusBar()->addPermanentWidget(bar_);
        bar_->show();
        QApplication::setOverrideCursor(Qt::WaitCursor);
        repaint();
    }
    ~StatusProgress() {
        QApplication::restoreOverrideCursor();
        delete bar_;
    }
    StatusProgress(const StatusProgress&) = delete;
    StatusProgress& operator=(const StatusProgress&) = delete;

    void advance(int by) {
        bar_->setValue(std::min(bar_->maximum(), bar_->value() + by));
        repaint();
    }

private:
    // Paints what changed without taking the user's clicks and keys, which would start
    // other commands in the middle of this one.
    static void repaint() { QApplication::processEvents(QEventLoop::ExcludeUserInputEvents); }

    QProgressBar* bar_;
};

} // namespace

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
    on(ui.mnuCtxDel, [this] { mnuCtxDel_Click(); });
    // The context menu's Delete Page is "Delete Pages" by another way: shown and enabled
    // exactly when that item is (never for a read-only document).
    QAction* deletePages = ui.mnuEditActionItem[5];
    QAction* ctxDel = ui.mnuCtxDel;
    auto follow = [deletePages, ctxDel] {
        ctxDel->setVisible(deletePages->isVisible());
        ctxDel->setEnabled(deletePages->isEnabled());
    };
    connect(deletePages, &QAction::changed, this, follow);
    follow();
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
        SelectionKind.clear();
        w_.SetSelectionMenus(false, "Rect");
    } else {
        SelectionKind = "Rect";
        w_.SetSelectionMenus(true, "Rect");
    }
}

void EditCommands::docImgEdit1_AnnotationSelected() {
    AnnoSelected = true;
    SelectionKind = "Anno";
    for (int i : {0, 1, 4})
        w_.ui().mnuEditActionItem[i]->setEnabled(true);
}

void EditCommands::docImgEdit1_SelectionCleared() {
    w_.doc().RectSelected = false;
    AnnoSelected = false;
    PasteDone = false;
    SelectionKind.clear();
    w_.SetSelectionMenus(false, "Rect");
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

QString EditCommands::selectedKind() const {
    return w_.doc().RectSelected ? QStringLiteral("Rect") : QStringLiteral("Anno");
}

void EditCommands::enablePaste() {
    w_.ui().mnuEditActionItem[3]->setEnabled(true);
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
    w_.ui().mnuEditActionItem[4]->setEnabled(true);
    PasteDone = true;
}

void EditCommands::clearSelectedImageData() {
    w_.docImgEdit1->deleteImageData();
    w_.doc().RectSelected = false;
    w_.SetSelectionMenus(false, "Rect");
}

void EditCommands::clearSelectedAnnotations() {
    w_.docImgEdit1->deleteSelectedAnnotations();
    AnnoSelected = false;
    w_.SetSelectionMenus(false, "Anno");
}

void EditCommands::Clear() {
    if (w_.doc().RectSelected) {
        clearSelectedImageData();
    } else if (AnnoSelected) {
        clearSelectedAnnotations();
    } else if (PasteDone) {
        if (SelectionKind == "Rect")
            clearSelectedImageData();
        else
            clearSelectedAnnotations();
    }
}

// ---- deleting pages ----

void EditCommands::DeletePages() {
    app::Session& s = w_.session();
    if (app::refuseWithoutRights(s)) return;
    if (s.svc.prompter->msgBox("Are you sure you want to delete the selected page?", app::mb::YesNo,
                               app::mb::Question, QString()) != app::mb::Yes)
        return;

    imaging::ImageThumbnail& strip = *w_.docImgThumbnail1;
    imaging::ImageEdit& edit = *w_.docImgEdit1;
    std::vector<int> selected;
    for (int i = strip.thumbCount(); i >= 1; --i)
        if (strip.thumbSelected(i)) selected.push_back(i);
    const int lowest = selected.empty() ? 0 : selected.back();

    // Neighbouring pages go in one rewrite of the file instead of one each.
    const auto runs = pageRunsFromLast(selected);
    auto showPage = [&](int page) {
        app::Steps(app::FailureStyle::Skip)([&] { edit.setPage(page); });
        w_.doc().gblnJustOpened = false;
        w_.EnablePageMenusAndDisplay(edit.page(), false);
    };
    if (!runs.empty()) {
        StatusProgress progress(w_, tr("Deleting pages: %v of %m"), int(selected.size()));
        for (const auto& [first, count] : runs) {
            edit.clearDisplay();
            try {
                deleteRun(first, count);
            } catch (...) {
                // What was deleted stays deleted; the window shows what is left before the
                // failure is reported.
                showPage(edit.page());
                throw;
            }
            strip.deleteThumbs(first, count);
            progress.advance(count);
        }
    }
    showPage(lowest <= 1 ? 1 : lowest - 1);
}

void EditCommands::deleteRun(int first, int count) {
    imaging::ImageAdmin& admin = *w_.docImgAdmin1;
    if (count > 1 && app::Steps(app::FailureStyle::Skip)([&] { admin.deletePages(first, count); }))
        return;
    for (int page = first + count - 1; page >= first; --page)
        admin.deletePages(page, 1);
}

// ---- rotating, flipping, duplicating ----

void EditCommands::mnuPageRotatePageItem_Click(int Index) {
    imaging::ImageEdit& edit = *w_.docImgEdit1;
    switch (Index) {
    case 0:
        edit.rotateLeft();
        break;
    case 1:
        edit.rotateRight();
        break;
    case 2:
        edit.flip();
        break;
    default:
        return;
    }
    imaging::ImageThumbnail& strip = *w_.docImgThumbnail1;
    if (strip.isVisible()) {
        strip.clearThumbs();
        strip.generateThumb(imaging::kThumbGenerateVisible);
    }
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
    w_.EnablePageMenusAndDisplay(edit.page(), true);
}

// ---- the image buttons and the mouse modes ----

void EditCommands::cmdCommands_Click(int Index) {
    if (Index < 0 || Index >= int(w_.ui().cmdCommands.size())) return;
    imaging::ImageEdit& edit = *w_.docImgEdit1;
    const QString caption = w_.ui().cmdCommands[Index]->text();
    if (caption == "Deskew ")
        edit.deskew();
    else if (caption == "Auto Deskew ")
        edit.autoDeskew();
    else if (caption == "Smooth")
        edit.smooth();
    else if (caption == "Invert")
        edit.invert();
    else if (caption == "Properties")
        edit.showPageProperties(w_.doc().gblnReadOnly ||
                                app::rightsBarChanges(w_.session().gobjCurrentUser->UserRights()));
    w_.SelectMouseTool("Drag");
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
