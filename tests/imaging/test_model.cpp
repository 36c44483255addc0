// The shared document model: one model per path, edits through apply(), revisions and
// change signals, saving (raw copies for unchanged pages), Save As, page operations that
// keep unsaved edits, scanned pages, reload, and reading from worker threads.
#include "CoreFixtures.h"
#include "imaging/documents/DocumentModel.h"
#include "imaging/pixels/ImageGeometry.h"
#include "imaging/pixels/ImagingError.h"
#include "imaging/documents/PageEdits.h"
#include "support/TempDir.h"

#include <QSignalSpy>
#include <QtConcurrent>
#include <gtest/gtest.h>

using namespace imaging;
using namespace corefx;

namespace {

// Page n (1-based): 60 x 40, a black column at x = n, and a black dot at (50, 2) that shows
// where the top right corner went.
Page numbered(int n, uint16_t compression = COMPRESSION_CCITTFAX4) {
    Page p = bitonalPage(60, 40, true, compression,
                         [n](int x, int y) { return (x == n && y > 10) || (x == 50 && y == 2); });
    p.dpi = 200;
    return p;
}

int numberOf(const QImage& img) {
    for (int x = 0; x < img.width(); ++x)
        if (isBlack(img, x, 30)) return x;
    return -1;
}

Annotation note(const QString& text) {
    Annotation a;
    a.kind = AnnotationKind::AttachANote;
    a.bounds = QRect(5, 5, 20, 10);
    a.text = text;
    return a;
}

class ModelTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::vector<Page> pages;
        for (int i = 1; i <= 5; ++i)
            pages.push_back(numbered(i));
        writeTiff(path(), pages);
        std::vector<Page> other;
        for (int i = 21; i <= 23; ++i)
            other.push_back(numbered(i));
        writeTiff(otherPath(), other);
    }
    QString path() const { return dir.file(QStringLiteral("doc.tif")); }
    QString otherPath() const { return dir.file(QStringLiteral("other.tif")); }
    std::vector<int> fileNumbers(const QString& p) {
        DocumentPtr doc = Document::open(p);
        std::vector<int> out;
        for (int i = 0; i < doc->pageCount(); ++i)
            out.push_back(numberOf(doc->decodePage(i)));
        return out;
    }
    std::vector<int> modelNumbers(const DocumentModel& m) {
        std::vector<int> out;
        for (int i = 0; i < m.pageCount(); ++i)
            out.push_back(numberOf(m.pageImage(i)));
        return out;
    }
    testsupport::TempDir dir;
};

} // namespace

TEST_F(ModelTest, OneModelPerPathSharedWhileHeld) {
    DocumentModelPtr a = DocumentModel::acquire(path());
    DocumentModelPtr b = DocumentModel::acquire(path());
    EXPECT_EQ(a.get(), b.get());
    EXPECT_EQ(DocumentModel::find(path()).get(), a.get());
    EXPECT_EQ(a->pageCount(), 5);
    a.reset();
    b.reset();
    EXPECT_EQ(DocumentModel::find(path()), nullptr);
    EXPECT_THROW(DocumentModel::acquire(dir.file(QStringLiteral("missing.tif"))), Error);
}

TEST_F(ModelTest, EditsChangeThePageAnnounceItAndSaveToTheFile) {
    DocumentModelPtr m = DocumentModel::acquire(path());
    QSignalSpy changed(m.get(), &DocumentModel::pageChanged);
    QSignalSpy modified(m.get(), &DocumentModel::modifiedChanged);
    const quint64 r1 = m->pageRevision(1), r2 = m->pageRevision(2);

    m->apply(rotatePage(1, 1));
    EXPECT_TRUE(m->isModified());
    EXPECT_TRUE(m->isPageModified(1));
    EXPECT_FALSE(m->isPageModified(2));
    EXPECT_NE(m->pageRevision(1), r1);
    EXPECT_EQ(m->pageRevision(2), r2);
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed.at(0).at(0).toInt(), 1);
    ASSERT_EQ(modified.count(), 1);
    EXPECT_TRUE(modified.at(0).at(0).toBool());
    // Turned right: 40 x 60, the dot that was at the top right is now at the bottom right.
    const QImage turned = m->pageImage(1);
    EXPECT_EQ(turned.size(), QSize(40, 60));
    EXPECT_TRUE(isBlack(turned, 40 - 1 - 2, 50));
    EXPECT_EQ(m->pageInfo(1).width, 40);
    EXPECT_EQ(m->pageImageScaled(1, QSize(20, 30), true).size(), QSize(20, 30));

    // A refused operation changes nothing.
    EXPECT_THROW(m->apply(makeOperation("refuse", 2,
                                        [](PageContent&) { throw Error(kErrBadArgument, "no"); })),
                 Error);
    EXPECT_FALSE(m->isPageModified(2));
    EXPECT_THROW(m->apply(rotatePage(5, 1)), Error);

    m->save();
    EXPECT_FALSE(m->isModified());
    EXPECT_FALSE(modified.last().at(0).toBool());
    DocumentPtr saved = Document::open(path());
    EXPECT_EQ(saved->decodePage(1), turned);
    EXPECT_EQ(saved->pageInfo(1).compressionCode, COMPRESSION_CCITTFAX4);
    EXPECT_EQ(fileNumbers(path())[0], 1);
    EXPECT_EQ(fileNumbers(path())[2], 3);
}

