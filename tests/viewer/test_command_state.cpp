// The main window's command state as a function of what the window knows, without a window:
// each mode's items as the document-mode rules give them, and what the page shown, the
// scanner, the access type, the selection and a running job change.
#include "viewer/CommandState.h"

#include <gtest/gtest.h>
#include <functional>
#include <optional>
#include <string>
#include <vector>

using viewer::CommandFacts;
using viewer::CommandState;
using viewer::DocumentMode;
using viewer::ItemState;

namespace {

// What an item should be: shown or hidden, and for a shown item enabled or not (a hidden
// item's enabled state is nobody's concern).
struct Expect {
    bool visible;
    std::optional<bool> enabled;
};
const Expect on{true, true};
const Expect off{true, false};
const Expect hidden{false, std::nullopt};

using Pick = std::function<std::vector<ItemState>(const CommandState&)>;

struct Check {
    const char* items;
    Pick pick;
    Expect expect;
};

void expectItems(const CommandState& s, const std::vector<Check>& checks, const std::string& row) {
    for (const Check& c : checks) {
        const std::vector<ItemState> states = c.pick(s);
        ASSERT_FALSE(states.empty()) << c.items;
        for (size_t i = 0; i < states.size(); ++i) {
            SCOPED_TRACE(row + ": " + c.items + " #" + std::to_string(i));
            EXPECT_EQ(states[i].visible, c.expect.visible);
            if (c.expect.enabled) {
                EXPECT_EQ(states[i].enabled, *c.expect.enabled);
            }
        }
    }
}

// A window with scanning access and a scanner, page 2 of 3 of a TIFF file shown, nothing
// selected or copied.
CommandFacts window(DocumentMode mode) {
    CommandFacts f;
    f.mode = mode;
    f.admin = true;
    f.scannerPresent = true;
    if (mode != DocumentMode::NoFile) {
        f.fileType = 1;
        f.page = 2;
        f.pageCount = 3;
    }
    return f;
}

// Item groups, by the names the menus and toolbar give them.
const Pick cutPasteClear = [](const CommandState& s) {
    return std::vector{s.mnuEditActionItem[0], s.mnuEditActionItem[3], s.mnuEditActionItem[4]};
};
const Pick copy = [](const CommandState& s) { return std::vector{s.mnuEditActionItem[1]}; };
const Pick copyPage = [](const CommandState& s) { return std::vector{s.mnuEditActionItem[2]}; };
const Pick deletePages = [](const CommandState& s) {
    return std::vector{s.mnuEditActionItem[5], s.mnuCtxDel};
};
const Pick dragSelect = [](const CommandState& s) {
    return std::vector{s.mnuEditSelectItem[0], s.mnuEditSelectItem[1]};
};
const Pick selectAnno = [](const CommandState& s) { return std::vector{s.mnuEditSelectItem[2]}; };
const Pick closePrint = [](const CommandState& s) {
    return std::vector{s.mnuFileClose, s.mnuFileSaveAs, s.mnuFileExportPdf, s.mnuFilePrint,
                       s.tbarButton(4)};
};
const Pick save = [](const CommandState& s) { return std::vector{s.mnuFileSave}; };
const Pick viewItems = [](const CommandState& s) {
    std::vector v{s.mnuViewScaleToGray, s.mnuAnnoDisplayItem[0]};
    v.insert(v.end(), s.mnuViewModeItem.begin(), s.mnuViewModeItem.end());
    for (int i : {0, 1, 2, 3, 5, 6, 7, 8, 9, 10}) v.push_back(s.mnuZoomFactorItem[i]);
    return v;
};
const Pick backward = [](const CommandState& s) {
    return std::vector{s.mnuPageDirectionItem[0], s.mnuPageDirectionItem[2], s.tbarButton(6),
                       s.tbarButton(7)};
};
const Pick forward = [](const CommandState& s) {
    return std::vector{s.mnuPageDirectionItem[1], s.mnuPageDirectionItem[3], s.tbarButton(8),
                       s.tbarButton(9)};
};
const Pick pageItems = [](const CommandState& s) {
    std::vector v{s.mnuPagePrintPage, s.mDeleteRecord, s.tbarButton(10), s.tbarButton(11),
                  s.tbarButton(12)};
    v.insert(v.end(), s.mnuPageRotatePageItem.begin(), s.mnuPageRotatePageItem.end());
    return v;
};
const Pick writesFile = [](const CommandState& s) { return std::vector{s.mDuplicate, s.mAddImages}; };
const Pick insertAppend = [](const CommandState& s) {
    return std::vector{s.mnuPageInsert, s.mnuPageAppend};
};
const Pick separator3 = [](const CommandState& s) { return std::vector{s.mnuPageSeparator3}; };
const Pick makePermanent = [](const CommandState& s) { return std::vector{s.mnuAnnoDisplayItem[1]}; };
const Pick annoTools = [](const CommandState& s) {
    std::vector v{s.mnuAnnoShowAnnoToolbox, s.mnuAnnoSeparator1, s.mnuAnnoSeparator2};
    v.insert(v.end(), s.mnuAnnoToolItem.begin(), s.mnuAnnoToolItem.end());
    return v;
};
const Pick annoSeparators = [](const CommandState& s) {
    return std::vector{s.mnuAnnoSeparator1, s.mnuAnnoSeparator2};
};
const Pick toolbarInsertDelete = [](const CommandState& s) {
    return std::vector{s.tbarButton(13), s.tbarButton(14)};
};
const Pick scanItems = [](const CommandState& s) {
    return std::vector{s.mnuFileScanNew, s.mnuFileScanBatch, s.mnuPageInsertItem[0],
                       s.mnuPageAppendItem[0]};
};
const Pick rescan = [](const CommandState& s) { return std::vector{s.mnuPageRescan}; };
const Pick accessItems = [](const CommandState& s) {
    return std::vector{s.mnuFileNew, s.mnuFileManual, s.mnuFileScanNew, s.mnuFileScanBatch,
                       s.mnuScanSet,
                       s.mnuFileSelectScanner, s.mnuFileScanPreferences,
                       s.mnuShowScanSetupbeforeScan, s.mnuFileSave, s.mReports, s.mnuRectype,
                       s.tbarButton(2)};
};
// The page commands that rewrite the record's file: Insert and Append (scanned or existing
// pages), Rescan and Import.
const Pick pageWriters = [](const CommandState& s) {
    return std::vector{s.mnuPageInsert,        s.mnuPageAppend,        s.mnuPageInsertItem[0],
                       s.mnuPageInsertItem[1], s.mnuPageAppendItem[0], s.mnuPageAppendItem[1],
                       s.mnuPageRescan,        s.mAddImages};
};
const Pick deleteRecord = [](const CommandState& s) { return std::vector{s.mDeleteRecord}; };
const Pick alwaysThere = [](const CommandState& s) {
    return std::vector{s.tbarButton(3), s.tbarButton(16), s.mnuPageInsertItem[1],
                       s.mnuPageAppendItem[1]};
};

} // namespace

