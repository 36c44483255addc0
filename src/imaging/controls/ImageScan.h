#pragma once
// The scanner object: the program sets where the pages go and how, starts the scan and
// reads a status back. Scanned pages go straight into the destination file (see
// ScanTarget): a new file, or pages appended, inserted or overwritten in an existing one.
//
// startScan() returns 0 on success; otherwise the status names the failure (kErrNoScanner,
// kErrScanner for a jam or another device failure, kCancelError when the user cancelled,
// the document's error number when the file could not be written). Every failure except a
// cancel is also shown to the user through the ScanUi, and its description is kept for
// lastErrorDescription(). Pages finished before a failure or a cancel stay in the file.
//
// The scanner is opened on first use and kept open (the device keeps the settings made in
// its setup dialog). Preferences (device, mode, depth, resolution, source, page size) are
// applied before every scan and kept in the installed KeyValueStore.
#include "imaging/controls/Environment.h"
#include "imaging/scanning/ScannerAcquisition.h"
#include "imaging/scanning/ScannerBackend.h"
#include "imaging/scanning/ScannerPreferences.h"
#include "imaging/scanning/ScannerUi.h"

#include <QFuture>
#include <QObject>
#include <QString>
#include <memory>
#include <optional>

namespace jobs {
class Job;
}

namespace imaging {

class ScanTarget;

// Destination codes (setScanTo): both write the file; the page display is the caller's.
enum ScanDestination : int { kScanToDisplayAndFile = 1, kScanToFile = 2 };

class ImageScan : public QObject {
    Q_OBJECT
public:
    // The real scanner (SANE) with the widget dialogs and preferences kept in memory.
    explicit ImageScan(QObject* parent = nullptr);
    // The scanner and dialogs of `env` (SANE and the widget dialogs where it has none); the
    // destination is reached through its paths.
    explicit ImageScan(EnvironmentPtr env, QObject* parent = nullptr);
    // A default environment with this scanner and these dialogs.
    ImageScan(std::shared_ptr<ScannerBackend> backend, std::shared_ptr<ScanUi> ui,
              QObject* parent = nullptr);
    ~ImageScan() override;

    // Where preferences persist (the program's settings store). Loads them at once.
    void setPreferenceStore(std::shared_ptr<KeyValueStore> store);
    ScanPreferences preferences() const { return prefs_; }

    // Destination file, kept exactly as given (resolved through the environment's paths).
    void setImage(const QString& path) { image_ = path; }
    QString image() const { return image_; }
    // Name of the page display that shows the scanned document (recorded for the caller).
    void setDestImageControl(const QString& name) { destImageControl_ = name; }
    QString destImageControl() const { return destImageControl_; }
    void setShowSetupBeforeScan(bool show) { showSetup_ = show; }
    bool showSetupBeforeScan() const { return showSetup_; }
    // 1 display and file, 2 file; other codes raise Error(kErrBadArgument).
    void setScanTo(int code);
    int scanTo() const { return scanTo_; }
    // File type of the destination: 1 (TIFF) only; others raise Error(kErrBadArgument).
    void setFileType(int type);
    int fileType() const { return fileType_; }
    // Several pages: the feeder until it is empty (one page from a flatbed). Off: one page.
    void setMultiPage(bool multi) { multiPage_ = multi; }
    bool multiPage() const { return multiPage_; }
    // Page (1-based) for placements 3 and 4; below 1 raises Error(kErrBadArgument).
    void setPage(int page);
    int page() const { return page_; }
    // 2 append (the default), 3 insert before page(), 4 overwrite page(); others raise Error.
    void setPageOption(int option);
    int pageOption() const { return pageOption_; }

    // Scans on the calling thread and returns when the run is over (tools and tests; the
    // progress goes to the ScanUi's progress view).
    int startScan();
    // The same scan as a background job, the window's way. Everything that needs the calling
    // thread happens now: opening the scanner, checking the destination, the preferences and,
    // when asked for, the setup dialog. Returns the job that acquires the pages, not started
    // (the caller starts it, through the window's job host), or null when the scan ended
    // before any paper moved (lastError() and lastErrorDescription() say why; failures other
    // than a cancel were shown, as startScan shows them). The job reports the pages in the
    // file so far; cancelling it stops the run after the page being scanned. When the job has
    // finished, lastError() holds the scan's status and scanFinished has been emitted.
    jobs::Job* createScanJob(QObject* parent = nullptr);
    // A scan (or its job) is running: the scanner's dialogs and a second scan are refused.
    bool scanning() const { return scanning_; }
    int lastError() const { return lastError_; }
    QString lastErrorDescription() const { return lastErrorDescription_; }

    // Whether a scanner is present. The device list is asked for once and kept (asking SANE
    // probes every configured backend); refreshScanners() asks again.
    bool scannerAvailable();
    // Looking for scanners can take seconds (every installed backend is asked): start it in
    // the background; scannersKnown() follows when it is done. While it runs,
    // scannerAvailableNow() answers false at once, and scannerAvailable() waits for it.
    void probeScannersAsync();
    bool scannerAvailableNow() const;
    // True while the background look for scanners runs.
    bool probingScanners() const { return probe_.isValid() && !probe_.isFinished(); }
    void refreshScanners();

    // The dialogs. Each returns true when the user confirmed it. showScannerSetup raises
    // Error when there is no scanner or it cannot be opened; the others show the reason.
    bool showScanPreferences();
    bool showSelectScanner();
    bool showScannerSetup();

signals:
    // A page of the running scan is in the file: `documentPage` is its 1-based number.
    void pageScanned(int documentPage);
    void scanFinished(int status);
    void scannersKnown(bool present);

private:
    ScannerDevice& device(); // opens the chosen scanner; raises Error(kErrNoScanner)
    QString chosenDeviceName();
    void refuseWhileScanning() const;
    int fail(int status, const QString& description, bool tell = true);
    // The part of a scan before any paper moves; null with the failure recorded otherwise.
    struct Prepared {
        ScannerDevice* device = nullptr;
        std::shared_ptr<ScanTarget> target;
        int maxPages = 1;
    };
    std::optional<Prepared> prepare();
    PageSink sinkFor(const std::shared_ptr<ScanTarget>& target);
    int finish(const ScanRunResult& r);
    void keepPreferences(ScanPreferences prefs);

    EnvironmentPtr env_;
    std::shared_ptr<ScannerBackend> backend_;
    std::shared_ptr<ScanUi> ui_;
    std::shared_ptr<KeyValueStore> store_;
    std::shared_ptr<ScannerDevice> device_; // shared with a running scan job
    std::optional<std::vector<ScanDeviceInfo>> devices_;
    QFuture<std::vector<ScanDeviceInfo>> probe_;
    void takeProbe();
    ScanPreferences prefs_;

    QString image_;
    QString destImageControl_;
    bool showSetup_ = false;
    int scanTo_ = kScanToDisplayAndFile;
    int fileType_ = 1;
    bool multiPage_ = false;
    int page_ = 1;
    int pageOption_ = 2;
    bool scanning_ = false;
    int runs_ = 0; // scan jobs made, to tell a late notice of an earlier job
    int lastError_ = 0;
    QString lastErrorDescription_;
};

} // namespace imaging
