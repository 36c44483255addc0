#include "imaging/documents/Document.h"

#include "imaging/documents/ByteSource.h"
#include "imaging/pixels/Downscale.h"
#include "imaging/pixels/ImagingError.h"
#include "imaging/documents/PathResolver.h"
#include "imaging/documents/TiffDocument.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImageReader>
#include <QtEndian>
#include <cstring>

namespace imaging {

QString compressionName(int code) {
    switch (code) {
    case 1:
        return QStringLiteral("None");
    case 2:
        return QStringLiteral("CCITT RLE");
    case 3:
        return QStringLiteral("CCITT G3");
    case 4:
        return QStringLiteral("CCITT G4");
    case 5:
        return QStringLiteral("LZW");
    case 6:
        return QStringLiteral("Old-style JPEG");
    case 7:
        return QStringLiteral("JPEG");
    case 8:
    case 32946:
        return QStringLiteral("Deflate");
    case 32771:
        return QStringLiteral("CCITT RLEW");
    case 32773:
        return QStringLiteral("PackBits");
    case 34661:
        return QStringLiteral("JBIG");
    case 34712:
        return QStringLiteral("JPEG 2000");
    case 34925:
        return QStringLiteral("LZMA");
    case 50000:
        return QStringLiteral("ZSTD");
    case 50001:
        return QStringLiteral("WebP");
    default:
        return QStringLiteral("Unknown (%1)").arg(code);
    }
}

namespace {
// Resolutions outside (0, 1e6) dpi are taken as none (they are damaged values).
double saneDpi(double v) {
    return v > 0 && v < 1e6 ? v : 0.0;
}
} // namespace

PageInfo tiffPageInfo(const tiff::TiffFile& file, const tiff::Ifd& ifd, int pageNo) {
    using namespace tiff;
    const auto width = file.uintValue(ifd, kTagImageWidth);
    const auto height = file.uintValue(ifd, kTagImageLength);
    if (!width || !height || *width == 0 || *height == 0)
        throw Error(kErrBadFile, QStringLiteral("Page %1 has no size").arg(pageNo));
    if (*width > quint64(kMaxPageDimension) || *height > quint64(kMaxPageDimension))
        throw Error(kErrTooLarge, QStringLiteral("Page %1 is too large (%2 x %3 pixels)")
                                      .arg(pageNo)
                                      .arg(*width)
                                      .arg(*height));
    PageInfo info;
    info.orientation = int(file.uintValue(ifd, kTagOrientation).value_or(1));
    if (info.orientation < 1 || info.orientation > 8) info.orientation = 1;
    const bool turned = info.orientation >= 5;
    info.width = int(turned ? *height : *width);
    info.height = int(turned ? *width : *height);
    info.bitsPerSample =
        int(std::min<quint64>(file.uintValue(ifd, kTagBitsPerSample).value_or(1), 64));
    info.samplesPerPixel =
        int(std::min<quint64>(file.uintValue(ifd, kTagSamplesPerPixel).value_or(1), 64));
    info.compressionCode = int(file.uintValue(ifd, kTagCompression).value_or(1) & 0xFFFF);
    info.compression = compressionName(info.compressionCode);
    info.tiled = ifd.find(kTagTileWidth) != nullptr;
    const quint64 unit = file.uintValue(ifd, kTagResolutionUnit).value_or(2);
    if (unit == 2 || unit == 3) {
        const double factor = unit == 3 ? 2.54 : 1.0;
        const double x = file.rationalValue(ifd, kTagXResolution).value_or(0);
        const double y = file.rationalValue(ifd, kTagYResolution).value_or(x);
        info.xDpi = saneDpi(x * factor);
        info.yDpi = saneDpi(y * factor);
        if (turned) std::swap(info.xDpi, info.yDpi);
    }
    return info;
}

QImage normalizePageImage(const QImage& image) {
    if (image.isNull()) return image;
    if (image.depth() == 1) {
        QImage mono = image.convertToFormat(QImage::Format_Mono);
        const bool zeroIsWhite =
            mono.colorCount() < 2 || qGray(mono.color(0)) >= qGray(mono.color(1));
        const bool bw =
            mono.colorCount() == 2 && ((qGray(mono.color(0)) > 250 && qGray(mono.color(1)) < 5) ||
                                       (qGray(mono.color(1)) > 250 && qGray(mono.color(0)) < 5));
        if (!bw) return image.convertToFormat(QImage::Format_RGB32);
        if (!zeroIsWhite) mono.invertPixels();
        mono.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
        return mono;
    }
    switch (image.format()) {
    case QImage::Format_Grayscale8:
    case QImage::Format_RGB888:
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
        return image;
    case QImage::Format_Grayscale16:
        return image.convertToFormat(QImage::Format_Grayscale8);
    default:
        break;
    }
    if (image.isGrayscale() && !image.hasAlphaChannel())
        return image.convertToFormat(QImage::Format_Grayscale8);
    return image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32
                                                         : QImage::Format_RGB32);
}

