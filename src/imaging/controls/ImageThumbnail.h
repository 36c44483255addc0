#pragma once
// The thumbnail strip: a scrollable grid of page thumbnails with page numbers, one column
// when narrow, more when wide. Thumbnail numbers are 1-based, like page numbers.
//
// The strip shares the open DocumentModel of its path with the page display and follows it:
// pages inserted or removed there appear or disappear here, and a changed page gets a new
// thumbnail. Thumbnails are made on worker threads, visible ones first, and appear as they
// come; the window never waits for them. They are cached per page and page revision, so an
// unchanged page is never made twice while its image stays in the (memory-bounded) cache.
//
// Generation: a thumbnail that is "generated" is shown and made when needed. setImage
// generates every thumbnail; clearThumbs takes thumbnails off the strip (blank numbered
// frames remain) and generateThumb puts them back:
//   option kThumbGenerateAll (0): also make the off-screen ones in the background, while the
//                                 cache has room, so scrolling finds them ready;
//   option kThumbGenerateVisible (1): make only the ones on screen (the others when they
//                                 scroll into view).
// A cached image is current by construction (it belongs to the page's revision), so putting
// a thumbnail back shows its cached image at once.
//
// A hidden strip makes nothing; it starts when it is shown.
//
// Scrolling: scrollToThumb option 0 puts the thumbnail's row at the top; option 1 scrolls
// only when the thumbnail is not wholly visible, and then just enough to show it.
//
// Mouse: click(n) on a left-button release over the thumbnail pressed; dblClick(n);
// thumbMouseDown(button, shift, x, y, n) on every press (button 1 left, 2 right, 4 middle;
// shift 1 Shift, 2 Ctrl, 4 Alt; x, y in pixels of the strip; n = 0 outside thumbnails).
// A left click selects that thumbnail only; Ctrl+click toggles one; Shift+click selects the
// range from the last clicked one; a right click on an unselected thumbnail selects it only;
// Ctrl+A selects them all.
#include "imaging/documents/DocumentModel.h"
#include "imaging/controls/Environment.h"
#include "imaging/controls/ThumbnailCache.h"
#include "imaging/controls/ThumbnailSizeDialog.h"

#include <QAbstractScrollArea>
#include <QSize>
#include <QString>
#include <memory>
#include <vector>

namespace imaging {

inline constexpr int kThumbGenerateAll = 0;
inline constexpr int kThumbGenerateVisible = 1;
inline constexpr int kThumbScrollToTop = 0;
inline constexpr int kThumbScrollIntoView = 1;

class ImageThumbnail : public QAbstractScrollArea {
    Q_OBJECT
public:
    // With the real environment.
    explicit ImageThumbnail(QWidget* parent = nullptr);
    // Documents are reached through the paths of `env`; its thumbnail-size dialog is asked.
    explicit ImageThumbnail(EnvironmentPtr env, QWidget* parent = nullptr);
    ~ImageThumbnail() override;

    // Opens (shares) the model of `path`; "" empties the strip. Raises Error for a file that
    // cannot be opened; the strip is then empty.
    void setImage(const QString& path);
    QString image() const { return path_; }
    int thumbCount() const { return int(slots_.size()); }

    void generateThumb(int option, int thumb = 0); // 0 = all
    void clearThumbs(int thumb = 0);               // 0 = all
    // Takes thumbnails first..first+count-1 off the document's list. The strip follows the
    // document, so thumbnails of pages already deleted through the document are gone
    // already; numbers past the end are then ignored.
    void deleteThumbs(int first, int count);

    void setThumbSelected(int thumb, bool selected);
    bool thumbSelected(int thumb) const; // false for numbers out of range
    void clearThumbSelection();
    std::vector<int> selectedThumbs() const;
    int currentThumb() const { return current_ + 1; } // 0 = none

