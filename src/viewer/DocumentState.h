#pragma once
// The main window's document: what is open, how, and how it is shown.
#include <QString>

namespace viewer {

// The kind of address a document was opened from (codes 0-3 of the opening procedure).
enum class SourceKind {
    Path = 0,                // a plain file path
    Network = 1,             // "FTP://" or "HTTP://"
    ImageAddress = 2,        // "IMAGE://"
    ReadOnlyImageAddress = 3 // "IMAGEX://", never written
};

struct DocumentState {
    QString FullPathFileName;   // path or address given to the last PerformFileOpen
    QString FileName;           // its file-name part
    QString Title;              // name used in the save question ("Untitled" for a new one)
    bool gblnNewDocument = false; // a scan into the temporary folder, without a name of its own
    bool gblnReadOnly = false;
    bool gblnJustOpened = false;  // from the opening display until the first page operation
    int gintFileType = 0;         // the administration object's file type code
    SourceKind gintSourceKind = SourceKind::Path;
    bool NoDocument = true;       // no page is shown
    bool DisplayedOnce = false;   // a page has been shown in this run
    bool RectSelected = false;    // an image rectangle is selected
    int GrayEligible = 0;         // 1 while the shown page is bitonal (gray scaling helps it)
};

// Twips per pixel at 96 dpi, the unit the window's layout rules are written in.
inline constexpr int kTwipsPerPixel = 15;

} // namespace viewer
