// Looking for scanners in the background.
#include "doubles/ScannerFake.h"
#include "imaging/controls/ImageScan.h"
#include "imaging/scanning/ScannerUi.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

namespace {

class SilentUi : public imaging::ScanUi {
public:
    void showMessage(const QString&) override {}
    bool runSetup(imaging::ScannerDevice&) override { return false; }
    bool runPreferences(imaging::ScannerDevice&, imaging::ScanPreferences&) override { return false; }
    bool runSelectScanner(const std::vector<imaging::ScanDeviceInfo>&, QString&) override { return false; }
    std::unique_ptr<imaging::ScanProgressView> createProgress() override { return nullptr; }
};

TEST(ScannerProbe, AnswersInTheBackgroundAndOnlyOnce) {
    auto fake = std::make_shared<doubles::FakeScanner>();
    imaging::ImageScan scan(fake, std::make_shared<SilentUi>());
    QSignalSpy known(&scan, &imaging::ImageScan::scannersKnown);
    scan.probeScannersAsync();
    ASSERT_TRUE(known.wait(5000));
    EXPECT_TRUE(known.takeFirst().at(0).toBool());
    EXPECT_TRUE(scan.scannerAvailableNow());
    EXPECT_TRUE(scan.scannerAvailable());
    EXPECT_EQ(fake->deviceListCalls(), 1);
}

TEST(ScannerProbe, NoDeviceIsKnownAsNoDevice) {
    auto fake = std::make_shared<doubles::FakeScanner>();
    fake->script().noDevice = true;
    imaging::ImageScan scan(fake, std::make_shared<SilentUi>());
    QSignalSpy known(&scan, &imaging::ImageScan::scannersKnown);
    scan.probeScannersAsync();
    // Asking while the probe runs waits for it instead of asking the devices again.
    EXPECT_FALSE(scan.scannerAvailable());
    EXPECT_EQ(fake->deviceListCalls(), 1);
    EXPECT_FALSE(scan.scannerAvailableNow());
}

} // namespace
