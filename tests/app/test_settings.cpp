#include "app/IniFile.h"
#include "app/Settings.h"
#include "support/TempDir.h"

#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

using namespace app;

TEST(IniFile, KeepsAwkwardKeysAndValuesThroughATextRoundTrip) {
    IniFile ini;
    ini.setValue("MAIN", "cboDept 1001", "MEDICAL RECORDS");
    ini.setValue("Shares", "\\\\records-fs\\recfiles", "/srv/recfiles");
    ini.setValue("Server", "txtPW", " pass=word [x] ");
    ini.setValue("Multi", "Text", "line one\nline two\\end");
    ini.setValue("Window Position", "Left", "1234.5");

    const IniFile back = IniFile::parse(ini.serialize());
    EXPECT_EQ(back.value("MAIN", "cboDept 1001"), "MEDICAL RECORDS");
    EXPECT_EQ(back.value("Shares", "\\\\records-fs\\recfiles"), "/srv/recfiles");
    EXPECT_EQ(back.value("Server", "txtPW"), " pass=word [x] ");
    EXPECT_EQ(back.value("Multi", "Text"), "line one\nline two\\end");
    EXPECT_EQ(back.value("Window Position", "Left"), "1234.5");
}

TEST(IniFile, MatchesSectionsAndKeysWithoutRegardToCase) {
    IniFile ini;
    ini.setValue("General Preferences", "Zoom", "75");
    ini.setValue("GENERAL preferences", "ZOOM", "100");
    EXPECT_EQ(ini.value("general preferences", "zoom"), "100");
    EXPECT_EQ(ini.keys("General Preferences"), QStringList{"Zoom"});
    EXPECT_TRUE(ini.contains("General Preferences", "zoom"));
    EXPECT_FALSE(ini.contains("General Preferences", "Scrollbars"));
    EXPECT_EQ(ini.value("Nowhere", "Zoom", "dflt"), "dflt");
}

TEST(IniFile, IgnoresGarbageLines) {
    const IniFile ini = IniFile::parse("junk before any section\n[A]\nno separator\n=novalue\n"
                                       "; comment\nkey = value \n[B\nx=1\n");
    EXPECT_EQ(ini.value("A", "key"), "value");
    EXPECT_FALSE(ini.contains("A", ""));
}

TEST(IniSettingsStore, KeepsTheTwoApplicationNamesInSeparateUserOnlyFiles) {
    testsupport::TempDir dir;
    IniSettingsStore store(dir.path());
    store.write(kAppMain, "MAIN", "StartupType", "0");
    store.write(kAppPrefs, "General Preferences", "Zoom", "75");

    EXPECT_EQ(store.read(kAppMain, "MAIN", "StartupType"), "0");
    EXPECT_EQ(store.read(kAppPrefs, "MAIN", "StartupType", "missing"), "missing");
    EXPECT_EQ(store.read(kAppMain, "General Preferences", "Zoom", "missing"), "missing");
    EXPECT_NE(store.fileFor(kAppMain), store.fileFor(kAppPrefs));
    for (const QString& app : {kAppMain, kAppPrefs}) {
        const QFileInfo fi(store.fileFor(app));
        ASSERT_TRUE(fi.exists());
        EXPECT_EQ(fi.permissions() & (QFile::ReadGroup | QFile::ReadOther | QFile::WriteGroup |
                                      QFile::WriteOther),
                  QFile::Permissions());
    }
}

TEST(IniSettingsStore, TwoRunningCopiesDoNotUndoEachOthersKeys) {
    testsupport::TempDir dir;
    IniSettingsStore a(dir.path()), b(dir.path());
    a.write(kAppMain, "MAIN", "cboDept 1001", "NURSING");
    b.write(kAppMain, "MAIN", "cboDept 2001", "HUMAN RESOURCES");
    EXPECT_EQ(a.read(kAppMain, "MAIN", "cboDept 1001"), "NURSING");
    EXPECT_EQ(a.read(kAppMain, "MAIN", "cboDept 2001"), "HUMAN RESOURCES");
}

TEST(BooleanSettings, ReadTheStoredTextFormsAndFallBackOnAnythingElse) {
    EXPECT_EQ(boolText(true), "True");
    EXPECT_EQ(boolText(false), "False");
    EXPECT_TRUE(parseBool("True", false));
    EXPECT_TRUE(parseBool("true", false));
    EXPECT_FALSE(parseBool("FALSE", true));
    EXPECT_TRUE(parseBool("-1", false));
    EXPECT_FALSE(parseBool("0", true));
    EXPECT_TRUE(parseBool("maybe", true));
    EXPECT_FALSE(parseBool("", false));
}
