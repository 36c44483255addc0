#pragma once
// A document on disk: a multi-page TIFF file, or a BMP, PNG or JPEG file seen as one page.
// A Document is an immutable snapshot of the file as it was when opened: opening reads the
// page chain only; pixels are decoded on request. Safe to use from several threads at once.
#include "imaging/annotations/Annotation.h"
#include "imaging/documents/FileType.h"
#include "imaging/documents/PathResolver.h"

#include <QImage>
#include <QSize>
#include <QString>
#include <memory>

namespace imaging {

// Pages whose decoded size would exceed this many bytes are refused (Error kErrTooLarge).
// 512 MiB holds a 24-bit 600 dpi A0 page; larger values in a header are treated as hostile.
// The bound applies to the decoded image as handed out (1 bit, 8 bits or 32 bits a pixel)
// and to every buffer the decoder needs on the way.
inline constexpr qint64 kMaxDecodedPageBytes = 512LL * 1024 * 1024;
// Neither side of a page may exceed this many pixels (Error kErrTooLarge).
inline constexpr int kMaxPageDimension = 65535;
// A TIFF file may hold at most this many pages (Error kErrBadFile beyond).
inline constexpr int kMaxPages = 100000;

struct PageInfo {
    int width = 0;  // pixels of the page as displayed (orientation applied)
    int height = 0;
    double xDpi = 0; // 0 when the file states no resolution
    double yDpi = 0;
    int bitsPerSample = 0;
    int samplesPerPixel = 0;
    int bitDepth() const { return bitsPerSample * samplesPerPixel; }
    int compressionCode = 1;  // TIFF Compression tag value (1 for non-TIFF files)
    QString compression;      // "CCITT G4", "CCITT G3", "LZW", "Deflate", "JPEG", "PackBits", "None", ...
    int orientation = 1;      // TIFF Orientation tag as stored
    bool tiled = false;
    bool bitonal() const { return bitDepth() == 1; }
};

class Document {
public:
    // Opens the file at `path`, reached through `resolve` (empty: the path is native).
    // Raises Error with a clear description for missing, unreadable, unsupported (AWD) and
    // corrupt files.
    static std::shared_ptr<const Document> open(const QString& path,
                                                const PathResolver& resolve = {});
    // The same for bytes in memory; `name` stands for the path (type guesses, messages).
    static std::shared_ptr<const Document> openBytes(const QByteArray& bytes,
                                                     const QString& name);

    virtual ~Document() = default;
    virtual QString path() const = 0;       // as given to open()
    virtual int fileType() const = 0;       // FileTypeCode
    virtual int pageCount() const = 0;
    virtual PageInfo pageInfo(int index) const = 0;  // index is 0-based; reads tags only

    // Decoded page with orientation and fill order applied. 1-bit pages come back as
    // QImage::Format_Mono with white = 0 in the colour table entry 0; gray as Grayscale8,
    // colour as RGB32 or ARGB32. Raises Error on corrupt data, never returns garbage silently.
    virtual QImage decodePage(int index) const = 0;

    // Decoded page scaled to fit `box` (keeping the aspect ratio); with `grayScaling`,
    // bitonal pages are anti-aliased (area-averaged into gray). May be faster than decoding
    // at full size.
    virtual QImage decodePageScaled(int index, QSize box, bool grayScaling) const = 0;

    virtual AnnotationList annotations(int index) const = 0;

    // The bytes of a one-page image file (BMP, PNG, JPEG) as read; empty for a TIFF file.
    virtual QByteArray imageFileBytes() const { return {}; }

    // Why the file opened with only part of what it claims (its page chain loops back
    // after the last page shown); empty for an intact file. A damaged document can be
    // shown, printed and saved under another name, never changed in place.
    virtual QString damage() const { return {}; }

    // File identity when opened: used to notice a file changed on disk.
    virtual qint64 fileSize() const = 0;
    virtual qint64 modifiedMsecs() const = 0;
};

using DocumentPtr = std::shared_ptr<const Document>;

// Raises Error(kErrFileAccess) when `doc` is damaged (see Document::damage): its file is not
// to be rewritten in place.
void requireIntact(const Document& doc);

} // namespace imaging
