#include "imaging/pixels/Downscale.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

namespace imaging {

QSize fitSize(QSize size, QSize box) {
    if (size.isEmpty() || box.isEmpty()) return QSize(1, 1);
    QSize s = size.scaled(box, Qt::KeepAspectRatio);
    return QSize(std::max(1, s.width()), std::max(1, s.height()));
}

namespace {
// Bits set in a byte (a table: the portable builtin is a library call without POPCNT).
constexpr std::array<uchar, 256> kBitCount = [] {
    std::array<uchar, 256> t{};
    for (int i = 0; i < 256; ++i)
        t[size_t(i)] = uchar(std::popcount(uint(i)));
    return t;
}();

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
    const auto add = [&](int k) {
        const uchar v = bits[k];
        if (!v) return;
        anyBlack_ = true;
        for (int s = segStart_[size_t(k)]; s < segStart_[size_t(k) + 1]; ++s)
            sum_[size_t(segCol_[size_t(s)])] += kBitCount[v & segMask_[size_t(s)]];
    };
    int b = 0;
    // Most of a text page is white: skip zero bytes eight at a time.
    for (; b + 8 <= bytes; b += 8) {
        quint64 word;
        std::memcpy(&word, bits + b, 8);
        if (word != 0)
            for (int k = b; k < b + 8; ++k)
                add(k);
    }
    for (; b < bytes; ++b)
        add(b);
    ++rowsInDst_;
    ++srcRow_;
    if (srcRow_ == srcH_)
        while (dstRow_ < out_.height())
            emitRow();
}

const std::vector<quint64>& MonoDownscaler::reciprocals(int rows) {
    if (size_t(rows) >= reciprocals_.size()) reciprocals_.resize(size_t(rows) + 1);
    std::vector<quint64>& r = reciprocals_[size_t(rows)];
    if (r.empty()) {
        r.resize(colWeight_.size());
        for (size_t x = 0; x < r.size(); ++x) {
            const quint64 area = quint64(colWeight_[x]) * quint64(rows);
            r[x] = area ? ((255ull << 24) + area / 2) / area : 0;
        }
    }
    return r;
}

void MonoDownscaler::emitRow() {
    uchar* line = out_.scanLine(dstRow_);
    const int w = out_.width();
    if (!anyBlack_) {
        std::memset(line, 255, size_t(w));
    } else {
        const std::vector<quint64>& recip = reciprocals(std::max(1, rowsInDst_));
        for (int x = 0; x < w; ++x) // 255 - 255 * black / area, without a division
            line[x] = uchar(255 - ((sum_[size_t(x)] * recip[size_t(x)] + (1u << 23)) >> 24));
        std::fill(sum_.begin(), sum_.end(), 0);
    }
    anyBlack_ = false;
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

QImage areaDownscale(const QImage& input, QSize target) {
    const bool gray = input.format() == QImage::Format_Grayscale8;
    const bool rgb = input.format() == QImage::Format_RGB888;
    QImage src =
        gray || rgb ? input
                    : input.convertToFormat(input.hasAlphaChannel()
                                                ? QImage::Format_ARGB32_Premultiplied
                                                : QImage::Format_RGB32);
    const int sw = src.width(), sh = src.height();
    const int dw = std::clamp(target.width(), 1, sw), dh = std::clamp(target.height(), 1, sh);
    const int channels = gray ? 1 : rgb ? 3 : 4;
    QImage out(dw, dh, src.format());
    // Every source pixel counts for the target pixel its centre falls into.
    std::vector<int> colOf(static_cast<size_t>(sw)), colWeight(static_cast<size_t>(dw), 0);
    for (int x = 0; x < sw; ++x) {
        colOf[size_t(x)] = mapIndex(x, sw, dw);
        ++colWeight[size_t(colOf[size_t(x)])];
    }
    std::vector<quint32> sum(static_cast<size_t>(dw) * channels);
    std::vector<quint64> recip(static_cast<size_t>(dw));
    int y = 0;
    for (int ty = 0; ty < dh; ++ty) {
        std::fill(sum.begin(), sum.end(), 0);
        int rows = 0;
        for (; y < sh && mapIndex(y, sh, dh) == ty; ++y, ++rows) {
            const uchar* line = src.constScanLine(y);
            for (int x = 0; x < sw; ++x) {
                quint32* acc = sum.data() + size_t(colOf[size_t(x)]) * channels;
                const uchar* px = line + size_t(x) * channels;
                for (int c = 0; c < channels; ++c)
                    acc[c] += px[c];
            }
        }
        for (int x = 0; x < dw; ++x) {
            const quint64 area = quint64(colWeight[size_t(x)]) * quint64(std::max(1, rows));
            recip[size_t(x)] = ((1ull << 24) + area / 2) / area;
        }
        uchar* outLine = out.scanLine(ty);
        for (int x = 0; x < dw; ++x)
            for (int c = 0; c < channels; ++c)
                outLine[x * channels + c] =
                    uchar((sum[size_t(x) * channels + c] * recip[size_t(x)] + (1u << 23)) >> 24);
    }
    return out.format() == QImage::Format_ARGB32_Premultiplied
               ? out.convertToFormat(QImage::Format_ARGB32)
               : out;
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
    // Shrinking by half or more: area averaging; otherwise Qt's smooth scaling.
    const bool gray = page.format() == QImage::Format_Grayscale8;
    if ((gray || page.depth() == 32 || page.format() == QImage::Format_RGB888) &&
        target.width() * 2 <= page.width() &&
        target.height() * 2 <= page.height())
        return areaDownscale(page, target);
    return page.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

} // namespace imaging
