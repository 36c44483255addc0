#pragma once
// The one type for long work. A Job runs one work function on a thread pool; the function
// reports progress and watches for a cancel request through the Progress it is handed; the
// job's signals (progress and the final Result) arrive on the thread that owns the Job (the
// window thread), so whoever started it never waits in a loop of its own.
//
//     auto* job = new jobs::Job(tr("Saving"), [doc](jobs::Progress& p) {
//         p.setMaximum(doc.pages());
//         for (...) { p.checkCancel(); ...; p.setValue(i); }
//     }, this);
//     job->setCancellable(true);
//     connect(job, &jobs::Job::finished, this, [](const jobs::Result& r) { ... });
//     job->start();
//
// The work function must not touch widgets or objects of the window thread; what it needs
// is captured by value (or is safe to share), and what it produces is handed over in its
// captures and read in the finished handler. A Job deletes itself after `finished` when
// autoDelete() is on (the default); the work keeps its own state alive, so deleting a
// running Job (its owner closing) only asks the work to cancel.
#include <QObject>
#include <QString>
#include <exception>
#include <functional>
#include <memory>

class QThreadPool;

namespace jobs {

enum class Outcome { Done, Cancelled, Failed };

struct Result {
    Outcome outcome = Outcome::Done;
    std::exception_ptr error; // Failed: what the work raised (rethrow it to read its kind)
    QString errorText;        // Failed: its description
    bool ok() const { return outcome == Outcome::Done; }
    bool cancelled() const { return outcome == Outcome::Cancelled; }
    bool failed() const { return outcome == Outcome::Failed; }
};

// Raised by Progress::checkCancel; the job ends Cancelled.
struct Cancelled : std::exception {
    const char* what() const noexcept override { return "Cancelled by the user."; }
};

struct State;

// What the work function sees on its worker thread. Every member is thread-safe. Progress
// notices are coalesced: a fast loop costs no more than one notice per event-loop turn.
class Progress {
public:
    explicit Progress(std::shared_ptr<State> state) : state_(std::move(state)) {}
    void setMaximum(qint64 maximum);
    void setValue(qint64 value);
    void setText(const QString& text);
    void set(qint64 value, qint64 maximum, const QString& text);
    bool isCancelRequested() const;
    void checkCancel() const; // throws Cancelled when a cancel was requested

private:
    void notify();
    std::shared_ptr<State> state_;
};

class Job : public QObject {
    Q_OBJECT
public:
    using Work = std::function<void(Progress&)>;

    Job(QString title, Work work, QObject* parent = nullptr);
    ~Job() override;

    QString title() const { return title_; }
    // Whether the user may cancel (the status bar shows a Cancel button). Cancel requests of
    // the program itself (shutdown) are always passed on.
    void setCancellable(bool on) { cancellable_ = on; }
    bool cancellable() const { return cancellable_; }
    void setAutoDelete(bool on) { autoDelete_ = on; }
    bool autoDelete() const { return autoDelete_; }

    // Starts the work on `pool` (the application's global pool when null). Once only.
    void start(QThreadPool* pool = nullptr);
    void cancel();
    bool isCancelRequested() const;
    bool isRunning() const { return started_ && !finished_; }
    bool isFinished() const { return finished_; }
    const Result& result() const { return result_; }

    // The last progress reported.
    qint64 value() const { return value_; }
    qint64 maximum() const { return maximum_; }
    QString text() const { return text_; }

    // Blocks until the work function has returned (its signals still arrive through the
    // event loop). For shutdown and for tests; never on a user's command.
    void waitForWork();

signals:
    void progressChanged(qint64 value, qint64 maximum, const QString& text);
    void finished(const jobs::Result& result);

private:
    friend class Progress;
    friend class JobRunnable;
    void deliverProgress();
    void deliverResult(const Result& result);

    QString title_;
    Work work_;
    bool cancellable_ = false;
    bool autoDelete_ = true;
    bool started_ = false;
    bool finished_ = false;
    Result result_;
    qint64 value_ = 0;
    qint64 maximum_ = 0;
    QString text_;
    std::shared_ptr<State> state_;
};

} // namespace jobs

Q_DECLARE_METATYPE(jobs::Result)
