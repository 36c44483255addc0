// The page display: document, painting and input. Its geometry and view (zoom, fitting,
// scrolling) are in ImageEditView.cpp, editing in ImageEditEditing.cpp, annotations in
// ImageEditAnnotations.cpp.
#include "imaging/controls/ImageEdit.h"
#include "imaging/controls/InputCodes.h"

#include "imaging/controls/AnnotationToolbox.h"
#include "imaging/documents/EditOperations.h"
#include "imaging/controls/ImageEditDialogs.h"
#include "imaging/pixels/ImagingError.h"
#include "imaging/controls/PageRenderer.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <algorithm>
#include <cmath>
#include <utility>

namespace imaging {

namespace {

// Virtual key codes as the program's key handlers know them.
int windowsKeyCode(int key) {
    if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9))
        return key; // same codes
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return 112 + (key - Qt::Key_F1);
    switch (key) {
    case Qt::Key_Backspace:
        return 8;
    case Qt::Key_Tab:
        return 9;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return 13;
    case Qt::Key_Shift:
        return 16;
    case Qt::Key_Control:
        return 17;
    case Qt::Key_Alt:
        return 18;
    case Qt::Key_Pause:
        return 19;
    case Qt::Key_CapsLock:
        return 20;
    case Qt::Key_Escape:
        return 27;
    case Qt::Key_Space:
        return 32;
    case Qt::Key_PageUp:
        return 33;
    case Qt::Key_PageDown:
        return 34;
    case Qt::Key_End:
        return 35;
    case Qt::Key_Home:
        return 36;
    case Qt::Key_Left:
        return 37;
    case Qt::Key_Up:
        return 38;
    case Qt::Key_Right:
        return 39;
    case Qt::Key_Down:
        return 40;
    case Qt::Key_Insert:
        return 45;
    case Qt::Key_Delete:
        return 46;
    case Qt::Key_Plus:
        return 107;
    case Qt::Key_Minus:
        return 109;
    default:
        return 0;
    }
}

QCursor stampCursor() {
    QPixmap pm(24, 24);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(QColor(200, 0, 0));
    p.drawRect(9, 1, 5, 12);
    p.drawRect(2, 13, 19, 5);
    p.drawLine(2, 21, 21, 21);
    return QCursor(pm, 11, 22);
}

QCursor cursorFor(int pointer) {
    switch (pointer) {
    case 2:
        return Qt::CrossCursor;
    case 3:
        return Qt::IBeamCursor;
    case 5:
    case 15:
        return Qt::SizeAllCursor;
    case 6:
        return Qt::SizeBDiagCursor;
    case 7:
        return Qt::SizeVerCursor;
    case 8:
        return Qt::SizeFDiagCursor;
    case 9:
        return Qt::SizeHorCursor;
    case 10:
        return Qt::UpArrowCursor;
    case 11:
        return Qt::WaitCursor;
    case 12:
        return Qt::ForbiddenCursor;
    case 13:
        return Qt::BusyCursor;
    case 14:
        return Qt::WhatsThisCursor;
    case kPointerStamp:
        return stampCursor();
    case kPointerDrag:
        return Qt::OpenHandCursor;
    case kPointerSelect:
        return Qt::CrossCursor;
    default:
        return Qt::ArrowCursor;
    }
}

bool validPointer(int pointer) {
    return (pointer >= 0 && pointer <= 15) || pointer == kPointerStamp || pointer == kPointerDrag ||
           pointer == kPointerSelect;
}

} // namespace

ImageEdit::ImageEdit(QWidget* parent) : ImageEdit(realEnvironment(), parent) {}

ImageEdit::ImageEdit(EnvironmentPtr env, QWidget* parent)
    : QAbstractScrollArea(parent), env_(env ? std::move(env) : realEnvironment()),
      dialogs_(env_->editDialogs), renderer_(std::make_unique<PageRenderer>()) {
    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setMouseTracking(true);
    horizontalScrollBar()->setSingleStep(20);
    verticalScrollBar()->setSingleStep(20);
    stamps_ = defaultStamps();
    connect(renderer_.get(), &PageRenderer::pieceReady, this, [this](int page) {
        if (page == index()) viewport()->update();
    });
    connect(renderer_.get(), &PageRenderer::currentFinished, this,
            [this] { emit renderingFinished(); });
    connect(renderer_.get(), &PageRenderer::failed, this,
            [this](int page, int number, const QString& description) {
                if (page != index()) return;
                renderError_ = description;
                fail(number, description);
                viewport()->update();
            });
}

