#pragma once
// Runs the window's long work (jobs::Job) and shows it: the job's text and progress in the
// status bar, a Cancel button when the job allows it, the wait cursor over the document.
// A job that touches the open document (Scope::Document) makes the window busy: the
// commands that would touch the same document are refused until it has finished, and a
// second document job is refused. Background jobs (a search on a slow server, looking for
// scanners) run beside it.
//
// Commands call start() and continue in the job's finished handler; nothing waits in an
// event loop of its own.
#include "jobs/Job.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <vector>

class QLabel;
class QProgressBar;
class QPushButton;
class QStatusBar;

namespace viewer {

class JobHost : public QObject {
    Q_OBJECT
public:
    enum class Scope { Document, Background };

    // The status bar widgets are added to `bar` (hidden while nothing runs).
    explicit JobHost(QStatusBar* bar, QObject* parent = nullptr);
    ~JobHost() override;

    // Starts `job` and takes it over (it is re-parented to this host). Refused (false, the
    // job deleted without running) when `scope` is Document and a document job is running.
    // `then` runs on the window thread when the job has finished and no longer counts as
    // running, so it may start the next job (a handler connected to the job's own finished
    // signal runs while the job still counts).
    using Continuation = std::function<void(const jobs::Result&)>;
    bool start(jobs::Job* job, Scope scope = Scope::Document, Continuation then = {});

    bool documentBusy() const { return documentJob_ != nullptr; }
    bool anyRunning() const;
    jobs::Job* documentJob() const { return documentJob_; }

    // Shutdown: asks every job to cancel and waits for their work to return.
    void cancelAllAndWait();

    // The status-bar widgets (object names "lblJob", "prgJob", "cmdJobCancel").
    QLabel* label() const { return label_; }
    QProgressBar* progressBar() const { return bar_; }
    QPushButton* cancelButton() const { return cancel_; }

signals:
    void documentBusyChanged(bool busy);
    // Any job started or ended.
    void jobsChanged();

private:
    void show(jobs::Job* job);
    void finishedJob(jobs::Job* job, const jobs::Result& result, const Continuation& then);

    QLabel* label_ = nullptr;
    QProgressBar* bar_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QPointer<jobs::Job> documentJob_;
    std::vector<QPointer<jobs::Job>> running_;
    QPointer<jobs::Job> shown_;
};

} // namespace viewer
