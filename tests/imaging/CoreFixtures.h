#pragma once
// TIFF fixtures for the engine's document tests, written with libtiff directly so that the
// engine's own writer is not involved, and small helpers to look at and patch files.
#include <QByteArray>
#include <QImage>
#include <QString>
#include <cstdint>
#include <functional>
#include <tiffio.h>
#include <vector>

namespace corefx {

struct Page {
    uint32_t width = 0, height = 0;
    uint16_t bps = 8, spp = 1;
    uint16_t photometric = PHOTOMETRIC_MINISBLACK;
    uint16_t compression = COMPRESSION_NONE;
    uint16_t orientation = ORIENTATION_TOPLEFT;
    uint16_t fillOrder = FILLORDER_MSB2LSB;
    uint16_t planar = PLANARCONFIG_CONTIG;
    uint32_t rowsPerStrip = 0;              // 0: the whole page in one strip
    uint32_t tileWidth = 0, tileHeight = 0; // non-zero: tiled
    float dpi = 0;
    uint16_t extraSample = 0xFFFF;          // EXTRASAMPLE_* for a fourth sample, 0xFFFF: none
    uint16_t sampleFormat = SAMPLEFORMAT_UINT;
    int sgilogDataFormat = -1;              // SGILOGDATAFMT_* for LogLuv pages
    std::vector<uint16_t> red, green, blue; // palette
    bool jpegRgb = false;                   // YCbCr JPEG fed with RGB samples
    int jpegQuality = 95;
    // Stored samples: rows of ceil(width * spp * bps / 8) bytes, interleaved, whole-byte
    // samples of 16 bits or more in this machine's byte order, other depths packed most
    // significant bit first. For planar separate pages: plane after plane.
    std::vector<uint8_t> samples;
    // Write `samples` unchanged as the strip's raw bytes (for hand-made fill order 2).
    bool rawStrip = false;
};

size_t rowBytes(const Page& p);

// A page of `bps`-bit single samples from value(x, y) (stored coordinates).
Page grayPage(uint32_t w, uint32_t h, uint16_t bps, const std::function<int(int, int)>& value);
// A 1-bit page: black(x, y) says which stored pixels are black.
Page bitonalPage(uint32_t w, uint32_t h, bool minIsWhite, uint16_t compression,
                 const std::function<bool(int, int)>& black);
// An 8-bit RGB page from rgb(x, y).
Page rgbPage(uint32_t w, uint32_t h, const std::function<QRgb(int, int)>& rgb);

// Writes a multi-page file. `mode` is libtiff's: "w" (classic, this machine's byte order),
// "wb" (big-endian), "w8" (BigTIFF).
void writeTiff(const QString& path, const std::vector<Page>& pages, const char* mode = "w");

QByteArray readFile(const QString& path);
void writeFile(const QString& path, const QByteArray& bytes);

// Classic little-endian TIFF surgery for hostile-file tests.
uint32_t le32(const QByteArray& b, qsizetype at);
uint16_t le16(const QByteArray& b, qsizetype at);
void setLe32(QByteArray& b, qsizetype at, uint32_t v);
void setLe16(QByteArray& b, qsizetype at, uint16_t v);
// Offsets of the IFDs of a classic little-endian file (follows at most 64).
std::vector<uint32_t> ifdOffsets(const QByteArray& b);
// Position of the 12-byte entry of `tag` in the IFD at `ifd`, or -1.
qsizetype entryPos(const QByteArray& b, uint32_t ifd, uint16_t tag);

// Black pixels of a decoded page, whatever its format.
bool isBlack(const QImage& img, int x, int y);

} // namespace corefx
