#pragma once
// Quarter turns, mirrors and the eight TIFF orientations for every image format the engine
// hands out. 1-bit images (QImage::Format_Mono) stay 1-bit and are turned with a fast
// bit-matrix transpose.
#include <QImage>

namespace imaging {

// The page as displayed for pixels stored with TIFF Orientation `orientation` (1..8; other
// values are treated as 1).
QImage applyOrientation(const QImage& stored, int orientation);

// Turns the image by `quarterTurns` quarter turns, positive clockwise.
QImage rotateQuarterTurns(const QImage& image, int quarterTurns);

// Mirrors top to bottom (vertical flip) or left to right.
QImage flipTopBottom(const QImage& image);
QImage mirrorLeftRight(const QImage& image);

// Rows become columns: pixel (x, y) moves to (y, x).
QImage transposed(const QImage& image);

} // namespace imaging
