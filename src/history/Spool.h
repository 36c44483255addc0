#pragma once
// The local spool of the access history: the events that could not be written to the
// database yet, one line each, in a file only its owner may read and write (0600). Every
// append is flushed to the disk (fsync) before it returns, so a crash or a kill of the program
// loses no event that was spooled. The file is locked (flock) while it is appended to or
// emptied, so two instances of the program for one user share it safely.
#include "history/Event.h"

#include <QString>
#include <functional>
#include <vector>

namespace history {

class Spool {
public:
    explicit Spool(QString path);

    const QString& path() const { return path_; }

    // Appends the events and flushes the file to the disk. False when the file cannot be
    // written (the events are then kept by nobody; the caller says so in the log).
    bool append(const std::vector<Event>& events);

    // The events in the spool (lines cut short by a kill are left out).
    std::vector<Event> read() const;
    bool empty() const;

    // Hands the spooled events, oldest first, to `send`, which returns how many of them are
    // now in the database; those are taken out of the file, the others stay. Returns that
    // number. The file stays locked meanwhile, so no event appended by another instance is
    // lost.
    int drain(const std::function<int(const std::vector<Event>&)>& send);

private:
    QString path_;
};

} // namespace history