// ---------------------------------------------------------------------------------------
// TIFF documents

TiffDocument::TiffDocument(QString path, ByteSourcePtr source, qint64 modifiedMsecs)
    : path_(std::move(path)), file_(source), offsets_(file_.walkChain(tiff::kMaxIfds, &damage_)),
      modified_(modifiedMsecs) {
    infos_.resize(offsets_.size());
    pageInfo(0); // a first page without a sane directory makes the file unusable
}

void TiffDocument::checkIndex(int index) const {
    if (index < 0 || index >= pageCount())
        throw Error(kErrBadPage, QStringLiteral("Page %1 does not exist (the document has %2)")
                                     .arg(index + 1)
                                     .arg(pageCount()));
}

std::unique_ptr<TiffHandle> TiffDocument::handle(int index) const {
    checkIndex(index);
    return TiffHandle::open(file_.source(), file_.header().bigTiff, file_.header().bigEndian,
                            offsets_[size_t(index)], index + 1);
}

tiff::Ifd TiffDocument::directory(int index) const {
    checkIndex(index);
    return file_.readIfd(offsets_[size_t(index)]);
}

PageInfo TiffDocument::pageInfo(int index) const {
    checkIndex(index);
    {
        std::lock_guard lock(infoMutex_);
        if (infos_[size_t(index)]) return *infos_[size_t(index)];
    }
    const PageInfo info = tiffPageInfo(file_, directory(index), index + 1);
    std::lock_guard lock(infoMutex_);
    infos_[size_t(index)] = info;
    return info;
}

QImage TiffDocument::decodePage(int index) const {
    const PageInfo info = pageInfo(index); // size bounds checked before libtiff allocates
    QImage img = decodeCurrentPage(*handle(index), index + 1);
    if (info.xDpi > 0 && info.yDpi > 0) {
        img.setDotsPerMeterX(int(info.xDpi / 0.0254 + 0.5));
        img.setDotsPerMeterY(int(info.yDpi / 0.0254 + 0.5));
    }
    return img;
}

QImage TiffDocument::decodePageScaled(int index, QSize box, bool grayScaling) const {
    pageInfo(index);
    return decodeCurrentPageScaled(*handle(index), index + 1, box, grayScaling);
}

AnnotationList TiffDocument::annotations(int index) const {
    const tiff::Ifd ifd = directory(index);
    const tiff::Entry* e = ifd.find(kAnnotationTiffTag);
    if (!e) return {};
    try {
        return parseAnnotations(file_.value(*e));
    } catch (const Error& err) {
        throw Error(kErrBadFile, QStringLiteral("The annotations of page %1 are damaged: %2")
                                     .arg(index + 1)
                                     .arg(err.description()));
    }
}

// ---------------------------------------------------------------------------------------
// BMP, PNG and JPEG files: one page, decoded by Qt

