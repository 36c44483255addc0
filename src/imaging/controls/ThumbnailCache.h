#pragma once
// Thumbnails of a document's pages: a memory-bounded cache and the background renderer.
// Pages are 0-based here.
#include "imaging/documents/DocumentModel.h"

#include <QImage>
#include <QObject>
#include <QSize>
#include <QThreadPool>
#include <atomic>
#include <functional>
#include <map>
#include <optional>
#include <set>

namespace imaging {

// One scaled image per page, valid for one page revision and one thumbnail box. When the
// images together exceed the byte budget the least recently used ones are dropped.
class ThumbnailCache {
public:
    explicit ThumbnailCache(qint64 byteBudget = 48LL * 1024 * 1024) : budget_(byteBudget) {}

    void setBudget(qint64 bytes);
    qint64 budget() const { return budget_; }
    qint64 bytes() const { return bytes_; }
    int size() const { return int(entries_.size()); }
    // Room for another image of `bytes` without dropping any.
    bool hasRoom(qint64 bytes) const { return bytes_ + bytes <= budget_; }

    // The page's image when it was made for `revision` and `box`; counts as a use.
    QImage find(int page, quint64 revision, QSize box);
    // The same without counting as a use.
    QImage peek(int page, quint64 revision, QSize box) const;
    bool contains(int page, quint64 revision, QSize box) const {
        return !peek(page, revision, box).isNull();
    }
    void insert(int page, quint64 revision, QSize box, const QImage& image);
    void remove(int page);
    void clear();

    // Renumbering when pages come and go: later pages keep their images.
    void pagesInserted(int first, int count);
    void pagesRemoved(int first, int count);

private:
    struct Entry {
        quint64 revision = 0;
        QSize box;
        QImage image;
        quint64 lastUse = 0;
    };
    static qint64 cost(const QImage& image) { return image.sizeInBytes(); }
    void renumber(const std::function<std::optional<int>(int)>& map);
    void evict(int keep);
    void drop(std::map<int, Entry>::iterator it);

    std::map<int, Entry> entries_;    // by page
    std::map<quint64, int> useOrder_; // last use → page, oldest first
    quint64 clock_ = 0;
    qint64 bytes_ = 0;
    qint64 budget_;
};

// What the renderer is asked to make.
struct ThumbnailJob {
    int page = -1;
    quint64 revision = 0;
    QSize box;
};

// Makes thumbnails on its own worker threads. It pulls jobs from `next` whenever a worker
// is free, so at most maxThreads() jobs are ever queued: the caller decides the order
// (visible pages first) at the moment a worker asks. Results come back on the renderer's
// thread; results of jobs started before the last invalidate() are dropped.
class ThumbnailRenderer : public QObject {
    Q_OBJECT
public:
    using NextJob = std::function<std::optional<ThumbnailJob>()>;

    explicit ThumbnailRenderer(QObject* parent = nullptr);
    ~ThumbnailRenderer() override; // drops queued jobs, waits for running ones

    // The document to read from; invalidates every job.
    void setModel(DocumentModelPtr model);
    void setNextJob(NextJob next) { next_ = std::move(next); }
    void setMaxThreads(int n);
    int maxThreads() const { return pool_.maxThreadCount(); }

    // Starts jobs while workers are free and `next` has any.
    void wake();
    // Forgets running jobs: their results are dropped.
    void invalidate();
    bool isRunning(int page) const { return running_.count(page) > 0; }
    bool isIdle() const { return busy_ == 0; }

signals:
    void rendered(const ThumbnailJob& job, const QImage& image);
    void failed(const ThumbnailJob& job, const QString& description);
    void idle();

private:
    void finish(quint64 epoch, const ThumbnailJob& job, const QImage& image, const QString& error,
                bool ok);

    QThreadPool pool_;
    DocumentModelPtr model_;
    NextJob next_;
    std::shared_ptr<std::atomic<quint64>> epoch_;
    std::multiset<int> running_; // pages of current-epoch jobs
    int busy_ = 0;               // jobs started and not yet reported, any epoch
    bool waking_ = false;
};

} // namespace imaging
