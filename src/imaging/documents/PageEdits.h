#pragma once
// Ready-made page operations for DocumentModel::apply(): turning and flipping a page moves
// its annotations with it; making annotations permanent burns them into the pixels.
#include "imaging/documents/DocumentModel.h"

namespace imaging {

// Quarter turns, positive clockwise (the pixels, the resolution and the annotations).
std::unique_ptr<PageOperation> rotatePage(int pageIndex, int quarterTurns);
// Mirror top to bottom.
std::unique_ptr<PageOperation> flipPage(int pageIndex);
// Replaces the page's annotations (an annotations-only change).
std::unique_ptr<PageOperation> setPageAnnotations(int pageIndex, AnnotationList annotations);
// Burns the annotations into the pixels and removes them; bitonal pages stay bitonal.
std::unique_ptr<PageOperation> makeAnnotationsPermanent(int pageIndex);

// The same changes on a PageContent, for operations that combine them.
void rotateContent(PageContent& page, int quarterTurns);
void flipContent(PageContent& page);

} // namespace imaging
