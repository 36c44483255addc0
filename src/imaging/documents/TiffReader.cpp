#include "imaging/documents/TiffReader.h"

#include "imaging/documents/Document.h"
#include "imaging/pixels/Downscale.h"
#include "imaging/pixels/ImageGeometry.h"
#include "imaging/pixels/ImagingError.h"

#include <qfloat16.h>
#include <QSysInfo>
#include <QtEndian>
#include <algorithm>
#include <cmath>
#include <limits>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <tiffio.h>

namespace imaging {

// ---------------------------------------------------------------------------------------
// libtiff client I/O over a ByteSource

namespace {

TiffHandle* self(thandle_t h) {
    return static_cast<TiffHandle*>(h);
}

tmsize_t readProc(thandle_t h, void* buf, tmsize_t size) {
    if (size <= 0) return 0;
    return tmsize_t(self(h)->read(buf, size_t(size)));
}

tmsize_t writeProc(thandle_t, void*, tmsize_t) {
    return -1;
}

toff_t seekProc(thandle_t h, toff_t off, int whence) {
    TiffHandle* t = self(h);
    quint64 base = 0;
    if (whence == SEEK_CUR)
        base = t->position;
    else if (whence == SEEK_END)
        base = t->source()->size();
    t->position = base + off;
    return t->position;
}

int closeProc(thandle_t) {
    return 0;
}

toff_t sizeProc(thandle_t h) {
    return self(h)->source()->size();
}

int mapProc(thandle_t h, void** base, toff_t* size) {
    const ByteSource* src = self(h)->source().get();
    if (!src->data()) return 0;
    *base = const_cast<uchar*>(src->data());
    *size = src->size();
    return 1;
}

void unmapProc(thandle_t, void*, toff_t) {}

int errorHandler(TIFF*, void* user, const char* module, const char* fmt, va_list ap) {
    char buf[512];
    std::vsnprintf(buf, sizeof buf, fmt, ap);
    Q_UNUSED(module);
    static_cast<TiffHandle*>(user)->addError(QString::fromLocal8Bit(buf));
    return 1; // handled: libtiff prints nothing
}

int warningHandler(TIFF*, void*, const char*, const char*, va_list) {
    return 1; // warnings (unknown private tags, odd but readable data) are not failures
}

} // namespace

std::unique_ptr<TiffHandle> TiffHandle::open(ByteSourcePtr source, bool bigTiff, bool bigEndian,
                                             quint64 ifdOffset, int pageNo) {
    std::unique_ptr<TiffHandle> h(new TiffHandle(std::move(source)));
    h->headerSize_ = bigTiff ? 16 : 8;
    if (!h->source_->readExact(0, h->header_, h->headerSize_))
        throw Error(kErrBadFile, QStringLiteral("The TIFF header is truncated"));
    if (bigTiff)
        bigEndian ? qToBigEndian<quint64>(ifdOffset, h->header_ + 8)
                  : qToLittleEndian<quint64>(ifdOffset, h->header_ + 8);
    else
        bigEndian ? qToBigEndian<quint32>(quint32(ifdOffset), h->header_ + 4)
                  : qToLittleEndian<quint32>(quint32(ifdOffset), h->header_ + 4);

    TIFFOpenOptions* opts = TIFFOpenOptionsAlloc();
    TIFFOpenOptionsSetMaxSingleMemAlloc(opts, tmsize_t(kMaxDecodedPageBytes + (64 << 20)));
    TIFFOpenOptionsSetErrorHandlerExtR(opts, errorHandler, h.get());
    TIFFOpenOptionsSetWarningHandlerExtR(opts, warningHandler, h.get());
    h->tif_ = TIFFClientOpenExt("document", "r", h.get(), readProc, writeProc, seekProc, closeProc,
                                sizeProc, mapProc, unmapProc, opts);
    TIFFOpenOptionsFree(opts);
    if (!h->tif_) h->fail(kErrBadFile, QStringLiteral("Page %1 cannot be read").arg(pageNo));
    h->clearMessages();
    return h;
}

qint64 TiffHandle::read(void* buf, size_t len) {
    const qint64 n = source_->readSome(position, buf, len);
    if (n < 0) return -1;
    // The header as libtiff is shown it: its first directory is the page's.
    if (position < headerSize_) {
        const size_t from = size_t(position);
        const size_t count = std::min(size_t(n), headerSize_ - from);
        std::memcpy(buf, header_ + from, count);
    }
    position += quint64(n);
    return n;
}

TiffHandle::~TiffHandle() {
    if (tif_) TIFFClose(tif_);
}

void TiffHandle::addError(const QString& message) {
    if (errors_.size() < 8) errors_ << message;
}

QString TiffHandle::errorText() const {
    return errors_.join(QStringLiteral("; "));
}

void TiffHandle::fail(int number, const QString& what) const {
    const QString detail = errorText();
    throw Error(number, detail.isEmpty() ? what : what + QStringLiteral(": ") + detail);
}

// ---------------------------------------------------------------------------------------
// Decoding

namespace {

// Mono, Gray, Palette and Rgb: 8 bits or less a sample, read as they are. Deep: gray or RGB
// samples of more bits, signed or floating point, scaled to 8 bits by the page's own range.
// Cmyk: separated pages libtiff's RGBA reader does not take (16 bits and other depths).
// LibtiffRgba: every other photometric, through libtiff's RGBA reader.
enum class Kind { Mono, Gray, Palette, Rgb, Deep, Cmyk, LibtiffRgba };

struct Layout {
    uint32_t width = 0, height = 0;
    uint16_t bps = 1, spp = 1, photometric = 0, planar = PLANARCONFIG_CONTIG;
    uint16_t compression = COMPRESSION_NONE, orientation = ORIENTATION_TOPLEFT;
    uint16_t sampleFormat = SAMPLEFORMAT_UINT;
    bool tiled = false;
    uint32_t tileWidth = 0, tileHeight = 0, rowsPerStrip = 0;
    bool alpha = false, premultiplied = false;
    Kind kind = Kind::Gray;
    int samplesUsed = 1; // samples per pixel the conversion reads
    const uint16_t *red = nullptr, *green = nullptr, *blue = nullptr;
};

Layout readLayout(TiffHandle& h, int pageNo) {
    TIFF* tif = h.tif();
    Layout L;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &L.width);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &L.height);
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &L.bps);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &L.spp);
    TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &L.planar);
    TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &L.compression);
    TIFFGetFieldDefaulted(tif, TIFFTAG_ORIENTATION, &L.orientation);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLEFORMAT, &L.sampleFormat);
    L.tiled = TIFFIsTiled(tif);
    if (L.tiled) {
        TIFFGetField(tif, TIFFTAG_TILEWIDTH, &L.tileWidth);
        TIFFGetField(tif, TIFFTAG_TILELENGTH, &L.tileHeight);
    } else {
        TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &L.rowsPerStrip);
    }
    if (!TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &L.photometric)) {
        // What libtiff itself assumes: fax pages are white-is-zero, three samples are RGB.
        const bool fax =
            L.compression == COMPRESSION_CCITTFAX3 || L.compression == COMPRESSION_CCITTFAX4 ||
            L.compression == COMPRESSION_CCITTRLE || L.compression == COMPRESSION_CCITTRLEW;
        L.photometric = L.spp >= 3 ? PHOTOMETRIC_RGB
                        : fax      ? PHOTOMETRIC_MINISWHITE
                                   : PHOTOMETRIC_MINISBLACK;
    }

    if (L.width == 0 || L.height == 0)
        throw Error(kErrBadFile, QStringLiteral("Page %1 has no size").arg(pageNo));
    if (L.width > uint32_t(kMaxPageDimension) || L.height > uint32_t(kMaxPageDimension))
        throw Error(kErrTooLarge, QStringLiteral("Page %1 is too large (%2 x %3 pixels)")
                                      .arg(pageNo)
                                      .arg(L.width)
                                      .arg(L.height));
    if (!TIFFIsCODECConfigured(L.compression))
        throw Error(kErrUnsupported,
                    QStringLiteral("Page %1 uses a compression this program cannot read (%2)")
                        .arg(pageNo)
                        .arg(L.compression));
    // Log-luminance pages store floating-point samples that libtiff's RGBA reader converts.
    const bool logLuminance =
        L.photometric == PHOTOMETRIC_LOGL || L.photometric == PHOTOMETRIC_LOGLUV;
    if (L.sampleFormat == SAMPLEFORMAT_VOID) L.sampleFormat = SAMPLEFORMAT_UINT;
    if (!logLuminance && L.sampleFormat != SAMPLEFORMAT_UINT && L.sampleFormat != SAMPLEFORMAT_INT &&
        L.sampleFormat != SAMPLEFORMAT_IEEEFP)
        throw Error(kErrUnsupported,
                    QStringLiteral("Page %1 has samples of an unsupported format (%2)")
                        .arg(pageNo)
                        .arg(L.sampleFormat));
    if (L.tiled &&
        (L.tileWidth == 0 || L.tileHeight == 0 || L.tileWidth % 16 != 0 ||
         L.tileWidth > uint32_t(kMaxPageDimension) || L.tileHeight > uint32_t(kMaxPageDimension)))
        throw Error(kErrBadFile, QStringLiteral("Page %1 has invalid tiles").arg(pageNo));
    if (!L.tiled && (L.rowsPerStrip == 0 || L.rowsPerStrip > L.height)) L.rowsPerStrip = L.height;

    uint16_t extraCount = 0;
    uint16_t* extra = nullptr;
    TIFFGetFieldDefaulted(tif, TIFFTAG_EXTRASAMPLES, &extraCount, &extra);

    const bool plain = L.sampleFormat == SAMPLEFORMAT_UINT;
    const bool smallBits = plain && (L.bps == 1 || L.bps == 2 || L.bps == 4 || L.bps == 8);
    // Samples the deep conversion reads: integers of 2 to 32 bits, signed or not, and
    // floating point of 16, 32 or 64 bits.
    const bool deepBits = L.sampleFormat == SAMPLEFORMAT_IEEEFP
                              ? L.bps == 16 || L.bps == 32 || L.bps == 64
                              : L.bps >= 2 && L.bps <= 32;
    const bool alpha = extraCount >= 1 && extra &&
                       (extra[0] == EXTRASAMPLE_ASSOCALPHA || extra[0] == EXTRASAMPLE_UNASSALPHA);
    if (logLuminance) {
        L.kind = Kind::LibtiffRgba;
        return L;
    }
    switch (L.photometric) {
    case PHOTOMETRIC_MINISWHITE:
    case PHOTOMETRIC_MINISBLACK:
        if (L.spp >= 1 && smallBits) {
            L.kind = L.bps == 1 ? Kind::Mono : Kind::Gray;
            L.samplesUsed = 1;
            return L;
        }
        if (L.spp >= 1 && deepBits) {
            L.kind = Kind::Deep;
            L.samplesUsed = 1;
            return L;
        }
        break;
    case PHOTOMETRIC_PALETTE:
        if (L.spp >= 1 && plain && (smallBits || L.bps == 16) &&
            TIFFGetField(tif, TIFFTAG_COLORMAP, &L.red, &L.green, &L.blue)) {
            L.kind = Kind::Palette;
            L.samplesUsed = 1;
            return L;
        }
        break;
    case PHOTOMETRIC_YCBCR:
        if (L.compression == COMPRESSION_JPEG && L.planar == PLANARCONFIG_CONTIG && L.bps == 8 &&
            L.spp == 3) {
            // The JPEG codec converts to RGB itself.
            TIFFSetField(tif, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
            L.kind = Kind::Rgb;
            L.samplesUsed = 3;
            return L;
        }
        break;
    case PHOTOMETRIC_RGB:
        if (L.spp >= 3 && ((plain && L.bps == 8) || deepBits)) {
            L.kind = plain && L.bps == 8 ? Kind::Rgb : Kind::Deep;
            L.alpha = L.spp >= 4 && alpha;
            L.premultiplied = L.alpha && extra[0] == EXTRASAMPLE_ASSOCALPHA;
            L.samplesUsed = L.alpha ? 4 : 3;
            return L;
        }
        break;
    case PHOTOMETRIC_SEPARATED: {
        uint16_t inks = INKSET_CMYK;
        TIFFGetFieldDefaulted(tif, TIFFTAG_INKSET, &inks);
        if (inks == INKSET_CMYK && L.spp >= 4 && deepBits && !(plain && L.bps == 8)) {
            L.kind = Kind::Cmyk;
            L.samplesUsed = 4;
            return L;
        }
        break;
    }
    default:
        break;
    }
    L.kind = Kind::LibtiffRgba;
    return L;
}

