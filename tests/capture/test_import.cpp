// "Import" (frmAddImages) through the real main window: every file of a folder in name order,
// inserted at the current page or appended, each file with all its pages; non-images logged
// and skipped; pages of other kinds kept as they are; the folder chooser (scripted) and the
// remembered folder; a full disk or a cancel leaving the record as it was.
#include "CaptureFixture.h"
#include "PageMarks.h"

#include "capture/ImportImagesDialog.h"
#include "doubles/ScriptedFolderDialog.h"
#include "imaging/documents/AtomicFile.h"
#include "imaging/controls/ImageEdit.h"
#include "imaging/pixels/ImagingError.h"
#include "viewer/JobHost.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QSemaphore>
#include <QThreadPool>

namespace capturetest {
namespace {

using Labels = std::vector<int>;

class Import : public CaptureFixture {
protected:
    void SetUp() override {
        CaptureFixture::SetUp();
        t.s().svc.folders = &folders;
        importDir = share + "/import";
        load();
    }
    void TearDown() override {
        imaging::setAtomicWriteFailureForTesting(-1, 0);
        CaptureFixture::TearDown();
    }
    void openRecord(const Labels& labels, int page) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        writeMarked(native(record), labels);
        w->PerformFileOpen(false, record, page);
        ASSERT_EQ(w->docImgEdit1->page(), page);
    }
    capture::ImportImagesDialog* open() {
        w->ui().mAddImages->trigger();
        return dialog<capture::ImportImagesDialog>("frmAddImages");
    }
    QStringList logLines() const {
        QStringList out;
        for (const QString& l : t.log.lines) out << l;
        return out;
    }
    QByteArray bytes(const QString& nativePath) {
        QFile f(nativePath);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    void writeText(const QString& nativePath, const QByteArray& text) {
        QDir().mkpath(QFileInfo(nativePath).absolutePath());
        QFile f(nativePath);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    }
    // The folder of the import tests, "\\records-fs\recfiles\import" below the share.
    void fillFolder() {
        writeMarked(importDir + "/b.tif", {21, 22});
        writeMarked(importDir + "/A.tif", {11});
        writeMarked(importDir + "/C.TIF", {31, 32, 33});
        writeText(importDir + "/notes.txt", "a list of pages\n");
        writeMarked(importDir + "/.hidden.tif", {99});
        writeMarked(importDir + "/sub/inner.tif", {98});
    }

    doubles::ScriptedFolderDialog folders;
    QString record = root + "\\2026\\2026-01-19\\260045-3.tif";
    const QString logicalDir = root + "\\import";
    QString importDir;
};

TEST_F(Import, EveryFileInNameOrderWithAllItsPagesAtTheCurrentPageOrAtTheEnd) {
    fillFolder();
    struct Case {
        bool append;
        QString path;
        Labels expected;
    };
    const std::vector<Case> cases{
        // Inserted at page 2: the files' pages in name order (case ignored), the page that
        // was current after them.
        {false, logicalDir, {1, 11, 21, 22, 31, 32, 33, 2, 3}},
        {false, logicalDir + "\\", {1, 11, 21, 22, 31, 32, 33, 2, 3}},
        // Appended: every page of each file, not its first only.
        {true, logicalDir + "\\", {1, 2, 3, 11, 21, 22, 31, 32, 33}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        // Each case its own record: the views may still hold the closed one for a moment.
        record = root + QString("\\2026\\2026-01-19\\2600%1-3.tif").arg(&c - cases.data());
        openRecord({1, 2, 3}, 2);
        t.log.lines.clear();
        capture::ImportImagesDialog* d = open();
        ASSERT_NE(d, nullptr);
        EXPECT_EQ(d->windowTitle(), "Import Images");
        EXPECT_FALSE(d->isModal());
        d->txtPath->setText(c.path);
        (c.append ? d->optAppend : d->Option1)->setChecked(true);
        d->cmdAdd->click();
        waitJobs();
        EXPECT_EQ(labelsOf(native(record)), c.expected);
        EXPECT_EQ(w->docImgEdit1->pageCount(), 9);
        EXPECT_EQ(w->docImgEdit1->page(), 2);
        const QString folder = logicalDir + "\\";
        EXPECT_EQ(logLines(), (QStringList{"checking files...", "A.tif", "b.tif", "C.TIF", "notes.txt",
                                           "notes.txt is not an image file this program can read " +
                                               folder + "notes.txt",
                                           "3 files with 6 pages imported, 1 file skipped.", "done."}));
        EXPECT_TRUE(messages().isEmpty()) << messages().join("; ").toStdString();
        // The source files stay where they were.
        EXPECT_TRUE(QFileInfo::exists(importDir + "/b.tif"));
        w->mnuFileClose_Click();
        QApplication::processEvents();
    }
}

TEST_F(Import, PagesOfOtherSizesResolutionsAndColoursAreKeptAsTheyAre) {
    QImage colour(40, 30, QImage::Format_RGB32);
    colour.fill(qRgb(200, 30, 40));
    colour.setPixel(3, 4, qRgb(0, 0, 255));
    QDir().mkpath(importDir);
    ASSERT_TRUE(colour.save(importDir + "/1 colour.png"));
    QImage gray(120, 50, QImage::Format_Grayscale8);
    for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 120; ++x) gray.setPixel(x, y, qRgb(x * 2, x * 2, x * 2));
    imaging::writeDocument(importDir + "/2 gray.tif", {imaging::PageSource::pixels(gray, 300, 150, {})});
    openRecord({1, 2}, 1);
    capture::ImportImagesDialog* d = open();
    ASSERT_NE(d, nullptr);
    d->txtPath->setText(logicalDir);
    d->optAppend->setChecked(true);
    d->cmdAdd->click();
    waitJobs();
    const imaging::DocumentPtr doc = imaging::Document::open(native(record));
    ASSERT_EQ(doc->pageCount(), 4);
    for (const auto& [index, name] : std::vector<std::pair<int, QString>>{{2, "1 colour.png"}, {3, "2 gray.tif"}}) {
        const imaging::DocumentPtr src = imaging::Document::open(importDir + "/" + name);
        const imaging::PageInfo a = doc->pageInfo(index), b = src->pageInfo(0);
        EXPECT_EQ(QSize(a.width, a.height), QSize(b.width, b.height)) << name.toStdString();
        EXPECT_NEAR(a.xDpi, b.xDpi, 0.01);
        EXPECT_NEAR(a.yDpi, b.yDpi, 0.01);
        EXPECT_EQ(a.bitDepth(), b.bitDepth());
        EXPECT_EQ(doc->decodePage(index).convertToFormat(QImage::Format_RGB32),
                  src->decodePage(0).convertToFormat(QImage::Format_RGB32));
    }
    EXPECT_EQ(doc->pageInfo(3).xDpi, 300);
    EXPECT_EQ(doc->pageInfo(3).yDpi, 150);
    EXPECT_EQ(doc->pageInfo(0).width, 80); // the record's own pages as they were
}

TEST_F(Import, TheFolderChooserStartsInThePathAndKeepsTheLogicalFolder) {
    openRecord({1}, 1);
    capture::ImportImagesDialog* d = open();
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->txtPath->text(), "C:\\import"); // nothing remembered yet
    d->txtPath->setText(logicalDir);
    QDir().mkpath(importDir + "/Ward 5");
    folders.answer(importDir + "/Ward 5");
    d->Command1->click();
    ASSERT_EQ(folders.requests().size(), 1u);
    EXPECT_EQ(folders.requests()[0].title, "Select a directory");
    EXPECT_EQ(folders.requests()[0].initialFolder, importDir);
    EXPECT_EQ(d->txtPath->text(), logicalDir + "\\Ward 5");
    EXPECT_EQ(t.settings.read(app::kAppPrefs, "AddImages", "Path"), logicalDir + "\\Ward 5");
    // Cancelled: nothing changes.
    folders.cancel();
    d->Command1->click();
    EXPECT_EQ(d->txtPath->text(), logicalDir + "\\Ward 5");
    // The next time the dialog opens it starts with the remembered folder.
    d->cmdCancel->click();
    QApplication::processEvents();
    d = open();
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->txtPath->text(), logicalDir + "\\Ward 5");
}

