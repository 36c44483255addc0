#include "imaging/documents/PageEdits.h"

#include "imaging/pixels/ImageGeometry.h"

namespace imaging {

void rotateContent(PageContent& page, int quarterTurns) {
    const QSize before = page.image.size();
    page.annotations = rotateAnnotations(page.annotations, quarterTurns, before);
    page.image = rotateQuarterTurns(page.image, quarterTurns);
    if (quarterTurns % 2 != 0) std::swap(page.xDpi, page.yDpi);
}

void flipContent(PageContent& page) {
    page.annotations = flipAnnotations(page.annotations, page.image.size());
    page.image = flipTopBottom(page.image);
}

std::unique_ptr<PageOperation> rotatePage(int pageIndex, int quarterTurns) {
    const QString name = quarterTurns == 1    ? QStringLiteral("Rotate right")
                         : quarterTurns == -1 ? QStringLiteral("Rotate left")
                                              : QStringLiteral("Rotate");
    return makeOperation(name, pageIndex,
                         [quarterTurns](PageContent& page) { rotateContent(page, quarterTurns); });
}

std::unique_ptr<PageOperation> flipPage(int pageIndex) {
    return makeOperation(QStringLiteral("Flip"), pageIndex,
                         [](PageContent& page) { flipContent(page); });
}

std::unique_ptr<PageOperation> setPageAnnotations(int pageIndex, AnnotationList annotations) {
    return makeOperation(
        QStringLiteral("Annotate"), pageIndex,
        [list = std::move(annotations)](PageContent& page) { page.annotations = list; }, true);
}

std::unique_ptr<PageOperation> makeAnnotationsPermanent(int pageIndex) {
    return makeOperation(QStringLiteral("Make annotations permanent"), pageIndex,
                         [](PageContent& page) {
                             burnAnnotations(page.image, page.annotations, page.xDpi);
                             page.annotations.clear();
                         });
}

} // namespace imaging
