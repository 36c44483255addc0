#include "imaging/controls/ImageThumbnail.h"
#include "imaging/controls/InputCodes.h"

#include "imaging/pixels/ImagingError.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

namespace imaging {

namespace {

constexpr int kPad = 6;      // around the thumbnail inside its cell
constexpr int kLabelGap = 2; // between thumbnail and page number

} // namespace

ImageThumbnail::ImageThumbnail(QWidget* parent) : ImageThumbnail(realEnvironment(), parent) {}

ImageThumbnail::ImageThumbnail(EnvironmentPtr env, QWidget* parent)
    : QAbstractScrollArea(parent), env_(env ? std::move(env) : realEnvironment()),
      sizeRunner_(env_->thumbSizeDialog) {
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setBackgroundRole(QPalette::Mid);
    viewport()->setAutoFillBackground(true);
    renderer_.setNextJob([this] { return nextJob(); });
    connect(&renderer_, &ThumbnailRenderer::rendered, this, &ImageThumbnail::onRendered);
    connect(&renderer_, &ThumbnailRenderer::failed, this, &ImageThumbnail::onFailed);
    connect(&renderer_, &ThumbnailRenderer::idle, this, &ImageThumbnail::onIdle);
}

ImageThumbnail::~ImageThumbnail() {
    renderer_.setModel(nullptr);
}

// ---- document ----

void ImageThumbnail::setImage(const QString& path) {
    if (model_ && path == path_) {
        // Same document: show every thumbnail again; cached ones are still current.
        for (Slot& s : slots_) {
            s.generated = true;
            s.failed = false;
        }
        reportedReady_ = false;
        refresh();
        return;
    }
    detach();
    if (path.isEmpty()) return;
    attach(DocumentModel::acquire(path, env_->paths), path);
}

void ImageThumbnail::attach(DocumentModelPtr model, const QString& path) {
    model_ = std::move(model);
    path_ = path;
    slots_.assign(model_->pageCount(), Slot{});
    connect(model_.get(), &DocumentModel::pagesInserted, this, &ImageThumbnail::onPagesInserted);
    connect(model_.get(), &DocumentModel::pagesRemoved, this, &ImageThumbnail::onPagesRemoved);
    connect(model_.get(), &DocumentModel::pageChanged, this, &ImageThumbnail::onPageChanged);
    connect(model_.get(), &DocumentModel::reloaded, this, &ImageThumbnail::onReloaded);
    renderer_.setModel(model_);
    reportedReady_ = false;
    verticalScrollBar()->setValue(0);
    updateScrollBars();
    refresh();
}

void ImageThumbnail::detach() {
    if (model_) disconnect(model_.get(), nullptr, this, nullptr);
    renderer_.setModel(nullptr);
    model_.reset();
    path_.clear();
    slots_.clear();
    cache_.clear();
    prefetchAll_ = false;
    current_ = anchor_ = pressed_ = -1;
    updateScrollBars();
    viewport()->update();
}

void ImageThumbnail::onPagesInserted(int first, int count) {
    renderer_.invalidate(); // running jobs carry the old numbers
    cache_.pagesInserted(first, count);
    slots_.insert(slots_.begin() + std::clamp(first, 0, thumbCount()), count, Slot{});
    for (int* i : {&current_, &anchor_})
        if (*i >= first) *i += count;
    updateScrollBars();
    refresh();
}

void ImageThumbnail::onPagesRemoved(int first, int count) {
    renderer_.invalidate();
    cache_.pagesRemoved(first, count);
    const int from = std::clamp(first, 0, thumbCount());
    const int to = std::clamp(first + count, from, thumbCount());
    const bool hadSelected = std::any_of(slots_.begin() + from, slots_.begin() + to,
                                         [](const Slot& s) { return s.selected; });
    slots_.erase(slots_.begin() + from, slots_.begin() + to);
    for (int* i : {&current_, &anchor_}) {
        if (*i >= first + count)
            *i -= count;
        else if (*i >= first)
            *i = -1;
    }
    pressed_ = -1;
    updateScrollBars();
    refresh();
    if (hadSelected) emit selectionChanged();
}

void ImageThumbnail::onPageChanged(int index) {
    if (index < 0 || index >= thumbCount()) return;
    slots_[index].failed = false;
    viewport()->update(thumbRect(index + 1));
    schedule();
}

void ImageThumbnail::onReloaded() {
    renderer_.invalidate();
    cache_.clear();
    slots_.assign(model_->pageCount(), Slot{});
    current_ = anchor_ = pressed_ = -1;
    updateScrollBars();
    refresh();
    emit selectionChanged();
}

// ---- generation ----

void ImageThumbnail::checkIndex(int thumb) const {
    if (thumb < 1 || thumb > thumbCount())
        throw Error(kErrBadPage, QString("Thumbnail %1 does not exist (the strip has %2).")
                                     .arg(thumb)
                                     .arg(thumbCount()));
}

void ImageThumbnail::generateThumb(int option, int thumb) {
    if (option != kThumbGenerateAll && option != kThumbGenerateVisible)
        throw Error(kErrBadArgument,
                    QString("Unknown thumbnail generation option %1.").arg(option));
    if (thumb != 0) checkIndex(thumb);
    if (thumb == 0) {
        for (Slot& s : slots_)
            s = Slot{true, s.selected, false, false, s.marker};
        prefetchAll_ = option == kThumbGenerateAll;
    } else {
        slots_[thumb - 1].generated = true;
        slots_[thumb - 1].failed = false;
        slots_[thumb - 1].urgent = true;
    }
    reportedReady_ = false;
    refresh();
}

void ImageThumbnail::clearThumbs(int thumb) {
    if (thumb != 0) checkIndex(thumb);
    if (thumb == 0) {
        for (Slot& s : slots_)
            s.generated = false;
        prefetchAll_ = false;
    } else {
        slots_[thumb - 1].generated = false;
    }
    viewport()->update();
}

void ImageThumbnail::deleteThumbs(int first, int count) {
    if (first < 1 || count < 1)
        throw Error(kErrBadArgument,
                    QString("Cannot delete %1 thumbnails from number %2.").arg(count).arg(first));
    // Only thumbnails the document no longer has are taken off.
    const int excess = model_ ? thumbCount() - model_->pageCount() : thumbCount();
    if (excess <= 0 || first > thumbCount()) return;
    onPagesRemoved(first - 1, std::min({count, excess, thumbCount() - first + 1}));
}

QSize ImageThumbnail::renderBox() const {
    return thumbSize_ * devicePixelRatioF();
}

qint64 ImageThumbnail::thumbBytes() const {
    const QSize box = renderBox();
    return qint64(box.width()) * box.height() * 4;
}

quint64 ImageThumbnail::revisionOf(int index) const {
    try {
        return model_->pageRevision(index);
    } catch (const Error&) {
        return 0; // changed on another thread; the notice of it is on its way
    }
}

bool ImageThumbnail::needsJob(int index) const {
    const Slot& s = slots_[index];
    if (!s.generated || s.failed || renderer_.isRunning(index)) return false;
    const quint64 revision = revisionOf(index);
    return revision != 0 && !cache_.contains(index, revision, renderBox());
}

std::optional<ThumbnailJob> ImageThumbnail::nextJob() {
    if (!model_ || slots_.empty() || !isVisible()) return std::nullopt;
    auto job = [this](int index) {
        reportedReady_ = false;
        return ThumbnailJob{index, revisionOf(index), renderBox()};
    };
    const auto [first, last] = visibleRange();
    for (int i = first; i <= last; ++i)
        if (needsJob(i)) return job(i);
    for (int i = 0; i < thumbCount(); ++i)
        if (slots_[i].urgent && needsJob(i)) return job(i);
    if (!prefetchAll_) return std::nullopt;
    // Off-screen pages nearest to the visible ones first, while the cache has room.
    if (!cache_.hasRoom(thumbBytes())) return std::nullopt;
    for (int d = 1; last + d < thumbCount() || first - d >= 0; ++d) {
        if (last + d < thumbCount() && needsJob(last + d)) return job(last + d);
        if (first - d >= 0 && needsJob(first - d)) return job(first - d);
    }
    return std::nullopt;
}

QImage ImageThumbnail::thumbImage(int thumb) const {
    if (thumb < 1 || thumb > thumbCount() || !slots_[thumb - 1].generated) return {};
    return cache_.peek(thumb - 1, revisionOf(thumb - 1), renderBox());
}

int ImageThumbnail::generatedMissing() const {
    if (!model_) return 0;
    int missing = 0;
    for (int i = 0; i < thumbCount(); ++i)
        if (slots_[i].generated && !slots_[i].failed &&
            !cache_.contains(i, revisionOf(i), renderBox()))
            ++missing;
    return missing;
}

void ImageThumbnail::schedule() {
    if (!model_) return;
    // The visible thumbnails must fit the cache together, or they would push each other out.
    const auto [first, last] = visibleRange();
    const qint64 needed = 2 * qint64(last - first + 1) * thumbBytes();
    if (cache_.budget() < needed) cache_.setBudget(needed);
    renderer_.wake();
    if (renderer_.isIdle())
        QMetaObject::invokeMethod(this, &ImageThumbnail::onIdle, Qt::QueuedConnection);
}

void ImageThumbnail::onRendered(const ThumbnailJob& job, const QImage& image) {
    if (!model_ || job.page >= thumbCount() || job.box != renderBox() ||
        revisionOf(job.page) != job.revision)
        return; // out of date: the next pull asks again
    cache_.insert(job.page, job.revision, job.box, image);
    slots_[job.page].urgent = false;
    ++rendered_;
    viewport()->update(thumbRect(job.page + 1));
    emit thumbReady(job.page + 1);
}

void ImageThumbnail::onFailed(const ThumbnailJob& job, const QString&) {
    if (job.page >= thumbCount() || revisionOf(job.page) != job.revision) return; // out of date
    slots_[job.page].failed = true;
    slots_[job.page].urgent = false;
    viewport()->update(thumbRect(job.page + 1));
}

void ImageThumbnail::onIdle() {
    if (!model_ || !renderer_.isIdle() || reportedReady_) return;
    if (nextJob()) { // something new to do after all
        renderer_.wake();
        return;
    }
    reportedReady_ = true;
    emit allThumbsReady();
}

void ImageThumbnail::refresh() {
    viewport()->update();
    schedule();
}

// ---- size ----

void ImageThumbnail::setThumbSize(QSize size) {
    size = size.expandedTo(QSize(kMinThumbSide, kMinThumbSide))
               .boundedTo(QSize(kMaxThumbSide, kMaxThumbSide));
    if (size == thumbSize_) return;
    thumbSize_ = size;
    renderer_.invalidate();
    cache_.clear(); // every image has the old size
    updateScrollBars();
    refresh();
}

bool ImageThumbnail::showThumbSizeDialog() {
    const std::optional<QSize> size = sizeRunner_->run(thumbSize_, this);
    if (!size || *size == thumbSize_) return false;
    setThumbSize(*size);
    return true;
}

// ---- selection ----

void ImageThumbnail::setSelection(int index, bool selected) {
    if (slots_[index].selected == selected) return;
    slots_[index].selected = selected;
    viewport()->update(thumbRect(index + 1));
}

void ImageThumbnail::setThumbSelected(int thumb, bool selected) {
    checkIndex(thumb);
    if (slots_[thumb - 1].selected == selected) return;
    setSelection(thumb - 1, selected);
    if (selected) current_ = anchor_ = thumb - 1;
    emit selectionChanged();
}

bool ImageThumbnail::thumbSelected(int thumb) const {
    return thumb >= 1 && thumb <= thumbCount() && slots_[thumb - 1].selected;
}

void ImageThumbnail::setThumbMarker(int thumb, const QString& text) {
    checkIndex(thumb);
    if (slots_[thumb - 1].marker == text) return;
    slots_[thumb - 1].marker = text;
    viewport()->update(thumbRect(thumb));
}

QString ImageThumbnail::thumbMarker(int thumb) const {
    return thumb >= 1 && thumb <= thumbCount() ? slots_[thumb - 1].marker : QString();
}

void ImageThumbnail::clearThumbSelection() {
    bool changed = false;
    for (int i = 0; i < thumbCount(); ++i) {
        changed = changed || slots_[i].selected;
        setSelection(i, false);
    }
    if (changed) emit selectionChanged();
}

std::vector<int> ImageThumbnail::selectedThumbs() const {
    std::vector<int> result;
    for (int i = 0; i < thumbCount(); ++i)
        if (slots_[i].selected) result.push_back(i + 1);
    return result;
}

void ImageThumbnail::clickSelect(int index, Qt::KeyboardModifiers modifiers) {
    if (modifiers & Qt::ShiftModifier && anchor_ >= 0) {
        if (!(modifiers & Qt::ControlModifier))
            for (int i = 0; i < thumbCount(); ++i)
                setSelection(i, false);
        for (int i = std::min(anchor_, index); i <= std::max(anchor_, index); ++i)
            setSelection(i, true);
    } else if (modifiers & Qt::ControlModifier) {
        setSelection(index, !slots_[index].selected);
        anchor_ = index;
    } else {
        for (int i = 0; i < thumbCount(); ++i)
            setSelection(i, i == index);
        anchor_ = index;
    }
    const int old = current_;
    current_ = index;
    if (old >= 0) viewport()->update(thumbRect(old + 1));
    viewport()->update(thumbRect(index + 1));
    emit selectionChanged();
}

// ---- geometry ----

ImageThumbnail::Layout ImageThumbnail::layout() const {
    Layout l;
    l.cellWidth = thumbSize_.width() + 2 * kPad;
    l.cellHeight = thumbSize_.height() + 2 * kPad + kLabelGap + fontMetrics().height();
    l.columns = std::max(1, viewport()->width() / l.cellWidth);
    l.left = std::max(0, (viewport()->width() - l.columns * l.cellWidth) / 2);
    return l;
}

void ImageThumbnail::updateScrollBars() {
    const Layout l = layout();
    const int rows = (thumbCount() + l.columns - 1) / l.columns;
    const int height = viewport()->height();
    QScrollBar* bar = verticalScrollBar();
    bar->setRange(0, std::max(0, rows * l.cellHeight - height));
    bar->setPageStep(std::max(1, height));
    bar->setSingleStep(std::max(1, l.cellHeight / 4));
}

QRect ImageThumbnail::thumbRect(int thumb) const {
    const Layout l = layout();
    const int index = thumb - 1;
    const int row = index / l.columns;
    const int column = index % l.columns;
    return QRect(l.left + column * l.cellWidth, row * l.cellHeight - verticalScrollBar()->value(),
                 l.cellWidth, l.cellHeight);
}

int ImageThumbnail::thumbAt(QPoint pos) const {
    const Layout l = layout();
    if (pos.x() < l.left || pos.y() < 0) return 0;
    const int column = (pos.x() - l.left) / l.cellWidth;
    const int row = (pos.y() + verticalScrollBar()->value()) / l.cellHeight;
    const int index = row * l.columns + column;
    return column < l.columns && index < thumbCount() ? index + 1 : 0;
}

std::pair<int, int> ImageThumbnail::visibleRange() const {
    if (slots_.empty() || viewport()->height() <= 0) return {0, -1};
    const Layout l = layout();
    const int top = verticalScrollBar()->value();
    const int firstRow = top / l.cellHeight;
    const int lastRow = (top + viewport()->height() - 1) / l.cellHeight;
    return {std::min(thumbCount() - 1, firstRow * l.columns),
            std::min(thumbCount() - 1, (lastRow + 1) * l.columns - 1)};
}

void ImageThumbnail::scrollToThumb(int thumb, int option) {
    checkIndex(thumb);
    QScrollBar* bar = verticalScrollBar();
    const QRect r = thumbRect(thumb);
    if (option == kThumbScrollToTop)
        bar->setValue(bar->value() + r.top());
    else if (option == kThumbScrollIntoView) {
        if (r.top() < 0)
            bar->setValue(bar->value() + r.top());
        else if (r.bottom() >= viewport()->height())
            bar->setValue(bar->value() + std::min(r.top(), r.bottom() + 1 - viewport()->height()));
    } else {
        throw Error(kErrBadArgument, QString("Unknown scroll option %1.").arg(option));
    }
}

// ---- painting ----

void ImageThumbnail::paintThumb(QPainter& p, int index, const QRect& cell) {
    const Slot& slot = slots_[index];
    const QPalette& pal = palette();
    if (slot.selected) p.fillRect(cell.adjusted(2, 2, -2, -2), pal.highlight());
    if (index == current_) {
        p.setPen(QPen(pal.highlight().color().darker(130), 2));
        p.drawRect(QRectF(cell).adjusted(2, 2, -2, -2));
    }

    const QRect box(cell.left() + kPad, cell.top() + kPad, thumbSize_.width(), thumbSize_.height());
    QImage image;
    if (slot.generated) image = cache_.find(index, revisionOf(index), renderBox());
    QSize shown;
    if (!image.isNull()) {
        shown = image.size() / image.devicePixelRatio() / devicePixelRatioF();
    } else {
        PageInfo info;
        try {
            info = model_->pageInfo(index);
        } catch (const Error&) { // changed on another thread: an empty frame until the notice
        }
        shown = info.width > 0 && info.height > 0 ? QSize(info.width, info.height) : thumbSize_;
        shown.scale(thumbSize_, Qt::KeepAspectRatio);
    }
    const QRect target(box.left() + (box.width() - shown.width()) / 2,
                       box.top() + (box.height() - shown.height()) / 2, shown.width(),
                       shown.height());
    if (!image.isNull()) {
        p.drawImage(target, image);
    } else {
        p.fillRect(target, slot.generated ? QColor(235, 235, 235) : QColor(Qt::white));
        if (slot.failed) {
            p.setPen(QPen(Qt::red, 2));
            p.drawLine(target.topLeft(), target.bottomRight());
            p.drawLine(target.topRight(), target.bottomLeft());
        }
    }
    p.setPen(pal.shadow().color());
    p.drawRect(target.adjusted(0, 0, -1, -1));
    if (!slot.marker.isEmpty()) paintMarker(p, slot.marker, target);

    const QRect label(cell.left(), box.bottom() + 1 + kLabelGap, cell.width(),
                      fontMetrics().height());
    p.setPen(slot.selected ? pal.highlightedText().color() : pal.text().color());
    p.drawText(label, Qt::AlignCenter, QString::number(index + 1));
}

void ImageThumbnail::paintMarker(QPainter& p, const QString& text, const QRect& target) const {
    const QColor amber(255, 170, 0);
    QColor tint = amber;
    tint.setAlpha(70);
    p.fillRect(target, tint);
    p.setPen(QPen(amber.darker(130), 2));
    p.drawRect(QRectF(target).adjusted(1, 1, -1, -1));
    QFont bold = font();
    bold.setBold(true);
    p.setFont(bold);
    const QFontMetrics fm(bold);
    const QRect badge(target.left() + 3, target.top() + 3,
                      std::min(fm.horizontalAdvance(text) + 8, target.width() - 6),
                      fm.height() + 2);
    p.fillRect(badge, amber.darker(130));
    p.setPen(Qt::white);
    p.drawText(badge, Qt::AlignCenter, text);
    p.setFont(font());
}

void ImageThumbnail::paintEvent(QPaintEvent* event) {
    QPainter p(viewport());
    if (!model_) return;
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    const auto [first, last] = visibleRange();
    for (int i = first; i <= last; ++i) {
        const QRect cell = thumbRect(i + 1);
        if (cell.intersects(event->rect())) paintThumb(p, i, cell);
    }
}

void ImageThumbnail::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
    schedule();
}