// Bytes of the decoded image, checked against the documented bound.
void checkDecodedSize(const Layout& L, int bitsPerPixel, int pageNo) {
    const qint64 rowBytes = ((qint64(L.width) * bitsPerPixel + 31) / 32) * 4;
    if (rowBytes * qint64(L.height) > kMaxDecodedPageBytes)
        throw Error(kErrTooLarge, QStringLiteral("Page %1 is too large to display (%2 x %3 pixels)")
                                      .arg(pageNo)
                                      .arg(L.width)
                                      .arg(L.height));
}

// The image a page decodes into, after checking its size against the bound.
QImage newPageImage(const Layout& L, QImage::Format format, int pageNo) {
    checkDecodedSize(L, QImage::toPixelFormat(format).bitsPerPixel(), pageNo);
    QImage img(int(L.width), int(L.height), format);
    if (img.isNull())
        throw Error(kErrTooLarge, QStringLiteral("Page %1 is too large to display").arg(pageNo));
    return img;
}

std::vector<uchar> allocate(quint64 bytes, int pageNo) {
    if (bytes > quint64(kMaxDecodedPageBytes))
        throw Error(kErrTooLarge,
                    QStringLiteral("Page %1 has strips or tiles too large to decode").arg(pageNo));
    return std::vector<uchar>(size_t(bytes));
}

