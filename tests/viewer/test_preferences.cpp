#include "app/Settings.h"
#include "doubles/MemorySettingsStore.h"
#include "viewer/Preferences.h"

#include <gtest/gtest.h>

using namespace viewer;
using app::kAppPrefs;

TEST(Preferences, MissingOrEmptyTextsGiveTheDefaults) {
    doubles::MemorySettingsStore s;
    s.write(kAppPrefs, "General Preferences", "Zoom", "");
    s.write(kAppPrefs, "General Preferences", "Scrollbars", "");
    const Preferences p = readPreferences(s);
    EXPECT_EQ(p.zoom, "50");
    EXPECT_TRUE(p.scrollbars);
    EXPECT_EQ(p.defaultDirectory, kDefaultStorageShare);
    EXPECT_EQ(p.viewMode, 0);
    EXPECT_FALSE(p.showScanSetupBeforeScan);
    EXPECT_FALSE(p.position.has_value());
}

TEST(Preferences, StoredValuesAreRead) {
    doubles::MemorySettingsStore s;
    s.write(kAppPrefs, "General Preferences", "Zoom", "FitToWidth");
    s.write(kAppPrefs, "General Preferences", "Scrollbars", "False");
    s.write(kAppPrefs, "General Preferences", "Default Directory", "\\\\fs2\\records");
    s.write(kAppPrefs, "User Preferences", "View Mode", "2");
    s.write(kAppPrefs, "User Preferences", "ShowScanSetupbeforeScan", "True");
    s.write(kAppPrefs, "Window Position", "Left", "1500");
    s.write(kAppPrefs, "Window Position", "Top", "750.5");
    s.write(kAppPrefs, "Window Position", "Width", "15000");
    s.write(kAppPrefs, "Window Position", "Height", "11000");
    const Preferences p = readPreferences(s);
    EXPECT_EQ(p.zoom, "FitToWidth");
    EXPECT_FALSE(p.scrollbars);
    EXPECT_EQ(p.defaultDirectory, "\\\\fs2\\records");
    EXPECT_EQ(p.viewMode, 2);
    EXPECT_TRUE(p.showScanSetupBeforeScan);
    ASSERT_TRUE(p.position.has_value());
    EXPECT_FLOAT_EQ(p.position->top, 750.5f);
    EXPECT_FLOAT_EQ(p.position->height, 11000.f);
}

TEST(Preferences, WithoutLeftTheOtherThreeCoordinatesAreIgnored) {
    doubles::MemorySettingsStore s;
    s.write(kAppPrefs, "Window Position", "Top", "750");
    s.write(kAppPrefs, "Window Position", "Width", "15000");
    s.write(kAppPrefs, "Window Position", "Height", "11000");
    EXPECT_FALSE(readPreferences(s).position.has_value());
}

TEST(Preferences, TextsThatAreNotNumbersFallBackInsteadOfStopping) {
    doubles::MemorySettingsStore s;
    s.write(kAppPrefs, "User Preferences", "View Mode", "two");
    s.write(kAppPrefs, "Window Position", "Left", "left");
    s.write(kAppPrefs, "Window Position", "Top", "0");
    s.write(kAppPrefs, "Window Position", "Width", "100");
    s.write(kAppPrefs, "Window Position", "Height", "100");
    Preferences p = readPreferences(s);
    EXPECT_EQ(p.viewMode, 0);
    EXPECT_FALSE(p.position.has_value());
    s.write(kAppPrefs, "Window Position", "Left", "10");
    s.write(kAppPrefs, "Window Position", "Height", "tall");
    EXPECT_FALSE(readPreferences(s).position.has_value());
}

TEST(Preferences, AMinimizedWindowKeepsItsLastSavedPosition) {
    doubles::MemorySettingsStore s;
    Preferences p;
    p.zoom = "75";
    p.scrollbars = false;
    p.defaultDirectory = "\\\\fs\\recfiles";
    p.viewMode = 1;
    writePreferences(s, p, /*minimized=*/true, {1, 2, 3, 4});
    EXPECT_EQ(s.read(kAppPrefs, "General Preferences", "Zoom"), "75");
    EXPECT_EQ(s.read(kAppPrefs, "General Preferences", "Scrollbars"), "False");
    EXPECT_EQ(s.read(kAppPrefs, "User Preferences", "View Mode"), "1");
    EXPECT_EQ(s.read(kAppPrefs, "User Preferences", "ShowScanSetupbeforeScan"), "False");
    EXPECT_FALSE(s.contains(kAppPrefs, "Window Position", "Left"));

    writePreferences(s, p, /*minimized=*/false, {150, 300.5f, 16500, 11700});
    EXPECT_EQ(s.read(kAppPrefs, "Window Position", "Left"), "150");
    EXPECT_EQ(s.read(kAppPrefs, "Window Position", "Top"), "300.5");
    EXPECT_EQ(readPreferences(s).position->width, 16500.f);
}
