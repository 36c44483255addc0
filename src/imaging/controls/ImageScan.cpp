#include "imaging/controls/ImageScan.h"

#include <QFutureWatcher>
#include <QPointer>
#include <atomic>
#include <QtConcurrent>

#include "imaging/documents/FileType.h"
#include "imaging/pixels/ImagingError.h"
#include "imaging/scanning/SaneScanner.h"
#include "imaging/controls/ScanDialogs.h"
#include "imaging/scanning/ScannerAcquisition.h"
#include "imaging/scanning/ScannerTarget.h"
#include "jobs/Job.h"

#include <QCoreApplication>

namespace imaging {

namespace {

const QString kNoScanner =
    QStringLiteral("No scanner is available. Check that the scanner is connected, switched on "
                   "and set up, then try again.");

} // namespace

namespace {

EnvironmentPtr withScanner(std::shared_ptr<ScannerBackend> backend, std::shared_ptr<ScanUi> ui) {
    auto env = std::make_shared<Environment>();
    env->scanner = std::move(backend);
    env->scanUi = std::move(ui);
    return env;
}

} // namespace

ImageScan::ImageScan(QObject* parent) : ImageScan(realEnvironment(), parent) {}

ImageScan::ImageScan(std::shared_ptr<ScannerBackend> backend, std::shared_ptr<ScanUi> ui,
                     QObject* parent)
    : ImageScan(withScanner(std::move(backend), std::move(ui)), parent) {}

ImageScan::ImageScan(EnvironmentPtr env, QObject* parent)
    : QObject(parent), env_(env ? std::move(env) : realEnvironment()),
      backend_(env_->scanner ? env_->scanner : std::make_shared<SaneScanner>()),
      ui_(env_->scanUi ? env_->scanUi : std::make_shared<WidgetScanUi>()),
      store_(std::make_shared<MemoryKeyValueStore>()) {}

ImageScan::~ImageScan() = default;

void ImageScan::setPreferenceStore(std::shared_ptr<KeyValueStore> store) {
    store_ = store ? std::move(store) : std::make_shared<MemoryKeyValueStore>();
    prefs_ = loadScanPreferences(*store_);
}

void ImageScan::keepPreferences(ScanPreferences prefs) {
    prefs_ = std::move(prefs);
    saveScanPreferences(*store_, prefs_);
}

void ImageScan::setScanTo(int code) {
    if (code != kScanToDisplayAndFile && code != kScanToFile)
        throw Error(kErrBadArgument,
                    QStringLiteral("Scan destination %1 is not known (1 display and file, 2 file).")
                        .arg(code));
    scanTo_ = code;
}

void ImageScan::setFileType(int type) {
    if (type != kFileTiff)
        throw Error(kErrBadArgument,
                    QStringLiteral("Scanned pages can be stored as TIFF (file type 1) only, "
                                   "not as file type %1.")
                        .arg(type));
    fileType_ = type;
}

void ImageScan::setPage(int page) {
    if (page < 1)
        throw Error(kErrBadArgument, QStringLiteral("Page %1 is not a page number.").arg(page));
    page_ = page;
}

void ImageScan::setPageOption(int option) {
    if (option != kScanAppend && option != kScanInsert && option != kScanOverwrite)
        throw Error(kErrBadArgument,
                    QStringLiteral("The page placement %1 is not known (2 append, 3 insert, "
                                   "4 overwrite).")
                        .arg(option));
    pageOption_ = option;
}

bool ImageScan::scannerAvailable() {
    takeProbe();
    if (!devices_) refreshScanners();
    return !devices_->empty();
}

void ImageScan::probeScannersAsync() {
    if (probe_.isValid() && !probe_.isFinished()) return;
    auto backend = backend_;
    probe_ = QtConcurrent::run([backend] { return backend->devices(); });
    auto* watcher = new QFutureWatcher<std::vector<ScanDeviceInfo>>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher] {
        watcher->deleteLater();
        takeProbe();
        emit scannersKnown(devices_ && !devices_->empty());
    });
    watcher->setFuture(probe_);
}

