// Undo and Redo through the main window: a page deleted from an open record comes back byte
// for byte with Undo and goes again with Redo, the page display and the menus following; a
// version chosen in the Versions window is put back after the question.
#include "SafetyWindow.h"
#include "imaging/controls/ImageEdit.h"
#include "imaging/controls/ImageThumbnail.h"
#include "safety/VersionCommands.h"
#include "safety/VersionsWindow.h"
#include "viewer/MainWindowUi.h"

#include <QAction>
#include <QDir>
#include <QPushButton>
#include <QTableWidget>

namespace {

using namespace safetytest;
using UndoWindow = SafetyWindow;

TEST_F(UndoWindow, DeletedPageComesBackByteForByteAndGoesAgainWithRedo) {
    viewer::MainWindowUi& u = w->ui();
    const QByteArray before = contentOf(path);
    EXPECT_FALSE(u.mnuEditUndo->isEnabled());
    EXPECT_FALSE(u.mnuEditRedo->isEnabled());
    EXPECT_EQ(u.mnuEditUndo->shortcut(), QKeySequence("Ctrl+Z"));
    EXPECT_EQ(u.mnuEditRedo->shortcut(), QKeySequence("Ctrl+Shift+Z"));

    t.prompter.answers = {app::mb::Yes};
    u.mnuEditActionItem[5]->trigger(); // Delete Pages: the page shown
    finishJobs();
    const QByteArray after = contentOf(path);
    ASSERT_NE(after, before);
    ASSERT_EQ(w->docImgEdit1->pageCount(), 2);
    EXPECT_TRUE(u.mnuEditUndo->isEnabled());
    EXPECT_FALSE(u.mnuEditRedo->isEnabled());
    // Kept under the storage root's recycle area.
    EXPECT_EQ(QDir(t.dir.file("Recycled/Versions/record")).entryList(QDir::Files).size(), 1);

    u.mnuEditUndo->trigger();
    finishJobs();
    EXPECT_EQ(contentOf(path), before);
    EXPECT_EQ(w->docImgEdit1->pageCount(), 3);
    EXPECT_EQ(w->docImgThumbnail1->thumbCount(), 3);
    EXPECT_FALSE(u.mnuEditUndo->isEnabled());
    EXPECT_TRUE(u.mnuEditRedo->isEnabled());

    u.mnuEditRedo->trigger();
    finishJobs();
    EXPECT_EQ(contentOf(path), after);
    EXPECT_EQ(w->docImgEdit1->pageCount(), 2);
    EXPECT_TRUE(u.mnuEditUndo->isEnabled());
    EXPECT_FALSE(u.mnuEditRedo->isEnabled());

    // The Versions window lists the kept version of three pages; No keeps the file, Yes puts
    // the version back.
    safety::VersionCommands* commands = safety::VersionCommands::of(*w);
    ASSERT_NE(commands, nullptr);
    ASSERT_TRUE(commands->history());
    safety::VersionsWindow versions(commands->history()->store(), "record.tif", t.prompter,
                                    [&](const QString& p) { commands->restore(p); });
    ASSERT_EQ(versions.table()->rowCount(), 1);
    EXPECT_EQ(versions.table()->item(0, 1)->text(), "3");
    versions.table()->selectRow(0);
    EXPECT_TRUE(versions.restoreButton()->isEnabled());
    t.prompter.answers = {app::mb::No};
    versions.restoreChosen();
    finishJobs();
    EXPECT_EQ(contentOf(path), after);
    t.prompter.answers = {app::mb::Yes};
    versions.restoreChosen();
    finishJobs();
    EXPECT_EQ(contentOf(path), before);
    EXPECT_EQ(w->docImgEdit1->pageCount(), 3);
    EXPECT_TRUE(u.mnuEditUndo->isEnabled()); // back to the two pages

    // The file put back is the one the window writes next: a deletion now is no change from
    // elsewhere.
    t.prompter.shown.clear();
    t.prompter.answers = {app::mb::Yes};
    w->docImgThumbnail1->clearThumbSelection();
    w->docImgThumbnail1->setThumbSelected(1, true);
    u.mnuEditActionItem[5]->trigger();
    finishJobs();
    EXPECT_EQ(t.prompter.shown.size(), 1u) << t.prompter.lastText().toStdString();
    EXPECT_EQ(w->docImgEdit1->pageCount(), 2);

    // A rotation not saved yet: Undo asks first, and No leaves file and rotation alone.
    const QByteArray saved = contentOf(path);
    u.mnuPageRotatePageItem[1]->trigger();
    finishJobs();
    ASSERT_TRUE(w->docImgEdit1->model()->isModified());
    t.prompter.shown.clear();
    t.prompter.answers = {app::mb::No};
    u.mnuEditUndo->trigger();
    finishJobs();
    ASSERT_EQ(t.prompter.shown.size(), 1u);
    EXPECT_TRUE(t.prompter.lastText().contains("not saved"));
    EXPECT_EQ(contentOf(path), saved);
    EXPECT_TRUE(w->docImgEdit1->model()->isModified());
}

} // namespace
