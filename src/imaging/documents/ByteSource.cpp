#include "imaging/documents/ByteSource.h"

#include "imaging/pixels/ImagingError.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace imaging {

bool ByteSource::readExact(quint64 offset, void* buf, size_t len) const {
    if (!contains(offset, len)) return false;
    return readSome(offset, buf, len) == qint64(len);
}

namespace {

class FileSource final : public ByteSource {
public:
    FileSource(int fd, quint64 size) : fd_(fd), size_(size) {}
    ~FileSource() override { ::close(fd_); }
    quint64 size() const override { return size_; }
    qint64 readSome(quint64 offset, void* buf, size_t len) const override {
        if (offset >= size_) return 0;
        len = size_t(std::min<quint64>(len, size_ - offset));
        size_t done = 0;
        auto* out = static_cast<char*>(buf);
        while (done < len) {
            const ssize_t n = ::pread(fd_, out + done, len - done, off_t(offset + done));
            if (n < 0) {
                if (errno == EINTR) continue;
                return -1;
            }
            if (n == 0) break; // the file shrank under us
            done += size_t(n);
        }
        return qint64(done);
    }

private:
    int fd_;
    quint64 size_;
};

class MemorySource final : public ByteSource {
public:
    explicit MemorySource(QByteArray bytes) : bytes_(std::move(bytes)) {}
    quint64 size() const override { return quint64(bytes_.size()); }
    qint64 readSome(quint64 offset, void* buf, size_t len) const override {
        if (offset >= size()) return 0;
        len = size_t(std::min<quint64>(len, size() - offset));
        std::memcpy(buf, bytes_.constData() + offset, len);
        return qint64(len);
    }
    const uchar* data() const override {
        return reinterpret_cast<const uchar*>(bytes_.constData());
    }

private:
    QByteArray bytes_;
};

} // namespace

ByteSourcePtr openFileSource(const QString& nativePath, qint64* modifiedMsecs) {
    const QByteArray encoded = QFile::encodeName(nativePath);
    const int fd = ::open(encoded.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        const int err = errno;
        if (err == ENOENT || err == ENOTDIR)
            throw Error(kErrFileNotFound, QStringLiteral("File not found: %1").arg(nativePath));
        throw Error(kErrFileAccess, QStringLiteral("Cannot open %1: %2")
                                        .arg(nativePath, QString::fromLocal8Bit(strerror(err))));
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        throw Error(kErrFileAccess, QStringLiteral("%1 is not a regular file").arg(nativePath));
    }
    if (modifiedMsecs)
        *modifiedMsecs = qint64(st.st_mtim.tv_sec) * 1000 + st.st_mtim.tv_nsec / 1000000;
    return std::make_shared<FileSource>(fd, quint64(st.st_size));
}

ByteSourcePtr memorySource(QByteArray bytes) {
    return std::make_shared<MemorySource>(std::move(bytes));
}

} // namespace imaging
