// The scanner dialogs built from the SANE test device's own descriptors, and the progress
// window. Setting DOCUVANE_SCAN_SHOTS to a folder saves a picture of each dialog there.
#include "doubles/ScannerFake.h"
#include "imaging/pixels/ImagingError.h"
#include "imaging/scanning/SaneScanner.h"
#include "imaging/controls/ScanDialogs.h"
#include "imaging/controls/ScanProgress.h"
#include "test_scan_support.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTreeWidget>
#include <gtest/gtest.h>

using namespace imaging;

namespace {

void shoot(QWidget& w, const char* name) {
    const QString folder = qEnvironmentVariable("DOCUVANE_SCAN_SHOTS");
    const QPixmap picture = w.grab();
    EXPECT_FALSE(picture.isNull());
    if (!folder.isEmpty())
        picture.save(folder + QLatin1Char('/') + QString::fromLatin1(name) + ".png");
}

class SaneDialogs : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(scantest::useRepositorySaneConfig()) << "DOCUVANE_SOURCE_DIR is not set";
        backend = std::make_unique<scantest::SettledSaneScanner>();
        device = backend->open(QStringLiteral("test:0"));
        scantest::resetTestDevice(*device);
        setOptionValue(*device, QStringLiteral("enable-test-options"), false);
    }

    QVariant value(const char* name) { return optionValue(*device, QString::fromLatin1(name)); }
    OptionDescriptor descriptor(const char* name) {
        return *findOption(device->options(), QString::fromLatin1(name));
    }
    template <class W> W* control(ScanSetupDialog& d, const char* name) {
        return qobject_cast<W*>(d.control(QString::fromLatin1(name)));
    }

    std::unique_ptr<scantest::SettledSaneScanner> backend;
    std::unique_ptr<ScannerDevice> device;
};

QStringList itemsOf(const QComboBox* box) {
    QStringList out;
    for (int i = 0; i < box->count(); ++i)
        out << box->itemText(i);
    return out;
}

TEST_F(SaneDialogs, SetupOffersOneControlPerSettableOption) {
    ScanSetupDialog dialog(*device);
    EXPECT_EQ(dialog.groupTitles(),
              (QStringList{QStringLiteral("Scan Mode"), QStringLiteral("Special Options"),
                           QStringLiteral("Geometry")}));
    auto* mode = control<QComboBox>(dialog, "mode");
    ASSERT_TRUE(mode);
    EXPECT_EQ(itemsOf(mode), descriptor("mode").strings);
    EXPECT_EQ(mode->currentText(), QStringLiteral("Gray"));

    auto* depth = control<QComboBox>(dialog, "depth");
    ASSERT_TRUE(depth);
    EXPECT_EQ(itemsOf(depth), (QStringList{"1", "8", "16"}));
    EXPECT_EQ(depth->currentText(), QStringLiteral("8"));

    auto* resolution = control<QDoubleSpinBox>(dialog, "resolution");
    ASSERT_TRUE(resolution); // a fixed-point option: decimals
    EXPECT_DOUBLE_EQ(resolution->minimum(), descriptor("resolution").min);
    EXPECT_DOUBLE_EQ(resolution->maximum(), descriptor("resolution").max);
    EXPECT_DOUBLE_EQ(resolution->value(), 75.0);
    EXPECT_EQ(resolution->suffix(), QStringLiteral(" dpi"));
    EXPECT_GE(resolution->decimals(), 1);

    auto* width = control<QDoubleSpinBox>(dialog, "br-x");
    ASSERT_TRUE(width);
    EXPECT_DOUBLE_EQ(width->maximum(), 300.0);
    EXPECT_EQ(width->suffix(), QStringLiteral(" mm"));
    EXPECT_TRUE(control<QCheckBox>(dialog, "hand-scanner"));
    EXPECT_TRUE(control<QSpinBox>(dialog, "ppl-loss"));
    EXPECT_TRUE(control<QPushButton>(dialog, "print-options"));
    EXPECT_FALSE(dialog.control(QStringLiteral("three-pass"))); // inactive in gray
    shoot(dialog, "scan-setup");
    dialog.setShowAdvanced(true);
    EXPECT_FALSE(dialog.control(QStringLiteral("gamma-table"))); // a table, not one value
    EXPECT_EQ(descriptor("gamma-table").advanced, true);
}

