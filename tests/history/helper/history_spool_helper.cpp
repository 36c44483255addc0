// history_spool_helper SPOOL FOLDER: records events numbered 0, 1, 2, ... (the number in
// details) without end, on a records database in FOLDER that is not there, so every event
// goes to the spool file SPOOL. Prints "spooled N" once the first N = 200 are in the spool,
// then goes on until it is killed.
#include "db/SqliteConnection.h"
#include "history/DatabaseRecorder.h"

#include <QCoreApplication>
#include <cstdio>
#include <thread>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 3) return 2;
    const QString folder = QString::fromLocal8Bit(argv[2]);
    history::DatabaseRecorder::Options options;
    options.spoolFile = QString::fromLocal8Bit(argv[1]);
    options.retryInterval = std::chrono::milliseconds(20);
    history::DatabaseRecorder recorder(
        [folder]() -> std::unique_ptr<db::Connection> {
            return std::make_unique<db::SqliteConnection>(folder);
        },
        options);
    auto event = [](int n) {
        history::Event e;
        e.action = history::Action::OpenRecord;
        e.employee = "1001";
        e.recFileId = 7;
        e.details = QString::number(n);
        return e;
    };
    int n = 0;
    for (; n < 200; ++n) recorder.record(event(n));
    if (!recorder.waitUntilIdle(std::chrono::seconds(60))) return 3;
    std::printf("spooled %d\n", n);
    std::fflush(stdout);
    for (;; ++n) {
        recorder.record(event(n));
        if (n % 10 == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}
