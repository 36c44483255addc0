#pragma once
// Pure image algorithms of the page display: no documents, no widgets, no threads of their
// own (quarter turns, mirrors and display scaling are in ImageGeometry.h and Downscale.h). Every
// function takes pages in the formats the decoder produces (Format_Mono for bitonal pages,
// Grayscale8 for gray, RGB32/ARGB32 for colour) and returns the same format unless it says
// otherwise. A bitonal result always has white at colour index 0 and black at index 1.
#include <QImage>
#include <QRect>
#include <QSize>

namespace imaging::ops {

// True for 1-bit images (Mono and MonoLSB).
bool isBitonal(const QImage& image);

// A bitonal copy of any image: gray values below `threshold` become black.
QImage toBitonal(const QImage& image, int threshold = 128);

// Black becomes white and white black (colours are inverted channel by channel).
QImage invert(const QImage& image);

// Skew of the text lines of a page in degrees, positive when lines descend to the right
// (clockwise as seen on screen). Projection profiles over +-maxDegrees, searched coarse to fine
// on a downscaled copy. A page without structure gives 0.
double estimateSkew(const QImage& image, double maxDegrees = 15.0);

// Rotates by `degrees` (positive = clockwise) about the centre, keeping the page size;
// uncovered corners are white. Bitonal pages stay bitonal.
QImage rotateByAngle(const QImage& image, double degrees);

// Straightens a page by its estimated skew; the angle found is stored in `angle` when given.
// Angles whose magnitude is not above `minDegrees` leave the page unchanged.
QImage deskew(const QImage& image, double minDegrees = 0.0, double* angle = nullptr);

// Bitonal pages: removes isolated black specks of one or two pixels and fills white
// pinholes of the same size. Gray and colour pages: a 3x3 median.
QImage despeckle(const QImage& image);

// Paints `rect` white (clipped to the image).
void clearToWhite(QImage& image, const QRect& rect);

// Draws `piece` onto `page` with its top-left corner at `pos`, converted to the page's
// format (thresholded for a bitonal page). Parts outside the page are dropped.
void pasteInto(QImage& page, const QImage& piece, const QPoint& pos);

// The part `target` (in the coordinates of the page scaled by `scale`) of the page scaled by
// `scale`. Bitonal pages reduced with `grayScaling` are area-averaged into gray; enlargements
// of bitonal pages stay sharp (nearest neighbour); gray and colour pages are scaled smoothly.
QImage renderRegion(const QImage& page, double scale, const QRect& target, bool grayScaling);
// The same, drawn into `reuse` when it is an RGB32 image of the target's size held nowhere
// else (a rendering let go: its memory is written again instead of new memory being mapped).
QImage renderRegion(const QImage& page, double scale, const QRect& target, bool grayScaling,
                    QImage reuse);

} // namespace imaging::ops
