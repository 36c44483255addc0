// The program's file work on a real SMB share reached through GVFS's FUSE folder, as on a
// desktop that mounted \\server\recfiles with `gio mount`: run by smb_share.sh, which starts
// a private Samba server, mounts its share and names the folders in DOCUVANE_SMB_MOUNT (the
// mount) and DOCUVANE_SMB_SERVER (the same folder on the server's side, where the tests plant
// what other hands leave on a share). Without them every test here is skipped, saying why.
#include "../capture/CaptureFixture.h"
#include "../capture/PageMarks.h"
#include "../viewer/ViewerFixture.h"

#include "capture/ImportImagesDialog.h"
#include "capture/RecordDialog.h"
#include "imaging/documents/AtomicFile.h"
#include "imaging/documents/DocumentModel.h"
#include "imaging/pixels/ImagingError.h"
#include "storage/LocationTools.h"
#include "storage/RecordPaths.h"
#include "support/TiffInfo.h"

#include <QCoreApplication>
#include <QDirIterator>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QThread>
#include <QTransform>
#include <QUuid>
#include <csignal>
#include <functional>
#include <gtest/gtest.h>
#include <utime.h>

namespace {

// A folder of this test's own on the share: its path on the mount and on the server.
struct ShareFolder {
    QString mount, server;
};

// Skips the calling test when no share is mounted.
#define SHARE_FOLDER_OR_SKIP(var)                                                            \
    ShareFolder var = shareFolder();                                                         \
    if (var.mount.isEmpty())                                                                 \
    GTEST_SKIP() << "SKIPPED: no SMB share mounted (run through tests/program/smb_share.sh, " \
                    "which sets DOCUVANE_SMB_MOUNT and DOCUVANE_SMB_SERVER)"

ShareFolder shareFolder() {
    const QString mount = qEnvironmentVariable("DOCUVANE_SMB_MOUNT");
    const QString server = qEnvironmentVariable("DOCUVANE_SMB_SERVER");
    if (mount.isEmpty() || server.isEmpty()) return {};
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    const QString name = QString("%1.%2").arg(info->test_suite_name(), info->name());
    QDir().mkpath(mount + "/" + name);
    return {mount + "/" + name, server + "/" + name};
}

// Every file below `folder` whose name is a temporary file of the atomic writer, or a scan
// in progress.
QStringList leftovers(const QString& folder) {
    QStringList out;
    QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString name = QFileInfo(path).fileName();
        if (imaging::AtomicFile::isTemporaryName(name) || name.contains(".scanning."))
            out << path;
    }
    return out;
}

QByteArray bytesOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

using testsupport::tiffinfoPages;

} // namespace

// ---- filing, the recycle move and import, through the window with the scanner double ----

namespace capturetest {
namespace {

class ShareFiling : public CaptureFixture {
protected:
    void SetUp() override {
        CaptureFixture::SetUp();
        folder = shareFolder();
        if (folder.mount.isEmpty()) return;
        share = folder.mount;
        t.settings.write(app::kAppPrefs, "Shares", root, share);
    }
    ShareFolder folder;
};

TEST_F(ShareFiling, AReplacementScanIsFiledTheEarlierFileRecycledAndAFolderImported) {
    SHARE_FOLDER_OR_SKIP(f);
    const QString file = share + "/2025/2025-03-14/250123-1.tif";
    writeMarked(file, {7, 8});
    load();
    auto& r = chooseAdmission("250123");
    selectType(r.cboScanType, "ADMISSION RECORD");
    t.prompter.answers = {app::mb::Yes, app::mb::OK}; // replace the earlier record; ready
    r.btnScan->click();
    waitJobs();
    EXPECT_FALSE(t.prompter.lastText().startsWith("Nothing was filed"))
        << t.prompter.lastText().toStdString();

    // The new scan (three feeder sheets) is the record's file, whole as libtiff reads it.
    EXPECT_EQ(tiffinfoPages(file), 3);
    const std::vector<int> scanned = labelsOf(file);
    ASSERT_EQ(scanned.size(), 3u);
    // The earlier file went to the recycle folder on the share with both its pages.
    QStringList recycled;
    QDirIterator it(share + "/Recycled", QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) recycled << it.next();
    ASSERT_EQ(recycled.size(), 1) << recycled.join(' ').toStdString();
    EXPECT_EQ(labelsOf(recycled[0]), (std::vector<int>{7, 8}));

    // Import: every image of a folder on the share appended to the open record.
    writeMarked(share + "/import/a.tif", {11});
    writeMarked(share + "/import/b.tif", {21, 22});
    w->PerformFileOpen(false, root + "\\2025\\2025-03-14\\250123-1.tif", 1);
    ASSERT_EQ(w->docImgEdit1->pageCount(), 3);
    w->ui().mAddImages->trigger();
    auto* d = dialog<capture::ImportImagesDialog>("frmAddImages");
    ASSERT_NE(d, nullptr);
    d->txtPath->setText(root + "\\import");
    d->optAppend->setChecked(true);
    d->cmdAdd->click();
    waitJobs();
    std::vector<int> expected = scanned;
    expected.insert(expected.end(), {11, 21, 22});
    EXPECT_EQ(labelsOf(file), expected);
    EXPECT_EQ(tiffinfoPages(file), 6);
    EXPECT_EQ(leftovers(share), QStringList());
}

} // namespace
} // namespace capturetest