TEST_F(Import, AFullDiskOrACancelLeavesTheRecordAsItWas) {
    for (int i = 0; i < 200; ++i)
        writeMarked(importDir + QString("/page%1.tif").arg(i, 3, 10, QChar('0')), {i});
    openRecord({1, 2, 3}, 2);
    const QByteArray before = bytes(native(record));
    capture::ImportImagesDialog* d = open();
    ASSERT_NE(d, nullptr);
    d->txtPath->setText(logicalDir);

    imaging::setAtomicWriteFailureForTesting(100, imaging::kErrDiskFull);
    d->cmdAdd->click();
    waitJobs();
    imaging::setAtomicWriteFailureForTesting(-1, 0);
    EXPECT_EQ(bytes(native(record)), before);
    EXPECT_EQ(w->docImgEdit1->pageCount(), 3);
    ASSERT_GE(t.log.lines.size(), 3u);
    EXPECT_EQ(t.log.lines.back(), "done.");
    EXPECT_EQ(t.log.lines[t.log.lines.size() - 2], "Nothing was imported: the document is as it was.");

    // Cancelled in the status bar: the pool's threads are held busy so that the cancel comes
    // before the job has read its first file.
    t.log.lines.clear();
    QThreadPool& pool = *QThreadPool::globalInstance();
    // A failed check below must not leave them waiting: the process would then hang at its
    // end instead of reporting the failure.
    QSemaphore hold;
    const int threads = pool.maxThreadCount();
    auto releaseThreads = qScopeGuard([&] {
        hold.release(threads);
        pool.waitForDone();
    });
    for (int i = 0; i < threads; ++i) pool.start([&hold] { hold.acquire(); });
    d->cmdAdd->click();
    ASSERT_NE(w->jobs().documentJob(), nullptr);
    EXPECT_TRUE(w->jobs().cancelButton()->isVisibleTo(w.get()));
    w->jobs().cancelButton()->click();
    releaseThreads.dismiss();
    hold.release(threads);
    waitJobs();
    EXPECT_EQ(bytes(native(record)), before);
    EXPECT_EQ(logLines(), (QStringList{"checking files...", "Import cancelled: nothing was imported.", "done."}));

    // An empty folder: the two frame lines, nothing changed.
    t.log.lines.clear();
    QDir().mkpath(share + "/empty");
    d->txtPath->setText(root + "\\empty");
    d->cmdAdd->click();
    waitJobs();
    EXPECT_EQ(logLines(), (QStringList{"checking files...", "done."}));
    EXPECT_EQ(bytes(native(record)), before);
}

} // namespace
} // namespace capturetest
