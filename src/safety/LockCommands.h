#pragma once
// The edit lock as the main window uses it: a filed record opened read-write takes its lock,
// or opens read-only naming whoever holds it; the lock is confirmed in the background while
// the record is open and released when it closes, at exit, at a department change and when
// the sign-in is asked for again. "Release Record Lock..." (Maintenance) removes the stuck
// lock of the record last opened, for users with settings rights.
#include "safety/EditLock.h"

#include <QObject>
#include <QString>
#include <QTimer>

namespace viewer {
class MainWindow;
}

namespace safety {

class LockCommands : public QObject {
    Q_OBJECT
public:
    // Seconds between two confirmations of a held lock (well inside the 10 minutes after
    // which it may be taken over).
    static constexpr int kRefreshSeconds = 60;

    explicit LockCommands(viewer::MainWindow& window);

    // The record whose lock this window holds (0: none).
    qint64 heldRecord() const { return held_; }
    // This program instance's id (a new one each run).
    const QString& instanceId() const { return instance_; }
    // Starts a confirmation of the held lock as a background job now (the timer does it
    // every kRefreshSeconds); false when none is held or one is still running.
    bool refreshNow();
    bool refreshRunning() const { return refreshing_; }

    void releaseHeld();
    void releaseRecordLockCommand();

    // The lock commands installed on `window` (null before install).
    static LockCommands* of(viewer::MainWindow& window);

private:
    bool documentOpening(const QString& path, bool readWrite);
    LockOwner me() const;
    EditLock lock() const;

    viewer::MainWindow& w_;
    QString instance_;
    qint64 held_ = 0;
    bool refreshing_ = false;
    QTimer timer_;
};

void installLockCommands(viewer::MainWindow& window);

} // namespace safety
