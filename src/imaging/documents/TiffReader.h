#pragma once
// Decoding TIFF pages with libtiff. libtiff reads through our own byte source (several
// handles may share one file, each with its own position), its error and warning messages
// are captured into the Error we raise instead of being printed, and every decode gets a
// handle of its own that starts at the page's directory, never walking the chain. Handles
// are cheap (the header and one directory are read), and one per decode makes decoding
// from several threads safe and every decode start from a clean codec state.
#include "imaging/documents/ByteSource.h"

#include <QImage>
#include <QSize>
#include <QStringList>
#include <memory>

typedef struct tiff TIFF;

namespace imaging {

class TiffHandle {
public:
    // Opens a libtiff handle on `source` whose first directory is the one at `ifdOffset`:
    // libtiff is shown the file with the header's first-directory offset replaced, so it
    // reads that page's directory at once (libtiff 4.5's TIFFSetSubDirectory walks the
    // whole chain on a handle's first jump, which costs a cold read of every directory of
    // a large document). `pageNo` names the page in errors. Raises Error(kErrBadFile).
    static std::unique_ptr<TiffHandle> open(ByteSourcePtr source, bool bigTiff, bool bigEndian,
                                            quint64 ifdOffset, int pageNo);
    ~TiffHandle();
    TiffHandle(const TiffHandle&) = delete;
    TiffHandle& operator=(const TiffHandle&) = delete;

    TIFF* tif() const { return tif_; }

    // Messages libtiff reported since the last clearMessages().
    void clearMessages() { errors_.clear(); }
    QString errorText() const;
    [[noreturn]] void fail(int number, const QString& what) const;

    // libtiff's callbacks reach the handle through these.
    qint64 read(void* buf, size_t len);
    quint64 position = 0;
    const ByteSourcePtr& source() const { return source_; }
    void addError(const QString& message);

private:
    explicit TiffHandle(ByteSourcePtr source) : source_(std::move(source)) {}
    ByteSourcePtr source_;
    TIFF* tif_ = nullptr;
    uchar header_[16] = {}; // the header as libtiff is shown it
    size_t headerSize_ = 8;
    QStringList errors_;
};

// Decodes the current directory of `h` (orientation and fill order applied). 1-bit pages
// come back as Format_Mono with index 0 white and 1 black, gray as Grayscale8, colour as
// RGB32 or ARGB32. `pageNo` (1-based) names the page in errors. Raises Error.
QImage decodeCurrentPage(TiffHandle& h, int pageNo);

// The same page scaled to fit `box`; bitonal pages with `grayScaling` are area-averaged
// while decoding, without holding the full page.
QImage decodeCurrentPageScaled(TiffHandle& h, int pageNo, QSize box, bool grayScaling);

} // namespace imaging
