#include "app/Paths.h"
#include "app/Settings.h"
#include "app/Shell.h"
#include "doubles/MemorySettingsStore.h"

#include <QDir>
#include <gtest/gtest.h>

using namespace app;

namespace {
struct Mapping : ::testing::Test {
    doubles::MemorySettingsStore settings;
    PathMapper paths{&settings, "/home/clerk", "/run/user/1000/gvfs"};
};
} // namespace

TEST_F(Mapping, SharesGoToTheirConfiguredFolderOrWhereGioMountsThem) {
    settings.write(kAppPrefs, "Shares", "\\\\records-fs\\recfiles", "/srv/recfiles");
    EXPECT_EQ(paths.toNative("\\\\records-fs\\recfiles\\2008\\2008-11-25\\55-7.tif"),
              "/srv/recfiles/2008/2008-11-25/55-7.tif");
    // The share name is matched without regard to case.
    EXPECT_EQ(paths.toNative("\\\\RECORDS-FS\\RecFiles\\HRD"), "/srv/recfiles/HRD");
    EXPECT_EQ(paths.toNative("\\\\other\\Scans\\a.tif"),
              "/run/user/1000/gvfs/smb-share:server=other,share=scans/a.tif");
}

TEST_F(Mapping, DrivePathsGoToAConfiguredFolderOrTheHomeFolder) {
    EXPECT_EQ(paths.toNative("C:\\import"), "/home/clerk/import");
    EXPECT_EQ(paths.toNative("c:\\"), "/home/clerk");
    settings.write(kAppPrefs, "Shares", "D:", "/mnt/data");
    EXPECT_EQ(paths.toNative("d:\\scans\\x.tif"), "/mnt/data/scans/x.tif");
}

TEST_F(Mapping, NativePathsOnlyLoseTheirBackslashes) {
    EXPECT_EQ(paths.toNative("/var/lib/docuvane\\Temp"), "/var/lib/docuvane/Temp");
    EXPECT_EQ(paths.toNative("/tmp//a/./b"), "/tmp/a/b");
}

TEST_F(Mapping, DotDotNeverLeavesTheMappedRoot) {
    settings.write(kAppPrefs, "Shares", "\\\\records-fs\\recfiles", "/srv/recfiles");
    EXPECT_EQ(paths.toNative("\\\\records-fs\\recfiles\\..\\..\\etc\\passwd"),
              "/srv/recfiles/etc/passwd");
    EXPECT_EQ(paths.toNative("C:\\..\\..\\etc"), "/home/clerk/etc");
    EXPECT_TRUE(isInside("/srv/recfiles/2008/a.tif", "/srv/recfiles"));
    EXPECT_TRUE(isInside("/srv/recfiles", "/srv/recfiles/"));
    EXPECT_FALSE(isInside("/srv/recfiles2/a.tif", "/srv/recfiles"));
    EXPECT_FALSE(isInside("/srv/recfiles/../etc", "/srv/recfiles"));
}

TEST_F(Mapping, AChosenFolderGoesBackToItsLogicalForm) {
    settings.write(kAppPrefs, "Shares", "\\\\records-fs\\recfiles", "/srv/recfiles");
    const QStringList roots{"\\\\records-fs\\recfiles", "C:\\"};
    struct Case {
        QString native, logical;
    };
    const std::vector<Case> cases{
        {"/srv/recfiles/import/Ward 5", "\\\\records-fs\\recfiles\\import\\Ward 5"},
        {"/srv/recfiles", "\\\\records-fs\\recfiles"},
        {"/home/clerk/scans/", "C:\\scans"},
        {"/home/clerk", "C:\\"},
        {"/run/user/1000/gvfs/smb-share:server=other,share=scans/in", "\\\\other\\scans\\in"},
        {"/srv/recfiles2/x", "/srv/recfiles2/x"}, // beside a root, not below it
        {"/media/usb/import", "/media/usb/import"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(paths.toLogical(c.native, roots), c.logical) << c.native.toStdString();
        // Mapped again, the logical form names the same folder.
        EXPECT_EQ(paths.toNative(paths.toLogical(c.native, roots)), QDir::cleanPath(c.native));
    }
}

TEST_F(Mapping, ExplorerAndThePictureViewerOpenTheNativePathWithTheDesktop) {
    settings.write(kAppPrefs, "Shares", "\\\\records-fs\\recfiles", "/srv/recfiles");
    auto process = translateCommand("explorer.exe \\\\records-fs\\recfiles\\test write20081125.txt", paths);
    EXPECT_EQ(process.program, "xdg-open");
    EXPECT_EQ(process.arguments, QStringList{"/srv/recfiles/test write20081125.txt"});
    process = translateCommand("explorer \\\\records-fs\\recfiles\\2008\\", paths);
    EXPECT_EQ(process.arguments, QStringList{"/srv/recfiles/2008"});
    process = translateCommand(
        "rundll32.exe c:\\windows\\System32\\shimgvw.dll, ImageView_Fullscreen    "
        "\\\\records-fs\\recfiles\\2008\\2008-11-25\\55-7.tif",
        paths);
    EXPECT_EQ(process.program, "xdg-open");
    EXPECT_EQ(process.arguments, QStringList{"/srv/recfiles/2008/2008-11-25/55-7.tif"});
}

TEST_F(Mapping, NetUseMountsTheShareWithTheCredentialsOnStandardInputOnly) {
    const auto process =
        translateCommand("net use  \\\\records-fs\\recfiles /user:mrdshare s3cr3t pw", paths);
    EXPECT_EQ(process.program, "gio");
    EXPECT_EQ(process.arguments, (QStringList{"mount", "smb://records-fs/recfiles"}));
    EXPECT_EQ(process.input, QByteArray("mrdshare\nWORKGROUP\ns3cr3t pw\n"));
    for (const QString& a : process.arguments) EXPECT_FALSE(a.contains("s3cr3t"));
}

TEST_F(Mapping, CommandsWithoutALinuxCounterpartFailClearly) {
    EXPECT_THROW(translateCommand("format c:", paths), ShellError);
    EXPECT_THROW(translateCommand("net view", paths), ShellError);
    EXPECT_THROW(translateCommand("explorer ", paths), ShellError);
    try {
        translateCommand("regedit /s x.reg", paths);
        FAIL();
    } catch (const ShellError& e) {
        EXPECT_NE(std::string(e.what()).find("regedit /s x.reg"), std::string::npos);
    }
}
