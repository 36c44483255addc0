#include "history/Spool.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace history {

namespace {

// An open, locked spool file; closed and unlocked when it goes.
class LockedFile {
public:
    // The lock is taken on the file the path names once locked: a file replaced meanwhile by
    // another instance (drain's rename) is opened again.
    LockedFile(const QString& path, int flags) {
        // A folder made for the spool is the user's alone too.
        const QString folder = QFileInfo(path).absolutePath();
        if (!QFileInfo::exists(folder) && QDir().mkpath(folder))
            QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                              QFileDevice::ExeOwner);
        const QByteArray name = QFile::encodeName(path);
        for (int attempt = 0; attempt < 100; ++attempt) {
            fd_ = ::open(name.constData(), flags | O_CLOEXEC, 0600);
            if (fd_ < 0) return;
            struct stat opened{}, named{};
            if (::flock(fd_, LOCK_EX) == 0 && ::fstat(fd_, &opened) == 0 &&
                ::stat(name.constData(), &named) == 0 && opened.st_ino == named.st_ino &&
                opened.st_dev == named.st_dev) {
                ::fchmod(fd_, 0600);
                return;
            }
            ::close(fd_);
            fd_ = -1;
        }
    }
    ~LockedFile() {
        if (fd_ >= 0) ::close(fd_); // also lets go of the lock
    }
    LockedFile(const LockedFile&) = delete;
    LockedFile& operator=(const LockedFile&) = delete;
    int fd() const { return fd_; }

    bool writeAll(const QByteArray& bytes) {
        qsizetype done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(fd_, bytes.constData() + done, size_t(bytes.size() - done));
            if (n < 0) return false;
            done += n;
        }
        return ::fsync(fd_) == 0;
    }

    QByteArray readAll() {
        QByteArray out;
        ::lseek(fd_, 0, SEEK_SET);
        char buffer[65536];
        for (;;) {
            const ssize_t n = ::read(fd_, buffer, sizeof buffer);
            if (n <= 0) break;
            out.append(buffer, n);
        }
        return out;
    }

private:
    int fd_ = -1;
};

std::vector<Event> parse(const QByteArray& bytes) {
    std::vector<Event> out;
    for (const QByteArray& line : bytes.split('\n')) {
        if (line.trimmed().isEmpty()) continue;
        if (auto e = fromSpoolLine(line)) out.push_back(*e);
    }
    return out;
}

} // namespace

Spool::Spool(QString path) : path_(std::move(path)) {}

bool Spool::append(const std::vector<Event>& events) {
    if (events.empty()) return true;
    LockedFile f(path_, O_WRONLY | O_APPEND | O_CREAT);
    if (f.fd() < 0) return false;
    QByteArray bytes;
    for (const Event& e : events) bytes += toSpoolLine(e);
    return f.writeAll(bytes);
}

std::vector<Event> Spool::read() const {
    if (!QFileInfo::exists(path_)) return {};
    LockedFile f(path_, O_RDONLY);
    if (f.fd() < 0) return {};
    return parse(f.readAll());
}

bool Spool::empty() const {
    const QFileInfo info(path_);
    return !info.exists() || info.size() == 0;
}

int Spool::drain(const std::function<int(const std::vector<Event>&)>& send) {
    if (empty()) return 0;
    LockedFile f(path_, O_RDWR);
    if (f.fd() < 0) return 0;
    const std::vector<Event> events = parse(f.readAll());
    const int sent = events.empty() ? 0 : std::clamp(send(events), 0, int(events.size()));
    if (sent == 0) return 0;
    if (size_t(sent) == events.size()) {
        // Everything is in the database: the file is emptied. A kill before this leaves the
        // rows to be sent again (twice rather than never).
        if (::ftruncate(f.fd(), 0) == 0) ::fsync(f.fd());
        return sent;
    }
    // Some are left: they replace the file whole (written beside it, then renamed), so a kill
    // meanwhile leaves either the old file or the new one.
    QByteArray rest;
    for (size_t i = size_t(sent); i < events.size(); ++i) rest += toSpoolLine(events[i]);
    const QString next = path_ + ".next";
    {
        LockedFile n(next, O_WRONLY | O_CREAT | O_TRUNC);
        if (n.fd() < 0 || !n.writeAll(rest)) return 0;
    }
    if (::rename(QFile::encodeName(next).constData(), QFile::encodeName(path_).constData()) != 0)
        return 0;
    return sent;
}

} // namespace history