// Calls sink(y, row) for every row of the page, top to bottom as stored. A row holds
// `samplesUsed` interleaved samples of `bps` bits per pixel.
template <class Sink> void readRows(TiffHandle& h, const Layout& L, int pageNo, Sink&& sink) {
    TIFF* tif = h.tif();
    const bool separate = L.planar == PLANARCONFIG_SEPARATE && L.spp > 1;
    const int planes = separate ? L.samplesUsed : 1;
    const int samplesPerUnit = separate ? 1 : L.spp; // samples in one plane's pixel
    if (separate && L.samplesUsed > 1 && L.bps % 8 != 0)
        throw Error(kErrUnsupported,
                    QStringLiteral("Page %1 has an unsupported sample layout").arg(pageNo));

    const uint32_t unitWidth = L.tiled ? L.tileWidth : L.width;
    const uint32_t bandRows = L.tiled ? L.tileHeight : L.rowsPerStrip;
    const uint32_t across = L.tiled ? (L.width + L.tileWidth - 1) / L.tileWidth : 1;
    const quint64 unitRowBytes = (quint64(unitWidth) * samplesPerUnit * L.bps + 7) / 8;
    const quint64 bandRowBytes = unitRowBytes * across;
    const quint64 unitBytes = unitRowBytes * bandRows;

    // Cross-check with libtiff's own idea of the sizes: a mismatch means a layout we do not
    // understand, and reading would overrun.
    const quint64 libRow = L.tiled ? TIFFTileRowSize64(tif) : TIFFScanlineSize64(tif);
    if (libRow != unitRowBytes)
        throw Error(kErrUnsupported,
                    QStringLiteral("Page %1 has an unsupported sample layout").arg(pageNo));

    auto bands = std::vector<std::vector<uchar>>(size_t(planes));
    for (auto& b : bands)
        b = allocate(bandRowBytes * bandRows, pageNo);
    std::vector<uchar> unit = L.tiled ? allocate(unitBytes, pageNo) : std::vector<uchar>();
    const quint64 outRowBytes = (quint64(L.width) * L.samplesUsed * L.bps + 7) / 8;
    std::vector<uchar> row(planes > 1 ? size_t(outRowBytes) : 0);
    const uint32_t unitsPerPlane = L.tiled ? across * ((L.height + L.tileHeight - 1) / L.tileHeight)
                                           : (L.height + L.rowsPerStrip - 1) / L.rowsPerStrip;

    for (uint32_t y0 = 0, band = 0; y0 < L.height; y0 += bandRows, ++band) {
        const uint32_t rows = std::min(bandRows, L.height - y0);
        for (int p = 0; p < planes; ++p) {
            h.clearMessages();
            if (L.tiled) {
                for (uint32_t tx = 0; tx < across; ++tx) {
                    const uint32_t tile = uint32_t(p) * unitsPerPlane + band * across + tx;
                    if (TIFFReadEncodedTile(tif, tile, unit.data(), tmsize_t(unitBytes)) < 0)
                        h.fail(kErrBadFile, QStringLiteral("Page %1 is damaged").arg(pageNo));
                    for (uint32_t r = 0; r < rows; ++r)
                        std::memcpy(bands[size_t(p)].data() + r * bandRowBytes + tx * unitRowBytes,
                                    unit.data() + r * unitRowBytes, size_t(unitRowBytes));
                }
            } else {
                const uint32_t strip = uint32_t(p) * unitsPerPlane + band;
                const tmsize_t want = tmsize_t(unitRowBytes * rows);
                const tmsize_t got =
                    TIFFReadEncodedStrip(tif, strip, bands[size_t(p)].data(), want);
                if (got < 0) h.fail(kErrBadFile, QStringLiteral("Page %1 is damaged").arg(pageNo));
                if (got < want)
                    h.fail(kErrBadFile, QStringLiteral("Page %1 is incomplete").arg(pageNo));
            }
        }
        for (uint32_t r = 0; r < rows; ++r) {
            if (planes == 1) {
                sink(y0 + r, bands[0].data() + r * bandRowBytes);
                continue;
            }
            const int bytesPerSample = L.bps / 8;
            for (uint32_t x = 0; x < L.width; ++x)
                for (int p = 0; p < planes; ++p)
                    std::memcpy(row.data() + (size_t(x) * planes + p) * bytesPerSample,
                                bands[size_t(p)].data() + r * bandRowBytes + x * bytesPerSample,
                                size_t(bytesPerSample));
            sink(y0 + r, row.data());
        }
    }
}

