#include "app/Failure.h"
#include "app/General.h"
#include "app/Log.h"
#include "doubles/ScriptedPrompter.h"
#include "doubles/TestSession.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <gtest/gtest.h>
#include <stdexcept>

using namespace app;

TEST(GetToken, SplitsAtTheFirstDelimiterOrTakesEverything) {
    QString t = "A|B|C";
    EXPECT_EQ(GetToken(t, "|"), "A");
    EXPECT_EQ(t, "B|C");
    EXPECT_EQ(GetToken(t, "|"), "B");
    EXPECT_EQ(GetToken(t, "|"), "C");
    EXPECT_EQ(t, "");
    QString name = "Reyes, Maria";
    EXPECT_EQ(GetToken(name, ","), "Reyes");
    EXPECT_EQ(name, " Maria");
    QString none = "nodelimiter";
    EXPECT_EQ(GetToken(none, "|"), "nodelimiter");
    EXPECT_EQ(none, "");
    QString cased = "aXbxc";
    EXPECT_EQ(GetToken(cased, "x"), "aXb");
}

TEST(GetFileNameFromPath, GivesTheNameAfterTheLastBackslash) {
    EXPECT_EQ(GetFileNameFromPath("\\\\srv\\share\\2008\\2008-11-25\\55-7.tif"), "55-7.tif");
    EXPECT_EQ(GetFileNameFromPath("plain.tif"), "plain.tif");
    EXPECT_EQ(GetFileNameFromPath("C:\\import\\"), "");
    EXPECT_EQ(GetFileNameFromPath("C:\\import\\  spaced.tif  "), "spaced.tif");
    // Native paths of this machine.
    EXPECT_EQ(GetFileNameFromPath("/home/clerk/scans/a.tif"), "a.tif");
    EXPECT_EQ(GetFileNameFromPath("/home/clerk/scans/"), "");
}

TEST(GetWindowsDir, AddsOrRemovesTheTrailingBackslash) {
    doubles::TestSession t;
    t.system.folder = "/home/Clerk/.local/share/docuvane";
    EXPECT_EQ(GetWindowsDir(t.s(), true), "/home/Clerk/.local/share/docuvane\\");
    EXPECT_EQ(GetWindowsDir(t.s(), false), "/home/Clerk/.local/share/docuvane");
    t.system.folder = "/data\\";
    EXPECT_EQ(GetWindowsDir(t.s(), false), "/data");
    EXPECT_EQ(GetWindowsDir(t.s(), true), "/data\\");
}

TEST(FolderExists, FollowsTheLogicalPathToTheFileSystem) {
    doubles::TestSession t;
    t.settings.write(kAppPrefs, "Shares", "\\\\fs\\recfiles", t.dir.file("share"));
    QDir().mkpath(t.dir.file("share/2008"));
    EXPECT_TRUE(FolderExists(*t.paths, "\\\\fs\\recfiles\\2008"));
    EXPECT_FALSE(FolderExists(*t.paths, "\\\\fs\\recfiles\\2009"));
    EXPECT_FALSE(FolderExists(*t.paths, ""));
}

TEST(FailureStyles, EachStyleTreatsAFailingStepItsOwnWay) {
    MemoryLog log;
    doubles::ScriptedPrompter prompter;
    auto fail = [] { throw std::runtime_error("Path not found"); };
    int ran = 0;
    auto ok = [&] { ++ran; };

    Steps skip(FailureStyle::Skip, &log, &prompter);
    EXPECT_FALSE(skip(fail));
    EXPECT_TRUE(skip(ok));
    EXPECT_EQ(skip.lastError().description, "Path not found");
    EXPECT_TRUE(log.lines.empty());
    EXPECT_TRUE(prompter.shown.empty());

    Steps logged(FailureStyle::Log, &log, &prompter);
    logged.format([](const ErrorInfo& e) { return e.description + "- ScanStart"; });
    logged(fail);
    logged(ok);
    logged(fail);
    EXPECT_EQ(log.lines, (std::vector<QString>{"Path not found- ScanStart", "Path not found- ScanStart"}));
    EXPECT_EQ(logged.failures(), 2);

    Steps show(FailureStyle::ShowAndStop, &log, &prompter);
    show(ok);
    show(fail);
    EXPECT_FALSE(show(ok));
    EXPECT_TRUE(show.stopped());
    EXPECT_EQ(prompter.texts(), std::vector<QString>{"Path not found"});
    EXPECT_EQ(prompter.shown[0].buttons, mb::OKOnly);
    EXPECT_EQ(ran, 3);

    Steps none(FailureStyle::Propagate, &log, &prompter);
    EXPECT_THROW(none(fail), std::runtime_error);
}

TEST(FailureStyles, RegisteredReadersGiveErrorsTheirNumbers) {
    struct NumberedError : std::runtime_error {
        NumberedError() : std::runtime_error("Cancel was selected.") {}
    };
    registerErrorNumberReader([](const std::exception& e, int* n) {
        if (!dynamic_cast<const NumberedError*>(&e)) return false;
        *n = 32755;
        return true;
    });
    Steps s(FailureStyle::Skip);
    s([] { throw NumberedError(); });
    EXPECT_EQ(s.lastError().number, 32755);
    s([] { throw std::runtime_error("other"); });
    EXPECT_EQ(s.lastError().number, -1);
    EXPECT_EQ(s.lastError().description, "other");
}

TEST(LogWindow, PutsTheNewestLineFirstAndStartsAfreshAfterClose) {
    Logger logger;
    logger.writeLog("A");
    logger.writeLog("B");
    ASSERT_NE(logger.window(), nullptr);
    EXPECT_EQ(logger.window()->text(), "B\r\nA\r\n");
    EXPECT_TRUE(logger.window()->isVisible());
    auto* box = logger.window()->findChild<QPlainTextEdit*>("Text1");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->toPlainText(), "B\nA");

    logger.window()->cmdClose_Click();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(logger.window(), nullptr);
    logger.writeLog("C");
    EXPECT_EQ(logger.window()->text(), "C\r\n");
    logger.window()->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST(LogWindow, KeepsOnlyTheNewestLines) {
    LogWindow w;
    for (int i = 0; i < LogWindow::kMaxLines + 25; ++i) w.addLine(QString::number(i));
    EXPECT_EQ(w.lineCount(), LogWindow::kMaxLines);
    const QString text = w.text();
    EXPECT_TRUE(text.startsWith(QString::number(LogWindow::kMaxLines + 24) + "\r\n"));
    EXPECT_TRUE(text.endsWith("\r\n25\r\n"));
    auto* box = w.findChild<QPlainTextEdit*>("Text1");
    EXPECT_EQ(box->document()->blockCount(), LogWindow::kMaxLines);
}