TEST_F(SaneDialogs, SetupControlsChangeTheDeviceAndFollowItsReloads) {
    ScanSetupDialog dialog(*device);
    control<QComboBox>(dialog, "mode")->setCurrentText(QStringLiteral("Color"));
    EXPECT_EQ(value("mode").toString(), QStringLiteral("Color"));
    // The device said its options changed: three-pass is offered now.
    auto* threePass = control<QCheckBox>(dialog, "three-pass");
    ASSERT_TRUE(threePass);
    threePass->setChecked(true);
    EXPECT_TRUE(value("three-pass").toBool());

    control<QDoubleSpinBox>(dialog, "resolution")->setValue(150.0);
    EXPECT_DOUBLE_EQ(value("resolution").toDouble(), 150.0);
    control<QDoubleSpinBox>(dialog, "br-y")->setValue(42.0);
    EXPECT_DOUBLE_EQ(value("br-y").toDouble(), 42.0);
    auto* depth = control<QComboBox>(dialog, "depth");
    depth->setCurrentIndex(depth->findText(QStringLiteral("16")));
    EXPECT_EQ(value("depth").toInt(), 16);
    control<QComboBox>(dialog, "test-picture")->setCurrentText(QStringLiteral("Grid"));
    EXPECT_EQ(value("test-picture").toString(), QStringLiteral("Grid"));
    EXPECT_TRUE(dialog.statusText().isEmpty());
}

TEST_F(SaneDialogs, SetupShowsWhatTheDeviceMadeOfAValue) {
    ScanSetupDialog dialog(*device);
    control<QCheckBox>(dialog, "enable-test-options")->setChecked(true);
    EXPECT_TRUE(value("enable-test-options").toBool());
    EXPECT_TRUE(dialog.groupTitles().contains(QStringLiteral("String test options")));
    dialog.setShowAdvanced(true); // most test options are marked advanced
    for (const char* group : {"Bool test options", "Int test options", "Fixed test options",
                              "String test options", "Button test options"})
        EXPECT_TRUE(dialog.groupTitles().contains(QString::fromLatin1(group))) << group;
    auto* inexact = control<QSpinBox>(dialog, "int-inexact");
    ASSERT_TRUE(inexact);
    inexact->setValue(41);
    EXPECT_EQ(inexact->value(), value("int-inexact").toInt());
    auto* list = control<QComboBox>(dialog, "fixed-constraint-word-list");
    ASSERT_TRUE(list);
    EXPECT_EQ(itemsOf(list), (QStringList{"-32.7", "12.1", "42", "129.5"}));
    list->setCurrentIndex(3);
    EXPECT_NEAR(value("fixed-constraint-word-list").toDouble(), 129.5, 1e-4);
    dialog.resize(520, 1400); // the whole list in one picture
    shoot(dialog, "scan-setup-test-options");
    setOptionValue(*device, QStringLiteral("enable-test-options"), false);
}

TEST_F(SaneDialogs, CancellingSetupPutsTheEarlierValuesBack) {
    ScanSetupDialog dialog(*device);
    control<QComboBox>(dialog, "mode")->setCurrentText(QStringLiteral("Color"));
    control<QDoubleSpinBox>(dialog, "resolution")->setValue(300.0);
    ASSERT_EQ(value("mode").toString(), QStringLiteral("Color"));
    dialog.reject();
    EXPECT_EQ(value("mode").toString(), QStringLiteral("Gray"));
    EXPECT_DOUBLE_EQ(value("resolution").toDouble(), 75.0);
}

