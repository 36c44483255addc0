// The scanner object over SANE's `test` device, end to end into TIFF files, and over a SANE
// configured with no backend at all.
#include "imaging/documents/Document.h"
#include "imaging/controls/ImageScan.h"
#include "imaging/pixels/ImagingError.h"
#include "imaging/scanning/SaneScanner.h"
#include "imaging/scanning/ScannerAcquisition.h"
#include "test_scan_support.h"

#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>
#include <tiffio.h>

using namespace imaging;

namespace {

class SaneImageScan : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(scantest::useRepositorySaneConfig()) << "DOCUVANE_SOURCE_DIR is not set";
        backend = std::make_shared<scantest::SettledSaneScanner>();
        ui = std::make_shared<scantest::ScriptedScanUi>();
        dest = dir.file(QStringLiteral("2008-11-25-55-7.tif"));
    }

    // Prepares the device (its values outlive every handle), then gives it to the scanner
    // object, which opens it again.
    void prepareDevice(const std::function<void(ScannerDevice&)>& more = {}) {
        {
            const auto device = backend->open(QStringLiteral("test:0"));
            scantest::resetTestDevice(*device);
            if (more) more(*device);
        }
        scan = std::make_unique<ImageScan>(backend, ui);
        scan->setScanTo(kScanToFile);
        scan->setDestImageControl(QStringLiteral("docImgEdit1"));
        scan->setImage(dest);
        scan->setFileType(1);
        scan->setMultiPage(true);
    }

    static void set(ScannerDevice& d, const char* name, const QVariant& v) {
        setOptionValue(d, QString::fromLatin1(name), v);
    }

    testsupport::TempDir dir;
    std::shared_ptr<scantest::SettledSaneScanner> backend;
    std::shared_ptr<scantest::ScriptedScanUi> ui;
    std::unique_ptr<ImageScan> scan;
    QString dest;
};

TEST_F(SaneImageScan, FlatbedLineArtPageIntoANewFile) {
    prepareDevice([](ScannerDevice& d) {
        set(d, "depth", 1);
        set(d, "resolution", 300.0);
        set(d, "test-picture", QStringLiteral("Grid"));
    });
    ASSERT_TRUE(scan->scannerAvailable());
    ASSERT_EQ(scan->startScan(), 0) << scan->lastErrorDescription().toStdString();

    const DocumentPtr doc = Document::open(dest);
    ASSERT_EQ(doc->pageCount(), 1);
    const PageInfo info = doc->pageInfo(0);
    EXPECT_EQ(info.compressionCode, COMPRESSION_CCITTFAX4);
    EXPECT_EQ(info.bitDepth(), 1);
    EXPECT_DOUBLE_EQ(info.xDpi, 300);
    EXPECT_DOUBLE_EQ(info.yDpi, 300);
    // The same tags as libtiff itself reads them.
    TIFF* tif = TIFFOpen(QFile::encodeName(dest).constData(), "r");
    ASSERT_TRUE(tif);
    float xres = 0;
    uint16_t compression = 0, unit = 0;
    TIFFGetField(tif, TIFFTAG_XRESOLUTION, &xres);
    TIFFGetField(tif, TIFFTAG_COMPRESSION, &compression);
    TIFFGetFieldDefaulted(tif, TIFFTAG_RESOLUTIONUNIT, &unit);
    TIFFClose(tif);
    EXPECT_FLOAT_EQ(xres, 300.0f);
    EXPECT_EQ(compression, COMPRESSION_CCITTFAX4);
    EXPECT_EQ(unit, RESUNIT_INCH);

    const QImage reference = scantest::scanimageReference(
        {QStringLiteral("--depth"), QStringLiteral("1"), QStringLiteral("--resolution"),
         QStringLiteral("300"), QStringLiteral("--test-picture"), QStringLiteral("Grid"),
         QStringLiteral("-x"), QStringLiteral("20"), QStringLiteral("-y"), QStringLiteral("20")});
    EXPECT_TRUE(scantest::samePixels(doc->decodePage(0), reference));
}

TEST_F(SaneImageScan, FeederGivesTenPagesIntoANewFile) {
    prepareDevice([](ScannerDevice& d) {
        set(d, "source", QStringLiteral("Automatic Document Feeder"));
        // The device counts fed sheets for the whole process and refills when it reported
        // the feeder empty: run it empty first.
        runScan(
            d, 0, [](int, ScannedPage&&) {}, nullptr);
    });
    ASSERT_EQ(scan->startScan(), 0) << scan->lastErrorDescription().toStdString();
    const DocumentPtr doc = Document::open(dest);
    EXPECT_EQ(doc->pageCount(), 10);
    for (int i = 0; i < doc->pageCount(); ++i)
        EXPECT_EQ(doc->pageInfo(i).width, doc->pageInfo(0).width);
    EXPECT_EQ(ui->progress.finished.size(), 10u);
    EXPECT_TRUE(ui->messages.isEmpty());
}

TEST_F(SaneImageScan, JammedScannerGivesAStatusAndAMessage) {
    prepareDevice([](ScannerDevice& d) { scantest::injectReadFailure(d, "SANE_STATUS_JAMMED"); });
    EXPECT_EQ(scan->startScan(), kErrScanner);
    EXPECT_EQ(scan->lastErrorDescription(), QStringLiteral("The document feeder is jammed."));
    EXPECT_EQ(ui->messages, QStringList{scan->lastErrorDescription()});
    EXPECT_FALSE(QFileInfo::exists(dest));
}

TEST_F(SaneImageScan, CancelledFeederRunKeepsTheFinishedPages) {
    prepareDevice([](ScannerDevice& d) {
        set(d, "source", QStringLiteral("Automatic Document Feeder"));
        runScan(
            d, 0, [](int, ScannedPage&&) {}, nullptr);
    });
    ui->progress.cancelAtPageStart = 4;
    EXPECT_EQ(scan->startScan(), kCancelError);
    EXPECT_EQ(Document::open(dest)->pageCount(), 3);
    EXPECT_TRUE(ui->messages.isEmpty());
}

// SANE reads its configuration once per process, so the case of no backend at all runs in
// a process of its own (a death test re-runs this test alone in a fresh process).
TEST(SaneWithoutBackends, NoScannerIsReportedClearly) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    testsupport::TempDir empty;
    QFile conf(empty.file(QStringLiteral("dll.conf")));
    ASSERT_TRUE(conf.open(QIODevice::WriteOnly)); // no backend listed
    conf.close();
    const QByteArray folder = QFile::encodeName(empty.path());
    EXPECT_EXIT(
        {
            qputenv("SANE_CONFIG_DIR", folder);
            auto ui = std::make_shared<scantest::ScriptedScanUi>();
            ImageScan scan(std::make_shared<SaneScanner>(), ui);
            testsupport::TempDir out;
            scan.setImage(out.file(QStringLiteral("x.tif")));
            const bool available = scan.scannerAvailable();
            const int status = scan.startScan();
            fprintf(stderr, "available=%d status=%d messages=%d: %s\n", int(available), status,
                    int(ui->messages.size()), qPrintable(scan.lastErrorDescription()));
            std::exit(!available && status == kErrNoScanner && ui->messages.size() == 1 &&
                              !QFileInfo::exists(out.file(QStringLiteral("x.tif")))
                          ? 0
                          : 1);
        },
        ::testing::ExitedWithCode(0),
        "available=0 status=1011 messages=1: No scanner is available");
}

} // namespace
