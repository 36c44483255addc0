#include "imaging/controls/AnnotationTools.h"

#include "imaging/pixels/Barcode.h"
#include "imaging/controls/ImageEditDialogs.h"
#include "imaging/pixels/ImagingError.h"

#include <QFile>
#include <QFileInfo>
#include <QFontMetrics>
#include <QLineF>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <set>
#include <utility>

namespace imaging {

namespace {

constexpr int kClickSlop = 3;    // viewport pixels: less than this is a click, not a drag
constexpr int kHitTolerance = 4; // viewport pixels around lines
constexpr qint64 kMaxTextFileBytes = 64 * 1024;

double viewScale(const ToolHost& host) {
    const double s = host.pageToViewport().m11();
    return s > 0 ? s : 1.0;
}

QPoint roundPoint(const QPointF& p) {
    return {int(std::lround(p.x())), int(std::lround(p.y()))};
}

bool isDrag(const QPoint& a, const QPoint& b) {
    return (a - b).manhattanLength() >= kClickSlop;
}

QRect pageRectBetween(const ToolHost& host, const QPoint& a, const QPoint& b) {
    return rectBetween(roundPoint(host.toPage(a)), roundPoint(host.toPage(b)));
}

double distanceToSegment(const QPointF& p, const QPointF& a, const QPointF& b) {
    const QPointF ab = b - a;
    const double len2 = QPointF::dotProduct(ab, ab);
    const double t = len2 > 0 ? std::clamp(QPointF::dotProduct(p - a, ab) / len2, 0.0, 1.0) : 0.0;
    return QLineF(p, a + t * ab).length();
}

bool isLine(AnnotationKind k) {
    return k == AnnotationKind::FreehandLine || k == AnnotationKind::StraightLine;
}

void paintDashedRect(QPainter& p, const QRectF& r) {
    p.save();
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Qt::black, 1, Qt::DashLine));
    p.drawRect(r);
    p.restore();
}

// Select annotations: click to select (Ctrl adds), drag a band around them, drag a selected
// one to move all selected.
class SelectTool : public AnnotationTool {
public:
    explicit SelectTool(ToolHost& host) : host_(host) {}

    void press(const QPoint& pos, Qt::KeyboardModifiers modifiers) override {
        start_ = now_ = pos;
        additive_ = modifiers.testFlag(Qt::ControlModifier);
        const int hit = annotationAt(host_.pageAnnotations(), host_.toPage(pos),
                                     kHitTolerance / viewScale(host_));
        if (hit < 0) {
            if (!additive_) host_.selectAnnotations({});
            mode_ = Mode::Band;
            return;
        }
        std::vector<int> selected = host_.selectedAnnotations();
        if (std::find(selected.begin(), selected.end(), hit) == selected.end()) {
            if (!additive_) selected.clear();
            selected.push_back(hit);
            host_.selectAnnotations(selected);
        }
        mode_ = Mode::Move;
    }

    void move(const QPoint& pos) override {
        now_ = pos;
        if (mode_ != Mode::Idle) host_.repaintTool();
    }

    void release(const QPoint& pos) override {
        now_ = pos;
        const Mode mode = std::exchange(mode_, Mode::Idle);
        if (mode == Mode::Move && isDrag(start_, now_)) {
            const QPoint delta = roundPoint(host_.toPage(now_) - host_.toPage(start_));
            if (!delta.isNull()) host_.moveSelectedAnnotations(delta);
        } else if (mode == Mode::Band && isDrag(start_, now_)) {
            const QRect band = pageRectBetween(host_, start_, now_);
            std::vector<int> selected =
                additive_ ? host_.selectedAnnotations() : std::vector<int>{};
            const AnnotationList& list = host_.pageAnnotations();
            for (int i = 0; i < int(list.size()); ++i)
                if (list[std::size_t(i)].bounds.intersects(band) &&
                    std::find(selected.begin(), selected.end(), i) == selected.end())
                    selected.push_back(i);
            host_.selectAnnotations(selected);
        }
        host_.repaintTool();
    }

    void paint(QPainter& p) const override {
        if (mode_ == Mode::Band) {
            paintDashedRect(p, rectBetween(start_, now_));
        } else if (mode_ == Mode::Move && isDrag(start_, now_)) {
            const QTransform t = host_.pageToViewport();
            const QRect moved =
                t.mapRect(boundsOf(host_.pageAnnotations(), host_.selectedAnnotations()));
            paintDashedRect(p, moved.translated(now_ - start_));
        }
    }

private:
    enum class Mode { Idle, Band, Move };
    ToolHost& host_;
    Mode mode_ = Mode::Idle;
    QPoint start_;
    QPoint now_;
    bool additive_ = false;
};

