#include "imaging/Downscale.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace imaging {

QSize fitSize(QSize size, QSize box) {
    if (size.isEmpty() || box.isEmpty()) return QSize(1, 1);
    QSize s = size.scaled(box, Qt::KeepAspectRatio);
    return QSize(std::max(1, s.width()), std::max(1, s.height()));
}

namespace {
// Target index of source index `i` when `src` units map onto `dst` (by centres).
inline int mapIndex(qint64 i, int src, int dst) {
    return int(((2 * i + 1) * dst) / (2 * src));
}
} // namespace

MonoDownscaler::MonoDownscaler(int srcWidth, int srcHeight, QSize target)
    : srcW_(srcWidth), srcH_(srcHeight),
      out_(std::max(1, std::min(target.width(), srcWidth)),
           std::max(1, std::min(target.height(), srcHeight)), QImage::Format_Grayscale8) {
    const int dstW = out_.width();
    const int bytes = (srcW_ + 7) / 8;
    segStart_.resize(size_t(bytes) + 1);
    colWeight_.assign(size_t(dstW), 0);
    for (int b = 0; b < bytes; ++b) {
        segStart_[size_t(b)] = int(segCol_.size());
        for (int bit = 0; bit < 8; ++bit) {
            const int x = b * 8 + bit;
            if (x >= srcW_) break; // padding bits never count
            const int col = mapIndex(x, srcW_, dstW);
            ++colWeight_[size_t(col)];
            const uchar mask = uchar(0x80u >> bit);
            if (segCol_.size() > size_t(segStart_[size_t(b)]) && segCol_.back() == col)
                segMask_.back() |= mask;
            else {
                segCol_.push_back(col);
                segMask_.push_back(mask);
            }
        }
    }
    segStart_[size_t(bytes)] = int(segCol_.size());
    sum_.assign(size_t(dstW), 0);
}

void MonoDownscaler::addRow(const uchar* bits) {
    if (srcRow_ >= srcH_) return;
    const int target = mapIndex(srcRow_, srcH_, out_.height());
    while (dstRow_ < target)
        emitRow();
    const int bytes = (srcW_ + 7) / 8;
    int b = 0;
    // Most of a text page is white: skip zero bytes eight at a time.
    for (; b + 8 <= bytes; b += 8) {
        quint64 word;
        std::memcpy(&word, bits + b, 8);
        if (word == 0) continue;
        for (int k = b; k < b + 8; ++k) {
            const uchar v = bits[k];
            if (!v) continue;
            for (int s = segStart_[size_t(k)]; s < segStart_[size_t(k) + 1]; ++s)
                sum_[size_t(segCol_[size_t(s)])] +=
                    quint32(std::popcount(uint(v & segMask_[size_t(s)])));
        }
    }
    for (; b < bytes; ++b) {
        const uchar v = bits[b];
        if (!v) continue;
        for (int s = segStart_[size_t(b)]; s < segStart_[size_t(b) + 1]; ++s)
            sum_[size_t(segCol_[size_t(s)])] +=
                quint32(std::popcount(uint(v & segMask_[size_t(s)])));
    }
    ++rowsInDst_;
    ++srcRow_;
    if (srcRow_ == srcH_)
        while (dstRow_ < out_.height())
            emitRow();
}

void MonoDownscaler::emitRow() {
    uchar* line = out_.scanLine(dstRow_);
    const int w = out_.width();
    for (int x = 0; x < w; ++x) {
        const quint32 area = quint32(colWeight_[size_t(x)]) * quint32(std::max(1, rowsInDst_));
        line[x] = area == 0 ? 255 : uchar(255 - (sum_[size_t(x)] * 255 + area / 2) / area);
    }
    std::fill(sum_.begin(), sum_.end(), 0);
    rowsInDst_ = 0;
    ++dstRow_;
}

QImage grayDownscale(const QImage& mono, QSize target) {
    QImage src =
        mono.format() == QImage::Format_Mono ? mono : mono.convertToFormat(QImage::Format_Mono);
    // Index 1 is black in the engine's bitonal images; a table the other way round is
    // inverted first.
    const bool oneIsBlack = src.colorCount() < 2 || qGray(src.color(1)) < qGray(src.color(0));
    MonoDownscaler scaler(src.width(), src.height(), target);
    std::vector<uchar> row;
    for (int y = 0; y < src.height(); ++y) {
        const uchar* bits = src.constScanLine(y);
        if (!oneIsBlack) {
            row.assign(bits, bits + (src.width() + 7) / 8);
            for (uchar& v : row)
                v = uchar(~v);
            bits = row.data();
        }
        scaler.addRow(bits);
    }
    QImage out = scaler.result();
    out.setDotsPerMeterX(0);
    out.setDotsPerMeterY(0);
    return out;
}

QImage scaleForDisplay(const QImage& page, QSize box, bool grayScaling) {
    if (page.isNull()) return page;
    const QSize target = fitSize(page.size(), box);
    if (target == page.size()) return page;
    if (page.depth() == 1) {
        if (!grayScaling) return page.scaled(target, Qt::IgnoreAspectRatio, Qt::FastTransformation);
        if (target.width() <= page.width() && target.height() <= page.height())
            return grayDownscale(page, target);
        return page.convertToFormat(QImage::Format_Grayscale8)
            .scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    return page.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

} // namespace imaging
