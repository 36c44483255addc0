#include "imaging/documents/AtomicFile.h"

#include "imaging/pixels/ImagingError.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace imaging {

namespace {

constexpr size_t kBufferSize = 1 << 20;

std::atomic<qint64> gFailAfter{-1};
std::atomic<int> gFailErrno{0};
std::atomic<qint64> gWrittenForTest{0};

QString errorText(int err) {
    return QString::fromLocal8Bit(strerror(err));
}

void syncFolder(const QString& folder) {
    const int dfd =
        ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd < 0) return;
    ::fsync(dfd); // some file systems refuse to sync folders; the rename is done either way
    ::close(dfd);
}

} // namespace

bool AtomicFile::isTemporaryName(const QString& fileName) {
    const qsizetype marker = fileName.lastIndexOf(temporaryMarker());
    return marker > 1 && fileName.startsWith(QLatin1Char('.')) &&
           isTemporaryNameFor(fileName, fileName.mid(1, marker - 1));
}

bool AtomicFile::isTemporaryNameFor(const QString& fileName, const QString& destinationName) {
    const QString prefix = QLatin1Char('.') + destinationName + temporaryMarker();
    if (destinationName.isEmpty() || !fileName.startsWith(prefix)) return false;
    const QStringView suffix = QStringView(fileName).mid(prefix.size());
    if (suffix.isEmpty() || suffix.size() > 12) return false;
    for (QChar c : suffix)
        if (!((c >= QLatin1Char('0') && c <= QLatin1Char('9')) ||
              (c >= QLatin1Char('a') && c <= QLatin1Char('f'))))
            return false;
    return true;
}

