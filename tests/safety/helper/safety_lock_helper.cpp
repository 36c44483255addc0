// Another program instance contending for a record's edit lock, for the tests that need two
// processes over one database file:
//   safety_lock_helper DBFOLDER RECFILEID TIME hold|crash
// takes the lock of RECFILEID in the embedded database of DBFOLDER as employee 7777
// ("Santos, Ana") on workstation NURSES-PC, with the clock standing at TIME
// ("yyyy-MM-dd HH:mm:ss"). It prints "held" once the lock is its own (or "refused" and ends
// with 1). "hold" then waits for a line on its input, releases the lock, prints "released"
// and ends; "crash" ends at once without releasing, as a workstation that stopped.
#include "db/SqliteConnection.h"
#include "doubles/FixedClock.h"
#include "safety/EditLock.h"

#include <QCoreApplication>
#include <cstdio>
#include <iostream>
#include <string>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 5) {
        std::fprintf(stderr, "usage: safety_lock_helper DBFOLDER RECFILEID TIME hold|crash\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const qint64 id = QString::fromLocal8Bit(argv[2]).toLongLong();
    const QDateTime time = QDateTime::fromString(QString::fromLocal8Bit(argv[3]), "yyyy-MM-dd HH:mm:ss");
    const bool hold = std::string(argv[4]) == "hold";
    try {
        db::SqliteConnection connection(folder);
        doubles::FixedClock clock(time);
        safety::EditLock lock(connection, clock,
                              {"7777", "Santos, Ana", "NURSES-PC", "helper-instance"});
        if (lock.take(id).outcome == safety::LockClaim::Outcome::HeldElsewhere) {
            std::printf("refused\n");
            return 1;
        }
        std::printf("held\n");
        std::fflush(stdout);
        if (!hold) return 0;
        std::string line;
        std::getline(std::cin, line);
        lock.release(id);
        std::printf("released\n");
        std::fflush(stdout);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