void ImageThumbnail::showEvent(QShowEvent* event) {
    QAbstractScrollArea::showEvent(event);
    schedule();
}

void ImageThumbnail::scrollContentsBy(int, int) {
    viewport()->update();
    schedule();
}

// ---- mouse and keys ----

void ImageThumbnail::mousePressEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    const int thumb = thumbAt(pos);
    if (thumb > 0) {
        if (event->button() == Qt::LeftButton)
            clickSelect(thumb - 1, event->modifiers());
        else if (event->button() == Qt::RightButton && !slots_[thumb - 1].selected)
            clickSelect(thumb - 1, Qt::NoModifier);
    }
    pressed_ = event->button() == Qt::LeftButton ? thumb - 1 : -1;
    emit thumbMouseDown(buttonCode(event->button()), shiftCode(event->modifiers()), pos.x(),
                        pos.y(), thumb);
}

void ImageThumbnail::mouseReleaseEvent(QMouseEvent* event) {
    const int thumb = thumbAt(event->position().toPoint());
    const bool clicked = event->button() == Qt::LeftButton && thumb > 0 && thumb - 1 == pressed_;
    pressed_ = -1;
    if (clicked) emit click(thumb);
}

void ImageThumbnail::mouseDoubleClickEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    const int thumb = thumbAt(pos);
    pressed_ = -1; // the release of a double click is not another click
    emit thumbMouseDown(buttonCode(event->button()), shiftCode(event->modifiers()), pos.x(),
                        pos.y(), thumb);
    if (event->button() == Qt::LeftButton && thumb > 0) emit dblClick(thumb);
}

void ImageThumbnail::keyPressEvent(QKeyEvent* event) {
    if (slots_.empty()) return QAbstractScrollArea::keyPressEvent(event);
    if (event->matches(QKeySequence::SelectAll)) {
        for (int i = 0; i < thumbCount(); ++i)
            setSelection(i, true);
        emit selectionChanged();
        return;
    }
    const int columns = layout().columns;
    int target = current_;
    switch (event->key()) {
    case Qt::Key_Left:
        target = current_ - 1;
        break;
    case Qt::Key_Right:
        target = current_ + 1;
        break;
    case Qt::Key_Up:
        target = current_ - columns;
        break;
    case Qt::Key_Down:
        target = current_ + columns;
        break;
    case Qt::Key_Home:
        target = 0;
        break;
    case Qt::Key_End:
        target = thumbCount() - 1;
        break;
    default:
        return QAbstractScrollArea::keyPressEvent(event);
    }
    target = std::clamp(target, 0, thumbCount() - 1);
    clickSelect(target, event->modifiers() & Qt::ShiftModifier);
    scrollToThumb(target + 1, kThumbScrollIntoView);
    emit click(target + 1);
}

} // namespace imaging
