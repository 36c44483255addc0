#pragma once
// The access history's real recorder: events are queued by record() and written by a
// background thread on a database connection of its own, made by the factory the program
// gives (a second connection to the records database). A write that fails is tried again
// later; meanwhile the events go to the spool file, and the spooled events are sent, oldest
// first, as soon as the database answers again (also by the next run of the program, which
// finds them in the spool at start). The log callback is told, on the writer's thread, when
// the spool starts to be used and when its rows have reached the database.
#include "history/Recorder.h"
#include "history/Spool.h"

#include "db/Connection.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace history {

class DatabaseRecorder : public Recorder {
public:
    using ConnectionFactory = std::function<std::unique_ptr<db::Connection>()>;
    using Log = std::function<void(const QString&)>;

    struct Options {
        QString spoolFile;
        // How long after a failed write the database is tried again.
        std::chrono::milliseconds retryInterval{std::chrono::seconds(15)};
        // How long the writer gathers events after the first one before it writes them in one
        // statement: the records database is written at most this often, so the writer's
        // commits seldom meet the window's own statements (on the embedded database a commit
        // holds the file for a few milliseconds).
        std::chrono::milliseconds gatherTime{std::chrono::milliseconds(250)};
        Log log;
    };

    DatabaseRecorder(ConnectionFactory connect, Options options);
    // Writes what is still queued (one try; the rest goes to the spool) and stops the writer.
    ~DatabaseRecorder() override;

    void record(const Event& event) noexcept override;

    // Waits until every event recorded so far has been written to the database or the spool
    // (tests and the program's end). False when `timeout` passed first.
    bool waitUntilIdle(std::chrono::milliseconds timeout);

    const Spool& spool() const { return spool_; }

private:
    void run();
    // Writes `events` to the database; returns how many went in before one failed.
    int write(const std::vector<Event>& events, bool withTheirTimes);
    void keep(const std::vector<Event>& events);
    void sendSpool();

    ConnectionFactory connect_;
    Options options_;
    Spool spool_;
    std::unique_ptr<db::Connection> connection_; // the writer's alone

    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::deque<Event> queue_;
    bool busy_ = false;
    bool stopping_ = false;
    bool spooling_ = false;  // the database is away: new events go to the spool
    bool announced_ = false; // the log was told (once per time away)
    std::chrono::steady_clock::time_point nextTry_{};
    std::thread thread_;
};

} // namespace history