// Sample `i` of a packed row of `bps`-bit samples, scaled to 0..255.
inline int sample8(const uchar* row, quint64 i, int bps) {
    switch (bps) {
    case 8:
        return row[i];
    case 16: {
        quint16 v;
        std::memcpy(&v, row + 2 * i, 2); // libtiff delivers native byte order
        return v >> 8;
    }
    case 4:
        return ((row[i / 2] >> (i % 2 ? 0 : 4)) & 0xF) * 17;
    case 2:
        return ((row[i / 4] >> (6 - 2 * (i % 4))) & 0x3) * 85;
    default:
        return (row[i / 8] >> (7 - i % 8)) & 1 ? 255 : 0;
    }
}

inline int index(const uchar* row, quint64 i, int bps) {
    switch (bps) {
    case 8:
        return row[i];
    case 16: {
        quint16 v;
        std::memcpy(&v, row + 2 * i, 2);
        return v;
    }
    case 4:
        return (row[i / 2] >> (i % 2 ? 0 : 4)) & 0xF;
    case 2:
        return (row[i / 4] >> (6 - 2 * (i % 4))) & 0x3;
    default:
        return (row[i / 8] >> (7 - i % 8)) & 1;
    }
}

// Distance between the first samples of two pixels in the rows readRows hands out.
int pixelStride(const Layout& L) {
    return L.planar == PLANARCONFIG_SEPARATE && L.spp > 1 ? L.samplesUsed : L.spp;
}