void ImageScan::takeProbe() {
    if (!probe_.isValid()) return;
    probe_.waitForFinished();
    devices_ = probe_.result();
    probe_ = {};
}

bool ImageScan::scannerAvailableNow() const {
    if (probe_.isValid() && !probe_.isFinished()) return false;
    if (probe_.isValid()) return !probe_.result().empty();
    return devices_ && !devices_->empty();
}

void ImageScan::refreshScanners() {
    takeProbe();
    devices_ = backend_->devices();
}

QString ImageScan::chosenDeviceName() {
    takeProbe();
    if (!devices_ || devices_->empty())
        refreshScanners(); // a scanner switched on since the last look is found now
    for (const auto& d : *devices_)
        if (d.name == prefs_.device) return d.name;
    return devices_->empty() ? QString() : devices_->front().name;
}

ScannerDevice& ImageScan::device() {
    const QString name = chosenDeviceName();
    if (name.isEmpty()) {
        device_.reset();
        throw Error(kErrNoScanner, kNoScanner);
    }
    if (!device_ || device_->info().name != name) {
        device_.reset(); // a device is opened once at a time
        device_ = backend_->open(name);
    }
    return *device_;
}

int ImageScan::fail(int status, const QString& description, bool tell) {
    lastError_ = status;
    lastErrorDescription_ = description;
    if (tell) ui_->showMessage(description);
    emit scanFinished(status);
    return status;
}

std::optional<ImageScan::Prepared> ImageScan::prepare() {
    lastError_ = 0;
    lastErrorDescription_.clear();
    if (scanning_) { // one run at a time on the one device
        fail(kErrBadArgument, QStringLiteral("A scan is already running."));
        return std::nullopt;
    }
    try {
        ScannerDevice& dev = device();
        // The destination is checked before any paper moves.
        auto target = std::make_shared<ScanTarget>(image_, pageOption_, page_, env_->paths);
        applyScanPreferences(dev, prefs_);
        if (showSetup_) {
            if (!ui_->runSetup(dev)) {
                fail(kCancelError, QStringLiteral("The scan was cancelled."), false);
                return std::nullopt;
            }
            keepPreferences(readScanPreferences(dev, prefs_));
        }
        QString source;
        const auto options = dev.options();
        if (const OptionDescriptor* o = findOption(options, QStringLiteral("source"));
            o && o->active)
            source = dev.value(o->index).toString();
        const bool wholeFeeder = multiPage_ && sourceIsFeeder(source) && !target->singlePage();
        return Prepared{&dev, std::move(target), wholeFeeder ? 0 : 1};
    } catch (const Error& e) {
        fail(e.number(), e.description());
        return std::nullopt;
    }
}

PageSink ImageScan::sinkFor(const std::shared_ptr<ScanTarget>& target) {
    QPointer<ImageScan> self(this);
    return [self, target](int, ScannedPage&& page) {
        target->addPage(page);
        const int documentPage = target->firstPage() + target->pagesWritten() - 1;
        if (self)
            QMetaObject::invokeMethod(
                self.data(),
                [self, documentPage] {
                    if (self) emit self->pageScanned(documentPage);
                },
                Qt::QueuedConnection);
    };
}

int ImageScan::finish(const ScanRunResult& r) {
    QCoreApplication::sendPostedEvents(this); // pageScanned before scanFinished
    if (r.error == 0) {
        emit scanFinished(0);
        return 0;
    }
    QString description = r.description;
    if (r.pages > 0)
        description +=
            r.pages == 1 ? QStringLiteral(" The page scanned before was kept in the file.")
                         : QStringLiteral(" The %1 pages scanned before were kept in the file.")
                               .arg(r.pages);
    return fail(r.error, description, r.error != kCancelError);
}

int ImageScan::startScan() {
    const std::optional<Prepared> p = prepare();
    if (!p) return lastError_;
    scanning_ = true;
    const std::unique_ptr<ScanProgressView> view = ui_->createProgress();
    const ScanRunResult r = runScan(*p->device, p->maxPages, sinkFor(p->target), view.get());
    scanning_ = false;
    return finish(r);
}

