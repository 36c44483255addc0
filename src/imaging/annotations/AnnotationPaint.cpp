// Drawing annotations on a page, and burning them into its pixels.
#include "imaging/annotations/Annotation.h"
#include "imaging/pixels/Barcode.h"
#include "imaging/pixels/ImagingError.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <QTransform>
#include <cmath>

namespace imaging {

namespace {

// Page pixels per point at the page's resolution (pages without one are taken as 96 dpi,
// the screen's).
double pixelsPerPoint(double dpi) {
    return (dpi > 0 ? dpi : 96.0) / 72.0;
}

QFont annotationFont(const Annotation& a, double dpi) {
    QFont font;
    if (!a.fontName.isEmpty()) font.setFamily(a.fontName);
    font.setPixelSize(std::max(1, int(std::lround(a.fontSize * pixelsPerPoint(dpi)))));
    font.setBold(a.fontBold);
    if (a.kind == AnnotationKind::Hyperlink) font.setUnderline(true);
    return font;
}

// Runs `draw` with the painter set up so that the content box (0, 0, w, h) lands in `bounds`
// turned by the annotation's rotation.
template <class Draw> void withContentBox(QPainter& p, const Annotation& a, Draw draw) {
    const QRectF b = a.bounds;
    const bool odd = a.rotation % 2 != 0;
    const QSizeF content = odd ? QSizeF(b.height(), b.width()) : b.size();
    p.save();
    p.translate(b.center());
    p.rotate(90.0 * a.rotation);
    p.translate(-content.width() / 2, -content.height() / 2);
    draw(QRectF(QPointF(0, 0), content));
    p.restore();
}

void drawText(QPainter& p, const Annotation& a, double dpi, const QColor& color) {
    if (a.text.isEmpty()) return;
    if (isCode39Font(a.fontName) && !code39FontInstalled()) {
        try {
            const std::vector<bool> modules = code39Modules(a.text);
            withContentBox(p, a, [&](const QRectF& box) { paintModules(p, box, modules, color); });
            return;
        } catch (const Error&) {
            // Not encodable (non-ASCII): fall through and show the text itself.
        }
    }
    QFont font = annotationFont(a, dpi);
    if (isCode39Font(a.fontName) && !code39FontInstalled()) font.setFamily(QString());
    p.setFont(font);
    p.setPen(color);
    withContentBox(p, a, [&](const QRectF& box) {
        const double margin = a.kind == AnnotationKind::AttachANote ? pixelsPerPoint(dpi) * 3 : 0;
        p.drawText(box.adjusted(margin, margin, -margin, -margin),
                   Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, a.text);
    });
}

void paintOne(QPainter& p, const Annotation& a, double dpi) {
    const bool translucent = a.style == 1;
    QPen pen(a.lineColor, std::max(1, a.lineWidth), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.save();
    if (translucent) p.setOpacity(0.5);
    switch (a.kind) {
    case AnnotationKind::FreehandLine:
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        if (a.points.size() == 1)
            p.drawPoint(a.points.front());
        else
            p.drawPolyline(a.points);
        break;
    case AnnotationKind::Highlighter: {
        // A marker pen: the colour multiplies the page, so the print under it stays dark.
        p.setCompositionMode(QPainter::CompositionMode_Multiply);
        QColor c = a.fillColor;
        if (a.points.size() >= 2) {
            QPen marker(c, std::max(1, a.lineWidth), Qt::SolidLine, Qt::SquareCap, Qt::RoundJoin);
            p.setPen(marker);
            p.setBrush(Qt::NoBrush);
            p.drawPolyline(a.points);
        } else {
            p.fillRect(a.bounds, c);
        }
        break;
    }
    case AnnotationKind::StraightLine:
        p.setPen(pen);
        if (a.points.size() >= 2)
            p.drawLine(a.points[0], a.points[1]);
        else
            p.drawLine(a.bounds.topLeft(), a.bounds.bottomRight());
        break;
    case AnnotationKind::HollowRectangle: {
        pen.setJoinStyle(Qt::MiterJoin);
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        // The outline lies inside the bounds.
        const double inset = std::max(1, a.lineWidth) / 2.0;
        p.drawRect(QRectF(a.bounds).adjusted(inset, inset, -inset, -inset));
        break;
    }
    case AnnotationKind::FilledRectangle:
        p.fillRect(a.bounds, a.fillColor);
        break;
    case AnnotationKind::AttachANote:
        p.fillRect(a.bounds, a.fillColor);
        p.setPen(QPen(a.fillColor.darker(150), 1));
        p.setBrush(Qt::NoBrush);
        p.drawRect(QRectF(a.bounds).adjusted(0.5, 0.5, -0.5, -0.5));
        drawText(p, a, dpi, a.lineColor);
        break;
    case AnnotationKind::TypedText:
    case AnnotationKind::TextFromFile:
    case AnnotationKind::TextStamp:
        drawText(p, a, dpi, a.lineColor);
        break;
    case AnnotationKind::Hyperlink:
        drawText(p, a, dpi, QColor(0, 0, 255));
        break;
    case AnnotationKind::ImageStamp:
        if (!a.image.isNull())
            withContentBox(p, a, [&](const QRectF& box) { p.drawImage(box, a.image); });
        break;
    }
    p.restore();
}

// Black where the gray page is clearly darker than paper: coloured marks (a red line is
// about 130 on gray) become black, pale ones (a yellow highlighter, about 215) vanish.
constexpr int kBurnThreshold = 192;
QImage threshold(const QImage& gray, const QImage& like) {
    QImage mono(gray.size(), QImage::Format_Mono);
    mono.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    mono.setDotsPerMeterX(like.dotsPerMeterX());
    mono.setDotsPerMeterY(like.dotsPerMeterY());
    const int w = gray.width();
    for (int y = 0; y < gray.height(); ++y) {
        const uchar* in = gray.constScanLine(y);
        uchar* out = mono.scanLine(y);
        std::fill(out, out + (w + 7) / 8, 0);
        for (int x = 0; x < w; ++x)
            if (in[x] < kBurnThreshold) out[x >> 3] |= uchar(0x80 >> (x & 7));
    }
    return mono;
}

} // namespace

void paintAnnotations(QPainter& painter, const AnnotationList& list, const QTransform& pageToDevice,
                      double dpi) {
    painter.save();
    painter.setWorldTransform(pageToDevice, true);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    for (const Annotation& a : list)
        paintOne(painter, a, dpi);
    painter.restore();
}

void burnAnnotations(QImage& page, const AnnotationList& list, double dpi) {
    if (list.empty() || page.isNull()) return;
    if (page.depth() == 1) {
        // Painted on a gray copy, then thresholded: the page stays 1-bit.
        const bool oneIsBlack =
            page.colorCount() < 2 || qGray(page.color(1)) < qGray(page.color(0));
        QImage gray = page.convertToFormat(QImage::Format_Grayscale8);
        {
            QPainter p(&gray);
            paintAnnotations(p, list, QTransform(), dpi);
        }
        QImage mono = threshold(gray, page);
        if (!oneIsBlack) {
            mono.invertPixels();
            mono.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
        }
        page = mono;
        return;
    }
    const QImage::Format original = page.format();
    const bool direct = original == QImage::Format_Grayscale8 ||
                        original == QImage::Format_RGB888 || original == QImage::Format_RGB32 ||
                        original == QImage::Format_ARGB32 ||
                        original == QImage::Format_ARGB32_Premultiplied;
    if (!direct)
        page = page.convertToFormat(page.hasAlphaChannel() ? QImage::Format_ARGB32
                                                           : QImage::Format_RGB32);
    QPainter p(&page);
    paintAnnotations(p, list, QTransform(), dpi);
}

} // namespace imaging
