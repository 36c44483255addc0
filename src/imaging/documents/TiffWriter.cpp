#include "imaging/documents/TiffWriter.h"

#include "imaging/annotations/Annotation.h"
#include "imaging/documents/Document.h"
#include "imaging/pixels/ImagingError.h"

#include <QtEndian>
#include <algorithm>
#include <cstdarg>
#include <cstring>
#include <tiffio.h>

namespace imaging {

using namespace tiff;

namespace {

// Tags that point into the source file or to other directories: dropped (offsets and byte
// counts are rebuilt, page numbers rewritten).
bool droppedTag(quint16 tag) {
    switch (tag) {
    case kTagStripOffsets:
    case kTagStripByteCounts:
    case kTagTileOffsets:
    case kTagTileByteCounts:
    case kTagPageNumber:
    case kTagFreeOffsets:
    case kTagFreeByteCounts:
    case kTagSubIfds:
    case kTagJpegIfOffset:
    case kTagJpegIfByteCount:
    case kTagExifIfd:
    case kTagGpsIfd:
    case kTagInteropIfd:
        return true;
    default:
        return false;
    }
}

struct OutEntry {
    quint16 tag = 0;
    quint16 type = 0;
    quint64 count = 0;
    QByteArray bytes; // output byte order
    enum Role { Plain, Offsets } role = Plain;
    quint64 position = 0; // where out-of-line bytes go
};

struct PagePlan {
    std::vector<OutEntry> entries;
    std::vector<quint64> srcOffsets, srcCounts;
    std::vector<quint64> outOffsets;
    quint64 ifdPosition = 0;
    quint64 ifdBytes = 0; // directory and its small values
};

constexpr quint64 kSmallValue = 256; // values up to this size stay beside their directory

class Encoder {
public:
    explicit Encoder(bool bigEndian) : big_(bigEndian) {}
    void put16(uchar* p, quint16 v) const { big_ ? qToBigEndian(v, p) : qToLittleEndian(v, p); }
    void put32(uchar* p, quint32 v) const { big_ ? qToBigEndian(v, p) : qToLittleEndian(v, p); }
    void put64(uchar* p, quint64 v) const { big_ ? qToBigEndian(v, p) : qToLittleEndian(v, p); }
    QByteArray array(const std::vector<quint64>& values, int size) const {
        QByteArray b(qsizetype(values.size()) * size, Qt::Uninitialized);
        auto* p = reinterpret_cast<uchar*>(b.data());
        for (quint64 v : values) {
            if (size == 2)
                put16(p, quint16(v));
            else if (size == 4)
                put32(p, quint32(v));
            else
                put64(p, v);
            p += size;
        }
        return b;
    }

private:
    bool big_;
};

PagePlan planPage(const WritePage& page, int index, int total, bool bigEndian, bool bigTiff) {
    const TiffFile& file = *page.file;
    const Ifd& ifd = page.ifd;
    const Encoder enc(bigEndian);
    PagePlan plan;

    const bool tiled = ifd.find(kTagTileOffsets) != nullptr;
    const Entry* offs = ifd.find(tiled ? kTagTileOffsets : kTagStripOffsets);
    const Entry* counts = ifd.find(tiled ? kTagTileByteCounts : kTagStripByteCounts);
    if (!offs || !counts)
        throw Error(kErrBadFile, QStringLiteral("Page %1 has no image data").arg(page.pageNo));
    plan.srcOffsets = file.uintValues(*offs);
    plan.srcCounts = file.uintValues(*counts);
    if (plan.srcOffsets.empty() || plan.srcOffsets.size() != plan.srcCounts.size())
        throw Error(kErrBadFile,
                    QStringLiteral("Page %1 has inconsistent strip tables").arg(page.pageNo));
    for (size_t i = 0; i < plan.srcOffsets.size(); ++i)
        if (plan.srcCounts[i] != 0 &&
            !file.source()->contains(plan.srcOffsets[i], plan.srcCounts[i]))
            throw Error(kErrBadFile,
                        QStringLiteral("The data of page %1 lies outside the file (truncated?)")
                            .arg(page.pageNo));

    const bool swap = file.header().bigEndian != bigEndian;
    for (const Entry& e : ifd.entries) {
        if (droppedTag(e.tag) || !e.valid || typeSize(e.type) == 0) continue;
        if (e.type == kIfd || e.type == kIfd8) continue;
        if (!bigTiff && (e.type == kLong8 || e.type == kSLong8)) continue;
        if (e.tag == kAnnotationTiffTag && page.annotations) continue;
        if (ifd.find(e.tag) != &e)
            continue; // a repeated tag: the first one counts, as when reading
        OutEntry o;
        o.tag = e.tag;
        o.type = e.type;
        o.count = e.count;
        o.bytes = file.value(e);
        if (swap) swapValueBytes(o.bytes, e.type);
        plan.entries.push_back(std::move(o));
    }

    const int countSize = bigTiff ? 8 : 4;
    const quint64 maxCount = *std::max_element(plan.srcCounts.begin(), plan.srcCounts.end());
    if (!bigTiff && maxCount > 0xFFFFFFFFull)
        throw Error(kErrTooLarge,
                    QStringLiteral("Page %1 is too large for a TIFF file").arg(page.pageNo));
    OutEntry offEntry;
    offEntry.tag = tiled ? kTagTileOffsets : kTagStripOffsets;
    offEntry.type = bigTiff ? kLong8 : kLong;
    offEntry.count = plan.srcOffsets.size();
    offEntry.bytes =
        QByteArray(qsizetype(plan.srcOffsets.size()) * countSize, '\0'); // filled later
    offEntry.role = OutEntry::Offsets;
    plan.entries.push_back(offEntry);
    OutEntry cntEntry;
    cntEntry.tag = tiled ? kTagTileByteCounts : kTagStripByteCounts;
    cntEntry.type = bigTiff ? kLong8 : kLong;
    cntEntry.count = plan.srcCounts.size();
    cntEntry.bytes = enc.array(plan.srcCounts, countSize);
    plan.entries.push_back(cntEntry);

    OutEntry pageNumber;
    pageNumber.tag = kTagPageNumber;
    pageNumber.type = kShort;
    pageNumber.count = 2;
    pageNumber.bytes =
        enc.array({quint64(std::min(index, 0xFFFF)), quint64(std::min(total, 0xFFFF))}, 2);
    plan.entries.push_back(pageNumber);

    if (page.annotations && !page.annotations->isEmpty()) {
        OutEntry ann;
        ann.tag = quint16(kAnnotationTiffTag);
        ann.type = kUndefined;
        ann.count = quint64(page.annotations->size());
        ann.bytes = *page.annotations;
        plan.entries.push_back(ann);
    }
    std::sort(plan.entries.begin(), plan.entries.end(),
              [](const OutEntry& a, const OutEntry& b) { return a.tag < b.tag; });
    return plan;
}

quint64 even(quint64 v) {
    return (v + 1) & ~quint64(1);
}

// Assigns file positions; returns the file size.
quint64 layout(std::vector<PagePlan>& plans, bool bigTiff) {
    const quint64 inlineCap = bigTiff ? 8 : 4;
    const quint64 entrySize = bigTiff ? 20 : 12;
    const quint64 frame = bigTiff ? 16 : 6; // entry count and next-directory offset
    quint64 pos = bigTiff ? 16 : 8;
    for (PagePlan& p : plans) {
        p.ifdPosition = pos;
        quint64 valuePos = pos + frame + entrySize * p.entries.size();
        for (OutEntry& e : p.entries)
            if (quint64(e.bytes.size()) > inlineCap && quint64(e.bytes.size()) <= kSmallValue) {
                e.position = valuePos;
                valuePos = even(valuePos + quint64(e.bytes.size()));
            }
        p.ifdBytes = valuePos - pos;
        pos = valuePos;
    }
    for (PagePlan& p : plans) {
        p.outOffsets.resize(p.srcOffsets.size());
        for (size_t i = 0; i < p.srcOffsets.size(); ++i) {
            p.outOffsets[i] = pos;
            pos += p.srcCounts[i];
        }
        for (OutEntry& e : p.entries)
            if (quint64(e.bytes.size()) > kSmallValue) {
                pos = even(pos);
                e.position = pos;
                pos += quint64(e.bytes.size());
            }
        pos = even(pos);
    }
    return pos;
}

QByteArray directoryBytes(const PagePlan& p, quint64 next, bool bigEndian, bool bigTiff) {
    const Encoder enc(bigEndian);
    const quint64 inlineCap = bigTiff ? 8 : 4;
    const quint64 entrySize = bigTiff ? 20 : 12;
    QByteArray out(qsizetype(p.ifdBytes), '\0');
    auto* base = reinterpret_cast<uchar*>(out.data());
    uchar* q = base;
    if (bigTiff) {
        enc.put64(q, p.entries.size());
        q += 8;
    } else {
        enc.put16(q, quint16(p.entries.size()));
        q += 2;
    }
    for (const OutEntry& e : p.entries) {
        enc.put16(q, e.tag);
        enc.put16(q + 2, e.type);
        const quint64 size = quint64(e.bytes.size());
        if (bigTiff)
            enc.put64(q + 4, e.count);
        else
            enc.put32(q + 4, quint32(e.count));
        uchar* field = q + (bigTiff ? 12 : 8);
        if (size <= inlineCap)
            std::memcpy(field, e.bytes.constData(), size_t(size));
        else if (bigTiff)
            enc.put64(field, e.position);
        else
            enc.put32(field, quint32(e.position));
        if (size > inlineCap && size <= kSmallValue)
            std::memcpy(base + (e.position - p.ifdPosition), e.bytes.constData(), size_t(size));
        q += entrySize;
    }
    if (bigTiff)
        enc.put64(q, next);
    else
        enc.put32(q, quint32(next));
    return out;
}

// Copies the page's strips or tiles, joining runs that lie back to back in the source.
void copyData(AtomicFile& out, const TiffFile& file, const PagePlan& p, std::vector<char>& buf,
              int pageNo) {
    const ByteSource& src = *file.source();
    size_t i = 0;
    while (i < p.srcOffsets.size()) {
        const quint64 start = p.srcOffsets[i];
        quint64 len = p.srcCounts[i];
        size_t j = i + 1;
        while (j < p.srcOffsets.size() && p.srcOffsets[j] == start + len) {
            len += p.srcCounts[j];
            ++j;
        }
        if (len > 0 && src.data()) {
            out.write(src.data() + start, size_t(len));
        } else {
            for (quint64 done = 0; done < len;) {
                const size_t n = size_t(std::min<quint64>(buf.size(), len - done));
                if (!src.readExact(start + done, buf.data(), n))
                    throw Error(kErrFileAccess,
                                QStringLiteral("Cannot read the data of page %1").arg(pageNo));
                out.write(buf.data(), n);
                done += n;
            }
        }
        i = j;
    }
}

} // namespace

namespace {

// Whether the strip or tile table is one libtiff uses as stored. libtiff repairs tables that
// look wrong (byte counts of zero, uncompressed strips shorter than their rows) and then
// reads more than the stored counts say: a copy of the table as stored would not decode as
// the source does, so such pages are decoded and encoded instead.
QString stripTableObstacle(const TiffFile& file, const Ifd& ifd, bool tiled) {
    const Entry* offs = ifd.find(tiled ? kTagTileOffsets : kTagStripOffsets);
    const Entry* counts = ifd.find(tiled ? kTagTileByteCounts : kTagStripByteCounts);
    if (!offs || !counts) return QStringLiteral("no strip table");
    std::vector<quint64> o, c;
    try {
        o = file.uintValues(*offs);
        c = file.uintValues(*counts);
    } catch (const Error&) {
        return QStringLiteral("damaged strip table");
    }
    const quint64 w = file.uintValue(ifd, kTagImageWidth).value_or(0);
    const quint64 h = file.uintValue(ifd, kTagImageLength).value_or(0);
    const quint64 bps = file.uintValue(ifd, kTagBitsPerSample).value_or(1);
    const quint64 spp = file.uintValue(ifd, kTagSamplesPerPixel).value_or(1);
    const bool separate = file.uintValue(ifd, kTagPlanarConfig).value_or(1) == 2;
    const quint64 planes = separate ? spp : 1;
    const quint64 unitW = tiled ? file.uintValue(ifd, kTagTileWidth).value_or(0) : w;
    quint64 unitH = tiled ? file.uintValue(ifd, kTagTileLength).value_or(0)
                          : file.uintValue(ifd, kTagRowsPerStrip).value_or(h);
    if (!tiled) unitH = std::min(unitH, h);
    if (w == 0 || h == 0 || unitW == 0 || unitH == 0 || w > 0xFFFF || h > 0xFFFF ||
        unitW > 0xFFFF || bps == 0 || bps > 64 || spp == 0 || spp > 64)
        return QStringLiteral("unusual layout");
    const quint64 across = (w + unitW - 1) / unitW;
    const quint64 down = (h + unitH - 1) / unitH;
    if (o.size() != c.size() || o.size() != across * down * planes)
        return QStringLiteral("unexpected number of strips");
    const bool uncompressed = file.uintValue(ifd, kTagCompression).value_or(1) == 1;
    const quint64 rowBytes = (unitW * (separate ? 1 : spp) * bps + 7) / 8;
    for (size_t i = 0; i < o.size(); ++i) {
        if (c[i] == 0 && o[i] != 0) return QStringLiteral("empty strips");
        if (!file.source()->contains(o[i], c[i])) return QStringLiteral("strips outside the file");
        if (uncompressed) {
            const quint64 row = (i / across) % down;
            const quint64 rows = tiled ? unitH : std::min(unitH, h - row * unitH);
            if (c[i] < rows * rowBytes) return QStringLiteral("short uncompressed strips");
        }
    }
    return QString();
}

} // namespace

QString rawCopyObstacle(const TiffFile& file, const Ifd& ifd, bool bigEndianOutput) {
    const bool tiled = ifd.find(kTagTileOffsets) != nullptr;
    const QString table = stripTableObstacle(file, ifd, tiled);
    if (!table.isEmpty()) return table;
    if (file.uintValue(ifd, kTagCompression).value_or(1) == COMPRESSION_OJPEG)
        return QStringLiteral("old-style JPEG");
    if (file.uintValue(ifd, kTagBitsPerSample).value_or(1) > 8 &&
        file.header().bigEndian != bigEndianOutput)
        return QStringLiteral("samples in the other byte order");
    return QString();
}

void writeTiff(AtomicFile& out, const std::vector<WritePage>& pages, bool bigEndian) {
    if (pages.empty())
        throw Error(kErrBadArgument, QStringLiteral("A TIFF file needs at least one page"));
    const int total = int(pages.size());
    bool bigTiff = false;
    std::vector<PagePlan> plans;
    quint64 size = 0;
    for (int attempt = 0; attempt < 2; ++attempt) {
        plans.clear();
        for (int i = 0; i < total; ++i)
            plans.push_back(planPage(pages[size_t(i)], i, total, bigEndian, bigTiff));
        size = layout(plans, bigTiff);
        if (bigTiff || size < 0xFFFFFFF0ull) break;
        bigTiff = true; // over 4 GiB: the 64-bit variant of the format
    }
    const Encoder enc(bigEndian);
    const int offSize = bigTiff ? 8 : 4;
    for (PagePlan& p : plans)
        for (OutEntry& e : p.entries)
            if (e.role == OutEntry::Offsets) e.bytes = enc.array(p.outOffsets, offSize);

    uchar header[16] = {};
    header[0] = header[1] = bigEndian ? 'M' : 'I';
    if (bigTiff) {
        enc.put16(header + 2, 43);
        enc.put16(header + 4, 8);
        enc.put64(header + 8, plans.front().ifdPosition);
        out.write(header, 16);
    } else {
        enc.put16(header + 2, 42);
        enc.put32(header + 4, quint32(plans.front().ifdPosition));
        out.write(header, 8);
    }
    for (size_t i = 0; i < plans.size(); ++i) {
        const quint64 next = i + 1 < plans.size() ? plans[i + 1].ifdPosition : 0;
        out.write(directoryBytes(plans[i], next, bigEndian, bigTiff).constData(),
                  size_t(plans[i].ifdBytes));
    }
    std::vector<char> buf(4 << 20);
    const char zero[2] = {0, 0};
    for (size_t i = 0; i < plans.size(); ++i) {
        const PagePlan& p = plans[i];
        if (!p.outOffsets.empty() && out.position() != p.outOffsets.front())
            out.write(zero, size_t(p.outOffsets.front() - out.position()));
        copyData(out, *pages[i].file, p, buf, pages[i].pageNo);
        for (const OutEntry& e : p.entries)
            if (quint64(e.bytes.size()) > kSmallValue) {
                if (out.position() != e.position)
                    out.write(zero, size_t(e.position - out.position()));
                out.write(e.bytes.constData(), size_t(e.bytes.size()));
            }
    }
    if (out.position() < size) out.write(zero, size_t(size - out.position()));
}

// ---------------------------------------------------------------------------------------
// Encoding new pixels with libtiff, into memory

namespace {

struct MemoryTiff {
    QByteArray data;
    quint64 pos = 0;
    QStringList errors;
};

MemoryTiff* mem(thandle_t h) {
    return static_cast<MemoryTiff*>(h);
}

tmsize_t memRead(thandle_t h, void* buf, tmsize_t size) {
    MemoryTiff* m = mem(h);
    if (m->pos >= quint64(m->data.size())) return 0;
    const tmsize_t n = std::min<tmsize_t>(size, tmsize_t(quint64(m->data.size()) - m->pos));
    std::memcpy(buf, m->data.constData() + m->pos, size_t(n));
    m->pos += quint64(n);
    return n;
}

tmsize_t memWrite(thandle_t h, void* buf, tmsize_t size) {
    MemoryTiff* m = mem(h);
    const quint64 end = m->pos + quint64(size);
    if (end > quint64(kMaxDecodedPageBytes) * 2) return -1;
    if (end > quint64(m->data.size())) m->data.resize(qsizetype(end));
    std::memcpy(m->data.data() + m->pos, buf, size_t(size));
    m->pos = end;
    return size;
}

toff_t memSeek(thandle_t h, toff_t off, int whence) {
    MemoryTiff* m = mem(h);
    const quint64 base = whence == SEEK_CUR   ? m->pos
                         : whence == SEEK_END ? quint64(m->data.size())
                                              : 0;
    m->pos = base + off;
    return m->pos;
}

int memClose(thandle_t) {
    return 0;
}
toff_t memSize(thandle_t h) {
    return toff_t(mem(h)->data.size());
}
int memMap(thandle_t, void**, toff_t*) {
    return 0;
}
void memUnmap(thandle_t, void*, toff_t) {}

int memError(TIFF*, void* user, const char*, const char* fmt, va_list ap) {
    char buf[512];
    std::vsnprintf(buf, sizeof buf, fmt, ap);
    static_cast<MemoryTiff*>(user)->errors << QString::fromLocal8Bit(buf);
    return 1;
}
int memWarning(TIFF*, void*, const char*, const char*, va_list) {
    return 1;
}

[[noreturn]] void encodeFailed(const MemoryTiff& m) {
    throw Error(
        kErrBadArgument,
        QStringLiteral("The page cannot be encoded: %1").arg(m.errors.join(QStringLiteral("; "))));
}

} // namespace

QByteArray encodeTiffPage(const QImage& input, double xDpi, double yDpi, bool preferJpeg) {
    if (input.isNull()) throw Error(kErrBadArgument, QStringLiteral("The page has no pixels"));
    if (input.width() > kMaxPageDimension || input.height() > kMaxPageDimension)
        throw Error(kErrTooLarge, QStringLiteral("The page is too large to save"));
    enum class Mode { Mono, Gray, Rgb, Rgba } mode;
    QImage img;
    if (input.depth() == 1) {
        mode = Mode::Mono;
        img = input.convertToFormat(QImage::Format_Mono);
        // White is zero in the file: index 1 must be the dark one.
        if (img.colorCount() >= 2 && qGray(img.color(1)) > qGray(img.color(0))) img.invertPixels();
    } else if (input.format() == QImage::Format_Grayscale8 ||
               (input.isGrayscale() && !input.hasAlphaChannel())) {
        mode = Mode::Gray;
        img = input.convertToFormat(QImage::Format_Grayscale8);
    } else if (input.hasAlphaChannel() && !preferJpeg) {
        mode = Mode::Rgba;
        img = input.convertToFormat(QImage::Format_RGBA8888);
    } else {
        mode = Mode::Rgb;
        img = input.convertToFormat(QImage::Format_RGB888);
    }

    MemoryTiff m;
    TIFFOpenOptions* opts = TIFFOpenOptionsAlloc();
    TIFFOpenOptionsSetErrorHandlerExtR(opts, memError, &m);
    TIFFOpenOptionsSetWarningHandlerExtR(opts, memWarning, &m);
    TIFF* tif = TIFFClientOpenExt("page", "wl", &m, memRead, memWrite, memSeek, memClose, memSize,
                                  memMap, memUnmap, opts);
    TIFFOpenOptionsFree(opts);
    if (!tif) encodeFailed(m);

    const uint32_t w = uint32_t(img.width()), h = uint32_t(img.height());
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, w);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, h);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
    if (xDpi > 0 && yDpi > 0) {
        TIFFSetField(tif, TIFFTAG_XRESOLUTION, float(xDpi));
        TIFFSetField(tif, TIFFTAG_YRESOLUTION, float(yDpi));
        TIFFSetField(tif, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
    }
    size_t rowBytes = 0;
    switch (mode) {
    case Mode::Mono:
        TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 1);
        TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISWHITE);
        TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_CCITTFAX4);
        TIFFSetField(tif, TIFFTAG_FILLORDER, FILLORDER_MSB2LSB);
        rowBytes = (w + 7) / 8;
        break;
    case Mode::Gray:
        TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
        TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
        rowBytes = w;
        break;
    case Mode::Rgb:
        TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
        TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 3);
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, preferJpeg ? PHOTOMETRIC_YCBCR : PHOTOMETRIC_RGB);
        rowBytes = size_t(w) * 3;
        break;
    case Mode::Rgba: {
        TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
        TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 4);
        TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
        const uint16_t extra[] = {EXTRASAMPLE_UNASSALPHA};
        TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, extra);
        rowBytes = size_t(w) * 4;
        break;
    }
    }
    uint32_t rowsPerStrip = h;
    if (mode != Mode::Mono) {
        if (preferJpeg) {
            TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_JPEG);
            TIFFSetField(tif, TIFFTAG_JPEGQUALITY, kJpegQuality);
            if (mode == Mode::Rgb) TIFFSetField(tif, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
        } else {
            TIFFSetField(tif, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE);
            TIFFSetField(tif, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
        }
        // Strips of about 256 KB, a multiple of 16 rows (JPEG's chroma blocks).
        rowsPerStrip = std::max<uint32_t>(16, uint32_t((256 * 1024 / rowBytes) / 16 * 16));
        rowsPerStrip = std::min(rowsPerStrip, h);
    }
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, rowsPerStrip);

    if (mode == Mode::Mono) {
        // One strip, fed a row at a time: a large page is not copied again.
        for (uint32_t y = 0; y < h; ++y)
            if (TIFFWriteScanline(tif, const_cast<uchar*>(img.constScanLine(int(y))), y, 0) < 0) {
                TIFFClose(tif);
                encodeFailed(m);
            }
    } else {
        std::vector<uchar> strip(rowBytes * rowsPerStrip);
        for (uint32_t y0 = 0, s = 0; y0 < h; y0 += rowsPerStrip, ++s) {
            const uint32_t rows = std::min(rowsPerStrip, h - y0);
            for (uint32_t r = 0; r < rows; ++r)
                std::memcpy(strip.data() + r * rowBytes, img.constScanLine(int(y0 + r)), rowBytes);
            if (TIFFWriteEncodedStrip(tif, s, strip.data(), tmsize_t(rows * rowBytes)) < 0) {
                TIFFClose(tif);
                encodeFailed(m);
            }
        }
    }
    if (!TIFFWriteDirectory(tif)) {
        TIFFClose(tif);
        encodeFailed(m);
    }
    TIFFClose(tif);
    return m.data;
}

} // namespace imaging
