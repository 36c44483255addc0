// The background-job type and the window's job host: outcomes arrive on the starting thread,
// progress is coalesced, cancel and failures are told apart, and a document job blocks a
// second one until its continuation runs.
#include "jobs/Job.h"
#include "viewer/JobHost.h"

#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QElapsedTimer>
#include <atomic>
#include <gtest/gtest.h>
#include <semaphore>
#include <stdexcept>

namespace {

// Runs the event loop until `done` holds or 5 s have passed.
template <class P> bool spinUntil(P done) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < 5000) QTest::qWait(5);
    return done();
}

struct Outcome {
    bool seen = false;
    jobs::Result result;
    QThread* thread = nullptr;
};

jobs::Job* watch(jobs::Job* job, Outcome& out) {
    QObject::connect(job, &jobs::Job::finished, [&out](const jobs::Result& r) {
        out.seen = true;
        out.result = r;
        out.thread = QThread::currentThread();
    });
    return job;
}

} // namespace

TEST(Job, OutcomesArriveOnTheStartingThreadAndTellDoneCancelledAndFailedApart) {
    struct Case {
        const char* name;
        jobs::Job::Work work;
        bool cancelFirst;
        jobs::Outcome expected;
        QString text;
    };
    const std::vector<Case> cases = {
        {"done", [](jobs::Progress&) {}, false, jobs::Outcome::Done, ""},
        {"throws", [](jobs::Progress&) { throw std::runtime_error("disk full"); }, false,
         jobs::Outcome::Failed, "disk full"},
        {"cancelled before it ran", [](jobs::Progress&) { throw std::runtime_error("ran"); }, true,
         jobs::Outcome::Cancelled, ""},
        {"checks cancel", [](jobs::Progress& p) { p.checkCancel(); }, true, jobs::Outcome::Cancelled, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Outcome out;
        auto* job = watch(new jobs::Job("t", c.work), out);
        if (c.cancelFirst) job->cancel();
        job->start();
        ASSERT_TRUE(spinUntil([&] { return out.seen; }));
        EXPECT_EQ(out.result.outcome, c.expected);
        EXPECT_EQ(out.result.errorText, c.text);
        EXPECT_EQ(out.thread, QThread::currentThread());
        if (c.expected == jobs::Outcome::Failed) {
            ASSERT_TRUE(out.result.error);
            EXPECT_THROW(std::rethrow_exception(out.result.error), std::runtime_error);
        }
    }
}

TEST(Job, ProgressIsCoalescedAndTheLastValueIsSeenBeforeTheOutcome) {
    Outcome out;
    std::vector<qint64> seen;
    auto* job = new jobs::Job("count", [](jobs::Progress& p) {
        p.setMaximum(100000);
        for (int i = 1; i <= 100000; ++i) p.setValue(i);
        p.setText("done counting");
    });
    QObject::connect(job, &jobs::Job::progressChanged,
                     [&](qint64 v, qint64 max, const QString&) {
                         EXPECT_EQ(max, 100000);
                         seen.push_back(v);
                     });
    QString lastText;
    QObject::connect(job, &jobs::Job::finished, [&, job](const jobs::Result& r) {
        out.seen = true;
        out.result = r;
        lastText = job->text();
        EXPECT_EQ(job->value(), 100000);
    });
    job->start();
    ASSERT_TRUE(spinUntil([&] { return out.seen; }));
    ASSERT_FALSE(seen.empty());
    EXPECT_LT(seen.size(), 1000u); // far fewer notices than calls
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    EXPECT_EQ(lastText, "done counting");
}

TEST(Job, DeletingARunningJobAsksItsWorkToStopAndNothingArrivesAfterwards) {
    std::binary_semaphore started(0);
    std::atomic<bool> sawCancel{false};
    std::atomic<bool> returned{false};
    bool finishedSeen = false;
    auto* job = new jobs::Job("long", [&](jobs::Progress& p) {
        started.release();
        while (!p.isCancelRequested()) QThread::msleep(1);
        sawCancel = true;
        p.setValue(1); // told to nobody
        returned = true;
    });
    QObject::connect(job, &jobs::Job::finished, [&] { finishedSeen = true; });
    job->start();
    started.acquire();
    delete job;
    ASSERT_TRUE(spinUntil([&] { return returned.load(); }));
    QTest::qWait(20);
    EXPECT_TRUE(sawCancel);
    EXPECT_FALSE(finishedSeen);
}

TEST(JobHost, ADocumentJobRefusesASecondOneUntilItsContinuationRunsAndTheWindowKeepsWorking) {
    QMainWindow window;
    viewer::JobHost host(window.statusBar());
    std::binary_semaphore release(0);
    std::vector<bool> busyChanges;
    QObject::connect(&host, &viewer::JobHost::documentBusyChanged,
                     [&](bool b) { busyChanges.push_back(b); });

    auto* first = new jobs::Job("Deleting pages", [&](jobs::Progress& p) {
        p.set(3, 10, "page 3");
        release.acquire();
    });
    first->setCancellable(true);
    bool secondStartedInContinuation = false;
    bool continued = false;
    ASSERT_TRUE(host.start(first, viewer::JobHost::Scope::Document, [&](const jobs::Result& r) {
        continued = true;
        EXPECT_TRUE(r.ok());
        EXPECT_FALSE(host.documentBusy());
        secondStartedInContinuation =
            host.start(new jobs::Job("next", [](jobs::Progress&) {}), viewer::JobHost::Scope::Document);
    }));
    EXPECT_TRUE(host.documentBusy());
    EXPECT_FALSE(host.start(new jobs::Job("conflict", [](jobs::Progress&) {})));

    // Events keep flowing while the job runs: a timer fires, the status bar shows the job.
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(1);
    ASSERT_TRUE(spinUntil([&] { return host.progressBar()->maximum() == 10 && ticks > 5; }));
    EXPECT_EQ(host.progressBar()->value(), 3);
    EXPECT_TRUE(host.label()->text().contains("Deleting pages"));
    EXPECT_FALSE(host.cancelButton()->isHidden());

    // A background job runs beside the document job.
    bool backgroundDone = false;
    EXPECT_TRUE(host.start(new jobs::Job("search", [](jobs::Progress&) {}),
                           viewer::JobHost::Scope::Background,
                           [&](const jobs::Result&) { backgroundDone = true; }));
    ASSERT_TRUE(spinUntil([&] { return backgroundDone; }));
    EXPECT_TRUE(host.documentBusy());

    release.release();
    ASSERT_TRUE(spinUntil([&] { return continued && !host.anyRunning(); }));
    EXPECT_TRUE(secondStartedInContinuation);
    EXPECT_EQ(busyChanges, (std::vector<bool>{true, false, true, false}));
    EXPECT_TRUE(host.progressBar()->isHidden());
}

TEST(JobHost, CancelButtonStopsACancellableJob) {
    QMainWindow window;
    viewer::JobHost host(window.statusBar());
    std::binary_semaphore started(0);
    jobs::Result result;
    bool done = false;
    auto* job = new jobs::Job("Import", [&](jobs::Progress& p) {
        started.release();
        for (;;) {
            p.checkCancel();
            QThread::msleep(1);
        }
    });
    job->setCancellable(true);
    host.start(job, viewer::JobHost::Scope::Document, [&](const jobs::Result& r) {
        result = r;
        done = true;
    });
    started.acquire();
    host.cancelButton()->click();
    ASSERT_TRUE(spinUntil([&] { return done; }));
    EXPECT_TRUE(result.cancelled());
}