namespace {

// Resolution stated in the file's header, read without decoding (dots per inch).
std::pair<double, double> headerResolution(const QByteArray& b, int type) {
    const auto* p = reinterpret_cast<const uchar*>(b.constData());
    const qsizetype n = b.size();
    if (type == kFileBmp && n >= 46) {
        const qint32 x = qFromLittleEndian<qint32>(p + 38), y = qFromLittleEndian<qint32>(p + 42);
        if (x > 0 && y > 0) return {x * 0.0254, y * 0.0254};
    } else if (type == kFilePng) {
        for (qsizetype pos = 8; pos + 12 <= n;) {
            const quint32 len = qFromBigEndian<quint32>(p + pos);
            if (len > quint32(n - pos - 12)) break;
            if (std::memcmp(p + pos + 4, "pHYs", 4) == 0 && len >= 9 && p[pos + 16] == 1) {
                const quint32 x = qFromBigEndian<quint32>(p + pos + 8);
                const quint32 y = qFromBigEndian<quint32>(p + pos + 12);
                return {x * 0.0254, y * 0.0254};
            }
            if (std::memcmp(p + pos + 4, "IDAT", 4) == 0) break;
            pos += 12 + qsizetype(len);
        }
    } else if (type == kFileJpeg && n >= 18 && p[2] == 0xFF && p[3] == 0xE0 &&
               std::memcmp(p + 6, "JFIF", 5) == 0) {
        const int unit = p[13];
        const double x = qFromBigEndian<quint16>(p + 14), y = qFromBigEndian<quint16>(p + 16);
        if (unit == 1) return {x, y};
        if (unit == 2) return {x * 2.54, y * 2.54};
    }
    return {0, 0};
}

class QtImageDocument final : public Document {
public:
    QtImageDocument(QString path, QByteArray bytes, int type, qint64 modified)
        : path_(std::move(path)), bytes_(std::move(bytes)), type_(type), modified_(modified) {
        QBuffer buffer(&bytes_);
        QImageReader reader(&buffer, formatName());
        reader.setAutoTransform(true);
        QSize size = reader.size();
        if (!reader.canRead() || !size.isValid())
            throw Error(kErrBadFile, QStringLiteral("The %1 file is damaged or truncated: %2")
                                         .arg(QString::fromLatin1(formatName()).toUpper(),
                                              reader.errorString()));
        if (reader.transformation() & QImageIOHandler::TransformationRotate90) size.transpose();
        if (size.width() > kMaxPageDimension || size.height() > kMaxPageDimension ||
            qint64(size.width()) * size.height() * 4 > kMaxDecodedPageBytes)
            throw Error(kErrTooLarge, QStringLiteral("The image is too large (%1 x %2 pixels)")
                                          .arg(size.width())
                                          .arg(size.height()));
        info_.width = size.width();
        info_.height = size.height();
        const auto [x, y] = headerResolution(bytes_, type_);
        info_.xDpi = saneDpi(x);
        info_.yDpi = saneDpi(y);
        info_.compressionCode = 1;
        info_.compression = type_ == kFileBmp   ? QStringLiteral("BMP")
                            : type_ == kFilePng ? QStringLiteral("PNG")
                                                : QStringLiteral("JPEG");
        switch (reader.imageFormat()) {
        case QImage::Format_Mono:
        case QImage::Format_MonoLSB:
            info_.bitsPerSample = 1;
            info_.samplesPerPixel = 1;
            break;
        case QImage::Format_Grayscale8:
        case QImage::Format_Indexed8:
            info_.bitsPerSample = 8;
            info_.samplesPerPixel = 1;
            break;
        case QImage::Format_Grayscale16:
            info_.bitsPerSample = 16;
            info_.samplesPerPixel = 1;
            break;
        case QImage::Format_ARGB32:
        case QImage::Format_ARGB32_Premultiplied:
        case QImage::Format_RGBA8888:
            info_.bitsPerSample = 8;
            info_.samplesPerPixel = 4;
            break;
        case QImage::Format_RGBA64:
            info_.bitsPerSample = 16;
            info_.samplesPerPixel = 4;
            break;
        default:
            info_.bitsPerSample = 8;
            info_.samplesPerPixel = 3;
            break;
        }
    }

