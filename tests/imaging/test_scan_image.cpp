// The scanner object over the scripted scanner: placements, feeder runs, failures, cancels,
// the open document model, preferences and the scanner choice.
#include "CoreFixtures.h"
#include "doubles/ScannerFake.h"
#include "imaging/documents/Document.h"
#include "imaging/documents/DocumentModel.h"
#include "imaging/controls/ImageScan.h"
#include "imaging/pixels/ImagingError.h"
#include "imaging/controls/Environment.h"
#include "jobs/Job.h"
#include "test_scan_support.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <gtest/gtest.h>

using namespace imaging;

namespace {

// Marker pixels as the fake documents them: label bits as 8x8 blocks along the top edge,
// a black 8x8 block in the bottom-right corner.
bool markerBlack(int label, int w, int h, int x, int y) {
    if (y < 8 && x < 64) return label & (1 << (x / 8));
    return x >= w - 8 && y >= h - 8;
}

// An existing document written with libtiff directly: one 100 x 130 G4 page per label.
void writeExisting(const QString& path, const std::vector<int>& labels) {
    std::vector<corefx::Page> pages;
    for (int label : labels) {
        corefx::Page p =
            corefx::bitonalPage(100, 130, true, COMPRESSION_CCITTFAX4, [label](int x, int y) {
                return markerBlack(label, 100, 130, x, y);
            });
        p.dpi = 100;
        pages.push_back(p);
    }
    corefx::writeTiff(path, pages);
}

std::vector<int> labelsIn(const QString& path) {
    const DocumentPtr doc = Document::open(path);
    std::vector<int> out;
    for (int i = 0; i < doc->pageCount(); ++i)
        out.push_back(doubles::FakeScanner::readLabel(doc->decodePage(i)));
    return out;
}

class ScanWithFake : public ::testing::Test {
protected:
    void SetUp() override {
        fake = std::make_shared<doubles::FakeScanner>();
        ui = std::make_shared<scantest::ScriptedScanUi>();
        scan = std::make_unique<ImageScan>(fake, ui);
        dest = dir.file(QStringLiteral("55-7.tif"));
    }

    // The order of the filed scan: destination code, page display, path, type, several pages.
    void prepareFiledScan() {
        scan->setScanTo(kScanToFile);
        scan->setDestImageControl(QStringLiteral("docImgEdit1"));
        scan->setImage(dest);
        scan->setFileType(1);
        scan->setMultiPage(true);
    }

    void useFeeder(int sheets) {
        ScanPreferences prefs;
        prefs.source = QStringLiteral("Automatic Document Feeder");
        auto store = std::make_shared<MemoryKeyValueStore>();
        saveScanPreferences(*store, prefs);
        scan->setPreferenceStore(store);
        fake->script().feederSheets = sheets;
    }

