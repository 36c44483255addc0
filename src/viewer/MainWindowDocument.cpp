// The main window's document procedures: opening and closing documents, the menu states of
// the document modes, showing a page, the pane layout and the mouse-tool check marks.
#include "viewer/MainWindow.h"

#include "app/Failure.h"
#include "app/General.h"
#include "app/Paths.h"
#include "app/Prompter.h"
#include "app/Session.h"
#include "imaging/DocumentModel.h"
#include "imaging/ImageAdmin.h"
#include "imaging/ImageEdit.h"
#include "imaging/ImageScan.h"
#include "imaging/ImageThumbnail.h"
#include "viewer/EditCommands.h"
#include "viewer/FileCommands.h"
#include "viewer/NavigationCommands.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QResizeEvent>
#include <QToolBar>

namespace viewer {

namespace {

struct SourcePrefix {
    const char* prefix;
    int kind;
};
constexpr SourcePrefix kPrefixes[] = {
    {"FTP://", 1}, {"HTTP://", 1}, {"IMAGE://", 2}, {"IMAGEX://", 3}};

void showItems(std::initializer_list<QAction*> actions, bool v) {
    for (QAction* a : actions) a->setVisible(v);
}
void enableItems(std::initializer_list<QAction*> actions, bool e) {
    for (QAction* a : actions) a->setEnabled(e);
}
template <size_t N> void enableItems(const std::array<QAction*, N>& items, bool e) {
    for (QAction* a : items)
        if (a) a->setEnabled(e);
}

} // namespace

void MainWindow::PerformFileOpen(bool blnNamingOnly, const QString& strFullPathFileName,
                                 int lngPageNo) {
    app::Steps steps(app::FailureStyle::Log, s_.svc.log, s_.svc.prompter);
    doc_.FullPathFileName = strFullPathFileName;

    // The address kind and the file name.
    QString enginePath = strFullPathFileName;
    doc_.gintSourceKind = 0;
    doc_.FileName = app::GetFileNameFromPath(strFullPathFileName);
    const QString upper = strFullPathFileName.toUpper();
    for (const SourcePrefix& p : kPrefixes) {
        if (upper.startsWith(QLatin1String(p.prefix))) {
            doc_.gintSourceKind = p.kind;
            doc_.FileName = strFullPathFileName.mid(int(qstrlen(p.prefix)));
            // The engine opens the file behind an image address; network addresses it
            // refuses with a clear error.
            if (p.kind >= 2) enginePath = doc_.FileName;
            break;
        }
    }
    doc_.Title = doc_.gblnNewDocument ? QStringLiteral("Untitled") : doc_.FileName;

    steps([&] { docImgAdmin1->setImage(enginePath); });
    steps([&] { docImgEdit1->setImage(enginePath); });
    steps([&] { docImgThumbnail1->setImage(enginePath); });
    // The old document is gone now: its save question was answered before.
    resetCloseAnswer();
    steps([&] { doc_.gintFileType = docImgAdmin1->fileType(); });
    steps([&] {
        bool readOnlyAttribute = false;
        if (doc_.gintSourceKind == 0 || doc_.gintSourceKind >= 2) {
            const QFileInfo fi(s_.svc.paths ? s_.svc.paths->toNative(enginePath) : enginePath);
            // A file nobody may write to is read-only even for an administrator who could.
            readOnlyAttribute =
                fi.exists() && (!fi.isWritable() || !(fi.permissions() & QFile::WriteOwner));
        }
        // A damaged file (its page chain loops back) shows the pages before the damage.
        const QString damage = docImgAdmin1->damage();
        doc_.gblnReadOnly = doc_.gintSourceKind == 3 || readOnlyAttribute || !damage.isEmpty();
        ui_.txtReadOnly->setVisible(doc_.gblnReadOnly);
        if (!damage.isEmpty())
            s_.svc.prompter->msgBox("The file " + doc_.FileName + " is damaged: " + damage +
                                        ".\r\nIt is shown read-only with the pages before the damage.",
                                    app::mb::OKOnly, app::mb::Exclamation);
    });
    if (blnNamingOnly) return;

    steps([&] {
        if (!doc_.DisplayedOnce) ui_.mnuViewScaleToGray->setChecked(true);
    });
    steps([&] { editing_->mnuEditSelectItem_Click(0); });
    steps([&] {
        docImgAdmin1->setPage(lngPageNo);
        docImgEdit1->setPage(lngPageNo);
        docImgThumbnail1->setThumbSelected(lngPageNo, true);
    });
    steps([&] { SetDocumentMode(doc_.gblnReadOnly ? "ReadOnly" : "ReadWrite"); });
    doc_.gblnJustOpened = true;
    steps([&] { EnablePageMenusAndDisplay(docImgEdit1->page(), false); });
    steps([&] { navigation_->mnuViewModeItem_Click(ViewMode); });
}

bool MainWindow::PerformFileClose(std::function<void()> resume) {
    if (refuseWhileBusy()) return false;
    app::Steps steps(app::FailureStyle::Skip);
    // The answer covers the letting go that follows: the page display's closing notice, which
    // releasing the file below raises, must not ask again (nor run this again).
    closeAnswered_ = true;
    auto cancelled = [this] {
        closeAnswered_ = false;
        return false;
    };
    bool modified = false;
    steps([&] { modified = docImgEdit1->imageModified(); });
    // Unsaved changes are asked about with every access type; without scanning access an
    // unnamed scan is asked about as well.
    if (modified || (doc_.gblnNewDocument && !s_.gblnAdmin)) {
        const int answer = s_.svc.prompter->msgBox(
            "Do you want to save the changes to " + doc_.Title + "?", app::mb::YesNoCancel,
            app::mb::Exclamation);
        if (answer == app::mb::Cancel) return cancelled();
        if (answer == app::mb::Yes) {
            // The close goes on once the document is saved: the command runs again and then
            // finds nothing left to ask. A scan that was not given a name is kept when Save As
            // is cancelled, and a save that failed keeps the document: its changes are not
            // dropped. A read-only file keeps its changes only under another name.
            QPointer<MainWindow> self(this);
            auto then = [self, resume = std::move(resume)](bool saved) {
                if (saved && self && resume) resume();
            };
            if (doc_.gblnNewDocument || doc_.gblnReadOnly)
                steps([&] { files_->mnuFileSaveAs_Click(then); });
            else
                steps([&] { files_->mnuFileSave_Click(then); });
            return cancelled();
        }
    }
    if (doc_.gblnNewDocument && !doc_.FullPathFileName.isEmpty()) {
        steps([&] {
            const QString native = s_.svc.paths->toNative(doc_.FullPathFileName);
            if (QFileInfo(native).isFile()) {
                // Let go of the file before it is removed.
                docImgEdit1->setImage(QString());
                docImgThumbnail1->setImage(QString());
                docImgAdmin1->setImage(QString());
                QFile::remove(native);
            }
        });
    }
    return true;
}

void MainWindow::resetCloseAnswer() { closeAnswered_ = false; }

void MainWindow::docImgEdit1_Close() {
    if (closeAnswered_) return;
    if (doc_.gblnJustOpened) return;
    if (doc_.gblnReadOnly) return;
    if (docImgEdit1->imageModified()) PerformFileClose();
}

void MainWindow::SetDocumentMode(const QString& mode) {
    const bool V = mode == "NoFile" || mode == "ReadWrite";
    const bool E = mode == "ReadWrite" || mode == "ReadOnly";
    MainWindowUi& u = ui_;

    // 1. Editing items are hidden for read-only documents.
    showItems({u.mnuEditActionItem[0], u.mnuEditActionItem[3], u.mnuEditActionItem[4],
                u.mnuEditActionItem[5]},
               V);
    u.tbarButton(13)->setVisible(s_.gblnAdmin && V);
    u.tbarButton(14)->setVisible(s_.gblnAdmin && V);
    showItems({u.mnuEditSelectItem[2], u.mnuPageSeparator3, u.mnuPageInsert, u.mnuPageAppend,
                u.mnuAnnoDisplayItem[1], u.mnuAnnoSeparator1, u.mnuAnnoSeparator2,
                u.mnuAnnoShowAnnoToolbox},
               V);
    for (QAction* a : u.mnuAnnoToolItem) a->setVisible(V);

    // 2. Items that need an open document.
    enableItems({u.mnuFileClose, u.tbarButton(4), u.mnuFileSave, u.mnuFileSaveAs, u.mnuFilePrint}, E);

    // 3. The edit actions by mode.
    if (mode == "NoFile") {
        enableItems(u.mnuEditActionItem, false);
    } else if (mode == "ReadWrite") {
        enableItems({u.mnuEditActionItem[2], u.mnuEditActionItem[5], u.tbarButton(13),
                    u.tbarButton(14)},
                   true);
    } else if (mode == "ReadOnly") {
        u.mnuEditActionItem[2]->setEnabled(true);
    }

    // 4.
    enableItems(u.mnuEditSelectItem, E);
    u.mnuViewScaleToGray->setEnabled(E);
    enableItems(u.mnuViewModeItem, E);

    // 5. Page turning is set per page by EnablePageMenusAndDisplay.
    if (mode == "NoFile") {
        enableItems(u.mnuPageDirectionItem, false);
        for (int pos : {13, 14, 6, 7, 8, 9}) u.tbarButton(pos)->setEnabled(false);
    }

    // 6.
    enableItems({u.mnuPagePrintPage, u.mDeleteRecord, u.mDuplicate, u.tbarButton(10),
                u.tbarButton(11), u.tbarButton(12)},
               E);
    enableItems(u.mnuPageRotatePageItem, E);
    u.fraPatInfo->setEnabled(E);

    // 7. Pages can be inserted and appended in TIFF files only.
    const bool insertable = E && (doc_.gintFileType == 1 || doc_.gintFileType == 2);
    u.mnuPageInsert->setEnabled(insertable);
    u.mnuPageAppend->setEnabled(insertable);

    // 8.
    u.mAddImages->setEnabled(E);
    for (int i : {0, 1, 2, 3, 5, 6, 7, 8, 9, 10}) u.mnuZoomFactorItem[i]->setEnabled(E);
    u.mnuAnnoDisplayItem[0]->setEnabled(E);
    if (mode == "NoFile") u.mnuAnnoDisplayItem[1]->setEnabled(false);
    enableItems(u.mnuAnnoToolItem, E);
    u.mnuAnnoShowAnnoToolbox->setEnabled(E);

    // A read-only document is never written: the commands that write its file (saving it,
    // duplicating, importing or rescanning pages) are off as well.
    if (mode == "ReadOnly") enableItems({u.mnuFileSave, u.mDuplicate, u.mAddImages}, false);
    u.cmdDup->setEnabled(mode == "ReadWrite");

    // 9.
    documentMode_ = mode;
    applyScannerItems();
}

void MainWindow::applyScannerItems() {
    bool present = false;
    app::Steps(app::FailureStyle::Skip)([&] { present = docImgScan1->scannerAvailableNow(); });
    MainWindowUi& u = ui_;
    enableItems({u.mnuFileScanNew, u.mnuPageInsertItem[0], u.mnuPageAppendItem[0]}, present);
    u.mnuPageRescan->setEnabled(present && documentMode_ == "ReadWrite");
}

void MainWindow::updateGrayEligible() {
    // Gray scaling helps bitonal pages only: it is offered for them.
    doc_.GrayEligible = 0;
    if (auto model = imaging::DocumentModel::find(docImgEdit1->image())) {
        const int index = docImgEdit1->page() - 1;
        if (index >= 0 && index < model->pageCount() && model->pageInfo(index).bitonal())
            doc_.GrayEligible = 1;
    }
}

void MainWindow::EnablePageMenusAndDisplay(int lngCurrentPage, bool blnRegenThumbs,
                                           bool keepThumbSelection) {
    app::Steps steps(app::FailureStyle::Skip);
    MainWindowUi& u = ui_;
    steps([&] {
        updateGrayEligible();
        docImgEdit1->setDisplayScaleAlgorithm(
            u.mnuViewScaleToGray->isChecked() && doc_.GrayEligible == 1 ? imaging::kScaleGray
                                                                        : imaging::kScaleNormal);
    });
    steps([&] { docImgEdit1->display(); });
    int status = 0;
    steps([&] { status = docImgEdit1->statusCode(); });
    if (status != 0) return;
    doc_.NoDocument = false;
    doc_.DisplayedOnce = true;
    // The start picture never covers a page.
    ui_.Picture1->hide();
    if (blnRegenThumbs) {
        steps([&] {
            docImgThumbnail1->setImage(docImgEdit1->image());
            docImgThumbnail1->clearThumbs();
            docImgThumbnail1->generateThumb(0);
        });
    }
    int pageCount = 0;
    steps([&] { pageCount = docImgEdit1->pageCount(); });
    steps([&] {
        const bool first = lngCurrentPage == 1;
        u.mnuPageDirectionItem[0]->setEnabled(!first);
        u.mnuPageDirectionItem[2]->setEnabled(!first);
        u.tbarButton(7)->setEnabled(!first);
        u.tbarButton(6)->setEnabled(!first);
    });
    steps([&] {
        const bool last = lngCurrentPage == pageCount;
        u.mnuPageDirectionItem[1]->setEnabled(!last);
        u.mnuPageDirectionItem[3]->setEnabled(!last);
        u.tbarButton(8)->setEnabled(!last);
        u.tbarButton(9)->setEnabled(!last);
    });
    steps([&] {
        // Pages of a read-only document are never deleted, by any way to the command.
        const bool deletable = pageCount >= 1 && !doc_.gblnReadOnly;
        u.mnuEditActionItem[5]->setEnabled(deletable);
        u.tbarButton(14)->setEnabled(deletable);
    });
    steps([&] {
        if (!keepThumbSelection) {
            docImgThumbnail1->clearThumbSelection();
            docImgThumbnail1->setThumbSelected(lngCurrentPage, true);
        }
        docImgThumbnail1->scrollToThumb(lngCurrentPage, 1);
    });
    steps([&] { u.mnuAnnoDisplayItem[1]->setEnabled(docImgEdit1->annotationCount() >= 1); });
    steps([&] { navigation_->UpdatePageCounter(); });
}

void MainWindow::SetViewMode(int intViewModePreference) {
    const int mode = doc_.NoDocument ? 0 : intViewModePreference;
    const double tx = twipsPerPixelX(), ty = twipsPerPixelY();
    QWidget* area = ui_.paneArea;
    const double innerW = area->width() * tx;
    const int heightPx = area->height();
    auto px = [tx](double twips) { return int(std::lround(twips / tx)); };
    (void)ty;

    docImgThumbnail1->setGeometry(docImgThumbnail1->x(), 0, docImgThumbnail1->width(), heightPx);
    docImgEdit1->setGeometry(docImgEdit1->x(), 0, docImgEdit1->width(), heightPx);
    if (mode == 0) docImgEdit1->setGeometry(0, 0, area->width(), heightPx);
    if (mode == 1) docImgThumbnail1->setGeometry(0, 0, area->width(), heightPx);
    if (mode == 2) {
        double stripW = std::floor(ui_.imgDivider->x() * tx);
        if (stripW < 40) stripW = 40;
        const double t = std::floor(innerW - (stripW + 52 + 1));
        double displayW;
        if (t >= 40) {
            displayW = t;
        } else {
            displayW = 40;
            docImgEdit1->resize(px(displayW), heightPx);
            stripW = innerW - 52 - docImgEdit1->width() * tx;
        }
        docImgThumbnail1->setGeometry(0, 0, px(stripW), heightPx);
        ui_.imgDivider->setGeometry(px(stripW), 0, std::max(1, px(52)), heightPx);
        docImgEdit1->setGeometry(px(stripW + 52), 0, px(displayW), heightPx);
    }
    if (mode == 0 || mode == 1 || mode == 2) {
        docImgEdit1->setVisible(mode == 0 || mode == 2);
        docImgThumbnail1->setVisible(mode == 1 || mode == 2);
        ui_.imgDivider->setVisible(mode == 2);
    }
}

void MainWindow::Form_Resize() {
    if (isMinimized() || ui_.paneArea->width() < 1 || ui_.paneArea->height() < 1) return;
    ui_.mnuViewFullScreen->setChecked(isMaximized());
    int checked = 0;
    for (int i = 0; i < 3; ++i)
        if (ui_.mnuViewModeItem[i]->isChecked()) {
            checked = i;
            break;
        }
    SetViewMode(checked);
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    Form_Resize();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ui_.paneArea && event->type() == QEvent::Resize) {
        ui_.Picture1->setGeometry(ui_.paneArea->rect());
        Form_Resize();
    }
    // Dragging the divider: where it is let go decides the new strip width.
    if (watched == ui_.imgDivider && event->type() == QEvent::MouseButtonRelease) {
        auto* me = static_cast<QMouseEvent*>(event);
        const QPoint inArea = ui_.imgDivider->mapTo(ui_.paneArea, me->position().toPoint());
        const bool onDisplay = docImgEdit1->geometry().contains(inArea);
        QWidget* target = onDisplay ? static_cast<QWidget*>(docImgEdit1) : docImgThumbnail1;
        const double x = (inArea.x() - target->x()) * twipsPerPixelX();
        runCommand([&] { navigation_->imgDivider_Dropped(onDisplay, x); });
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::ClearToolChecks() {
    for (QAction* a : ui_.mnuEditSelectItem) a->setChecked(false);
    for (QAction* a : ui_.mnuAnnoToolItem) a->setChecked(false);
    docImgEdit1->setSelectionRectangle(false);
    if (docImgEdit1->imageDisplayed()) docImgEdit1->drawSelectionRect(0, 0, 0, 0);
}

void MainWindow::SelectMouseTool(const QString& name) {
    static const QStringList annotationTools{
        "SelectAnnoAndZones", "FreehandLine", "Highlighter", "StraightLine", "HollowRectangle",
        "FilledRectangle", "TypedText", "AttachANote", "TextFromFile", "Hyperlink"};
    static const int toolNumbers[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 11};
    if (name == "Drag") {
        docImgEdit1->setAnnotationTool(0);
        docImgEdit1->setMousePointer(imaging::kPointerDrag);
        ui_.mnuEditSelectItem[0]->setChecked(true);
    } else if (name == "SelectionRectangle") {
        docImgEdit1->setAnnotationTool(0);
        docImgEdit1->setMousePointer(imaging::kPointerSelect);
        docImgEdit1->setSelectionRectangle(true);
        ui_.mnuEditSelectItem[1]->setChecked(true);
    } else if (const int i = annotationTools.indexOf(name); i >= 0) {
        docImgEdit1->setAnnotationTool(toolNumbers[i]);
    } else if (name == "RubberStamp") {
        docImgEdit1->showRubberStampDialog();
        if (docImgEdit1->mousePointer() == imaging::kPointerStamp) {
            ClearToolChecks();
            ui_.mnuAnnoToolItem[9]->setChecked(true);
            docImgEdit1->setAnnotationTool(10);
        } else {
            ui_.mnuAnnoToolItem[9]->setChecked(false);
        }
    }
}

void MainWindow::SetSelectionMenus(bool selected, const QString& kind) {
    doc_.RectSelected = kind == "Rect" ? selected : false;
    for (int i : {0, 1, 4}) ui_.mnuEditActionItem[i]->setEnabled(selected);
}

bool MainWindow::Form_QueryUnload() {
    QPointer<MainWindow> self(this);
    return PerformFileClose([self] {
        if (self) self->close();
    });
}

} // namespace viewer