// The image format of a colour page: with or without its alpha.
QImage::Format colourFormat(const Layout& L) {
    return !L.alpha          ? QImage::Format_RGB32
           : L.premultiplied ? QImage::Format_ARGB32_Premultiplied
                             : QImage::Format_ARGB32;
}

QVector<QRgb> monoTable() {
    return {qRgb(255, 255, 255), qRgb(0, 0, 0)};
}

// Palette entries as 8-bit values: 16-bit maps are the norm, but some writers store 8-bit
// values in them (all entries below 256), which libtiff's own tools accept too.
std::vector<QRgb> paletteColors(const Layout& L) {
    const size_t n = size_t(1) << L.bps;
    bool eightBit = true;
    for (size_t i = 0; i < n; ++i)
        if (L.red[i] > 255 || L.green[i] > 255 || L.blue[i] > 255) eightBit = false;
    std::vector<QRgb> colors(n);
    for (size_t i = 0; i < n; ++i) {
        const int shift = eightBit ? 0 : 8;
        colors[i] = qRgb(L.red[i] >> shift, L.green[i] >> shift, L.blue[i] >> shift);
    }
    return colors;
}

// A 1-bit palette page is bitonal when its two entries are black and white.
enum class MonoPalette { Normal, Inverted, Colour };
MonoPalette monoPalette(const Layout& L) {
    const auto c = paletteColors(L);
    const auto isWhite = [](QRgb v) {
        return qGray(v) >= 250 && qRed(v) == qGreen(v) && qGreen(v) == qBlue(v);
    };
    const auto isBlack = [](QRgb v) {
        return qGray(v) <= 5 && qRed(v) == qGreen(v) && qGreen(v) == qBlue(v);
    };
    if (isWhite(c[0]) && isBlack(c[1])) return MonoPalette::Normal;
    if (isBlack(c[0]) && isWhite(c[1])) return MonoPalette::Inverted;
    return MonoPalette::Colour;
}

// Whether the bits of a bitonal row must be inverted so that 1 means black.
bool monoInverted(const Layout& L) {
    if (L.kind == Kind::Palette) return monoPalette(L) == MonoPalette::Inverted;
    return L.photometric == PHOTOMETRIC_MINISBLACK;
}

bool decodesAsMono(const Layout& L) {
    return L.kind == Kind::Mono ||
           (L.kind == Kind::Palette && L.bps == 1 && monoPalette(L) != MonoPalette::Colour);
}

QImage decodeMono(TiffHandle& h, const Layout& L, int pageNo) {
    QImage img = newPageImage(L, QImage::Format_Mono, pageNo);
    img.setColorTable(monoTable());
    const bool invert = monoInverted(L);
    const size_t bytes = (L.width + 7) / 8;
    const int stride =
        L.samplesUsed == 1 && L.spp > 1 && L.planar == PLANARCONFIG_CONTIG ? L.spp : 1;
    readRows(h, L, pageNo, [&](uint32_t y, const uchar* row) {
        uchar* out = img.scanLine(int(y));
        if (stride == 1) {
            std::memcpy(out, row, bytes);
        } else {
            std::memset(out, 0, bytes);
            for (uint32_t x = 0; x < L.width; ++x)
                if (index(row, quint64(x) * stride, 1)) out[x / 8] |= uchar(0x80 >> (x % 8));
        }
        if (invert)
            for (size_t i = 0; i < bytes; ++i)
                out[i] = uchar(~out[i]);
        if (L.width % 8)
            out[bytes - 1] &= uchar(0xFF00u >> (L.width % 8)); // padding bits stay clear
    });
    return img;
}

