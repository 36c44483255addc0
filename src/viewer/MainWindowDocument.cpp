// The main window's document procedures: opening and closing documents, the menu states of
// the document modes, showing a page, the pane layout and the mouse-tool check marks.
#include "viewer/MainWindow.h"

#include "app/Failure.h"
#include "app/General.h"
#include "app/Paths.h"
#include "app/Prompter.h"
#include "app/Session.h"
#include "imaging/documents/DocumentModel.h"
#include "storage/RecordPaths.h"
#include "imaging/controls/ImageAdmin.h"
#include "imaging/controls/ImageEdit.h"
#include "imaging/controls/ImageScan.h"
#include "imaging/controls/ImageThumbnail.h"
#include "viewer/BlankPages.h"
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
    SourceKind kind;
};
constexpr SourcePrefix kPrefixes[] = {{"FTP://", SourceKind::Network},
                                      {"HTTP://", SourceKind::Network},
                                      {"IMAGE://", SourceKind::ImageAddress},
                                      {"IMAGEX://", SourceKind::ReadOnlyImageAddress}};

} // namespace

void MainWindow::PerformFileOpen(bool blnNamingOnly, const QString& strFullPathFileName,
                                 int lngPageNo) {
    app::Steps steps(app::FailureStyle::Log, s_.svc.log, s_.svc.prompter);
    doc_.FullPathFileName = strFullPathFileName;

    // The address kind and the file name.
    QString enginePath = strFullPathFileName;
    doc_.gintSourceKind = SourceKind::Path;
    doc_.FileName = app::GetFileNameFromPath(strFullPathFileName);
    const QString upper = strFullPathFileName.toUpper();
    for (const SourcePrefix& p : kPrefixes) {
        if (upper.startsWith(QLatin1String(p.prefix))) {
            doc_.gintSourceKind = p.kind;
            doc_.FileName = strFullPathFileName.mid(int(qstrlen(p.prefix)));
            // The engine opens the file behind an image address; network addresses it
            // refuses with a clear error.
            if (p.kind != SourceKind::Network) enginePath = doc_.FileName;
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
        if (doc_.gintSourceKind != SourceKind::Network) {
            const QFileInfo fi(s_.svc.paths ? s_.svc.paths->toNative(enginePath) : enginePath);
            // A file nobody may write to is read-only even for an administrator who could.
            readOnlyAttribute =
                fi.exists() && (!fi.isWritable() || !(fi.permissions() & QFile::WriteOwner));
        }
        // A damaged file (its page chain loops back) shows the pages before the damage.
        const QString damage = docImgAdmin1->damage();
        doc_.gblnReadOnly = doc_.gintSourceKind == SourceKind::ReadOnlyImageAddress ||
                            readOnlyAttribute || !damage.isEmpty();
        if (documentOpening && documentOpening(strFullPathFileName, !doc_.gblnReadOnly))
            doc_.gblnReadOnly = true;
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
    steps([&] {
        SetDocumentMode(doc_.gblnReadOnly ? DocumentMode::ReadOnly : DocumentMode::ReadWrite);
    });
    doc_.gblnJustOpened = true;
    steps([&] { EnablePageMenusAndDisplay(docImgEdit1->page(), false); });
    steps([&] { navigation_->mnuViewModeItem_Click(ViewMode); });
    // The Zoom menu shows the zoom the document opened at.
    steps([&] { navigation_->checkZoomInEffect(); });
    emit documentOpened(docImgEdit1->image());
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
    // Unsaved changes are asked about, and so is a scan that was never given a name while it
    // holds pages, with every access type.
    const bool unnamedScan =
        doc_.gblnNewDocument && !doc_.FullPathFileName.isEmpty() &&
        QFileInfo(s_.svc.paths->toNative(doc_.FullPathFileName)).size() > 0;
    if (modified || unnamedScan) {
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
        const QString native = s_.svc.paths->toNative(doc_.FullPathFileName);
        if (QFileInfo(native).isFile()) {
            // Let go of the file before it is moved: a scan the user chose not to keep goes to
            // the recycle folder, never away for good.
            steps([&] {
                docImgEdit1->setImage(QString());
                docImgThumbnail1->setImage(QString());
                docImgAdmin1->setImage(QString());
            });
            const QString kept = doc_.FullPathFileName;
            app::Steps(app::FailureStyle::Log, s_.svc.log)
                .format([kept](const app::ErrorInfo& e) {
                    return e.description + " - the unnamed scan is kept as " + kept;
                })([&] { storage::recycleRecordFile(s_, s_.gstrDefaultDirectory, kept); });
        }
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
        if (!keepThumbSelection) {
            docImgThumbnail1->clearThumbSelection();
            docImgThumbnail1->setThumbSelected(lngCurrentPage, true);
        }
        docImgThumbnail1->scrollToThumb(lngCurrentPage, 1);
    });
    bool annotations = false;
    steps([&] { annotations = docImgEdit1->annotationCount() >= 1; });
    // The page items (directions, Delete Pages, Make Annotations Permanent) follow the page.
    changeCommandFacts([&](CommandFacts& f) {
        f.page = lngCurrentPage;
        f.pageCount = pageCount;
        f.pageHasAnnotations = annotations;
    });
    steps([&] { navigation_->UpdatePageCounter(); });
    // The strip may have been given the document anew: its blank-page badges go back on.
    steps([&] { blankPages_->showMarks(); });
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

bool MainWindow::Form_QueryUnload() {
    QPointer<MainWindow> self(this);
    return PerformFileClose([self] {
        if (self) self->close();
    });
}

} // namespace viewer
