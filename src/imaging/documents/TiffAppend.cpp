#include "imaging/documents/TiffAppend.h"

#include "imaging/documents/ByteSource.h"
#include "imaging/documents/IfdChain.h"
#include "imaging/pixels/ImagingError.h"

#include <QFile>
#include <QtEndian>
#include <optional>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace imaging {

namespace {

using tiff::Entry;
using tiff::Ifd;
using tiff::TiffFile;

constexpr quint64 kClassicLimit = 0xffffffffull;

struct Tail {
    quint64 linkAt = 0; // where the last directory's next link is
    quint64 dataEnd = 0; // end of the file
};

// The place of the link to switch, or nothing when the file cannot take pages in place.
std::optional<Tail> tailOf(const QString& nativePath) {
    const ByteSourcePtr source = openFileSource(nativePath);
    const TiffFile file(source);
    if (file.header().bigEndian || file.header().bigTiff) return std::nullopt;
    QString loop;
    const std::vector<quint64> chain = file.walkChain(tiff::kMaxIfds - 1, &loop);
    if (!loop.isEmpty() || chain.empty()) return std::nullopt;
    const Ifd last = file.readIfd(chain.back());
    if (last.nextOffset != 0) return std::nullopt; // a damaged link: rewrite the file instead
    Tail t;
    t.linkAt = chain.back() + 2 + 12 * quint64(last.entries.size());
    t.dataEnd = source->size();
    return t;
}

[[noreturn]] void raiseIo(const QString& path, const char* what) {
    const int err = errno;
    throw Error(err == ENOSPC || err == EDQUOT ? kErrDiskFull : kErrFileAccess,
                QStringLiteral("Could not %1 %2: %3")
                    .arg(QString::fromLatin1(what), path, QString::fromLocal8Bit(std::strerror(err))));
}

void writeAll(int fd, const char* p, size_t len, quint64 at, const QString& path) {
    while (len > 0) {
        const ssize_t n = ::pwrite(fd, p, len, off_t(at));
        if (n < 0) {
            if (errno == EINTR) continue;
            raiseIo(path, "write");
        }
        p += n;
        len -= size_t(n);
        at += quint64(n);
    }
}

void put32(QByteArray& b, quint64 at, quint32 v) {
    qToLittleEndian<quint32>(v, b.data() + at);
}

// `page` with every offset moved by `base`; returns the offset of its directory there.
quint64 relocate(QByteArray& page, quint64 base) {
    const TiffFile file(memorySource(page));
    if (file.header().bigEndian || file.header().bigTiff)
        throw Error(kErrUnsupported, QStringLiteral("The page to append is not a little-endian TIFF."));
    const std::vector<quint64> chain = file.walkChain(1);
    const Ifd ifd = file.readIfd(chain.front());
    for (size_t i = 0; i < ifd.entries.size(); ++i) {
        const Entry& e = ifd.entries[i];
        const quint64 at = ifd.offset + 2 + 12 * quint64(i);
        if (e.byteSize() > 4) put32(page, at + 8, quint32(e.valueOffset + base));
        if (e.tag != tiff::kTagStripOffsets && e.tag != tiff::kTagTileOffsets) continue;
        if (e.type != tiff::kShort && e.type != tiff::kLong)
            throw Error(kErrUnsupported, QStringLiteral("The page to append has no usable strip table."));
        const std::vector<quint64> offsets = file.uintValues(e);
        if (e.type == tiff::kShort && offsets.size() > 0) {
            // Widening a SHORT table would move it; libtiff writes LONG tables.
            throw Error(kErrUnsupported, QStringLiteral("The page to append has a 16-bit strip table."));
        }
        for (size_t k = 0; k < offsets.size(); ++k)
            put32(page, e.valueOffset + 4 * k, quint32(offsets[k] + base));
    }
    put32(page, ifd.offset + 2 + 12 * quint64(ifd.entries.size()), 0); // the new last page
    return base + ifd.offset;
}

} // namespace

bool canAppendInPlace(const QString& nativePath) {
    try {
        return tailOf(nativePath).has_value();
    } catch (const Error&) {
        return false;
    }
}

void appendPageInPlace(const QString& nativePath, const QByteArray& onePageTiff) {
    const std::optional<Tail> tail = tailOf(nativePath);
    if (!tail)
        throw Error(kErrUnsupported,
                    QStringLiteral("Pages cannot be added to %1 in place.").arg(nativePath));
    const quint64 base = (tail->dataEnd + 1) & ~quint64(1); // directories start on a word
    if (base + quint64(onePageTiff.size()) > kClassicLimit)
        throw Error(kErrUnsupported,
                    QStringLiteral("%1 would grow past the 4 GB a TIFF file can address.")
                        .arg(nativePath));
    QByteArray page = onePageTiff;
    const quint64 ifdAt = relocate(page, base);

    const int fd =
        ::open(QFile::encodeName(nativePath).constData(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW);
    // A file system that cannot write into an existing file (a share reached through GVFS's
    // FUSE folder takes only new files and appends) says so before anything is written.
    if (fd < 0 && (errno == EOPNOTSUPP || errno == ENOTSUP))
        throw Error(kErrUnsupported,
                    QStringLiteral("The file system of %1 cannot change a file in place.")
                        .arg(nativePath));
    if (fd < 0) raiseIo(nativePath, "open");
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat st {};
    if (::fstat(fd, &st) != 0) raiseIo(nativePath, "examine");
    if (!(st.st_mode & S_IWUSR)) // read-only is refused for an administrator too
        throw Error(kErrFileAccess, QStringLiteral("%1 is read-only.").arg(nativePath));
    // The page first, durable before anything refers to it.
    writeAll(fd, page.constData(), size_t(page.size()), base, nativePath);
    if (::fsync(fd) != 0) raiseIo(nativePath, "flush");
    // Then the one link that makes it part of the document.
    char link[4];
    qToLittleEndian<quint32>(quint32(ifdAt), link);
    writeAll(fd, link, sizeof link, tail->linkAt, nativePath);
    if (::fsync(fd) != 0) raiseIo(nativePath, "flush");
}

} // namespace imaging