QImage decodeGray(TiffHandle& h, const Layout& L, int pageNo) {
    QImage img = newPageImage(L, QImage::Format_Grayscale8, pageNo);
    const bool invert = L.photometric == PHOTOMETRIC_MINISWHITE;
    const int stride = pixelStride(L);
    readRows(h, L, pageNo, [&](uint32_t y, const uchar* row) {
        uchar* out = img.scanLine(int(y));
        for (uint32_t x = 0; x < L.width; ++x) {
            const int v = sample8(row, quint64(x) * stride, L.bps);
            out[x] = uchar(invert ? 255 - v : v);
        }
    });
    return img;
}

QImage decodePalette(TiffHandle& h, const Layout& L, int pageNo) {
    QImage img = newPageImage(L, QImage::Format_RGB32, pageNo);
    const std::vector<QRgb> colors = paletteColors(L);
    const int stride = pixelStride(L);
    readRows(h, L, pageNo, [&](uint32_t y, const uchar* row) {
        auto* out = reinterpret_cast<QRgb*>(img.scanLine(int(y)));
        for (uint32_t x = 0; x < L.width; ++x)
            out[x] = colors[size_t(index(row, quint64(x) * stride, L.bps))];
    });
    return img;
}

QImage decodeRgb(TiffHandle& h, const Layout& L, int pageNo) {
    const int stride = pixelStride(L);
    if (!L.alpha) {
        // Held as stored: three bytes a pixel, not four.
        QImage img = newPageImage(L, QImage::Format_RGB888, pageNo);
        readRows(h, L, pageNo, [&](uint32_t y, const uchar* row) {
            uchar* out = img.scanLine(int(y));
            if (stride == 3 && L.bps == 8) {
                std::memcpy(out, row, size_t(L.width) * 3);
                return;
            }
            for (uint32_t x = 0; x < L.width; ++x) {
                const quint64 i = quint64(x) * stride;
                out[x * 3] = uchar(sample8(row, i, L.bps));
                out[x * 3 + 1] = uchar(sample8(row, i + 1, L.bps));
                out[x * 3 + 2] = uchar(sample8(row, i + 2, L.bps));
            }
        });
        return img;
    }
    QImage img = newPageImage(L, colourFormat(L), pageNo);
    readRows(h, L, pageNo, [&](uint32_t y, const uchar* row) {
        auto* out = reinterpret_cast<QRgb*>(img.scanLine(int(y)));
        for (uint32_t x = 0; x < L.width; ++x) {
            const quint64 i = quint64(x) * stride;
            const int a = L.alpha ? sample8(row, i + 3, L.bps) : 255;
            out[x] = qRgba(sample8(row, i, L.bps), sample8(row, i + 1, L.bps),
                           sample8(row, i + 2, L.bps), a);
        }
    });
    if (L.premultiplied) img.convertTo(QImage::Format_ARGB32);
    return img;
}

// ---------------------------------------------------------------------------------------
// Deep samples: more than 8 bits, signed or floating point

// Maps values of [lo, hi] to 0..255; NaN gives 0, values beyond the ends the end.
struct ToEightBits {
    double lo = 0, scale = 1;
    ToEightBits(double l, double h) : lo(l), scale(h > l ? 255.0 / (h - l) : 0.0) {}
    int operator()(double v) const {
        if (!(v == v)) return 0;
        const double s = (v - lo) * scale;
        return s <= 0 ? 0 : s >= 255 ? 255 : int(s + 0.5);
    }
};

// Reads sample `i` of a row as a number. Whole-byte integers and floating-point samples
// come in native byte order (libtiff swaps them); other depths are packed, most
// significant bit first.
class SampleReader {
public:
    explicit SampleReader(const Layout& L) : bps_(L.bps), format_(L.sampleFormat) {}

    double operator()(const uchar* row, quint64 i) const {
        if (format_ == SAMPLEFORMAT_IEEEFP) {
            switch (bps_) {
            case 16: {
                qfloat16 v;
                std::memcpy(&v, row + 2 * i, 2);
                return double(float(v));
            }
            case 32: {
                float v;
                std::memcpy(&v, row + 4 * i, 4);
                return double(v);
            }
            default: {
                double v;
                std::memcpy(&v, row + 8 * i, 8);
                return v;
            }
            }
        }
        quint64 raw = 0;
        switch (bps_) {
        case 8: raw = row[i]; break;
        case 16: { quint16 v; std::memcpy(&v, row + 2 * i, 2); raw = v; break; }
        case 32: { quint32 v; std::memcpy(&v, row + 4 * i, 4); raw = v; break; }
        case 24: {
            const uchar* p = row + 3 * i; // swapped to the machine's order as a whole
            raw = QSysInfo::ByteOrder == QSysInfo::LittleEndian
                      ? quint64(p[0]) | quint64(p[1]) << 8 | quint64(p[2]) << 16
                      : quint64(p[2]) | quint64(p[1]) << 8 | quint64(p[0]) << 16;
            break;
        }
        default: {
            const quint64 bit = i * quint64(bps_);
            for (int b = 0; b < bps_; ++b) {
                const quint64 at = bit + quint64(b);
                raw = raw << 1 | ((row[at / 8] >> (7 - at % 8)) & 1);
            }
        }
        }
        if (format_ == SAMPLEFORMAT_INT && bps_ < 64 && (raw >> (bps_ - 1)) & 1)
            return double(qint64(raw) - (qint64(1) << bps_)); // sign-extended
        return double(raw);
    }