    testsupport::TempDir dir;
    std::shared_ptr<doubles::FakeScanner> fake;
    std::shared_ptr<scantest::ScriptedScanUi> ui;
    std::unique_ptr<ImageScan> scan;
    QString dest;
};

TEST_F(ScanWithFake, FlatbedPageIntoANewFileIsG4WithTheDeviceResolution) {
    ScanPreferences prefs;
    prefs.resolution = 300;
    auto store = std::make_shared<MemoryKeyValueStore>();
    saveScanPreferences(*store, prefs);
    scan->setPreferenceStore(store);
    prepareFiledScan();

    ASSERT_EQ(scan->startScan(), 0) << scan->lastErrorDescription().toStdString();
    EXPECT_EQ(scan->image(), dest);
    EXPECT_TRUE(ui->messages.isEmpty());
    const DocumentPtr doc = Document::open(dest);
    ASSERT_EQ(doc->pageCount(), 1); // a flatbed gives one page even with several pages asked
    const PageInfo info = doc->pageInfo(0);
    EXPECT_EQ(info.compressionCode, COMPRESSION_CCITTFAX4);
    EXPECT_DOUBLE_EQ(info.xDpi, 300);
    EXPECT_DOUBLE_EQ(info.yDpi, 300);
    EXPECT_EQ(info.width, 300); // the fake's default area is 25.4 x 33.02 mm
    EXPECT_EQ(info.height, 390);
    EXPECT_EQ(labelsIn(dest), std::vector<int>{1});
}

TEST_F(ScanWithFake, FeederFillsANewFileInOrder) {
    useFeeder(4);
    prepareFiledScan();
    QSignalSpy scanned(scan.get(), &ImageScan::pageScanned);
    QSignalSpy finished(scan.get(), &ImageScan::scanFinished);
    ASSERT_EQ(scan->startScan(), 0);
    EXPECT_EQ(labelsIn(dest), (std::vector<int>{1, 2, 3, 4}));
    ASSERT_EQ(scanned.count(), 4);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(scanned.at(i).at(0).toInt(), i + 1);
    ASSERT_EQ(finished.count(), 1);
    EXPECT_EQ(finished.at(0).at(0).toInt(), 0);
    EXPECT_EQ(ui->progress.finished, (std::vector<int>{1, 2, 3, 4}));
}

TEST_F(ScanWithFake, OnePageFromTheFeederWhenSeveralAreNotAsked) {
    useFeeder(4);
    prepareFiledScan();
    scan->setMultiPage(false);
    ASSERT_EQ(scan->startScan(), 0);
    EXPECT_EQ(labelsIn(dest), std::vector<int>{1});
}

// Placements into an existing three-page document (labels 101, 102, 103).
struct Placement {
    const char* name;
    int option;
    int page;
    std::vector<int> expected;
};

void PrintTo(const Placement& p, std::ostream* os) {
    *os << p.name;
}

class ScanPlacements : public ScanWithFake, public ::testing::WithParamInterface<Placement> {};

TEST_P(ScanPlacements, PagesLandWhereAsked) {
    const Placement& p = GetParam();
    writeExisting(dest, {101, 102, 103});
    useFeeder(2);
    scan->setImage(dest);
    scan->setMultiPage(true);
    scan->setPage(p.page);
    scan->setPageOption(p.option);
    ASSERT_EQ(scan->startScan(), 0) << scan->lastErrorDescription().toStdString();
    EXPECT_EQ(labelsIn(dest), p.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Existing, ScanPlacements,
    ::testing::Values(Placement{"Append", 2, 1, {101, 102, 103, 1, 2}},
                      Placement{"InsertBeforePage2", 3, 2, {101, 1, 2, 102, 103}},
                      Placement{"InsertBeforePage1", 3, 1, {1, 2, 101, 102, 103}},
                      Placement{"InsertAfterTheLast", 3, 4, {101, 102, 103, 1, 2}},
                      Placement{"OverwritePage2", 4, 2, {101, 1, 103}}),
    [](const ::testing::TestParamInfo<Placement>& info) { return std::string(info.param.name); });

TEST_F(ScanWithFake, OverwriteTakesOnePageFromAFullFeeder) {
    writeExisting(dest, {101, 102, 103});
    useFeeder(5);
    scan->setImage(dest);
    scan->setMultiPage(true);
    scan->setPage(3);
    scan->setPageOption(4);
    ASSERT_EQ(scan->startScan(), 0);
    EXPECT_EQ(labelsIn(dest), (std::vector<int>{101, 102, 1}));
    EXPECT_EQ(fake->pagesStarted(), 1);
}

TEST_F(ScanWithFake, PlacementIntoAMissingFileCreatesIt) {
    scan->setImage(dest);
    scan->setPage(5);
    scan->setPageOption(3);
    ASSERT_EQ(scan->startScan(), 0);
    EXPECT_EQ(labelsIn(dest), std::vector<int>{1});
}

TEST_F(ScanWithFake, PageOutsideTheDocumentIsRefusedBeforeScanning) {
    writeExisting(dest, {101, 102, 103});
    scan->setImage(dest);
    scan->setPage(5);
    scan->setPageOption(4);
    EXPECT_EQ(scan->startScan(), kErrBadPage);
    EXPECT_EQ(fake->pagesStarted(), 0);
    ASSERT_EQ(ui->messages.size(), 1);
    EXPECT_TRUE(ui->messages[0].contains(QStringLiteral("Page 5")));
    EXPECT_EQ(labelsIn(dest), (std::vector<int>{101, 102, 103}));
}

TEST_F(ScanWithFake, JamKeepsThePagesScannedBeforeAndTellsTheUser) {
    useFeeder(6);
    prepareFiledScan();
    fake->script().failAfterPages = 2;
    fake->script().failure = ScanStatus::Jammed;
    const int status = scan->startScan();
    EXPECT_EQ(status, kErrScanner);
    EXPECT_EQ(scan->lastError(), kErrScanner);
    EXPECT_EQ(labelsIn(dest), (std::vector<int>{1, 2}));
    ASSERT_EQ(ui->messages.size(), 1);
    EXPECT_EQ(ui->messages[0], scan->lastErrorDescription());
    EXPECT_TRUE(ui->messages[0].startsWith(QStringLiteral("The document feeder is jammed.")));
    EXPECT_TRUE(ui->messages[0].contains(QStringLiteral("2 pages")));
}

TEST_F(ScanWithFake, EmptyFeederWritesNothing) {
    useFeeder(0);
    prepareFiledScan();
    EXPECT_EQ(scan->startScan(), kErrScanner);
    EXPECT_EQ(scan->lastErrorDescription(), QStringLiteral("The document feeder is empty."));
    EXPECT_FALSE(QFileInfo::exists(dest));
}

TEST_F(ScanWithFake, CancelKeepsTheFinishedPagesAndShowsNoMessage) {
    useFeeder(5);
    prepareFiledScan();
    ui->progress.cancelAtPageStart = 3;
    EXPECT_EQ(scan->startScan(), kCancelError);
    EXPECT_EQ(labelsIn(dest), (std::vector<int>{1, 2}));
    EXPECT_TRUE(ui->messages.isEmpty());
    EXPECT_EQ(fake->pagesStarted(), 2);
}

TEST_F(ScanWithFake, NoScannerAtAll) {
    fake->script().noDevice = true;
    EXPECT_FALSE(scan->scannerAvailable());
    prepareFiledScan();
    EXPECT_EQ(scan->startScan(), kErrNoScanner);
    EXPECT_TRUE(scan->lastErrorDescription().startsWith(QStringLiteral("No scanner is available")));
    EXPECT_EQ(ui->messages, QStringList{scan->lastErrorDescription()});
    EXPECT_FALSE(QFileInfo::exists(dest));
    EXPECT_FALSE(scan->showScanPreferences());
    EXPECT_FALSE(scan->showSelectScanner());
    EXPECT_THROW(scan->showScannerSetup(), Error);
}

TEST_F(ScanWithFake, ScannerPresenceIsAskedOnce) {
    for (int i = 0; i < 50; ++i)
        EXPECT_TRUE(scan->scannerAvailable());
    EXPECT_EQ(fake->deviceListCalls(), 1);
    fake->script().noDevice = true; // unplugged: noticed only when asked again
    EXPECT_TRUE(scan->scannerAvailable());
    scan->refreshScanners();
    EXPECT_FALSE(scan->scannerAvailable());
}

TEST_F(ScanWithFake, SetupBeforeScanChangesTheDeviceOrCancels) {
    prepareFiledScan();
    scan->setShowSetupBeforeScan(true);
    ui->duringSetup = [](ScannerDevice& d) {
        setOptionValue(d, QStringLiteral("mode"), QStringLiteral("Gray"));
        setOptionValue(d, QStringLiteral("resolution"), 150);
    };
    ASSERT_EQ(scan->startScan(), 0);
    EXPECT_EQ(ui->setupShown, 1);
    const DocumentPtr doc = Document::open(dest);
    EXPECT_EQ(doc->pageInfo(0).bitDepth(), 8);
    EXPECT_DOUBLE_EQ(doc->pageInfo(0).xDpi, 150);
    // What the user set there is remembered as the preferences.
    EXPECT_EQ(scan->preferences().mode, QStringLiteral("Gray"));
    EXPECT_DOUBLE_EQ(scan->preferences().resolution, 150);

    ui->setupAnswer = false;
    const int started = fake->pagesStarted();
    EXPECT_EQ(scan->startScan(), kCancelError);
    EXPECT_EQ(fake->pagesStarted(), started);
    EXPECT_EQ(ui->setupShown, 2);
    EXPECT_TRUE(ui->messages.isEmpty());
}

TEST_F(ScanWithFake, SettersRefuseUnknownCodes) {
    EXPECT_THROW(scan->setFileType(2), Error);
    EXPECT_THROW(scan->setFileType(3), Error);
    EXPECT_THROW(scan->setScanTo(0), Error);
    EXPECT_THROW(scan->setPageOption(1), Error);
    EXPECT_THROW(scan->setPage(0), Error);
    EXPECT_EQ(scan->fileType(), 1);
    EXPECT_EQ(scan->pageOption(), 2);
    scan->setScanTo(1);
    EXPECT_EQ(scan->scanTo(), 1);
}

TEST_F(ScanWithFake, OpenDocumentFollowsTheScanAndKeepsItsEdits) {
    writeExisting(dest, {101, 102, 103});
    const DocumentModelPtr model = DocumentModel::acquire(dest);
    model->apply(makeOperation(QStringLiteral("Invert"), 0,
                               [](PageContent& page) { page.image.invertPixels(); }));
    ASSERT_TRUE(model->isPageModified(0));
    QSignalSpy inserted(model.get(), &DocumentModel::pagesInserted);
    useFeeder(2);
    scan->setImage(dest);
    scan->setMultiPage(true);
    scan->setPageOption(2);
    ASSERT_EQ(scan->startScan(), 0) << scan->lastErrorDescription().toStdString();
    EXPECT_EQ(model->pageCount(), 5);
    EXPECT_EQ(inserted.count(), 2);
    EXPECT_TRUE(model->isPageModified(0)); // the unsaved edit survived
    EXPECT_EQ(doubles::FakeScanner::readLabel(model->pageImage(3)), 1);
    EXPECT_EQ(doubles::FakeScanner::readLabel(model->pageImage(4)), 2);
    EXPECT_EQ(labelsIn(dest), (std::vector<int>{101, 102, 103, 1, 2})); // on disk at once
}

TEST_F(ScanWithFake, RescanReplacesAPageOfTheOpenDocument) {
    writeExisting(dest, {101, 102, 103});
    const DocumentModelPtr model = DocumentModel::acquire(dest);
    QSignalSpy changed(model.get(), &DocumentModel::pageChanged);
    scan->setImage(dest);
    scan->setMultiPage(false);
    scan->setPage(2);
    scan->setPageOption(4);
    ASSERT_EQ(scan->startScan(), 0);
    EXPECT_EQ(model->pageCount(), 3);
    ASSERT_GE(changed.count(), 1);
    EXPECT_EQ(changed.last().at(0).toInt(), 1);
    EXPECT_EQ(doubles::FakeScanner::readLabel(model->pageImage(1)), 1);
    EXPECT_EQ(labelsIn(dest), (std::vector<int>{101, 1, 103}));
}

TEST_F(ScanWithFake, PreferencesPersistAndApplyToTheNextScan) {
    auto store = std::make_shared<MemoryKeyValueStore>();
    scan->setPreferenceStore(store);
    ui->duringPreferences = [](ScanPreferences& p) {
        p.mode = QStringLiteral("Color");
        p.resolution = 75;
        p.pageSize = kPageSizeCustom;
        p.pageWidthMm = 50.8; // 150 x 75 pixels at 75 dpi
        p.pageHeightMm = 25.4;
        return true;
    };
    ASSERT_TRUE(scan->showScanPreferences());
    EXPECT_EQ(ui->preferencesShown, 1);

    // A new scanner object with the same store scans with them.
    ImageScan again(fake, ui);
    again.setPreferenceStore(store);
    EXPECT_EQ(again.preferences().mode, QStringLiteral("Color"));
    scan.reset(); // one open device at a time
    again.setImage(dest);
    ASSERT_EQ(again.startScan(), 0) << again.lastErrorDescription().toStdString();
    const DocumentPtr doc = Document::open(dest);
    const PageInfo info = doc->pageInfo(0);
    EXPECT_EQ(info.samplesPerPixel, 3);
    EXPECT_EQ(info.width, 150);
    EXPECT_EQ(info.height, 75);
    EXPECT_DOUBLE_EQ(info.xDpi, 75);
    const QImage page = doc->decodePage(0);
    EXPECT_EQ(doubles::FakeScanner::readLabel(page), 1);
    EXPECT_EQ(page.pixel(4, 4), qRgb(255, 0, 0));

    // A cancelled preferences dialog changes nothing.
    ui->duringPreferences = [](ScanPreferences& p) {
        p.mode = QStringLiteral("Gray");
        return false;
    };
    EXPECT_FALSE(again.showScanPreferences());
    EXPECT_EQ(loadScanPreferences(*store).mode, QStringLiteral("Color"));
}

TEST_F(ScanWithFake, ChosenScannerIsRemembered) {
    auto store = std::make_shared<MemoryKeyValueStore>();
    scan->setPreferenceStore(store);
    ui->scannerChosen = QString::fromLatin1(doubles::FakeScanner::kDeviceName);
    ASSERT_TRUE(scan->showSelectScanner());
    ASSERT_EQ(ui->devicesOffered.size(), 1u);
    EXPECT_EQ(ui->devicesOffered[0].model, QStringLiteral("Scripted scanner"));
    EXPECT_EQ(loadScanPreferences(*store).device,
              QString::fromLatin1(doubles::FakeScanner::kDeviceName));
    ui->scannerChosen.clear();
    EXPECT_FALSE(scan->showSelectScanner());
}

TEST_F(ScanWithFake, ScannerSetupDialogRemembersWhatWasSet) {
    ui->duringSetup = [](ScannerDevice& d) {
        setOptionValue(d, QStringLiteral("source"), QStringLiteral("Automatic Document Feeder"));
    };
    ASSERT_TRUE(scan->showScannerSetup());
    EXPECT_EQ(scan->preferences().source, QStringLiteral("Automatic Document Feeder"));
    fake->script().feederSheets = 3;
    prepareFiledScan();
    ASSERT_EQ(scan->startScan(), 0);
    EXPECT_EQ(labelsIn(dest), (std::vector<int>{1, 2, 3}));
}

TEST_F(ScanWithFake, LogicalPathsAreResolvedForFilesAndKeptAsGiven) {
    const QString root = dir.path();
    auto env = std::make_shared<Environment>();
    env->scanner = fake;
    env->scanUi = ui;
    env->paths = [root](const QString& logical) {
        QString path = logical;
        if (path.startsWith(QLatin1String("\\\\share\\")))
            path = root + QLatin1Char('/') + path.mid(8);
        return path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    };
    scan = std::make_unique<ImageScan>(env);
    ASSERT_TRUE(QDir(root).mkpath(QStringLiteral("2008/2008-11-25")));
    const QString logical = QStringLiteral("\\\\share\\2008\\2008-11-25\\55-7.tif");
    scan->setImage(logical);
    ASSERT_EQ(scan->startScan(), 0) << scan->lastErrorDescription().toStdString();
    EXPECT_EQ(scan->image(), logical);
    const QString native = dir.file(QStringLiteral("2008/2008-11-25/55-7.tif"));
    EXPECT_EQ(labelsIn(native), std::vector<int>{1});
    ASSERT_EQ(scan->startScan(), 0); // the file exists now: appended (the default placement)
    EXPECT_EQ(labelsIn(native), (std::vector<int>{1, 2}));
}

// The window's way: the scan as a background job.
class ScanJob : public ::testing::Test {
protected:
    void SetUp() override {
        ui = std::make_shared<scantest::ScriptedScanUi>();
        scan = std::make_unique<ImageScan>(fake, ui);
        ScanPreferences prefs;
        prefs.source = QStringLiteral("Automatic Document Feeder");
        prefs.resolution = 300;
        auto store = std::make_shared<MemoryKeyValueStore>();
        saveScanPreferences(*store, prefs);
        scan->setPreferenceStore(store);
        fake->script().feederSheets = 6;
        fake->script().chunkSize = 500;
        fake->script().readDelayMicros = 3000; // about 0.1 s a page
        scan->setImage(dest);
        scan->setMultiPage(true);
    }

    // Starts the job and lets the event loop run until it has finished; `onProgress` sees
    // every progress notice on this thread.
    int runJob(const std::function<void(jobs::Job&)>& onProgress = {}) {
        jobs::Job* job = scan->createScanJob();
        if (!job) return scan->lastError();
        QEventLoop loop;
        QObject::connect(job, &jobs::Job::progressChanged, job,
                         [job, onProgress](qint64 value, qint64, const QString& text) {
                             progressSeen.push_back({value, text});
                             if (onProgress) onProgress(*job);
                         });
        QObject::connect(scan.get(), &ImageScan::scanFinished, &loop, &QEventLoop::quit);
        job->start();
        loop.exec();
        return scan->lastError();
    }

    testsupport::TempDir dir;
    const QString dest = dir.file(QStringLiteral("x.tif"));
    std::shared_ptr<doubles::FakeScanner> fake = std::make_shared<doubles::FakeScanner>();
    std::shared_ptr<scantest::ScriptedScanUi> ui;
    std::unique_ptr<ImageScan> scan;
    static inline std::vector<std::pair<qint64, QString>> progressSeen;
};

TEST_F(ScanJob, PagesArriveWhileTheEventLoopRuns) {
    progressSeen.clear();
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&ticks] { ++ticks; });
    timer.start(10);
    QSignalSpy pages(scan.get(), &ImageScan::pageScanned);
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(runJob(), 0) << scan->lastErrorDescription().toStdString();
    const qint64 ms = clock.elapsed();
    EXPECT_EQ(labelsIn(dest), (std::vector<int>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(pages.count(), 6);
    EXPECT_GE(ticks, int(ms / 10 / 4)); // the timer kept firing while the pages were read
    ASSERT_FALSE(progressSeen.empty());
    EXPECT_EQ(progressSeen.back().first, 6);
    EXPECT_EQ(progressSeen.back().second, QStringLiteral("6 pages scanned"));
    EXPECT_FALSE(scan->scanning());
    EXPECT_TRUE(ui->messages.isEmpty());
}

TEST_F(ScanJob, CancelFinishesThePageBeingScanned) {
    progressSeen.clear();
    const int status = runJob([](jobs::Job& job) {
        if (job.text() == QStringLiteral("Scanning page 3...")) job.cancel();
    });
    EXPECT_EQ(status, kCancelError);
    EXPECT_EQ(labelsIn(dest), (std::vector<int>{1, 2, 3})); // page 3 was under way: kept
    EXPECT_TRUE(ui->messages.isEmpty());
    EXPECT_FALSE(scan->scanning());
}

TEST_F(ScanJob, AFailureBeforeThePaperMovesGivesNoJob) {
    scan->setPage(5);
    scan->setPageOption(3); // insert
    writeExisting(dest, {1, 2});
    EXPECT_EQ(scan->createScanJob(), nullptr);
    EXPECT_EQ(scan->lastError(), kErrBadPage);
    EXPECT_EQ(ui->messages.size(), 1);
    EXPECT_FALSE(scan->scanning());
}

TEST_F(ScanJob, AJobDeletedUnstartedEndsTheRunAndAJamIsReported) {
    delete scan->createScanJob(); // refused by a job host, say
    EXPECT_FALSE(scan->scanning());
    fake->script().failAfterPages = 1;
    fake->script().failure = ScanStatus::Jammed;
    EXPECT_EQ(runJob(), kErrScanner);
    EXPECT_EQ(labelsIn(dest), (std::vector<int>{1}));
    ASSERT_EQ(ui->messages.size(), 1);
    EXPECT_TRUE(ui->messages[0].endsWith(QStringLiteral("The page scanned before was kept in the file.")));
}

} // namespace
