#pragma once
// Where the pages of one scan run go: straight into the destination file, page by page, so
// the pages finished before a jam or a cancel are already on disk. When the file is open in
// a page display (a DocumentModel exists for the path) the pages go through the model, so
// the display and the thumbnails follow and the unsaved edits of other pages survive;
// otherwise pages added at the end are appended in place (TiffAppend: the pages before are
// not rewritten, a kill leaves every finished page) and other placements rewrite the file
// through the document operations atomically.
#include "imaging/documents/PathResolver.h"
#include "imaging/scanning/ScannerAcquisition.h"

#include <QString>
#include <memory>

namespace imaging {

class DocumentModel;

// Placement codes of the scanner's interface.
enum ScanPlacement : int {
    kScanAppend = 2,    // after the last page
    kScanInsert = 3,    // before page `page`; the pages of the run keep their order
    kScanOverwrite = 4, // replacing page `page` (one page)
};

class ScanTarget {
public:
    // Checks the destination before anything is scanned. A path that does not exist yet is
    // created by the first page, whatever the placement. Raises Error: kErrBadPage for a page
    // outside the document, kErrUnsupported for a destination that is not a TIFF document,
    // the document's own errors for a file that cannot be read.
    // The file is reached through `resolve` (empty: the path is native).
    ScanTarget(const QString& path, int placement, int page, PathResolver resolve = {});

    // Writes the next page of the run. Callable from any thread: a model is changed on its
    // own thread (the caller waits). Raises Error when the write fails.
    void addPage(const ScannedPage& page);

    bool createsFile() const { return !existing_; }
    // Only one page can be taken (overwrite).
    bool singlePage() const { return existing_ && placement_ == kScanOverwrite; }
    int pagesWritten() const { return written_; }
    // Document page number (1-based) of the run's first page.
    int firstPage() const;

private:
    bool appendsAtEnd() const;
    // Appends the page in place when the file and its file system allow it; false (the file
    // unchanged) when the file is to be rewritten whole instead.
    bool appendedInPlace(const ScannedPage& scanned);
    int position(int k) const; // document page the k-th page (0-based) of the run becomes

    QString path_;
    PathResolver resolve_;
    int placement_;
    int page_;
    bool existing_ = false;
    int initialCount_ = 0;
    int written_ = 0;
    std::shared_ptr<DocumentModel> model_;
};

} // namespace imaging
