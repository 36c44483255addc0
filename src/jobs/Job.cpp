#include "jobs/Job.h"

#include <QMetaObject>
#include <QMutex>
#include <QRunnable>
#include <QThreadPool>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <new>

namespace jobs {

// Shared by the Job (its own thread) and its runnable (a worker thread); outlives either.
struct State {
    QMutex mutex;        // guards `job` and the progress values
    Job* job = nullptr;  // cleared by the Job's destructor
    qint64 value = 0;
    qint64 maximum = 0;
    QString text;
    std::atomic<bool> cancel{false};
    std::atomic<bool> progressPending{false};
    std::mutex doneMutex;
    std::condition_variable doneCv;
    bool workDone = false;
};

namespace {

// Queues `f` to run on the job's thread. Posting happens under the mutex, so the Job cannot
// be half destroyed meanwhile; a Job destroyed later drops its queued calls with itself.
template <class F> void post(State& state, F f) {
    QMutexLocker lock(&state.mutex);
    if (state.job) QMetaObject::invokeMethod(state.job, std::move(f), Qt::QueuedConnection);
}

} // namespace

class JobRunnable : public QRunnable {
public:
    JobRunnable(std::shared_ptr<State> state, Job::Work work)
        : state_(std::move(state)), work_(std::move(work)) {
        setAutoDelete(true);
    }

    void run() override {
        Result r;
        Progress progress(state_);
        try {
            if (state_->cancel) throw Cancelled();
            work_(progress);
        } catch (const Cancelled&) {
            r.outcome = Outcome::Cancelled;
        } catch (const std::bad_alloc&) {
            r = {Outcome::Failed, std::current_exception(),
                 QStringLiteral("There is not enough memory for this operation.")};
        } catch (const std::exception& e) {
            r = {Outcome::Failed, std::current_exception(), QString::fromLocal8Bit(e.what())};
        } catch (...) {
            r = {Outcome::Failed, std::current_exception(), QStringLiteral("Unknown error.")};
        }
        work_ = nullptr; // the work's captures are released here, before the outcome is told
        {
            std::lock_guard lock(state_->doneMutex);
            state_->workDone = true;
        }
        state_->doneCv.notify_all();
        State& s = *state_;
        post(s, [job = s.job, r] { job->deliverResult(r); });
    }

private:
    std::shared_ptr<State> state_;
    Job::Work work_;
};

// ---- Progress ----

void Progress::notify() {
    if (state_->progressPending.exchange(true)) return;
    State& s = *state_;
    post(s, [job = s.job] { job->deliverProgress(); });
}

void Progress::setMaximum(qint64 maximum) {
    {
        QMutexLocker lock(&state_->mutex);
        state_->maximum = maximum;
    }
    notify();
}

void Progress::setValue(qint64 value) {
    {
        QMutexLocker lock(&state_->mutex);
        state_->value = value;
    }
    notify();
}

void Progress::setText(const QString& text) {
    {
        QMutexLocker lock(&state_->mutex);
        state_->text = text;
    }
    notify();
}

void Progress::set(qint64 value, qint64 maximum, const QString& text) {
    {
        QMutexLocker lock(&state_->mutex);
        state_->value = value;
        state_->maximum = maximum;
        state_->text = text;
    }
    notify();
}

bool Progress::isCancelRequested() const { return state_->cancel.load(); }

void Progress::checkCancel() const {
    if (state_->cancel.load()) throw Cancelled();
}

// ---- Job ----

Job::Job(QString title, Work work, QObject* parent)
    : QObject(parent), title_(std::move(title)), work_(std::move(work)),
      state_(std::make_shared<State>()) {
    static const int registered = qRegisterMetaType<jobs::Result>();
    (void)registered;
    state_->job = this;
}

Job::~Job() {
    QMutexLocker lock(&state_->mutex);
    state_->job = nullptr;
    state_->cancel = true;
}

void Job::start(QThreadPool* pool) {
    if (started_) return;
    started_ = true;
    if (!pool) pool = QThreadPool::globalInstance();
    pool->start(new JobRunnable(state_, std::move(work_)));
}

void Job::cancel() { state_->cancel = true; }

bool Job::isCancelRequested() const { return state_->cancel.load(); }

void Job::waitForWork() {
    if (!started_) return;
    std::unique_lock lock(state_->doneMutex);
    state_->doneCv.wait(lock, [this] { return state_->workDone; });
}

void Job::deliverProgress() {
    state_->progressPending = false;
    {
        QMutexLocker lock(&state_->mutex);
        value_ = state_->value;
        maximum_ = state_->maximum;
        text_ = state_->text;
    }
    if (!finished_) emit progressChanged(value_, maximum_, text_);
}

void Job::deliverResult(const Result& result) {
    if (finished_) return;
    deliverProgress();
    finished_ = true;
    result_ = result;
    emit finished(result_);
    if (autoDelete_) deleteLater();
}

} // namespace jobs
