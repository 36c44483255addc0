#pragma once
// The open, editable document that the page display and the thumbnail strip observe.
// One model exists per path at a time: every control given the same path shares it, so an
// edit made in the page display is seen by the thumbnails, and page operations of the
// administration object on that path keep the unsaved edits of the other pages.
//
// Edits are small operation objects applied through one entry point, apply(); every change
// is announced per page, so views redraw only what changed.
#include "imaging/annotations/Annotation.h"
#include "imaging/documents/Document.h"
#include "imaging/documents/PageOps.h"

#include <QImage>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>

namespace imaging {

// What an operation may touch: the pixels and the annotations of one page.
struct PageContent {
    QImage image;           // current pixels (page as displayed)
    double xDpi = 0;
    double yDpi = 0;
    AnnotationList annotations;
};

class PageOperation {
public:
    virtual ~PageOperation() = default;
    virtual QString name() const = 0;         // e.g. "Rotate left", for diagnostics
    virtual int pageIndex() const = 0;        // 0-based page it changes
    // Changes the page. Raises Error to refuse; the page then stays as it was.
    virtual void apply(PageContent& page) const = 0;
    // True when the operation changes only annotations (no re-encoding of pixels needed).
    virtual bool annotationsOnly() const { return false; }
};

// An operation from a function: the common case.
std::unique_ptr<PageOperation> makeOperation(QString name, int pageIndex,
                                             std::function<void(PageContent&)> change,
                                             bool annotationsOnly = false);

class DocumentModel;

// Told when a model rewrites its own file (a save, a page insertion, deletion, replacement,
// a scan into it), on the thread that writes. beforeWrite may refuse the write by raising
// Error: nothing is written then, and the operation fails with that error. afterWrite follows
// a write that succeeded, once the model reads the new file.
class WriteObserver {
public:
    virtual ~WriteObserver() = default;
    virtual void beforeWrite(const DocumentModel& model, const QString& nativePath) = 0;
    virtual void afterWrite(const DocumentModel& model, const QString& nativePath) = 0;
};

// Reading (pageCount, pageInfo, pageImage, pageImageScaled, annotations, pageRevision,
// isModified) is safe from any thread. Changes (apply, save, the page operations, reload)
// run one at a time; their signals reach receivers in other threads queued.
class DocumentModel : public QObject, public std::enable_shared_from_this<DocumentModel> {
    Q_OBJECT
public:
    // The shared model for `path` (opened when no control holds it yet, its file reached
    // through `resolve` from then on). Raises Error.
    static std::shared_ptr<DocumentModel> acquire(const QString& path,
                                                  const PathResolver& resolve = {});
    // The model currently open for `path`, or null.
    static std::shared_ptr<DocumentModel> find(const QString& path);

    ~DocumentModel() override;

    QString path() const;
    // The document as read from the file last (an immutable snapshot).
    DocumentPtr document() const;
    // Observers of the writes of this model's file (see WriteObserver); safe from any thread.
    void addWriteObserver(std::shared_ptr<WriteObserver> observer);
    void removeWriteObserver(const WriteObserver* observer);
    int pageCount() const;
    // Why the file is damaged (Document::damage); empty for an intact file.
    QString damage() const;
    PageInfo pageInfo(int index) const;   // size and resolution reflect edits

    // Current content of a page (edits applied). Thread-safe; decodes when needed.
    QImage pageImage(int index) const;
    QImage pageImageScaled(int index, QSize box, bool grayScaling) const;
    AnnotationList annotations(int index) const;
    // Changes whenever the page's pixels or annotations change: a cache key for views.
    quint64 pageRevision(int index) const;

    bool isModified() const;
    bool isPageModified(int index) const;

    // The one entry point for edits.
    void apply(std::unique_ptr<PageOperation> op);

    // Writes the document back to its file (atomic; unchanged pages copied raw).
    void save();
    // Writes to another file: type kFileTiff or kFileBmp (the page `currentIndex` only).
    // The model takes the new path when type is TIFF.
    void saveAs(const QString& path, int type, int currentIndex);

    // Page operations on the file itself (written at once, atomically), keeping the unsaved
    // edits of the pages that stay. Pages are 1-based as at the controls' interface.
    void insertPagesFrom(const QString& source, int sourcePage, int destPage, int count);
    void appendPagesFrom(const QString& source, int firstPage, int count);
    void deletePages(int firstPage, int count);
    // Scanned or generated pages written into the file at once (placement as the scanner
    // uses it): inserted before `destPage` (pageCount()+1 appends), or replacing one page.
    // One page of new pixels at the end is appended in place (TiffAppend) when the file
    // allows it; otherwise the file is rewritten.
    void insertPageSources(int destPage, const std::vector<PageSource>& pages);
    void replacePage(int page, const PageSource& source);

    // Discards unsaved edits and re-reads the file.
    void reload();
    // Replaces this model's file by what `write` writes at the file's native path (an
    // earlier version of it put back, atomically), its write observers told before and after
    // as for the model's own writes (a refusal of beforeWrite writes nothing); then the file
    // is read again as reload() does. Raises Error.
    void replaceFile(const std::function<void(const QString& nativePath)>& write);

signals:
    void pageChanged(int index);
    void pagesInserted(int first, int count);
    void pagesRemoved(int first, int count);
    void modifiedChanged(bool modified);
    void reloaded();

private:
    DocumentModel(DocumentPtr doc, PathResolver resolve);
    // Writes `pages` as the file (or, with `writeInPlace`, lets it change the file at the
    // native path it is given, the observers told as for a rewrite), then reads it again.
    void rewrite(const std::vector<PageSource>& pages, const std::function<int(int)>& remap,
                 int newCount, const std::vector<int>& fresh,
                 const std::function<void(const QString&)>& writeInPlace = {});
    // Writes `pages` as this model's file, its observers told before and after.
    void writeOwnFile(const QString& path, const std::vector<PageSource>& pages, int type);
    // Tells the observers a write of `path` comes; returns its native path.
    QString tellBeforeWrite(const QString& path);
    void notifyWritten(const QString& path);
    void reread(); // reload() with the operation lock held
    struct Private;
    std::unique_ptr<Private> d;
};

using DocumentModelPtr = std::shared_ptr<DocumentModel>;

} // namespace imaging
