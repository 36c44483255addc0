#pragma once
// The page display's edits as operation objects for DocumentModel::apply. Each one changes
// one page; annotations move with the pixels where the pixels move.
#include "imaging/annotations/Annotation.h"
#include "imaging/documents/DocumentModel.h"

#include <QImage>
#include <QPoint>
#include <QRect>
#include <memory>
#include <vector>

namespace imaging::edits {

using OperationPtr = std::unique_ptr<PageOperation>;

// Quarter turns, positive = clockwise.
OperationPtr rotate(int pageIndex, int quarterTurns);
// Vertical mirror (top to bottom).
OperationPtr flip(int pageIndex);
// Rotation by an angle found beforehand (degrees, positive = clockwise), background white.
OperationPtr straighten(int pageIndex, double degrees);
OperationPtr smooth(int pageIndex);
OperationPtr invert(int pageIndex);
// Paints a rectangle of the page (page pixels) white.
OperationPtr clearRect(int pageIndex, const QRect& rect);
// Draws a picture into the pixels at `pos` (page pixels).
OperationPtr pasteImage(int pageIndex, const QImage& piece, const QPoint& pos);

OperationPtr addAnnotations(int pageIndex, const AnnotationList& added);
// `indices` are positions in the page's annotation list.
OperationPtr removeAnnotations(int pageIndex, std::vector<int> indices);
OperationPtr moveAnnotations(int pageIndex, std::vector<int> indices, const QPoint& delta);

// Which annotations a burn-in makes permanent, and how they look in the pixels.
enum class BurnScope { Visible = 0, All = 1, Selected = 2 };
enum class BurnLook { Black = 1, AsShown = 2 };
// Burns the annotations (all of them, or those at `selected` for BurnScope::Selected) into
// the pixels and removes them from the page.
OperationPtr burnIn(int pageIndex, BurnScope scope, BurnLook look, std::vector<int> selected = {});

OperationPtr setResolution(int pageIndex, double xDpi, double yDpi);

// The resolution used for annotation fonts when a page states none.
inline constexpr double kDefaultDpi = 96.0;
inline double effectiveDpi(double dpi) {
    return dpi > 0 ? dpi : kDefaultDpi;
}

} // namespace imaging::edits
