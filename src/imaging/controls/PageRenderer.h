#pragma once
// Renders pages for the page display off the user-interface thread and keeps the last few
// renderings. A rendering is keyed by page, page revision, scale and gray scaling, so an
// edit of one page makes exactly that page's renderings stale. Pages whose scaled size is
// larger than about a screen are rendered only around the visible region, so the renderings
// kept (a fixed byte budget, counted here) never hold whole 32-bit copies of large pages.
#include "imaging/documents/DocumentModel.h"

#include <QImage>
#include <QObject>
#include <QRect>
#include <QThreadPool>
#include <deque>
#include <memory>
#include <vector>

namespace imaging {

// What a view wants drawn: the part `target` of page `page` scaled by `scale`.
struct RenderRequest {
    int page = -1; // 0-based
    quint64 revision = 0;
    double scale = 1;
    bool grayScaling = false;
    QSize scaledSize; // the whole page at that scale
    QRect target;     // in scaled-page coordinates

    bool sameRendering(const RenderRequest& o) const;
};

struct RenderedPiece {
    RenderRequest request;
    QImage image; // covers request.target
    quint64 lastUse = 0;
};

class PageRenderer : public QObject {
    Q_OBJECT
public:
    // Scaled pages up to this many pixels (about a 50% letter page at 300 dpi) are rendered
    // whole; larger ones by region.
    static constexpr qint64 kWholePageLimit = 1300LL * 1700;
    // Bytes of renderings kept (the page shown and its neighbours for paging; paging
    // elsewhere lets the others go); the newest rendering and the one of the page on screen
    // are kept even when they alone are larger.
    static constexpr qint64 kCacheBytes = 24LL * 1024 * 1024;

    explicit PageRenderer(QObject* parent = nullptr);
    ~PageRenderer() override; // waits for work in progress

    // Starts over with another document (or none).
    void setModel(DocumentModelPtr model);
    // Forgets every rendering (page numbers shifted, document reloaded).
    void clear();

    // The part of a page to render for a view showing `visible` (scaled-page coordinates):
    // the whole page when it is small enough, else the visible region with a margin.
    static QRect planTarget(const QSize& scaledSize, const QRect& visible);

    // The rendering that answers `r` and covers `visible`, or null.
    const RenderedPiece* exact(const RenderRequest& r, const QRect& visible);
    // Another rendering of the page to show scaled meanwhile (newest revision first), or null.
    const RenderedPiece* standIn(int page, quint64 revision) const;

    // Renders `current` (unless cached) and then the prefetches; queued work that is no
    // longer asked for is dropped.
    void request(const RenderRequest& current, const std::vector<RenderRequest>& prefetch = {});
    // True while the current request is not answered.
    bool busy() const { return currentPending_; }
    // True when nothing is rendering or queued (prefetches included).
    bool idle() const { return pending_.empty() && running_.empty(); }
    // Bytes held by the kept renderings and by the last full-resolution decode.
    qint64 renderingBytes() const { return cacheBytes_; }
    qint64 decodedBytes() const { return decoded_.sizeInBytes(); }
    std::size_t renderingCount() const { return cache_.size(); }
    // The pixels of a page did not change from revision `from` to `to` (only its
    // annotations did, which are drawn over the rendering): keep its renderings.
    void carryOver(int page, quint64 from, quint64 to);

    // How a request is computed; runs on a worker thread. `decoded` is the page at full
    // resolution when known (region renders need it); it is filled in when decoded here.
    // `reuse`: a let-go rendering whose memory a region rendering of its size may take.
    static QImage render(const DocumentModel& model, const RenderRequest& r, QImage& decoded,
                         QImage reuse = {});

signals:
    void pieceReady(int page);
    // The current request was rendered (or failed).
    void currentFinished();
    void failed(int page, int number, const QString& description);

private:
    struct Job {
        RenderRequest request;
        bool current = false;
    };
    // Paging to `page`: the renderings of pages other than it and its neighbours, and the
    // decode of another page, are let go.
    void releaseAwayFrom(int page);
    // Keeps a rendering being let go as the spare buffer (the last one only).
    void recycle(QImage& image);
    bool cached(const RenderRequest& r) const;
    bool queuedOrRunning(const RenderRequest& r) const;
    void pump();
    // Starts what may run now; with `currentOnly`, prefetches are put off to a later turn.
    void startJobs(bool currentOnly);
    void start(const Job& job);
    struct Outcome {
        QImage image;
        QImage decoded;
        int errorNumber = 0;
        QString error;
    };
    void finished(quint64 generation, const RenderRequest& r, const Outcome& outcome);
    void store(const RenderRequest& r, QImage image);

    DocumentModelPtr model_;
    quint64 generation_ = 0;
    QThreadPool pool_;
    std::deque<Job> pending_;
    std::vector<RenderRequest> running_;
    std::vector<RenderedPiece> cache_;
    quint64 useClock_ = 0;
    qint64 cacheBytes_ = 0;
    RenderRequest current_;
    bool currentPending_ = false;
    bool prefetchQueued_ = false;
    // The last full-resolution decode, reused by region renders while scrolling.
    int decodedPage_ = -1;
    quint64 decodedRevision_ = 0;
    QImage decoded_;
    // A let-go rendering kept for the next region rendering of its size: page-sized memory
    // mapped anew costs more than drawing the region (every page of it is faulted in).
    QImage spare_;
};

} // namespace imaging
