#include "imaging/controls/ThumbnailCache.h"

#include "imaging/pixels/ImagingError.h"

namespace imaging {

// ---- ThumbnailCache ----

void ThumbnailCache::setBudget(qint64 bytes) {
    budget_ = std::max<qint64>(0, bytes);
    evict(-1);
}

QImage ThumbnailCache::find(int page, quint64 revision, QSize box) {
    auto it = entries_.find(page);
    if (it == entries_.end() || it->second.revision != revision || it->second.box != box) return {};
    useOrder_.erase(it->second.lastUse);
    it->second.lastUse = ++clock_;
    useOrder_.emplace(it->second.lastUse, page);
    return it->second.image;
}

QImage ThumbnailCache::peek(int page, quint64 revision, QSize box) const {
    auto it = entries_.find(page);
    if (it == entries_.end() || it->second.revision != revision || it->second.box != box) return {};
    return it->second.image;
}

void ThumbnailCache::insert(int page, quint64 revision, QSize box, const QImage& image) {
    remove(page);
    Entry e{revision, box, image, ++clock_};
    bytes_ += cost(image);
    useOrder_.emplace(e.lastUse, page);
    entries_.emplace(page, std::move(e));
    evict(page);
}

void ThumbnailCache::drop(std::map<int, Entry>::iterator it) {
    bytes_ -= cost(it->second.image);
    useOrder_.erase(it->second.lastUse);
    entries_.erase(it);
}

void ThumbnailCache::remove(int page) {
    auto it = entries_.find(page);
    if (it != entries_.end()) drop(it);
}

void ThumbnailCache::clear() {
    entries_.clear();
    useOrder_.clear();
    bytes_ = 0;
}

// Drops the least recently used images until the budget holds, sparing page `keep`.
void ThumbnailCache::evict(int keep) {
    auto use = useOrder_.begin();
    while (bytes_ > budget_ && use != useOrder_.end()) {
        const int page = use->second;
        ++use;
        if (page != keep) drop(entries_.find(page));
    }
}

void ThumbnailCache::renumber(const std::function<std::optional<int>(int)>& map) {
    std::map<int, Entry> old;
    old.swap(entries_);
    useOrder_.clear();
    bytes_ = 0;
    for (auto& [page, entry] : old) {
        const std::optional<int> to = map(page);
        if (!to) continue;
        bytes_ += cost(entry.image);
        useOrder_.emplace(entry.lastUse, *to);
        entries_.emplace(*to, std::move(entry));
    }
}

void ThumbnailCache::pagesInserted(int first, int count) {
    renumber([=](int page) -> std::optional<int> { return page >= first ? page + count : page; });
}

void ThumbnailCache::pagesRemoved(int first, int count) {
    renumber([=](int page) -> std::optional<int> {
        if (page < first) return page;
        if (page < first + count) return std::nullopt;
        return page - count;
    });
}

// ---- ThumbnailRenderer ----

ThumbnailRenderer::ThumbnailRenderer(QObject* parent)
    : QObject(parent), epoch_(std::make_shared<std::atomic<quint64>>(0)) {
    pool_.setMaxThreadCount(std::clamp(QThread::idealThreadCount(), 1, 4));
    pool_.setExpiryTimeout(5000);
}

ThumbnailRenderer::~ThumbnailRenderer() {
    ++*epoch_;
    pool_.clear();
    pool_.waitForDone();
}

void ThumbnailRenderer::setMaxThreads(int n) {
    pool_.setMaxThreadCount(std::max(1, n));
}

void ThumbnailRenderer::setModel(DocumentModelPtr model) {
    invalidate();
    model_ = std::move(model);
}

void ThumbnailRenderer::invalidate() {
    ++*epoch_;
    running_.clear();
}

void ThumbnailRenderer::wake() {
    if (waking_ || !model_ || !next_) return;
    waking_ = true; // `next` may cause a wake() of its own
    while (busy_ < pool_.maxThreadCount()) {
        const std::optional<ThumbnailJob> job = next_();
        if (!job) break;
        ++busy_;
        running_.insert(job->page);
        const quint64 epoch = epoch_->load();
        pool_.start([this, model = model_, job = *job, epoch, current = epoch_] {
            QImage image;
            QString error;
            bool ok = false;
            if (current->load() == epoch) { // not abandoned while queued
                try {
                    image = model->pageImageScaled(job.page, job.box, true);
                    ok = !image.isNull();
                    if (!ok) error = tr("The page could not be read.");
                } catch (const Error& e) {
                    error = e.description();
                } catch (const std::exception& e) {
                    error = QString::fromLocal8Bit(e.what());
                }
            }
            // Gray pages are kept as 8-bit gray: a quarter of the memory of 32-bit colour.
            if (ok && image.format() != QImage::Format_Grayscale8 && image.allGray())
                image = image.convertToFormat(QImage::Format_Grayscale8);
            QMetaObject::invokeMethod(
                this, [=, this] { finish(epoch, job, image, error, ok); }, Qt::QueuedConnection);
        });
    }
    waking_ = false;
}

void ThumbnailRenderer::finish(quint64 epoch, const ThumbnailJob& job, const QImage& image,
                               const QString& error, bool ok) {
    --busy_;
    if (epoch == epoch_->load()) {
        auto it = running_.find(job.page);
        if (it != running_.end()) running_.erase(it);
        if (ok)
            emit rendered(job, image);
        else
            emit failed(job, error);
    }
    wake();
    if (busy_ == 0) emit idle();
}

} // namespace imaging
