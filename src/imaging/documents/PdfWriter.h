#pragma once
// Writing pages of a document as a PDF/A-2b file (release of information).
//
// Each page becomes a PDF page of its own physical size: points = pixels * 72 / dpi (a page
// whose file states no resolution is taken as 200 dpi, as printing does). Bitonal pages stay
// bitonal and small: their CCITT G4 data is embedded as a /CCITTFaxDecode image, copied
// byte for byte from the TIFF strip when the page is an unchanged single-strip G4 page
// (MSB-first, upright) without annotations to burn in, else encoded again as G4 by the
// engine's TIFF encoder. A JPEG file's page is embedded as its own DCT data when unchanged
// and upright; other gray and colour pages losslessly (Flate). Annotations
// are burnt in with the engine's annotation painting when asked for.
//
// The file is PDF/A-2b: an XMP metadata stream with pdfaid:part = 2 and
// pdfaid:conformance = B, and the same title, producer and dates as the document
// information; an sRGB output intent whose ICC profile is Qt's; no encryption; no fonts (the
// optional footer is a bitonal image mask painted at the bottom edge of each page, so no
// text object is written).
//
// The write is atomic (AtomicFile): a failure or a cancel (an exception raised by the
// progress callback) leaves no file and any earlier file of that name untouched.
#include "imaging/documents/DocumentModel.h"

#include <QDateTime>
#include <QString>
#include <functional>

namespace imaging {

// Resolution assumed for a page whose file states none.
inline constexpr double kPdfDefaultDpi = 200.0;

struct PdfOptions {
    QString title;     // document title (information and XMP)
    QDateTime created; // creation time; invalid: now
    bool burnAnnotations = true;
    // The footer line of released page n of m (1-based); empty function or empty text: none.
    std::function<QString(int n, int m)> footer;
    // Called before each page (pages done, pages in all); may raise to stop the write, which
    // then leaves no file.
    std::function<void(int done, int total)> progress;
};

// Height in pixels of the footer band of a page of `dpi` resolution (a quarter inch).
int pdfFooterHeight(double dpi);

// Writes pages firstPage..lastPage (1-based, inclusive) of `model` as it is now (unsaved
// edits included) to the native path `nativePath`. Raises Error (kErrBadPage for a bad
// range, the document's and the atomic file's errors).
void writePdf(const QString& nativePath, const DocumentModel& model, int firstPage, int lastPage,
              const PdfOptions& options);

} // namespace imaging
