#include "history/DatabaseRecorder.h"

#include "db/DbError.h"
#include "records/HistoryStatements.h"

#include <algorithm>

namespace history {

DatabaseRecorder::DatabaseRecorder(ConnectionFactory connect, Options options)
    : connect_(std::move(connect)), options_(std::move(options)), spool_(options_.spoolFile) {
    // Rows kept by an earlier run are sent first.
    spooling_ = !spool_.empty();
    thread_ = std::thread([this] { run(); });
}

DatabaseRecorder::~DatabaseRecorder() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void DatabaseRecorder::record(const Event& event) noexcept {
    try {
        Event e = event;
        if (!e.at.isValid()) e.at = QDateTime::currentDateTime();
        {
            std::lock_guard lock(mutex_);
            queue_.push_back(std::move(e));
        }
        wake_.notify_one();
    } catch (...) {
        // Out of memory: the action goes on without its row.
    }
}

bool DatabaseRecorder::waitUntilIdle(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return idle_.wait_for(lock, timeout, [this] { return queue_.empty() && !busy_; });
}

void DatabaseRecorder::run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        if (spooling_)
            wake_.wait_until(lock, nextTry_, [this] { return stopping_ || !queue_.empty(); });
        else
            wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
        busy_ = true;
        if (!queue_.empty() && options_.gatherTime.count() > 0)
            wake_.wait_for(lock, options_.gatherTime, [this] { return stopping_; });
        std::vector<Event> batch(queue_.begin(), queue_.end());
        queue_.clear();
        const bool stopping = stopping_;
        lock.unlock();

        if (spooling_ && std::chrono::steady_clock::now() >= nextTry_) sendSpool();
        if (!batch.empty()) {
            if (spooling_) {
                keep(batch); // after the older rows, so the spool keeps their order
            } else {
                const int written = write(batch, false);
                if (written < int(batch.size()))
                    keep(std::vector<Event>(batch.begin() + written, batch.end()));
            }
        }

        lock.lock();
        busy_ = false;
        if (queue_.empty()) idle_.notify_all();
        if (stopping && queue_.empty()) break;
    }
}

int DatabaseRecorder::write(const std::vector<Event>& events, bool withTheirTimes) {
    int written = 0;
    try {
        if (!connection_) connection_ = connect_();
        if (!connection_) throw db::Error(0, "no connection to the records database");
        // A few statements of many rows each: a long spool goes in without holding the
        // database for long at a time.
        for (size_t i = 0; i < events.size(); i += records::kHistoryRowsPerInsert) {
            const size_t end = std::min(events.size(), i + records::kHistoryRowsPerInsert);
            std::vector<records::HistoryRow> rows;
            for (size_t k = i; k < end; ++k) rows.push_back(toRow(events[k], withTheirTimes));
            connection_->execute(records::insertHistoryRows(rows));
            written = int(end);
        }
    } catch (const std::exception& e) {
        connection_.reset(); // a new connection for the next try
        if (!announced_ && options_.log)
            options_.log("Access history: the records database cannot be reached (" +
                         QString::fromUtf8(e.what()) +
                         "); history rows are kept in the local spool file " + spool_.path() +
                         " until it answers.");
        announced_ = true;
        spooling_ = true;
        nextTry_ = std::chrono::steady_clock::now() + options_.retryInterval;
    }
    return written;
}

void DatabaseRecorder::keep(const std::vector<Event>& events) {
    if (events.empty()) return;
    if (!spool_.append(events) && options_.log)
        options_.log(QString("Access history: %1 history row(s) could not be kept in the spool "
                             "file %2.")
                         .arg(events.size())
                         .arg(spool_.path()));
    spooling_ = true;
}

void DatabaseRecorder::sendSpool() {
    bool all = false;
    const int sent = spool_.drain([&](const std::vector<Event>& events) {
        spooling_ = false; // write() sets it again when the database is still away
        const int n = write(events, true);
        all = n == int(events.size());
        return n;
    });
    if (all) {
        spooling_ = false;
        announced_ = false;
        if (options_.log)
            options_.log(QString("Access history: the records database answers again; %1 "
                                 "spooled history row(s) written to it.")
                             .arg(sent));
    } else {
        spooling_ = !spool_.empty();
        nextTry_ = std::chrono::steady_clock::now() + options_.retryInterval;
    }
}

} // namespace history