// ---- opening, page deletion, Save, Save As and Test Write through the window ----

namespace viewertest {
namespace {

class ShareViewer : public ViewerFixture {};

TEST_F(ShareViewer, OpenDeletePagesSaveSaveAsAndTestWriteOnTheShare) {
    SHARE_FOLDER_OR_SKIP(f);
    const QString path = f.mount + "/five.tif";
    std::vector<imaging::PageSource> pages;
    for (int i = 1; i <= 5; ++i)
        pages.push_back(imaging::PageSource::pixels(labelledPage(i), 200, 200, {}));
    imaging::writeDocument(path, pages);
    // The storage folder is the share, as a signed-in session names it.
    t.settings.write(app::kAppPrefs, "Shares", "\\\\fs\\recfiles", f.mount);
    t.s().gstrDefaultDirectory = "\\\\fs\\recfiles";
    load();
    open(path);
    ASSERT_EQ(edit().pageCount(), 5);

    // Pages 2 and 4 deleted: the file on the share is rewritten without them.
    thumbs().clearThumbSelection();
    thumbs().setThumbSelected(2, true);
    thumbs().setThumbSelected(4, true);
    t.prompter.answers.push_back(app::mb::Yes);
    action("mnuEditActionItem_5")->trigger();
    settle();
    EXPECT_EQ(labelsOnDisk(path), (std::vector<int>{1, 3, 5}));
    EXPECT_EQ(tiffinfoPages(path), 3);

    // A rotated page saved in place.
    edit().setPage(2);
    edit().rotateLeft();
    ui().mnuFileSave->trigger();
    settle();
    EXPECT_FALSE(edit().imageModified());
    const imaging::PageInfo rotated = imaging::Document::open(path)->pageInfo(1);
    EXPECT_EQ(QSize(rotated.width, rotated.height), QSize(300, 400));

    // Save As a new name on the share: the copy is the document now, the original stays.
    const QString copy = f.mount + "/copy.tif";
    fileDialogs->answer(copy, 1);
    ui().mnuFileSaveAs->trigger();
    settle();
    EXPECT_EQ(w->doc().FullPathFileName, copy);
    for (const QString& file : {path, copy}) {
        SCOPED_TRACE(file.toStdString());
        EXPECT_EQ(labelsOnDisk(file), (std::vector<int>{1, -1, 5})); // page 2 lies on its side
        const QImage upright =
            imaging::Document::open(file)->decodePage(1).transformed(QTransform().rotate(90));
        EXPECT_EQ(pageLabel(upright), 3);
    }
    EXPECT_EQ(leftovers(f.mount), QStringList());

    // Test Write in the storage folder on the share (the session's clock: 25 Nov 2008).
    t.prompter.shown.clear();
    storage::TestWrite(t.s());
    EXPECT_EQ(t.prompter.lastText(), "Done.");
    EXPECT_TRUE(bytesOf(f.server + "/test write20081125.txt").endsWith(" OK.\n"))
        << bytesOf(f.server + "/test write20081125.txt").toStdString();
}

} // namespace
} // namespace viewertest

