#include "CoreFixtures.h"

#include <QFile>
#include <cstring>
#include <stdexcept>

namespace corefx {

size_t rowBytes(const Page& p) {
    const int samples = p.planar == PLANARCONFIG_SEPARATE ? 1 : p.spp;
    return (size_t(p.width) * samples * p.bps + 7) / 8;
}

Page grayPage(uint32_t w, uint32_t h, uint16_t bps, const std::function<int(int, int)>& value) {
    Page p;
    p.width = w;
    p.height = h;
    p.bps = bps;
    p.spp = 1;
    p.photometric = PHOTOMETRIC_MINISBLACK;
    const size_t rb = rowBytes(p);
    p.samples.assign(rb * h, 0);
    for (uint32_t y = 0; y < h; ++y) {
        uint8_t* row = p.samples.data() + y * rb;
        for (uint32_t x = 0; x < w; ++x) {
            const int v = value(int(x), int(y));
            switch (bps) {
            case 16: {
                const uint16_t s = uint16_t(v);
                std::memcpy(row + 2 * x, &s, 2);
                break;
            }
            case 8:
                row[x] = uint8_t(v);
                break;
            default: {
                const int perByte = 8 / bps;
                const int shift = 8 - bps * (int(x % perByte) + 1);
                row[x / perByte] |= uint8_t((v & ((1 << bps) - 1)) << shift);
            }
            }
        }
    }
    return p;
}

Page bitonalPage(uint32_t w, uint32_t h, bool minIsWhite, uint16_t compression,
                 const std::function<bool(int, int)>& black) {
    Page p = grayPage(w, h, 1, [&](int x, int y) { return black(x, y) == minIsWhite ? 1 : 0; });
    p.photometric = minIsWhite ? PHOTOMETRIC_MINISWHITE : PHOTOMETRIC_MINISBLACK;
    p.compression = compression;
    return p;
}

Page rgbPage(uint32_t w, uint32_t h, const std::function<QRgb(int, int)>& rgb) {
    Page p;
    p.width = w;
    p.height = h;
    p.bps = 8;
    p.spp = 3;
    p.photometric = PHOTOMETRIC_RGB;
    p.samples.resize(size_t(w) * h * 3);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) {
            const QRgb c = rgb(int(x), int(y));
            uint8_t* s = p.samples.data() + (size_t(y) * w + x) * 3;
            s[0] = uint8_t(qRed(c));
            s[1] = uint8_t(qGreen(c));
            s[2] = uint8_t(qBlue(c));
        }
    return p;
}