// The items of each document mode, as the mode rules' table gives them (the page items for
// page 2 of 3). Save, Duplicate, Import and Rescan are off for a read-only document, which is
// never written.
TEST(CommandState, EachDocumentModeShowsAndEnablesItsItems) {
    struct Row {
        const char* item;
        Pick pick;
        Expect noFile, readOnly, readWrite;
    };
    const std::vector<Row> rows{
        {"Cut, Paste, Clear", cutPasteClear, off, hidden, off},
        {"Copy", copy, off, off, off},
        {"Copy Page", copyPage, off, on, on},
        {"Delete Pages", deletePages, off, hidden, on},
        {"Drag, Select Image", dragSelect, off, on, on},
        {"Select Annotations and Zones", selectAnno, off, hidden, on},
        {"Close, Save As, Print, toolbar 4", closePrint, off, on, on},
        {"Save", save, off, off, on},
        {"Scale to Gray, view modes, zoom, Show Annotations", viewItems, off, on, on},
        {"Previous, First, toolbar 6-7", backward, off, on, on},
        {"Next, Last, toolbar 8-9", forward, off, on, on},
        {"Print Page, rotate, Delete Record, toolbar 10-12", pageItems, off, on, on},
        {"Duplicate, Import", writesFile, off, off, on},
        {"Insert, Append", insertAppend, off, hidden, on},
        {"separator above Insert", separator3, on, hidden, on},
        {"Make Annotations Permanent", makePermanent, off, hidden, off},
        {"annotation tools and toolbox", annoTools, {true, std::nullopt}, hidden,
         {true, std::nullopt}},
        {"annotation separators", annoSeparators, on, hidden, on},
        {"toolbar 13, 14", toolbarInsertDelete, off, hidden, on},
        {"Scan New, Insert/Append Scan Page", scanItems, on, on, on},
        {"Rescan", rescan, off, off, on},
        {"F3-Open, Exit, Existing Page", alwaysThere, on, on, on},
    };
    for (DocumentMode mode : {DocumentMode::NoFile, DocumentMode::ReadOnly, DocumentMode::ReadWrite}) {
        const CommandState s = viewer::commandState(window(mode));
        for (const Row& r : rows) {
            const Expect& e = mode == DocumentMode::NoFile     ? r.noFile
                              : mode == DocumentMode::ReadOnly ? r.readOnly
                                                               : r.readWrite;
            expectItems(s, {{r.item, r.pick, e}}, viewer::documentModeText(mode).toStdString());
        }
        // The annotation tools are enabled with a document (the separators have no state).
        for (const ItemState& t : s.mnuAnnoToolItem)
            EXPECT_EQ(t.enabled, mode != DocumentMode::NoFile);
        EXPECT_EQ(s.fraPatInfo, mode != DocumentMode::NoFile);
        EXPECT_EQ(s.cmdDup, mode == DocumentMode::ReadWrite);
    }
}