// Lines and rectangles drawn by dragging; the freehand line follows the pointer.
class ShapeTool : public AnnotationTool {
public:
    ShapeTool(ToolHost& host, int tool) : host_(host), tool_(tool) {}

    void press(const QPoint& pos, Qt::KeyboardModifiers) override {
        drawing_ = true;
        start_ = now_ = pos;
        points_ = QPolygon({roundPoint(host_.toPage(pos))});
    }

    void move(const QPoint& pos) override {
        if (!drawing_) return;
        now_ = pos;
        if (tool_ == kToolFreehand) {
            const QPoint p = roundPoint(host_.toPage(pos));
            if (p != points_.back()) points_ << p;
        }
        host_.repaintTool();
    }

    void release(const QPoint& pos) override {
        if (!drawing_) return;
        move(pos);
        drawing_ = false;
        if (isDrag(start_, now_) || (tool_ == kToolFreehand && points_.size() > 2))
            host_.addAnnotation(current());
        host_.repaintTool();
    }

    void paint(QPainter& p) const override {
        if (drawing_ && isDrag(start_, now_))
            paintAnnotations(p, {current()}, host_.pageToViewport(), host_.pageDpi());
    }

private:
    Annotation current() const {
        Annotation a = host_.prototype(tool_);
        if (tool_ == kToolFreehand) {
            a.points = points_;
        } else if (tool_ == kToolStraightLine) {
            a.points = QPolygon({roundPoint(host_.toPage(start_)), roundPoint(host_.toPage(now_))});
        }
        a.bounds = isLine(a.kind) ? a.points.boundingRect() : pageRectBetween(host_, start_, now_);
        return a;
    }

    ToolHost& host_;
    int tool_;
    bool drawing_ = false;
    QPoint start_;
    QPoint now_;
    QPolygon points_;
};

// Text, notes, hyperlinks and text from a file: drag the box (or click for a box sized to the
// text), then give the text.
class TextTool : public AnnotationTool {
public:
    TextTool(ToolHost& host, int tool) : host_(host), tool_(tool) {}

    void press(const QPoint& pos, Qt::KeyboardModifiers) override {
        dragging_ = true;
        start_ = now_ = pos;
    }
    void move(const QPoint& pos) override {
        if (!dragging_) return;
        now_ = pos;
        host_.repaintTool();
    }
    void release(const QPoint& pos) override {
        if (!dragging_) return;
        now_ = pos;
        dragging_ = false;
        host_.repaintTool();
        const std::optional<QString> text = askText();
        if (!text || text->isEmpty()) return;
        Annotation a = host_.prototype(tool_);
        a.text = *text;
        a.bounds = isDrag(start_, now_)
                       ? pageRectBetween(host_, start_, now_)
                       : textBounds(a, roundPoint(host_.toPage(start_)), host_.pageDpi());
        host_.addAnnotation(a);
    }
    void paint(QPainter& p) const override {
        if (dragging_ && isDrag(start_, now_)) paintDashedRect(p, rectBetween(start_, now_));
    }

private:
    std::optional<QString> askText() {
        QWidget* parent = host_.dialogParent();
        switch (tool_) {
        case kToolHyperlink:
            return host_.dialogs().askText(parent, QObject::tr("Hyperlink"),
                                           QObject::tr("Link address:"), false);
        case kToolAttachANote:
            return host_.dialogs().askText(parent, QObject::tr("Attach-a-Note"),
                                           QObject::tr("Note text:"), true);
        case kToolTextFromFile: {
            const QString path =
                host_.dialogs().chooseFile(parent, QObject::tr("Text from File"),
                                           QObject::tr("Text files (*.txt);;All files (*)"));
            if (path.isEmpty()) return std::nullopt;
            QFile file(path);
            if (QFileInfo(path).size() > kMaxTextFileBytes || !file.open(QIODevice::ReadOnly))
                return std::nullopt;
            return QString::fromUtf8(file.read(kMaxTextFileBytes)).trimmed();
        }
        default:
            return host_.dialogs().askText(parent, QObject::tr("Typed Text"), QObject::tr("Text:"),
                                           true);
        }
    }

    ToolHost& host_;
    int tool_;
    bool dragging_ = false;
    QPoint start_;
    QPoint now_;
};

