#pragma once
// Annotations: marks kept apart from a page's pixels until they are made permanent.
// Coordinates are page pixels of the page as displayed (after its orientation is applied).
#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QPolygon>
#include <QRect>
#include <QString>
#include <vector>

class QPainter;
class QTransform;

namespace imaging {

enum class AnnotationKind : int {
    FreehandLine = 1,
    Highlighter = 2,
    StraightLine = 3,
    HollowRectangle = 4,
    FilledRectangle = 5,
    TypedText = 6,
    AttachANote = 7, // text on a filled note
    TextFromFile = 8,
    Hyperlink = 9,
    TextStamp = 10,
    ImageStamp = 11,
};

struct Annotation {
    AnnotationKind kind = AnnotationKind::FreehandLine;
    QRect bounds;           // page pixels; for lines the bounding box of `points`
    QPolygon points;        // freehand and straight lines (page pixels)
    QColor lineColor = Qt::red;
    QColor fillColor = Qt::yellow;
    int lineWidth = 2;      // page pixels
    int style = 0;          // 0 opaque, 1 transparent (highlighter-like blending)
    QString fontName;       // text kinds
    double fontSize = 12;   // points, rendered at the page's resolution
    bool fontBold = false;
    QString text;           // text kinds, hyperlink target for Hyperlink
    QImage image;           // ImageStamp only
    QString group;          // annotation group name ("" = none)
    int rotation = 0;       // quarter turns (clockwise) of text and images inside `bounds`

    bool operator==(const Annotation& o) const;
};

using AnnotationList = std::vector<Annotation>;

// The private TIFF tag that holds a page's annotations (see docs/annotation-format.md).
inline constexpr int kAnnotationTiffTag = 65100;

// Serialised form stored in the tag: a small versioned document. The reader never trusts
// its input: any malformed, oversized or unknown-version data raises Error(kErrBadFile).
// An empty list serialises to no bytes (the tag is then left out), and no bytes parse as
// an empty list. Bounds the reader enforces:
inline constexpr int kMaxAnnotationBytes = 16 * 1024 * 1024;     // whole tag
inline constexpr int kMaxAnnotationsPerPage = 10000;
inline constexpr int kMaxAnnotationPoints = 100000;              // one line
inline constexpr int kMaxAnnotationPointsPerPage = 1000000;
inline constexpr int kMaxAnnotationText = 65536;                 // characters
inline constexpr int kMaxAnnotationCoordinate = 1000000;
inline constexpr int kMaxAnnotationImageBytes = 8 * 1024 * 1024; // PNG of an image stamp
inline constexpr int kMaxAnnotationImageSide = 4096;
QByteArray serializeAnnotations(const AnnotationList& list);
AnnotationList parseAnnotations(const QByteArray& data);

// Paints annotations on a device; `pageToDevice` maps page pixels to device coordinates and
// `dpi` is the page's resolution (fonts are sized in points at that resolution). A font named
// "Free 3 of 9" that is not installed is drawn as a real Code 39 barcode.
void paintAnnotations(QPainter& painter, const AnnotationList& list,
                      const QTransform& pageToDevice, double dpi);

// Burns annotations into the page's pixels (make permanent). A bitonal page stays bitonal.
void burnAnnotations(QImage& page, const AnnotationList& list, double dpi);

// Moves annotations with their page: quarter turns (positive = clockwise) and a flip
// (vertical mirror, top to bottom) of a page of size `pageSize` (size before the change).
AnnotationList rotateAnnotations(const AnnotationList& list, int quarterTurns, QSize pageSize);
AnnotationList flipAnnotations(const AnnotationList& list, QSize pageSize);

} // namespace imaging
