#pragma once
// Running a piece of a test as an ordinary user. The tests run as root in CI, and root passes
// every permission check, so what a clerk may not read or write can only be shown under a
// user without privileges: the piece runs in a forked child that first gives up root (user
// and group "nobody", 65534). Run by an ordinary user, the child simply stays that user.
//
// The piece returns an empty text when everything went as expected, else what did not;
// GoogleTest's assertions cannot be used inside it (they would fail in the child only).
#include <QFile>
#include <QString>
#include <exception>
#include <functional>
#include <grp.h>
#include <string>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

namespace testsupport {

inline uid_t unprivilegedUid() { return ::geteuid() == 0 ? uid_t(65534) : ::geteuid(); }
inline gid_t unprivilegedGid() { return ::geteuid() == 0 ? gid_t(65534) : ::getegid(); }

// Hands `path` (a folder or file made by the test) to the unprivileged user.
inline bool giveToUnprivileged(const QString& path) {
    if (::geteuid() != 0) return true;
    return ::chown(QFile::encodeName(path).constData(), unprivilegedUid(), unprivilegedGid()) == 0;
}

inline std::string asUnprivilegedUser(const std::function<std::string()>& body) {
    int fds[2];
    if (::pipe(fds) != 0) return "pipe failed";
    const pid_t pid = ::fork();
    if (pid < 0) return "fork failed";
    if (pid == 0) {
        ::close(fds[0]);
        std::string out;
        if (::geteuid() == 0 && (::setgroups(0, nullptr) != 0 || ::setgid(unprivilegedGid()) != 0 ||
                                 ::setuid(unprivilegedUid()) != 0))
            out = "cannot give up root";
        else if (::geteuid() == 0)
            out = "still root";
        else {
            try {
                out = body();
            } catch (const std::exception& e) {
                out = std::string("exception: ") + e.what();
            } catch (...) {
                out = "unknown exception";
            }
        }
        size_t done = 0;
        while (done < out.size()) {
            const ssize_t n = ::write(fds[1], out.data() + done, out.size() - done);
            if (n <= 0) break;
            done += size_t(n);
        }
        ::_exit(0);
    }
    ::close(fds[1]);
    std::string out;
    char buf[512];
    for (ssize_t n; (n = ::read(fds[0], buf, sizeof buf)) > 0;) out.append(buf, size_t(n));
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!WIFEXITED(status)) out += " (the child died with signal " + std::to_string(WTERMSIG(status)) + ")";
    return out;
}

} // namespace testsupport
