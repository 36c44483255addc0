// Changes from elsewhere: a record's file changed, moved or deleted by another workstation
// after it was opened is never overwritten nor recreated by a write of this window; the window
// then shows the file as it now is, and unsaved edits are kept under a new name beside it.
#include "SafetyWindow.h"

#include "imaging/controls/ImageEdit.h"
#include "imaging/documents/Document.h"
#include "imaging/documents/DocumentModel.h"
#include "imaging/documents/FileIdentity.h"
#include "imaging/pixels/ImagingError.h"
#include "safety/FileGuard.h"
#include "viewer/MainWindowUi.h"

#include <QAction>
#include <QDir>
#include <QThread>

namespace {

using safetytest::contentOf;
using safetytest::labelled;

class FileGuard : public safetytest::SafetyWindow {
protected:
    void settle() { finishJobs(); }
    bool told(const QString& part) const {
        for (const auto& m : t.prompter.shown)
            if (m.text.contains(part)) return true;
        return false;
    }
};

// The same file gives the same identity; any other save of it, even of the same size, does not.
TEST(FileIdentity, TellsAnotherSaveOfTheSameFileApart) {
    doubles::TestSession t;
    const QString a = t.dir.file("a.tif");
    imaging::writeDocument(a, labelled({1, 2}));
    const imaging::FileIdentity first = imaging::readFileIdentity(a);
    EXPECT_TRUE(first.exists);
    EXPECT_EQ(imaging::readFileIdentity(a), first);
    // Another workstation's save comes later than the file was read: past the file system's
    // clock step (a few milliseconds), with the same sizes and other pixels.
    QThread::msleep(30);
    imaging::writeDocument(a, labelled({3, 4}));
    const imaging::FileIdentity second = imaging::readFileIdentity(a);
    EXPECT_NE(second, first);
    QFile::remove(a);
    EXPECT_FALSE(imaging::readFileIdentity(a).exists);
}

// Every kind of write of a record's file (a save, a page deletion, insertion from a file,
// append, an import's pages, a rescan's replacement) is refused by the guard once the file was
// saved elsewhere; the file keeps the other save's bytes. Each is allowed on an unchanged file.
TEST(FileGuardWrites, EveryKindOfWriteIsRefusedAfterAnotherSave) {
    doubles::TestSession t;
    const QString source = t.dir.file("source.tif");
    imaging::writeDocument(source, labelled({5, 6}));
    const std::pair<const char*, std::function<void(imaging::DocumentModel&)>> writes[] = {
        {"save", [](imaging::DocumentModel& m) {
             m.apply(imaging::makeOperation("Mark", 0, [](imaging::PageContent& c) {
                 c.image.setPixel(0, 50, 1);
             }));
             m.save();
         }},
        {"delete", [](imaging::DocumentModel& m) { m.deletePages(1, 1); }},
        {"insert", [&](imaging::DocumentModel& m) { m.insertPagesFrom(source, 1, 1, 1); }},
        {"append", [&](imaging::DocumentModel& m) { m.appendPagesFrom(source, 1, 2); }},
        {"import", [](imaging::DocumentModel& m) { m.insertPageSources(2, labelled({9})); }},
        {"rescan", [](imaging::DocumentModel& m) { m.replacePage(1, labelled({9})[0]); }},
    };
    int n = 0;
    for (const auto& [name, write] : writes) {
        SCOPED_TRACE(name);
        const QString path = t.dir.file("w" + QString::number(++n) + ".tif");
        imaging::writeDocument(path, labelled({1, 2, 3}));
        auto model = imaging::DocumentModel::acquire(path);
        int refusals = 0;
        auto guard = std::make_shared<safety::FileGuard>(*model, path,
                                                         [&](bool) { ++refusals; });
        model->addWriteObserver(guard);
        write(*model); // the file as opened: written
        EXPECT_EQ(refusals, 0);
        imaging::writeDocument(path, labelled({7, 8}));
        const QByteArray theirs = contentOf(path);
        try {
            write(*model);
            ADD_FAILURE() << "the write was not refused";
        } catch (const imaging::Error& e) {
            EXPECT_EQ(e.number(), imaging::kErrChangedElsewhere);
        }
        EXPECT_EQ(refusals, 1);
        EXPECT_EQ(contentOf(path), theirs);
    }
}

// Each kind of write of the window, after another workstation saved the file: nothing is
// overwritten, the window shows the other save's pages, and the user is told.
TEST_F(FileGuard, AWriteAfterAnotherSaveOverwritesNothing) {
    struct Case {
        const char* name;
        std::function<void(viewer::MainWindow&)> write;
        std::deque<int> answers;
    };
    const Case cases[] = {
        {"delete page",
         [](viewer::MainWindow& w) { w.ui().mnuEditActionItem[5]->trigger(); },
         {app::mb::Yes}},
        {"save a rotation",
         [this](viewer::MainWindow& w) {
             w.ui().mnuPageRotatePageItem[1]->trigger();
             settle();
             w.ui().mnuFileSave->trigger();
         },
         {}},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = t.dir.file("case" + QString::number(++n) + ".tif");
        imaging::writeDocument(path, labelled({1, 2, 3}));
        w->PerformFileOpen(false, path, 1);
        settle();
        ASSERT_EQ(w->docImgEdit1->pageCount(), 3);
        t.prompter.shown.clear();
        // Another workstation saves two other pages.
        imaging::writeDocument(path, labelled({7, 8}));
        const QByteArray theirs = contentOf(path);
        t.prompter.answers = c.answers;
        c.write(*w);
        settle();
        EXPECT_EQ(contentOf(path), theirs);
        EXPECT_TRUE(told("was changed by another user or program since it was opened"))
            << (t.prompter.shown.empty() ? std::string("nothing told")
                                          : t.prompter.lastText().toStdString());
        EXPECT_EQ(w->docImgEdit1->pageCount(), 2); // shown as it is now
    }
    // The rotated page, never saved over their file, was kept beside it.
    const QStringList beside =
        QDir(t.dir.path()).entryList({"case2-unsaved-*.tif"}, QDir::Files);
    ASSERT_EQ(beside.size(), 1) << beside.join(", ").toStdString();
    const auto kept = imaging::Document::open(t.dir.file(beside[0]));
    ASSERT_EQ(kept->pageCount(), 3);
    EXPECT_EQ(kept->pageInfo(0).width, 100); // turned: 200 x 100 became 100 x 200
}

// A record deleted (or moved) by another user while open is reported at the next write and
// never recreated by it.
TEST_F(FileGuard, AFileDeletedElsewhereIsNotRecreated) {
    ASSERT_TRUE(QFile::remove(path));
    t.prompter.answers = {app::mb::Yes};
    w->ui().mnuEditActionItem[5]->trigger();
    settle();
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_TRUE(told("was deleted or moved by another user"));
}

} // namespace
