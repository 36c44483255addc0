// The SANE layer against SANE's own `test` device, configured by tests/imaging/sane. Pages
// are compared with what the scanimage tool makes of the same settings.
#include "imaging/pixels/ImagingError.h"
#include "imaging/scanning/SaneScanner.h"
#include "imaging/scanning/ScannerAcquisition.h"
#include "test_scan_support.h"

#include <gtest/gtest.h>

using namespace imaging;
using scantest::ScriptedProgress;

namespace {

class SaneTestDevice : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(scantest::useRepositorySaneConfig()) << "DOCUVANE_SOURCE_DIR is not set";
        backend = std::make_unique<scantest::SettledSaneScanner>(); // SANE starts here, after its
                                                                    // configuration
        device = backend->open(QStringLiteral("test:0"));
        scantest::resetTestDevice(*device);
    }

    OptionSetResult set(const char* name, const QVariant& v) {
        return setOptionValue(*device, QString::fromLatin1(name), v);
    }

    // The feeder, with its page count started afresh: the test device counts the sheets it
    // fed for the whole process, and refills only once it has reported the feeder empty.
    void useEmptiedFeeder() {
        set("source", QStringLiteral("Automatic Document Feeder"));
        scan(0);
    }

    ScanRunResult scan(int maxPages, ScanProgressView* view = nullptr) {
        pages.clear();
        return runScan(
            *device, maxPages, [this](int, ScannedPage&& p) { pages.push_back(std::move(p)); },
            view);
    }

    std::unique_ptr<scantest::SettledSaneScanner> backend;
    std::unique_ptr<ScannerDevice> device;
    std::vector<ScannedPage> pages;
};

TEST_F(SaneTestDevice, ListsOnlyTheConfiguredDevice) {
    const auto devices = backend->devices();
    ASSERT_EQ(devices.size(), 1u);
    EXPECT_EQ(devices[0].name, QStringLiteral("test:0"));
    EXPECT_EQ(devices[0].vendor, QStringLiteral("Noname"));
    EXPECT_EQ(devices[0].model, QStringLiteral("frontend-tester"));
    EXPECT_EQ(device->info().label(), QStringLiteral("Noname frontend-tester"));
}

TEST_F(SaneTestDevice, DescribesItsOptionsAndTheirConstraints) {
    const auto options = device->options();
    const OptionDescriptor* mode = findOption(options, QStringLiteral("mode"));
    ASSERT_TRUE(mode);
    EXPECT_EQ(mode->type, OptionType::String);
    EXPECT_EQ(mode->constraint, OptionConstraint::StringList);
    EXPECT_EQ(mode->strings, QStringList({QStringLiteral("Gray"), QStringLiteral("Color")}));
    EXPECT_EQ(mode->group, QStringLiteral("Scan Mode"));

    const OptionDescriptor* depth = findOption(options, QStringLiteral("depth"));
    ASSERT_TRUE(depth);
    EXPECT_EQ(depth->type, OptionType::Int);
    EXPECT_EQ(depth->constraint, OptionConstraint::WordList);
    EXPECT_EQ(depth->words, QList<double>({1, 8, 16}));

    const OptionDescriptor* res = findOption(options, QStringLiteral("resolution"));
    ASSERT_TRUE(res);
    EXPECT_EQ(res->type, OptionType::Fixed);
    EXPECT_EQ(res->unit, OptionUnit::Dpi);
    EXPECT_DOUBLE_EQ(res->min, 1.0);
    EXPECT_DOUBLE_EQ(res->max, 1200.0);

    const OptionDescriptor* brx = findOption(options, QStringLiteral("br-x"));
    ASSERT_TRUE(brx);
    EXPECT_EQ(brx->group, QStringLiteral("Geometry"));
    EXPECT_EQ(brx->unit, OptionUnit::Mm);
    EXPECT_DOUBLE_EQ(brx->max, 300.0); // geometry_max of the repository's test.conf

    const OptionDescriptor* gamma = findOption(options, QStringLiteral("gamma-table"));
    ASSERT_TRUE(gamma);
    EXPECT_GT(gamma->valueCount, 1);
    EXPECT_FALSE(gamma->editable());
    EXPECT_TRUE(findOption(options, QStringLiteral("print-options"))->type == OptionType::Button);
}