namespace {

void check(bool ok, const char* what) {
    if (!ok) throw std::runtime_error(std::string("fixture: ") + what);
}

void writePage(TIFF* tif, const Page& p, int index, int total) {
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, p.width);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, p.height);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, p.bps);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, p.spp);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, p.planar);
    TIFFSetField(tif, TIFFTAG_ORIENTATION, p.orientation);
    TIFFSetField(tif, TIFFTAG_FILLORDER, p.fillOrder);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, p.compression);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, p.jpegRgb ? PHOTOMETRIC_YCBCR : p.photometric);
    if (total > 1) {
        TIFFSetField(tif, TIFFTAG_SUBFILETYPE, FILETYPE_PAGE);
        TIFFSetField(tif, TIFFTAG_PAGENUMBER, uint16_t(index), uint16_t(total));
    }
    if (p.dpi > 0) {
        TIFFSetField(tif, TIFFTAG_XRESOLUTION, p.dpi);
        TIFFSetField(tif, TIFFTAG_YRESOLUTION, p.dpi);
        TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
    }
    if (p.extraSample != 0xFFFF) {
        const uint16_t extra[] = {p.extraSample};
        TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, extra);
    }
    if (p.sampleFormat != SAMPLEFORMAT_UINT) TIFFSetField(tif, TIFFTAG_SAMPLEFORMAT, p.sampleFormat);
    if (p.sgilogDataFormat >= 0) TIFFSetField(tif, TIFFTAG_SGILOGDATAFMT, p.sgilogDataFormat);
    if (p.photometric == PHOTOMETRIC_PALETTE)
        TIFFSetField(tif, TIFFTAG_COLORMAP, p.red.data(), p.green.data(), p.blue.data());
    if (p.compression == COMPRESSION_JPEG) {
        TIFFSetField(tif, TIFFTAG_JPEGQUALITY, p.jpegQuality);
        if (p.jpegRgb) TIFFSetField(tif, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
    }
    if (p.compression == COMPRESSION_LZW || p.compression == COMPRESSION_ADOBE_DEFLATE)
        if (p.bps == 8 && p.planar == PLANARCONFIG_CONTIG)
            TIFFSetField(tif, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);

    const size_t rb = rowBytes(p);
    const int planes = p.planar == PLANARCONFIG_SEPARATE ? p.spp : 1;
    if (p.tileWidth) {
        TIFFSetField(tif, TIFFTAG_TILEWIDTH, p.tileWidth);
        TIFFSetField(tif, TIFFTAG_TILELENGTH, p.tileHeight);
        const size_t tileRow = TIFFTileRowSize(tif);
        std::vector<uint8_t> tile(TIFFTileSize(tif));
        const int samples = p.planar == PLANARCONFIG_SEPARATE ? 1 : p.spp;
        const size_t bitsPerPixel = size_t(samples) * p.bps;
        for (int plane = 0; plane < planes; ++plane)
            for (uint32_t ty = 0; ty < p.height; ty += p.tileHeight)
                for (uint32_t tx = 0; tx < p.width; tx += p.tileWidth) {
                    std::fill(tile.begin(), tile.end(), 0);
                    for (uint32_t r = 0; r < p.tileHeight && ty + r < p.height; ++r) {
                        const uint8_t* src = p.samples.data() + size_t(plane) * rb * p.height +
                                             size_t(ty + r) * rb + tx * bitsPerPixel / 8;
                        const size_t avail = rb - tx * bitsPerPixel / 8;
                        std::memcpy(tile.data() + r * tileRow, src, std::min(tileRow, avail));
                    }
                    check(TIFFWriteTile(tif, tile.data(), tx, ty, 0, uint16_t(plane)) >= 0, "tile");
                }
    } else {
        const uint32_t rps = p.rowsPerStrip ? p.rowsPerStrip : p.height;
        TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, rps);
        if (p.rawStrip) {
            check(TIFFWriteRawStrip(tif, 0, const_cast<uint8_t*>(p.samples.data()),
                                    tmsize_t(p.samples.size())) >= 0,
                  "raw strip");
        } else {
            const uint32_t perPlane = (p.height + rps - 1) / rps;
            for (int plane = 0; plane < planes; ++plane)
                for (uint32_t s = 0; s < perPlane; ++s) {
                    const uint32_t rows = std::min(rps, p.height - s * rps);
                    const uint8_t* src =
                        p.samples.data() + size_t(plane) * rb * p.height + size_t(s) * rps * rb;
                    check(TIFFWriteEncodedStrip(tif, plane * perPlane + s,
                                                const_cast<uint8_t*>(src),
                                                tmsize_t(rows * rb)) >= 0,
                          "strip");
                }
        }
    }
    check(TIFFWriteDirectory(tif), "directory");
}

} // namespace

void writeTiff(const QString& path, const std::vector<Page>& pages, const char* mode) {
    TIFF* tif = TIFFOpen(QFile::encodeName(path).constData(), mode);
    check(tif != nullptr, "open");
    for (size_t i = 0; i < pages.size(); ++i)
        writePage(tif, pages[i], int(i), int(pages.size()));
    TIFFClose(tif);
}

QByteArray readFile(const QString& path) {
    QFile f(path);
    check(f.open(QIODevice::ReadOnly), "read");
    return f.readAll();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    check(f.open(QIODevice::WriteOnly | QIODevice::Truncate), "write");
    f.write(bytes);
}

uint32_t le32(const QByteArray& b, qsizetype at) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | uint8_t(b[at + i]);
    return v;
}

uint16_t le16(const QByteArray& b, qsizetype at) {
    return uint16_t(uint8_t(b[at]) | (uint8_t(b[at + 1]) << 8));
}

void setLe32(QByteArray& b, qsizetype at, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + i] = char((v >> (8 * i)) & 0xFF);
}

void setLe16(QByteArray& b, qsizetype at, uint16_t v) {
    b[at] = char(v & 0xFF);
    b[at + 1] = char(v >> 8);
}

std::vector<uint32_t> ifdOffsets(const QByteArray& b) {
    check(b.startsWith("II*"), "little-endian classic TIFF expected");
    std::vector<uint32_t> out;
    uint32_t off = le32(b, 4);
    while (off != 0 && out.size() < 64 && off + 2 <= uint32_t(b.size())) {
        out.push_back(off);
        const uint16_t n = le16(b, off);
        off = le32(b, off + 2 + 12 * n);
    }
    return out;
}

qsizetype entryPos(const QByteArray& b, uint32_t ifd, uint16_t tag) {
    const uint16_t n = le16(b, ifd);
    for (uint16_t i = 0; i < n; ++i) {
        const qsizetype pos = ifd + 2 + 12 * i;
        if (le16(b, pos) == tag) return pos;
    }
    return -1;
}

bool isBlack(const QImage& img, int x, int y) {
    return qGray(img.pixel(x, y)) < 128;
}

} // namespace corefx
