#pragma once
// Decoding TIFF pages with libtiff. libtiff reads through our own byte source (several
// handles may share one file, each with its own position), its error and warning messages
// are captured into the Error we raise instead of being printed, and a page is made current
// by jumping to its directory offset (TIFFSetSubDirectory), never by walking the chain.
#include "imaging/ByteSource.h"

#include <QImage>
#include <QSize>
#include <QStringList>
#include <memory>
#include <mutex>
#include <vector>

typedef struct tiff TIFF;

namespace imaging {

class TiffHandle {
public:
    // Opens a libtiff handle on `source` (header only). Raises Error(kErrBadFile).
    static std::unique_ptr<TiffHandle> open(ByteSourcePtr source);
    ~TiffHandle();
    TiffHandle(const TiffHandle&) = delete;
    TiffHandle& operator=(const TiffHandle&) = delete;

    TIFF* tif() const { return tif_; }
    // Makes the directory at `offset` current. Raises Error(kErrBadFile) naming `pageNo`.
    void select(quint64 offset, int pageNo);

    // Messages libtiff reported since the last clearMessages().
    void clearMessages() { errors_.clear(); }
    QString errorText() const;
    [[noreturn]] void fail(int number, const QString& what) const;

    // libtiff's callbacks reach the handle through these.
    quint64 position = 0;
    const ByteSourcePtr& source() const { return source_; }
    void addError(const QString& message);

private:
    explicit TiffHandle(ByteSourcePtr source) : source_(std::move(source)) {}
    ByteSourcePtr source_;
    TIFF* tif_ = nullptr;
    QStringList errors_;
};

// Handles of one file shared by the threads that decode its pages.
class TiffHandlePool {
public:
    explicit TiffHandlePool(ByteSourcePtr source) : source_(std::move(source)) {}

    class Lease {
    public:
        Lease(TiffHandlePool* pool, std::unique_ptr<TiffHandle> h)
            : pool_(pool), handle_(std::move(h)) {}
        Lease(Lease&&) = default;
        ~Lease() {
            if (handle_) pool_->release(std::move(handle_));
        }
        TiffHandle& operator*() const { return *handle_; }
        TiffHandle* operator->() const { return handle_.get(); }

    private:
        TiffHandlePool* pool_;
        std::unique_ptr<TiffHandle> handle_;
    };

    Lease acquire();

private:
    void release(std::unique_ptr<TiffHandle> h);
    ByteSourcePtr source_;
    std::mutex mutex_;
    std::vector<std::unique_ptr<TiffHandle>> idle_;
};

// Decodes the current directory of `h` (orientation and fill order applied). 1-bit pages
// come back as Format_Mono with index 0 white and 1 black, gray as Grayscale8, colour as
// RGB32 or ARGB32. `pageNo` (1-based) names the page in errors. Raises Error.
QImage decodeCurrentPage(TiffHandle& h, int pageNo);

// The same page scaled to fit `box`; bitonal pages with `grayScaling` are area-averaged
// while decoding, without holding the full page.
QImage decodeCurrentPageScaled(TiffHandle& h, int pageNo, QSize box, bool grayScaling);

} // namespace imaging
