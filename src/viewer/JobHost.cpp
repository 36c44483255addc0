#include "viewer/JobHost.h"

#include "jobs/Job.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <algorithm>
#include <climits>

namespace viewer {

JobHost::JobHost(QStatusBar* bar, QObject* parent) : QObject(parent) {
    label_ = new QLabel(bar);
    label_->setObjectName("lblJob");
    bar_ = new QProgressBar(bar);
    bar_->setObjectName("prgJob");
    bar_->setMaximumWidth(260);
    bar_->setTextVisible(true);
    cancel_ = new QPushButton(tr("Cancel"), bar);
    cancel_->setObjectName("cmdJobCancel");
    cancel_->setAutoDefault(false);
    cancel_->setFocusPolicy(Qt::NoFocus);
    bar->addPermanentWidget(label_);
    bar->addPermanentWidget(bar_);
    bar->addPermanentWidget(cancel_);
    label_->hide();
    bar_->hide();
    cancel_->hide();
    connect(cancel_, &QPushButton::clicked, this, [this] {
        if (shown_ && shown_->cancellable()) shown_->cancel();
    });
}

JobHost::~JobHost() { cancelAllAndWait(); }

bool JobHost::anyRunning() const {
    return std::any_of(running_.begin(), running_.end(), [](const auto& j) { return !j.isNull(); });
}

bool JobHost::start(jobs::Job* job, Scope scope, Continuation then) {
    if (!job) return false;
    if (scope == Scope::Document && documentJob_) {
        delete job;
        return false;
    }
    job->setParent(this);
    running_.erase(std::remove_if(running_.begin(), running_.end(),
                                  [](const auto& j) { return j.isNull(); }),
                   running_.end());
    running_.emplace_back(job);
    connect(job, &jobs::Job::progressChanged, this, [this, job] {
        if (shown_ == job) show(job);
    });
    connect(job, &jobs::Job::finished, this,
            [this, job, then = std::move(then)](const jobs::Result& r) { finishedJob(job, r, then); });
    if (scope == Scope::Document) {
        documentJob_ = job;
        QApplication::setOverrideCursor(Qt::BusyCursor);
    }
    if (scope == Scope::Document || !shown_) shown_ = job;
    show(shown_);
    job->start();
    if (scope == Scope::Document) emit documentBusyChanged(true);
    emit jobsChanged();
    return true;
}

void JobHost::show(jobs::Job* job) {
    if (!job) {
        label_->hide();
        bar_->hide();
        cancel_->hide();
        return;
    }
    label_->setText(job->text().isEmpty() ? job->title() : job->title() + " - " + job->text());
    label_->show();
    if (job->maximum() > 0) {
        // QProgressBar takes int; large counts are scaled.
        const double scale = job->maximum() > INT_MAX ? double(INT_MAX) / job->maximum() : 1.0;
        bar_->setRange(0, int(job->maximum() * scale));
        bar_->setValue(int(std::min(job->value(), job->maximum()) * scale));
    } else {
        bar_->setRange(0, 0); // busy indicator
    }
    bar_->show();
    cancel_->setVisible(job->cancellable());
}

void JobHost::finishedJob(jobs::Job* job, const jobs::Result& result, const Continuation& then) {
    const bool wasDocument = documentJob_ == job;
    if (wasDocument) {
        documentJob_ = nullptr;
        QApplication::restoreOverrideCursor();
    }
    running_.erase(std::remove_if(running_.begin(), running_.end(),
                                  [job](const auto& j) { return j.isNull() || j == job; }),
                   running_.end());
    if (shown_ == job) {
        shown_ = nullptr;
        for (const auto& j : running_)
            if (j && !j->isFinished()) shown_ = j;
    }
    show(shown_);
    if (wasDocument) emit documentBusyChanged(false);
    emit jobsChanged();
    if (then) then(result);
}

void JobHost::cancelAllAndWait() {
    for (const auto& j : running_)
        if (j) j->cancel();
    for (const auto& j : running_)
        if (j) j->waitForWork();
}

} // namespace viewer
