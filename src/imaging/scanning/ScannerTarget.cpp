#include "imaging/scanning/ScannerTarget.h"

#include "imaging/documents/DocumentModel.h"
#include "imaging/pixels/ImagingError.h"
#include "imaging/documents/PageOps.h"
#include "imaging/documents/PathResolver.h"
#include "imaging/documents/TiffAppend.h"
#include "imaging/documents/TiffWriter.h"

#include <QFileInfo>
#include <QThread>
#include <exception>

namespace imaging {

namespace {

// Runs `f` on the thread `object` lives in, waiting for it; errors come back to the caller.
template <class F> void onThreadOf(QObject* object, F&& f) {
    if (QThread::currentThread() == object->thread()) {
        f();
        return;
    }
    std::exception_ptr error;
    QMetaObject::invokeMethod(
        object,
        [&] {
            try {
                f();
            } catch (...) {
                error = std::current_exception();
            }
        },
        Qt::BlockingQueuedConnection);
    if (error) std::rethrow_exception(error);
}

} // namespace

ScanTarget::ScanTarget(const QString& path, int placement, int page, PathResolver resolve)
    : path_(path), resolve_(std::move(resolve)), placement_(placement), page_(page) {
    if (path.isEmpty())
        throw Error(kErrBadArgument, QStringLiteral("No destination file is set for the scan."));
    if (placement != kScanAppend && placement != kScanInsert && placement != kScanOverwrite)
        throw Error(kErrBadArgument,
                    QStringLiteral("The page placement %1 is not known (2 append, 3 insert, "
                                   "4 overwrite).")
                        .arg(placement));
    model_ = DocumentModel::find(path);
    if (model_) {
        existing_ = true;
        initialCount_ = model_->pageCount();
    } else if (QFileInfo::exists(resolvePath(resolve_, path))) {
        const DocumentPtr doc = Document::open(path, resolve_);
        if (doc->fileType() != kFileTiff)
            throw Error(kErrUnsupported,
                        QStringLiteral("Scanned pages can be added to TIFF documents only."));
        existing_ = true;
        initialCount_ = doc->pageCount();
    }
    if (!existing_ || placement == kScanAppend) return;
    const int last = placement == kScanInsert ? initialCount_ + 1 : initialCount_;
    if (page < 1 || page > last)
        throw Error(kErrBadPage, QStringLiteral("Page %1 is not a page of the document (1 to %2).")
                                     .arg(page)
                                     .arg(initialCount_));
}

int ScanTarget::position(int k) const {
    if (!existing_) return k + 1;
    switch (placement_) {
    case kScanInsert:
        return page_ + k;
    case kScanOverwrite:
        return page_;
    default:
        return initialCount_ + k + 1;
    }
}

bool ScanTarget::appendsAtEnd() const {
    return !existing_ || placement_ == kScanAppend;
}

int ScanTarget::firstPage() const {
    return position(0);
}

bool ScanTarget::appendedInPlace(const ScannedPage& scanned) {
    const QString native = resolvePath(resolve_, path_);
    if (!canAppendInPlace(native)) return false;
    try {
        appendPageInPlace(native, encodeTiffPage(scanned.image, scanned.xDpi, scanned.yDpi, false));
        return true;
    } catch (const Error& e) {
        if (e.number() != kErrUnsupported) throw;
        return false;
    }
}

void ScanTarget::addPage(const ScannedPage& scanned) {
    if (singlePage() && written_ > 0)
        throw Error(kErrBadArgument, QStringLiteral("Only one page can replace a page."));
    const PageSource source =
        PageSource::pixels(scanned.image, scanned.xDpi, scanned.yDpi, AnnotationList{});
    const int pos = position(written_);
    const bool replace = singlePage();
    if (model_) {
        onThreadOf(model_.get(), [&] {
            if (replace)
                model_->replacePage(pos, source);
            else
                model_->insertPageSources(pos, {source});
        });
    } else if (!existing_ && written_ == 0) {
        writeDocument(path_, {source}, kFileTiff, resolve_);
    } else if (appendsAtEnd() && appendedInPlace(scanned)) {
        // The pages before stay where they are: the scan costs what it adds.
    } else {
        const DocumentPtr doc = Document::open(path_, resolve_);
        std::vector<PageSource> pages;
        pages.reserve(size_t(doc->pageCount()) + 1);
        for (int i = 0; i < doc->pageCount(); ++i)
            pages.push_back(PageSource::copy(doc, i));
        if (pos < 1 || pos > int(pages.size()) + (replace ? 0 : 1))
            throw Error(
                kErrBadPage,
                QStringLiteral("The document changed during the scan: page %1 is gone.").arg(pos));
        if (replace)
            pages[size_t(pos - 1)] = source;
        else
            pages.insert(pages.begin() + (pos - 1), source);
        writeDocument(path_, pages, kFileTiff, resolve_);
    }
    ++written_;
}

} // namespace imaging
