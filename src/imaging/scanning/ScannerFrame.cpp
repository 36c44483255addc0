#include "imaging/scanning/ScannerFrame.h"

#include "imaging/documents/Document.h"
#include "imaging/pixels/ImagingError.h"

#include <cstring>

namespace imaging {

namespace {

bool isSinglePass(FrameFormat f) {
    return f == FrameFormat::Gray || f == FrameFormat::Rgb;
}

int channelsOf(FrameFormat f) {
    return f == FrameFormat::Rgb ? 3 : 1;
}

int channelIndex(FrameFormat f) {
    switch (f) {
    case FrameFormat::Red:
        return 0;
    case FrameFormat::Green:
        return 1;
    case FrameFormat::Blue:
        return 2;
    default:
        return 0;
    }
}

// Sample `i` of a line of `depth`-bit samples, as 8 bits.
inline uchar sampleAt(const unsigned char* line, int i, int depth) {
    switch (depth) {
    case 1:
        return (line[i >> 3] & (0x80 >> (i & 7))) ? 255 : 0;
    case 8:
        return line[i];
    default: {
        quint16 v;
        std::memcpy(&v, line + 2 * i, 2);
        return uchar(v >> 8);
    }
    }
}

[[noreturn]] void refuse(const QString& what) {
    throw Error(kErrScanner,
                QStringLiteral("The scanner sent image data that cannot be used: ") + what);
}

} // namespace

void FrameAssembler::beginPage() {
    image_ = QImage();
    pending_.clear();
    row_ = maxRows_ = framesSeen_ = 0;
    frameBytes_ = 0;
    inFrame_ = complete_ = false;
}

void FrameAssembler::beginFrame(const FrameParameters& p) {
    if (complete_) beginPage();
    if (p.depth != 1 && p.depth != 8 && p.depth != 16)
        refuse(QStringLiteral("%1 bits per sample.").arg(p.depth));
    if (p.pixelsPerLine <= 0 || p.pixelsPerLine > kMaxPageDimension || p.lines == 0 ||
        p.lines > kMaxPageDimension)
        refuse(QStringLiteral("a page of %1 x %2 pixels.").arg(p.pixelsPerLine).arg(p.lines));
    const qint64 needed = (qint64(p.pixelsPerLine) * channelsOf(p.format) * p.depth + 7) / 8;
    if (p.bytesPerLine < needed)
        refuse(QStringLiteral("%1 bytes per line for %2 pixels.")
                   .arg(p.bytesPerLine)
                   .arg(p.pixelsPerLine));
    if (!isSinglePass(p.format)) {
        if (p.lines < 0) refuse(QStringLiteral("a three-pass colour page of unknown height."));
        if (framesSeen_ > 0 && (p.pixelsPerLine != image_.width() || p.lines != image_.height()))
            refuse(QStringLiteral("colour passes of different sizes."));
    } else if (framesSeen_ > 0) {
        refuse(QStringLiteral("a gray or colour frame after another frame of the same page."));
    }
    const qint64 rowBytes = qint64(p.pixelsPerLine) * (p.format == FrameFormat::Gray ? 1 : 3);
    if (p.lines > 0 && rowBytes * p.lines > kMaxDecodedPageBytes)
        refuse(QStringLiteral("a page larger than %1 MiB.").arg(kMaxDecodedPageBytes >> 20));

    params_ = p;
    if (framesSeen_ == 0) {
        const int initialRows = p.lines > 0 ? p.lines : 256;
        if (p.format == FrameFormat::Gray && p.depth == 1) {
            image_ = QImage(p.pixelsPerLine, initialRows, QImage::Format_Mono);
            image_.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
        } else if (p.format == FrameFormat::Gray) {
            image_ = QImage(p.pixelsPerLine, initialRows, QImage::Format_Grayscale8);
        } else {
            image_ = QImage(p.pixelsPerLine, initialRows, QImage::Format_RGB888);
        }
        if (image_.isNull())
            throw Error(kErrScanner, QStringLiteral("Not enough memory for the scanned page."));
        image_.fill(0);
    }
    ++framesSeen_;
    pending_.clear();
    row_ = 0;
    frameBytes_ = 0;
    inFrame_ = true;
}

qint64 FrameAssembler::frameBytesExpected() const {
    return params_.lines < 0 ? -1 : qint64(params_.lines) * params_.bytesPerLine;
}

void FrameAssembler::ensureRows(int rows) {
    if (rows <= image_.height()) return;
    if (rows > kMaxPageDimension || qint64(image_.bytesPerLine()) * rows > kMaxDecodedPageBytes)
        refuse(QStringLiteral("a page longer than the largest page allowed."));
    const int newHeight = std::min(kMaxPageDimension, std::max(rows, image_.height() * 2));
    QImage grown(image_.width(), newHeight, image_.format());
    if (grown.isNull())
        throw Error(kErrScanner, QStringLiteral("Not enough memory for the scanned page."));
    grown.setColorTable(image_.colorTable());
    grown.fill(0);
    std::memcpy(grown.bits(), image_.constBits(), size_t(image_.sizeInBytes()));
    image_ = std::move(grown);
}

void FrameAssembler::addData(const unsigned char* data, int length) {
    if (!inFrame_ || length <= 0) return;
    frameBytes_ += length;
    const int bpl = params_.bytesPerLine;
    while (length > 0) {
        if (pending_.isEmpty() && length >= bpl) {
            convertLine(data);
            data += bpl;
            length -= bpl;
            continue;
        }
        const int take = std::min(length, bpl - int(pending_.size()));
        pending_.append(reinterpret_cast<const char*>(data), take);
        data += take;
        length -= take;
        if (pending_.size() == bpl) {
            convertLine(reinterpret_cast<const unsigned char*>(pending_.constData()));
            pending_.clear();
        }
    }
}

void FrameAssembler::convertLine(const unsigned char* src) {
    if (params_.lines > 0 && row_ >= params_.lines)
        return; // more lines than announced: the page is as long as stated
    ensureRows(row_ + 1);
    uchar* dst = image_.scanLine(row_);
    const int w = params_.pixelsPerLine;
    const int depth = params_.depth;
    switch (params_.format) {
    case FrameFormat::Gray:
        if (depth == 1) {
            const int full = w / 8;
            std::memcpy(dst, src, size_t(full));
            if (w % 8) // padding bits of the last byte are undefined: clear them
                dst[full] = src[full] & uchar(0xff << (8 - w % 8));
        } else if (depth == 8) {
            std::memcpy(dst, src, size_t(w));
        } else {
            for (int x = 0; x < w; ++x)
                dst[x] = sampleAt(src, x, 16);
        }
        break;
    case FrameFormat::Rgb:
        if (depth == 8)
            std::memcpy(dst, src, size_t(w) * 3);
        else
            for (int i = 0; i < w * 3; ++i)
                dst[i] = sampleAt(src, i, depth);
        break;
    default: {
        const int c = channelIndex(params_.format);
        for (int x = 0; x < w; ++x)
            dst[3 * x + c] = sampleAt(src, x, depth);
    }
    }
    ++row_;
    maxRows_ = std::max(maxRows_, row_);
}

void FrameAssembler::endFrame() {
    if (!inFrame_) return;
    inFrame_ = false;
    pending_.clear();
    if (params_.lastFrame) complete_ = true;
}

QImage FrameAssembler::takeImage() {
    if (!complete_ || maxRows_ == 0) return {};
    QImage out = maxRows_ < image_.height() ? image_.copy(0, 0, image_.width(), maxRows_)
                                            : std::move(image_);
    if (out.format() == QImage::Format_Mono && out.colorCount() != 2)
        out.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    beginPage();
    return out;
}

} // namespace imaging
