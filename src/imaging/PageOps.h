#pragma once
// Writing documents. Every write goes to a temporary file in the destination's folder, is
// flushed to disk, and then replaces the destination by rename: a crash, a kill or a full
// disk leaves either the old file or the new one, never a broken one. Unchanged pages are
// copied without decoding (their compressed strips or tiles and their tags); only pages with
// new pixels are encoded, bitonal pages as CCITT G4.
#include "imaging/Annotation.h"
#include "imaging/Document.h"

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
    double xDpi = 0;
    double yDpi = 0;
    // Annotations to store with the page; nullopt keeps the source page's own.
    std::optional<AnnotationList> annotations;

    static PageSource copy(DocumentPtr doc, int index);
    static PageSource pixels(QImage image, double xDpi, double yDpi, AnnotationList annotations);
};

// Writes `pages` as the file at `path` (logical path), atomically. type kFileTiff writes a
// multi-page TIFF; kFileBmp writes exactly one page (Error kErrBadArgument otherwise);
// kFileAwd raises Error kErrUnsupported.
void writeDocument(const QString& path, const std::vector<PageSource>& pages,
                   int type = kFileTiff);

// Page operations on files; pages are 1-based. Each one is one atomic write of `dest`.
// Insert: `count` pages of `source` starting at `sourcePage` become pages destPage,
// destPage+1, ... of `dest`; the page that was at destPage follows them.
void insertPages(const QString& dest, const QString& source, int sourcePage, int destPage,
                 int count);
void appendPages(const QString& dest, const QString& source, int firstPage, int count);
void deletePages(const QString& dest, int firstPage, int count);

// A file name not yet used in `folder`: prefix + digits + "." + extension (name only).
QString uniqueFileName(const QString& folder, const QString& prefix, const QString& extension);

} // namespace imaging