TEST_F(SaneTestDevice, ReadsBackWhatTheDeviceMadeOfAValue) {
    EXPECT_DOUBLE_EQ(set("resolution", 5000.0).value.toDouble(), 1200.0);
    EXPECT_DOUBLE_EQ(optionValue(*device, QStringLiteral("resolution")).toDouble(), 1200.0);
    EXPECT_DOUBLE_EQ(set("br-y", 400.0).value.toDouble(), 300.0);
    EXPECT_THROW(set("mode", QStringLiteral("Lineart")), Error);
    EXPECT_EQ(optionValue(*device, QStringLiteral("mode")).toString(), QStringLiteral("Gray"));

    // Colour mode activates the three-pass options and says so.
    auto isActive = [this](const char* name) {
        const auto options = device->options();
        return findOption(options, QString::fromLatin1(name))->active;
    };
    EXPECT_FALSE(isActive("three-pass"));
    EXPECT_TRUE(set("mode", QStringLiteral("Color")).reloadOptions);
    EXPECT_TRUE(isActive("three-pass"));
}

struct Layout {
    const char* mode;
    int depth;
    const char* picture;
    bool threePass;
    int io; // 0 blocking; 1 non-blocking offered without, 2 with a descriptor to wait on
    QImage::Format format;
    int tolerance; // 16-bit samples: scanimage's PNM and our reduction round differently
};

void PrintTo(const Layout& l, std::ostream* os) {
    *os << l.mode << ' ' << l.depth << " bit";
}

class SaneLayouts : public SaneTestDevice, public ::testing::WithParamInterface<Layout> {};

TEST_P(SaneLayouts, PageMatchesScanimage) {
    const Layout& l = GetParam();
    set("mode", QString::fromLatin1(l.mode));
    set("depth", l.depth);
    set("test-picture", QString::fromLatin1(l.picture));
    if (l.threePass) set("three-pass", true);
    set("non-blocking", l.io > 0);
    set("select-fd", l.io > 1);
    const ScanRunResult r = scan(1);
    ASSERT_EQ(r.error, 0) << r.description.toStdString();
    ASSERT_EQ(pages.size(), 1u);
    const QImage& page = pages[0].image;
    EXPECT_EQ(page.format(), l.format);
    EXPECT_DOUBLE_EQ(pages[0].xDpi, 75.0);
    EXPECT_DOUBLE_EQ(pages[0].yDpi, 75.0);

    QStringList args = {QStringLiteral("--mode"),
                        QString::fromLatin1(l.mode),
                        QStringLiteral("--depth"),
                        QString::number(l.depth),
                        QStringLiteral("--test-picture"),
                        QString::fromLatin1(l.picture),
                        QStringLiteral("--resolution"),
                        QStringLiteral("75"),
                        QStringLiteral("-x"),
                        QStringLiteral("20"),
                        QStringLiteral("-y"),
                        QStringLiteral("20")};
    if (l.threePass) args << QStringLiteral("--three-pass=yes");
    const QImage reference = scantest::scanimageReference(args);
    ASSERT_FALSE(reference.isNull());
    EXPECT_TRUE(scantest::samePixels(page, reference, l.tolerance));
}

INSTANTIATE_TEST_SUITE_P(
    Formats, SaneLayouts,
    ::testing::Values(Layout{"Gray", 1, "Grid", false, 1, QImage::Format_Mono, 0},
                      Layout{"Gray", 1, "Color pattern", false, 2, QImage::Format_Mono, 0},
                      Layout{"Gray", 8, "Color pattern", false, 0, QImage::Format_Grayscale8, 0},
                      Layout{"Gray", 16, "Color pattern", false, 0, QImage::Format_Grayscale8, 1},
                      Layout{"Color", 8, "Color pattern", false, 2, QImage::Format_RGB888, 0},
                      Layout{"Color", 16, "Grid", false, 0, QImage::Format_RGB888, 1},
                      Layout{"Color", 8, "Color pattern", true, 0, QImage::Format_RGB888, 0}),
    [](const ::testing::TestParamInfo<Layout>& info) {
        const Layout& l = info.param;
        std::string name = std::string(l.mode) + std::to_string(l.depth) +
                           (l.threePass ? "ThreePass" : "") +
                           (l.io == 1   ? "NonBlocking"
                            : l.io == 2 ? "Select"
                                        : "");
        return name;
    });

