#pragma once
// The scanner's edge to the user: messages, its dialogs and the progress of a scan. The
// real implementation (WidgetScanUi, ScanDialogs.h) shows widgets; tests script this
// interface, so no test ever shows a modal dialog.
#include "imaging/scanning/ScannerBackend.h"
#include "imaging/scanning/ScannerPreferences.h"

#include <QString>
#include <memory>
#include <vector>

namespace imaging {

// Progress of one scan run made with ImageScan::startScan (on the calling thread, for tools
// and tests; the window's scans are jobs, whose progress shows in the status bar).
class ScanProgressView {
public:
    virtual ~ScanProgressView() = default;
    virtual void begin(const QString& deviceLabel) = 0;
    // Page `page` (1-based within this run) is about to be scanned.
    virtual void pageStarted(int page) = 0;
    // Data of the page so far; totals are -1 when the device does not know them.
    virtual void progress(int page, qint64 bytes, qint64 totalBytes, int lines, int totalLines) = 0;
    virtual void pageFinished(int page) = 0;
    // Asked after every call above: true ends the run (the page
    // in progress is dropped; the pages finished before are kept).
    virtual bool cancelRequested() const = 0;
    virtual void end() = 0;
};

class ScanUi {
public:
    virtual ~ScanUi() = default;
    // A message with an OK button (the scan's failures: the caller shows none itself).
    virtual void showMessage(const QString& text) = 0;
    // The device's setup dialog, changing the device's options as the user edits them.
    // Returns false when cancelled (the device's options are then as they were before).
    virtual bool runSetup(ScannerDevice& device) = 0;
    // The preferences dialog; `prefs` is changed only when it returns true.
    virtual bool runPreferences(ScannerDevice& device, ScanPreferences& prefs) = 0;
    // Choosing one of `devices`; `name` holds the current choice and receives the new one.
    virtual bool runSelectScanner(const std::vector<ScanDeviceInfo>& devices, QString& name) = 0;
    virtual std::unique_ptr<ScanProgressView> createProgress() = 0;
};

} // namespace imaging