TEST_F(ModelTest, AnnotationOnlyEditsKeepThePixelsAsTheyAre) {
    // LZW pages: a re-encoded page would come back as Deflate or G4.
    std::vector<Page> pages;
    for (int i = 1; i <= 3; ++i)
        pages.push_back(numbered(i, COMPRESSION_LZW));
    writeTiff(path(), pages);
    DocumentModelPtr m = DocumentModel::acquire(path());
    m->apply(setPageAnnotations(0, {note(QStringLiteral("checked"))}));
    m->apply(rotatePage(2, 2));
    EXPECT_EQ(m->annotations(0).size(), 1u);
    m->save();
    DocumentPtr saved = Document::open(path());
    EXPECT_EQ(saved->pageInfo(0).compressionCode, COMPRESSION_LZW);
    EXPECT_EQ(saved->pageInfo(1).compressionCode, COMPRESSION_LZW);
    EXPECT_EQ(saved->pageInfo(2).compressionCode, COMPRESSION_CCITTFAX4); // new pixels
    ASSERT_EQ(saved->annotations(0).size(), 1u);
    EXPECT_EQ(saved->annotations(0)[0].text, QStringLiteral("checked"));
    EXPECT_EQ(m->annotations(0).size(), 1u); // read back from the saved file
    // Annotations turn with their page.
    m->apply(setPageAnnotations(1, {note(QStringLiteral("turn me"))}));
    m->apply(rotatePage(1, 1));
    EXPECT_EQ(m->annotations(1)[0].bounds, QRect(40 - 15, 5, 10, 20));
}

TEST_F(ModelTest, PageOperationsKeepTheUnsavedEditsOfOtherPages) {
    DocumentModelPtr m = DocumentModel::acquire(path());
    m->apply(flipPage(3)); // page 4, unsaved
    const QImage flipped = m->pageImage(3);
    QSignalSpy inserted(m.get(), &DocumentModel::pagesInserted);
    QSignalSpy removed(m.get(), &DocumentModel::pagesRemoved);

    m->insertPagesFrom(otherPath(), 2, 2, 2); // pages 22, 23 before page 2
    EXPECT_EQ(fileNumbers(path()), (std::vector<int>{1, 22, 23, 2, 3, 4, 5}));
    ASSERT_EQ(inserted.count(), 1);
    EXPECT_EQ(inserted.at(0).at(0).toInt(), 1);
    EXPECT_EQ(inserted.at(0).at(1).toInt(), 2);
    EXPECT_TRUE(m->isModified());
    EXPECT_TRUE(m->isPageModified(5)); // the flipped page moved from index 3 to 5
    EXPECT_EQ(m->pageImage(5), flipped);

    m->appendPagesFrom(otherPath(), 1, 1);
    EXPECT_EQ(m->pageCount(), 8);
    EXPECT_EQ(numberOf(m->pageImage(7)), 21);

    m->deletePages(1, 3); // pages 1, 22, 23
    ASSERT_EQ(removed.count(), 1);
    EXPECT_EQ(fileNumbers(path()), (std::vector<int>{2, 3, 4, 5, 21}));
    EXPECT_TRUE(m->isPageModified(2));
    EXPECT_EQ(m->pageImage(2), flipped);
    // The edit is still unsaved in the file; Save writes it.
    EXPECT_NE(Document::open(path())->decodePage(2), flipped);
    m->save();
    EXPECT_EQ(Document::open(path())->decodePage(2), flipped);

    // Deleting the edited page drops its edit.
    m->apply(rotatePage(0, 1));
    m->deletePages(1, 1);
    EXPECT_FALSE(m->isModified());
    // Ranges are checked and a document keeps at least one page.
    EXPECT_THROW(m->deletePages(1, m->pageCount()), Error);
    EXPECT_THROW(m->deletePages(0, 1), Error);
    EXPECT_THROW(m->insertPagesFrom(otherPath(), 3, 1, 2), Error);
    EXPECT_THROW(m->insertPagesFrom(otherPath(), 1, m->pageCount() + 2, 1), Error);
}