TEST_F(SaneTestDevice, LineArtKeepsOneAsBlack) {
    set("depth", 1);
    set("test-picture", QStringLiteral("Solid black"));
    ASSERT_EQ(scan(1).error, 0);
    const QImage& page = pages.at(0).image;
    ASSERT_EQ(page.format(), QImage::Format_Mono);
    EXPECT_EQ(page.color(0), qRgb(255, 255, 255));
    EXPECT_EQ(page.pixel(0, 0), qRgb(0, 0, 0));
    EXPECT_EQ(page.pixel(page.width() - 1, page.height() - 1), qRgb(0, 0, 0));
    EXPECT_EQ(page.pixelIndex(page.width() / 2, page.height() / 2), 1);
}

TEST_F(SaneTestDevice, PageOfUnknownLengthFromAHandScanner) {
    set("hand-scanner", true); // height -1 until the data ends; fixed width of 11 cm
    set("test-picture", QStringLiteral("Grid"));
    set("resolution", 30.0); // a frame smaller than the device's pipe (see SettledDevice)
    ASSERT_EQ(scan(1).error, 0);
    const QImage reference = scantest::scanimageReference(
        {QStringLiteral("--hand-scanner=yes"), QStringLiteral("--test-picture"),
         QStringLiteral("Grid"), QStringLiteral("--resolution"), QStringLiteral("30"),
         QStringLiteral("-x"), QStringLiteral("20"), QStringLiteral("-y"), QStringLiteral("20")});
    EXPECT_TRUE(scantest::samePixels(pages.at(0).image, reference));
}

TEST_F(SaneTestDevice, FeederDeliversTenPagesThenRunsEmpty) {
    useEmptiedFeeder(); // after running empty, the test device's feeder is refilled
    ScriptedProgress progress;
    const ScanRunResult r = scan(0, &progress);
    EXPECT_EQ(r.error, 0) << r.description.toStdString();
    EXPECT_EQ(r.pages, 10);
    EXPECT_EQ(pages.size(), 10u);
    EXPECT_EQ(progress.finished.size(), 10u);
    EXPECT_EQ(progress.started.size(), 11u); // the eleventh finds the feeder empty
    EXPECT_TRUE(progress.begun && progress.ended);
    EXPECT_GT(progress.progressCalls, 0);
}

TEST_F(SaneTestDevice, OnePageWhenOneIsAskedForFromTheFeeder) {
    set("source", QStringLiteral("Automatic Document Feeder"));
    EXPECT_EQ(scan(1).pages, 1);
    EXPECT_EQ(pages.size(), 1u);
}

TEST_F(SaneTestDevice, JammedReadFailsTheRun) {
    scantest::injectReadFailure(*device, "SANE_STATUS_JAMMED");
    const ScanRunResult r = scan(1);
    EXPECT_EQ(r.status, ScanStatus::Jammed);
    EXPECT_EQ(r.error, kErrScanner);
    EXPECT_EQ(r.description, QStringLiteral("The document feeder is jammed."));
    EXPECT_EQ(r.pages, 0);
    EXPECT_TRUE(pages.empty());
}

TEST_F(SaneTestDevice, JamAfterTwoFeederPagesKeepsThoseTwo) {
    useEmptiedFeeder();
    ScriptedProgress progress;
    progress.onPageStarted = [this](int page) {
        if (page == 3) scantest::injectReadFailure(*device, "SANE_STATUS_COVER_OPEN");
    };
    const ScanRunResult r = scan(0, &progress);
    EXPECT_EQ(r.status, ScanStatus::CoverOpen);
    EXPECT_EQ(r.pages, 2);
    EXPECT_EQ(pages.size(), 2u);
}

TEST_F(SaneTestDevice, CancelBeforeAPageKeepsTheEarlierOnes) {
    useEmptiedFeeder();
    ScriptedProgress progress;
    progress.cancelAtPageStart = 4;
    const ScanRunResult r = scan(0, &progress);
    EXPECT_EQ(r.error, kCancelError);
    EXPECT_EQ(r.status, ScanStatus::Cancelled);
    EXPECT_EQ(r.pages, 3);
    EXPECT_EQ(pages.size(), 3u);
}

} // namespace