    // The values a sample can take, for pages whose own range is empty: the whole integer
    // range, or 0 to 1 for floating point.
    std::pair<double, double> nominalRange() const {
        if (format_ == SAMPLEFORMAT_IEEEFP) return {0.0, 1.0};
        if (format_ == SAMPLEFORMAT_INT)
            return {-std::ldexp(1.0, bps_ - 1), std::ldexp(1.0, bps_ - 1) - 1};
        return {0.0, std::ldexp(1.0, bps_) - 1};
    }
    // Scaling for amounts that are absolute (alpha, inks): from zero to the largest value.
    ToEightBits absoluteScale() const {
        const auto [lo, hi] = nominalRange();
        return ToEightBits(std::max(lo, 0.0), hi);
    }

private:
    int bps_;
    uint16_t format_;
};

// Gray and RGB pages of deep samples. The colour samples of the whole page are scaled
// together from their smallest to their largest value (as viewers show such pages: a
// 12-bit image in 16-bit samples fills the gray scale); alpha goes by its nominal range.
QImage decodeDeep(TiffHandle& h, const Layout& L, int pageNo) {
    const bool gray = L.samplesUsed == 1;
    QImage img = newPageImage(L, gray ? QImage::Format_Grayscale8 : colourFormat(L), pageNo);
    const SampleReader read(L);
    const int stride = pixelStride(L);
    const int colours = gray ? 1 : 3;

    double lo = std::numeric_limits<double>::infinity(), hi = -lo;
    readRows(h, L, pageNo, [&](uint32_t, const uchar* row) {
        for (uint32_t x = 0; x < L.width; ++x)
            for (int c = 0; c < colours; ++c) {
                const double v = read(row, quint64(x) * stride + quint64(c));
                if (std::isfinite(v)) {
                    lo = std::min(lo, v);
                    hi = std::max(hi, v);
                }
            }
    });
    const auto nominal = read.nominalRange();
    const ToEightBits colour = hi > lo ? ToEightBits(lo, hi) : ToEightBits(nominal.first, nominal.second);
    const ToEightBits alpha = read.absoluteScale();
    const bool invert = L.photometric == PHOTOMETRIC_MINISWHITE;
    readRows(h, L, pageNo, [&](uint32_t y, const uchar* row) {
        if (gray) {
            uchar* out = img.scanLine(int(y));
            for (uint32_t x = 0; x < L.width; ++x) {
                const int v = colour(read(row, quint64(x) * stride));
                out[x] = uchar(invert ? 255 - v : v);
            }
            return;
        }
        auto* out = reinterpret_cast<QRgb*>(img.scanLine(int(y)));
        for (uint32_t x = 0; x < L.width; ++x) {
            const quint64 i = quint64(x) * stride;
            out[x] = qRgba(colour(read(row, i)), colour(read(row, i + 1)), colour(read(row, i + 2)),
                           L.alpha ? alpha(read(row, i + 3)) : 255);
        }
    });
    if (L.premultiplied) img.convertTo(QImage::Format_ARGB32);
    return img;
}

// Separated (CMYK) pages that libtiff's RGBA reader does not take. Ink amounts are
// absolute (0 no ink, the largest value full ink), so they are scaled by their nominal
// range, then converted as libtiff converts 8-bit CMYK.
QImage decodeCmyk(TiffHandle& h, const Layout& L, int pageNo) {
    QImage img = newPageImage(L, QImage::Format_RGB32, pageNo);
    const SampleReader read(L);
    const ToEightBits ink = read.absoluteScale();
    const int stride = pixelStride(L);
    readRows(h, L, pageNo, [&](uint32_t y, const uchar* row) {
        auto* out = reinterpret_cast<QRgb*>(img.scanLine(int(y)));
        for (uint32_t x = 0; x < L.width; ++x) {
            const quint64 i = quint64(x) * stride;
            const int k = 255 - ink(read(row, i + 3));
            out[x] = qRgb(k * (255 - ink(read(row, i))) / 255, k * (255 - ink(read(row, i + 1))) / 255,
                          k * (255 - ink(read(row, i + 2))) / 255);
        }
    });
    return img;
}