ImageEdit::~ImageEdit() {
    for (const auto& c : modelConnections_)
        disconnect(c);
    renderer_.reset(); // waits for renderings in progress
}

void ImageEdit::setDialogs(std::shared_ptr<EditDialogs> dialogs) {
    dialogs_ = dialogs ? std::move(dialogs) : env_->editDialogs;
}

EditDialogs& ImageEdit::dialogs() {
    return *dialogs_;
}

// ---- status ----

void ImageEdit::fail(int number, const QString& description) {
    status_ = number;
    statusText_ = description;
}

void ImageEdit::guarded(const std::function<void()>& operation) {
    status_ = 0;
    statusText_.clear();
    try {
        operation();
    } catch (const Error& e) {
        fail(e.number(), e.description());
        throw;
    } catch (const std::bad_alloc&) {
        fail(kErrTooLarge, tr("There is not enough memory for this page."));
        throw Error(kErrTooLarge, statusText_);
    } catch (const std::exception& e) {
        fail(kErrBadArgument, QString::fromLocal8Bit(e.what()));
        throw Error(kErrBadArgument, statusText_);
    }
}

void ImageEdit::quietly(const std::function<void()>& operation) {
    try {
        guarded(operation);
    } catch (const Error&) {
        // Kept in statusCode(); an event handler has nobody to raise it to.
    }
}

void ImageEdit::requireDocument() const {
    if (!model_) throw Error(kErrNoDocument, tr("No image is open."));
}

void ImageEdit::requirePage() const {
    requireDocument();
    if (page_ < 1 || page_ > model_->pageCount())
        throw Error(kErrBadPage, tr("Page %1 does not exist.").arg(page_));
}

// ---- document ----

void ImageEdit::setImage(const QString& path) {
    guarded([&] {
        if (path == path_ && (model_ || path.isEmpty())) return;
        if (model_ && !path.isEmpty() && DocumentModel::find(path) == model_) {
            path_ = path; // the same document under the name it was saved as
            return;
        }
        if (model_) {
            commitPaste();
            emit closing();
        }
        detach();
        path_.clear();
        if (path.isEmpty()) return;
        DocumentModelPtr model = DocumentModel::acquire(path, env_->paths);
        path_ = path;
        attach(std::move(model));
    });
}

void ImageEdit::attach(DocumentModelPtr model) {
    model_ = std::move(model);
    page_ = 1;
    displayed_ = false;
    infoPage_ = -1;
    annotationPage_ = -1;
    renderError_.clear();
    renderer_->setModel(model_);
    DocumentModel* m = model_.get();
    modelConnections_ = {
        connect(m, &DocumentModel::pageChanged, this, &ImageEdit::onPageChanged),
        connect(m, &DocumentModel::pagesInserted, this, [this] { onPagesMoved(); }),
        connect(m, &DocumentModel::pagesRemoved, this, [this] { onPagesMoved(); }),
        connect(m, &DocumentModel::reloaded, this, [this] { onPagesMoved(); }),
    };
    updateScrollBars();
    viewport()->update();
}

void ImageEdit::detach() {
    for (const auto& c : modelConnections_)
        disconnect(c);
    modelConnections_.clear();
    paste_ = {};
    clearSelections(true);
    drag_ = Drag::None;
    activeTool_ = makeAnnotationTool(tool_, *this);
    renderer_->setModel(nullptr);
    model_.reset();
    displayed_ = false;
    page_ = 1;
    pendingTurn_.reset();
    annotationPage_ = -1;
    infoPage_ = -1;
    updateScrollBars();
    viewport()->update();
}

void ImageEdit::onPageChanged(int changed) {
    if (changed != index()) return;
    std::optional<PendingTurn> turn;
    if (pendingTurn_ && pendingTurn_->page == changed) turn = std::exchange(pendingTurn_, {});
    // Drop selections that no longer exist (another control may have changed the page).
    const int count = int(pageAnnotations().size());
    std::vector<int> kept;
    for (int i : selectedAnnotations_)
        if (i < count) kept.push_back(i);
    if (kept.size() != selectedAnnotations_.size()) selectAnnotations(kept);
    // The scroll position stays within the changed page's extent; after a turn or flip the
    // content that was in the middle of the view stays there.
    updateScrollBars();
    if (turn) {
        const QPointF c = turn->centre;
        const QSizeF was = turn->size;
        switch (turn->edit) {
        case PageEdit::RotateRight: // (x, y) goes to (height - y, x)
            centreOn({was.height() - c.y(), c.x()});
            break;
        case PageEdit::RotateLeft: // (x, y) goes to (y, width - x)
            centreOn({c.y(), was.width() - c.x()});
            break;
        default: // Flip: upside down
            centreOn({c.x(), was.height() - c.y()});
            break;
        }
    }
    scheduleRendering();
}