int AtomicFile::removeLeftovers(const QString& nativeDestination) {
    const QFileInfo dest(nativeDestination);
    const QString name = dest.fileName();
    if (name.isEmpty()) return 0;
    const QDateTime now = QDateTime::currentDateTimeUtc();
    int removed = 0;
    // Listed by a plain prefix (the name may hold characters a wildcard would take for its
    // own), then checked name by name.
    QDir dir(dest.absolutePath());
    const QFileInfoList candidates = dir.entryInfoList(
        QDir::Files | QDir::Hidden | QDir::System | QDir::NoSymLinks | QDir::NoDotAndDotDot);
    for (const QFileInfo& fi : candidates) {
        if (!isTemporaryNameFor(fi.fileName(), name)) continue;
        struct stat st {};
        const QByteArray path = QFile::encodeName(fi.absoluteFilePath());
        if (::lstat(path.constData(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
        const qint64 age = fi.lastModified().toUTC().msecsTo(now);
        if (age > leftoverAgeMsecs() && ::unlink(path.constData()) == 0) ++removed;
    }
    return removed;
}

bool userMayWrite(const QString& nativePath) {
    return ::faccessat(AT_FDCWD, QFile::encodeName(nativePath).constData(), W_OK, AT_EACCESS) == 0;
}

AtomicFile::AtomicFile(const QString& nativeDestination) {
    const QFileInfo dest(nativeDestination);
    destPath_ = dest.absoluteFilePath();
    // A link is never written through nor replaced: on a share written by many hands, a link
    // planted in place of a file could lead anywhere.
    if (dest.isSymLink())
        throw Error(kErrFileAccess,
                    QStringLiteral("%1 is a symbolic link; it is not replaced").arg(destPath_));
    const QString folder = dest.absolutePath();
    if (!QFileInfo(folder).isDir())
        throw Error(kErrFileNotFound, QStringLiteral("The folder %1 does not exist").arg(folder));

    mode_t mode = 0666;
    bool keepMode = false;
    struct stat st {};
    if (::stat(QFile::encodeName(destPath_).constData(), &st) == 0) {
        if (S_ISDIR(st.st_mode))
            throw Error(kErrFileAccess, QStringLiteral("%1 is a folder").arg(destPath_));
        // A file marked read-only is not replaced, even by an administrator who could
        // write it; nor is a file this user may not write, although the folder would let
        // a rename replace it.
        if (!(st.st_mode & S_IWUSR))
            throw Error(kErrFileAccess, QStringLiteral("The file %1 is read-only").arg(destPath_));
        if (!userMayWrite(destPath_)) {
            const int err = errno;
            throw Error(kErrFileAccess, QStringLiteral("You may not change the file %1: %2")
                                            .arg(destPath_, errorText(err)));
        }
        mode = st.st_mode & 07777;
        keepMode = true;
    }

    removeLeftovers(destPath_);

    for (int attempt = 0; attempt < 16 && fd_ < 0; ++attempt) {
        const quint64 r = QRandomGenerator::system()->generate64();
        tempPath_ = folder + QLatin1String("/.") + dest.fileName() + temporaryMarker() +
                    QString::number(r & 0xFFFFFFFFFFFFull, 16);
        fd_ = ::open(QFile::encodeName(tempPath_).constData(),
                     O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, keepMode ? 0600 : mode);
        if (fd_ < 0 && errno != EEXIST) {
            const int err = errno;
            throw Error(
                err == ENOSPC ? kErrDiskFull : kErrFileAccess,
                QStringLiteral("Cannot create a file in %1: %2").arg(folder, errorText(err)));
        }
    }
    if (fd_ < 0)
        throw Error(kErrFileAccess,
                    QStringLiteral("Cannot create a temporary file in %1").arg(folder));
    if (keepMode) ::fchmod(fd_, mode);
    buffer_.reserve(kBufferSize);
}

AtomicFile::~AtomicFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!committed_) ::unlink(QFile::encodeName(tempPath_).constData());
}

void AtomicFile::failWrite(int err, const char* step) {
    ::close(fd_);
    fd_ = -1;
    ::unlink(QFile::encodeName(tempPath_).constData());
    if (err == ENOSPC || err == EDQUOT)
        throw Error(kErrDiskFull,
                    QStringLiteral("The disk is full: %1 was not changed").arg(destPath_));
    throw Error(kErrFileAccess, QStringLiteral("Cannot write %1 (%2): %3; the file was not changed")
                                    .arg(destPath_, QLatin1String(step), errorText(err)));
}

void AtomicFile::writeRaw(const char* p, size_t left) {
    while (left > 0) {
        size_t chunk = left;
        const qint64 failAfter = gFailAfter.load();
        if (failAfter >= 0) {
            const qint64 room = failAfter - gWrittenForTest.load();
            if (room <= 0) failWrite(gFailErrno.load(), "write");
            chunk = std::min<size_t>(chunk, size_t(room));
        }
        const ssize_t n = ::write(fd_, p, chunk);
        if (n < 0) {
            if (errno == EINTR) continue;
            failWrite(errno, "write");
        }
        gWrittenForTest += n;
        p += n;
        left -= size_t(n);
        written_ += quint64(n);
    }
}

void AtomicFile::flushBuffer() {
    writeRaw(buffer_.data(), buffer_.size());
    buffer_.clear();
}

void AtomicFile::write(const void* data, size_t len) {
    if (fd_ < 0) throw Error(kErrFileAccess, QStringLiteral("Write after failure"));
    const char* p = static_cast<const char*>(data);
    if (len >= kBufferSize) { // large blocks skip the buffer
        flushBuffer();
        writeRaw(p, len);
        return;
    }
    while (len > 0) {
        const size_t n = std::min(kBufferSize - buffer_.size(), len);
        buffer_.insert(buffer_.end(), p, p + n);
        p += n;
        len -= n;
        if (buffer_.size() == kBufferSize) flushBuffer();
    }
}

void AtomicFile::commit() {
    if (fd_ < 0) throw Error(kErrFileAccess, QStringLiteral("Commit after failure"));
    flushBuffer();
    if (::fsync(fd_) != 0) failWrite(errno, "fsync");
    if (::close(fd_) != 0) {
        fd_ = -1;
        const int err = errno;
        ::unlink(QFile::encodeName(tempPath_).constData());
        throw Error(err == ENOSPC ? kErrDiskFull : kErrFileAccess,
                    QStringLiteral("Cannot write %1: %2").arg(destPath_, errorText(err)));
    }
    fd_ = -1;
    if (::rename(QFile::encodeName(tempPath_).constData(),
                 QFile::encodeName(destPath_).constData()) != 0) {
        const int err = errno;
        ::unlink(QFile::encodeName(tempPath_).constData());
        throw Error(kErrFileAccess,
                    QStringLiteral("Cannot replace %1: %2").arg(destPath_, errorText(err)));
    }
    committed_ = true;
    syncFolder(QFileInfo(destPath_).absolutePath());
}

void setAtomicWriteFailureForTesting(qint64 afterBytes, int err) {
    gWrittenForTest = 0;
    gFailErrno = err;
    gFailAfter = afterBytes;
}

} // namespace imaging