TEST_F(ModelTest, ScannedPagesAreInsertedOrReplaceAPage) {
    DocumentModelPtr m = DocumentModel::acquire(path());
    QImage scan = Document::open(otherPath())->decodePage(0); // page "21"
    m->insertPageSources(
        2, {PageSource::pixels(scan, 300, 300, {}), PageSource::pixels(scan, 300, 300, {})});
    EXPECT_EQ(modelNumbers(*m), (std::vector<int>{1, 21, 21, 2, 3, 4, 5}));
    EXPECT_EQ(m->pageInfo(1).xDpi, 300);
    const quint64 before = m->pageRevision(3);
    m->replacePage(4, PageSource::pixels(Document::open(otherPath())->decodePage(2), 300, 300, {}));
    EXPECT_EQ(fileNumbers(path()), (std::vector<int>{1, 21, 21, 23, 3, 4, 5}));
    EXPECT_NE(m->pageRevision(3), before);
    m->insertPageSources(m->pageCount() + 1, {PageSource::pixels(scan, 300, 300, {})});
    EXPECT_EQ(m->pageCount(), 8);
}

TEST_F(ModelTest, SaveAsTiffTakesTheNewPathAndBmpExportsOnePage) {
    DocumentModelPtr m = DocumentModel::acquire(path());
    m->apply(rotatePage(2, 2));
    const QImage turned = m->pageImage(2);
    const QString bmp = dir.file(QStringLiteral("page.bmp"));
    m->saveAs(bmp, kFileBmp, 2);
    EXPECT_EQ(m->path(), path());
    EXPECT_TRUE(m->isModified());
    EXPECT_EQ(Document::open(bmp)->decodePage(0), turned);

    const QString copy = dir.file(QStringLiteral("copy.tif"));
    m->saveAs(copy, kFileTiff, 0);
    EXPECT_EQ(m->path(), copy);
    EXPECT_FALSE(m->isModified());
    EXPECT_EQ(DocumentModel::find(copy).get(), m.get());
    EXPECT_EQ(DocumentModel::find(path()), nullptr);
    EXPECT_EQ(Document::open(copy)->decodePage(2), turned);
    EXPECT_NE(Document::open(path())->decodePage(2), turned); // the old file is unchanged
    EXPECT_THROW(m->saveAs(dir.file(QStringLiteral("x.awd")), kFileAwd, 0), Error);
    // Another open model keeps its file.
    DocumentModelPtr other = DocumentModel::acquire(otherPath());
    EXPECT_THROW(m->saveAs(otherPath(), kFileTiff, 0), Error);
}

TEST_F(ModelTest, ReloadDiscardsUnsavedEdits) {
    DocumentModelPtr m = DocumentModel::acquire(path());
    m->apply(rotatePage(0, 1));
    QSignalSpy reloaded(m.get(), &DocumentModel::reloaded);
    m->reload();
    EXPECT_EQ(reloaded.count(), 1);
    EXPECT_FALSE(m->isModified());
    EXPECT_EQ(m->pageImage(0).size(), QSize(60, 40));
}

TEST_F(ModelTest, WorkerThreadsReadWhileTheModelChanges) {
    DocumentModelPtr m = DocumentModel::acquire(path());
    std::atomic<bool> stop{false};
    std::atomic<int> reads{0}, wrong{0};
    auto reader = QtConcurrent::run([&] {
        while (!stop) {
            for (int i = 0; i < 5; ++i) {
                try {
                    const QImage img = m->pageImageScaled(i, QSize(60, 60), true);
                    const QSize s = img.size();
                    if (s != QSize(60, 40) && s != QSize(40, 60)) ++wrong;
                    ++reads;
                } catch (const Error&) {
                    // a page index may vanish while pages are deleted
                }
            }
        }
    });
    for (int round = 0; round < 20; ++round)
        m->apply(rotatePage(round % 5, 1));
    m->save();
    stop = true;
    reader.waitForFinished();
    EXPECT_GT(reads.load(), 0);
    EXPECT_EQ(wrong.load(), 0);
}
