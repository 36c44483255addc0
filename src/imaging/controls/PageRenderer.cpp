#include "imaging/controls/PageRenderer.h"

#include "imaging/pixels/ImageOps.h"
#include "imaging/pixels/ImagingError.h"

#include <QMetaObject>
#include <QRunnable>
#include <algorithm>
#include <cmath>
#include <malloc.h>
#include <mutex>

namespace imaging {

namespace {
constexpr int kRegionGrid = 256; // region edges snap to this grid so scrolling reuses pieces
}

bool RenderRequest::sameRendering(const RenderRequest& o) const {
    return page == o.page && revision == o.revision && grayScaling == o.grayScaling &&
           std::abs(scale - o.scale) < 1e-9 && target == o.target;
}

PageRenderer::PageRenderer(QObject* parent) : QObject(parent) {
    // Page-sized buffers (decodes, renderings) are made and dropped at every page turn, on
    // worker threads. The C library would otherwise raise its threshold for mapping large
    // blocks after the first one is freed and keep the later ones in its heaps, so resident
    // memory would grow with the pages visited; a fixed threshold returns them at once.
    static std::once_flag fixed;
    std::call_once(fixed, [] { mallopt(M_MMAP_THRESHOLD, 256 * 1024); });
    // Two workers: the page asked for can start while a stale one finishes.
    pool_.setMaxThreadCount(2);
}

PageRenderer::~PageRenderer() {
    pending_.clear();
    pool_.waitForDone();
}

void PageRenderer::setModel(DocumentModelPtr model) {
    model_ = std::move(model);
    clear();
}

void PageRenderer::clear() {
    ++generation_;
    pending_.clear();
    running_.clear();
    cache_.clear();
    cacheBytes_ = 0;
    spare_ = QImage();
    decoded_ = QImage();
    decodedPage_ = -1;
    if (currentPending_) {
        currentPending_ = false;
        emit currentFinished();
    }
}

QRect PageRenderer::planTarget(const QSize& scaledSize, const QRect& visible) {
    const QRect whole(QPoint(0, 0), scaledSize);
    if (qint64(scaledSize.width()) * scaledSize.height() <= kWholePageLimit) return whole;
    const QRect seen = visible & whole;
    if (seen.isEmpty())
        return QRect(QPoint(0, 0), QSize(std::min(scaledSize.width(), 1024),
                                         std::min(scaledSize.height(), 1024)));
    // A quarter view of margin each way, snapped outwards to the grid.
    const int mx = seen.width() / 4;
    const int my = seen.height() / 4;
    auto down = [](int v) { return std::max(0, v / kRegionGrid * kRegionGrid); };
    auto up = [](int v, int limit) {
        return std::min(limit, (v + kRegionGrid - 1) / kRegionGrid * kRegionGrid);
    };
    const int left = down(seen.left() - mx);
    const int top = down(seen.top() - my);
    const int right = up(seen.right() + 1 + mx, scaledSize.width());
    const int bottom = up(seen.bottom() + 1 + my, scaledSize.height());
    return QRect(left, top, right - left, bottom - top);
}

const RenderedPiece* PageRenderer::exact(const RenderRequest& r, const QRect& visible) {
    const QRect need = visible & QRect(QPoint(0, 0), r.scaledSize);
    for (RenderedPiece& p : cache_) {
        const RenderRequest& q = p.request;
        if (q.page == r.page && q.revision == r.revision && q.grayScaling == r.grayScaling &&
            std::abs(q.scale - r.scale) < 1e-9 && (need.isEmpty() || q.target.contains(need))) {
            p.lastUse = ++useClock_;
            return &p;
        }
    }
    return nullptr;
}

const RenderedPiece* PageRenderer::standIn(int page, quint64 revision) const {
    const RenderedPiece* best = nullptr;
    for (const RenderedPiece& p : cache_) {
        if (p.request.page != page) continue;
        // Prefer the page as it is now, then the most recently shown.
        auto rank = [revision](const RenderedPiece& c) {
            return std::make_pair(c.request.revision == revision, c.lastUse);
        };
        if (!best || rank(p) > rank(*best)) best = &p;
    }
    return best;
}

bool PageRenderer::cached(const RenderRequest& r) const {
    return std::any_of(cache_.begin(), cache_.end(), [&](const RenderedPiece& p) {
        return p.request.sameRendering(r) ||
               (p.request.page == r.page && p.request.revision == r.revision &&
                p.request.grayScaling == r.grayScaling &&
                std::abs(p.request.scale - r.scale) < 1e-9 && p.request.target.contains(r.target));
    });
}

bool PageRenderer::queuedOrRunning(const RenderRequest& r) const {
    return std::any_of(running_.begin(), running_.end(),
                       [&](const RenderRequest& q) { return q.sameRendering(r); }) ||
           std::any_of(pending_.begin(), pending_.end(),
                       [&](const Job& j) { return j.request.sameRendering(r); });
}

void PageRenderer::request(const RenderRequest& current,
                           const std::vector<RenderRequest>& prefetch) {
    pending_.clear();
    if (current.page != current_.page) releaseAwayFrom(current.page);
    current_ = current;
    const bool wasPending = currentPending_;
    currentPending_ = model_ && current.page >= 0 && !cached(current);
    if (currentPending_ && !queuedOrRunning(current)) pending_.push_back({current, true});
    for (const RenderRequest& r : prefetch)
        if (model_ && r.page >= 0 && !cached(r) && !queuedOrRunning(r))
            pending_.push_back({r, false});
    startJobs(true);
    if (wasPending && !currentPending_) emit currentFinished();
}

void PageRenderer::recycle(QImage& image) {
    if (image.format() == QImage::Format_RGB32 && image.isDetached()) spare_ = std::move(image);
}

void PageRenderer::releaseAwayFrom(int page) {
    auto away = [page](const RenderedPiece& p) { return std::abs(p.request.page - page) > 1; };
    for (RenderedPiece& p : cache_)
        if (away(p)) recycle(p.image);
    cache_.erase(std::remove_if(cache_.begin(), cache_.end(), away), cache_.end());
    cacheBytes_ = 0;
    for (const RenderedPiece& p : cache_) cacheBytes_ += p.image.sizeInBytes();
    if (decodedPage_ != page) {
        decoded_ = QImage();
        decodedPage_ = -1;
    }
}

void PageRenderer::pump() {
    startJobs(false);
}

void PageRenderer::startJobs(bool currentOnly) {
    while (!pending_.empty() && running_.size() < std::size_t(pool_.maxThreadCount())) {
        const Job job = pending_.front();
        // Prefetches wait until the page on screen is done, and run one at a time.
        if (!job.current && (currentOnly || currentPending_ || !running_.empty())) break;
        pending_.pop_front();
        start(job);
    }
    // Prefetches start on a later turn of the event loop, after the page on screen has been
    // painted: on a busy machine they would otherwise take the processor from the paint.
    if (!pending_.empty() && currentOnly && !prefetchQueued_) {
        prefetchQueued_ = true;
        QMetaObject::invokeMethod(
            this,
            [this] {
                prefetchQueued_ = false;
                pump();
            },
            Qt::QueuedConnection);
    }
}

void PageRenderer::start(const Job& job) {
    running_.push_back(job.request);
    QImage decoded;
    if (decodedPage_ == job.request.page && decodedRevision_ == job.request.revision)
        decoded = decoded_;
    const quint64 generation = generation_;
    QImage reuse;
    if (!spare_.isNull() && spare_.size() == job.request.target.size()) reuse = std::move(spare_);
    pool_.start(QRunnable::create(
        [this, model = model_, r = job.request, decoded, generation, reuse = std::move(reuse)]() mutable {
            Outcome outcome;
            outcome.decoded = decoded;
            try {
                outcome.image = render(*model, r, outcome.decoded, std::move(reuse));
            } catch (const Error& e) {
                outcome.errorNumber = e.number();
                outcome.error = e.description();
            } catch (const std::exception& e) {
                outcome.errorNumber = kErrBadFile;
                outcome.error = QString::fromLocal8Bit(e.what());
            }
            // The model reference goes back with the result, so that the last reference to a
            // document is always dropped on the thread that owns it.
            QMetaObject::invokeMethod(
                this,
                [this, keep = std::move(model), generation, r, outcome = std::move(outcome)]() {
                    finished(generation, r, outcome);
                },
                Qt::QueuedConnection);
        }));
}

QImage PageRenderer::render(const DocumentModel& model, const RenderRequest& r, QImage& decoded,
                            QImage reuse) {
    const QRect whole(QPoint(0, 0), r.scaledSize);
    if (r.target == whole && r.scale < 1.0)
        return model.pageImageScaled(r.page, r.scaledSize, r.grayScaling);
    if (decoded.isNull()) decoded = model.pageImage(r.page);
    return ops::renderRegion(decoded, r.scale, r.target, r.grayScaling, std::move(reuse));
}

void PageRenderer::carryOver(int page, quint64 from, quint64 to) {
    for (RenderedPiece& p : cache_)
        if (p.request.page == page && p.request.revision == from) p.request.revision = to;
    if (decodedPage_ == page && decodedRevision_ == from) decodedRevision_ = to;
}

void PageRenderer::finished(quint64 generation, const RenderRequest& r, const Outcome& outcome) {
    if (generation != generation_) return; // work for a document or a page numbering that is gone
    auto it = std::find_if(running_.begin(), running_.end(),
                           [&](const RenderRequest& q) { return q.sameRendering(r); });
    if (it != running_.end()) running_.erase(it);
    const bool isCurrent = currentPending_ && r.sameRendering(current_);
    // A page edited while it was being rendered: the result shows an old state.
    const bool stale =
        !model_ || r.page >= model_->pageCount() || model_->pageRevision(r.page) != r.revision;
    if (stale) {
        // Nothing to keep; whoever shows the page asks again for its current revision.
    } else if (outcome.errorNumber != 0) {
        emit failed(r.page, outcome.errorNumber, outcome.error);
    } else {
        if (!outcome.decoded.isNull()) {
            decoded_ = outcome.decoded;
            decodedPage_ = r.page;
            decodedRevision_ = r.revision;
        }
        store(r, outcome.image);
        emit pieceReady(r.page);
    }
    if (isCurrent) {
        currentPending_ = false;
        emit currentFinished();
    }
    startJobs(isCurrent);
}

void PageRenderer::store(const RenderRequest& r, QImage image) {
    cache_.erase(std::remove_if(cache_.begin(), cache_.end(),
                                [&](const RenderedPiece& p) {
                                    // A new revision of a page replaces its older renderings
                                    // at the same scale.
                                    return p.request.page == r.page &&
                                           p.request.revision != r.revision;
                                }),
                 cache_.end());
    cache_.push_back({r, std::move(image), ++useClock_});
    auto bytes = [this] {
        qint64 sum = 0;
        for (const RenderedPiece& p : cache_) sum += p.image.sizeInBytes();
        return sum;
    };
    cacheBytes_ = bytes();
    // The least recently used goes first; the rendering just made and the one answering the
    // page on screen stay (a prefetch finishing before the page is painted must not evict it).
    auto answersCurrent = [this](const RenderedPiece& p) {
        const RenderRequest& q = p.request;
        return q.page == current_.page && q.revision == current_.revision &&
               q.grayScaling == current_.grayScaling && std::abs(q.scale - current_.scale) < 1e-9 &&
               q.target.contains(current_.target);
    };
    while (cacheBytes_ > kCacheBytes) {
        auto victim = cache_.end();
        for (auto it = cache_.begin(); it + 1 < cache_.end(); ++it)
            if (!answersCurrent(*it) && (victim == cache_.end() || it->lastUse < victim->lastUse))
                victim = it;
        if (victim == cache_.end()) break;
        recycle(victim->image);
        cache_.erase(victim);
        cacheBytes_ = bytes();
    }
}

} // namespace imaging
