#include "doubles/RenderWait.h"

#include "imaging/controls/ImageEdit.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>
#include <functional>

namespace doubles {

namespace {
bool runEventsUntil(const std::function<bool()>& done, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    QTimer tick; // wakes the wait at least every few milliseconds
    tick.start(5);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return done();
}
} // namespace

// Ends as soon as the display reports the page ready; events queued after that (the repaint
// the display asked for among them) are left to the caller, so a caller timing "rendered and
// painted" does not count a second paint of the same page.
bool waitForRendering(imaging::ImageEdit& edit, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    QEventLoop loop;
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
        if (!edit.renderingPending() || deadline.hasExpired()) loop.quit();
    });
    QObject::connect(&edit, &imaging::ImageEdit::renderingFinished, &loop, &QEventLoop::quit);
    tick.start(5);
    while (edit.renderingPending() && !deadline.hasExpired())
        loop.exec();
    return !edit.renderingPending();
}

bool waitForIdle(imaging::ImageEdit& edit, int timeoutMs) {
    return runEventsUntil([&] { return edit.renderingIdle(); }, timeoutMs);
}

} // namespace doubles