// What the page, the file, the scanner, the access type, the selection and a running job
// change, each from one of the windows above.
TEST(CommandState, PageScannerAccessSelectionAndJobChangeTheirItems) {
    struct Row {
        const char* name;
        DocumentMode mode;
        std::function<void(CommandFacts&)> change;
        std::vector<Check> checks;
    };
    const Pick previousFirst = [](const CommandState& s) {
        return std::vector{s.mnuPageDirectionItem[0], s.mnuPageDirectionItem[2]};
    };
    const Pick nextLast = [](const CommandState& s) {
        return std::vector{s.mnuPageDirectionItem[1], s.mnuPageDirectionItem[3]};
    };
    const Pick cutCopyClear = [](const CommandState& s) {
        return std::vector{s.mnuEditActionItem[0], s.mnuEditActionItem[1], s.mnuEditActionItem[4]};
    };
    const Pick paste = [](const CommandState& s) { return std::vector{s.mnuEditActionItem[3]}; };
    const Pick clear = [](const CommandState& s) { return std::vector{s.mnuEditActionItem[4]}; };
    const Pick cutCopy = [](const CommandState& s) {
        return std::vector{s.mnuEditActionItem[0], s.mnuEditActionItem[1]};
    };
    const Pick documentCommands = [](const CommandState& s) {
        std::vector v{s.mnuFileOpen, s.mnuFileNew, s.mnuFileScanNew, s.mnuFileScanBatch, s.mnuFileClose,
                      s.mnuFileSave, s.mnuFileSaveAs, s.mnuFileExportPdf, s.mnuFilePrint, s.mDuplicate,
                      s.mnuPageInsert, s.mnuPageAppend, s.mnuPageRescan, s.mAddImages,
                      s.mnuPagePrintPage, s.mDeleteRecord, s.mnuCtxDel, s.mnuCtxFlip,
                      s.mnuCtxRLeft, s.mnuCtxRRight, s.mnuAnnoShowAnnoToolbox,
                      s.mnuEditActionItem[2], s.mnuEditActionItem[5], s.mnuAnnoDisplayItem[0]};
        v.insert(v.end(), s.mnuPageDirectionItem.begin(), s.mnuPageDirectionItem.end());
        v.insert(v.end(), s.mnuPageRotatePageItem.begin(), s.mnuPageRotatePageItem.end());
        v.insert(v.end(), s.mnuPageInsertItem.begin(), s.mnuPageInsertItem.end());
        v.insert(v.end(), s.mnuAnnoToolItem.begin(), s.mnuAnnoToolItem.end());
        for (int pos : {2, 4, 6, 7, 8, 9, 10, 11, 12, 13, 14}) v.push_back(s.tbarButton(pos));
        return v;
    };
    const Pick besideAJob = [](const CommandState& s) {
        std::vector v{s.mnuViewScaleToGray, s.mnuEditSelectItem[0], s.mnuEditSelectItem[1],
                      s.tbarButton(3), s.tbarButton(16)};
        v.insert(v.end(), s.mnuViewModeItem.begin(), s.mnuViewModeItem.end());
        return v;
    };
    const Pick undoRedo = [](const CommandState& s) {
        return std::vector{s.mnuEditUndo, s.mnuEditRedo};
    };
    const auto versionsKept = [](CommandFacts& f) { f.canUndo = f.canRedo = true; };
    const std::vector<Row> rows{
        // Undo and Redo rewrite the record's file: only where the file may be written.
        {"versions to step to", DocumentMode::ReadWrite, versionsKept,
         {{"Undo, Redo", undoRedo, on}}},
        {"no versions to step to", DocumentMode::ReadWrite, [](CommandFacts&) {},
         {{"Undo, Redo", undoRedo, off}}},
        {"versions to step to, read-only", DocumentMode::ReadOnly, versionsKept,
         {{"Undo, Redo", undoRedo, off}}},
        {"versions to step to, the nurse access type", DocumentMode::ReadWrite,
         [&](CommandFacts& f) {
             versionsKept(f);
             f.nurse = true;
         },
         {{"Undo, Redo", undoRedo, off}}},
        {"versions to step to, a job on the document", DocumentMode::ReadWrite,
         [&](CommandFacts& f) {
             versionsKept(f);
             f.documentBusy = true;
         },
         {{"Undo, Redo", undoRedo, off}}},
        {"the first page", DocumentMode::ReadWrite, [](CommandFacts& f) { f.page = 1; },
         {{"Previous, First", previousFirst, off}, {"Next, Last", nextLast, on},
          {"toolbar 6-7", backward, off}}},
        {"the last page", DocumentMode::ReadWrite, [](CommandFacts& f) { f.page = 3; },
         {{"Previous, First", previousFirst, on}, {"Next, Last, toolbar 8-9", forward, off}}},
        {"a one-page document", DocumentMode::ReadWrite,
         [](CommandFacts& f) { f.page = f.pageCount = 1; },
         {{"directions", backward, off}, {"directions", forward, off},
          {"Delete Pages", deletePages, on}}},
        {"no page shown yet", DocumentMode::ReadWrite,
         [](CommandFacts& f) { f.page = f.pageCount = 0; },
         {{"directions", backward, off}, {"directions", forward, off},
          {"Delete Pages", deletePages, off}}},
        {"a file type other than 1 or 2", DocumentMode::ReadWrite,
         [](CommandFacts& f) { f.fileType = 3; }, {{"Insert, Append", insertAppend, off}}},
        {"file type 2", DocumentMode::ReadWrite, [](CommandFacts& f) { f.fileType = 2; },
         {{"Insert, Append", insertAppend, on}}},
        {"no scanner, no document", DocumentMode::NoFile,
         [](CommandFacts& f) { f.scannerPresent = false; }, {{"scan items", scanItems, off}}},
        {"no scanner, read-write", DocumentMode::ReadWrite,
         [](CommandFacts& f) { f.scannerPresent = false; },
         {{"scan items", scanItems, off}, {"Rescan", rescan, off}}},
        {"no scanning access", DocumentMode::ReadWrite,
         [](CommandFacts& f) { f.admin = false; },
         {{"access items", accessItems, hidden}, {"toolbar 13, 14", toolbarInsertDelete, hidden},
          {"Delete Pages", deletePages, on}, {"Save As", closePrint, on},
          {"Insert, Append, Rescan, Import", pageWriters, off},
          {"Delete Record", deleteRecord, on}}},
        // A nurse only views records: nothing that rewrites the file or deletes the record.
        {"the nurse access type", DocumentMode::ReadWrite,
         [](CommandFacts& f) {
             f.admin = false;
             f.nurse = true;
         },
         {{"Insert, Append, Rescan, Import", pageWriters, off},
          {"Delete Record", deleteRecord, off}, {"Save As, Print", closePrint, on}}},
        {"the nurse access type in Admin Mode", DocumentMode::ReadWrite,
         [](CommandFacts& f) { f.nurse = true; },
         {{"Insert, Append, Rescan, Import", pageWriters, off},
          {"Delete Record", deleteRecord, off}}},
        {"a selection", DocumentMode::ReadWrite, [](CommandFacts& f) { f.selection = true; },
         {{"Cut, Copy, Clear", cutCopyClear, on}, {"Paste", paste, off}}},
        {"a selection, read-only", DocumentMode::ReadOnly,
         [](CommandFacts& f) { f.selection = true; }, {{"Copy", copy, on}}},
        {"something copied", DocumentMode::ReadWrite,
         [](CommandFacts& f) { f.pasteReady = true; },
         {{"Paste", paste, on}, {"Cut, Copy", cutCopy, off}, {"Clear", clear, off}}},
        {"a paste made", DocumentMode::ReadWrite,
         [](CommandFacts& f) { f.pasteReady = f.pasted = true; },
         {{"Clear", clear, on}, {"Cut, Copy", cutCopy, off}}},
        {"a selection without a document", DocumentMode::NoFile,
         [](CommandFacts& f) { f.selection = f.pasteReady = true; },
         {{"Cut, Copy, Clear", cutCopyClear, off}, {"Paste", paste, off}}},
        {"annotations on the page", DocumentMode::ReadWrite,
         [](CommandFacts& f) { f.pageHasAnnotations = true; },
         {{"Make Annotations Permanent", makePermanent, on}}},
        {"a job on the document", DocumentMode::ReadWrite,
         [](CommandFacts& f) { f.documentBusy = true; },
         {{"document commands", documentCommands, off}, {"beside a job", besideAJob, on}}},
    };
    for (const Row& r : rows) {
        CommandFacts f = window(r.mode);
        r.change(f);
        const CommandState s = viewer::commandState(f);
        expectItems(s, r.checks, r.name);
        if (f.documentBusy) {
            EXPECT_FALSE(s.cmdDup);
            EXPECT_FALSE(s.recordButtons);
            // Zooming and the view modes go on while the job runs.
            for (const ItemState& z : s.mnuZoomFactorItem) EXPECT_TRUE(z.enabled);
        }
    }
}

TEST(CommandState, TheProceduresTextsNameTheModesAndKinds) {
    for (DocumentMode m : {DocumentMode::NoFile, DocumentMode::ReadWrite, DocumentMode::ReadOnly})
        EXPECT_EQ(viewer::documentModeFromText(viewer::documentModeText(m)), m);
    EXPECT_EQ(viewer::documentModeFromText("ReadWrite"), DocumentMode::ReadWrite);
    EXPECT_EQ(viewer::documentModeFromText("readwrite"), std::nullopt);
    EXPECT_EQ(viewer::documentModeFromText(""), std::nullopt);
    EXPECT_EQ(viewer::selectionKindFromText("Rect"), viewer::SelectionKind::Rect);
    EXPECT_EQ(viewer::selectionKindFromText("Anno"), viewer::SelectionKind::Anno);
    EXPECT_EQ(viewer::selectionKindFromText("rect"), viewer::SelectionKind::None);
}