// The chosen rubber stamp, placed with its top-left corner where the button is released.
class StampTool : public AnnotationTool {
public:
    explicit StampTool(ToolHost& host) : host_(host) {}
    void press(const QPoint& pos, Qt::KeyboardModifiers) override {
        pressed_ = true;
        now_ = pos;
    }
    void move(const QPoint& pos) override {
        now_ = pos;
        host_.repaintTool();
    }
    void release(const QPoint& pos) override {
        now_ = pos;
        if (!std::exchange(pressed_, false)) return;
        host_.addAnnotation(placed());
    }
    void paint(QPainter& p) const override {
        // The outline of the stamp follows the pointer.
        paintDashedRect(p, host_.pageToViewport().mapRect(placed().bounds));
    }

private:
    Annotation placed() const {
        Annotation a = host_.prototype(kToolRubberStamp);
        a.bounds.moveTopLeft(roundPoint(host_.toPage(now_)));
        return a;
    }
    ToolHost& host_;
    bool pressed_ = false;
    QPoint now_;
};

} // namespace

std::unique_ptr<AnnotationTool> makeAnnotationTool(int tool, ToolHost& host) {
    switch (tool) {
    case kToolSelect:
        return std::make_unique<SelectTool>(host);
    case kToolFreehand:
    case kToolHighlighter:
    case kToolStraightLine:
    case kToolHollowRectangle:
    case kToolFilledRectangle:
        return std::make_unique<ShapeTool>(host, tool);
    case kToolTypedText:
    case kToolAttachANote:
    case kToolTextFromFile:
    case kToolHyperlink:
        return std::make_unique<TextTool>(host, tool);
    case kToolRubberStamp:
        return std::make_unique<StampTool>(host);
    default:
        return nullptr;
    }
}

QRect textBounds(const Annotation& a, const QPoint& topLeft, double dpi) {
    const int pixelSize = std::max(1, int(std::lround(a.fontSize * dpi / 72.0)));
    const QString text = a.text.isEmpty() ? QStringLiteral(" ") : a.text;
    if (isCode39Font(a.fontName) && !code39FontInstalled()) {
        // Drawn as a Code 39 symbol as tall as the font and about as wide as the barcode
        // font would set it (its narrow bar is about a 29th of the font size).
        try {
            const double module = std::max(1.0, pixelSize / 29.0);
            const int modules = int(code39Modules(text).size());
            return QRect(topLeft, QSize(int(std::lround(modules * module)), pixelSize));
        } catch (const Error&) {
            // Not encodable: the text itself is shown, measured below.
        }
    }
    QFont font;
    if (!a.fontName.isEmpty() && !isCode39Font(a.fontName)) font.setFamily(a.fontName);
    font.setPixelSize(pixelSize);
    font.setBold(a.fontBold);
    const QSize size = QFontMetrics(font).size(0, text);
    // Room around the text: the margin of a note, a little air for the others.
    const int pad = a.kind == AnnotationKind::AttachANote ? int(std::ceil(3 * dpi / 72.0)) + 1
                                                          : std::max(1, pixelSize / 8);
    return QRect(topLeft, size + QSize(2 * pad, 2 * pad));
}

int annotationAt(const AnnotationList& list, const QPointF& p, double tolerance) {
    for (int i = int(list.size()) - 1; i >= 0; --i) {
        const Annotation& a = list[std::size_t(i)];
        if (isLine(a.kind) && a.points.size() >= 2) {
            const double reach = tolerance + a.lineWidth / 2.0;
            for (int k = 0; k + 1 < a.points.size(); ++k)
                if (distanceToSegment(p, a.points[k], a.points[k + 1]) <= reach) return i;
            continue;
        }
        const int t = int(std::ceil(tolerance));
        if (a.bounds.adjusted(-t, -t, t, t).contains(roundPoint(p))) return i;
    }
    return -1;
}

QRect rectBetween(const QPoint& a, const QPoint& b) {
    return QRect(QPoint(std::min(a.x(), b.x()), std::min(a.y(), b.y())),
                 QSize(std::abs(a.x() - b.x()), std::abs(a.y() - b.y())));
}

QRect boundsOf(const AnnotationList& list, const std::vector<int>& indices) {
    QRect r;
    for (int i : indices)
        if (i >= 0 && std::size_t(i) < list.size()) r |= list[std::size_t(i)].bounds;
    return r;
}

} // namespace imaging