TEST_F(SaneDialogs, PreferencesOfferTheDeviceLists) {
    ScanPreferences prefs;
    ScanPreferencesDialog dialog(*device, prefs);
    ASSERT_TRUE(dialog.modeBox() && dialog.depthBox() && dialog.sourceBox());
    EXPECT_EQ(itemsOf(dialog.modeBox()), descriptor("mode").strings);
    EXPECT_EQ(itemsOf(dialog.sourceBox()), descriptor("source").strings);
    EXPECT_EQ(itemsOf(dialog.depthBox()), (QStringList{"1 bit", "8 bit", "16 bit"}));
    EXPECT_EQ(dialog.depthBox()->currentText(), QStringLiteral("8 bit"));
    ASSERT_TRUE(dialog.resolutionRange());
    EXPECT_EQ(dialog.resolutionRange()->minimum(), 1);
    EXPECT_EQ(dialog.resolutionRange()->maximum(), 1200);
    EXPECT_EQ(dialog.resolutionRange()->value(), 75);
    // The bed is 300 x 300 mm: Legal (355.6 mm long) does not fit.
    const QStringList sizes = itemsOf(dialog.pageSizeBox());
    EXPECT_TRUE(sizes.filter(QStringLiteral("Letter")).size() == 1);
    EXPECT_TRUE(sizes.filter(QStringLiteral("A4")).size() == 1);
    EXPECT_TRUE(sizes.filter(QStringLiteral("Legal")).isEmpty());
    // Nothing chosen yet: the device's own 20 x 20 mm area shows as a custom size.
    EXPECT_EQ(dialog.pageSizeBox()->currentData().toString(), kPageSizeCustom);
    EXPECT_DOUBLE_EQ(dialog.widthBox()->value(), 20.0);
    shoot(dialog, "scan-preferences");
}

TEST_F(SaneDialogs, ChosenPreferencesReachTheDevice) {
    ScanPreferencesDialog dialog(*device, ScanPreferences{});
    dialog.modeBox()->setCurrentText(QStringLiteral("Color"));
    dialog.depthBox()->setCurrentIndex(dialog.depthBox()->findText(QStringLiteral("16 bit")));
    dialog.resolutionRange()->setValue(150);
    dialog.sourceBox()->setCurrentText(QStringLiteral("Automatic Document Feeder"));
    dialog.pageSizeBox()->setCurrentIndex(dialog.pageSizeBox()->findData(QStringLiteral("A4")));
    EXPECT_FALSE(dialog.widthBox()->isEnabled());
    const ScanPreferences p = dialog.preferences();
    EXPECT_EQ(p.mode, QStringLiteral("Color"));
    EXPECT_EQ(p.depth, 16);
    EXPECT_DOUBLE_EQ(p.resolution, 150);
    EXPECT_EQ(p.pageSize, QStringLiteral("A4"));
    EXPECT_DOUBLE_EQ(p.pageWidthMm, 210.0);
    EXPECT_DOUBLE_EQ(p.pageHeightMm, 297.0);

    applyScanPreferences(*device, p);
    EXPECT_EQ(value("mode").toString(), QStringLiteral("Color"));
    EXPECT_EQ(value("depth").toInt(), 16);
    EXPECT_DOUBLE_EQ(value("resolution").toDouble(), 150.0);
    EXPECT_EQ(value("source").toString(), QStringLiteral("Automatic Document Feeder"));
    EXPECT_DOUBLE_EQ(value("br-x").toDouble(), 210.0);
    EXPECT_DOUBLE_EQ(value("br-y").toDouble(), 297.0);
    // Read back, the device's area is still "A4" (within its rounding).
    EXPECT_EQ(readScanPreferences(*device, p).pageSize, QStringLiteral("A4"));

    dialog.pageSizeBox()->setCurrentIndex(dialog.pageSizeBox()->findData(kPageSizeMaximum));
    applyScanPreferences(*device, dialog.preferences());
    EXPECT_DOUBLE_EQ(value("br-x").toDouble(), 300.0);
    EXPECT_DOUBLE_EQ(value("br-y").toDouble(), 300.0);
}

