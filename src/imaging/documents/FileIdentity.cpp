#include "imaging/documents/FileIdentity.h"

#include "imaging/documents/ByteSource.h"
#include "imaging/documents/IfdChain.h"
#include "imaging/pixels/ImagingError.h"

#include <QCryptographicHash>
#include <QFileInfo>

namespace imaging {

namespace {

// Adds `len` bytes at `offset` of `source` to the hash; false when they are not there.
bool addBytes(QCryptographicHash& hash, const ByteSource& source, quint64 offset, quint64 len) {
    QByteArray buffer(int(std::min<quint64>(len, 1 << 16)), Qt::Uninitialized);
    while (len > 0) {
        const quint64 n = std::min<quint64>(len, quint64(buffer.size()));
        if (!source.readExact(offset, buffer.data(), size_t(n))) return false;
        hash.addData(QByteArrayView(buffer.constData(), qsizetype(n)));
        offset += n;
        len -= n;
    }
    return true;
}

QByteArray tiffChainHash(const ByteSourcePtr& source) {
    QCryptographicHash hash(QCryptographicHash::Sha256);
    const tiff::TiffFile file(source);
    const bool big = file.header().bigTiff;
    addBytes(hash, *source, 0, big ? 16 : 8);
    const quint64 countSize = big ? 8 : 2, entrySize = big ? 20 : 12, linkSize = big ? 8 : 4;
    for (const quint64 offset : file.walkChain()) {
        const tiff::Ifd ifd = file.readIfd(offset);
        const quint64 len = countSize + entrySize * ifd.entries.size() + linkSize;
        hash.addData(QByteArray::number(offset));
        if (!addBytes(hash, *source, offset, len)) throw Error(kErrBadFile, "truncated directory");
    }
    return hash.result();
}

} // namespace

FileIdentity readFileIdentity(const QString& nativePath) {
    FileIdentity id;
    try {
        qint64 modified = 0;
        const ByteSourcePtr source = openFileSource(nativePath, &modified);
        id.size = qint64(source->size());
        id.modifiedMsecs = modified;
        try {
            id.chainHash = tiffChainHash(source);
        } catch (const Error&) {
            // Not a TIFF (or not one any more): the whole bytes tell.
            QCryptographicHash hash(QCryptographicHash::Sha256);
            if (!addBytes(hash, *source, 0, source->size())) return {};
            id.chainHash = hash.result();
        }
        id.exists = true;
    } catch (const Error&) {
        return {};
    }
    return id;
}

} // namespace imaging