// Everything else (CMYK, CIE Lab, YCbCr without JPEG, old-style JPEG...) through libtiff's
// RGBA interface, rows as stored.
QImage decodeRgba(TiffHandle& h, const Layout& L, int pageNo) {
    TIFF* tif = h.tif();
    char emsg[1024] = {};
    const auto refuse = [&] {
        throw Error(kErrUnsupported, QStringLiteral("Page %1 cannot be displayed: %2")
                                         .arg(pageNo)
                                         .arg(QString::fromLocal8Bit(emsg)));
    };
    if (!TIFFRGBAImageOK(tif, emsg)) refuse();
    QImage img = newPageImage(L, QImage::Format_RGBA8888, pageNo);
    TIFFRGBAImage rgba;
    h.clearMessages();
    if (!TIFFRGBAImageBegin(&rgba, tif, 0, emsg)) refuse();
    rgba.req_orientation = rgba.orientation; // rows as stored; orientation is applied later
    // TIFFRGBAImageGet writes packed ABGR words (R in the low byte) into a contiguous raster:
    // the image's own rows, which are exactly width words long for a 32-bit format. In
    // memory that is RGBA8888 once the words are stored little-endian.
    auto* raster = reinterpret_cast<uint32_t*>(img.bits());
    const int ok = TIFFRGBAImageGet(&rgba, raster, L.width, L.height);
    TIFFRGBAImageEnd(&rgba);
    if (!ok) h.fail(kErrBadFile, QStringLiteral("Page %1 is damaged").arg(pageNo));
    bool hasAlpha = false;
    const size_t n = size_t(L.width) * L.height;
    for (size_t i = 0; i < n; ++i) {
        hasAlpha = hasAlpha || TIFFGetA(raster[i]) != 255;
        raster[i] = qToLittleEndian(raster[i]);
    }
    return img.convertToFormat(hasAlpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
}

QImage decodeStored(TiffHandle& h, const Layout& L, int pageNo) {
    if (decodesAsMono(L)) return decodeMono(h, L, pageNo);
    switch (L.kind) {
    case Kind::Gray:
        return decodeGray(h, L, pageNo);
    case Kind::Palette:
        return decodePalette(h, L, pageNo);
    case Kind::Rgb:
        return decodeRgb(h, L, pageNo);
    case Kind::Deep:
        return decodeDeep(h, L, pageNo);
    case Kind::Cmyk:
        return decodeCmyk(h, L, pageNo);
    default:
        return decodeRgba(h, L, pageNo);
    }
}

} // namespace

QImage decodeCurrentPage(TiffHandle& h, int pageNo) {
    const Layout L = readLayout(h, pageNo);
    return applyOrientation(decodeStored(h, L, pageNo), L.orientation);
}

QImage decodeCurrentPageScaled(TiffHandle& h, int pageNo, QSize box, bool grayScaling) {
    const Layout L = readLayout(h, pageNo);
    const bool turned = L.orientation >= 5 && L.orientation <= 8;
    const QSize shown =
        turned ? QSize(int(L.height), int(L.width)) : QSize(int(L.width), int(L.height));
    const QSize target = fitSize(shown, box);
    const bool shrinking = target.width() <= shown.width() && target.height() <= shown.height();
    if (!(grayScaling && shrinking && decodesAsMono(L))) {
        QImage page = decodeStored(h, L, pageNo);
        return scaleForDisplay(applyOrientation(page, L.orientation), box, grayScaling);
    }
    // Area-average while decoding: only one row of the page is held at a time.
    const QSize storedTarget = turned ? target.transposed() : target;
    MonoDownscaler scaler(int(L.width), int(L.height), storedTarget);
    const bool invert = monoInverted(L);
    const size_t bytes = (L.width + 7) / 8;
    std::vector<uchar> buf(bytes);
    const int stride = L.spp > 1 && L.planar == PLANARCONFIG_CONTIG ? L.spp : 1;
    readRows(h, L, pageNo, [&](uint32_t, const uchar* row) {
        if (stride == 1 && !invert) {
            scaler.addRow(row);
            return;
        }
        if (stride == 1) {
            for (size_t i = 0; i < bytes; ++i)
                buf[i] = uchar(~row[i]);
        } else {
            std::fill(buf.begin(), buf.end(), 0);
            for (uint32_t x = 0; x < L.width; ++x)
                if (bool(index(row, quint64(x) * stride, 1)) != invert)
                    buf[x / 8] |= uchar(0x80 >> (x % 8));
        }
        scaler.addRow(buf.data());
    });
    return applyOrientation(scaler.result(), L.orientation);
}

} // namespace imaging