TEST_F(SaneDialogs, SelectScannerListsVendorModelAndName) {
    std::vector<ScanDeviceInfo> devices = backend->devices();
    devices.push_back({QStringLiteral("fake:0"), QStringLiteral("Docuvane"),
                       QStringLiteral("Scripted scanner"), QStringLiteral("virtual device")});
    SelectScannerDialog dialog(devices, QStringLiteral("fake:0"));
    QTreeWidget* list = dialog.list();
    ASSERT_EQ(list->topLevelItemCount(), 2);
    EXPECT_EQ(list->topLevelItem(0)->text(0), QStringLiteral("Noname"));
    EXPECT_EQ(list->topLevelItem(0)->text(1), QStringLiteral("frontend-tester"));
    EXPECT_EQ(list->topLevelItem(0)->text(2), QStringLiteral("test:0"));
    EXPECT_EQ(dialog.selectedName(), QStringLiteral("fake:0"));
    list->setCurrentItem(list->topLevelItem(0));
    EXPECT_EQ(dialog.selectedName(), QStringLiteral("test:0"));
    shoot(dialog, "select-scanner");
}

TEST(ScanProgressWindow, ShowsPagesAndLinesAndCancels) {
    ScanProgressDialog progress;
    progress.begin(QStringLiteral("Noname frontend-tester"));
    EXPECT_TRUE(progress.isVisible());
    EXPECT_EQ(progress.windowModality(), Qt::ApplicationModal);
    progress.pageFinished(1);
    progress.pageStarted(2);
    progress.progress(2, 3000, 6000, 30, 60);
    const auto labels = progress.findChildren<QLabel*>();
    const auto shows = [&labels](const QString& text) {
        return std::any_of(labels.begin(), labels.end(),
                           [&text](QLabel* l) { return l->text() == text; });
    };
    EXPECT_TRUE(shows(QStringLiteral("Scanning page 2 (1 done)")));
    EXPECT_TRUE(shows(QStringLiteral("30 of 60 lines, 3 KB")));
    EXPECT_EQ(progress.findChild<QProgressBar*>()->value(), 500);
    shoot(progress, "scan-progress");
    EXPECT_FALSE(progress.cancelRequested());
    progress.findChild<QPushButton*>()->click();
    EXPECT_TRUE(progress.cancelRequested());
    progress.end();
    EXPECT_FALSE(progress.isVisible());
    EXPECT_EQ(ScanProgressDialog::detailText(5 * 1024 * 1024, 100, -1),
              QStringLiteral("100 lines, 5.0 MB"));
}

TEST(ScanSetupOverFake, RefusedValueIsShownAndTheControlReset) {
    doubles::FakeScanner fake;
    const auto device = fake.open(QString::fromLatin1(doubles::FakeScanner::kDeviceName));
    ScanSetupDialog dialog(*device);
    EXPECT_FALSE(dialog.control(QStringLiteral("depth"))); // inactive in line art
    auto* mode = qobject_cast<QComboBox*>(dialog.control(QStringLiteral("mode")));
    ASSERT_TRUE(mode);
    mode->setCurrentText(QStringLiteral("Gray"));
    ASSERT_TRUE(dialog.control(QStringLiteral("depth"))); // reloaded: depth is settable now

    fake.script().refuseOption = QStringLiteral("brightness");
    auto* brightness = qobject_cast<QSpinBox*>(dialog.control(QStringLiteral("brightness")));
    ASSERT_TRUE(brightness);
    EXPECT_EQ(brightness->suffix(), QStringLiteral(" %"));
    brightness->setValue(40);
    EXPECT_EQ(brightness->value(), 0); // back to what the device still has
    EXPECT_EQ(optionValue(*device, QStringLiteral("brightness")).toInt(), 0);
    EXPECT_TRUE(dialog.statusText().contains(QStringLiteral("Brightness")));

    // The next accepted change clears the message.
    qobject_cast<QSpinBox*>(dialog.control(QStringLiteral("resolution")))->setValue(600);
    EXPECT_EQ(optionValue(*device, QStringLiteral("resolution")).toInt(), 600);
    EXPECT_TRUE(dialog.statusText().isEmpty());
}

} // namespace
