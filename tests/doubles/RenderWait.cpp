#include "doubles/RenderWait.h"

#include "imaging/ImageEdit.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
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

bool waitForRendering(imaging::ImageEdit& edit, int timeoutMs) {
    return runEventsUntil([&] { return !edit.renderingPending(); }, timeoutMs);
}

bool waitForIdle(imaging::ImageEdit& edit, int timeoutMs) {
    return runEventsUntil([&] { return edit.renderingIdle(); }, timeoutMs);
}

} // namespace doubles