void ImageEdit::onPagesMoved() {
    pendingTurn_.reset();
    renderer_->clear();
    renderError_.clear(); // a failure of the page's old rendering says nothing about it now
    annotationPage_ = -1;
    const int count = model_ ? model_->pageCount() : 0;
    if (count == 0) {
        displayed_ = false;
        page_ = 1;
    } else {
        page_ = std::clamp(page_, 1, count);
    }
    clearSelections(true);
    updateScrollBars();
    scheduleRendering();
}

int ImageEdit::pageCount() const {
    return model_ ? model_->pageCount() : 0;
}

void ImageEdit::setPage(int page) {
    guarded([&] {
        requireDocument();
        const int count = model_->pageCount();
        if (page < 1 || page > count)
            throw Error(kErrBadPage,
                        tr("Page %1 does not exist: the document has %n page(s).", nullptr, count)
                            .arg(page));
        if (page == page_) return;
        commitPaste();
        clearSelections(true);
        drag_ = Drag::None;
        activeTool_ = makeAnnotationTool(tool_, *this);
        page_ = page;
        pendingTurn_.reset();
        renderError_.clear();
        updateScrollBars();
        scheduleRendering();
    });
}

void ImageEdit::display() {
    guarded([&] {
        requirePage();
        (void)model_->pageInfo(index()); // a page whose tags cannot be read fails here
        displayed_ = true;
        renderError_.clear();
        updateScrollBars();
        if (!keepScroll_) {
            horizontalScrollBar()->setValue(0);
            verticalScrollBar()->setValue(0);
        }
        requestRendering(); // at once: the page is wanted now
        viewport()->update();
        emit pageDisplayed(page_);
    });
}

void ImageEdit::refresh() {
    guarded([&] {
        updateScrollBars();
        scheduleRendering();
    });
}

void ImageEdit::clearDisplay() {
    guarded([&] {
        commitPaste();
        displayed_ = false;
        updateScrollBars();
        viewport()->update();
    });
}

bool ImageEdit::imageModified() const {
    return pastePending() || (model_ && model_->isModified());
}

void ImageEdit::setSelectionRectangle(bool on) {
    selectionMode_ = on;
    if (!on && drag_ == Drag::Band) drag_ = Drag::None;
    updateCursor();
    viewport()->update();
}

void ImageEdit::drawSelectionRect(int left, int top, int width, int height) {
    guarded([&] {
        if (width < 0 || height < 0)
            throw Error(kErrBadArgument, tr("A selection cannot have a negative size."));
        commitPaste();
        const QRect r = (width == 0 && height == 0)
                            ? QRect()
                            : QRect(left, top, width, height) & QRect(QPoint(0, 0), scaledSize());
        selection_ = r;
        viewport()->update();
        emit selectionRectDrawn(r.x(), r.y(), r.width(), r.height());
    });
}

void ImageEdit::setMousePointer(int pointer) {
    guarded([&] {
        if (!validPointer(pointer))
            throw Error(kErrBadArgument, tr("Unknown mouse pointer %1.").arg(pointer));
        pointer_ = pointer;
        updateCursor();
    });
}

void ImageEdit::updateCursor() {
    if (pointer_ == kPointerDefault && tool_ != kToolNone && tool_ != kToolSelect)
        viewport()->setCursor(Qt::CrossCursor);
    else if (pointer_ == kPointerDefault && selectionMode_)
        viewport()->setCursor(Qt::CrossCursor);
    else
        viewport()->setCursor(cursorFor(pointer_));
}

void ImageEdit::setColorRendering(int mode) {
    guarded([&] {
        if (mode < 0 || mode > 3)
            throw Error(kErrBadArgument, tr("Unknown colour rendering %1.").arg(mode));
        colorRendering_ = mode;
    });
}

// ---- rendering ----