namespace {

// The job's side of the acquisition loop: pages so far as its progress; a cancel request
// is honoured when the next page would start, so the page being scanned is finished.
class JobHooks : public AcquisitionHooks {
public:
    JobHooks(jobs::Progress& progress, int maxPages) : p_(progress), max_(maxPages) {}
    bool pageStarting(int page) override {
        if (p_.isCancelRequested()) return false; // asked before this page was announced
        p_.set(page - 1, max_, QStringLiteral("Scanning page %1...").arg(page));
        return true;
    }
    void progress(int, qint64, qint64, int, int) override {}
    void pageFinished(int page) override {
        p_.set(page, max_,
               page == 1 ? QStringLiteral("1 page scanned")
                         : QStringLiteral("%1 pages scanned").arg(page));
    }

private:
    jobs::Progress& p_;
    int max_;
};

} // namespace

jobs::Job* ImageScan::createScanJob(QObject* parent) {
    const std::optional<Prepared> p = prepare();
    if (!p) return nullptr;
    scanning_ = true;
    auto result = std::make_shared<ScanRunResult>();
    // The device stays open for the work even if this object goes first.
    std::shared_ptr<ScannerDevice> dev = device_;
    const int maxPages = p->maxPages;
    PageSink sink = sinkFor(p->target);
    auto* job = new jobs::Job(
        QStringLiteral("Scanning"),
        [dev, maxPages, sink, result](jobs::Progress& progress) {
            JobHooks hooks(progress, maxPages);
            const std::atomic<bool> never{false}; // a cancel waits for the page being scanned
            *result = acquirePages(*dev, maxPages, sink, hooks, never);
            progress.set(result->pages, maxPages,
                         result->pages == 1 ? QStringLiteral("1 page scanned")
                                            : QStringLiteral("%1 pages scanned").arg(result->pages));
        },
        parent);
    job->setCancellable(true);
    const int run = ++runs_;
    // A job deleted without running (a job host refused it) ends the run too.
    connect(job, &QObject::destroyed, this, [this, run] {
        if (runs_ == run) scanning_ = false;
    });
    connect(job, &jobs::Job::finished, this, [this, result](const jobs::Result& r) {
        scanning_ = false;
        if (r.failed()) { // the acquisition loop raised something it does not know
            ScanRunResult failed;
            failed.error = kErrScanner;
            failed.description = r.errorText;
            finish(failed);
            return;
        }
        finish(*result);
    });
    return job;
}

void ImageScan::refuseWhileScanning() const {
    if (scanning_)
        throw Error(kErrBadArgument,
                    QStringLiteral("The scanner is busy with a scan; try again when it has finished."));
}

bool ImageScan::showScannerSetup() {
    refuseWhileScanning();
    ScannerDevice& dev = device();
    applyScanPreferences(dev, prefs_);
    if (!ui_->runSetup(dev)) return false;
    keepPreferences(readScanPreferences(dev, prefs_));
    return true;
}

bool ImageScan::showScanPreferences() {
    ScannerDevice* dev = nullptr;
    try {
        refuseWhileScanning();
        dev = &device();
    } catch (const Error& e) {
        ui_->showMessage(e.description());
        return false;
    }
    ScanPreferences prefs = prefs_;
    if (!ui_->runPreferences(*dev, prefs)) return false;
    keepPreferences(prefs);
    return true;
}

bool ImageScan::showSelectScanner() {
    if (scanning_) {
        ui_->showMessage(QStringLiteral("The scanner is busy with a scan; try again when it has finished."));
        return false;
    }
    refreshScanners();
    if (devices_->empty()) {
        ui_->showMessage(kNoScanner);
        return false;
    }
    QString name = chosenDeviceName();
    if (!ui_->runSelectScanner(*devices_, name)) return false;
    ScanPreferences prefs = prefs_;
    prefs.device = name;
    keepPreferences(prefs);
    return true;
}

} // namespace imaging
