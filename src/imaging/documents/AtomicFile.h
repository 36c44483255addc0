#pragma once
// Replacing a file so that readers and crashes only ever see the old file or the new one.
//
// The new content goes to a temporary file in the destination's folder, named
// ".<name>.docuvane-tmp-<random>" and created exclusively; commit() flushes it to disk
// (fsync), renames it over the destination and flushes the folder. Until then the
// destination is untouched; if anything fails (a full disk included) the temporary file is
// removed and the Error says what happened. A temporary file left behind by a killed
// process is never a document (hidden, distinct name, unique per write) and is removed by a
// later write or open of the same destination once it has not changed for ten minutes (a
// writer on another workstation keeps its file changing, and the file server's clock may
// differ from ours by a few minutes).
//
// A destination this user may not write is refused: one marked read-only (no owner write
// permission, for an administrator too) and one whose permissions or access-control list
// deny this user writing it, even where the folder would let the rename replace it. The
// new file gets the old one's permission bits. A symbolic link is refused (neither written
// through nor replaced).
#include <QString>
#include <vector>

namespace imaging {

class AtomicFile {
public:
    // Raises Error (kErrFileAccess for a read-only destination or a folder that cannot be
    // written, kErrFileNotFound for a missing folder).
    explicit AtomicFile(const QString& nativeDestination);
    ~AtomicFile(); // without commit(): the temporary file is removed
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // Buffered writes. Raise Error (kErrDiskFull, kErrFileAccess).
    void write(const void* data, size_t len);
    quint64 position() const { return written_ + quint64(buffer_.size()); }

    // Makes the new content the destination's. Raises Error; the destination is then
    // untouched.
    void commit();

    QString temporaryPath() const { return tempPath_; }
    QString destinationPath() const { return destPath_; }

    // Marker in the names of temporary files.
    static QString temporaryMarker() { return QStringLiteral(".docuvane-tmp-"); }
    // True for names this class gives its temporary files:
    // "." + destination name + marker + 1 to 12 lower-case hexadecimal digits.
    static bool isTemporaryName(const QString& fileName);
    // True when `fileName` is the name of a temporary file for `destinationName`.
    static bool isTemporaryNameFor(const QString& fileName, const QString& destinationName);
    // Removes the temporary files of writes of `nativeDestination` that were interrupted
    // (a crash, a kill, a power cut): regular files of that name pattern unchanged for
    // leftoverAgeMsecs(). Any other file is never touched; failures are ignored. Returns
    // how many were removed.
    static int removeLeftovers(const QString& nativeDestination);
    static constexpr qint64 leftoverAgeMsecs() { return 10 * 60 * 1000; }

private:
    void flushBuffer();
    void writeRaw(const char* p, size_t len);
    [[noreturn]] void failWrite(int err, const char* step);
    QString destPath_;
    QString tempPath_;
    int fd_ = -1;
    bool committed_ = false;
    std::vector<char> buffer_;
    quint64 written_ = 0;
};

// For tests: makes writes fail with `err` once `afterBytes` bytes were written to
// temporary files (-1 switches it off again).
void setAtomicWriteFailureForTesting(qint64 afterBytes, int err);

// Whether this user may write the existing file at `nativePath` (the access check the
// kernel applies, access-control lists included, with the effective user).
bool userMayWrite(const QString& nativePath);

} // namespace imaging
