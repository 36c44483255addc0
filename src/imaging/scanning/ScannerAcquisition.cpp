#include "imaging/scanning/ScannerAcquisition.h"

#include "imaging/pixels/ImagingError.h"
#include "imaging/scanning/ScannerFrame.h"
#include "imaging/scanning/ScannerPreferences.h"

#include <chrono>
#include <thread>
#include <vector>

namespace imaging {

namespace {

constexpr int kReadBufferSize = 64 * 1024;
constexpr qint64 kMinProgressStep = 32 * 1024;

ScanRunResult failure(int pages, ScanStatus status) {
    ScanRunResult r;
    r.pages = pages;
    r.status = status;
    r.error = status == ScanStatus::Cancelled ? kCancelError : kErrScanner;
    r.description = describeScanStatus(status);
    return r;
}

// Reads one frame into the assembler. Returns Good at the frame's end, or the failure.
ScanStatus readFrame(ScannerDevice& device, FrameAssembler& assembler, int page,
                     AcquisitionHooks& hooks, const std::atomic<bool>& cancel,
                     std::vector<unsigned char>& buffer) {
    qint64 reported = 0;
    const qint64 total = assembler.frameBytesExpected();
    const qint64 step = std::max(kMinProgressStep, total > 0 ? total / 50 : 0);
    for (;;) {
        if (cancel.load()) return ScanStatus::Cancelled;
        int length = 0;
        const ScanStatus s = device.read(buffer.data(), int(buffer.size()), length);
        if (s == ScanStatus::Eof) break;
        if (s != ScanStatus::Good) return s;
        if (length == 0) { // a non-blocking device with nothing ready yet
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            continue;
        }
        assembler.addData(buffer.data(), length);
        if (assembler.frameBytesDone() - reported >= step) {
            reported = assembler.frameBytesDone();
            hooks.progress(page, reported, total, assembler.linesDone(), assembler.frameLines());
        }
    }
    hooks.progress(page, assembler.frameBytesDone(), total, assembler.linesDone(),
                   assembler.frameLines());
    assembler.endFrame();
    return ScanStatus::Good;
}

} // namespace

ScanRunResult acquirePages(ScannerDevice& device, int maxPages, const PageSink& sink,
                           AcquisitionHooks& hooks, const std::atomic<bool>& cancel) {
    ScanRunResult result;
    FrameAssembler assembler;
    std::vector<unsigned char> buffer(kReadBufferSize);
    double xDpi = 0, yDpi = 0;
    try {
        xDpi = currentResolution(device, false);
        yDpi = currentResolution(device, true);
    } catch (const Error&) {
    }

    // The device is left idle however the run ends.
    struct CancelAtExit {
        ScannerDevice& d;
        ~CancelAtExit() { d.cancel(); }
    } cancelAtExit{device};

    for (int page = 1; maxPages <= 0 || page <= maxPages; ++page) {
        if (cancel.load() || !hooks.pageStarting(page))
            return failure(result.pages, ScanStatus::Cancelled);
        assembler.beginPage();
        try {
            do {
                const ScanStatus started = device.start();
                if (started == ScanStatus::NoDocs && page > 1 && !assembler.linesDone())
                    return result; // the feeder ran empty after the last page
                if (started != ScanStatus::Good) return failure(result.pages, started);
                FrameParameters params;
                if (const ScanStatus s = device.parameters(params); s != ScanStatus::Good)
                    return failure(result.pages, s);
                assembler.beginFrame(params);
                if (const ScanStatus s = readFrame(device, assembler, page, hooks, cancel, buffer);
                    s != ScanStatus::Good)
                    return failure(result.pages, s);
            } while (!assembler.pageComplete());

            ScannedPage scanned{assembler.takeImage(), xDpi, yDpi};
            if (scanned.image.isNull()) return failure(result.pages, ScanStatus::IoError);
            sink(page, std::move(scanned));
        } catch (const Error& e) {
            result.error = e.number();
            result.status = ScanStatus::IoError;
            result.description = e.description();
            return result;
        }
        ++result.pages;
        hooks.pageFinished(page);
    }
    return result;
}

namespace {

// Tells the view, on the calling thread, and turns its cancel request into the run's.
class ViewHooks : public AcquisitionHooks {
public:
    ViewHooks(ScanProgressView* view, std::atomic<bool>& cancel) : view_(view), cancel_(cancel) {}

    bool pageStarting(int page) override {
        if (view_) view_->pageStarted(page);
        return !poll();
    }
    void progress(int page, qint64 bytes, qint64 totalBytes, int lines, int totalLines) override {
        if (view_) view_->progress(page, bytes, totalBytes, lines, totalLines);
        poll();
    }
    void pageFinished(int page) override {
        if (view_) view_->pageFinished(page);
        poll();
    }

private:
    bool poll() {
        if (view_ && view_->cancelRequested()) cancel_.store(true);
        return cancel_.load();
    }

    ScanProgressView* view_;
    std::atomic<bool>& cancel_;
};

} // namespace

ScanRunResult runScan(ScannerDevice& device, int maxPages, const PageSink& sink,
                      ScanProgressView* view) {
    std::atomic<bool> cancel{false};
    ViewHooks hooks(view, cancel);
    if (view) view->begin(device.info().label());
    ScanRunResult result;
    try {
        result = acquirePages(device, maxPages, sink, hooks, cancel);
    } catch (const std::exception& e) {
        device.cancel();
        result = failure(0, ScanStatus::IoError);
        result.description = QString::fromLocal8Bit(e.what());
    }
    if (view) view->end();
    return result;
}

} // namespace imaging
