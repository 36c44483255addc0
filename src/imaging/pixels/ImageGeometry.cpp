#include "imaging/pixels/ImageGeometry.h"

#include <QTransform>
#include <cstring>

namespace imaging {

namespace {

// Transposes an 8x8 bit matrix held as eight bytes, most significant byte = row 0, most
// significant bit of a byte = column 0.
inline quint64 transpose8(quint64 x) {
    quint64 t;
    t = (x ^ (x >> 7)) & 0x00AA00AA00AA00AAULL;
    x = x ^ t ^ (t << 7);
    t = (x ^ (x >> 14)) & 0x0000CCCC0000CCCCULL;
    x = x ^ t ^ (t << 14);
    t = (x ^ (x >> 28)) & 0x00000000F0F0F0F0ULL;
    x = x ^ t ^ (t << 28);
    return x;
}

QImage transposeMono(const QImage& src) {
    const int w = src.width(), h = src.height();
    QImage dst(h, w, QImage::Format_Mono);
    dst.setColorTable(src.colorTable());
    dst.setDotsPerMeterX(src.dotsPerMeterY());
    dst.setDotsPerMeterY(src.dotsPerMeterX());
    dst.fill(0);
    const int srcBytes = (w + 7) / 8;
    const int dstBytes = (h + 7) / 8;
    for (int by = 0; by < dstBytes; ++by) { // block of 8 source rows
        const int y0 = by * 8;
        const uchar* rows[8];
        for (int i = 0; i < 8; ++i)
            rows[i] = y0 + i < h ? src.constScanLine(y0 + i) : nullptr;
        for (int bx = 0; bx < srcBytes; ++bx) { // block of 8 source columns
            quint64 x = 0;
            for (int i = 0; i < 8; ++i)
                x = (x << 8) | (rows[i] ? rows[i][bx] : 0);
            if (x == 0) continue;
            x = transpose8(x);
            const int x0 = bx * 8;
            for (int i = 0; i < 8 && x0 + i < w; ++i)
                dst.scanLine(x0 + i)[by] = uchar(x >> (56 - 8 * i));
        }
    }
    // Bits past the source width were zero in the matrix; bits past `h` in the destination
    // rows come from rows that did not exist, also zero.
    return dst;
}

QImage asMono(const QImage& image) {
    return image.format() == QImage::Format_MonoLSB ? image.convertToFormat(QImage::Format_Mono)
                                                    : image;
}

} // namespace

QImage transposed(const QImage& image) {
    if (image.isNull()) return image;
    if (image.depth() == 1) return transposeMono(asMono(image));
    // A quarter turn clockwise followed by a left-right mirror is a transpose; Qt turns
    // 8, 16, 24 and 32-bit images exactly.
    QImage out = image.transformed(QTransform().rotate(90)).mirrored(true, false);
    out.setDotsPerMeterX(image.dotsPerMeterY());
    out.setDotsPerMeterY(image.dotsPerMeterX());
    return out;
}

QImage mirrorLeftRight(const QImage& image) {
    return image.mirrored(true, false);
}

QImage flipTopBottom(const QImage& image) {
    return image.mirrored(false, true);
}

QImage rotateQuarterTurns(const QImage& image, int quarterTurns) {
    switch (((quarterTurns % 4) + 4) % 4) {
    case 1:
        return transposed(image).mirrored(true, false);
    case 2:
        return image.mirrored(true, true);
    case 3:
        return transposed(image).mirrored(false, true);
    default:
        return image;
    }
}

QImage applyOrientation(const QImage& stored, int orientation) {
    switch (orientation) {
    case 2: // row 0 at the top, column 0 at the right
        return stored.mirrored(true, false);
    case 3: // bottom right
        return stored.mirrored(true, true);
    case 4: // bottom left
        return stored.mirrored(false, true);
    case 5: // row 0 is the left side, column 0 the top
        return transposed(stored);
    case 6: // row 0 is the right side, column 0 the top
        return rotateQuarterTurns(stored, 1);
    case 7: // row 0 is the right side, column 0 the bottom
        return transposed(stored).mirrored(true, true);
    case 8: // row 0 is the left side, column 0 the bottom
        return rotateQuarterTurns(stored, 3);
    default:
        return stored;
    }
}

} // namespace imaging
