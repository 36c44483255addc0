#include "imaging/documents/IfdChain.h"

#include "imaging/pixels/ImagingError.h"

#include <QtEndian>
#include <algorithm>
#include <cstring>
#include <unordered_set>

namespace imaging::tiff {

int typeSize(quint16 type) {
    switch (type) {
    case kByte:
    case kAscii:
    case kSByte:
    case kUndefined:
        return 1;
    case kShort:
    case kSShort:
        return 2;
    case kLong:
    case kSLong:
    case kFloat:
    case kIfd:
        return 4;
    case kRational:
    case kSRational:
    case kDouble:
    case kLong8:
    case kSLong8:
    case kIfd8:
        return 8;
    default:
        return 0;
    }
}

int swapUnit(quint16 type) {
    if (type == kRational || type == kSRational) return 4;
    return typeSize(type);
}

void swapValueBytes(QByteArray& bytes, quint16 type) {
    const int unit = swapUnit(type);
    if (unit <= 1) return;
    char* p = bytes.data();
    const qsizetype n = bytes.size() / unit;
    for (qsizetype i = 0; i < n; ++i, p += unit)
        std::reverse(p, p + unit);
}

const Entry* Ifd::find(quint16 tag) const {
    for (const Entry& e : entries)
        if (e.tag == tag) return &e;
    return nullptr;
}

namespace {
[[noreturn]] void bad(const QString& what) {
    throw Error(kErrBadFile, what);
}
} // namespace

quint16 TiffFile::get16(const uchar* p) const {
    return header_.bigEndian ? qFromBigEndian<quint16>(p) : qFromLittleEndian<quint16>(p);
}
quint32 TiffFile::get32(const uchar* p) const {
    return header_.bigEndian ? qFromBigEndian<quint32>(p) : qFromLittleEndian<quint32>(p);
}
quint64 TiffFile::get64(const uchar* p) const {
    return header_.bigEndian ? qFromBigEndian<quint64>(p) : qFromLittleEndian<quint64>(p);
}

TiffFile::TiffFile(ByteSourcePtr source) : source_(std::move(source)) {
    uchar h[16];
    if (!source_->readExact(0, h, 8))
        bad(QStringLiteral("The file is too short to be a TIFF file"));
    if (h[0] == 'I' && h[1] == 'I')
        header_.bigEndian = false;
    else if (h[0] == 'M' && h[1] == 'M')
        header_.bigEndian = true;
    else
        bad(QStringLiteral("The file has no TIFF header"));
    const quint16 magic = get16(h + 2);
    if (magic == 42) {
        header_.firstIfd = get32(h + 4);
    } else if (magic == 43) {
        header_.bigTiff = true;
        if (!source_->readExact(0, h, 16)) bad(QStringLiteral("The BigTIFF header is truncated"));
        if (get16(h + 4) != 8 || get16(h + 6) != 0)
            bad(QStringLiteral("The BigTIFF header is malformed"));
        header_.firstIfd = get64(h + 8);
    } else {
        bad(QStringLiteral("The file has no TIFF header (version %1)").arg(magic));
    }
}

std::vector<quint64> TiffFile::walkChain(int maxIfds, QString* loop) const {
    // Directories are small. Files written by this engine keep them together, so a window
    // of a few pages of the file holds many; in files that put each directory after its
    // page's data, the window holds one and costs no more than an exact read.
    constexpr size_t kWindow = 4 * 1024;
    std::vector<uchar> window;
    quint64 windowStart = 0;
    auto fetch = [&](quint64 offset, size_t len, uchar* out) {
        if (!source_->contains(offset, len)) return false;
        if (window.empty() || offset < windowStart || offset + len > windowStart + window.size()) {
            const size_t want = std::max(kWindow, len);
            window.resize(want);
            const qint64 got = source_->readSome(offset, window.data(), want);
            if (got < qint64(len)) {
                window.clear();
                return false;
            }
            window.resize(size_t(got));
            windowStart = offset;
        }
        std::memcpy(out, window.data() + (offset - windowStart), len);
        return true;
    };

    const bool big = header_.bigTiff;
    const size_t countSize = big ? 8 : 2;
    const size_t entrySize = big ? 20 : 12;
    const size_t nextSize = big ? 8 : 4;

    if (loop) loop->clear();
    std::vector<quint64> offsets;
    std::unordered_set<quint64> visited;
    quint64 offset = header_.firstIfd;
    if (offset == 0) bad(QStringLiteral("The file contains no pages"));
    while (offset != 0) {
        const int page = int(offsets.size()) + 1;
        if (!visited.insert(offset).second) {
            const auto first = std::find(offsets.begin(), offsets.end(), offset);
            const QString where = QStringLiteral("The page chain loops back from page %1 to page %2")
                                      .arg(page - 1)
                                      .arg(int(first - offsets.begin()) + 1);
            if (!loop) bad(where);
            *loop = where;
            return offsets;
        }
        if (int(offsets.size()) >= maxIfds)
            bad(QStringLiteral("The file claims more than %1 pages").arg(maxIfds));
        uchar buf[8];
        if (!fetch(offset, countSize, buf))
            bad(QStringLiteral("The directory of page %1 lies outside the file (truncated?)")
                    .arg(page));
        const quint64 n = big ? get64(buf) : get16(buf);
        if (n == 0 || n > kMaxEntriesPerIfd)
            bad(QStringLiteral("The directory of page %1 is malformed (%2 entries)")
                    .arg(page)
                    .arg(n));
        const quint64 nextPos = offset + countSize + n * entrySize;
        if (!fetch(nextPos, nextSize, buf))
            bad(QStringLiteral("The directory of page %1 is truncated").arg(page));
        offsets.push_back(offset);
        offset = big ? get64(buf) : get32(buf);
    }
    return offsets;
}

Ifd TiffFile::readIfd(quint64 offset) const {
    const bool big = header_.bigTiff;
    const size_t countSize = big ? 8 : 2;
    const size_t entrySize = big ? 20 : 12;
    const size_t nextSize = big ? 8 : 4;
    uchar buf[8];
    if (!source_->readExact(offset, buf, countSize))
        bad(QStringLiteral("A directory lies outside the file"));
    const quint64 n = big ? get64(buf) : get16(buf);
    if (n == 0 || n > kMaxEntriesPerIfd)
        bad(QStringLiteral("A directory is malformed (%1 entries)").arg(n));
    std::vector<uchar> raw(size_t(n * entrySize + nextSize));
    if (!source_->readExact(offset + countSize, raw.data(), raw.size()))
        bad(QStringLiteral("A directory is truncated"));

    Ifd ifd;
    ifd.offset = offset;
    ifd.entries.reserve(size_t(n));
    const quint64 inlineCap = big ? 8 : 4;
    for (quint64 i = 0; i < n; ++i) {
        const uchar* p = raw.data() + i * entrySize;
        Entry e;
        e.tag = get16(p);
        e.type = get16(p + 2);
        e.count = big ? get64(p + 4) : get32(p + 4);
        const int ts = typeSize(e.type);
        const quint64 valueField = offset + countSize + i * entrySize + (big ? 12 : 8);
        if (ts > 0 && e.count <= kMaxValueBytes / quint64(ts)) {
            const quint64 bytes = e.count * quint64(ts);
            e.valueOffset = bytes <= inlineCap ? valueField : (big ? get64(p + 12) : get32(p + 8));
            e.valid = source_->contains(e.valueOffset, bytes);
        }
        ifd.entries.push_back(e);
    }
    const uchar* np = raw.data() + n * entrySize;
    ifd.nextOffset = big ? get64(np) : get32(np);
    return ifd;
}

QByteArray TiffFile::value(const Entry& e) const {
    if (!e.valid) bad(QStringLiteral("Tag %1 has a value outside the file").arg(e.tag));
    QByteArray bytes(qsizetype(e.byteSize()), Qt::Uninitialized);
    if (!source_->readExact(e.valueOffset, bytes.data(), size_t(bytes.size())))
        bad(QStringLiteral("Tag %1 cannot be read").arg(e.tag));
    return bytes;
}

std::vector<quint64> TiffFile::uintValues(const Entry& e) const {
    const int ts = typeSize(e.type);
    if (e.type != kByte && e.type != kShort && e.type != kLong && e.type != kLong8 &&
        e.type != kIfd && e.type != kIfd8)
        bad(QStringLiteral("Tag %1 has type %2 where a number is expected").arg(e.tag).arg(e.type));
    const QByteArray bytes = value(e);
    const auto* p = reinterpret_cast<const uchar*>(bytes.constData());
    std::vector<quint64> out(size_t(e.count));
    for (size_t i = 0; i < out.size(); ++i, p += ts) {
        switch (ts) {
        case 1:
            out[i] = *p;
            break;
        case 2:
            out[i] = get16(p);
            break;
        case 4:
            out[i] = get32(p);
            break;
        default:
            out[i] = get64(p);
            break;
        }
    }
    return out;
}

std::optional<quint64> TiffFile::uintValue(const Ifd& ifd, quint16 tag) const {
    const Entry* e = ifd.find(tag);
    if (!e || e->count == 0 || !e->valid) return std::nullopt;
    // A value of another type counts as no value, as libtiff ignores such entries.
    if (e->type != kByte && e->type != kShort && e->type != kLong && e->type != kLong8)
        return std::nullopt;
    Entry first = *e;
    first.count = 1; // the first value starts where the whole value does
    return uintValues(first).front();
}

std::optional<double> TiffFile::rationalValue(const Ifd& ifd, quint16 tag) const {
    const Entry* e = ifd.find(tag);
    if (!e || e->count == 0 || !e->valid) return std::nullopt;
    const QByteArray bytes = value(*e);
    const auto* p = reinterpret_cast<const uchar*>(bytes.constData());
    switch (e->type) {
    case kRational: {
        const quint32 num = get32(p), den = get32(p + 4);
        return den == 0 ? std::nullopt : std::optional<double>(double(num) / den);
    }
    case kShort:
        return double(get16(p));
    case kLong:
        return double(get32(p));
    case kFloat: {
        const quint32 v = get32(p);
        float f;
        std::memcpy(&f, &v, 4);
        return double(f);
    }
    case kDouble: {
        const quint64 v = get64(p);
        double d;
        std::memcpy(&d, &v, 8);
        return d;
    }
    default:
        return std::nullopt;
    }
}

} // namespace imaging::tiff