    QString path() const override { return path_; }
    int fileType() const override { return type_; }
    int pageCount() const override { return 1; }
    QByteArray imageFileBytes() const override { return bytes_; }
    PageInfo pageInfo(int index) const override {
        check(index);
        return info_;
    }
    QImage decodePage(int index) const override {
        check(index);
        QByteArray copy = bytes_; // implicitly shared: each reader gets its own buffer object
        QBuffer buffer(&copy);
        QImageReader reader(&buffer, formatName());
        reader.setAutoTransform(true);
        reader.setAllocationLimit(int(kMaxDecodedPageBytes / (1024 * 1024)) + 1);
        QImage img = reader.read();
        if (img.isNull())
            throw Error(
                kErrBadFile,
                QStringLiteral("The image cannot be decoded: %1").arg(reader.errorString()));
        img = normalizePageImage(img);
        if (info_.xDpi > 0) {
            img.setDotsPerMeterX(int(info_.xDpi / 0.0254 + 0.5));
            img.setDotsPerMeterY(int(info_.yDpi / 0.0254 + 0.5));
        }
        return img;
    }
    QImage decodePageScaled(int index, QSize box, bool grayScaling) const override {
        return scaleForDisplay(decodePage(index), box, grayScaling);
    }
    AnnotationList annotations(int index) const override {
        check(index);
        return {};
    }
    qint64 fileSize() const override { return bytes_.size(); }
    qint64 modifiedMsecs() const override { return modified_; }

private:
    void check(int index) const {
        if (index != 0)
            throw Error(
                kErrBadPage,
                QStringLiteral("Page %1 does not exist (the document has 1)").arg(index + 1));
    }
    QByteArray formatName() const {
        return type_ == kFileBmp ? "bmp" : type_ == kFilePng ? "png" : "jpeg";
    }
    QString path_;
    QByteArray bytes_;
    int type_;
    qint64 modified_;
    PageInfo info_;
};

int sniffType(const uchar* p, size_t n) {
    if (n >= 4 && ((p[0] == 'I' && p[1] == 'I' && (p[2] == 42 || p[2] == 43) && p[3] == 0) ||
                   (p[0] == 'M' && p[1] == 'M' && p[2] == 0 && (p[3] == 42 || p[3] == 43))))
        return kFileTiff;
    if (n >= 2 && p[0] == 'B' && p[1] == 'M') return kFileBmp;
    if (n >= 8 && std::memcmp(p, "\x89PNG\r\n\x1a\n", 8) == 0) return kFilePng;
    if (n >= 3 && p[0] == 0xFF && p[1] == 0xD8 && p[2] == 0xFF) return kFileJpeg;
    // Fax documents of the old fax service are OLE compound files.
    if (n >= 8 && std::memcmp(p, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) == 0) return kFileAwd;
    return kFileUnknown;
}

DocumentPtr openSource(const QString& path, ByteSourcePtr source, qint64 modified) {
    if (source->size() == 0)
        throw Error(kErrBadFile, QStringLiteral("The file %1 is empty").arg(path));
    uchar head[16] = {};
    const qint64 n = source->readSome(0, head, sizeof head);
    if (n < 0) throw Error(kErrFileAccess, QStringLiteral("Cannot read %1").arg(path));
    int type = sniffType(head, size_t(n));
    if (type == kFileUnknown && path.endsWith(QStringLiteral(".awd"), Qt::CaseInsensitive))
        type = kFileAwd;
    switch (type) {
    case kFileTiff:
        try {
            return std::make_shared<TiffDocument>(path, source, modified);
        } catch (const Error& e) {
            throw Error(e.number(),
                        QStringLiteral("%1: %2").arg(QFileInfo(path).fileName(), e.description()));
        }
    case kFileBmp:
    case kFilePng:
    case kFileJpeg: {
        if (source->size() > quint64(kMaxDecodedPageBytes))
            throw Error(kErrTooLarge, QStringLiteral("The file %1 is too large").arg(path));
        QByteArray bytes(qsizetype(source->size()), Qt::Uninitialized);
        if (!source->readExact(0, bytes.data(), size_t(bytes.size())))
            throw Error(kErrFileAccess, QStringLiteral("Cannot read %1").arg(path));
        return std::make_shared<QtImageDocument>(path, std::move(bytes), type, modified);
    }
    case kFileAwd:
        throw Error(
            kErrUnsupported,
            QStringLiteral("AWD files are not supported: %1").arg(QFileInfo(path).fileName()));
    default:
        throw Error(kErrUnsupported, QStringLiteral("%1 is not an image file this program can read")
                                         .arg(QFileInfo(path).fileName()));
    }
}

} // namespace

void requireIntact(const Document& doc) {
    const QString damage = doc.damage();
    if (!damage.isEmpty())
        throw Error(kErrFileAccess,
                    QStringLiteral("%1 is damaged (%2): it can be shown and saved under another "
                                   "name, but not changed")
                        .arg(QFileInfo(doc.path()).fileName(), damage.toLower()));
}

DocumentPtr Document::open(const QString& path, const PathResolver& resolve) {
    if (path.isEmpty()) throw Error(kErrBadArgument, QStringLiteral("No file name given"));
    qint64 modified = 0;
    ByteSourcePtr source = openFileSource(resolvePath(resolve, path), &modified);
    return openSource(path, std::move(source), modified);
}

DocumentPtr Document::openBytes(const QByteArray& bytes, const QString& name) {
    return openSource(name, memorySource(bytes), 0);
}

} // namespace imaging
