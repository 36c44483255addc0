// Acquisition over the scripted scanner: frame layouts, feeder ends, failures and cancels.
#include "doubles/ScannerFake.h"
#include "imaging/pixels/ImagingError.h"
#include "imaging/scanning/ScannerAcquisition.h"
#include "test_scan_support.h"

#include <gtest/gtest.h>

using namespace imaging;
using scantest::ScriptedProgress;

namespace {

class FakeAcquisition : public ::testing::Test {
protected:
    void SetUp() override {
        device = fake.open(QString::fromLatin1(doubles::FakeScanner::kDeviceName));
    }

    void set(const char* name, const QVariant& v) {
        setOptionValue(*device, QString::fromLatin1(name), v);
    }

    ScanRunResult scan(int maxPages, ScanProgressView* view = nullptr) {
        pages.clear();
        return runScan(
            *device, maxPages, [this](int, ScannedPage&& p) { pages.push_back(std::move(p)); },
            view);
    }

    std::vector<int> labels() const {
        std::vector<int> out;
        for (const auto& p : pages)
            out.push_back(doubles::FakeScanner::readLabel(p.image));
        return out;
    }

    doubles::FakeScanner fake;
    std::unique_ptr<ScannerDevice> device;
    std::vector<ScannedPage> pages;
};

// Each layout the fake can send must arrive as the same marked page at the stated size.
struct FakeLayout {
    const char* mode;
    int depth;
    bool threePass;
    QImage::Format format;
};

void PrintTo(const FakeLayout& l, std::ostream* os) {
    *os << l.mode << ' ' << l.depth << " bit";
}

class FakeLayouts : public FakeAcquisition, public ::testing::WithParamInterface<FakeLayout> {};

TEST_P(FakeLayouts, PagesKeepTheirMarkers) {
    const FakeLayout& l = GetParam();
    set("mode", QString::fromLatin1(l.mode));
    if (l.depth != 1) set("depth", l.depth);
    fake.script().threePass = l.threePass;
    fake.script().nextLabel = 0xA5; // bits 0, 2, 5, 7
    set("resolution", 150);
    set("br-x", 20.0); // 118 pixels: the 1-bit lines end in a part byte of padding bits
    set("br-y", 10.0);
    const ScanRunResult r = scan(1);
    ASSERT_EQ(r.error, 0) << r.description.toStdString();
    ASSERT_EQ(pages.size(), 1u);
    const QImage& page = pages[0].image;
    EXPECT_EQ(page.format(), l.format);
    EXPECT_EQ(page.size(), QSize(118, 59)); // 20 mm and 10 mm at 150 dpi
    EXPECT_EQ(doubles::FakeScanner::readLabel(page), 0xA5);
    EXPECT_EQ(pages[0].xDpi, 150);
    // Colour markers are red with a blue corner: channels in their places.
    if (QString::fromLatin1(l.mode) == QLatin1String("Color")) {
        EXPECT_EQ(page.pixel(4, 4), qRgb(255, 0, 0));
        EXPECT_EQ(page.pixel(page.width() - 4, page.height() - 4), qRgb(0, 0, 255));
    }
    // The last pixels of each line are white: padding bits never become pixels.
    EXPECT_EQ(page.pixel(page.width() - 1, 20), qRgb(255, 255, 255));
}

INSTANTIATE_TEST_SUITE_P(Layouts, FakeLayouts,
                         ::testing::Values(FakeLayout{"Lineart", 1, false, QImage::Format_Mono},
                                           FakeLayout{"Gray", 8, false, QImage::Format_Grayscale8},
                                           FakeLayout{"Gray", 16, false, QImage::Format_Grayscale8},
                                           FakeLayout{"Color", 8, false, QImage::Format_RGB888},
                                           FakeLayout{"Color", 16, true, QImage::Format_RGB888}),
                         [](const ::testing::TestParamInfo<FakeLayout>& info) {
                             return std::string(info.param.mode) +
                                    std::to_string(info.param.depth) +
                                    (info.param.threePass ? "ThreePass" : "");
                         });

TEST_F(FakeAcquisition, FeederRunsUntilEmptyInOrder) {
    set("source", QStringLiteral("Automatic Document Feeder"));
    fake.script().feederSheets = 4;
    fake.script().nextLabel = 10;
    ScriptedProgress progress;
    const ScanRunResult r = scan(0, &progress);
    EXPECT_EQ(r.error, 0);
    EXPECT_EQ(r.pages, 4);
    EXPECT_EQ(labels(), (std::vector<int>{10, 11, 12, 13}));
    EXPECT_EQ(progress.finished, (std::vector<int>{1, 2, 3, 4}));
}

TEST_F(FakeAcquisition, EmptyFeederAtTheFirstPageIsAFailure) {
    set("source", QStringLiteral("Automatic Document Feeder"));
    fake.script().feederSheets = 0;
    const ScanRunResult r = scan(0);
    EXPECT_EQ(r.status, ScanStatus::NoDocs);
    EXPECT_EQ(r.error, kErrScanner);
    EXPECT_EQ(r.description, QStringLiteral("The document feeder is empty."));
    EXPECT_TRUE(pages.empty());
}

TEST_F(FakeAcquisition, FailureHalfWayThroughAPageKeepsTheFinishedOnes) {
    set("source", QStringLiteral("Automatic Document Feeder"));
    fake.script().failAfterPages = 2;
    fake.script().failure = ScanStatus::Jammed;
    const ScanRunResult r = scan(0);
    EXPECT_EQ(r.status, ScanStatus::Jammed);
    EXPECT_EQ(r.error, kErrScanner);
    EXPECT_EQ(r.pages, 2);
    EXPECT_EQ(labels(), (std::vector<int>{1, 2}));
    EXPECT_EQ(fake.pagesStarted(), 3);
}

TEST_F(FakeAcquisition, SinkFailureStopsTheRunWithItsOwnError) {
    set("source", QStringLiteral("Automatic Document Feeder"));
    int accepted = 0;
    const ScanRunResult r = runScan(
        *device, 0,
        [&accepted](int page, ScannedPage&&) {
            if (page == 3) throw Error(kErrDiskFull, QStringLiteral("The disk is full."));
            ++accepted;
        },
        nullptr);
    EXPECT_EQ(r.error, kErrDiskFull);
    EXPECT_EQ(r.description, QStringLiteral("The disk is full."));
    EXPECT_EQ(r.pages, 2);
    EXPECT_EQ(accepted, 2);
    EXPECT_EQ(fake.pagesStarted(), 3); // nothing scanned after the failure
}

// A view that asks to cancel as soon as data of a given page is reported.
class CancelDuringPage : public ScriptedProgress {
public:
    explicit CancelDuringPage(int page) : page_(page) {}
    void progress(int page, qint64 bytes, qint64 total, int lines, int totalLines) override {
        ScriptedProgress::progress(page, bytes, total, lines, totalLines);
        if (page == page_) hit_ = true;
    }
    bool cancelRequested() const override { return hit_ || ScriptedProgress::cancelRequested(); }

private:
    int page_;
    bool hit_ = false;
};

TEST_F(FakeAcquisition, CancelDuringAPageDropsOnlyThatPage) {
    set("source", QStringLiteral("Automatic Document Feeder"));
    set("resolution", 600); // a page large enough to report progress several times
    set("br-x", 100.0);
    set("br-y", 100.0);
    fake.script().chunkSize = 4096;
    fake.script().readDelayMicros = 2000; // ~0.35 s a page: the cancel lands inside page 2
    CancelDuringPage progress(2);
    const ScanRunResult r = scan(0, &progress);
    EXPECT_EQ(r.error, kCancelError);
    EXPECT_EQ(r.pages, 1);
    EXPECT_EQ(labels(), (std::vector<int>{1}));
    EXPECT_EQ(progress.finished, (std::vector<int>{1}));
}

TEST_F(FakeAcquisition, ValuesAreClampedAndOptionsReloaded) {
    const auto options = device->options();
    const OptionDescriptor* depth = findOption(options, QStringLiteral("depth"));
    ASSERT_TRUE(depth);
    EXPECT_FALSE(depth->active); // line art has one depth only
    const OptionSetResult mode =
        setOptionValue(*device, QStringLiteral("mode"), QStringLiteral("Gray"));
    EXPECT_TRUE(mode.reloadOptions);
    EXPECT_TRUE(findOption(device->options(), QStringLiteral("depth"))->active);
    const OptionSetResult res = setOptionValue(*device, QStringLiteral("resolution"), 5000);
    EXPECT_TRUE(res.inexact);
    EXPECT_EQ(res.value.toInt(), 600);
    EXPECT_THROW(setOptionValue(*device, QStringLiteral("mode"), QStringLiteral("Infrared")),
                 Error);
}

} // namespace
