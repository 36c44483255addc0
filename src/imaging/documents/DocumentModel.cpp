#include "imaging/documents/DocumentModel.h"
#include "imaging/documents/TiffAppend.h"
#include "imaging/documents/TiffWriter.h"

#include "imaging/documents/AtomicFile.h"
#include "imaging/pixels/Downscale.h"
#include "imaging/pixels/ImagingError.h"
#include "imaging/documents/PathResolver.h"

#include <QDebug>
#include <QFileInfo>
#include <atomic>
#include <map>
#include <mutex>

namespace imaging {

// ---------------------------------------------------------------------------------------
// Operations from functions

namespace {

class FunctionOperation final : public PageOperation {
public:
    FunctionOperation(QString name, int page, std::function<void(PageContent&)> change,
                      bool annotationsOnly)
        : name_(std::move(name)), page_(page), change_(std::move(change)),
          annotationsOnly_(annotationsOnly) {}
    QString name() const override { return name_; }
    int pageIndex() const override { return page_; }
    void apply(PageContent& page) const override { change_(page); }
    bool annotationsOnly() const override { return annotationsOnly_; }

private:
    QString name_;
    int page_;
    std::function<void(PageContent&)> change_;
    bool annotationsOnly_;
};

} // namespace

std::unique_ptr<PageOperation> makeOperation(QString name, int pageIndex,
                                             std::function<void(PageContent&)> change,
                                             bool annotationsOnly) {
    return std::make_unique<FunctionOperation>(std::move(name), pageIndex, std::move(change),
                                               annotationsOnly);
}

// ---------------------------------------------------------------------------------------
// The registry of open models

namespace {

std::mutex& registryMutex() {
    static std::mutex m;
    return m;
}

std::map<QString, std::weak_ptr<DocumentModel>>& registry() {
    static std::map<QString, std::weak_ptr<DocumentModel>> r;
    return r;
}

// Revisions are unique across all models and pages, so a (page, revision) cache key never
// names two different contents.
std::atomic<quint64> gRevision{1};
quint64 newRevision() {
    return gRevision++;
}

} // namespace

struct DocumentModel::Private {
    struct Edit {
        PageContent content; // content.image is null when only the annotations changed
        bool pixels = false;
    };

    QString path;
    PathResolver resolve; // how the file's path is reached (set once, at opening)
    mutable std::mutex mutex;  // guards doc, edits and revisions (read by worker threads)
    std::mutex operationMutex; // one change at a time
    DocumentPtr doc;
    std::map<int, Edit> edits;
    std::vector<quint64> revisions;
    std::vector<std::shared_ptr<WriteObserver>> observers; // guarded by mutex

    // What to write for page `i`: a copy from the file, with new annotations when only
    // those changed, or the edited pixels.
    static PageSource sourceOf(const DocumentPtr& doc, const std::map<int, Edit>& edits, int i) {
        auto it = edits.find(i);
        if (it == edits.end()) return PageSource::copy(doc, i);
        const PageContent& c = it->second.content;
        if (!it->second.pixels) {
            PageSource s = PageSource::copy(doc, i);
            s.annotations = c.annotations;
            return s;
        }
        PageSource s = PageSource::pixels(c.image, c.xDpi, c.yDpi, c.annotations);
        int compression = 1;
        try {
            compression = doc->pageInfo(i).compressionCode;
        } catch (const Error&) {
        }
        s.preferJpeg = compression == 6 || compression == 7; // JPEG pages may stay JPEG
        return s;
    }

