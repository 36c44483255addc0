// The page display's geometry and view: the page's size at the current zoom, the mapping
// between the viewport and the page, zoom, fitting, scrolling.
#include "imaging/controls/ImageEdit.h"

#include "imaging/documents/EditOperations.h"
#include "imaging/pixels/ImagingError.h"

#include <QScrollBar>
#include <QStyle>
#include <algorithm>
#include <cmath>

namespace imaging {

// ---- geometry ----

const PageInfo& ImageEdit::currentInfo() const {
    static const PageInfo none;
    if (!model_ || page_ < 1 || page_ > model_->pageCount()) return none;
    const quint64 revision = model_->pageRevision(index());
    if (infoPage_ != index() || infoRevision_ != revision || infoModel_ != model_.get()) {
        info_ = model_->pageInfo(index());
        infoPage_ = index();
        infoRevision_ = revision;
        infoModel_ = model_.get();
    }
    return info_;
}

QSize ImageEdit::pageSize() const {
    const PageInfo& info = currentInfo();
    return {info.width, info.height};
}

double ImageEdit::pageDpi() const {
    return edits::effectiveDpi(currentInfo().yDpi);
}

QSize ImageEdit::scaledSizeOf(const QSize& page) const {
    if (page.isEmpty()) return {0, 0};
    return {std::max(1, int(std::lround(page.width() * scale()))),
            std::max(1, int(std::lround(page.height() * scale())))};
}

QSize ImageEdit::scaledSize() const {
    return scaledSizeOf(pageSize());
}

int ImageEdit::imageScaleWidth() const {
    return scaledSize().width();
}
int ImageEdit::imageScaleHeight() const {
    return scaledSize().height();
}

QPoint ImageEdit::origin() const {
    const QSize s = scaledSize();
    const QSize v = viewport()->size();
    const int x =
        s.width() < v.width() ? (v.width() - s.width()) / 2 : -horizontalScrollBar()->value();
    const int y =
        s.height() < v.height() ? (v.height() - s.height()) / 2 : -verticalScrollBar()->value();
    return {x, y};
}

QRect ImageEdit::displayedImageRect() const {
    return displayed_ ? QRect(origin(), scaledSize()) : QRect();
}

QRect ImageEdit::visibleDisplayRect() const {
    return QRect(-origin(), viewport()->size()) & QRect(QPoint(0, 0), scaledSize());
}

QTransform ImageEdit::pageToViewport() const {
    const QPoint o = origin();
    return QTransform(scale(), 0, 0, scale(), o.x(), o.y());
}

QPointF ImageEdit::toPage(const QPoint& viewportPos) const {
    return QPointF(viewportPos - origin()) / scale();
}

QRect ImageEdit::toPageRect(const QRect& r) const {
    const double s = scale();
    const int left = int(std::floor(r.left() / s));
    const int top = int(std::floor(r.top() / s));
    const int right = int(std::ceil((r.left() + r.width()) / s));
    const int bottom = int(std::ceil((r.top() + r.height()) / s));
    return QRect(left, top, right - left, bottom - top);
}

void ImageEdit::updateScrollBars() {
    const QSize s = displayed_ ? scaledSize() : QSize(0, 0);
    const QSize v = viewport()->size();
    horizontalScrollBar()->setRange(0, std::max(0, s.width() - v.width()));
    horizontalScrollBar()->setPageStep(v.width());
    verticalScrollBar()->setRange(0, std::max(0, s.height() - v.height()));
    verticalScrollBar()->setPageStep(v.height());
}

// ---- view ----

void ImageEdit::setZoom(double percent) {
    guarded([&] {
        if (!(percent >= kMinZoom && percent <= kMaxZoom))
            throw Error(
                kErrBadArgument,
                tr("The zoom must be between %1 and %2 percent.").arg(kMinZoom).arg(kMaxZoom));
        lastFit_ = -1;
        zoomKeepingCentre(percent);
    });
}

std::optional<QPointF> ImageEdit::centreShown() const {
    const QRect seen = visibleDisplayRect();
    if (seen.isEmpty()) return std::nullopt;
    return QPointF(seen.center()) / scale();
}

void ImageEdit::centreOn(QPointF pagePoint) {
    const QSize v = viewport()->size();
    horizontalScrollBar()->setValue(int(std::lround(pagePoint.x() * scale() - v.width() / 2.0)));
    verticalScrollBar()->setValue(int(std::lround(pagePoint.y() * scale() - v.height() / 2.0)));
}

void ImageEdit::zoomKeepingCentre(double percent) {
    const std::optional<QPointF> centre = centreShown();
    zoom_ = percent;
    updateScrollBars();
    if (centre) centreOn(*centre);
    scheduleRendering();
}

void ImageEdit::fitTo(int mode, bool repaint) {
    guarded([&] {
        if (mode < kFitBest || mode > kFitActual)
            throw Error(kErrBadArgument, tr("Unknown fit mode %1.").arg(mode));
        requirePage();
        const QSize page = pageSize();
        if (page.isEmpty()) throw Error(kErrBadPage, tr("The page has no size."));
        const QSize room = maximumViewportSize();
        const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
        const double w = page.width();
        const double h = page.height();
        double s = 1.0;
        switch (mode) {
        case kFitBest:
            s = std::min(room.width() / w, room.height() / h);
            break;
        case kFitHeight:
            s = room.height() / h;
            if (scrollBars_ && w * s > room.width()) // a horizontal scroll bar takes room
                s = std::max(1, room.height() - bar) / h;
            break;
        case kFitWidth:
            s = room.width() / w;
            if (scrollBars_ && h * s > room.height()) s = std::max(1, room.width() - bar) / w;
            break;
        default:
            break;
        }
        const double percent = std::clamp(s * 100.0, kMinZoom, kMaxZoom);
        lastFit_ = mode;
        if (repaint) {
            zoomKeepingCentre(percent);
        } else {
            zoom_ = percent;
            updateScrollBars();
        }
    });
}

void ImageEdit::setDisplayScaleAlgorithm(int algorithm) {
    guarded([&] {
        if (algorithm < 0 || algorithm > 2)
            throw Error(kErrBadArgument, tr("Unknown display scaling %1.").arg(algorithm));
        scaleAlgorithm_ = algorithm;
        scheduleRendering();
    });
}

void ImageEdit::scrollImage(int direction, int pixels) {
    guarded([&] {
        if (pixels < 0 || direction < kScrollUp || direction > kScrollRight)
            throw Error(
                kErrBadArgument,
                tr("Cannot scroll in direction %1 by %2 pixels.").arg(direction).arg(pixels));
        QScrollBar* bar = direction <= kScrollDown ? verticalScrollBar() : horizontalScrollBar();
        const int sign = (direction == kScrollUp || direction == kScrollLeft) ? -1 : 1;
        bar->setValue(bar->value() + sign * pixels);
    });
}

void ImageEdit::setScrollBars(bool on) {
    scrollBars_ = on;
    const Qt::ScrollBarPolicy policy = on ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff;
    setHorizontalScrollBarPolicy(policy);
    setVerticalScrollBarPolicy(policy);
    updateScrollBars();
}

} // namespace imaging
