#pragma once
// Which of the main window's commands are shown and enabled, as one function of what the
// window knows: the document mode, the file and the page shown, the selection, the scanner,
// the access type and whether a job works on the document. The window keeps the facts up
// to date and applies the result to its menus and toolbar (MainWindowCommands.cpp); nothing
// else enables or shows these items.
#include <QString>
#include <array>
#include <optional>

namespace viewer {

// What the window holds: nothing, a document that may be changed, or one that may not.
enum class DocumentMode { NoFile, ReadWrite, ReadOnly };
// The procedures' texts "NoFile", "ReadWrite", "ReadOnly"; any other text is no mode.
std::optional<DocumentMode> documentModeFromText(const QString& text);
QString documentModeText(DocumentMode mode);

// What the page display has selected: an image rectangle or annotations.
enum class SelectionKind { None, Rect, Anno };
// "Rect" and "Anno"; any other text is no selection.
SelectionKind selectionKindFromText(const QString& text);

struct CommandFacts {
    DocumentMode mode = DocumentMode::NoFile;
    int fileType = 0; // the administration object's code: 1 and 2 (TIFF) take new pages
    // The page last shown and the document's page count then (0 until a page is shown).
    int page = 0;
    int pageCount = 0;
    bool pageHasAnnotations = false;
    bool selection = false;  // something is selected: Cut, Copy and Clear
    bool pasted = false;     // a paste that Clear can still take back
    bool pasteReady = false; // Cut, Copy or Copy Page put something on the clipboard
    bool scannerPresent = false;
    bool admin = false;        // scanning access
    bool nurse = false;        // the nurse access type (view only)
    bool documentBusy = false; // a job works on the document
    // Versions kept of the open record's file that Undo and Redo step to.
    bool canUndo = false;
    bool canRedo = false;
    // Pages of the open document are marked as looking blank.
    bool blankPagesMarked = false;
};

struct ItemState {
    bool visible = true;
    bool enabled = true;
    bool operator==(const ItemState&) const = default;
};

// One entry per item the state decides, named after the item's object name. A toolbar
// button that runs a menu command shares that command's action; its entry here repeats the
// command's enabled state and adds the button's own visibility.
struct CommandState {
    // File
    ItemState mnuFileNew, mnuFileManual, mnuFilePrintCoverSheet, mnuFileOpen, mnuFileScanNew,
        mnuFileScanBatch, mnuScanSet, mnuFileSelectScanner, mnuFileScanPreferences,
        mnuShowScanSetupbeforeScan,
        mnuFileClose, mnuFileSave, mnuFileSaveAs, mnuFileExportPdf, mnuFilePrint;
    // Edit
    std::array<ItemState, 6> mnuEditActionItem;
    std::array<ItemState, 3> mnuEditSelectItem;
    ItemState mnuEditUndo, mnuEditRedo;
    // View and Zoom (zoom index 4 is the separator, always shown)
    ItemState mnuViewScaleToGray;
    std::array<ItemState, 3> mnuViewModeItem;
    std::array<ItemState, 11> mnuZoomFactorItem;
    // Page
    std::array<ItemState, 4> mnuPageDirectionItem;
    std::array<ItemState, 3> mnuPageRotatePageItem;
    ItemState mDuplicate, mnuPageSeparator3, mnuPageInsert, mnuPageAppend;
    std::array<ItemState, 2> mnuPageInsertItem, mnuPageAppendItem;
    ItemState mnuPageRescan, mAddImages, mnuPageDeleteBlankPages, mnuPagePrintPage;
    // Annotation
    std::array<ItemState, 2> mnuAnnoDisplayItem;
    std::array<ItemState, 10> mnuAnnoToolItem;
    ItemState mnuAnnoSeparator1, mnuAnnoSeparator2, mnuAnnoShowAnnoToolbox;
    // Reports and Maintenance
    ItemState mReports, mnuRectype, mDeleteRecord, mVersions;
    // The thumbnails' context menu
    ItemState mnuCtxDel, mnuCtxFlip, mnuCtxRLeft, mnuCtxRRight;
    // Toolbar by position, 1-based as the window's tbarButton(position).
    std::array<ItemState, 17> tbar;
    ItemState& tbarButton(int position) { return tbar[position - 1]; }
    const ItemState& tbarButton(int position) const { return tbar[position - 1]; }
    // The record frame and its buttons (the visibility of these is not decided here).
    bool fraPatInfo = false;
    bool cmdDup = false;
    bool recordButtons = true; // properties, smoothing, deskew, stamp, text and barcode
    // The department box and the new-record dialogs' Scan and Reset/Delete File: off while a
    // job works on the document (the job files under the department and record it began with).
    bool cboDept = true;
    bool recordFiling = true;
};

CommandState commandState(const CommandFacts& facts);

} // namespace viewer