    DocumentPtr document() const {
        std::lock_guard lock(mutex);
        return doc;
    }
    void checkIndex(int index) const {
        std::lock_guard lock(mutex);
        if (index < 0 || index >= int(revisions.size()))
            throw Error(kErrBadPage, QStringLiteral("Page %1 does not exist (the document has %2)")
                                         .arg(index + 1)
                                         .arg(revisions.size()));
    }
};

DocumentModel::DocumentModel(DocumentPtr doc, PathResolver resolve)
    : d(std::make_unique<Private>()) {
    d->path = doc->path();
    d->resolve = std::move(resolve);
    d->revisions.resize(size_t(doc->pageCount()));
    for (quint64& r : d->revisions)
        r = newRevision();
    d->doc = std::move(doc);
}

DocumentModel::~DocumentModel() {
    std::lock_guard lock(registryMutex());
    auto it = registry().find(d->path);
    if (it != registry().end() && it->second.expired()) registry().erase(it);
}

DocumentModelPtr DocumentModel::acquire(const QString& path, const PathResolver& resolve) {
    if (DocumentModelPtr m = find(path)) return m;
    // Opened without holding the registry, so that opening one large file does not hold up
    // every other control; if another thread opened the same path meanwhile, its model wins.
    DocumentModelPtr created(new DocumentModel(Document::open(path, resolve), resolve));
    // A save of this file that a crash or a kill interrupted left its temporary file
    // beside it: opening the file again clears such leftovers.
    AtomicFile::removeLeftovers(resolvePath(resolve, path));
    std::lock_guard lock(registryMutex());
    std::weak_ptr<DocumentModel>& slot = registry()[path];
    if (DocumentModelPtr m = slot.lock()) return m;
    slot = created;
    return created;
}

DocumentModelPtr DocumentModel::find(const QString& path) {
    std::lock_guard lock(registryMutex());
    auto it = registry().find(path);
    return it == registry().end() ? nullptr : it->second.lock();
}

QString DocumentModel::path() const {
    std::lock_guard lock(d->mutex);
    return d->path;
}

QString DocumentModel::damage() const {
    return d->document()->damage();
}

int DocumentModel::pageCount() const {
    std::lock_guard lock(d->mutex);
    return int(d->revisions.size());
}

namespace {
void describeImage(PageInfo& info, const QImage& image, double xDpi, double yDpi) {
    info.width = image.width();
    info.height = image.height();
    info.xDpi = xDpi;
    info.yDpi = yDpi;
    info.orientation = 1;
    info.samplesPerPixel = image.depth() == 1 || image.isGrayscale() ? 1
                           : image.hasAlphaChannel()                 ? 4
                                                                     : 3;
    info.bitsPerSample = image.depth() == 1 ? 1 : 8;
}
} // namespace

PageInfo DocumentModel::pageInfo(int index) const {
    d->checkIndex(index);
    DocumentPtr doc;
    {
        std::lock_guard lock(d->mutex);
        doc = d->doc;
        auto it = d->edits.find(index);
        if (it != d->edits.end() && it->second.pixels) {
            PageInfo info;
            try {
                info = doc->pageInfo(index);
            } catch (const Error&) {
            }
            const PageContent& c = it->second.content;
            describeImage(info, c.image, c.xDpi, c.yDpi);
            return info;
        }
    }
    return doc->pageInfo(index);
}

QImage DocumentModel::pageImage(int index) const {
    d->checkIndex(index);
    DocumentPtr doc;
    {
        std::lock_guard lock(d->mutex);
        auto it = d->edits.find(index);
        if (it != d->edits.end() && it->second.pixels) return it->second.content.image;
        doc = d->doc;
    }
    return doc->decodePage(index);
}

QImage DocumentModel::pageImageScaled(int index, QSize box, bool grayScaling) const {
    d->checkIndex(index);
    DocumentPtr doc;
    QImage edited;
    {
        std::lock_guard lock(d->mutex);
        auto it = d->edits.find(index);
        if (it != d->edits.end() && it->second.pixels) edited = it->second.content.image;
        doc = d->doc;
    }
    if (!edited.isNull()) return scaleForDisplay(edited, box, grayScaling);
    return doc->decodePageScaled(index, box, grayScaling);
}

AnnotationList DocumentModel::annotations(int index) const {
    d->checkIndex(index);
    DocumentPtr doc;
    {
        std::lock_guard lock(d->mutex);
        auto it = d->edits.find(index);
        if (it != d->edits.end()) return it->second.content.annotations;
        doc = d->doc;
    }
    try {
        return doc->annotations(index);
    } catch (const Error& e) {
        qWarning().noquote() << e.description();
        return {};
    }
}

quint64 DocumentModel::pageRevision(int index) const {
    d->checkIndex(index);
    std::lock_guard lock(d->mutex);
    return d->revisions[size_t(index)];
}

bool DocumentModel::isModified() const {
    std::lock_guard lock(d->mutex);
    return !d->edits.empty();
}

bool DocumentModel::isPageModified(int index) const {
    std::lock_guard lock(d->mutex);
    return d->edits.count(index) != 0;
}

void DocumentModel::apply(std::unique_ptr<PageOperation> op) {
    if (!op) throw Error(kErrBadArgument, QStringLiteral("No operation"));
    std::lock_guard opLock(d->operationMutex);
    const int index = op->pageIndex();
    d->checkIndex(index);

    PageContent content;
    bool hadPixels = false;
    bool wasModified = false;
    DocumentPtr doc;
    {
        std::lock_guard lock(d->mutex);
        wasModified = !d->edits.empty();
        doc = d->doc;
        auto it = d->edits.find(index);
        if (it != d->edits.end()) {
            content = it->second.content;
            hadPixels = it->second.pixels;
        }
    }
    if (!hadPixels) {
        const PageInfo info = doc->pageInfo(index);
        const AnnotationList kept = content.annotations;
        const bool annotated = isPageModified(index);
        content.image = doc->decodePage(index);
        content.xDpi = info.xDpi;
        content.yDpi = info.yDpi;
        content.annotations = annotated ? kept : annotations(index);
    }
    op->apply(content); // may refuse by raising; nothing changed yet

    Private::Edit edit;
    edit.pixels = hadPixels || !op->annotationsOnly();
    edit.content = std::move(content);
    if (!edit.pixels)
        edit.content.image = QImage(); // the file's pixels stay valid; keep only the annotations
    {
        std::lock_guard lock(d->mutex);
        d->edits[index] = std::move(edit);
        d->revisions[size_t(index)] = newRevision();
    }
    emit pageChanged(index);
    if (!wasModified) emit modifiedChanged(true);
}

void DocumentModel::save() {
    std::lock_guard opLock(d->operationMutex);
    DocumentPtr doc;
    std::map<int, Private::Edit> edits;
    QString path;
    {
        std::lock_guard lock(d->mutex);
        doc = d->doc;
        edits = d->edits;
        path = d->path;
    }
    if (edits.empty()) return;
    requireIntact(*doc);
    const int type = doc->fileType();
    if (type != kFileTiff && type != kFileBmp)
        throw Error(kErrUnsupported,
                    QStringLiteral("%1 cannot be saved in its own format; save it as TIFF or BMP")
                        .arg(QFileInfo(path).fileName()));
    std::vector<PageSource> pages;
    pages.reserve(size_t(doc->pageCount()));
    for (int i = 0; i < doc->pageCount(); ++i)
        pages.push_back(Private::sourceOf(doc, edits, i));
    writeOwnFile(path, pages, type);
    DocumentPtr reopened = Document::open(path, d->resolve);
    std::vector<int> changed;
    {
        std::lock_guard lock(d->mutex);
        d->doc = reopened;
        for (const auto& [index, edit] : d->edits) {
            changed.push_back(index);
            d->revisions[size_t(index)] = newRevision();
        }
        d->edits.clear();
    }
    notifyWritten(path);
    for (int index : changed)
        emit pageChanged(index);
    emit modifiedChanged(false);
}

void DocumentModel::saveAs(const QString& path, int type, int currentIndex) {
    if (type == kFileAwd)
        throw Error(kErrUnsupported, QStringLiteral("AWD files are not supported"));
    if (type != kFileTiff && type != kFileBmp)
        throw Error(kErrBadArgument, QStringLiteral("Unknown file type %1").arg(type));
    if (type == kFileTiff && path == this->path()) {
        save();
        return;
    }
    std::lock_guard opLock(d->operationMutex);
    DocumentPtr doc;
    std::map<int, Private::Edit> edits;
    {
        std::lock_guard lock(d->mutex);
        doc = d->doc;
        edits = d->edits;
    }
    auto sourceOf = [&](int i) { return Private::sourceOf(doc, edits, i); };
    if (type == kFileBmp) {
        d->checkIndex(currentIndex);
        writeDocument(path, {sourceOf(currentIndex)}, kFileBmp, d->resolve);
        return; // an export: this document keeps its own file and its unsaved changes
    }
    {
        DocumentModelPtr other = find(path);
        if (other && other.get() != this)
            throw Error(
                kErrFileAccess,
                QStringLiteral("%1 is open in another window").arg(QFileInfo(path).fileName()));
    }
    std::vector<PageSource> pages;
    for (int i = 0; i < doc->pageCount(); ++i)
        pages.push_back(sourceOf(i));
    writeDocument(path, pages, kFileTiff, d->resolve);
    DocumentPtr reopened = Document::open(path, d->resolve);
    bool wasModified = false;
    QString oldPath;
    {
        std::lock_guard lock(d->mutex);
        wasModified = !d->edits.empty();
        oldPath = d->path;
        d->path = path;
        d->doc = reopened;
        for (const auto& [index, edit] : d->edits)
            d->revisions[size_t(index)] = newRevision();
        d->edits.clear();
    }
    {
        std::lock_guard lock(registryMutex());
        auto it = registry().find(oldPath);
        if (it != registry().end() && it->second.lock().get() == this) registry().erase(it);
        registry()[path] = weak_from_this();
    }
    for (const auto& [index, edit] : edits)
        emit pageChanged(index);
    if (wasModified) emit modifiedChanged(false);
}

// Rewrites the file with `pages` (built from the file's own pages), then re-reads it and
// moves the unsaved edits of the pages that stay: `remap` gives a kept page's new index
// (-1 when it is gone); `fresh` lists new indices whose content is new.
void DocumentModel::rewrite(const std::vector<PageSource>& pages,
                            const std::function<int(int)>& remap, int newCount,
                            const std::vector<int>& fresh,
                            const std::function<void(const QString&)>& writeInPlace) {
    const QString path = this->path();
    requireIntact(*d->document());
    const QString native = tellBeforeWrite(path);
    bool written = false;
    if (writeInPlace) {
        try {
            writeInPlace(native);
            written = true;
        } catch (const Error& e) {
            if (e.number() != kErrUnsupported) throw; // unchanged: written whole below
        }
    }
    if (!written) writeDocument(path, pages, kFileTiff, d->resolve);
    DocumentPtr reopened = Document::open(path, d->resolve);
    bool wasModified = false, isModifiedNow = false;
    {
        std::lock_guard lock(d->mutex);
        wasModified = !d->edits.empty();
        std::map<int, Private::Edit> edits;
        for (auto& [index, edit] : d->edits) {
            const int to = remap(index);
            if (to >= 0) edits[to] = std::move(edit);
        }
        std::vector<quint64> revisions(size_t(newCount), 0);
        for (size_t i = 0; i < d->revisions.size(); ++i) {
            const int to = remap(int(i));
            if (to >= 0) revisions[size_t(to)] = d->revisions[i];
        }
        for (int i : fresh)
            revisions[size_t(i)] = 0;
        for (quint64& r : revisions)
            if (r == 0) r = newRevision();
        d->edits = std::move(edits);
        d->revisions = std::move(revisions);
        d->doc = reopened;
        isModifiedNow = !d->edits.empty();
    }
    notifyWritten(path);
    if (wasModified != isModifiedNow) emit modifiedChanged(isModifiedNow);
}

void DocumentModel::writeOwnFile(const QString& path, const std::vector<PageSource>& pages,
                                 int type) {
    tellBeforeWrite(path);
    writeDocument(path, pages, type, d->resolve);
}

QString DocumentModel::tellBeforeWrite(const QString& path) {
    std::vector<std::shared_ptr<WriteObserver>> observers;
    {
        std::lock_guard lock(d->mutex);
        observers = d->observers;
    }
    const QString native = resolvePath(d->resolve, path);
    for (const auto& o : observers) o->beforeWrite(*this, native);
    return native;
}

void DocumentModel::notifyWritten(const QString& path) {
    std::vector<std::shared_ptr<WriteObserver>> observers;
    {
        std::lock_guard lock(d->mutex);
        observers = d->observers;
    }
    const QString native = resolvePath(d->resolve, path);
    for (const auto& o : observers) o->afterWrite(*this, native);
}

DocumentPtr DocumentModel::document() const { return d->document(); }

void DocumentModel::addWriteObserver(std::shared_ptr<WriteObserver> observer) {
    std::lock_guard lock(d->mutex);
    d->observers.push_back(std::move(observer));
}

void DocumentModel::removeWriteObserver(const WriteObserver* observer) {
    std::lock_guard lock(d->mutex);
    std::erase_if(d->observers, [observer](const auto& o) { return o.get() == observer; });
}

namespace {
DocumentPtr requireTiff(const DocumentPtr& doc) {
    if (doc->fileType() != kFileTiff)
        throw Error(
            kErrUnsupported,
            QStringLiteral("Pages can only be inserted into or deleted from TIFF documents"));
    return doc;
}
} // namespace

void DocumentModel::insertPageSources(int destPage, const std::vector<PageSource>& sources) {
    std::lock_guard opLock(d->operationMutex);
    DocumentPtr doc = requireTiff(d->document());
    const int n = doc->pageCount();
    const int count = int(sources.size());
    if (count < 1) throw Error(kErrBadArgument, QStringLiteral("No pages to insert"));
    if (destPage < 1 || destPage > n + 1)
        throw Error(kErrBadPage,
                    QStringLiteral("Insert: page %1 is outside the document (%2 pages)")
                        .arg(destPage)
                        .arg(n));
    std::vector<PageSource> pages;
    pages.reserve(size_t(n + count));
    for (int i = 0; i < destPage - 1; ++i)
        pages.push_back(PageSource::copy(doc, i));
    for (const PageSource& s : sources)
        pages.push_back(s);
    for (int i = destPage - 1; i < n; ++i)
        pages.push_back(PageSource::copy(doc, i));
    const int at = destPage - 1;
    std::vector<int> fresh;
    for (int i = 0; i < count; ++i)
        fresh.push_back(at + i);
    // One new page at the end (a scan's page): appended in place, the pages before it are
    // not rewritten.
    std::function<void(const QString&)> inPlace;
    const PageSource& only = sources.front();
    if (count == 1 && destPage == n + 1 && !only.image.isNull() &&
        (!only.annotations || only.annotations->empty()) &&
        canAppendInPlace(resolvePath(d->resolve, path())))
        inPlace = [&only](const QString& native) {
            appendPageInPlace(native,
                              encodeTiffPage(only.image, only.xDpi, only.yDpi, only.preferJpeg));
        };
    rewrite(
        pages, [at, count](int i) { return i < at ? i : i + count; }, n + count, fresh, inPlace);
    emit pagesInserted(at, count);
}

void DocumentModel::insertPagesFrom(const QString& source, int sourcePage, int destPage,
                                    int count) {
    DocumentPtr doc = d->document();
    DocumentPtr from = source == path() ? doc : Document::open(source, d->resolve);
    if (count < 1 || sourcePage < 1 || qint64(sourcePage) + count - 1 > from->pageCount())
        throw Error(kErrBadPage,
                    QStringLiteral("Insert: pages %1 to %2 are outside the source (%3 pages)")
                        .arg(sourcePage)
                        .arg(qint64(sourcePage) + count - 1)
                        .arg(from->pageCount()));
    std::vector<PageSource> sources;
    for (int i = 0; i < count; ++i)
        sources.push_back(PageSource::copy(from, sourcePage - 1 + i));
    insertPageSources(destPage, sources);
}

void DocumentModel::appendPagesFrom(const QString& source, int firstPage, int count) {
    insertPagesFrom(source, firstPage, pageCount() + 1, count);
}

void DocumentModel::deletePages(int firstPage, int count) {
    std::lock_guard opLock(d->operationMutex);
    DocumentPtr doc = requireTiff(d->document());
    const int n = doc->pageCount();
    if (count < 1 || firstPage < 1 || qint64(firstPage) + count - 1 > n)
        throw Error(kErrBadPage,
                    QStringLiteral("Delete: pages %1 to %2 are outside the document (%3 pages)")
                        .arg(firstPage)
                        .arg(qint64(firstPage) + count - 1)
                        .arg(n));
    if (count >= n)
        throw Error(kErrBadArgument,
                    QStringLiteral("Every page of the document would be deleted; a "
                                   "document needs at least one page"));
    const int at = firstPage - 1;
    std::vector<PageSource> pages;
    for (int i = 0; i < n; ++i)
        if (i < at || i >= at + count) pages.push_back(PageSource::copy(doc, i));
    rewrite(pages, [at, count](int i) { return i < at           ? i
                                               : i < at + count ? -1
                                                                : i - count; },
            n - count, {});
    emit pagesRemoved(at, count);
}

void DocumentModel::replacePage(int page, const PageSource& source) {
    std::lock_guard opLock(d->operationMutex);
    DocumentPtr doc = requireTiff(d->document());
    const int n = doc->pageCount();
    if (page < 1 || page > n)
        throw Error(kErrBadPage,
                    QStringLiteral("Page %1 is outside the document (%2 pages)").arg(page).arg(n));
    std::vector<PageSource> pages;
    for (int i = 0; i < n; ++i)
        pages.push_back(i == page - 1 ? source : PageSource::copy(doc, i));
    const int at = page - 1;
    rewrite(pages, [at](int i) { return i == at ? -1 : i; }, n, {at});
    emit pageChanged(at);
}

void DocumentModel::reload() {
    std::lock_guard opLock(d->operationMutex);
    reread();
}

void DocumentModel::replaceFile(const std::function<void(const QString&)>& write) {
    std::lock_guard opLock(d->operationMutex);
    const QString file = path();
    write(tellBeforeWrite(file));
    reread();
    notifyWritten(file);
}

void DocumentModel::reread() {
    DocumentPtr reopened = Document::open(path(), d->resolve);
    bool wasModified = false;
    {
        std::lock_guard lock(d->mutex);
        wasModified = !d->edits.empty();
        d->doc = reopened;
        d->edits.clear();
        d->revisions.assign(size_t(reopened->pageCount()), 0);
        for (quint64& r : d->revisions)
            r = newRevision();
    }
    emit reloaded();
    if (wasModified) emit modifiedChanged(false);
}

} // namespace imaging
