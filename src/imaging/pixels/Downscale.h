#pragma once
// Scaling pages for display. Bitonal pages shrunk with gray scaling are area-averaged: every
// target pixel is the share of black among the source pixels it covers, which keeps thin
// strokes of a 300 dpi scan visible at 25-50%. The scaler takes rows one at a time, so a
// decoder can feed it scanlines without holding the full page.
#include <QImage>
#include <QSize>
#include <vector>

namespace imaging {

// The largest size with the aspect ratio of `size` that fits `box` (at least 1x1).
QSize fitSize(QSize size, QSize box);

class MonoDownscaler {
public:
    // Shrinks a srcWidth x srcHeight bitonal image to target (each side no larger).
    MonoDownscaler(int srcWidth, int srcHeight, QSize target);
    // Adds the next source row: packed bits, most significant bit first, 1 = black.
    void addRow(const uchar* bits);
    // The gray result (Format_Grayscale8), complete once every source row was added.
    QImage result() const { return out_; }

private:
    void emitRow();
    const std::vector<quint64>& reciprocals(int rows);
    int srcW_, srcH_;
    QImage out_;
    std::vector<int> segStart_;  // per source byte: first segment
    std::vector<int> segCol_;    // segment: target column ...
    std::vector<uchar> segMask_; // ... and the bits of the byte that fall into it
    std::vector<int> colWeight_; // source columns per target column
    std::vector<quint32> sum_;   // black pixels of the current target row
    std::vector<std::vector<quint64>> reciprocals_; // per rows-in-target-row: 255 * 2^24 / area
    int srcRow_ = 0;
    int dstRow_ = 0;
    int rowsInDst_ = 0;
    bool anyBlack_ = false; // the current target row has black
};

// Shrinks a 1-bit image (any colour table) to gray by area averaging.
QImage grayDownscale(const QImage& mono, QSize target);

// Shrinks a gray or 32-bit colour image by area averaging (target no larger than the
// image on either side): much faster than a general smooth scaler for large factors.
QImage areaDownscale(const QImage& image, QSize target);

// A decoded page scaled to fit `box`: bitonal pages with `grayScaling` area-averaged into
// gray, other pages smoothly; bitonal pages without gray scaling stay 1-bit.
QImage scaleForDisplay(const QImage& page, QSize box, bool grayScaling);

} // namespace imaging
