#pragma once
// Random-access bytes of a document: an open file (read with pread, so several threads may
// read at once) or a buffer in memory. A file source keeps its descriptor open, so a document
// keeps reading the file it opened even after a save has renamed a new file over its path.
#include <QByteArray>
#include <QString>
#include <cstddef>
#include <memory>

namespace imaging {

class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual quint64 size() const = 0;
    // Reads up to `len` bytes at `offset`; returns the number read (less at the end of the
    // data), or -1 on an I/O error.
    virtual qint64 readSome(quint64 offset, void* buf, size_t len) const = 0;
    // The bytes themselves when they are in memory, else null.
    virtual const uchar* data() const { return nullptr; }

    // Reads exactly `len` bytes at `offset`; false when they are not all there.
    bool readExact(quint64 offset, void* buf, size_t len) const;
    // True when [offset, offset + len) lies inside the data (overflow-safe).
    bool contains(quint64 offset, quint64 len) const {
        return offset <= size() && len <= size() - offset;
    }
};

using ByteSourcePtr = std::shared_ptr<const ByteSource>;

// Opens `nativePath` for reading. Raises Error (kErrFileNotFound, kErrFileAccess).
ByteSourcePtr openFileSource(const QString& nativePath, qint64* modifiedMsecs = nullptr);
ByteSourcePtr memorySource(QByteArray bytes);

} // namespace imaging
