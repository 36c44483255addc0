// The main window's command state: the procedures that change what the commands depend on
// (the document mode, the selection, the access type, the scanner, a running job) update the
// window's CommandFacts, and one function applies commandState() to the menus and toolbar.
#include "viewer/MainWindow.h"

#include "app/Access.h"
#include "app/Failure.h"
#include "app/Session.h"
#include "imaging/controls/ImageScan.h"
#include "viewer/JobHost.h"

#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QPushButton>

namespace viewer {

namespace {

void applyItem(QAction* a, const ItemState& s) {
    if (!a) return;
    a->setVisible(s.visible);
    a->setEnabled(s.enabled);
}
template <size_t N>
void applyItem(const std::array<QAction*, N>& items, const std::array<ItemState, N>& states) {
    for (size_t i = 0; i < N; ++i) applyItem(items[i], states[i]);
}

} // namespace

void MainWindow::changeCommandFacts(const std::function<void(CommandFacts&)>& change) {
    change(facts_);
    applyCommandState();
}

void MainWindow::applyCommandState() {
    const CommandState s = commandState(facts_);
    MainWindowUi& u = ui_;
    const std::pair<QAction*, ItemState> items[] = {{u.mnuFileNew, s.mnuFileNew},
                            {u.mnuFileManual, s.mnuFileManual},
                            {u.mnuFilePrintCoverSheet, s.mnuFilePrintCoverSheet},
                            {u.mnuFileOpen, s.mnuFileOpen},
                            {u.mnuFileScanNew, s.mnuFileScanNew},
                            {u.mnuFileScanBatch, s.mnuFileScanBatch},
                            {u.mnuScanSet, s.mnuScanSet},
                            {u.mnuFileSelectScanner, s.mnuFileSelectScanner},
                            {u.mnuFileScanPreferences, s.mnuFileScanPreferences},
                            {u.mnuShowScanSetupbeforeScan, s.mnuShowScanSetupbeforeScan},
                            {u.mnuFileClose, s.mnuFileClose},
                            {u.mnuFileSave, s.mnuFileSave},
                            {u.mnuFileSaveAs, s.mnuFileSaveAs},
                            {u.mnuFilePrint, s.mnuFilePrint},
                            {u.mnuFileExportPdf, s.mnuFileExportPdf},
                            {u.mnuViewScaleToGray, s.mnuViewScaleToGray},
                            {u.mDuplicate, s.mDuplicate},
                            {u.mnuPageSeparator3, s.mnuPageSeparator3},
                            {u.mnuPageInsert, s.mnuPageInsert},
                            {u.mnuPageAppend, s.mnuPageAppend},
                            {u.mnuPageRescan, s.mnuPageRescan},
                            {u.mAddImages, s.mAddImages},
                            {u.mnuPageDeleteBlankPages, s.mnuPageDeleteBlankPages},
                            {u.mnuPagePrintPage, s.mnuPagePrintPage},
                            {u.mnuAnnoSeparator1, s.mnuAnnoSeparator1},
                            {u.mnuAnnoSeparator2, s.mnuAnnoSeparator2},
                            {u.mnuAnnoShowAnnoToolbox, s.mnuAnnoShowAnnoToolbox},
                            {u.mReports, s.mReports},
                            {u.mnuRectype, s.mnuRectype},
                            {u.mDeleteRecord, s.mDeleteRecord},
                            {u.mnuEditUndo, s.mnuEditUndo},
                            {u.mnuEditRedo, s.mnuEditRedo},
                            {u.mVersions, s.mVersions},
                            {u.mnuCtxDel, s.mnuCtxDel},
                            {u.mnuCtxFlip, s.mnuCtxFlip},
                            {u.mnuCtxRLeft, s.mnuCtxRLeft},
                            {u.mnuCtxRRight, s.mnuCtxRRight}};
    for (const auto& [a, state] : items) applyItem(a, state);
    applyItem(u.mnuEditActionItem, s.mnuEditActionItem);
    applyItem(u.mnuEditSelectItem, s.mnuEditSelectItem);
    applyItem(u.mnuViewModeItem, s.mnuViewModeItem);
    applyItem(u.mnuZoomFactorItem, s.mnuZoomFactorItem);
    applyItem(u.mnuPageDirectionItem, s.mnuPageDirectionItem);
    applyItem(u.mnuPageRotatePageItem, s.mnuPageRotatePageItem);
    applyItem(u.mnuPageInsertItem, s.mnuPageInsertItem);
    applyItem(u.mnuPageAppendItem, s.mnuPageAppendItem);
    applyItem(u.mnuAnnoDisplayItem, s.mnuAnnoDisplayItem);
    applyItem(u.mnuAnnoToolItem, s.mnuAnnoToolItem);
    for (int pos = 1; pos <= 17; ++pos)
        if (!u.tbarButton(pos)->isSeparator()) applyItem(u.tbarButton(pos), s.tbarButton(pos));
    u.fraPatInfo->setEnabled(s.fraPatInfo);
    u.cboDept->setEnabled(s.cboDept);
    u.cmdDup->setEnabled(s.cmdDup);
    for (QPushButton* b : u.cmdCommands) b->setEnabled(s.recordButtons);
    for (QPushButton* b : {u.cmdStamp, u.cmdText, u.cmdBarcode}) b->setEnabled(s.recordButtons);
}

void MainWindow::SetDocumentMode(const QString& mode) {
    if (const auto m = documentModeFromText(mode)) SetDocumentMode(*m);
}

void MainWindow::SetDocumentMode(DocumentMode mode) {
    bool present = facts_.scannerPresent;
    app::Steps(app::FailureStyle::Skip)([&] { present = docImgScan1->scannerAvailableNow(); });
    changeCommandFacts([&](CommandFacts& f) {
        f.mode = mode;
        f.fileType = doc_.gintFileType;
        f.admin = s_.gblnAdmin;
        f.nurse = s_.gintStartupType == app::kAccessNurse;
        f.scannerPresent = present;
        // The page items wait for the page this document shows first.
        f.page = f.pageCount = 0;
        f.pageHasAnnotations = false;
        if (mode == DocumentMode::NoFile) f.selection = f.pasted = f.pasteReady = false;
    });
    if (mode == DocumentMode::NoFile && documentClosed) documentClosed();
}

void MainWindow::SetSelectionMenus(bool selected, const QString& kind) {
    SetSelectionMenus(selected, selectionKindFromText(kind));
}

void MainWindow::SetSelectionMenus(bool selected, SelectionKind kind) {
    doc_.RectSelected = kind == SelectionKind::Rect ? selected : false;
    changeCommandFacts([&](CommandFacts& f) {
        f.selection = selected;
        f.pasted = false;
    });
}

void MainWindow::ApplyAccessMenus() {
    changeCommandFacts([this](CommandFacts& f) {
        f.admin = s_.gblnAdmin;
        f.nurse = s_.gintStartupType == app::kAccessNurse;
    });
}

void MainWindow::applyScannerItems() {
    bool present = false;
    app::Steps(app::FailureStyle::Skip)([&] { present = docImgScan1->scannerAvailableNow(); });
    changeCommandFacts([&](CommandFacts& f) { f.scannerPresent = present; });
}

void MainWindow::applyDocumentBusy(bool busy) {
    changeCommandFacts([&](CommandFacts& f) { f.documentBusy = busy; });
}

} // namespace viewer