RenderRequest ImageEdit::renderRequest(int pageIndex, const QRect& visible) const {
    RenderRequest r;
    r.page = pageIndex;
    r.revision = model_->pageRevision(pageIndex);
    r.scale = scale();
    r.grayScaling = scaleAlgorithm_ != kScaleNormal;
    const PageInfo info = pageIndex == index() ? currentInfo() : model_->pageInfo(pageIndex);
    r.scaledSize = scaledSizeOf(QSize(info.width, info.height));
    r.target = PageRenderer::planTarget(r.scaledSize, visible);
    return r;
}

void ImageEdit::scheduleRendering() {
    viewport()->update();
    if (renderScheduled_) return;
    renderScheduled_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            renderScheduled_ = false;
            try {
                requestRendering();
            } catch (const Error& e) {
                fail(e.number(), e.description());
            }
            if (!renderingPending()) emit renderingFinished(); // the page was ready in the cache
        },
        Qt::QueuedConnection);
}

void ImageEdit::requestRendering() {
    if (!model_ || !displayed_ || page_ < 1 || page_ > model_->pageCount()) return;
    const RenderRequest current = renderRequest(index(), visibleDisplayRect());
    // The neighbours ready for paging (next one first): whole, or the part a page turn shows
    // first (the top left, or the same place when the scroll position is kept).
    const bool whole = current.target == QRect(QPoint(0, 0), current.scaledSize);
    const QRect afterTurn =
        whole ? QRect() : keepScroll_ ? visibleDisplayRect() : QRect(QPoint(0, 0), viewport()->size());
    std::vector<RenderRequest> prefetch;
    for (int neighbour : {index() + 1, index() - 1})
        if (neighbour >= 0 && neighbour < model_->pageCount())
            prefetch.push_back(renderRequest(neighbour, afterTurn));
    renderer_->request(current, prefetch);
}

bool ImageEdit::renderingPending() const {
    return displayed_ && (renderScheduled_ || renderer_->busy());
}

bool ImageEdit::renderingIdle() const {
    return !renderingPending() && renderer_->idle();
}

// ---- painting ----

void ImageEdit::paintEvent(QPaintEvent*) {
    QPainter p(viewport());
    p.fillRect(viewport()->rect(), palette().color(QPalette::Dark));
    if (!model_ || !displayed_ || page_ > model_->pageCount()) return;
    try {
        paintPage(p);
        paintOverlays(p);
    } catch (const Error& e) {
        fail(e.number(), e.description());
    }
}

void ImageEdit::paintPage(QPainter& p) {
    const QRect pageRect(origin(), scaledSize());
    p.fillRect(pageRect, Qt::white);
    const QRect visible = visibleDisplayRect();
    const RenderRequest wanted = renderRequest(index(), visible);
    const RenderedPiece* piece = renderer_->exact(wanted, visible);
    if (!piece) {
        if (!renderScheduled_) requestRendering();
        // Meanwhile the last rendering of the page, scaled to the current zoom.
        piece = renderer_->standIn(index(), wanted.revision);
    }
    if (piece) {
        const double f = scale() / piece->request.scale;
        const QRect t = piece->request.target;
        const QRectF where(t.x() * f + pageRect.x(), t.y() * f + pageRect.y(), t.width() * f,
                           t.height() * f);
        p.setRenderHint(QPainter::SmoothPixmapTransform, std::abs(f - 1.0) > 1e-9);
        p.drawImage(where, piece->image);
    }
    if (!renderError_.isEmpty()) {
        p.setPen(Qt::darkRed);
        p.drawText(pageRect.intersected(viewport()->rect()).adjusted(10, 10, -10, -10),
                   Qt::AlignCenter | Qt::TextWordWrap, renderError_);
    }
}

void ImageEdit::paintOverlays(QPainter& p) {
    const QTransform toView = pageToViewport();
    if (annotationsShown_) paintAnnotations(p, pageAnnotations(), toView, pageDpi());
    const QPen dashes(QColor(0, 90, 200), 1, Qt::DashLine);
    p.setBrush(Qt::NoBrush);
    const AnnotationList& shown = pageAnnotations();
    for (int i : selectedAnnotations_) {
        if (std::size_t(i) >= shown.size()) continue;
        const QRect r = toView.mapRect(shown[std::size_t(i)].bounds);
        p.setPen(dashes);
        p.drawRect(r.adjusted(-2, -2, 1, 1));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 90, 200));
        for (QPoint c : {r.topLeft(), r.topRight(), r.bottomLeft(), r.bottomRight()})
            p.drawRect(QRect(c - QPoint(3, 3), QSize(6, 6)));
        p.setBrush(Qt::NoBrush);
    }
    auto ants = [&p](const QRect& r) {
        p.setPen(QPen(Qt::white, 1));
        p.drawRect(r);
        p.setPen(QPen(Qt::black, 1, Qt::DashLine));
        p.drawRect(r);
    };
    if (!selection_.isEmpty()) ants(selection_.translated(origin()).adjusted(0, 0, -1, -1));
    if (drag_ == Drag::Band) ants(rectBetween(dragStart_, dragNow_));
    if (pastePending()) {
        const QRect r = toView.mapRect(QRect(paste_.pos, paste_.image.size()));
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawImage(r, paste_.image);
        ants(r.adjusted(0, 0, -1, -1));
    }
    if (activeTool_) activeTool_->paint(p);
}

