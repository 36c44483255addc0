#pragma once
// Our own writer of multi-page TIFF files. Every page is a directory of some TIFF file (the
// source document, or a one-page TIFF that libtiff encoded in memory) whose tags and
// compressed strips or tiles are copied as they are, so an unchanged page keeps its exact
// compressed data, JPEG tables included. The writer rewrites what depends on the new file:
// the strip or tile offsets, the page numbers, the annotation tag, and the byte order.
//
// Layout of a written file: the header, then every page's directory (with its small tag
// values) one after the other, then the pixel data and large tag values of each page in
// order. Keeping the directories together makes counting the pages of a large file cheap.
#include "imaging/documents/AtomicFile.h"
#include "imaging/documents/IfdChain.h"

#include <QImage>
#include <optional>
#include <vector>

namespace imaging {

struct WritePage {
    const tiff::TiffFile* file = nullptr; // stays valid while writing
    tiff::Ifd ifd;
    // Annotation tag bytes: nullopt keeps the directory's own tag, empty leaves it out.
    std::optional<QByteArray> annotations;
    int pageNo = 0; // page number in its source, for messages
};

// Why a page cannot be copied as it is ("" when it can): data that depends on the byte
// order (samples over 8 bits) in a file of the other order, old-style JPEG with its own
// offsets, a strip table that is missing, damaged or one libtiff would repair when reading
// (so that a copy of it would not decode as the source does).
QString rawCopyObstacle(const tiff::TiffFile& file, const tiff::Ifd& ifd, bool bigEndianOutput);

// Writes `pages` to `out`. Raises Error.
void writeTiff(AtomicFile& out, const std::vector<WritePage>& pages, bool bigEndian);

// Encodes pixels as a one-page TIFF in memory: 1-bit images as CCITT G4 (white is zero),
// gray and colour with Deflate and the horizontal predictor, or with JPEG (quality 90) when
// `preferJpeg`. Resolution tags are written when the values are positive. Raises Error.
QByteArray encodeTiffPage(const QImage& image, double xDpi, double yDpi, bool preferJpeg);

inline constexpr int kJpegQuality = 90;

} // namespace imaging
