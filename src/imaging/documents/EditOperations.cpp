#include "imaging/documents/EditOperations.h"

#include "imaging/pixels/ImageOps.h"
#include "imaging/pixels/ImagingError.h"
#include "imaging/documents/PageEdits.h"

#include <algorithm>
#include <functional>
#include <set>

namespace imaging::edits {

namespace {

using Change = std::function<void(PageContent&)>;

OperationPtr pixels(QString name, int pageIndex, Change change) {
    return makeOperation(std::move(name), pageIndex, std::move(change), false);
}

OperationPtr annotationsOnly(QString name, int pageIndex, Change change) {
    return makeOperation(std::move(name), pageIndex, std::move(change), true);
}

void requireImage(const PageContent& page) {
    if (page.image.isNull())
        throw Error(kErrNoDocument, QStringLiteral("The page has no image to change."));
}

// The distinct valid positions of `indices` in a list of `size`, highest first, so that
// erasing them one by one keeps the others valid.
std::vector<int> validDescending(std::vector<int> indices, std::size_t size) {
    std::set<int, std::greater<>> unique;
    for (int i : indices)
        if (i >= 0 && std::size_t(i) < size) unique.insert(i);
    return {unique.begin(), unique.end()};
}

} // namespace

OperationPtr rotate(int pageIndex, int quarterTurns) {
    return pixels(quarterTurns > 0 ? QStringLiteral("Rotate right") : QStringLiteral("Rotate left"),
                  pageIndex, [quarterTurns](PageContent& page) {
                      requireImage(page);
                      rotateContent(page, quarterTurns);
                  });
}

OperationPtr flip(int pageIndex) {
    return pixels(QStringLiteral("Flip"), pageIndex, [](PageContent& page) {
        requireImage(page);
        flipContent(page);
    });
}

OperationPtr straighten(int pageIndex, double degrees) {
    return pixels(QStringLiteral("Deskew"), pageIndex, [degrees](PageContent& page) {
        requireImage(page);
        page.image = ops::rotateByAngle(page.image, degrees);
    });
}

OperationPtr smooth(int pageIndex) {
    return pixels(QStringLiteral("Smooth"), pageIndex, [](PageContent& page) {
        requireImage(page);
        page.image = ops::despeckle(page.image);
    });
}

OperationPtr invert(int pageIndex) {
    return pixels(QStringLiteral("Invert"), pageIndex, [](PageContent& page) {
        requireImage(page);
        page.image = ops::invert(page.image);
    });
}

OperationPtr clearRect(int pageIndex, const QRect& rect) {
    return pixels(QStringLiteral("Clear"), pageIndex, [rect](PageContent& page) {
        requireImage(page);
        ops::clearToWhite(page.image, rect);
    });
}

OperationPtr pasteImage(int pageIndex, const QImage& piece, const QPoint& pos) {
    return pixels(QStringLiteral("Paste"), pageIndex, [piece, pos](PageContent& page) {
        requireImage(page);
        ops::pasteInto(page.image, piece, pos);
    });
}

OperationPtr addAnnotations(int pageIndex, const AnnotationList& added) {
    return annotationsOnly(QStringLiteral("Add annotation"), pageIndex, [added](PageContent& page) {
        page.annotations.insert(page.annotations.end(), added.begin(), added.end());
    });
}

OperationPtr removeAnnotations(int pageIndex, std::vector<int> indices) {
    return annotationsOnly(QStringLiteral("Delete annotations"), pageIndex,
                           [indices = std::move(indices)](PageContent& page) {
                               for (int i : validDescending(indices, page.annotations.size()))
                                   page.annotations.erase(page.annotations.begin() + i);
                           });
}

OperationPtr moveAnnotations(int pageIndex, std::vector<int> indices, const QPoint& delta) {
    return annotationsOnly(QStringLiteral("Move annotations"), pageIndex,
                           [indices = std::move(indices), delta](PageContent& page) {
                               for (int i : validDescending(indices, page.annotations.size())) {
                                   Annotation& a = page.annotations[std::size_t(i)];
                                   a.bounds.translate(delta);
                                   a.points.translate(delta);
                               }
                           });
}

OperationPtr burnIn(int pageIndex, BurnScope scope, BurnLook look, std::vector<int> selected) {
    return pixels(QStringLiteral("Make annotations permanent"), pageIndex,
                  [scope, look, selected = std::move(selected)](PageContent& page) {
                      requireImage(page);
                      std::vector<int> chosen;
                      if (scope == BurnScope::Selected) {
                          chosen = validDescending(selected, page.annotations.size());
                      } else {
                          for (int i = int(page.annotations.size()) - 1; i >= 0; --i)
                              chosen.push_back(i);
                      }
                      AnnotationList burnt;
                      for (auto it = chosen.rbegin(); it != chosen.rend(); ++it) {
                          Annotation a = page.annotations[std::size_t(*it)];
                          if (look == BurnLook::Black) {
                              a.lineColor = Qt::black;
                              if (a.fillColor != Qt::white) a.fillColor = Qt::black;
                          }
                          burnt.push_back(std::move(a));
                      }
                      burnAnnotations(page.image, burnt, effectiveDpi(page.yDpi));
                      for (int i : chosen)
                          page.annotations.erase(page.annotations.begin() + i);
                  });
}

OperationPtr setResolution(int pageIndex, double xDpi, double yDpi) {
    if (xDpi <= 0 || yDpi <= 0 || xDpi > 10000 || yDpi > 10000)
        throw Error(kErrBadArgument, QStringLiteral("The resolution must be between 1 and 10000 "
                                                    "dots per inch."));
    return pixels(QStringLiteral("Page properties"), pageIndex, [xDpi, yDpi](PageContent& page) {
        page.xDpi = xDpi;
        page.yDpi = yDpi;
    });
}

} // namespace imaging::edits
