#pragma once
// One scan run: pages acquired from an open device until the requested count is reached,
// the feeder is empty, the user cancels or something fails. The run itself is plain work on
// the calling thread: the window runs it as a background job (ImageScan::createScanJob), tools
// and tests call it directly.
#include "imaging/scanning/ScannerBackend.h"
#include "imaging/scanning/ScannerUi.h"

#include <QImage>
#include <atomic>
#include <functional>

namespace imaging {

struct ScannedPage {
    QImage image;
    double xDpi = 0;
    double yDpi = 0;
};

struct ScanRunResult {
    int pages = 0;                        // pages handed to the sink and accepted by it
    ScanStatus status = ScanStatus::Good; // Good, Cancelled or the device's failure
    int error = 0;                        // 0, kCancelError, kErrScanner or the sink's number
    QString description;                  // "" on success
};

// Receives each finished page (`page` 1-based within the run) in the worker thread; raises
// Error to stop the run (the page is then not counted).
using PageSink = std::function<void(int page, ScannedPage&& scanned)>;

// What the acquisition loop tells its caller, from the worker thread.
class AcquisitionHooks {
public:
    virtual ~AcquisitionHooks() = default;
    // Before each page; false cancels the run before the page is started.
    virtual bool pageStarting(int page) = 0;
    virtual void progress(int page, qint64 bytes, qint64 totalBytes, int lines, int totalLines) = 0;
    virtual void pageFinished(int page) = 0;
};

// The acquisition loop itself, run in the calling thread: up to `maxPages` pages (0 = until
// the feeder is empty). A feeder that is empty at the first page is a failure (NoDocs); once
// a page is done, NoDocs ends the run normally. `cancel` is watched between reads.
ScanRunResult acquirePages(ScannerDevice& device, int maxPages, const PageSink& sink,
                           AcquisitionHooks& hooks, const std::atomic<bool>& cancel);

// acquirePages on the calling thread, telling `view` (which may be null) as it goes; the view's
// cancel request is asked after every report.
ScanRunResult runScan(ScannerDevice& device, int maxPages, const PageSink& sink,
                      ScanProgressView* view);

} // namespace imaging