// ---- the atomic replacement and its leftovers on the mount ----

namespace {

using namespace imaging;

// A document whose page i shows label (i + first) % 256, 400 x 300 pixels a page.
void writeVersion(const QString& path, int pages, int first) {
    std::vector<PageSource> p;
    for (int i = 0; i < pages; ++i)
        p.push_back(PageSource::pixels(viewertest::labelledPage((i + first) % 256), 200, 200, {}));
    writeDocument(path, p);
}

std::vector<int> labels(const QString& path) {
    std::vector<int> out;
    const DocumentPtr doc = Document::open(path);
    for (int i = 0; i < doc->pageCount(); ++i) out.push_back(viewertest::pageLabel(doc->decodePage(i)));
    return out;
}

std::vector<int> expectedLabels(int pages, int first) {
    std::vector<int> out;
    for (int i = 0; i < pages; ++i) out.push_back((i + first) % 256);
    return out;
}

TEST(ShareAtomic, AWriterKilledAtAnyMomentLeavesOneWholeVersionAndItsLeftoverGoesLater) {
    SHARE_FOLDER_OR_SKIP(f);
    const QString dest = f.mount + "/doc.tif", a = f.mount + "/a.tif", b = f.mount + "/b.tif";
    writeVersion(dest, 5, 100);
    writeVersion(a, 60, 0);
    writeVersion(b, 70, 7);
    const std::vector<std::vector<int>> versions{expectedLabels(5, 100), expectedLabels(60, 0),
                                                 expectedLabels(70, 7)};
    const QString helper = QCoreApplication::applicationDirPath() + "/imaging_kill_helper";
    ASSERT_TRUE(QFileInfo::exists(helper)) << helper.toStdString();
    QStringList left;
    for (int round = 0; round < 12; ++round) {
        QProcess p;
        p.start(helper, {dest, a, b});
        ASSERT_TRUE(p.waitForStarted(5000));
        ASSERT_TRUE(p.waitForReadyRead(20000)) << p.readAllStandardError().toStdString();
        QThread::msleep(30 + 37 * round);
        ::kill(pid_t(p.processId()), SIGKILL);
        ASSERT_TRUE(p.waitForFinished(5000));
        // Whatever the moment, the file is one of the versions, whole.
        const std::vector<int> now = labels(dest);
        EXPECT_NE(std::find(versions.begin(), versions.end(), now), versions.end())
            << "round " << round << ": " << now.size() << " pages";
        left = leftovers(f.mount);
        if (round >= 4 && !left.isEmpty()) break;
    }
    // A leftover of a killed writer is kept while it may still be a write in progress, and
    // cleared by a later open once it is old.
    if (left.isEmpty()) GTEST_SKIP() << "SKIPPED: no kill landed inside a write on the share";
    DocumentModelPtr model = DocumentModel::acquire(dest);
    model.reset();
    EXPECT_EQ(leftovers(f.mount), left);
    const qint64 then = QDateTime::currentSecsSinceEpoch() - 11 * 60;
    for (const QString& path : left) {
        const struct utimbuf times { then, then };
        ASSERT_EQ(::utime(qPrintable(path), &times), 0) << qPrintable(path);
    }
    model = DocumentModel::acquire(dest);
    EXPECT_EQ(leftovers(f.mount), QStringList());
    EXPECT_NE(std::find(versions.begin(), versions.end(), labels(dest)), versions.end());
}

} // namespace

// ---- links planted on the server: never followed out of the share ----

