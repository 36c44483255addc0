// The demo's storage folder: the first start writes a file for each filed demo record, and a
// later start writes only what is missing.
#include "doubles/TestSession.h"
#include "imaging/documents/Document.h"
#include "retrieval/DemoShare.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

namespace retrievaltest {
namespace {

QStringList tiffsBelow(const QString& folder) {
    QStringList out;
    QDirIterator it(folder, {"*.tif"}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) out << it.next();
    return out;
}

TEST(DemoShare, EveryFiledRecordGetsAReadableFileOnceAndMissingOnesAreWrittenAgain) {
    doubles::TestSession t;
    t.useDemoDatabase(true);
    const QString share = t.dir.file("share");

    const int written = retrieval::writeDemoShare(*t.demo, share);
    const QStringList files = tiffsBelow(share);
    EXPECT_GT(written, 1000); // the demo holds about two thousand filed records
    EXPECT_EQ(files.size(), written);
    int threePages = 0, readOnly = 0;
    for (const QString& path : files) {
        const imaging::DocumentPtr doc = imaging::Document::open(path);
        ASSERT_TRUE(doc->pageCount() == 1 || doc->pageCount() == 3) << path.toStdString();
        const imaging::PageInfo page = doc->pageInfo(0);
        EXPECT_EQ(page.width, 850);
        EXPECT_EQ(page.height, 1100);
        EXPECT_EQ(page.bitDepth(), 1);
        if (doc->pageCount() == 3) ++threePages;
        if (!(QFileInfo(path).permissions() & QFileDevice::WriteOwner)) ++readOnly;
    }
    EXPECT_GT(threePages, 0);
    EXPECT_GT(readOnly, 0);

    // A later start keeps what is there and writes back a file that went missing.
    EXPECT_EQ(retrieval::writeDemoShare(*t.demo, share), 0);
    const QString gone = files.first();
    QFile::setPermissions(gone, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    ASSERT_TRUE(QFile::remove(gone));
    EXPECT_EQ(retrieval::writeDemoShare(*t.demo, share), 1);
    EXPECT_EQ(imaging::Document::open(gone)->pageInfo(0).width, 850);
}

} // namespace
} // namespace retrievaltest
