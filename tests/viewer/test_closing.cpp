// The save question before a document goes away, by every command that lets one go, with
// and without scanning access; the page display's closing notice.
#include "ViewerFixture.h"

#include <QFile>
#include <QSignalSpy>

using namespace viewertest;

namespace {

class Closing : public ViewerFixture {
protected:
    // A window with nothing said yet.
    void start(bool admin) {
        load(admin);
        t.prompter.shown.clear();
    }
    // A scan not yet given a name, as Scan New leaves it, with one page turned and rotated.
    QString editedScan() {
        const QString scan = makeDocument("Img7.tif", 2);
        w->doc().gblnNewDocument = true;
        w->PerformFileOpen(false, scan, 1);
        settle();
        ui().mnuPageDirectionItem[1]->trigger();
        ui().mnuPageRotatePageItem[0]->trigger();
        settle();
        return scan;
    }
    // Save questions asked, about `title` or (empty) about any document.
    int questions(const QString& title = {}) const {
        const auto texts = t.prompter.texts();
        return int(std::count_if(texts.begin(), texts.end(), [&](const QString& text) {
            return title.isEmpty() ? text.startsWith("Do you want to save the changes to ")
                                   : text == "Do you want to save the changes to " + title + "?";
        }));
    }
};

enum class Command { CloseRecord, Exit, OpenImage };

struct CloseCase {
    const char* name;
    bool admin;
    Command command;
};

class ClosingAnEditedScan : public Closing, public ::testing::WithParamInterface<CloseCase> {};

} // namespace

// Each command asks once; No deletes the scan and the command goes on, Cancel keeps both
// the scan and its edits on screen.
TEST_P(ClosingAnEditedScan, AsksOnceAndNoDeletesItWhileCancelKeepsIt) {
    const CloseCase c = GetParam();
    start(c.admin);
    const QString scan = editedScan();
    const QString other = makeDocument("other.tif", 1);
    QSignalSpy ended(w.get(), &viewer::MainWindow::programEnded);
    auto run = [&](int answer) {
        t.prompter.shown.clear();
        t.prompter.answers.push_back(answer);
        switch (c.command) {
        case Command::CloseRecord: ui().mnuFileClose->trigger(); break;
        case Command::Exit: ui().mnuFileExit->trigger(); break;
        case Command::OpenImage:
            if (answer != app::mb::Cancel) fileDialogs->answer(other);
            ui().mnuFileOpen->trigger();
            break;
        }
        settle();
    };

    run(app::mb::Cancel);
    EXPECT_EQ(questions("Untitled"), 1);
    EXPECT_TRUE(QFile::exists(scan));
    EXPECT_EQ(edit().image(), scan);
    EXPECT_TRUE(edit().imageModified());
    EXPECT_EQ(ended.count(), 0);

    run(app::mb::No);
    EXPECT_EQ(questions("Untitled"), 1);
    EXPECT_FALSE(QFile::exists(scan));
    switch (c.command) {
    case Command::CloseRecord: EXPECT_TRUE(w->doc().NoDocument); break;
    case Command::Exit: EXPECT_EQ(ended.count(), 1); break;
    case Command::OpenImage: EXPECT_EQ(edit().image(), other); break;
    }
}

INSTANTIATE_TEST_SUITE_P(
    EveryWay, ClosingAnEditedScan,
    ::testing::Values(CloseCase{"CloseRecordScanning", true, Command::CloseRecord},
                      CloseCase{"CloseRecordNurse", false, Command::CloseRecord},
                      CloseCase{"ExitScanning", true, Command::Exit},
                      CloseCase{"ExitNurse", false, Command::Exit},
                      CloseCase{"OpenImageScanning", true, Command::OpenImage},
                      CloseCase{"OpenImageNurse", false, Command::OpenImage}),
    [](const auto& info) { return std::string(info.param.name); });

// Whether closing asks: unsaved changes always do; an unchanged document asks only when it is
// a scan without a name and the user has no scanning access.
TEST_F(Closing, TheQuestionFollowsUnsavedChangesForEveryAccessType) {
    struct Case {
        bool admin, edited, scan, asks;
    } cases[] = {
        // A scan never given a name is asked about with scanning access too.
        {true, true, false, true},   {true, false, false, false}, {true, false, true, true},
        {true, true, true, true},    {false, true, false, true},  {false, false, false, false},
        {false, false, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "admin " << c.admin << " edited " << c.edited
                                        << " scan " << c.scan);
        start(c.admin);
        const QString path = makeDocument("doc.tif", 2);
        w->doc().gblnNewDocument = c.scan;
        w->PerformFileOpen(false, path, 1);
        settle();
        if (c.edited) edit().rotateRight();
        t.prompter.answers.push_back(app::mb::Cancel);
        const bool closed = w->PerformFileClose();
        EXPECT_EQ(closed, !c.asks);
        EXPECT_EQ(t.prompter.shown.size(), c.asks ? 1u : 0u);
        if (c.asks) {
            EXPECT_EQ(t.prompter.lastText(), "Do you want to save the changes to " +
                                                 QString(c.scan ? "Untitled" : "doc.tif") + "?");
            EXPECT_EQ(t.prompter.shown.back().buttons, app::mb::YesNoCancel);
        }
        t.prompter.answers.clear();
        w.reset();
    }
}

// A cancelled Open Image leaves the document on screen: replacing it later still asks about
// its changes (the page display's closing notice).
TEST_F(Closing, AfterACancelledOpenImageTheClosingNoticeAsksAgain) {
    start(/*admin=*/false);
    const QString path = makeDocument("kept.tif", 2);
    open(path);
    ui().mnuPageDirectionItem[1]->trigger();
    ui().mnuPageRotatePageItem[1]->trigger();
    settle();
    t.prompter.answers.push_back(app::mb::No);
    fileDialogs->cancel();
    ui().mnuFileOpen->trigger();
    settle();
    ASSERT_EQ(edit().image(), path);
    ASSERT_EQ(questions("kept.tif"), 1);

    // Another document replaces it without a close of its own (as a filed scan does).
    t.prompter.answers.push_back(app::mb::No);
    w->PerformFileOpen(false, makeDocument("next.tif", 1), 1);
    settle();
    EXPECT_EQ(questions(), 2);
}
