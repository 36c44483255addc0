#include "viewer/CommandState.h"

namespace viewer {

std::optional<DocumentMode> documentModeFromText(const QString& text) {
    if (text == QLatin1String("NoFile")) return DocumentMode::NoFile;
    if (text == QLatin1String("ReadWrite")) return DocumentMode::ReadWrite;
    if (text == QLatin1String("ReadOnly")) return DocumentMode::ReadOnly;
    return std::nullopt;
}

QString documentModeText(DocumentMode mode) {
    switch (mode) {
    case DocumentMode::ReadWrite:
        return QStringLiteral("ReadWrite");
    case DocumentMode::ReadOnly:
        return QStringLiteral("ReadOnly");
    case DocumentMode::NoFile:
        break;
    }
    return QStringLiteral("NoFile");
}

SelectionKind selectionKindFromText(const QString& text) {
    if (text == QLatin1String("Rect")) return SelectionKind::Rect;
    if (text == QLatin1String("Anno")) return SelectionKind::Anno;
    return SelectionKind::None;
}

namespace {

template <size_t N> void fill(std::array<ItemState, N>& items, ItemState s) { items.fill(s); }

} // namespace

CommandState commandState(const CommandFacts& f) {
    const bool open = f.mode != DocumentMode::NoFile;        // a document is open
    const bool editable = f.mode != DocumentMode::ReadOnly;  // its editing items are shown
    const bool writable = f.mode == DocumentMode::ReadWrite; // its file may be written
    const bool idle = !f.documentBusy;
    // Items that touch the document are off while a job works on it.
    auto doc = [idle](bool enabled, bool visible = true) {
        return ItemState{visible, enabled && idle};
    };
    const bool shown = f.pageCount >= 1 && f.page >= 1; // a page of this document is shown
    const bool insertable = open && (f.fileType == 1 || f.fileType == 2);
    // The page commands that rewrite a record's file need an access that changes records.
    const bool changesRecords = f.admin && !f.nurse;

    CommandState s;
    // File: the scanning items follow the access type (mnuFileNew also runs from F2-Scan).
    s.mnuFileNew = doc(true, f.admin);
    s.mnuFileManual = doc(true, f.admin);
    // A cover sheet is printed beside whatever the document does.
    s.mnuFilePrintCoverSheet = {f.admin, true};
    s.mnuFileOpen = doc(true);
    s.mnuFileScanNew = doc(f.scannerPresent, f.admin);
    // A batch is scanned as "S&can New..." is, and filed under each cover sheet's record.
    s.mnuFileScanBatch = doc(f.scannerPresent, f.admin);
    s.mnuScanSet = s.mnuFileSelectScanner = s.mnuFileScanPreferences =
        s.mnuShowScanSetupbeforeScan = {f.admin, true};
    s.mnuFileClose = doc(open);
    // A read-only document is never written: Save is off, Save As gives it another name.
    s.mnuFileSave = doc(writable, f.admin);
    s.mnuFileSaveAs = doc(open);
    s.mnuFilePrint = doc(open);
    // Export PDF writes a copy of the open record elsewhere (its rights asked when run).
    s.mnuFileExportPdf = doc(open);

    // Edit: Cut, Copy and Clear follow the selection, Paste the clipboard.
    s.mnuEditActionItem[0] = doc(open && f.selection, editable);
    s.mnuEditActionItem[1] = doc(open && f.selection);
    s.mnuEditActionItem[2] = doc(open);
    s.mnuEditActionItem[3] = doc(open && f.pasteReady, editable);
    s.mnuEditActionItem[4] = doc(open && (f.selection || f.pasted), editable);
    s.mnuEditActionItem[5] = doc(writable && f.pageCount >= 1, editable);
    s.mnuEditSelectItem[0] = s.mnuEditSelectItem[1] = {true, open};
    s.mnuEditSelectItem[2] = {editable, open};

    // View and zoom work during a job as well.
    s.mnuViewScaleToGray = {true, open};
    fill(s.mnuViewModeItem, {true, open});
    fill(s.mnuZoomFactorItem, {true, open});
    s.mnuZoomFactorItem[4] = {};

    // Page: the directions follow the page shown.
    s.mnuPageDirectionItem[0] = s.mnuPageDirectionItem[2] = doc(open && shown && f.page != 1);
    s.mnuPageDirectionItem[1] = s.mnuPageDirectionItem[3] =
        doc(open && shown && f.page != f.pageCount);
    fill(s.mnuPageRotatePageItem, doc(open));
    s.mDuplicate = doc(writable);
    s.mnuPageSeparator3 = {editable, true};
    s.mnuPageInsert = s.mnuPageAppend = doc(insertable && changesRecords, editable);
    s.mnuPageInsertItem[0] = s.mnuPageAppendItem[0] = doc(f.scannerPresent && changesRecords);
    s.mnuPageInsertItem[1] = s.mnuPageAppendItem[1] = doc(changesRecords);
    s.mnuPageRescan = doc(writable && f.scannerPresent && changesRecords);
    s.mAddImages = doc(writable && changesRecords);
    // Deleting the marked pages is deleting pages: shown and enabled as Delete Pages is, and
    // only while pages are marked.
    s.mnuPageDeleteBlankPages = doc(writable && f.blankPagesMarked, editable);
    s.mnuPagePrintPage = doc(open);

    // Annotation
    s.mnuAnnoDisplayItem[0] = doc(open);
    s.mnuAnnoDisplayItem[1] = doc(open && f.pageHasAnnotations, editable);
    fill(s.mnuAnnoToolItem, doc(open, editable));
    s.mnuAnnoSeparator1 = s.mnuAnnoSeparator2 = {editable, true};
    s.mnuAnnoShowAnnoToolbox = doc(open, editable);

    s.mReports = s.mnuRectype = {f.admin, true};
    s.mDeleteRecord = doc(open && !f.nurse);
    // Undo and Redo rewrite the record's file: a writable document and an access that
    // changes records; Versions... lists the open record's versions (restoring asks again).
    s.mnuEditUndo = doc(writable && changesRecords && f.canUndo);
    s.mnuEditRedo = doc(writable && changesRecords && f.canRedo);
    s.mVersions = doc(writable && changesRecords);

    // The context menu's Delete Page is Delete Pages by another way.
    s.mnuCtxDel = s.mnuEditActionItem[5];
    s.mnuCtxFlip = s.mnuCtxRLeft = s.mnuCtxRRight = doc(true);

    // Toolbar: separators at 1, 5, 15 and 17 stay as they are.
    s.tbarButton(2) = s.mnuFileNew;
    s.tbarButton(3) = {true, true};                 // F3-Open: the record search
    s.tbarButton(4) = s.mnuFileClose;               // Close Rec
    s.tbarButton(6) = s.mnuPageDirectionItem[2];    // First
    s.tbarButton(7) = s.mnuPageDirectionItem[0];    // Previous
    s.tbarButton(8) = s.mnuPageDirectionItem[1];    // Next
    s.tbarButton(9) = s.mnuPageDirectionItem[3];    // Last
    for (int i = 0; i < 3; ++i) s.tbarButton(10 + i) = s.mnuPageRotatePageItem[i];
    s.tbarButton(13) = doc(writable && changesRecords, f.admin && editable); // Insert (a scan)
    s.tbarButton(14) = {f.admin && editable, s.mnuEditActionItem[5].enabled}; // Delete
    s.tbarButton(16) = {true, true};                // Exit

    // The record frame.
    s.fraPatInfo = open;
    s.cmdDup = writable && idle;
    s.recordButtons = idle;
    s.cboDept = s.recordFiling = idle;
    return s;
}

} // namespace viewer
