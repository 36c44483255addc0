#include "imaging/ImageScan.h"

#include <QFutureWatcher>
#include <QtConcurrent>

#include "imaging/FileType.h"
#include "imaging/ImagingError.h"
#include "imaging/SaneScanner.h"
#include "imaging/ScanDialogs.h"
#include "imaging/ScannerAcquisition.h"
#include "imaging/ScannerTarget.h"

#include <QCoreApplication>

namespace imaging {

namespace {

const QString kNoScanner =
    QStringLiteral("No scanner is available. Check that the scanner is connected, switched on "
                   "and set up, then try again.");

} // namespace

ImageScan::ImageScan(QObject* parent)
    : ImageScan(std::make_shared<SaneScanner>(), std::make_shared<WidgetScanUi>(), parent) {}

ImageScan::ImageScan(std::shared_ptr<ScannerBackend> backend, std::shared_ptr<ScanUi> ui,
                     QObject* parent)
    : QObject(parent), backend_(backend ? std::move(backend) : std::make_shared<SaneScanner>()),
      ui_(ui ? std::move(ui) : std::make_shared<WidgetScanUi>()),
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

int ImageScan::startScan() {
    if (scanning_) // the progress window keeps events running: refuse a scan within a scan
        return fail(kErrBadArgument, QStringLiteral("A scan is already running."));
    scanning_ = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{scanning_};
    lastError_ = 0;
    lastErrorDescription_.clear();

    try {
        ScannerDevice& dev = device();
        // The destination is checked before any paper moves.
        ScanTarget target(image_, pageOption_, page_);
        applyScanPreferences(dev, prefs_);
        if (showSetup_) {
            if (!ui_->runSetup(dev))
                return fail(kCancelError, QStringLiteral("The scan was cancelled."), false);
            keepPreferences(readScanPreferences(dev, prefs_));
        }
        QString source;
        const auto options = dev.options();
        if (const OptionDescriptor* o = findOption(options, QStringLiteral("source"));
            o && o->active)
            source = dev.value(o->index).toString();
        const bool wholeFeeder = multiPage_ && sourceIsFeeder(source) && !target.singlePage();

        const std::unique_ptr<ScanProgressView> view = ui_->createProgress();
        const ScanRunResult r = runScan(
            dev, wholeFeeder ? 0 : 1,
            [this, &target](int, ScannedPage&& page) {
                target.addPage(page);
                const int documentPage = target.firstPage() + target.pagesWritten() - 1;
                QMetaObject::invokeMethod(
                    this, [this, documentPage] { emit pageScanned(documentPage); },
                    Qt::QueuedConnection);
            },
            view.get());
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
    } catch (const Error& e) {
        return fail(e.number(), e.description());
    }
}

bool ImageScan::showScannerSetup() {
    ScannerDevice& dev = device();
    applyScanPreferences(dev, prefs_);
    if (!ui_->runSetup(dev)) return false;
    keepPreferences(readScanPreferences(dev, prefs_));
    return true;
}

bool ImageScan::showScanPreferences() {
    ScannerDevice* dev = nullptr;
    try {
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
