#pragma once
// Writing documents. Every write goes to a temporary file in the destination's folder, is
// flushed to disk, and then replaces the destination by rename: a crash, a kill or a full
// disk leaves either the old file or the new one, never a broken one. Unchanged pages are
// copied without decoding (their compressed strips or tiles and their tags); only pages with
// new pixels are encoded, bitonal pages as CCITT G4.
#include "imaging/annotations/Annotation.h"
#include "imaging/documents/Document.h"
#include "imaging/documents/PathResolver.h"

#include <QImage>
#include <QString>
#include <optional>
#include <vector>

namespace imaging {

// One page of the document to write.
struct PageSource {
    // Copy page `index` of `document` unchanged ...
    DocumentPtr document;
    int index = -1;
    // ... or, when `image` is not null, encode these pixels.
    QImage image;
    double xDpi = 0; // resolution stored with new pixels; 0 states none
    double yDpi = 0;
    // Annotations to store with the page; nullopt keeps the source page's own.
    std::optional<AnnotationList> annotations;
    // New pixels of a page that came from a JPEG page may be stored as JPEG again
    // (quality 90); otherwise gray and colour pixels are stored losslessly (Deflate) and
    // 1-bit pixels as CCITT G4.
    bool preferJpeg = false;

    static PageSource copy(DocumentPtr doc, int index);
    static PageSource pixels(QImage image, double xDpi, double yDpi, AnnotationList annotations);
};

// Every operation takes the paths as given and reaches them through `resolve` (the
// environment's resolver; empty when the paths are native already).
//
// Writes `pages` as the file at `path`, atomically. type kFileTiff writes a
// multi-page TIFF; kFileBmp writes exactly one page (Error kErrBadArgument otherwise), with
// its annotations burnt into the pixels since BMP cannot keep them; kFileAwd raises Error
// kErrUnsupported. A page copied from a TIFF document keeps its compressed data and tags;
// a page that cannot be copied so (old-style JPEG, a strip table libtiff repairs when
// reading, or samples over 8 bits in the other byte order than the file being written) is
// decoded and stored losslessly (1-bit as G4), and so is a BMP or PNG page; a JPEG file's
// page is stored as JPEG (quality 90). Page numbers are rewritten. An existing read-only
// destination is refused (kErrFileAccess).
void writeDocument(const QString& path, const std::vector<PageSource>& pages,
                   int type = kFileTiff, const PathResolver& resolve = {});

// Page operations on files; pages are 1-based. Each one is one atomic write of `dest`,
// which must be a TIFF document (kErrUnsupported otherwise). A page range outside a
// document raises kErrBadPage (count < 1 included); deleting every page of a document is
// refused with kErrBadArgument, since a TIFF file cannot have zero pages.
// Insert: `count` pages of `source` starting at `sourcePage` become pages destPage,
// destPage+1, ... of `dest` (destPage may be pageCount + 1); the page that was at destPage
// follows them.
void insertPages(const QString& dest, const QString& source, int sourcePage, int destPage,
                 int count, const PathResolver& resolve = {});
void appendPages(const QString& dest, const QString& source, int firstPage, int count,
                 const PathResolver& resolve = {});
void deletePages(const QString& dest, int firstPage, int count, const PathResolver& resolve = {});

// A file name not yet used in `folder`: prefix + digits + "." + extension (name only); the
// smallest number from 1 that is free. The extension may be given with or without its dot.
QString uniqueFileName(const QString& folder, const QString& prefix, const QString& extension,
                       const PathResolver& resolve = {});

} // namespace imaging