namespace {

struct ShareLinks : ::testing::Test {
    doubles::TestSession t;
    const QString root = "\\\\fs\\recfiles";
};

TEST_F(ShareLinks, LinksPlantedOnTheServerAreNeverFollowedOutOfTheShare) {
    SHARE_FOLDER_OR_SKIP(f);
    t.settings.write(app::kAppPrefs, "Shares", root, f.mount);
    // A folder outside the share that the share's user could write, holding a record.
    const QString outside = QFileInfo(qEnvironmentVariable("DOCUVANE_SMB_SERVER")).absolutePath() +
                            "/outside-" + QUuid::createUuid().toString(QUuid::Id128);
    ASSERT_TRUE(QDir().mkpath(outside + "/2009-01-02"));
    QFile::setPermissions(outside, QFileDevice::Permissions(0x7777));
    QFile::setPermissions(outside + "/2009-01-02", QFileDevice::Permissions(0x7777));
    const QString secret = outside + "/secret.tif";
    writeVersion(secret, 2, 40);
    QFile::setPermissions(secret, QFileDevice::Permissions(0x6666));
    const QByteArray secretBytes = bytesOf(secret);
    auto outsideEntries = [&] {
        QStringList out;
        QDirIterator it(outside, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) out << it.next();
        out.sort();
        return out;
    };
    const QStringList before = outsideEntries();

    // Planted by others on the server: a record file, a year folder, a recycle date folder
    // and the Test Write file, each a link out of the share.
    // (Folders and files made through the mount, the links on the server.)
    ASSERT_TRUE(QDir().mkpath(f.mount + "/2008/2008-11-25"));
    ASSERT_TRUE(QDir().mkpath(f.mount + "/Recycled"));
    writeVersion(f.mount + "/2008/2008-11-25/55-7.tif", 1, 1);
    ASSERT_TRUE(QFile::link(secret, f.server + "/2008/2008-11-25/66-7.tif"));
    ASSERT_TRUE(QFile::link(outside, f.server + "/2009"));
    ASSERT_TRUE(QFile::link(outside, f.server + "/Recycled/2008-11-25"));
    ASSERT_TRUE(QFile::link(secret, f.server + "/test write20081125.txt"));
    t.signIn();
    t.s().gstrDefaultDirectory = root;

    // The record linked out does not open (the server does not show a link leading out of
    // the share); its neighbour does.
    auto pagesOf = [&](const QString& stored) {
        const storage::Resolved r = storage::resolveStoredName(*t.paths, root, stored, &t.log);
        if (!r.found) return -1;
        try {
            return imaging::Document::open(t.paths->toNative(r.path))->pageCount();
        } catch (const imaging::Error&) {
            return -1;
        }
    };
    EXPECT_EQ(pagesOf("\\2008\\2008-11-25\\66-7.tif"), -1);
    EXPECT_EQ(pagesOf("\\2008\\2008-11-25\\55-7.tif"), 1);
    // Whatever the program tries through a link out, the share refuses it and says so.
    auto refused = [](const std::function<void()>& attempt) {
        try {
            attempt();
        } catch (const std::exception&) { // imaging::Error included
            return true;
        }
        return false;
    };
    // Writing the record linked out: refused, the link left as it was.
    EXPECT_TRUE(refused([&] { writeVersion(f.mount + "/2008/2008-11-25/66-7.tif", 3, 9); }));
    // Filing in the year linked out: its date folder cannot be made, nor the file written.
    const storage::RecordPath rp = storage::buildRecordPath(t.s(), root, "77", 7, QDate(2009, 1, 2));
    EXPECT_TRUE(refused([&] {
        if (!storage::staysInsideRoot(*t.paths, root, rp.fullPath))
            throw std::runtime_error("leads out of the storage folder");
        writeVersion(t.paths->toNative(rp.fullPath), 1, 3);
    }));
    // The recycle move into the linked date folder: refused, the record stays where it was.
    EXPECT_TRUE(refused([&] {
        storage::recycleRecordFile(t.s(), root, root + "\\2008\\2008-11-25\\55-7.tif");
    }));
    EXPECT_EQ(pagesOf("\\2008\\2008-11-25\\55-7.tif"), 1);
    // Test Write over the linked test file: reported, not "Done.".
    storage::TestWrite(t.s());
    EXPECT_TRUE(t.prompter.lastText().contains("test write20081125.txt"))
        << t.prompter.lastText().toStdString();

    for (const char* link : {"/2008/2008-11-25/66-7.tif", "/2009", "/Recycled/2008-11-25",
                             "/test write20081125.txt"})
        EXPECT_TRUE(QFileInfo(f.server + link).isSymLink()) << link;
    EXPECT_EQ(bytesOf(secret), secretBytes);
    EXPECT_EQ(outsideEntries(), before);
    EXPECT_FALSE(QFileInfo::exists(f.mount + "/2009/2009-01-02"));
    QDir(outside).removeRecursively();
}

} // namespace
