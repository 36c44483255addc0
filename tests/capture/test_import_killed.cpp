// The program killed in the middle of an import of 50 files into a 1000-page record (the
// import runs in a child process, capture_import_helper, the same code as "Import"): the
// record always opens afterwards with its old pages, or with its old pages followed by the
// pages of the files that were completely imported, every page intact by its pixels.
#include "PageMarks.h"

#include "imaging/documents/AtomicFile.h"
#include "support/TempDir.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QThread>
#include <gtest/gtest.h>
#include <csignal>

namespace capturetest {
namespace {

QStringList leftovers(const QString& folder) {
    QStringList out;
    for (const QString& name : QDir(folder).entryList(QDir::Files | QDir::Hidden))
        if (imaging::AtomicFile::isTemporaryName(name)) out << name;
    return out;
}

TEST(ImportKilled, TheRecordHasItsOldPagesOrTheOldAndTheCompletelyImportedFiles) {
    const QString helper = QCoreApplication::applicationDirPath() + "/capture_import_helper";
    ASSERT_TRUE(QFileInfo(helper).isExecutable()) << qPrintable(helper);
    testsupport::TempDir dir;
    const QString original = dir.file("original.tif"), record = dir.file("record/record.tif");
    const QString folder = dir.file("in");
    QDir().mkpath(dir.file("record"));
    QDir().mkpath(folder);

    // 1000 pages, each with its own marks; 50 files of 1 to 3 pages.
    std::vector<QImage> oldPages;
    {
        std::vector<imaging::PageSource> pages;
        for (int i = 0; i < 1000; ++i) {
            oldPages.push_back(markedPage(i & 255, i >> 8));
            pages.push_back(imaging::PageSource::pixels(oldPages.back(), 200, 200, {}));
        }
        imaging::writeDocument(original, pages);
    }
    std::vector<std::vector<QImage>> filePages;
    for (int f = 0; f < 50; ++f) {
        std::vector<QImage> pages;
        std::vector<imaging::PageSource> sources;
        for (int p = 0; p <= f % 3; ++p) {
            pages.push_back(markedPage(f, 0x80 | p, QSize(96, 32)));
            sources.push_back(imaging::PageSource::pixels(pages.back(), 100, 100, {}));
        }
        imaging::writeDocument(folder + QString("/scan%1.tif").arg(f, 2, 10, QChar('0')), sources);
        filePages.push_back(pages);
    }
    int allNew = 0;
    for (const auto& p : filePages) allNew += int(p.size());

    // What the record may hold: the old pages, then the pages of the first k files.
    auto check = [&](const QString& what) -> int {
        const imaging::DocumentPtr doc = imaging::Document::open(record);
        int k = 0, expected = 1000;
        while (expected < doc->pageCount() && k < 50) expected += int(filePages[size_t(k++)].size());
        EXPECT_EQ(doc->pageCount(), expected) << what.toStdString() << ": not a whole number of files";
        for (int i = 0; i < 1000; ++i) {
            const QImage page = doc->decodePage(i).convertToFormat(QImage::Format_Mono);
            if (page != oldPages[size_t(i)].convertToFormat(QImage::Format_Mono)) {
                ADD_FAILURE() << what.toStdString() << ": old page " << i + 1 << " changed";
                return -1;
            }
        }
        int at = 1000;
        for (int f = 0; f < k; ++f)
            for (const QImage& expectedPage : filePages[size_t(f)]) {
                const QImage page = doc->decodePage(at++).convertToFormat(QImage::Format_Mono);
                EXPECT_EQ(page, expectedPage.convertToFormat(QImage::Format_Mono))
                    << what.toStdString() << ": page " << at;
            }
        return doc->pageCount();
    };
    auto restore = [&] {
        QFile::remove(record);
        ASSERT_TRUE(QFile::copy(original, record));
        QFile::setPermissions(record, QFile::ReadOwner | QFile::WriteOwner);
    };

    // A whole run, to know how long an import takes here.
    restore();
    QElapsedTimer clock;
    {
        QProcess p;
        p.start(helper, {record, folder});
        ASSERT_TRUE(p.waitForStarted(5000));
        ASSERT_TRUE(p.waitForReadyRead(30000)) << p.readAllStandardError().toStdString();
        clock.start();
        ASSERT_TRUE(p.waitForFinished(60000));
        ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
        EXPECT_TRUE(p.readAllStandardOutput().contains("done " + QByteArray::number(allNew)));
    }
    const qint64 whole = std::max<qint64>(clock.elapsed(), 5);
    EXPECT_EQ(check("complete run"), 1000 + allNew);

    QRandomGenerator rng(11);
    int sawOld = 0, sawNew = 0, interrupted = 0;
    for (int round = 0; round < 24; ++round) {
        restore();
        QProcess p;
        p.start(helper, {record, folder});
        ASSERT_TRUE(p.waitForStarted(5000));
        ASSERT_TRUE(p.waitForReadyRead(30000)) << p.readAllStandardError().toStdString();
        QThread::msleep(rng.bounded(int(whole * 12 / 10) + 1));
        ::kill(pid_t(p.processId()), SIGKILL);
        ASSERT_TRUE(p.waitForFinished(5000));
        interrupted += int(leftovers(dir.file("record")).size());
        for (const QString& name : leftovers(dir.file("record"))) QFile::remove(dir.file("record/" + name));
        const int pages = check(QString("round %1").arg(round));
        ASSERT_GT(pages, 0);
        (pages == 1000 ? sawOld : sawNew)++;
    }
    std::printf("import of %d ms killed 24 times: old record %d, imported %d, %d writes interrupted\n",
                int(whole), sawOld, sawNew, interrupted);
    EXPECT_GT(sawOld, 0);
}

} // namespace
} // namespace capturetest