    // A short word shown on a thumbnail as a badge over its tinted image (e.g. "Blank?");
    // "" takes it off. Raises Error for a number out of range. A marker stays with its page
    // when pages are inserted or removed before it, and goes when the document is read anew.
    void setThumbMarker(int thumb, const QString& text);
    QString thumbMarker(int thumb) const; // "" for numbers out of range

    void scrollToThumb(int thumb, int option);
    // Shows the thumbnail-size dialog; true when the size was changed.
    bool showThumbSizeDialog();
    void refresh();

    void setThumbSize(QSize size);
    QSize thumbSize() const { return thumbSize_; }
    // Worker threads making thumbnails (default: the machine's cores, at most 4).
    void setMaxThreads(int n) { renderer_.setMaxThreads(n); }
    // Memory for cached thumbnail images (bytes).
    void setCacheBudget(qint64 bytes) { cache_.setBudget(bytes); }
    const ThumbnailCache& cache() const { return cache_; }
    // Thumbnails made so far (cache hits do not count): for progress displays and tests.
    int renderedCount() const { return rendered_; }
    int generatedMissing() const;                       // generated thumbnails not made yet
    bool isBusy() const { return !renderer_.isIdle(); } // thumbnails being made
    // The image shown for a thumbnail; null while it is not made or not generated.
    QImage thumbImage(int thumb) const;

    // The thumbnail-size dialog of this strip only (null: the environment's).
    void setThumbSizeDialogRunner(std::shared_ptr<ThumbSizeDialogRunner> runner) {
        sizeRunner_ = runner ? std::move(runner) : env_->thumbSizeDialog;
    }

    // Geometry, in viewport coordinates.
    QRect thumbRect(int thumb) const;
    int thumbAt(QPoint viewportPos) const; // 0 = none

signals:
    void click(int thumb);
    void dblClick(int thumb);
    void thumbMouseDown(int button, int shift, int x, int y, int thumb);
    void thumbReady(int thumb); // a thumbnail was made and is on the strip
    void allThumbsReady();      // nothing generated is missing any more
    void selectionChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // The page's revision; 0 when the document no longer has it (a page operation on another
    // thread got there before its notice).
    quint64 revisionOf(int index) const;
    struct Slot {
        bool generated = true;
        bool selected = false;
        bool failed = false;
        bool urgent = false; // asked for by number: made even when off screen
        QString marker;      // setThumbMarker
    };
    struct Layout {
        int columns = 1;
        int cellWidth = 0;
        int cellHeight = 0;
        int left = 0; // x of the first column
    };

    void attach(DocumentModelPtr model, const QString& path);
    void detach();
    void onPagesInserted(int first, int count);
    void onPagesRemoved(int first, int count);
    void onPageChanged(int index);
    void onReloaded();
    void onRendered(const ThumbnailJob& job, const QImage& image);
    void onFailed(const ThumbnailJob& job, const QString& description);
    void onIdle();

    Layout layout() const;
    void updateScrollBars();
    std::pair<int, int> visibleRange() const; // [first, last] 0-based, or {0, -1}
    std::optional<ThumbnailJob> nextJob();
    bool needsJob(int index) const;
    QSize renderBox() const;
    qint64 thumbBytes() const;
    void schedule(); // asks the renderer to start what is missing
    void checkIndex(int thumb) const;
    void paintThumb(QPainter& p, int index, const QRect& cell);
    void paintMarker(QPainter& p, const QString& text, const QRect& target) const;
    void setSelection(int index, bool selected);
    void clickSelect(int index, Qt::KeyboardModifiers modifiers);

    EnvironmentPtr env_;
    QString path_;
    DocumentModelPtr model_;
    std::vector<Slot> slots_;
    ThumbnailCache cache_;
    ThumbnailRenderer renderer_;
    QSize thumbSize_{96, 124};
    bool prefetchAll_ = false;
    bool reportedReady_ = false;
    int current_ = -1;
    int anchor_ = -1;
    int pressed_ = -1;
    int rendered_ = 0;
    std::shared_ptr<ThumbSizeDialogRunner> sizeRunner_;
};

} // namespace imaging
