#pragma once
// The annotation tools of the page display: what the mouse does while a tool is chosen.
// A tool sees the page through a ToolHost (coordinates, the page's annotations, the
// selection, a way to add annotations and to ask for text), so it can be driven in tests
// without a widget.
#include "imaging/annotations/Annotation.h"

#include <QPoint>
#include <QPointF>
#include <QTransform>
#include <memory>
#include <optional>
#include <vector>

class QPainter;
class QWidget;

namespace imaging {

class EditDialogs;

// Tool numbers at the page display's interface.
enum AnnotationToolNumber : int {
    kToolNone = 0,
    kToolSelect = 1,
    kToolFreehand = 2,
    kToolHighlighter = 3,
    kToolStraightLine = 4,
    kToolHollowRectangle = 5,
    kToolFilledRectangle = 6,
    kToolTypedText = 7,
    kToolAttachANote = 8,
    kToolTextFromFile = 9,
    kToolRubberStamp = 10,
    kToolHyperlink = 11,
};
inline constexpr int kLastTool = kToolHyperlink;

class ToolHost {
public:
    virtual ~ToolHost() = default;
    // Viewport position to page pixels and back.
    virtual QPointF toPage(const QPoint& viewportPos) const = 0;
    virtual QTransform pageToViewport() const = 0;
    virtual QSize pageSize() const = 0;
    virtual double pageDpi() const = 0;
    virtual const AnnotationList& pageAnnotations() const = 0;
    virtual const std::vector<int>& selectedAnnotations() const = 0;
    virtual void selectAnnotations(std::vector<int> indices) = 0;
    virtual void moveSelectedAnnotations(const QPoint& delta) = 0;
    virtual void addAnnotation(const Annotation& annotation) = 0;
    // A new annotation of the tool's kind with the current colours, font and group.
    virtual Annotation prototype(int tool) const = 0;
    virtual EditDialogs& dialogs() = 0;
    virtual QWidget* dialogParent() = 0;
    virtual void repaintTool() = 0;
};

class AnnotationTool {
public:
    virtual ~AnnotationTool() = default;
    virtual void press(const QPoint& pos, Qt::KeyboardModifiers modifiers) = 0;
    virtual void move(const QPoint& pos) = 0;
    virtual void release(const QPoint& pos) = 0;
    // What the tool shows while it works, in viewport coordinates.
    virtual void paint(QPainter& /*painter*/) const {}
};

// The tool for a tool number; null for 0 (no tool).
std::unique_ptr<AnnotationTool> makeAnnotationTool(int tool, ToolHost& host);

// Bounds of a text annotation at `topLeft` sized to its text (fonts are points at `dpi`).
QRect textBounds(const Annotation& annotation, const QPoint& topLeft, double dpi);

// The topmost annotation under `pagePos` (within `tolerance` page pixels of a line), or -1.
int annotationAt(const AnnotationList& list, const QPointF& pagePos, double tolerance);

// The rectangle spanned by dragging from `a` to `b` (b itself lies just outside it).
QRect rectBetween(const QPoint& a, const QPoint& b);

// The union of the bounds of the annotations at `indices`.
QRect boundsOf(const AnnotationList& list, const std::vector<int>& indices);

} // namespace imaging