// ---- input ----

void ImageEdit::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    if (refitOnResize_ && lastFit_ >= 0 && displayed_) quietly([&] { fitTo(lastFit_, true); });
    updateScrollBars();
    scheduleRendering();
}

void ImageEdit::scrollContentsBy(int, int) {
    scheduleRendering();
}

void ImageEdit::mousePressEvent(QMouseEvent* event) {
    setFocus(Qt::MouseFocusReason);
    const QPoint pos = event->position().toPoint();
    emit mouseDown(buttonCode(event->button()), shiftCode(event->modifiers()), pos.x(), pos.y());
    if (event->button() != Qt::LeftButton || !displayed_ || !model_) return;
    quietly([&] {
        dragStart_ = dragNow_ = pos;
        if (pointer_ == kPointerDrag)
            viewport()->setCursor(Qt::ClosedHandCursor); // the owner pans the page
        if (pastePending()) {
            const QRect r = pageToViewport().mapRect(QRect(paste_.pos, paste_.image.size()));
            if (r.contains(pos)) {
                drag_ = Drag::Paste;
                pasteGrab_ = paste_.pos;
                return;
            }
            commitPaste();
        }
        // Hidden annotations cannot be picked.
        if (activeTool_ && (annotationsShown_ || tool_ != kToolSelect)) {
            drag_ = Drag::Tool;
            activeTool_->press(pos, event->modifiers());
        } else if (selectionMode_ && !activeTool_) {
            drag_ = Drag::Band;
        }
    });
}

void ImageEdit::mouseMoveEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    emit mouseMove(buttonCode(event->buttons()), shiftCode(event->modifiers()), pos.x(), pos.y());
    quietly([&] {
        dragNow_ = pos;
        switch (drag_) {
        case Drag::Paste: {
            const QPointF moved = QPointF(pos - dragStart_) / scale();
            paste_.pos =
                pasteGrab_ + QPoint(int(std::lround(moved.x())), int(std::lround(moved.y())));
            viewport()->update();
            break;
        }
        case Drag::Tool:
            activeTool_->move(pos);
            break;
        case Drag::Band:
            viewport()->update();
            break;
        case Drag::None:
            break;
        }
    });
}

void ImageEdit::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    if (event->button() == Qt::LeftButton) {
        const Drag drag = std::exchange(drag_, Drag::None);
        quietly([&] {
            dragNow_ = pos;
            if (drag == Drag::Tool && activeTool_) {
                activeTool_->release(pos);
            } else if (drag == Drag::Band) {
                const QRect band = rectBetween(dragStart_ - origin(), dragNow_ - origin()) &
                                   QRect(QPoint(0, 0), scaledSize());
                if (band.width() >= 2 && band.height() >= 2) {
                    selection_ = band;
                    emit selectionRectDrawn(band.x(), band.y(), band.width(), band.height());
                } else if (!selection_.isEmpty()) {
                    selection_ = QRect();
                    emit selectionCleared();
                }
            }
            updateCursor();
            viewport()->update();
        });
    }
    emit mouseUp(buttonCode(event->button()), shiftCode(event->modifiers()), pos.x(), pos.y());
}

void ImageEdit::mouseDoubleClickEvent(QMouseEvent* event) {
    mousePressEvent(event);
}

void ImageEdit::keyPressEvent(QKeyEvent* event) {
    const int code = windowsKeyCode(event->key());
    if (code != 0) emit keyDown(code, shiftCode(event->modifiers()));
    if (event->key() == Qt::Key_Delete && (!selectedAnnotations_.empty() || pastePending()))
        quietly([&] { deleteSelectedAnnotations(); });
    else if (event->key() == Qt::Key_Escape && drag_ == Drag::Band) {
        drag_ = Drag::None;
        viewport()->update();
    }
    event->accept();
}

} // namespace imaging
