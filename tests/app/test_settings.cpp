#include "app/IniFile.h"
#include "app/Settings.h"
#include "support/TempDir.h"
#include "support/Unprivileged.h"

#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace app;

namespace {

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

// Texts that the INI form has to protect, used both as values and as key names.
const QStringList& awkwardTexts() {
    static const QStringList texts{
        "\"pw\"", "\"", "\"\"", " \"q\" ", "\\\"", "a\"b", " leading", "trailing ",
        "  ", "\\\\fs\\recfiles\\", "\\", "x\\ ", " x\\", "a;b", ";start", "#start",
        "[section]", "a=b=c", "=", "line one\nline two", "\r\n", "tab\there", "\ttab",
        "Müller ünï €", QString::fromUtf16(u"\u00a0nbsp\u00a0"), "\\n not a newline",
        "[x] = \"y\" ; z",
    };
    return texts;
}

} // namespace

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

TEST(IniSettingsStore, KeepsEveryValueAndKeyByteForByte) {
    testsupport::TempDir dir;
    {
        IniSettingsStore writer(dir.path());
        int i = 0;
        for (const QString& text : awkwardTexts()) {
            ASSERT_TRUE(writer.write(kAppPrefs, "Server", "value" + QString::number(i++), text));
            ASSERT_TRUE(writer.write(kAppPrefs, "Keys", text, "k"));
        }
        ASSERT_TRUE(writer.write(kAppPrefs, " Odd ] \"section\"", "k", "v"));
    }
    const IniSettingsStore reader(dir.path()); // a fresh store parses the file on disk
    int i = 0;
    for (const QString& text : awkwardTexts()) {
        EXPECT_EQ(reader.read(kAppPrefs, "Server", "value" + QString::number(i++), "missing"), text);
        EXPECT_EQ(reader.read(kAppPrefs, "Keys", text, "missing"), "k") << qPrintable(text);
    }
    EXPECT_EQ(reader.read(kAppPrefs, " Odd ] \"section\"", "k"), "v");
}

TEST(IniFile, ReadsFilesOfEarlierVersionsAsTheyWereMeant) {
    // Earlier versions doubled backslashes and put values with blanks at either end between
    // quotes, but wrote quotes inside values as they were.
    const IniFile ini = IniFile::parse("[Server]\r\n"
                                       "txtPW=\"pw\"\r\n"
                                       "txtUSERID=\" mrd share \"\r\n"
                                       "quoted=\"a\"b\"\r\n"
                                       "[Shares]\r\n"
                                       "\\\\\\\\records-fs\\\\recfiles=/srv/recfiles\r\n"
                                       "[MAIN]\r\n"
                                       "cboDept 1001 = MEDICAL RECORDS\r\n");
    EXPECT_EQ(ini.value("Server", "txtPW"), "\"pw\"");
    EXPECT_EQ(ini.value("Server", "txtUSERID"), " mrd share ");
    EXPECT_EQ(ini.value("Server", "quoted"), "\"a\"b\"");
    EXPECT_EQ(ini.value("Shares", "\\\\records-fs\\recfiles"), "/srv/recfiles");
    EXPECT_EQ(ini.value("MAIN", "cboDept 1001"), "MEDICAL RECORDS");
}

TEST(IniSettingsStore, AFileThatCannotBeReadIsNeverRewrittenWithLess) {
    testsupport::TempDir dir;
    ASSERT_TRUE(testsupport::giveToUnprivileged(dir.path()));
    const std::string problems = testsupport::asUnprivilegedUser([&]() -> std::string {
        IniSettingsStore store(dir.path());
        QStringList reported;
        store.setFailureReporter([&](const QString& text) { reported << text; });
        if (!store.write(kAppPrefs, "Server", "txtUSERID", "mrdshare") ||
            !store.write(kAppPrefs, "General Preferences", "Zoom", "75"))
            return "the first writes failed";
        const QString file = store.fileFor(kAppPrefs);
        const QByteArray before = fileBytes(file);
        // The owner may write the file but no longer read it: the re-read before the write
        // fails, and the write must not replace the file with the one new key.
        ::chmod(QFile::encodeName(file).constData(), 0200);
        const bool stored = store.write(kAppPrefs, "Server", "txtPW", "secret");
        ::chmod(QFile::encodeName(file).constData(), 0600);
        std::string out;
        if (stored) out += "the write claimed success; ";
        if (fileBytes(file) != before) out += "the file changed: " + fileBytes(file).toStdString() + "; ";
        if (reported.size() != 1 || !reported[0].contains("txtPW"))
            out += "reported: " + reported.join('|').toStdString() + "; ";
        if (store.lastWriteError().isEmpty()) out += "no last error; ";
        if (store.read(kAppPrefs, "General Preferences", "Zoom") != "75") out += "Zoom lost; ";
        if (!store.write(kAppPrefs, "Server", "txtPW", "secret") || !store.lastWriteError().isEmpty())
            out += "a readable file is not written again; ";
        return out;
    });
    EXPECT_EQ(problems, "");
}

TEST(IniSettingsStore, AWriteThatFailsIsReportedAndChangesNothing) {
    testsupport::TempDir dir;
    ASSERT_TRUE(testsupport::giveToUnprivileged(dir.path()));
    const std::string problems = testsupport::asUnprivilegedUser([&]() -> std::string {
        IniSettingsStore store(dir.path());
        if (!store.write(kAppMain, "MAIN", "StartupType", "1")) return "the first write failed";
        QStringList reported;
        store.setFailureReporter([&](const QString& text) { reported << text; });
        ::chmod(QFile::encodeName(dir.path()).constData(), 0500); // no new files in the folder
        const bool stored = store.write(kAppMain, "MAIN", "StartupType", "2");
        ::chmod(QFile::encodeName(dir.path()).constData(), 0700);
        std::string out;
        if (stored) out += "the write claimed success; ";
        if (reported.size() != 1) out += "reported " + std::to_string(reported.size()) + " times; ";
        if (!store.lastWriteError().contains("StartupType")) out += "the error names no key; ";
        if (store.read(kAppMain, "MAIN", "StartupType") != "1") out += "the value changed; ";
        return out;
    });
    EXPECT_EQ(problems, "");
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
    ASSERT_TRUE(store.write(kAppMain, "MAIN", "StartupType", "0"));
    ASSERT_TRUE(store.write(kAppPrefs, "General Preferences", "Zoom", "75"));

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
